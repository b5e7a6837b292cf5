// The block clock: the host's transport (or the engine's own clock) becomes a position in the
// pattern, frame by frame. Every step that begins inside a block plays in that block at the
// frame it begins on, every note whose end lies inside the block ends at its frame, and every
// incoming message takes effect at its frame.
//
// The position of a frame is found by the same arithmetic as that of the block's first frame,
// with the frame's offset added to the host's sample position, in double precision, truncated
// to steps. A block is worked through event by event: the clock is read at the block's start,
// the frame of the next thing that can happen (an incoming message, a step boundary, a note's
// end, the end of the key wait) is estimated from the reading, and the exact frame is found by
// reading the clock again around the estimate. At one frame incoming messages go first, then
// the step: a key released on a step boundary does not play on it, a key pressed there does.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "engine/KeyUtils.h"
#include "engine/PlugCore.h"

namespace {

// Truncation toward zero that never leaves the int range, whatever a host reported.
int Trunc(double x) {
  if (!(x == x)) return 0;
  constexpr double kLimit = 2.0e9;
  return static_cast<int>(std::clamp(x, -kLimit, kLimit));
}

int RoundHalfEven(double x) { return static_cast<int>(std::nearbyint(x)); }

bool Sane(double x, double lo, double hi) { return std::isfinite(x) && x >= lo && x <= hi; }

constexpr double kNever = 1.0e18;

// Truncation toward zero of a double of any size (beyond 2^52 every double is whole).
double TruncD(double x) { return std::fabs(x) < 4.0e15 ? static_cast<double>(static_cast<int64_t>(x)) : x; }

// x less the whole periods it holds, as the clock takes positions apart: x − trunc(x / p) × p.
double LessWholePeriods(double x, double period) { return x - TruncD(x / period) * period; }

// A position within rounding of a whole step is that step: the host's song position and the
// frame's offset are each exact, their sum in double precision may not be. A millionth of a step
// is far below a frame at any rate and tempo a host uses.
double OnTheGrid(double steps) {
  const double whole = std::nearbyint(steps);
  return std::fabs(steps - whole) < 1.0e-6 ? whole : steps;
}

}  // namespace

void TPlugCore::ProcessBlock(int sampleFrames, std::span<const TMidiEvent> input) {
  const TRealtimeScope realtime;
  if (sampleFrames < 0) sampleFrames = 0;
  if (!lock.TryLock()) {
    // Another thread is changing the programs; this block's time is caught up by the next, and
    // its messages take effect at that block's start.
    deferredSamples = std::min(deferredSamples + sampleFrames, 1 << 24);
    for (const TMidiEvent& event : input) midiIn.Push(event.msg);
    return;
  }
  const int late = deferredSamples;
  deferredSamples = 0;
  ServiceRequests();
  ProcessBlockLocked(sampleFrames, late, input);
  // What other threads asked for during the block, and the reactions to what the block changed
  // (a chain's program), are served at the next block's start, or now when something waits.
  lock.Unlock();
  if (RequestsPending() && lock.TryLock()) UnlockServicing();
}

bool TPlugCore::SendEditorMidi(uint8_t message, uint8_t channel, uint8_t data1, uint8_t data2) {
  return editorMidi.Push(TMidiMsg{channel, message, data1, data2});
}

int TPlugCore::QuantizeLength(int value) const {
  if (value <= 0) return 0;
  if (value <= 4) return value;
  return RoundHalfEven((value - 4) * static_cast<double>(kSyncRateTable[Block.Sync]));
}

