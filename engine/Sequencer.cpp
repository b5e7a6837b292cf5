#include "engine/Sequencer.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/KeyUtils.h"
#include "engine/PositionText.h"
#include "engine/ProgramStore.h"
#include "engine/StepNotes.h"

namespace {

int RoundHalfEven(double x) { return static_cast<int>(std::nearbyint(x)); }

bool Take(std::atomic<bool>& flag) {
  return flag.load(std::memory_order_relaxed) && flag.exchange(false, std::memory_order_relaxed);
}

}  // namespace

// ---- A block ----------------------------------------------------------------------------------

std::span<const TMidiOut> TArpSequencer::ProcessBlock(int frames, int lateSamples, const THostTime* time,
                                                      std::span<const TMidiEvent> input) {
  store_.EnsureCurrent();
  SetFrame(0);
  TMidiMsg msg;
  while (editorMidi_.Pop(msg)) out_.Emit(msg.status, msg.channel, msg.data1, msg.data2);

  // The own clock counts the samples of blocks that found the engine busy; what they held plays
  // at the start of this one.
  clock_.CatchUp(lateSamples);
  TakeTime(time);
  TakeBlockSettings();
  if (!Quiet(frames, input.empty())) Walk(frames, input);
  clock_.EndBlock(frames, block_.Sync, ClockIdle());
  SetFrame(0);
  playingShown_.store(clock_.Playing(), std::memory_order_relaxed);
  chains_.Publish();
  return out_.Finish();
}

bool TArpSequencer::Quiet(int frames, bool noInput) {
  // A block in which nothing can happen: no input, nothing changed since the last block found
  // that nothing is due before a raw position, and the whole block lies between the last
  // reading and that position (a host that jumped back, or on past it, is worked through).
  if (!quietValid_ || !noInput || transportChanged_ || keyEvent_ || releaseArpNotes_ ||
      releaseAll_.load(std::memory_order_relaxed) || chains_.SwitchRequested() || clock_.KeyWaiting() ||
      clock_.RestartWaiting() || settingsVersion_ != quietVersion_ || clock_.SamplesPerStep() != quietSamplesPerStep_)
    return false;
  return clock_.BlockWithin(quietFrom_, quietUntil_, frames);
}

void TArpSequencer::Walk(int frames, std::span<const TMidiEvent> input) {
  inBlock_ = true;

  // The walk: the messages of a frame, then what the clock has due there. Messages that leave
  // keys, programs and sounding notes as they were (controllers, bend, pressure) need no new
  // reading of the clock.
  const int inputCount = input.empty() ? 0 : OrderInput(input);
  const int lastFrame = std::max(0, frames - 1);
  auto frameOf = [&](int position) { return std::clamp(InputAt(input, position).frame, 0, lastFrame); };
  int nextInput = 0;
  auto takeInputAt = [&](int frame) {
    bool clockTouched = false;
    for (; nextInput < inputCount && std::max(frameOf(nextInput), frame) == frame; ++nextInput)
      clockTouched |= Handle(InputAt(input, nextInput).msg);
    if (clockTouched) TakeBlockSettings();  // a program change takes effect at its frame
    return clockTouched;
  };
  takeInputAt(0);
  TClockReading reading = StepAt(0, true, nullptr);
  TClockReading next;
  int readFrame = 0;
  double quietFrames = -1;
  int clockFrame = NextEventFrame(0, reading, frames, next, &quietFrames);
  for (;;) {
    const int inputFrame = nextInput < inputCount ? frameOf(nextInput) : frames;
    const int frame = std::min(clockFrame, inputFrame);
    if (frame >= frames) break;
    SetFrame(frame);
    const bool clockTouched = frame == inputFrame && takeInputAt(frame);
    if (frame == clockFrame || clockTouched) {
      reading = StepAt(frame, false, !clockTouched && next.frame == frame ? &next : nullptr);
      next = TClockReading{};
      readFrame = frame;
      clockFrame = NextEventFrame(frame, reading, frames, next, &quietFrames);
    }
  }
  inBlock_ = false;

  // What the last reading says of the blocks to come: nothing is due before this position.
  quietValid_ = quietFrames >= 0 && !clock_.KeyWaiting() && !ClockIdle();
  quietFrom_ = clock_.RawPosition(readFrame);
  quietUntil_ = quietFrom_ + quietFrames / clock_.SamplesPerStep();
  quietVersion_ = settingsVersion_;
  quietSamplesPerStep_ = clock_.SamplesPerStep();
}

