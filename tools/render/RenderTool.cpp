// Read the input, set up the plug-in, render, write the outputs.
#include "tools/render/RenderTool.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "engine/ParamNames.h"
#include "platform/MidiFile.h"
#include "platform/Png.h"
#include "tools/common/OutputFile.h"
#include "tools/common/ToolError.h"
#include "tools/render/EventTable.h"
#include "tools/render/InputFile.h"
#include "tools/render/Listings.h"
#include "tools/render/MeterMap.h"
#include "tools/render/NoteList.h"
#include "tools/render/Options.h"
#include "tools/render/PianoRoll.h"
#include "tools/render/PluginHost.h"
#include "tools/render/PluginSetup.h"
#include "tools/render/ProgressLine.h"
#include "tools/render/Renderer.h"
#include "tools/render/Resolution.h"
#include "tools/render/TempoMap.h"

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

constexpr int kDrumChannel = 10;

// "1, 2 and 10", "Velocity_17 and Velocity_18"
std::string Enumeration(const std::vector<std::string>& items) {
  std::string text;
  for (size_t i = 0; i < items.size(); ++i) text += (i == 0 ? "" : i + 1 == items.size() ? " and " : ", ") + items[i];
  return text;
}

std::string Enumeration(const std::vector<int>& numbers) {
  std::vector<std::string> items;
  for (int n : numbers) items.push_back(std::to_string(n));
  return Enumeration(items);
}

// The channels, 1..16, on which the input has notes.
std::vector<int> NoteChannels(const TMidiSong& song) {
  bool used[16] = {};
  for (const TMidiFileEvent& e : song.events)
    if ((e.data[0] & 0xF0) == 0x90 && e.data[2] > 0) used[e.data[0] & 0x0F] = true;
  std::vector<int> channels;
  for (int c = 0; c < 16; ++c)
    if (used[c]) channels.push_back(c + 1);
  return channels;
}

// "wrote 32 notes, 4.25 bars, to out.mid and roll.png"
std::string Summary(const std::vector<TMidiFileEvent>& output, double bars, const std::vector<TNamedPath>& files) {
  const auto notes = std::count_if(output.begin(), output.end(),
                                   [](const TMidiFileEvent& e) { return (e.data[0] & 0xF0) == 0x90 && e.data[2] > 0; });
  char length[32];
  std::snprintf(length, sizeof length, "%.2f", bars);
  std::string barText = length;
  while (barText.back() == '0') barText.pop_back();
  if (barText.back() == '.') barText.pop_back();
  std::vector<std::string> paths;
  for (const TNamedPath& file : files) paths.push_back(file.path);
  return "wrote " + std::to_string(notes) + (notes == 1 ? " note, " : " notes, ") + barText +
         (barText == "1" ? " bar, to " : " bars, to ") + Enumeration(paths);
}

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  TRenderOptions o = ParseOptions(args);
  if (o.help) {
    out << HelpText();
    return 0;
  }
  if (o.version) {
    out << "moltrin-render " << MOLTRIN_VERSION << "\n";
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
  const std::vector<TNamedPath> outputs = OutputsOf(o);
  CheckOutputPaths(outputs, InputsOf(o, pluginPath));

  const TMidiSong song = ReadSong(o.inputPath);
  const TPluginModule module(pluginPath);
  THostedPlugin plugin(module, o.sampleRate, o.blockSize);
  SetUpPlugin(plugin, o);

  const TTempoMap map(song.division, song.tempos, o.sampleRate);
  TRenderSettings settings;
  settings.sampleRate = o.sampleRate;
  settings.blockSize = o.blockSize;
  settings.freeRun = o.freeRun;
  settings.division = OutputDivision(song.division, o.ppq);
  settings.tailSeconds =
      o.tailSeconds ? *o.tailSeconds : PatternCycleSeconds(plugin, map.TempoAtTick(SongEndTick(song)));
  if (RenderLength(song, map, settings) < 0) throw FileError(o.inputPath, "the song lasts longer than 24 hours");

  TProgressLine progress(!o.quiet);
  const TRenderResult result = RenderSong(song, plugin, settings, [&](double f) { progress.Update(f); });
  progress.Finish();

  // Everything written is at the output's resolution, the input track and the maps too.
  const TMidiSong written = AtDivision(song, settings.division);
  TOutputFiles files;
  std::vector<TMidiTrackOut> tracks{{"Moltrin", result.output}};
  if (o.keepInput) tracks.push_back({"Input", written.events});
  files.Add(o.outputPath, BuildMidiFile(written.division, written.tempos, written.meters, tracks));
  const TMeterMap meters(written.division, written.meters);
  if (!o.pngPath.empty()) {
    TPianoRollInput roll;
    roll.division = written.division;
    roll.endTick = result.endTick;
    roll.input = PairNotes(written.events, result.endTick);
    roll.output = PairNotes(result.output, result.endTick);
    std::vector<uint8_t> png = EncodePng(DrawPianoRoll(roll, meters));
    if (png.empty()) throw FileError(o.pngPath, "the piano roll could not be encoded");
    files.Add(o.pngPath, std::move(png));
  }
  if (!o.jsonPath.empty()) {
    const TTempoMap writtenMap(written.division, written.tempos, o.sampleRate);
    files.Add(o.jsonPath, FormatEventJson(result.sent, writtenMap, o.blockSize, result.endTick));
  }
  files.Commit();

  if (o.list) out << FormatEventTable(result.output, meters, result.endTick);
  // Said once everything is written, so that a failure stays a single line.
  const std::string tool = "moltrin-render: ";
  if (factoryBank && !o.quiet)
    err << tool
        << (o.bankPath.empty() ? "no factory bank beside the module: played the plug-in's default programs"
                               : "played the factory bank " + o.bankPath + " (--no-bank for none)")
        << "\n";
  const std::vector<int> channels = NoteChannels(song);
  const int listening = ParameterValue(plugin, tagMIDIIn_Ch);  // 0: every channel
  if (channels.size() > 1 && listening == 0)
    err << tool << "warning: the input has notes on channels " << Enumeration(channels)
        << ", and the plug-in plays them all as keys (--set MIDIIn_Ch=N hears channel N alone)\n";
  if (channels == std::vector<int>{kDrumChannel} && (listening == 0 || listening == kDrumChannel))
    err << tool << "warning: the input's notes are all on channel " << kDrumChannel
        << ", General MIDI's drums, and the plug-in plays them as keys\n";
  if (const std::vector<std::string> unplayed = StepsNotPlayed(plugin, o); !unplayed.empty())
    err << tool << "warning: " << Enumeration(unplayed) << (unplayed.size() == 1 ? " lies" : " lie")
        << " past the program's " << ParameterValue(plugin, tagSteps) << " steps (Steps) and will not play\n";
  if (const int n = result.notesEndedByHost; n > 0)
    err << tool << n << (n == 1 ? " note" : " notes") << " begun before the end still sounded "
        << kRingOutSeconds + kReleaseSeconds << " s later (a latched program on its own clock plays on);"
        << " ended at the last tick\n";
  if (!o.quiet) err << tool << Summary(result.output, meters.Bars(result.endTick), outputs) << "\n";
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