void TPlugCore::TakeBlockSettings() {
  // Read straight from the rows: a program is current, its row and the global settings hold
  // values in their ranges (the clamps below are for the table lookups all the same).
  const int row = std::max(0, CurrentProgram.load(std::memory_order_relaxed));
  auto program = [&](int tag) { return static_cast<int>(LoadByte(row, tag)); };
  auto global = [&](int tag) { return static_cast<int>(LoadByte(0, tag)); };
  Block.Steps = std::clamp(program(tagSteps), 1, kMaxSteps);
  Block.Sync = std::clamp(program(tagSync), 0, 11);
  Block.InQuantizeLen = QuantizeLength(program(tagInQuantize));
  Block.OutChannel = std::clamp(global(tagMIDIOut_Ch) - 1, 0, 15);
  Block.ChainQuantizeLen = QuantizeLength(global(tagChainQuantize));
  Block.RestartOnKey = program(tagRestartOnKey);
  Block.Gate = program(tagGate);
  Block.Swing = std::clamp(program(tagSwing), -50, 50);
  Block.ScaleRoot = program(tagForceScale_Key) - 1;
  Block.Scale = program(tagForceScale) - 1;
  Block.FollowChord = program(tagFollowChord) != 0;
  Block.LockPage = program(tagLockPage) != 0;
  // A page beyond the pattern plays the last page the pattern covers.
  Block.SelectedPage = std::clamp(program(tagSelectedPage), 0, (Block.Steps - 1) / 16);
  StepsPerBeat = kSyncRateTable[Block.Sync];
  SamplesPerStep = SampleRate / Tempo * 60.0 / StepsPerBeat;
}

void TPlugCore::ProcessBlockLocked(int sampleFrames, int lateSamples, std::span<const TMidiEvent> input) {
  EnsureCurrentProgram();
  emitFrame = 0;
  TMidiMsg msg;
  while (editorMidi.Pop(msg)) Emit(msg.status, msg.channel, msg.data1, msg.data2);

  // The own clock counts the samples of blocks that found the engine busy; what they held
  // plays at the start of this one.
  if (FreeRun) FreeRunSamples += lateSamples;
  if (KeyWait) KeyWaitSamples += lateSamples;

  UpdateTime();
  TakeBlockSettings();
  inBlock = true;

  // The walk: the messages of a frame, then what the clock has due there. Messages that leave
  // keys, programs and sounding notes as they were (controllers, bend, pressure) need no new
  // reading of the clock.
  const int inputCount = input.empty() ? 0 : OrderInput(input);
  int nextInput = 0;
  auto takeInputAt = [&](int frame) {
    bool clockTouched = false;
    for (; nextInput < inputCount && std::max(InputFrame(input, nextInput, sampleFrames), frame) == frame; ++nextInput) {
      const int index = inputSorted ? nextInput : inputOrder[nextInput];
      clockTouched |= HandleMidiLocked(input[index].msg);
    }
    if (clockTouched) TakeBlockSettings();  // a program change takes effect at its frame
    return clockTouched;
  };
  emitFrame = 0;
  takeInputAt(0);
  TClockReading reading = StepAt(0, true, nullptr);
  TClockReading next;
  int clockFrame = NextEventFrame(0, reading, sampleFrames, next);
  for (;;) {
    const int inputFrame = nextInput < inputCount ? InputFrame(input, nextInput, sampleFrames) : sampleFrames;
    const int frame = std::min(clockFrame, inputFrame);
    if (frame >= sampleFrames) break;
    emitFrame = frame;
    const bool clockTouched = frame == inputFrame && takeInputAt(frame);
    if (frame == clockFrame || clockTouched) {
      reading = StepAt(frame, false, !clockTouched && next.frame == frame ? &next : nullptr);
      next = TClockReading{};
      clockFrame = NextEventFrame(frame, reading, sampleFrames, next);
    }
  }
  inBlock = false;

  if (ClockIdle()) {
    seamValid = false;
  } else {
    seamPos = std::max(RawPosition(sampleFrames), floorActive ? floorPos : -kNever);
    seamSync = Block.Sync;
    seamValid = true;
  }
  if (FreeRun) FreeRunSamples += sampleFrames;
  if (KeyWait) KeyWaitSamples += sampleFrames;
  emitFrame = 0;
  playingShown.store(Playing, std::memory_order_relaxed);
  chainPosShown.store(ChainPos, std::memory_order_relaxed);
  FlushOutput();
}

