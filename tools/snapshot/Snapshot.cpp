#include "tools/snapshot/Snapshot.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>

#include "editor/FormMenus.h"
#include "editor/Globals.h"
#include "editor/PlugEditorForm.h"
#include "engine/PlugCore.h"
#include "host/vst2/VSTEditor.h"
#include "host/vst2/VSTPlugin.h"
#include "platform/Files.h"
#include "platform/HeadlessWindow.h"
#include "platform/IniFile.h"
#include "platform/ModulePath.h"
#include "platform/Png.h"
#include "hosts/vst2/Host.h"
#include "tools/common/CommandText.h"
#include "tools/common/NoteSpelling.h"
#include "tools/common/OutputFile.h"

#ifdef _WIN32
#include <process.h>
#define MOLTRIN_GETPID _getpid
#else
#include <unistd.h>
#define MOLTRIN_GETPID getpid
#endif

namespace fs = std::filesystem;

const char* const kSnapshotUsage =
    "usage: moltrin-snapshot [options] OUTPUT.png\n"
    "       moltrin-snapshot [--folder DIR] --list-schemes\n"
    "Draws the editor of a fresh plug-in instance into a PNG picture, without a window. It\n"
    "writes PNG only: a name ending in another picture's extension (.jpg, .gif, ...) is refused.\n"
    "\n"
    "  --folder DIR      where the factory bank and the skins are, a folder that exists (default:\n"
    "                    beside the built module)\n"
    "  --no-bank         a fresh instance without the factory bank\n"
    "  --bank FILE       load a bank file (.fxb) once the editor is open\n"
    "  --preset FILE     load a program file (.fxp) once the editor is open\n"
    "  --program N       choose program N (1..64) as a host does\n"
    "  --scheme S        0 for the built-in colours, N for the N-th skin scheme, or a scheme's name\n"
    "  --list-schemes    list the skin schemes found, with their numbers, and stop\n"
    "  --page N          show page N (1..4); the pages stop following playback\n"
    "  --row R           the pattern screen's row: semitone, octave, keys, type or velocity\n"
    "  --keys LIST       keys held while playing, as names or MIDI numbers: \"C5, E5, G5\" or 60,64,67;\n"
    "                    C5 is 60, sharps or flats in any case (D#5, Eb5, eb5)\n"
    "  --blocks N        blocks of 512 frames played at 120 bpm (default 48 with keys, else 0)\n"
    "  --zoom PERCENT    draw the editor at this zoom, 100 to 300 (default 100)\n"
    "  --version         show the version\n"
    "  -h, --help        show this help\n";

namespace {

constexpr const char* kFactoryBankFile = "Moltrin_FactoryBank.fxb";
constexpr int kBlockFrames = 512;
constexpr int kBlocksPerIdle = 2;  // a host idles its editors about every 20 ms

bool ParseInt(const std::string& text, int low, int high, int& out) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high) return false;
  out = value;
  return true;
}

// A MIDI note as a number (0..127) or a name in either spelling ("C5" is 60).
bool ParseNote(const std::string& text, int& note) {
  if (ParseInt(text, 0, 127, note)) return true;
  const std::optional<int> named = ParseNoteName(text);
  if (named) note = *named;
  return named.has_value();
}

bool ParseKeys(const std::string& list, std::vector<int>& keys) {
  keys.clear();
  for (const std::string& item : ListItems(list)) {
    int note = 0;
    if (!ParseNote(item, note)) return false;
    keys.push_back(note);
  }
  return !keys.empty();
}

// The picture is a PNG: a name that asks for another kind of picture is a mistake, not a wish.
constexpr const char* kOtherImageExtensions[] = {".jpg", ".jpeg", ".gif", ".bmp", ".tif", ".tiff", ".webp",
                                                 ".ppm", ".pgm", ".pnm", ".svg", ".ico", ".avif", ".heic",
                                                 ".jxl", ".tga", ".xpm", ".pdf", ".eps"};

bool NamesAnotherImageKind(const std::string& path) {
  std::string extension = fs::path(path).extension().string();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* other : kOtherImageExtensions)
    if (extension == other) return true;
  return false;
}

int RowOf(const std::string& name) {
  const char* rows[] = {"semitone", "octave", "keys", "type", "velocity"};  // by bar number
  for (int i = 0; i < 5; ++i)
    if (name == rows[i]) return i;
  return -1;
}

// The editor form in a headless window, as the plug-in object creates its forms.
std::unique_ptr<TEditorForm> HeadlessForm(void* /*parent*/) {
  return std::make_unique<TPlugForm>(nullptr, std::make_unique<THeadlessWindow>(gFormWidth, gFormHeight));
}

AEffect* LinkedEntry(audioMasterCallback audioMaster) {
  if (audioMaster == nullptr) return nullptr;
  return (new TVSTPlugin(audioMaster, &HeadlessForm))->getAeffect();
}

