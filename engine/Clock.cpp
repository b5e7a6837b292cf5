// The block clock: the host's transport (or the engine's own clock) becomes a position in the
// pattern; notes whose time has come are released and each new step plays.
#include <algorithm>
#include <cmath>
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

}  // namespace

void TPlugCore::ProcessBlock(int sampleFrames) {
  if (sampleFrames < 0) sampleFrames = 0;
  if (!lock.TryLock()) {
    // Another thread is changing the programs; this block's time is caught up by the next.
    deferredSamples = std::min(deferredSamples + sampleFrames, 1 << 24);
    return;
  }
  const int n = sampleFrames + deferredSamples;
  deferredSamples = 0;
  ServiceRequests();
  ProcessBlockLocked(n);
  UnlockServicing();
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
  Block.Steps = std::clamp(GetParam(tagSteps), 1, kMaxSteps);
  Block.Sync = std::clamp(GetParam(tagSync), 0, 11);
  Block.InQuantizeLen = QuantizeLength(GetParam(tagInQuantize));
  Block.OutChannel = std::clamp(GetParam(tagMIDIOut_Ch) - 1, 0, 15);
  Block.ChainQuantizeLen = QuantizeLength(GetParam(tagChainQuantize));
  Block.RestartOnKey = GetParam(tagRestartOnKey);
  Block.Gate = GetParam(tagGate);
  Block.Swing = std::clamp(GetParam(tagSwing), -50, 50);
  Block.ScaleRoot = GetParam(tagForceScale_Key) - 1;
  Block.Scale = GetParam(tagForceScale) - 1;
  Block.FollowChord = GetParam(tagFollowChord) != 0;
  Block.LockPage = GetParam(tagLockPage) != 0;
  // A page beyond the pattern plays the last page the pattern covers.
  Block.SelectedPage = std::clamp(GetParam(tagSelectedPage), 0, (Block.Steps - 1) / 16);
}

void TPlugCore::ProcessBlockLocked(int sampleFrames) {
  EnsureCurrentProgram();
  TMidiMsg msg;
  while (editorMidi.Pop(msg)) Emit(msg.status, msg.channel, msg.data1, msg.data2);

  TakeBlockSettings();
  UpdateTime(sampleFrames);
  UpdatePosition();
  if (Block.RestartOnKey == 0) RestartPpq = 0;
  ReleaseNotes();
  ChainCheck();
  if (NewStep() || (KeyEvent && Block.InQuantizeLen == 0)) GenerateAndSend();
  KeyEvent = false;
  if (NewStep()) {
    StepChanged.store(true, std::memory_order_relaxed);
    StatusDirty.store(true, std::memory_order_relaxed);
    LastStep = CurStep;
    LastAbsStep = AbsStep;
    StepPosAtStep = StepPos;
    PpqAtStep = Ppq;
  }
  playingShown.store(Playing, std::memory_order_relaxed);
  chainPosShown.store(ChainPos, std::memory_order_relaxed);
  FlushOutput();
}

void TPlugCore::UpdateTime(int sampleFrames) {
  // Keys active with the transport stopped and no own clock (the arpeggiator was switched on
  // over held keys, or the clock stopped under latched keys): the own clock starts now, as it
  // would have for their key-down. Without it a step could play with no clock to end it.
  if (!Playing && !FreeRun && !KeyWait && KeyFilter.ActiveCount() > 0 && GetParam(tagArpEnabled) == 1) {
    FreeRun = true;
    FreeRunSamples = 0;
    ChainPos = 0;
  }
  PrevPpq = Ppq;
  if (FreeRun) FreeRunSamples += sampleFrames;
  if (KeyWait) KeyWaitSamples += sampleFrames;

  // A host may give no time at all, or values no clock can use: the last sane values are kept
  // (before any: stopped, 120 quarter notes per minute, 44100 Hz).
  THostTime host;
  PrevPlaying = Playing;
  if (GetTimeInfo && GetTimeInfo(host)) {
    if (Sane(host.sampleRate, 1.0, 1.0e7)) SampleRate = static_cast<float>(host.sampleRate);
    if (Sane(host.tempo, 1.0e-3, 1.0e5)) Tempo = static_cast<float>(host.tempo);
    if (Sane(host.ppqPos, -1.0e8, 1.0e8)) Ppq = static_cast<float>(host.ppqPos);
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
    // Notes of the old clock have no position to reach their ends in the new one.
    ReleaseArpNotes = true;
    FreeRun = false;
    KeyWait = false;
  }
  if (FreeRun) {
    Ppq = static_cast<float>(FreeRunSamples / SampleRate * Tempo / 60.0);
    SamplePos = -512.0;
    SamplePosAtPpqChange = 0;
  } else if (Ppq != PrevPpq) {
    SamplePosAtPpqChange = SamplePos;
  }

  if (KeyWait && KeyWaitSamples / SampleRate > 1.0) {
    FreeRun = false;
    KeyWait = false;
    ReleaseAll.store(true, std::memory_order_relaxed);
    StepChanged.store(true, std::memory_order_relaxed);
    StatusDirty.store(true, std::memory_order_relaxed);
  }
}