void TPlugCore::UpdateTime() {
  // Keys active with the transport stopped and no own clock (the arpeggiator was switched on
  // over held keys, or the clock stopped under latched keys): the own clock starts now, as it
  // would have for their key-down. Without it a step could play with no clock to end it.
  if (!Playing && !FreeRun && !KeyWait && KeyFilter.ActiveCount() > 0 && GetParam(tagArpEnabled) == 1)
    StartOwnClock();
  PrevPpq = Ppq;

  // A host may give no time at all, or values no clock can use: the last sane values are kept
  // (before any: stopped, 120 quarter notes per minute, 44100 Hz).
  THostTime host;
  PrevPlaying = Playing;
  if (GetTimeInfo && GetTimeInfo(host)) {
    if (Sane(host.sampleRate, 1.0, 1.0e7)) SampleRate = host.sampleRate;
    if (Sane(host.tempo, 1.0e-3, 1.0e5)) Tempo = host.tempo;
    if (Sane(host.ppqPos, -1.0e8, 1.0e8)) Ppq = host.ppqPos;
    if (Sane(host.samplePos, -1.0e15, 1.0e15)) SamplePos = host.samplePos;
    Playing = host.playing;
  }
  TransportChanged = Playing != PrevPlaying;

  // A transport that starts or stops ends the own clock before this block's position is taken,
  // so that keys held down with the transport's start play from its first block.
  if (TransportChanged) {
    StepChanged.store(true, std::memory_order_relaxed);
    if (!Playing) {
      KeyFilter.Reset();
      HeldChannels.fill(0);
    }
    // Notes of the old clock have no position to reach their ends in the new one, and the step
    // at the new position plays afresh, whichever step the old clock played last.
    ReleaseArpNotes = true;
    FreeRun = false;
    KeyWait = false;
    LastStep = LastAbsStep = -1;
    NoteClockRestart();
    // Keys pressed (or latched) while the transport was parked restart the pattern where the
    // transport starts.
    if (Playing && GetParam(tagRestartOnKey) == 1 && KeyFilter.ActiveCount() > 0) RestartPending = true;
  }
  if (FreeRun) {
    TakeOwnClockTime();
  } else if (Ppq != PrevPpq) {
    SamplePosAtPpqChange = SamplePos;
  }
  if (RestartPending) {
    RestartPending = false;
    RestartPpq = Playing ? Ppq : 0.0;
    RestartSynced = false;
  }
}

void TPlugCore::StartOwnClock() {
  FreeRun = true;
  FreeRunSamples = -emitFrame;  // counted from the frame the clock starts on
  ChainPos = 0;
  NoteClockRestart();
  if (inBlock) TakeOwnClockTime();
}

void TPlugCore::TakeOwnClockTime() {
  // The own clock's position runs 512 samples behind the samples counted since it started; the
  // samples of this block are added frame by frame.
  Ppq = FreeRunSamples / SampleRate * Tempo / 60.0;
  SamplePos = -512.0;
  SamplePosAtPpqChange = 0;
}

double TPlugCore::RawPosition(int frame) const {
  // With the transport stopped the host's parked position does not move within a block.
  const double advance = (Playing || FreeRun) ? frame : 0;
  return OnTheGrid(Ppq * StepsPerBeat + (SamplePos + advance - SamplePosAtPpqChange) / SamplesPerStep);
}

bool TPlugCore::ClockIdle() const {
  // With the transport stopped only the own clock moves the pattern, and only over keys. Keys
  // held with the arpeggiator off still show the step of the host's parked position and the
  // keys that step would take.
  if (Playing || KeyWait) return false;
  if (KeyFilter.ActiveCount() == 0) return true;
  return !FreeRun && GetParam(tagArpEnabled) == 1;
}

void TPlugCore::StartSeam() {
  // A host's song position may lie a little behind the frame at which the last block ended;
  // the clock then waits there instead of playing a step again.
  floorActive = false;
  if (!seamValid || seamSync != Block.Sync || TransportChanged || ClockIdle()) return;
  const double start = RawPosition(0);
  if (start < seamPos && seamPos - start < kSeamTolerance) {
    floorActive = true;
    floorPos = seamPos;
  }
}