void TArpSequencer::TakeTime(const THostTime* time) {
  // Keys active with the transport stopped and no own clock (the arpeggiator was switched on
  // over held keys, or the clock stopped under latched keys): the own clock starts now, as it
  // would have for their key-down. Without it a step could play with no clock to end it.
  if (clock_.Parked() && keys_.ActiveCount() > 0 && store_.GetParam(tagArpEnabled) == 1) {
    clock_.StartOwnClock(0, false);
    chains_.Restart();
  }
  transportChanged_ = clock_.TakeTime(time);
  if (transportChanged_) {
    stepChanged_.store(true, std::memory_order_relaxed);
    if (!clock_.Playing()) keys_.Reset(true);
    // Notes of the old clock have no position to reach their ends in the new one.
    releaseArpNotes_ = true;
    // Keys pressed (or latched) while the transport was parked restart the pattern where the
    // transport starts.
    if (clock_.Playing() && store_.GetParam(tagRestartOnKey) == 1 && keys_.ActiveCount() > 0)
      clock_.RestartAtBlockStart();
  }
  clock_.TakePendingRestart();
}

int TArpSequencer::QuantizeLength(int value) const {
  if (value <= 0) return 0;
  if (value <= 4) return value;
  return RoundHalfEven((value - 4) * kSyncRateTable[block_.Sync]);
}

void TArpSequencer::TakeBlockSettings() {
  // Read again only when a setting or the program in force changed since.
  const uint32_t version = store_.Version();
  if (version != settingsVersion_) {
    settingsVersion_ = version;
    ReadBlockSettings();
  }
  clock_.TakeRate(block_.Sync);
}

void TArpSequencer::ReadBlockSettings() {
  // Read straight from the rows: a program is current, its row and the global settings hold
  // values in their ranges (the clamps below are for the table lookups all the same).
  const int row = std::max(0, store_.CurrentProgram());
  auto program = [&](int tag) { return static_cast<int>(store_.LoadByte(row, tag)); };
  auto global = [&](int tag) { return static_cast<int>(store_.LoadByte(0, tag)); };
  block_.Steps = std::clamp(program(tagSteps), 1, kMaxSteps);
  block_.Sync = std::clamp(program(tagSync), 0, 11);
  block_.InQuantizeLen = QuantizeLength(program(tagInQuantize));
  block_.OutChannel = std::clamp(global(tagMIDIOut_Ch) - 1, 0, 15);
  block_.ChainQuantizeLen = QuantizeLength(global(tagChainQuantize));
  block_.RestartOnKey = program(tagRestartOnKey);
  block_.Gate = program(tagGate);
  block_.Swing = std::clamp(program(tagSwing), -50, 50);
  block_.ScaleRoot = program(tagForceScale_Key) - 1;
  block_.Scale = program(tagForceScale) - 1;
  block_.FollowChord = program(tagFollowChord) != 0;
  block_.LockPage = program(tagLockPage) != 0;
  // A page beyond the pattern plays the last page the pattern covers.
  block_.SelectedPage = std::clamp(program(tagSelectedPage), 0, (block_.Steps - 1) / 16);
}

bool TArpSequencer::ClockIdle() const {
  // Keys held with the arpeggiator off still show the step of the host's parked position and
  // the keys that step would take.
  if (clock_.Playing() || clock_.KeyWaiting()) return false;
  if (keys_.ActiveCount() == 0) return true;
  return !clock_.OwnClockRunning() && store_.GetParam(tagArpEnabled) == 1;
}

bool TArpSequencer::SomethingHappens(const TClockReading& r) const {
  if (clock_.IsNewStep(r)) return true;
  for (int i = 0; i < outPool_.Count; ++i)
    if (r.stepPos >= outPool_.Keys[i].EndPos) return true;
  return false;
}