// A folder of the snapshot's own holding copies of the skins and the factory bank, so the
// settings written while it runs never touch the plug-in's folder.
class TScratchFolder {
 public:
  TScratchFolder() {
    static std::atomic<int> counter{0};
    path = fs::temp_directory_path() /
           ("moltrin-snapshot-" + std::to_string(MOLTRIN_GETPID()) + "-" + std::to_string(counter++));
    fs::remove_all(path);
    fs::create_directories(path / "skins");
  }
  ~TScratchFolder() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  std::string Folder() const { return (path / "").string(); }
  fs::path path;
};

void CopyBeside(const std::string& from, TScratchFolder& scratch, bool factoryBank) {
  std::error_code ec;
  for (const std::string& name : ListFiles(JoinPath(from, "skins")))
    fs::copy_file(fs::path(JoinPath(from, "skins")) / name, scratch.path / "skins" / name, ec);
  if (factoryBank) fs::copy_file(fs::path(from) / kFactoryBankFile, scratch.path / kFactoryBankFile, ec);
}

// The scheme's number: "0", "N", or the name of a skin file's section.
bool SchemeNumber(const std::string& scheme, const std::string& folder, int& number, std::string& error) {
  number = 0;
  if (scheme.empty()) return true;
  const TSkinCatalog catalog(folder);
  const std::vector<std::string>& names = catalog.SchemeNames();
  const int count = static_cast<int>(names.size());
  if (ParseInt(scheme, 0, count, number)) return true;
  for (int i = 0; i < count; ++i)
    if (names[static_cast<size_t>(i)] == scheme) {
      number = i + 1;
      return true;
    }
  error = "no scheme \"" + scheme + "\" (" + std::to_string(count) + " skin schemes found; --list-schemes names them)";
  return false;
}

bool LoadFile(TPlugCore& core, const std::string& path, bool bank, std::string& error) {
  std::error_code ec;
  if (!fs::exists(path, ec)) {
    error = path + ": no such file";
    return false;
  }
  const std::string refused = LoadPresetFile(core, path, bank, path);
  if (refused.empty()) return true;
  error = refused.find(path) == std::string::npos ? path + ": " + refused : refused;  // the file named once
  return false;
}

// Where the factory bank and the skins are read from.
std::string SourceFolder(const TSnapshotOptions& o) {
#ifdef MOLTRIN_DEFAULT_FOLDER
  return o.folder.empty() ? MOLTRIN_DEFAULT_FOLDER : o.folder;
#else
  return o.folder.empty() ? ModuleFolder() : o.folder;
#endif
}

bool Render(const TSnapshotOptions& o, std::string& error, const std::function<void(TPlugForm&)>& inspect) {
  TScratchFolder scratch;
  CopyBeside(SourceFolder(o), scratch, o.factoryBank);
  int scheme = 0;
  if (!SchemeNumber(o.scheme, scratch.Folder(), scheme, error)) return false;
  TIniFile settings(scratch.Folder() + "moltrin.ini");
  settings.WriteInteger("SETTINGS", "gui_scheme", scheme);
  settings.WriteInteger("SETTINGS", "gui_zoom", o.zoom);
  LoadSettingsFrom(scratch.Folder());

  vst2host::Host host(&LinkedEntry);
  host.factoryBank = true;  // from the scratch folder, which holds it unless --no-bank
  AEffect* effect = host.Start(44100.0f, kBlockFrames);
  if (effect == nullptr) {
    error = "the plug-in did not start";
    return false;
  }
  auto& plugin = *static_cast<TVSTPlugin*>(static_cast<AudioEffect*>(effect->object));
  char parentWindow[8] = {};  // stands for the host's window
  host.Dispatch(effEditOpen, 0, 0, parentWindow);
  const auto idle = [&] { host.Dispatch(effEditIdle); };
  idle();  // the binding: program 0 when none is current
  auto* editor = static_cast<TVSTEditor*>(plugin.getEditor());
  auto* form = editor != nullptr ? dynamic_cast<TPlugForm*>(editor->Form()) : nullptr;
  if (form == nullptr || !form->HasEngine()) {
    error = "the editor did not open";
    return false;
  }
  TPlugCore& core = *plugin.Face().EditorEngine();
  if (!o.bank.empty() && !LoadFile(core, o.bank, true, error)) return false;
  if (!o.preset.empty() && !LoadFile(core, o.preset, false, error)) return false;
  if (o.program > 0) host.SetProgram(o.program - 1);
  if (o.page > 0) {
    host.SetParam(tagScroll, 0.0f);
    host.SetParam(tagSelectedPage, static_cast<float>(o.page - 1) / 3.0f);
  }
  idle();
  if (o.row >= 0) form->DoBarSelect(o.row);

  const int blocks = o.blocks >= 0 ? o.blocks : (o.keys.empty() ? 0 : 48);
  const int inChannel = core.GetParam(tagMIDIIn_Ch);  // 0: every channel
  const int channel = inChannel > 0 ? inChannel - 1 : 0;
  std::vector<vst2host::MidiIn> keys;
  for (int note : o.keys) keys.push_back(vst2host::NoteOn(channel, note, 100));
  if (!keys.empty()) host.SendMidi(keys);
  for (int i = 0; i < blocks; ++i) {
    host.PlayBlocks(1, kBlockFrames);
    if ((i + 1) % kBlocksPerIdle == 0) idle();
  }
  idle();
  if (inspect) inspect(*form);
  auto& window = static_cast<THeadlessWindow&>(form->Window());
  window.Update();
  const std::vector<uint8_t> png = EncodePng(window.BackBuffer());
  if (png.empty()) {
    error = o.output + ": the picture could not be encoded";
    return false;
  }
  TOutputFiles file;  // says the system's reason when it cannot be written
  file.Add(o.output, png);
  file.Commit();
  host.Dispatch(effEditClose);
  host.Close();
  return true;
}

}  // namespace