TPlugCore::TClockReading TPlugCore::ReadClock(int frame) const {
  TClockReading r;
  r.frame = frame;
  const int steps = Block.Steps;
  const double samplesPerStep = SamplesPerStep;
  const double raw = RawPosition(frame);
  double pos = raw;
  if (floorActive && raw < floorPos) {
    r.lagFrames = (floorPos - raw) * samplesPerStep;
    pos = floorPos;
  }
  double toCycleEnd = kNever;
  if (Block.Sync >= 8) {
    // Three-part rates repeat every whole number of beats the pattern spans.
    static constexpr int kDivisor[4] = {16, 8, 4, 2};
    const int beats = steps * 3 / kDivisor[Block.Sync - 8];
    const double cycle = beats * static_cast<double>(StepsPerBeat);
    if (cycle > 0) {
      pos = LessWholePeriods(pos, cycle);
      if (pos >= 0) toCycleEnd = cycle - pos;
    }
  }
  double stepPos = pos;
  r.stepCount = Trunc(stepPos);

  if (RestartPpq > 0) {
    const int q = Block.InQuantizeLen;
    const double restart = q > 0 ? Trunc(RestartPpq * StepsPerBeat / q + 0.5 * Block.Gate / 100.0) * static_cast<double>(q)
                                 : RestartPpq * StepsPerBeat;
    double shifted = OnTheGrid(stepPos - restart);
    if (shifted < 0) shifted -= TruncD((shifted - steps) / steps) * steps;  // into 0..Steps
    stepPos = shifted;
  }
  if (stepPos < 0) {
    // Before the pattern's start: the first step begins where the position reaches 0.
    r.stepPos = stepPos;
    r.framesToBoundary = r.lagFrames + -stepPos * samplesPerStep;
    r.framesPerStep = samplesPerStep;
    r.toBoundary = -stepPos;
    return r;
  }

  // Within a step the position moves at one rate: the step's share of its swing pair.
  double toBoundaryRaw;  // distance to the next step boundary before swing
  double slope = 1.0;    // raw distance per unit of swung position
  if (Block.Swing != 0) {
    const double s = Block.Swing;
    const double pair = 2.0 * TruncD(stepPos / 2.0);
    const double f = stepPos - pair;
    const double split = (100.0 + s) / 100.0;
    if (f < split) {
      stepPos = pair + f * 100.0 / (100.0 + s);
      slope = split;
      toBoundaryRaw = split - f;
    } else {
      stepPos = pair + 2.0 - (2.0 - f) * 100.0 / (100.0 - s);
      slope = 2.0 - split;
      toBoundaryRaw = 2.0 - f;
    }
  } else {
    toBoundaryRaw = TruncD(stepPos) + 1.0 - stepPos;  // the position is not negative here
  }
  r.absStep = Trunc(stepPos);
  if (stepPos >= steps) stepPos = LessWholePeriods(stepPos, steps);
  r.curStep = std::clamp(Trunc(stepPos), 0, steps - 1);

  if (Block.LockPage) {
    // The locked page plays the steps of it the pattern covers, over and over, keeping the
    // position's place within them.
    const int first = 16 * Block.SelectedPage;
    const int covered = std::min(16, steps - first);
    if (r.curStep / 16 != Block.SelectedPage || covered < 16) {
      stepPos = LessWholePeriods(stepPos, covered) + first;
      r.curStep = std::clamp(Trunc(stepPos), first, first + covered - 1);
    }
  }
  r.stepPos = stepPos;
  r.running = true;
  r.synced = RestartSynced;
  if (RestartPpq > 0) {
    // After a restart by key nothing plays until the pattern reaches step 0, the restart point.
    if (r.curStep == 0) r.synced = true;
    if (!r.synced) r.running = false;
  }
  r.displayStep = (KeyFilter.ActiveCount() == 0 && Block.RestartOnKey == 1) ? -1 : r.curStep;
  r.framesPerStep = slope * samplesPerStep;
  r.toBoundary = toBoundaryRaw / slope;
  r.framesToBoundary = r.lagFrames + std::min(toBoundaryRaw, toCycleEnd) * samplesPerStep;
  return r;
}

