#pragma once
// TPlugin: the engine's face, what every plug-in format drives. A format's adapter makes one per
// instance with its TEngineHost, and from then on asks it for parameters, programs and state,
// hands it each block (the host's time and the incoming messages with their frames) and sends
// what the block answers. The editor binds to the engine behind it (EditorEngine), which an
// adapter passes on without knowing it.
//
// Threads: as each entry says. "Main" is the host's user-interface thread; "audio" the thread
// the host processes on; "any" either.
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "engine/EngineHost.h"
#include "engine/Identity.h"
#include "engine/MidiTypes.h"
#include "engine/ParamNames.h"
#include "engine/Realtime.h"
#include "engine/ShortText.h"

class TPlugCore;

// What a host is told of one setting.
struct TParamInfo {
  int id = -1;          // the tag: stable for good, never reused
  ShortText name;       // the catalogue's name ("Sync", "Velocity_5"), or "Param<tag>"
  int min = 0;          // the range of its stored value; the host sees it as 0..1
  int max = 0;
  int def = 0;          // the value a new program has
  bool stepped = true;  // every setting is a whole number
  bool automatable = false;  // the host may automate it (the step rows it may not)
};

class TPlugin {
 public:
  explicit TPlugin(TEngineHost* host);
  // What the engine asks of the format from now on (null: nothing).
  void SetHost(TEngineHost* host);
  ~TPlugin();
  TPlugin(const TPlugin&) = delete;
  TPlugin& operator=(const TPlugin&) = delete;

  static const TIdentity& Identity() { return kIdentity; }

  // ---- Setup (main).
  // The sample rate the own clock runs at while the host gives no time with its blocks.
  void SetSampleRate(double rate);

  // ---- Parameters (any thread).
  static constexpr int ParamCount() { return kNumParams; }
  static bool IsParam(int id) { return IsDefinedTag(id); }
  // The host may automate the settings below the step rows.
  static bool CanBeAutomated(int id) { return id >= 0 && id < 256; }
  TParamInfo ParamInfo(int id) const;
  float GetNormalized(int id) const;  // always in 0..1
  void SetNormalized(int id, float value);
  ShortText ParamName(int id) const;
  ShortText ParamDisplay(int id) const;  // the value's text ("1/16", "C5", "40")
  // The value a text names ("1/16", "c5", "40%", "on"), as 0..1; false when it names none.
  bool TextToNormalized(int id, std::string_view text, float& value) const;

  // ---- Programs (main).
  static constexpr int ProgramCount() { return kNumPrograms; }
  int CurrentProgram() const;  // -1 until one is current
  void SelectProgram(int index);
  ShortText ProgramName(int index) const;
  void SetProgramName(std::string_view name);  // of the current program

  // ---- State (main). The bank chunk holds every program with the program in force; the program
  // chunk the current program. A chunk that fails its checks changes nothing.
  // The chunk stays valid until the next call.
  int GetChunk(bool program, const void** data);
  int SetChunk(const void* data, int size, bool program);
  // The bank beside the module a fresh instance starts with, as its file holds it: the first
  // BankFileReadLimit() bytes (all of a shorter file), read by the format, which knows where the
  // file stands. Empty when it loaded; otherwise why it was refused.
  std::string LoadFactoryBank(std::span<const uint8_t> file);
  static size_t BankFileReadLimit();

  // ---- Processing (audio).
  // One block: the host's time (null when it gives none) and the messages that arrived for it,
  // each at its frame (frames outside the block are brought into it, a list out of frame order
  // is taken in frame order). Answers what the block sends, in order, each at its frame; valid
  // until the next block.
  std::span<const TMidiOut> Process(int frames, const THostTime* time, std::span<const TMidiEvent> input);
  // Messages that cannot wait for a block: they take effect at the start of the next one.
  void TakeMessagesNow(std::span<const TMidiEvent> input);

  // ---- The editor (main).
  // The engine the editor's form binds to; the adapter hands it on without knowing it.
  TPlugCore* EditorEngine() { return core.get(); }
  // Hands the bound editor what changed since the last call (its idle tick).
  void DeliverChanges();

 private:
  std::unique_ptr<TPlugCore> core;
};