int TArpSequencer::NextEventFrame(int frame, const TClockReading& r, int blockFrames, TClockReading& at,
                                  double* quietFrames) const {
  if (quietFrames != nullptr) *quietFrames = -1;
  const int keyWaitEnd = clock_.KeyWaitEndFrame(frame, blockFrames);
  if (ClockIdle()) return keyWaitEnd;

  double ahead = r.framesToBoundary;
  for (int i = 0; i < outPool_.Count; ++i) {
    const double toEnd = static_cast<double>(outPool_.Keys[i].EndPos) - r.stepPos;
    if (toEnd <= 0)
      ahead = 0;  // started on this frame and already due: it ends on the next
    else if (toEnd <= r.toBoundary)
      ahead = std::min(ahead, r.lagFrames + toEnd * r.framesPerStep);
  }
  // Nothing can happen before the estimate less a frame. From the estimate, read the clock back
  // to the first frame at which something happens, or on to it: once something is due it stays
  // due until it is done.
  if (quietFrames != nullptr) *quietFrames = std::max(0.0, ahead - 1.0);
  const int last = keyWaitEnd - 1;
  if (last <= frame || frame + ahead - 1.0 > last) return keyWaitEnd;
  int f = static_cast<int>(std::clamp(std::ceil(frame + ahead), static_cast<double>(frame + 1), static_cast<double>(last)));
  at = clock_.Read(f, block_);
  if (SomethingHappens(at)) {
    while (f - 1 > frame) {
      const TClockReading before = clock_.Read(f - 1, block_);
      if (!SomethingHappens(before)) break;
      at = before;
      --f;
    }
    return f;
  }
  while (++f <= last) {
    at = clock_.Read(f, block_);
    if (SomethingHappens(at)) return f;
  }
  return keyWaitEnd;
}

void TArpSequencer::TakeReading(const TClockReading& r) {
  clock_.Take(r, block_);
  // With restart on key and no key held, no step is shown playing.
  displayStep_ = !r.running || (keys_.ActiveCount() == 0 && block_.RestartOnKey == 1) ? -1 : r.curStep;
}

TClockReading TArpSequencer::StepAt(int frame, bool blockStart, const TClockReading* known) {
  SetFrame(frame);
  bool releaseAll = false;
  if (blockStart) {
    releaseAll = Take(releaseAll_);
    clock_.StartSeam(block_.Sync, transportChanged_, ClockIdle());
  }
  if (clock_.KeyWaitEndsBy(frame)) {
    // A second without keys: the own clock stops and every note ends.
    clock_.StopOwnClock();
    releaseAll = true;
    stepChanged_.store(true, std::memory_order_relaxed);
    statusDirty_.store(true, std::memory_order_relaxed);
  }

  TClockReading reading;
  if (ClockIdle()) {
    // No clock moves the pattern now (latched keys released by a setting, keys forgotten by a
    // program change), so nothing would ever end a sounding note: all end here.
    if (outPool_.Count > 0) releaseArpNotes_ = true;
    clock_.StopOwnClock();
    clock_.ForgetStep();
    displayStep_ = -1;
    chains_.Restart();
  } else {
    reading = known != nullptr ? *known : clock_.Read(frame, block_);
    TakeReading(reading);
  }
  if (block_.RestartOnKey == 0) clock_.ClearRestart();
  ReleaseNotes(releaseAll, blockStart && transportChanged_);
  if (chains_.Check(store_, out_, block_, clock_)) {
    // The new program's first step plays with its own settings, at its own position.
    TakeStoreChanges();
    TakeBlockSettings();
    if (!ClockIdle()) {
      reading = clock_.Read(frame, block_);
      TakeReading(reading);
    }
  }
  // Without input quantize a key pressed inside a step plays the step's notes at once.
  if (clock_.NewStep() || (keyEvent_ && block_.InQuantizeLen == 0)) GenerateAndSend();
  keyEvent_ = false;
  if (clock_.NewStep()) {
    stepChanged_.store(true, std::memory_order_relaxed);
    statusDirty_.store(true, std::memory_order_relaxed);
    clock_.MarkStepPlayed(frame);
  }
  return reading;
}

void TArpSequencer::ReleaseNotes(bool releaseAll, bool transportChanged) {
  if (releaseAll || transportChanged) {
    keys_.ReleaseThru(out_);
    statusDirty_.store(true, std::memory_order_relaxed);
  }
  const bool releaseArp = releaseAll || releaseArpNotes_;
  releaseArpNotes_ = false;
  const bool keysGone = block_.InQuantizeLen == 0 && keys_.ActiveCount() == 0;
  for (int i = outPool_.Count - 1; i >= 0; --i) {
    const TKeyRec key = outPool_.Keys[i];
    if (clock_.StepPos() >= key.EndPos || clock_.Wrapped() || releaseArp || keysGone) {
      // A note generated again while it sounded holds one entry with several holds and the
      // latest end; all of them are due now. Releasing one hold per block would leave the entry
      // behind and silence the pitch from then on.
      outPool_.ReleaseKey(key);
      out_.Emit(0x80, outChannel_[key.Note], key.Note, key.Velocity);
      statusDirty_.store(true, std::memory_order_relaxed);
    }
  }
}