void TPlugCore::TakeReading(const TClockReading& r) {
  StepPos = r.stepPos;
  StepCount = r.stepCount;
  RestartSynced = r.synced;
  if (!r.running) {
    CurStep = LastStep = DisplayStep = AbsStep = LastAbsStep = -1;
    return;
  }
  AbsStep = r.absStep;
  CurStep = r.curStep;
  DisplayStep = r.displayStep;
  if (Block.Sync != GridSync || Block.Steps != GridSteps) {
    // Counted in another rate or length (a program change): only the step number tells.
    LastAbsStep = AbsStep;
    GridSync = Block.Sync;
    GridSteps = Block.Steps;
  }
}

bool TPlugCore::IsNewStep(const TClockReading& r) const {
  return r.running && (r.curStep != LastStep || r.absStep != LastAbsStep);
}

bool TPlugCore::SomethingHappens(const TClockReading& r) const {
  if (IsNewStep(r)) return true;
  for (int i = 0; i < OutPool.Count; ++i)
    if (r.stepPos >= OutPool.Keys[i].EndPos) return true;
  return false;
}

bool TPlugCore::KeyWaitEndsBy(int frame) const {
  return KeyWait && (KeyWaitSamples + frame) / SampleRate > 1.0;
}

int TPlugCore::NextEventFrame(int frame, const TClockReading& r, int blockFrames, TClockReading& at) const {
  // The key wait ends on the first frame more than a second after the last key-up.
  int keyWaitEnd = blockFrames;
  if (KeyWait) {
    const double due = std::floor(SampleRate - KeyWaitSamples);
    int f = static_cast<int>(std::clamp(due, static_cast<double>(frame + 1), static_cast<double>(blockFrames)));
    while (f > frame + 1 && KeyWaitEndsBy(f - 1)) --f;
    while (f < blockFrames && !KeyWaitEndsBy(f)) ++f;
    keyWaitEnd = f;
  }
  if (ClockIdle()) return keyWaitEnd;

  double ahead = r.framesToBoundary;
  for (int i = 0; i < OutPool.Count; ++i) {
    const double toEnd = static_cast<double>(OutPool.Keys[i].EndPos) - r.stepPos;
    if (toEnd <= 0)
      ahead = 0;  // started on this frame and already due: it ends on the next
    else if (toEnd <= r.toBoundary)
      ahead = std::min(ahead, r.lagFrames + toEnd * r.framesPerStep);
  }
  // Nothing can happen before the estimate less the margin. From the estimate, read the clock
  // back to the first frame at which something happens, or on to it: once something is due it
  // stays due until it is done.
  const int last = keyWaitEnd - 1;
  if (last <= frame || frame + ahead - 1.0 > last) return keyWaitEnd;
  int f = static_cast<int>(std::clamp(std::ceil(frame + ahead), static_cast<double>(frame + 1), static_cast<double>(last)));
  at = ReadClock(f);
  if (SomethingHappens(at)) {
    while (f - 1 > frame) {
      const TClockReading before = ReadClock(f - 1);
      if (!SomethingHappens(before)) break;
      at = before;
      --f;
    }
    return f;
  }
  while (++f <= last) {
    at = ReadClock(f);
    if (SomethingHappens(at)) return f;
  }
  return keyWaitEnd;
}

double TPlugCore::PpqAt(int frame) const {
  return Ppq + (SamplePos + frame - SamplePosAtPpqChange) / SampleRate * Tempo / 60.0;
}

