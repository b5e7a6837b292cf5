// Parsing of the command line; "--name value" and "--name=value" are both accepted.
#include "tools/render/Options.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "tools/common/ToolError.h"
#include "tools/render/Resolution.h"

namespace {

int ParseInt(const std::string& option, const std::string& text, int lo, int hi) {
  int value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || text.empty())
    throw TToolError("option " + option + ": '" + text + "' is not a whole number");
  if (value < lo || value > hi)
    throw TToolError("option " + option + ": " + text + " is out of range " + std::to_string(lo) + ".." +
                     std::to_string(hi));
  return value;
}

double ParseSeconds(const std::string& option, const std::string& text) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(value))
    throw TToolError("option " + option + ": '" + text + "' is not a number of seconds");
  if (value < 0 || value > 3600) throw TToolError("option " + option + ": " + text + " is out of range 0..3600");
  return value;
}

}  // namespace

std::string HelpText() {
  return "Usage: moltrin-render [options] INPUT.mid OUTPUT.mid\n"
         "       moltrin-render [--plugin PATH] [--bank FILE.fxb | --no-bank] --list-programs\n"
         "       moltrin-render --list-params\n"
         "Plays a Standard MIDI File (type 0 or 1) through the Moltrin plug-in module as a host\n"
         "would, from the song start at the file's tempo, and writes what the plug-in sends as a\n"
         "type 0 MIDI file.\n"
         "\n"
         "What the plug-in hears: the notes of all 16 channels are its keys (the plug-in's\n"
         "MIDIIn_Ch is 0, \"all\"; --set MIDIIn_Ch=N listens to channel N alone), and the tool\n"
         "warns when the input has notes on more than one channel, or on channel 10 alone (General\n"
         "MIDI's drums, which become keys too). Program changes choose a\n"
         "program. Of everything else only CC1 (modulation), pitch bend, channel pressure and\n"
         "polyphonic key pressure pass through, to the output channel; other controllers are\n"
         "dropped.\n"
         "\n"
         "How long it plays: the song lasts until its end of track, or its last event if that\n"
         "is later. Keys still down there are let go there, and the tail follows. A note begun\n"
         "before the end of the tail is written whole, with the length the plug-in gives it\n"
         "(the plug-in plays on, unheard, until it ends); a note that would begin at the end or\n"
         "later is left out. Why: a note cut short by the stop, or begun on it with no length,\n"
         "is an artefact of where the render stops, not part of the pattern; so a note is kept\n"
         "whole when it began inside the render and is not written when it did not. Every note\n"
         "written has its note-off.\n"
         "\n"
         "Options:\n"
         "  --plugin PATH       plug-in module to load (default: the one built beside this tool)\n"
         "  --bank FILE.fxb     load a bank file first (its current program is selected); without\n"
         "                      --bank or --preset, the factory bank beside the module is loaded\n"
         "  --no-bank           load no bank: the plug-in's default programs\n"
         "  --preset FILE.fxp   load a program file into the current program\n"
         "  --program N         select program N, 1..64 (default: the bank's, else 1)\n"
         "  --set NAME=VALUE    set a parameter by catalogue name or tag: Steps=8, Velocity_5=120,\n"
         "                      212=5; VALUE may be the editor's text (Sync=1/16), a percentage\n"
         "                      (Gate=50%), on or off (Latch=on), a note (Fixed_key=Eb5 or D#5);\n"
         "                      names and texts in any case and spacing, with or without a final\n"
         "                      full stop (SortOrder=\"by pitch, desc\"); CurChain=0 plays no chain;\n"
         "                      a step past the program's Steps is set with a warning that it\n"
         "                      will not play; repeatable\n"
         "  --list-programs     list the programs of the bank in use and the chains they are in\n"
         "  --list-params       list every parameter with its range and its value texts\n"
         "  --free-run          keep the transport stopped at the song start, so the plug-in runs\n"
         "                      its own clock, at the tempo there\n"
         "  --tail SECONDS      play on after the song's end (default: one pattern cycle)\n"
         "  --sample-rate HZ    sample rate, 8000..384000 (default 44100)\n"
         "  --block-size N      frames per audio block, 1..8192 (default 256)\n"
         "  --ppq N             ticks per quarter note of the output, 1..32767 (default: the\n"
         "                      input's, or 960 if the input's is coarser)\n"
         "  --keep-input        add the input as a second track (the file is then type 1)\n"
         "  --png FILE          draw a piano roll of input and output\n"
         "  --list              print the output as a table: time (bar:beat:tick), note, velocity,\n"
         "                      length in ticks\n"
         "  --json FILE         write the events written, as the plug-in sent them, with their\n"
         "                      sample and tick\n"
         "  --quiet             no progress line, no note of the bank played and no summary;\n"
         "                      warnings still show\n"
         "  --version           show the version\n"
         "  -h, --help          show this help\n"
         "\n"
         "Each input event reaches the plug-in on its own frame inside its block, and each output\n"
         "event is placed on the frame the plug-in gives it. After a render one line on standard\n"
         "error says how many notes were written, how many bars long, and into which files. Bad\n"
         "input gives a one-line message and exit status 2; no output file is left.\n";
}