void TArpSequencer::GenerateAndSend() {
  const int s = clock_.CurStep();
  const int row = store_.CurrentProgram();
  auto program = [&](int tag) { return static_cast<int>(store_.LoadByte(row, tag)); };
  TStepContext ctx;
  int8_t stepModes[kMaxSteps];
  for (int j = 0; j < kMaxSteps; ++j) stepModes[j] = store_.LoadByte(row, tagStep_mode + j);
  const int at = std::clamp(s, 0, kMaxSteps - 1);
  ctx.info.keySelect = program(tagKey_select + at);
  ctx.info.missingKey = program(tagMissing_key);
  ctx.info.stepType = stepModes[at];
  ctx.info.steps = block_.Steps;
  ctx.info.sync = block_.Sync;
  ctx.info.order = program(tagSortOrder);
  ctx.info.fixedKey = program(tagFixed_key);
  ctx.info.quantize = block_.InQuantizeLen;
  ctx.info.restart = block_.RestartOnKey;
  ctx.info.semitone = program(tagSemitone + at);
  ctx.info.octave = program(tagOctave + at);
  ctx.info.velocity = program(tagVelocity + at);
  ctx.info.gate = block_.Gate;
  ctx.step = s;
  ctx.stepCount = clock_.StepCount();
  ctx.arpEnabled = store_.LoadByte(0, tagArpEnabled) != 0;
  ctx.followChord = &block_.FollowChord;
  ctx.transform = TransformSettings();
  ctx.stepModes = stepModes;

  TKeyList notes;
  const int count = GenerateStepNotes(keys_.Filter(), ctx, notes);
  if (count <= 0 || notes[0].Count == 0) return;
  TKeyList sent{};
  for (int i = 0; i < std::min(count, 5) && notes[i].Count != 0; ++i) {
    TKeyRec key = MakeKey(notes[i].Note, notes[i].Velocity);
    key.EndPos = notes[i].EndPos;
    bool sounding = false;
    for (int j = 0; j < outPool_.Count; ++j) sounding |= outPool_.Keys[j].Note == key.Note;
    if (!sounding && !out_.RoomForNoteOn()) continue;  // a note that cannot start is not kept either
    if (outPool_.AddKey(key)) {
      outChannel_[key.Note] = static_cast<uint8_t>(block_.OutChannel);
      out_.Emit(0x90, block_.OutChannel, key.Note, key.Velocity);
    }
    sent[i] = key;
  }
  statusDirty_.store(true, std::memory_order_relaxed);
  noteOutKeys_ = sent;
}

TTransformSettings TArpSequencer::TransformSettings() const {
  // Read from the current program's row (a program is current wherever notes are made).
  const int row = std::max(0, store_.CurrentProgram());
  TTransformSettings t;
  t.scaleRoot = store_.LoadByte(row, tagForceScale_Key) - 1;
  t.scale = store_.LoadByte(row, tagForceScale) - 1;
  t.transpOct = store_.LoadByte(row, tagMTransp_oct);
  t.transpSemi = store_.LoadByte(row, tagMTransp_semi);
  t.outLow = store_.LoadByte(row, tagOutRange_Low);
  t.outHigh = store_.LoadByte(row, tagOutRange_High);
  return t;
}

// ---- Incoming messages ---------------------------------------------------------------------------

int TArpSequencer::OrderInput(std::span<const TMidiEvent> input) {
  // Hosts hand their lists in frame order; anything else is sorted by frame here.
  const int count = static_cast<int>(std::min<size_t>(input.size(), static_cast<size_t>(std::numeric_limits<int>::max())));
  inputSorted_ = true;
  for (int i = 1; i < count && inputSorted_; ++i) inputSorted_ = input[i - 1].frame <= input[i].frame;
  if (inputSorted_ || count > kMaxBlockInput) {
    inputSorted_ = true;
    return count;
  }
  for (int i = 0; i < count; ++i) inputOrder_[i] = static_cast<uint16_t>(i);
  std::sort(inputOrder_.begin(), inputOrder_.begin() + count, [&](uint16_t a, uint16_t b) {
    const int32_t fa = input[a].frame, fb = input[b].frame;
    return fa != fb ? fa < fb : a < b;
  });
  inputSorted_ = false;
  return count;
}

void TArpSequencer::TakeQueuedMidi() {
  TMidiMsg msg;
  while (queuedMidi_.Pop(msg)) Handle(msg);
}