TPlugCore::TClockReading TPlugCore::StepAt(int frame, bool blockStart, const TClockReading* known) {
  emitFrame = frame;
  bool releaseAll = false;
  if (blockStart) {
    releaseAll = TakeFlag(ReleaseAll, std::memory_order_relaxed);
    StartSeam();
  }
  if (KeyWaitEndsBy(frame)) {
    // A second without keys: the own clock stops and every note ends.
    FreeRun = false;
    KeyWait = false;
    releaseAll = true;
    StepChanged.store(true, std::memory_order_relaxed);
    StatusDirty.store(true, std::memory_order_relaxed);
  }

  TClockReading reading;
  if (ClockIdle()) {
    // No clock moves the pattern now (latched keys released by a setting, keys forgotten by a
    // program change), so nothing would ever end a sounding note: all end here.
    if (OutPool.Count > 0) ReleaseArpNotes = true;
    FreeRun = false;
    CurStep = LastStep = DisplayStep = AbsStep = LastAbsStep = -1;
    ChainPos = 0;
  } else {
    reading = known != nullptr ? *known : ReadClock(frame);
    TakeReading(reading);
  }
  if (Block.RestartOnKey == 0) RestartPpq = 0;
  ReleaseNotes(releaseAll, blockStart && TransportChanged);
  if (ChainCheck()) {
    // The new program's first step plays with its own settings, at its own position.
    TakeBlockSettings();
    if (!ClockIdle()) {
      reading = ReadClock(frame);
      TakeReading(reading);
    }
  }
  // Without input quantize a key pressed inside a step plays the step's notes at once.
  if (NewStep() || (KeyEvent && Block.InQuantizeLen == 0)) GenerateAndSend();
  KeyEvent = false;
  if (NewStep()) {
    StepChanged.store(true, std::memory_order_relaxed);
    StatusDirty.store(true, std::memory_order_relaxed);
    LastStep = CurStep;
    LastAbsStep = AbsStep;
    StepPosAtStep = StepPos;
    PpqAtStep = PpqAt(frame);
  }
  return reading;
}

void TPlugCore::ReleaseNotes(bool releaseAll, bool transportChanged) {
  if (releaseAll || transportChanged) ReleaseThruNotes();
  const bool releaseArp = releaseAll || ReleaseArpNotes;
  ReleaseArpNotes = false;
  const bool keysGone = Block.InQuantizeLen == 0 && KeyFilter.ActiveCount() == 0;
  for (int i = OutPool.Count - 1; i >= 0; --i) {
    TKeyRec key = OutPool.Keys[i];
    if (StepPos >= key.EndPos || Wrapped() || releaseArp || keysGone) {
      // A note generated again while it sounded holds one entry with several holds and the
      // latest end; all of them are due now. Releasing one hold per block would leave the
      // entry behind and silence the pitch from then on.
      key.Count = 1;
      OutPool.Keys[i].Count = 1;
      OutPool.RemoveKey(key);
      Emit(0x80, OutNoteChannel[key.Note], key.Note, key.Velocity);
      StatusDirty.store(true, std::memory_order_relaxed);
    }
  }
}

void TPlugCore::GenerateAndSend() {
  const int s = CurStep;
  const int row = CurrentProgram.load(std::memory_order_relaxed);
  auto program = [&](int tag) { return static_cast<int>(LoadByte(row, tag)); };
  TStepContext ctx;
  int8_t stepModes[kMaxSteps];
  for (int j = 0; j < kMaxSteps; ++j) stepModes[j] = LoadByte(row, tagStep_mode + j);
  const int at = std::clamp(s, 0, kMaxSteps - 1);
  ctx.info.keySelect = program(tagKey_select + at);
  ctx.info.missingKey = program(tagMissing_key);
  ctx.info.stepType = stepModes[at];
  ctx.info.steps = Block.Steps;
  ctx.info.sync = Block.Sync;
  ctx.info.order = program(tagSortOrder);
  ctx.info.fixedKey = program(tagFixed_key);
  ctx.info.quantize = Block.InQuantizeLen;
  ctx.info.restart = Block.RestartOnKey;
  ctx.info.semitone = program(tagSemitone + at);
  ctx.info.octave = program(tagOctave + at);
  ctx.info.velocity = program(tagVelocity + at);
  ctx.info.gate = Block.Gate;
  ctx.step = s;
  ctx.stepCount = StepCount;
  ctx.arpEnabled = LoadByte(0, tagArpEnabled) != 0;
  ctx.followChord = &Block.FollowChord;
  ctx.transform = TransformSettings();
  ctx.stepModes = stepModes;

  TKeyList notes;
  const int count = GenerateStepNotes(KeyFilter, ctx, notes);
  if (count <= 0 || notes[0].Count == 0) return;
  TKeyList sent{};
  for (int i = 0; i < std::min(count, 5) && notes[i].Count != 0; ++i) {
    TKeyRec key = MakeKey(notes[i].Note, notes[i].Velocity);
    key.EndPos = notes[i].EndPos;
    bool sounding = false;
    for (int j = 0; j < OutPool.Count; ++j) sounding |= OutPool.Keys[j].Note == key.Note;
    if (!sounding && !RoomForNoteOn()) continue;  // a note that cannot start is not kept either
    if (OutPool.AddKey(key)) {
      OutNoteChannel[key.Note] = static_cast<uint8_t>(Block.OutChannel);
      Emit(0x90, Block.OutChannel, key.Note, key.Velocity);
    }
    sent[i] = key;
  }
  StatusDirty.store(true, std::memory_order_relaxed);
  NoteOutKeys = sent;
}

