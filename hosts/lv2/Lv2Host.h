#pragma once
// The LV2 host the tests and benchmarks play the bundle with, on liblilv. It finds the plug-in
// by its URI in a temporary LV2_PATH that holds only the built bundle, maps URIDs, gives each
// port a buffer, sends sequences of MIDI, time:Position objects and other atoms at their frames,
// reads the output sequence back, saves and restores state (through the plug-in's state
// interface directly and through lilv's state files), applies presets, and runs the UI in a
// window the caller gives.
//
//   lv2host::Host h;
//   if (!h.Start(44100, 512)) FAIL() << h.LastError();
//   h.SendPosition(0, {.bpm = 120, .speed = 1});
//   h.SendMidi(0, {0x90, 60, 100});
//   h.RunBlock(512);
//   for (const lv2host::MidiOut& m : h.Out()) ...
#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace lv2host {

constexpr const char* kPluginUri = "urn:moltrin:arpeggiator";

// The built bundle (MOLTRIN_LV2_BUNDLE in the environment, else the build's own).
std::string DefaultBundle();

// The fields of a time:Position; those not set are left out of the object.
struct Position {
  std::optional<double> bpm, speed, bar, barBeat, beatsPerBar, beatUnit, beat;
  std::optional<int64_t> frame;  // the transport's position in frames
};

// One message the plug-in sent: its block (0 = the first RunBlock), frame and bytes.
struct MidiOut {
  int block = 0;
  int64_t frame = 0;
  uint8_t bytes[3] = {};
  uint32_t size = 0;
  int Status() const { return bytes[0] & 0xF0; }
  bool IsNoteOn() const { return Status() == 0x90 && bytes[2] != 0; }
  bool IsNoteOff() const { return Status() == 0x80 || (Status() == 0x90 && bytes[2] == 0); }
};

// A state property as the plug-in stored it.
struct Property {
  std::string key, type;
  uint32_t flags = 0;
  std::vector<uint8_t> value;
};

struct PortWrite {
  uint32_t port = 0;
  float value = 0;
};

struct Features {
  bool map = true;       // urid:map (the plug-in requires it)
  bool options = true;   // options with the sample rate and block lengths
};

class Host {
 public:
  explicit Host(std::string bundle = DefaultBundle());
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // Finds the plug-in, instantiates it, connects every port and activates it. False with the
  // reason in LastError.
  bool Start(double sampleRate = 44100, int maxBlock = 8192, Features features = {});
  const std::string& LastError() const { return error; }
  const LilvPlugin* Plugin() const { return plugin; }
  LilvWorld* World() const { return world; }
  LilvInstance* Instance() const { return instance; }
  LV2_URID Map(const std::string& uri);
  std::string Unmap(LV2_URID id);
  const char* UnmapText(LV2_URID id);  // valid as long as the host

  // ---- Ports.
  uint32_t PortCount() const { return static_cast<uint32_t>(controls.size()); }
  int PortIndex(const std::string& symbol) const;  // -1 when there is none
  std::string PortSymbol(uint32_t port) const;
  bool IsControlInput(uint32_t port) const;
  float Control(uint32_t port) const { return controls[port]; }
  // Sets a control port as the host's generic view does (and tells an open UI).
  void SetControl(uint32_t port, float value);
  void SetControl(const std::string& symbol, float value);
  // Connects a port to `data` (null included) instead of the host's buffer.
  void ConnectRaw(uint32_t port, void* data);
  void ReconnectAll();
  // The bytes the output sequence's body may take in the next blocks (default: the port's
  // minimum size).
  void SetOutputCapacity(uint32_t bytes);

  // ---- The next block's input, in the order added (the host keeps the order it is given).
  void SendMidi(int64_t frame, std::initializer_list<uint8_t> bytes);
  void SendMidi(int64_t frame, const std::vector<uint8_t>& bytes);
  void SendPosition(int64_t frame, const Position& position);
  // The body of a time:Position object (an atom:Object), for SendAtom.
  std::vector<uint8_t> PositionBody(const Position& position);
  void SendAtom(int64_t frame, LV2_URID type, const std::vector<uint8_t>& body);
  // Runs one block of `frames` frames with the input added since the last, then records the
  // output.
  void RunBlock(uint32_t frames);
  // The same without keeping the output: counts its events only (benchmarks).
  void RunBlockUncounted(uint32_t frames);
  long EventsOutCounted() const { return eventsCounted; }
  void Activate();
  void Deactivate();
  int BlocksRun() const { return blocksRun; }
  std::vector<MidiOut> Out() const { return out; }
  int OtherOutputEvents() const { return otherOut; }  // output events that were no MIDI
  int StateChangedEvents() const { return stateChanges; }  // state:StateChanged objects among them
  void ClearOut() { out.clear(); }

  // ---- State.
  // Through the plug-in's state interface: the properties it stores, and a restore from any
  // list of them (the status the plug-in answers).
  std::vector<Property> SaveProperties();
  int RestoreProperties(const std::vector<Property>& properties);
  // Through lilv, as hosts keep sessions: the state (port values with it) as Turtle text, and
  // a restore of such a text.
  std::string SaveStateText();
  bool RestoreStateText(const std::string& text);

  // ---- Presets: their URIs and labels, and one applied as a host applies it.
  std::vector<std::pair<std::string, std::string>> Presets();
  bool ApplyPreset(const std::string& uri);

  // ---- The UI, embedded in `parent` (an X window id); `scaleFactor` > 0: the ui:scaleFactor
  // option the host tells it.
  bool OpenUi(void* parent, float scaleFactor = 0);
  bool UiOpen() const { return ui != nullptr; }
  int IdleUi();  // the UI's idle answer; -1 without a UI
  void CloseUi();
  std::vector<PortWrite> UiWrites() const;
  std::vector<std::pair<uint32_t, bool>> UiTouches() const;
  int UiWidth() const { return uiWidth; }
  int UiHeight() const { return uiHeight; }
  void ClearUiRecords();

 private:
  struct UiState;
  static void Write(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t protocol, const void* buffer);
  void Append(int64_t frame, LV2_URID type, const void* body, uint32_t size);
  void ReadOutput();

  std::string bundle, error;
  LilvWorld* world = nullptr;
  const LilvPlugin* plugin = nullptr;
  LilvInstance* instance = nullptr;
  double sampleRate = 44100;
  int maxBlock = 8192;

  std::mutex mapLock;
  std::map<std::string, LV2_URID> ids;
  std::deque<std::string> uris;  // stable: unmap hands out pointers into it
  LV2_URID_Map map{};
  LV2_URID_Unmap unmap{};
  std::vector<LV2_Feature> featureList;
  std::vector<const LV2_Feature*> features;
  struct OptionValues {
    float rate = 0;
    int32_t minBlock = 0, maxBlock = 0, nominal = 0, sequence = 0;
  } optionValues;
  std::vector<uint8_t> optionsBuffer;

  std::vector<float> controls;
  std::vector<uint64_t> inBuffer, outBuffer;  // 8-byte aligned atoms
  uint32_t inPort = 0, outPort = 1;
  uint32_t outCapacity = 0;
  int blocksRun = 0;
  std::vector<MidiOut> out;
  int otherOut = 0;
  int stateChanges = 0;
  long eventsCounted = 0;

  std::unique_ptr<UiState> ui;
  int uiWidth = 0, uiHeight = 0;
};

}  // namespace lv2host
