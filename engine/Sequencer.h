#pragma once
// TArpSequencer: the real-time part of the engine. A block is worked through event by event: the
// clock is read at the block's start, the frame of the next thing that can happen (an incoming
// message, a step boundary, a note's end, the end of the key wait) is found, and there the
// incoming messages go first, then the step: notes due end, the chain moves on, the step's
// notes are made and sent. A key released on a step boundary therefore does not play on it; a
// key pressed there does.
//
// Threads. Everything but the requests and the rings is the audio thread's, under the engine
// lock (or the lock's holder's, for messages queued while the audio thread could not take it).
#include <array>
#include <atomic>
#include <cstdint>
#include <span>

#include "engine/Chains.h"
#include "engine/Clock.h"
#include "engine/KeyInput.h"
#include "engine/KeyPool.h"
#include "engine/MidiOut.h"
#include "engine/MidiTypes.h"
#include "engine/ShortText.h"
#include "engine/SpscRing.h"

class TProgramStore;

// The texts of the status panel.
struct TStatusRecord {
  ShortText Beat;      // "Beat:"
  ShortText Step;      // "Step:"
  ShortText NoteOut;   // notes sent for the current step
  ShortText KeysPre;   // "In keys pre-filter:"
  ShortText KeysPost;  // "In keys post-filter:"
  ShortText Chord;     // "Detected chord:"
};

class TArpSequencer {
 public:
  explicit TArpSequencer(TProgramStore& store) : store_(store) {}
  TArpSequencer(const TArpSequencer&) = delete;
  TArpSequencer& operator=(const TArpSequencer&) = delete;

  static constexpr int kMaxBlockInput = 8192;  // messages of one block sorted by frame

  // ---- Under the engine lock.
  // One block: the host's time (null: none), the messages that arrived for it, and the samples
  // of blocks that found the engine busy. Answers the messages to send, in order, valid until
  // the next block.
  std::span<const TMidiOut> ProcessBlock(int frames, int lateSamples, const THostTime* time,
                                         std::span<const TMidiEvent> input);
  // One message outside a block: it takes effect at the start of the next one.
  void HandleMidi(const TMidiMsg& msg) { Handle(msg); }
  // Messages that waited while another thread held the engine.
  void TakeQueuedMidi();
  void SetSampleRate(double rate) {
    clock_.SetSampleRate(rate);
    Disturb();
  }
  // Latch went off: the keys it held are let go.
  void ReleaseLatch() {
    keys_.ReleaseLatch();
    Disturb();
  }
  // After the rows changed under the lock: keys a dropped latch held are forgotten, and a chain
  // a bank put in force is switched to.
  void TakeStoreChanges();
  // The step shown as playing (-1: none), and the status panel's texts.
  int DisplayStep() const { return displayStep_; }
  TStatusRecord BuildStatus() const;

  // ---- Audio thread, without the lock.
  // A message the lock's holder takes before the next block; false when the queue is full.
  bool QueueMidi(const TMidiMsg& msg) { return queuedMidi_.Push(msg); }
  bool MidiQueued() const { return !queuedMidi_.Empty(); }
  // Orders a list by frame, keeping the list's order within a frame; the order is then read
  // through InputAt. A list too long to sort is taken in its own order.
  int OrderInput(std::span<const TMidiEvent> input);
  const TMidiEvent& InputAt(std::span<const TMidiEvent> input, int position) const {
    return input[inputSorted_ ? position : inputOrder_[position]];
  }

  // ---- Any thread.
  // A message from the editor; it leaves with the next block (editor thread).
  bool SendEditorMidi(uint8_t message, uint8_t channel, uint8_t data1, uint8_t data2) {
    return editorMidi_.Push(TMidiMsg{channel, message, data1, data2});
  }
  // Every sounding note ends with the next block (the arpeggiator was switched).
  void RequestReleaseAll() { releaseAll_.store(true, std::memory_order_relaxed); }
  bool ReleaseAllRequested() const { return releaseAll_.load(std::memory_order_relaxed); }
  TChainPlayer& Chains() { return chains_; }
  const TChainPlayer& Chains() const { return chains_; }
  bool TakeStepChanged() { return stepChanged_.exchange(false, std::memory_order_acq_rel); }
  // The status texts and the playing step are handed to the editor anew, changed or not.
  void MarkStatusAndStep() {
    statusDirty_.store(true, std::memory_order_relaxed);
    stepChanged_.store(true, std::memory_order_relaxed);
  }
  bool TakeStatusDirty() { return statusDirty_.exchange(false, std::memory_order_acq_rel); }
  bool IsPlaying() const { return playingShown_.load(std::memory_order_relaxed); }

