// Read the input, set up the plug-in, render, write the outputs.
#include "tools/render/RenderTool.h"

#include <filesystem>

#include "platform/MidiFile.h"
#include "platform/Png.h"
#include "tools/render/EventTable.h"
#include "tools/render/InputFile.h"
#include "tools/render/MeterMap.h"
#include "tools/render/NoteList.h"
#include "tools/render/Options.h"
#include "tools/render/OutputFile.h"
#include "tools/render/PianoRoll.h"
#include "tools/render/PluginHost.h"
#include "tools/render/PluginSetup.h"
#include "tools/render/ProgressLine.h"
#include "tools/render/Renderer.h"
#include "tools/render/TempoMap.h"
#include "tools/render/ToolError.h"

#ifndef MOLTRIN_DEFAULT_PLUGIN
#define MOLTRIN_DEFAULT_PLUGIN ""
#endif

namespace fs = std::filesystem;

std::string DefaultPluginPath() {
  std::vector<fs::path> candidates;
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    candidates.push_back(exe.parent_path() / "../../host/moltrin.so");
    candidates.push_back(exe.parent_path() / "moltrin.so");
  }
  candidates.emplace_back(MOLTRIN_DEFAULT_PLUGIN);
  for (const fs::path& p : candidates)
    if (!p.empty() && fs::is_regular_file(p, ec)) return fs::weakly_canonical(p, ec).string();
  return "";
}

namespace {

TMidiSong ReadSong(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadInputFile(path, kMaxMidiFileSize, true);
  TMidiSong song;
  const TMidiFileResult r = ParseMidiFile(bytes, song);
  if (!r.ok) throw FileError(path, r.message);
  return song;
}

std::string PluginPath(const TRenderOptions& o) {
  if (!o.pluginPath.empty()) {
    std::error_code ec;
    if (!fs::exists(o.pluginPath, ec)) throw FileError(o.pluginPath, "no such file");
    return o.pluginPath;
  }
  const std::string found = DefaultPluginPath();
  if (found.empty()) throw TToolError("no plug-in module found beside the tool; name one with --plugin PATH");
  return found;
}

int Run(const std::vector<std::string>& args, std::ostream& out) {
  const TRenderOptions o = ParseOptions(args);
  if (o.help) {
    out << HelpText();
    return 0;
  }
  const TMidiSong song = ReadSong(o.inputPath);
  const TPluginModule module(PluginPath(o));
  THostedPlugin plugin(module, o.sampleRate, o.blockSize);
  SetUpPlugin(plugin, o);

  const TTempoMap map(song.division, song.tempos, o.sampleRate);
  const int64_t lastTick = song.events.empty() ? 0 : song.events.back().tick;
  TRenderSettings settings;
  settings.sampleRate = o.sampleRate;
  settings.blockSize = o.blockSize;
  settings.freeRun = o.freeRun;
  settings.tailSeconds = o.tailSeconds ? *o.tailSeconds : PatternCycleSeconds(plugin, map.TempoAtTick(lastTick));
  if (RenderLength(song, map, settings) < 0) throw FileError(o.inputPath, "the song lasts longer than 24 hours");

  TProgressLine progress(!o.quiet);
  const TRenderResult result = RenderSong(song, plugin, settings, [&](double f) { progress.Update(f); });
  progress.Finish();

  std::vector<TMidiTrackOut> tracks{{"Moltrin", result.output}};
  if (o.keepInput) tracks.push_back({"Input", song.events});
  WriteFileAtomically(o.outputPath, BuildMidiFile(song.division, song.tempos, song.meters, tracks));

  const TMeterMap meters(song.division, song.meters);
  if (!o.pngPath.empty()) {
    TPianoRollInput roll;
    roll.division = song.division;
    roll.endTick = result.endTick;
    roll.input = PairNotes(song.events, result.endTick);
    roll.output = PairNotes(result.output, result.endTick);
    const std::vector<uint8_t> png = EncodePng(DrawPianoRoll(roll, meters));
    if (png.empty()) throw FileError(o.pngPath, "the piano roll could not be encoded");
    WriteFileAtomically(o.pngPath, png);
  }
  if (!o.jsonPath.empty())
    WriteFileAtomically(o.jsonPath, FormatEventJson(result.sent, map, o.blockSize, result.endTick));
  if (o.list) out << FormatEventTable(result.output, meters, result.endTick);
  return 0;
}

}  // namespace

int RunRenderTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    return Run(args, out);
  } catch (const TToolError& e) {
    err << "moltrin-render: " << e.what() << "\n";
    return 2;
  } catch (const std::exception& e) {
    err << "moltrin-render: unexpected failure: " << e.what() << "\n";
    return 1;
  }
}