bool ParseSnapshotOptions(const std::vector<std::string>& args, TSnapshotOptions& o, std::string& error) {
  o = {};
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) {
        error = a + " needs a value";
        return false;
      }
      out = args[++i];
      return true;
    };
    const auto number = [&](int low, int high, int& out) {
      std::string text;
      if (!value(text)) return false;
      if (ParseInt(text, low, high, out)) return true;
      error = a + " takes a number from " + std::to_string(low) + " to " + std::to_string(high) + ", not \"" + text + "\"";
      return false;
    };
    std::string text;
    if (a == "--help" || a == "-h") {
      o.help = true;
      return true;
    } else if (a == "--version") {
      o.version = true;
      return true;
    } else if (a == "--list-schemes") {
      o.listSchemes = true;
    } else if (a == "--folder") {
      if (!value(o.folder)) return false;
    } else if (a == "--no-bank") {
      o.factoryBank = false;
    } else if (a == "--bank") {
      if (!value(o.bank)) return false;
    } else if (a == "--preset") {
      if (!value(o.preset)) return false;
    } else if (a == "--program") {
      if (!number(1, 64, o.program)) return false;
    } else if (a == "--scheme") {
      if (!value(o.scheme)) return false;
    } else if (a == "--page") {
      if (!number(1, 4, o.page)) return false;
    } else if (a == "--blocks") {
      if (!number(0, 100000, o.blocks)) return false;
    } else if (a == "--zoom") {
      if (!number(100, 300, o.zoom)) return false;
    } else if (a == "--row") {
      if (!value(text)) return false;
      if ((o.row = RowOf(text)) < 0) {
        error = "--row takes semitone, octave, keys, type or velocity, not \"" + text + "\"";
        return false;
      }
    } else if (a == "--keys") {
      if (!value(text)) return false;
      if (!ParseKeys(text, o.keys)) {
        error = "--keys takes notes such as C5,E5,G5 or 60,64,67, not \"" + text + "\"";
        return false;
      }
    } else if (a.size() > 1 && a[0] == '-') {
      error = "unknown option " + a;
      return false;
    } else if (o.output.empty()) {
      o.output = a;
    } else {
      error = "one output file only";
      return false;
    }
  }
  std::error_code ec;
  if (!o.folder.empty() && !fs::is_directory(o.folder, ec)) {
    error = "--folder " + o.folder + ": no such folder";
    return false;
  }
  if (o.listSchemes) {
    if (o.output.empty()) return true;
    error = "--list-schemes takes no output file";
    return false;
  }
  if (o.output.empty()) {
    error = "no output file given";
    return false;
  }
  if (NamesAnotherImageKind(o.output)) {
    error = o.output + ": moltrin-snapshot writes PNG pictures only; name the file .png";
    return false;
  }
  return true;
}

std::string ListSchemes(const TSnapshotOptions& options) {
  TScratchFolder scratch;
  const std::string from = SourceFolder(options);
  CopyBeside(from, scratch, false);
  const TSkinCatalog catalog(scratch.Folder());
  std::string text = "Skin schemes in " + JoinPath(from, "skins") + ":\n  0  the built-in colours\n";
  for (size_t i = 0; i < catalog.SchemeNames().size(); ++i)
    text += "  " + std::to_string(i + 1) + "  " + catalog.SchemeNames()[i] + "  (" +
            fs::path(catalog.SchemeFiles()[i]).filename().string() + ")\n";
  return text;
}

bool RenderSnapshot(const TSnapshotOptions& options, std::string& error,
                    const std::function<void(TPlugForm&)>& inspect) {
  try {
    return Render(options, error, inspect);
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
}