bool TArpSequencer::Handle(const TMidiMsg& msg) {
  Disturb();
  store_.EnsureCurrent();
  // The arpeggiator switched since the last block ends what sounded before the switch now, so
  // that a key arriving after it, as a thru note, is not cut by the block that follows.
  const bool releasedAll = Take(releaseAll_);
  if (releasedAll) ReleaseNotes(true, false);
  if (!keys_.Admits(msg, store_.GetParam(tagMIDIIn_Ch))) return releasedAll;
  const int outChannel = std::clamp(store_.GetParam(tagMIDIOut_Ch) - 1, 0, 15);
  switch (msg.status) {
    case 0x90:
      if (msg.data2 > 0) {
        if (msg.data1 < store_.GetParam(tagInRange_Low) || msg.data1 > store_.GetParam(tagInRange_High))
          return releasedAll;
        KeyDown(msg);
        return true;
      }
      [[fallthrough]];  // a note-on with velocity 0 is a note-off
    case 0x80:
      KeyUp(msg);
      return true;
    case 0xC0:
      SelectProgram(std::min<int>(msg.data1, kNumPrograms - 1));
      return true;
    case 0xB0:
      if (msg.data1 == kAllSoundOff || msg.data1 == kAllNotesOff) {
        AllNotesOff(msg, outChannel);
        return true;
      }
      if (msg.data1 == 1) out_.Emit(0xB0, outChannel, 1, msg.data2);
      return releasedAll;
    case 0xE0:
    case 0xA0:
    case 0xD0:
      out_.Emit(msg.status, outChannel, msg.data1, msg.data2);
      return releasedAll;
    default:
      return releasedAll;
  }
}

void TArpSequencer::KeyDown(const TMidiMsg& msg) {
  const bool arpEnabled = store_.GetParam(tagArpEnabled) == 1;
  if (keys_.ActiveCount() == 0 &&
      clock_.FirstKeyDown(store_.GetParam(tagRestartOnKey) == 1, arpEnabled, frame_, inBlock_))
    chains_.Restart();
  keys_.KeyDown(msg.data1, msg.data2, msg.channel, store_.GetParam(tagLatch));
  keyEvent_ = true;
  if (!arpEnabled && store_.GetParam(tagMIDIThruOn) == 1) {
    const int outChannel = std::clamp(store_.GetParam(tagMIDIOut_Ch) - 1, 0, 15);
    const int pitch = keys_.ThruOn(msg.data1, msg.data2, outChannel, TransformSettings(), out_);
    if (pitch >= 0) {
      noteOutKeys_ = TKeyList{};
      noteOutKeys_[0] = MakeKey(pitch, msg.data2);
    }
  }
  statusDirty_.store(true, std::memory_order_relaxed);
}

void TArpSequencer::KeyUp(const TMidiMsg& msg) {
  keys_.KeyUp(msg.data1, msg.data2, store_.GetParam(tagLatch), out_);
  if (clock_.KeyUp(keys_.ActiveCount() == 0, store_.GetParam(tagRestartOnKey) == 1, frame_)) releaseArpNotes_ = true;
  statusDirty_.store(true, std::memory_order_relaxed);
}

void TArpSequencer::AllNotesOff(const TMidiMsg& msg, int outChannel) {
  // A host's panic: every key goes, held or latched (the Latch setting stays as it is), every
  // note sounding ends now, and the own clock stops. The controller then goes on to the
  // instrument, which may hold sounds of its own.
  keys_.Reset(true);
  ReleaseNotes(true, false);
  if (!clock_.Playing()) clock_.StopOwnClock();
  out_.Emit(0xB0, outChannel, msg.data1, msg.data2);
  statusDirty_.store(true, std::memory_order_relaxed);
}

void TArpSequencer::SelectProgram(int index) {
  store_.Select(index);
  TakeStoreChanges();
}

void TArpSequencer::TakeStoreChanges() {
  if (store_.TakeLatchDropped()) {
    keys_.Reset(false);
    Disturb();
  }
  if (store_.TakeChainRestored()) chains_.RequestSwitch();
}

// ---- The status panel ----------------------------------------------------------------------------

TStatusRecord TArpSequencer::BuildStatus() const {
  TStatusRecord s;
  if (clock_.Playing())
    s.Beat = FormatPosition(clock_.PpqAtStep());
  else
    s.Beat.Assign("-");
  if (displayStep_ >= 0)
    s.Step = FormatPosition(clock_.StepPosAtStep());
  else
    s.Step.Assign("-");
  s.NoteOut = FormatKeyList(noteOutKeys_);
  s.KeysPre = keys_.Filter().FormatActiveKeys();
  s.KeysPost = keys_.Filter().FormatStepKeys();
  s.Chord = keys_.Filter().FormatChord();
  return s;
}
