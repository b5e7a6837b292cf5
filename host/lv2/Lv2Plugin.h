#pragma once
// TLv2Plugin: one LV2 instance, the adapter over the engine's face. It maps the URIDs it needs,
// takes the ports the host connects, runs each block through the engine (incoming MIDI at its
// frame, the transport's positions at theirs) and writes what the engine sends into the output
// sequence; it saves and restores the bank as its state, and does for the engine what it asks
// of a format (TEngineHost). The UI (Lv2Ui.cpp) reaches it through instance-access.
#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/Plugin.h"
#include "host/boundary/FixedList.h"
#include "host/boundary/OutgoingNotes.h"
#include "host/lv2/Lv2Ports.h"
#include "host/lv2/Lv2Transport.h"

// What the UI offers the instance while it is open (the UI's thread).
class TLv2PortWriter {
 public:
  virtual void WritePort(uint32_t port, float value) = 0;
  virtual void Touch(uint32_t port, bool grabbed) = 0;

 protected:
  ~TLv2PortWriter() = default;
};

class TLv2Plugin final : public TEngineHost {
 public:
  // Null when the host lacks urid:map.
  static TLv2Plugin* Create(double sampleRate, const char* bundlePath, const LV2_Feature* const* features);
  ~TLv2Plugin();
  TLv2Plugin(const TLv2Plugin&) = delete;
  TLv2Plugin& operator=(const TLv2Plugin&) = delete;

  // ---- LV2 entries.
  void Connect(uint32_t port, void* data);
  void Activate();
  void Run(uint32_t frames);
  void Deactivate();
  LV2_State_Status Save(LV2_State_Store_Function store, LV2_State_Handle handle);
  LV2_State_Status Restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);
  uint32_t SetOptions(const LV2_Options_Option* options);

  // ---- The UI (its thread).
  TPlugin& Face() { return *plugin; }
  // The engine reference the editor's form binds to.
  void* EditorEngineRef() { return &editorEngine; }
  void AttachUi(TLv2PortWriter* writer) { ui.store(writer); }
  // Only the UI attached last lets go (a host may open a second UI before closing the first).
  void DetachUi(TLv2PortWriter* writer) { ui.compare_exchange_strong(writer, nullptr); }
  // The value the host's control port holds now; false when the port is not connected.
  bool HostPortValue(uint32_t port, float& value) const {
    if (port >= kPortCount || controls[port] == nullptr) return false;
    value = *controls[port];
    return true;
  }
  // Checks that a handle a host passed is an instance of this plug-in.
  bool IsInstance() const { return magic == kMagic; }

  // ---- What the engine asks of the format.
  void AutomateParam(int tag, float value) override;
  void BeginParamEdit(int tag) override;
  void EndParamEdit(int tag) override;
  // Names or the program in force changed by the editor (or a file it loaded): the host hears
  // that the state changed, unless it is restoring that state itself.
  void ProgramListChanged() override;

 private:
  struct TUris;
  TLv2Plugin(double sampleRate, const LV2_URID_Map* map);
  void MapUris(const LV2_URID_Map* map);
  void LoadFactoryBank(const char* bundlePath);
  void TakeControlPorts();
  void QueueInput(const TMidiEvent& event);
  void RunSegment(uint32_t from, uint32_t until, bool last);
  void BeginOutput();
  void AppendOutput(uint32_t offset, std::span<const TMidiOut> sent);
  // state:StateChanged at the block's first frame, when an edit the ports do not carry waits to
  // be told and the output has room for it (else it waits for the next block).
  void AppendStateChanged();
  // One message at the end of the output sequence; false when it does not fit.
  bool WriteEvent(int64_t frame, uint8_t status, uint8_t data1, uint8_t data2);
  void TrackKey(const TMidiMsg& msg);
  void QueueReleaseOfHeldKeys();
  LV2_State_Status ApplyState(const void* value, size_t size, bool program);

  static constexpr uint32_t kMagic = 0x4D6C7632;  // "Mlv2"
  static constexpr int kMaxInput = 4096;          // incoming messages kept for one segment

  uint32_t magic = kMagic;
  std::unique_ptr<TPlugin> plugin;
  TPlugCore* editorEngine = nullptr;  // its address is the engine reference handed to the editor form
  std::unique_ptr<TUris> uris;
  TPositionKeys positionKeys;
  TLv2Transport transport;

  // Ports; null until connected.
  const LV2_Atom_Sequence* midiIn = nullptr;
  LV2_Atom_Sequence* midiOut = nullptr;
  uint8_t* midiOutBytes = nullptr;  // the same buffer, as the bytes it is
  std::array<const float*, kPortCount> controls{};
  std::array<float, kPortCount> lastControl{};  // the value each control port had at the last block
  bool adoptPorts = false;     // the next block only notes the ports' values (after a restored state)

  // Audio thread.
  TFixedList<TMidiEvent, kMaxInput> input;
  TFixedList<TMidiEvent, kMaxInput> carried;  // messages on a position's frame, for the segment after it
  int outRoom = 0;             // messages the output sequence still takes in this block
  TOutgoingNotes outgoing;     // the notes sent and not yet ended, and the offs owed
  uint32_t sequenceBytes = 0;  // the host's sequence buffers' size (bufsz:sequenceSize), 0 unknown
  std::array<std::array<uint8_t, 128>, 16> keysDown{};  // the keys the host has held down, by channel
  bool releaseKeys = false;  // the next block lets go of the keys held before a deactivation

  std::atomic<TLv2PortWriter*> ui{nullptr};
  std::atomic<bool> stateChanged{false};  // the UI's thread to the next block
  bool restoring = false;                 // inside Restore
};