  // ---- For tests that check the keys and the step (under the lock).
  const TKeyInput& Keys() const { return keys_; }
  int CurStep() const { return clock_.CurStep(); }
  const TArpClock& Clock() const { return clock_; }
  bool TransportChanged() const { return transportChanged_; }

 private:
  // True when the message may have changed what the clock has due: keys, the program, the
  // sounding notes.
  bool Handle(const TMidiMsg& msg);
  void KeyDown(const TMidiMsg& msg);
  void KeyUp(const TMidiMsg& msg);
  // Controllers 120 ("all sound off") and 123 ("all notes off").
  static constexpr int kAllSoundOff = 120, kAllNotesOff = 123;
  void AllNotesOff(const TMidiMsg& msg, int outChannel);
  void SelectProgram(int index);
  void TakeTime(const THostTime* time);
  void TakeBlockSettings();  // also the step length, from the rate, tempo and sample rate
  void ReadBlockSettings();
  int QuantizeLength(int value) const;
  // With the transport stopped only the own clock moves the pattern, and only over keys.
  bool ClockIdle() const;
  bool SomethingHappens(const TClockReading& reading) const;
  // The first frame after `frame` at which a step begins, a note ends or the key wait ends;
  // blockFrames when there is none in the block. `at` receives the clock read there;
  // `quietFrames`, when given, how many frames after `frame` nothing can happen (-1: unknown).
  int NextEventFrame(int frame, const TClockReading& reading, int blockFrames, TClockReading& at,
                     double* quietFrames = nullptr) const;
  // The block's input and what the clock has due, frame by frame.
  void Walk(int frames, std::span<const TMidiEvent> input);
  // True when nothing can happen in the block (see Sequencer.cpp).
  bool Quiet(int frames, bool noInput);
  // Keys, a program or the clock changed outside the walk: the next block is worked through.
  void Disturb() { quietValid_ = false; }
  // Everything due at one frame: releases, the chain check and the step's notes. `known` is the
  // clock already read at that frame, if any.
  TClockReading StepAt(int frame, bool blockStart, const TClockReading* known);
  void TakeReading(const TClockReading& reading);
  void ReleaseNotes(bool releaseAll, bool transportChanged);
  void GenerateAndSend();
  TTransformSettings TransformSettings() const;
  void SetFrame(int frame) {
    frame_ = frame;
    out_.SetFrame(frame);
  }

  TProgramStore& store_;
  TArpClock clock_;
  TKeyInput keys_;
  TChainPlayer chains_;
  TMidiOutList out_;
  TBlockSettings block_;
  uint32_t settingsVersion_ = ~0u;  // the store's version block_ was read at
  TKeyPool outPool_;                        // arpeggiator notes sounding
  std::array<uint8_t, 128> outChannel_{};  // the channel each sounding arpeggiator pitch went out on
  TKeyList noteOutKeys_{};                  // the notes last sent, named for the status panel
  int displayStep_ = -1;
  bool transportChanged_ = false;
  bool releaseArpNotes_ = false;  // the clock stopped or the transport moved: every arpeggiator note ends
  bool keyEvent_ = false;         // a key went down since the step was last looked at
  int frame_ = 0;                 // frame of the block being worked on; 0 outside a block
  // From the last block worked through: nothing is due between these raw positions, as long as
  // neither the settings nor the step length change.
  bool quietValid_ = false;
  double quietFrom_ = 0;
  double quietUntil_ = 0;
  uint32_t quietVersion_ = 0;
  double quietSamplesPerStep_ = 0;
  bool inBlock_ = false;          // a block is being worked through: its time has been read

  std::atomic<bool> releaseAll_{false};
  std::atomic<bool> stepChanged_{false};
  std::atomic<bool> statusDirty_{false};
  std::atomic<bool> playingShown_{false};

  // The messages of the list being worked on, by position in frame order (indexes into the
  // list); used only when the list came out of frame order.
  std::array<uint16_t, kMaxBlockInput> inputOrder_{};
  bool inputSorted_ = true;
  TSpscRing<TMidiMsg, 4096> queuedMidi_;  // audio thread -> the lock's holder
  TSpscRing<TMidiMsg, 1024> editorMidi_;  // editor thread -> audio thread (status = full message)
};
