// Read the input, set up the plug-in, render, write the outputs.
#include "tools/render/RenderTool.h"

#include <filesystem>

#include "platform/MidiFile.h"
#include "platform/Png.h"
#include "tools/render/EventTable.h"
#include "tools/render/InputFile.h"
#include "tools/render/Listings.h"
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

// What is read and what is written, for the check that nothing read is written over.
std::vector<TNamedPath> InputsOf(const TRenderOptions& o, const std::string& plugin) {
  std::vector<TNamedPath> inputs{{"the input file", o.inputPath}, {"the plug-in module", plugin}};
  if (!o.bankPath.empty()) inputs.push_back({"the bank file", o.bankPath});
  if (!o.presetPath.empty()) inputs.push_back({"the program file", o.presetPath});
  return inputs;
}

std::vector<TNamedPath> OutputsOf(const TRenderOptions& o) {
  std::vector<TNamedPath> outputs{{"the output file", o.outputPath}};
  if (!o.pngPath.empty()) outputs.push_back({"the --png file", o.pngPath});
  if (!o.jsonPath.empty()) outputs.push_back({"the --json file", o.jsonPath});
  return outputs;
}

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  TRenderOptions o = ParseOptions(args);
  if (o.help) {
    out << HelpText();
    return 0;
  }
  if (o.listParams) {
    out << FormatParameterList();
    return 0;
  }
  const std::string pluginPath = PluginPath(o);
  // Without a bank or program file, the plug-in plays what a fresh instance starts with in a
  // host: the factory bank beside the module.
  const bool factoryBank = o.bankPath.empty() && o.presetPath.empty() && !o.noBank;
  if (factoryBank) o.bankPath = FactoryBankBeside(pluginPath);
  const std::string bankInUse = !o.bankPath.empty() ? o.bankPath
                                : o.presetPath.empty() ? "none (the plug-in's default programs)"
                                                       : "none (a program file only)";
  if (o.listPrograms) {
    const TPluginModule module(pluginPath);
    THostedPlugin plugin(module, o.sampleRate, o.blockSize);
    SetUpPlugin(plugin, o);
    out << "Bank: " << bankInUse << "\n" << FormatProgramList(plugin);
    return 0;
  }
  CheckOutputPaths(OutputsOf(o), InputsOf(o, pluginPath));

  const TMidiSong song = ReadSong(o.inputPath);
  const TPluginModule module(pluginPath);
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

  TOutputFiles files;
  std::vector<TMidiTrackOut> tracks{{"Moltrin", result.output}};
  if (o.keepInput) tracks.push_back({"Input", song.events});
  files.Add(o.outputPath, BuildMidiFile(song.division, song.tempos, song.meters, tracks));
  const TMeterMap meters(song.division, song.meters);
  if (!o.pngPath.empty()) {
    TPianoRollInput roll;
    roll.division = song.division;
    roll.endTick = result.endTick;
    roll.input = PairNotes(song.events, result.endTick);
    roll.output = PairNotes(result.output, result.endTick);
    std::vector<uint8_t> png = EncodePng(DrawPianoRoll(roll, meters));
    if (png.empty()) throw FileError(o.pngPath, "the piano roll could not be encoded");
    files.Add(o.pngPath, std::move(png));
  }
  if (!o.jsonPath.empty()) files.Add(o.jsonPath, FormatEventJson(result.sent, map, o.blockSize, result.endTick));
  files.Commit();

  if (o.list) out << FormatEventTable(result.output, meters, result.endTick);
  // Said once everything is written, so that a failure stays a single line.
  if (factoryBank && !o.quiet)
    err << "moltrin-render: "
        << (o.bankPath.empty() ? "no factory bank beside the module: played the plug-in's default programs"
                               : "played the factory bank " + o.bankPath + " (--no-bank for none)")
        << "\n";
  if (const int n = result.notesEndedByHost; n > 0)
    err << "moltrin-render: the plug-in still held " << n << (n == 1 ? " note " : " notes ") << kReleaseSeconds
        << " s after the end (a latched program on its own clock plays on); ended at the last tick\n";
  return 0;
}

}  // namespace

int RunRenderTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    return Run(args, out, err);
  } catch (const TToolError& e) {
    err << "moltrin-render: " << e.what() << "\n";
    return 2;
  } catch (const std::exception& e) {
    err << "moltrin-render: unexpected failure: " << e.what() << "\n";
    return 1;
  }
}