TTransformSettings TPlugCore::TransformSettings() const {
  // Read from the current program's row (a program is current wherever notes are made).
  const int row = std::max(0, CurrentProgram.load(std::memory_order_relaxed));
  TTransformSettings t;
  t.scaleRoot = LoadByte(row, tagForceScale_Key) - 1;
  t.scale = LoadByte(row, tagForceScale) - 1;
  t.transpOct = LoadByte(row, tagMTransp_oct);
  t.transpSemi = LoadByte(row, tagMTransp_semi);
  t.outLow = LoadByte(row, tagOutRange_Low);
  t.outHigh = LoadByte(row, tagOutRange_High);
  return t;
}

bool TPlugCore::Emit(int message, int channel, int data1, int data2) {
  const int limit = message == 0x80 ? kOutCapacity : kOutCapacity - kNoteOffReserve;
  if (outCount >= limit) return false;
  outList[outCount++] = TOutMsg{static_cast<uint8_t>(message), static_cast<uint8_t>(channel & 0x0F),
                                static_cast<uint8_t>(data1 & 0x7F), static_cast<uint8_t>(data2 & 0x7F), emitFrame};
  return true;
}

void TPlugCore::FlushOutput() {
  if (SendMidi) {
    for (int begin = 0; begin < outCount;) {
      int end = begin + 1;
      while (end < outCount && outList[end].frame == outList[begin].frame) ++end;
      SendFrame(begin, end);
      begin = end;
    }
  }
  outCount = 0;
}

void TPlugCore::SendFrame(int begin, int end) {
  // The messages of one frame go out note-offs first. The block makes them in that order; only
  // incoming MIDI, handled before the block, can put a note-on ahead of the block's note-offs.
  // A note-off that ends a note started on the same frame (a note passed through and released
  // within one event list) stays behind its note-on.
  auto isOn = [](const TOutMsg& m) { return m.message == 0x90; };
  auto isOff = [](const TOutMsg& m) { return m.message == 0x80; };
  auto send = [this](const TOutMsg& m) { SendMidi(m.message, m.channel, m.data1, m.data2, m.frame); };
  auto endsEarlierNote = [&](int i) {
    for (int j = begin; j < i; ++j)
      if (isOn(outList[j]) && outList[j].channel == outList[i].channel && outList[j].data1 == outList[i].data1)
        return true;
    return false;
  };
  int firstOn = end;
  for (int i = begin; i < end && firstOn == end; ++i)
    if (isOn(outList[i])) firstOn = i;
  bool offAfterOn = false;
  for (int i = firstOn + 1; i < end && !offAfterOn; ++i) offAfterOn = isOff(outList[i]);
  if (!offAfterOn) {
    for (int i = begin; i < end; ++i) send(outList[i]);
    return;
  }
  for (int i = begin; i < end; ++i) {
    if (isOff(outList[i]) && !endsEarlierNote(i)) {
      send(outList[i]);
      outList[i].message = 0;  // sent
    }
  }
  for (int i = begin; i < end; ++i)
    if (outList[i].message != 0) send(outList[i]);
}