void TPlugCore::UpdatePosition() {
  auto stop = [this] { CurStep = LastStep = DisplayStep = AbsStep = LastAbsStep = -1; };
  // With the transport stopped only the own clock moves the pattern, and only over keys.
  if (!Playing && !KeyWait && (!FreeRun || KeyFilter.ActiveCount() == 0)) {
    // No clock moves the pattern now (latched keys released by a setting, keys forgotten by a
    // program change), so nothing would ever end a sounding note: all end here.
    if (OutPool.Count > 0) ReleaseArpNotes = true;
    FreeRun = false;
    stop();
    ChainPos = 0;
    return;
  }
  const int steps = Block.Steps;
  StepsPerBeat = kSyncRateTable[Block.Sync];
  SamplesPerStep = static_cast<float>(static_cast<double>(SampleRate) / Tempo * 60.0 / StepsPerBeat);
  double pos = static_cast<double>(Ppq) * StepsPerBeat + (SamplePos - SamplePosAtPpqChange) / SamplesPerStep;

  if (Block.Sync >= 8) {
    // Three-part rates repeat every whole number of beats the pattern spans.
    static constexpr int kDivisor[4] = {16, 8, 4, 2};
    const int beats = steps * 3 / kDivisor[Block.Sync - 8];
    const double cycle = beats * static_cast<double>(StepsPerBeat);
    if (cycle > 0) pos = std::fmod(pos, cycle);
  }
  StepPos = static_cast<float>(pos);
  StepCount = Trunc(StepPos);

  if (RestartPpq > 0) {
    const int q = Block.InQuantizeLen;
    const double r = q > 0 ? Trunc(RestartPpq * StepsPerBeat / q + 0.5 * Block.Gate / 100.0) * static_cast<double>(q)
                           : RestartPpq * StepsPerBeat;
    pos = static_cast<double>(StepPos) - r;
    if (pos < 0) pos = std::fmod(pos, steps) + steps;  // into 0..Steps
    StepPos = static_cast<float>(pos);
  }
  if (StepPos < 0) return stop();

  if (Block.Swing != 0) {
    const double s = Block.Swing;
    const double f = std::fmod(static_cast<double>(StepPos), 2.0);
    const double pair = StepPos - f;
    StepPos = static_cast<float>(f < (100.0 + s) / 100.0 ? pair + f * 100.0 / (100.0 + s)
                                                          : pair + 2.0 - (2.0 - f) * 100.0 / (100.0 - s));
  }
  AbsStep = Trunc(StepPos);
  if (Block.Sync != GridSync || steps != GridSteps) {
    // Counted in another rate or length (a program change): only the step number tells.
    LastAbsStep = AbsStep;
    GridSync = Block.Sync;
    GridSteps = steps;
  }
  if (StepPos >= steps) StepPos = static_cast<float>(std::fmod(static_cast<double>(StepPos), steps));
  // Narrowing to single precision may round a position just below the end up onto it.
  CurStep = std::clamp(Trunc(StepPos), 0, steps - 1);

  if (Block.LockPage && CurStep / 16 != Block.SelectedPage) {
    StepPos = static_cast<float>(std::fmod(static_cast<double>(StepPos), 16.0) + 16.0 * Block.SelectedPage);
    CurStep = std::clamp(Trunc(StepPos), 0, kMaxSteps - 1);
  }
  if (RestartPpq > 0) {
    if (CurStep == 0) RestartSynced = true;
    if (!RestartSynced) return stop();
  }
  DisplayStep = (KeyFilter.ActiveCount() == 0 && Block.RestartOnKey == 1) ? -1 : CurStep;
}

void TPlugCore::ReleaseNotes() {
  const bool releaseAll = ReleaseAll.exchange(false, std::memory_order_relaxed);
  if (releaseAll || TransportChanged) ReleaseThruNotes();
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
  TStepContext ctx;
  int8_t stepModes[kMaxSteps];
  const int row = CurrentProgram.load(std::memory_order_relaxed);
  for (int j = 0; j < kMaxSteps; ++j) stepModes[j] = LoadByte(row, tagStep_mode + j);
  const int at = std::clamp(s, 0, kMaxSteps - 1);
  ctx.info.keySelect = GetParam(tagKey_select + at);
  ctx.info.missingKey = GetParam(tagMissing_key);
  ctx.info.stepType = GetParam(tagStep_mode + at);
  ctx.info.steps = Block.Steps;
  ctx.info.sync = Block.Sync;
  ctx.info.order = GetParam(tagSortOrder);
  ctx.info.fixedKey = GetParam(tagFixed_key);
  ctx.info.quantize = Block.InQuantizeLen;
  ctx.info.restart = Block.RestartOnKey;
  ctx.info.semitone = GetParam(tagSemitone + at);
  ctx.info.octave = GetParam(tagOctave + at);
  ctx.info.velocity = GetParam(tagVelocity + at);
  ctx.info.gate = Block.Gate;
  ctx.step = s;
  ctx.stepCount = StepCount;
  ctx.arpEnabled = GetParam(tagArpEnabled) != 0;
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
  NoteOutText = FormatKeyList(sent);
}

TTransformSettings TPlugCore::TransformSettings() const {
  TTransformSettings t;
  t.scaleRoot = GetParam(tagForceScale_Key) - 1;
  t.scale = GetParam(tagForceScale) - 1;
  t.transpOct = GetParam(tagMTransp_oct);
  t.transpSemi = GetParam(tagMTransp_semi);
  t.outLow = GetParam(tagOutRange_Low);
  t.outHigh = GetParam(tagOutRange_High);
  return t;
}

bool TPlugCore::Emit(int message, int channel, int data1, int data2) {
  const int limit = message == 0x80 ? kOutCapacity : kOutCapacity - kNoteOffReserve;
  if (outCount >= limit) return false;
  outList[outCount++] = TOutMsg{static_cast<uint8_t>(message), static_cast<uint8_t>(channel & 0x0F),
                                static_cast<uint8_t>(data1 & 0x7F), static_cast<uint8_t>(data2 & 0x7F)};
  return true;
}

void TPlugCore::FlushOutput() {
  if (SendMidi)
    for (int i = 0; i < outCount; ++i)
      SendMidi(outList[i].message, outList[i].channel, outList[i].data1, outList[i].data2, 0);
  outCount = 0;
}