TRenderOptions ParseOptions(const std::vector<std::string>& args) {
  TRenderOptions o;
  std::vector<std::string> files;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (arg == "-h" || arg == "--help") {
      o.help = true;
      return o;
    }
    if (arg == "--version") {
      o.version = true;
      return o;
    }
    if (arg.size() < 2 || arg[0] != '-' || arg == "--") {
      if (arg == "--") {
        files.insert(files.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
        break;
      }
      files.push_back(arg);
      continue;
    }
    std::optional<std::string> inlineValue;
    if (const size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      inlineValue = arg.substr(eq + 1);
      arg.resize(eq);
    }
    const auto value = [&]() -> std::string {
      if (inlineValue) return *inlineValue;
      if (i + 1 >= args.size()) throw TToolError("option " + arg + " needs a value");
      return args[++i];
    };
    const auto flag = [&]() {
      if (inlineValue) throw TToolError("option " + arg + " takes no value");
      return true;
    };
    if (arg == "--plugin") o.pluginPath = value();
    else if (arg == "--bank") o.bankPath = value();
    else if (arg == "--no-bank") o.noBank = flag();
    else if (arg == "--list-programs") o.listPrograms = flag();
    else if (arg == "--list-params") o.listParams = flag();
    else if (arg == "--preset") o.presetPath = value();
    else if (arg == "--program") o.program = ParseInt(arg, value(), 1, 64);
    else if (arg == "--set") o.assignments.push_back(value());
    else if (arg == "--free-run") o.freeRun = flag();
    else if (arg == "--tail") o.tailSeconds = ParseSeconds(arg, value());
    else if (arg == "--sample-rate") o.sampleRate = ParseInt(arg, value(), 8000, 384000);
    else if (arg == "--block-size") o.blockSize = ParseInt(arg, value(), 1, 8192);
    else if (arg == "--ppq") o.ppq = ParseInt(arg, value(), 1, kMaxDivision);
    else if (arg == "--keep-input") o.keepInput = flag();
    else if (arg == "--png") o.pngPath = value();
    else if (arg == "--list") o.list = flag();
    else if (arg == "--json") o.jsonPath = value();
    else if (arg == "--quiet") o.quiet = flag();
    else throw TToolError("unknown option '" + arg + "' (see --help)");
  }
  if (o.noBank && !o.bankPath.empty()) throw TToolError("--bank and --no-bank exclude each other");
  if (o.listPrograms || o.listParams) {
    if (!files.empty()) throw TToolError("--list-programs and --list-params take no file arguments");
    return o;
  }
  if (files.size() != 2)
    throw TToolError("expected INPUT.mid and OUTPUT.mid, got " + std::to_string(files.size()) +
                     " file argument(s) (see --help)");
  o.inputPath = files[0];
  o.outputPath = files[1];
  return o;
}
