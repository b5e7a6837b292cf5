// Parameter access by tag, the reactions to settings, the engine lock, the program and file
// operations under it, the real-time entries, and the delivery of changes to the editor.
#include "engine/PlugCore.h"

#include <algorithm>
#include <cmath>

#include "engine/ParamNames.h"
#include "engine/Realtime.h"

namespace {

// The engine whose editor change is being reported to the host on this thread. The host's
// echo of that change arrives through SetParamNormalized on the same thread and must not
// store the value a second time; writes from other threads meanwhile are ordinary writes.
MOLTRIN_THREAD_LOCAL const TPlugCore* tEchoing = nullptr;

int RoundHalfEven(double x) { return static_cast<int>(std::nearbyint(x)); }

bool Take(std::atomic<bool>& flag) {
  return flag.load(std::memory_order_relaxed) && flag.exchange(false, std::memory_order_acq_rel);
}

}  // namespace

TPlugCore::TPlugCore() {
  for (TReacted& r : reacted) r.value.store(CParamDef[r.tag], std::memory_order_relaxed);
  for (auto& x : pendingWrites) x.store(kNoPendingWrite, std::memory_order_relaxed);
}

// ---- Engine lock -------------------------------------------------------------------------------

TEngineGuard::TEngineGuard(TPlugCore& c) : core(c) { core.lock.Lock(); }

TEngineGuard::~TEngineGuard() {
  core.UnlockServicing();
  if (core.store.TakeProgramListChanged()) core.NotifyProgramList();
}

void TPlugCore::UnlockServicing() {
  // Requests posted by threads that could not take the lock are handled by whoever holds it.
  // Checking again after the release closes the window in which a request arrives just
  // before the release and its poster's own attempt fails.
  do {
    ServiceRequests();
    lock.Unlock();
  } while (RequestsPending() && lock.TryLock());
}

bool TPlugCore::ServiceDue() const {
  // The lock's holder: anything ServiceRequests would do.
  return RequestsPending() || store.Version() != reactedVersion || store.ChangesToTake();
}

bool TPlugCore::RequestsPending() const {
  return releaseLatchRequest.load(std::memory_order_acquire) || sequencer.MidiQueued() ||
         writesPending.load(std::memory_order_acquire) || shiftsPending.load(std::memory_order_acquire);
}

void TPlugCore::ServiceRequests() {
  if (Take(writesPending)) {
    // Host writes that came while no program was current and the lock was taken.
    store.EnsureCurrent();
    for (int tag = 0; tag < kNumParams; ++tag) {
      const float x = pendingWrites[tag].exchange(kNoPendingWrite, std::memory_order_acq_rel);
      if (x != kNoPendingWrite) SetParamNormalized(tag, x);
    }
  }
  if (Take(shiftsPending))
    for (int program = 0; program < kNumPrograms; ++program)
      if (const int delta = pendingShifts[program].exchange(0, std::memory_order_relaxed); delta != 0)
        store.ShiftPatternOf(program, delta);
  sequencer.TakeStoreChanges();
  ReactToSettingsInForce();
  if (Take(releaseLatchRequest)) sequencer.ReleaseLatch();
  sequencer.TakeQueuedMidi();
}

// ---- Parameters ---------------------------------------------------------------------------------

void TPlugCore::SetParamFromEditor(int tag, int value, bool tellHost) {
  if (tag < 0 || tag >= kNumParams) return;
  if (store.CurrentProgram() < 0) {
    TEngineGuard guard(*this);
    store.EnsureCurrent();
  }
  const TPlugCore* outer = tEchoing;
  tEchoing = this;
  store.StoreParam(tag, value);
  if (tellHost && host_ != nullptr) {
    const int lo = CParamMin[tag], hi = HostMax(tag);
    const float x = hi != lo ? static_cast<float>(static_cast<double>(value - lo) / (hi - lo)) : 0.0f;
    host_->AutomateParam(tag, x);
  }
  tEchoing = outer;
}

void TPlugCore::BeginParamEdit(int tag) {
  if (tag >= 0 && tag < kNumParams && host_ != nullptr) host_->BeginParamEdit(tag);
}

void TPlugCore::EndParamEdit(int tag) {
  if (tag >= 0 && tag < kNumParams && host_ != nullptr) host_->EndParamEdit(tag);
}

void TPlugCore::SetParamNormalized(int tag, float x) {
  if (tag < 0 || tag >= kNumParams) return;
  if (!(x >= 0.0f)) return;  // negative or NaN
  if (x > 1.0f) x = 1.0f;    // +Inf too
  // Writes to undefined tags are ignored: tags 151..198 hold the program name's characters.
  if (!IsDefinedTag(tag)) return;
  if (store.CurrentProgram() < 0) {
    // The first write makes a program current. It never waits: when another thread holds the
    // engine, the write is left for that thread to make as it lets go.
    if (!lock.TryLock()) {
      pendingWrites[tag].store(x, std::memory_order_release);
      writesPending.store(true, std::memory_order_release);
      if (lock.TryLock()) UnlockServicing();  // the holder may have let go meanwhile
      return;
    }
    store.EnsureCurrent();
    UnlockServicing();
  }
  const int lo = CParamMin[tag], hi = HostMax(tag);
  int value = RoundHalfEven(static_cast<double>(x) * (hi - lo) + lo);
  if (tag == tagFormatVersion && value > 127) value = 127;  // stored in one signed byte
  if (tEchoing != this) {
    const int before = store.GetParam(tag);
    store.StoreParam(tag, value);
    store.MarkChanged(tag);  // after the store: the editor must not take the mark and read the old value
    // PatternShift is relative: a write rotates the pattern once, by the change of the value.
    // The echo of the editor's own write, a value sent again, an editor opening and a program
    // change move nothing.
    if (tag == tagPatternShift) RequestPatternShift(store.GetParam(tag) - before);
  }
  React(tag, store.GetParam(tag));
}

void TPlugCore::RequestPatternShift(int delta) {
  const int program = store.CurrentProgram();
  if (delta == 0 || program < 0) return;
  pendingShifts[program].fetch_add(delta, std::memory_order_relaxed);
  shiftsPending.store(true, std::memory_order_release);
  if (lock.TryLock()) UnlockServicing();  // else the lock's holder rotates it as it lets go
}

int TPlugCore::CurChainMax() const { return std::clamp(store.GetParam(tagNumChains), 1, 16); }

int TPlugCore::HostMax(int tag) const { return tag == tagCurChain ? CurChainMax() : CParamMax[tag]; }

float TPlugCore::GetParamNormalized(int tag) const {
  if (tag < 0 || tag >= kNumParams) return 0.0f;
  return NormalizedOf(tag, store.GetParam(tag));
}

float TPlugCore::NormalizedOf(int tag, int value) const {
  if (tag < 0 || tag >= kNumParams) return 0.0f;
  const int lo = CParamMin[tag], hi = HostMax(tag);
  if (hi == lo) return 0.0f;
  const double x = static_cast<double>(value - lo) / (hi - lo);
  return static_cast<float>(x < 0.0 ? 0.0 : (x > 1.0 ? 1.0 : x));
}

ShortText TPlugCore::GetParamName(int tag) const { return HostParamName(tag); }

ShortText TPlugCore::GetParamDisplay(int tag) const {
  if (tag < 0 || tag >= kNumParams) return {};
  return ValueLabel(tag, store.GetParam(tag));
}

// ---- Reactions ------------------------------------------------------------------------------------

void TPlugCore::React(int tag, int value) {
  TReacted* entry = nullptr;
  for (TReacted& r : reacted) entry = r.tag == tag ? &r : entry;
  // Only a change reacts: hosts send unchanged values again (after a session load, in automation
  // playback, in flushes), and a value sent again must not cut or restart what plays.
  if (entry == nullptr || entry->value.exchange(value, std::memory_order_relaxed) == value) return;
  switch (tag) {
    case tagLatch:
      if (value == 0) {
        releaseLatchRequest.store(true, std::memory_order_release);
        if (lock.TryLock()) UnlockServicing();
      }
      break;
    case tagArpEnabled: sequencer.RequestReleaseAll(); break;
    case tagCurChain:
      // The chain's settings are those of the chain named from now on: the editor shows them at
      // once, and the chain is switched to in a block, at the chain quantize.
      store.MarkChainSection();
      sequencer.Chains().RequestSwitch();
      break;
    case tagNumChains:
      // Fewer chains than the one in force: the last chain is in force, whoever lowered the
      // count, so that the chain always lies in the range the host reads and writes it in.
      if (store.GetParam(tagCurChain) > value) {
        store.StoreParam(tagCurChain, value);
        store.MarkChanged(tagCurChain);
        React(tagCurChain, value);
      }
      break;
    default: break;
  }
}

void TPlugCore::ReactToSettingsInForce() {
  // Runs with every block, and looks again only when a setting or the program in force changed.
  // Once a program is current (and so the global settings are set), the values are read
  // straight from their rows.
  const uint32_t version = store.Version();
  if (version == reactedVersion) return;
  reactedVersion = version;
  const int program = store.CurrentProgram();
  for (TReacted& r : reacted) {
    const int now = program >= 0 ? store.LoadByte(r.tag < kFirstChainTag ? 0 : program, r.tag) : store.GetParam(r.tag);
    if (now != r.value.load(std::memory_order_relaxed)) React(r.tag, now);
  }
}

// ---- Programs ------------------------------------------------------------------------------------

void TPlugCore::SetSampleRate(double rate) {
  TEngineGuard guard(*this);
  sequencer.SetSampleRate(rate);
}

void TPlugCore::SetCurrentChainIndex(int chain) {
  TEngineGuard guard(*this);
  store.SetChainRow(chain);
}

void TPlugCore::SelectProgram(int index) {
  TEngineGuard guard(*this);
  store.Select(index);
}

void TPlugCore::InitProgram(bool programOnly) {
  TEngineGuard guard(*this);
  store.EnsureCurrent();
  store.InitProgram(programOnly);
}

void TPlugCore::InitChain() {
  TEngineGuard guard(*this);
  store.InitChain();
}

void TPlugCore::InitializeBank() {
  TEngineGuard guard(*this);
  store.InitializeBank();
}

void TPlugCore::RecallProgram() {
  TEngineGuard guard(*this);
  store.Recall();
}

void TPlugCore::SetProgramName(std::string_view name) {
  TEngineGuard guard(*this);
  store.EnsureCurrent();
  store.SetProgramName(name);
}

void TPlugCore::PasteProgram(int source) {
  TEngineGuard guard(*this);
  store.Paste(source);
}

void TPlugCore::ShiftProgram(int direction) {
  TEngineGuard guard(*this);
  store.Shift(direction);
}

void TPlugCore::PastePage(int sourceProgram, int sourcePage, int targetPage) {
  TEngineGuard guard(*this);
  store.PastePage(sourceProgram, sourcePage, targetPage);
}

void TPlugCore::ShiftPattern(int delta) {
  if (delta == 0) return;
  TEngineGuard guard(*this);
  store.ShiftPattern(delta);
}

void TPlugCore::NotifyProgramList() {
  if (host_ != nullptr) host_->ProgramListChanged();
}

// ---- Chunks and preset files -----------------------------------------------------------------------

int TPlugCore::GetChunk(bool isPreset, const void** data) {
  TEngineGuard guard(*this);
  return store.GetChunk(isPreset, data);
}

int TPlugCore::SetChunk(const void* data, int byteSize, bool isPreset) {
  TEngineGuard guard(*this);
  return store.SetChunk(static_cast<const int8_t*>(data), byteSize, isPreset);
}

std::span<const uint8_t> TPlugCore::BuildFxp() {
  TEngineGuard guard(*this);
  return store.BuildFxp();
}

std::span<const uint8_t> TPlugCore::BuildFxb() {
  TEngineGuard guard(*this);
  return store.BuildFxb();
}

TLoadResult TPlugCore::ApplyCheckedFile(const TPresetCheck& check, TPresetKind kind) {
  // Checked whole before anything is applied: a refused file changes nothing.
  if (!check.ok) return {false, check.reason};
  {
    TEngineGuard guard(*this);
    store.ApplyFile(check, kind);
    store.ForgetProgramListChanged();  // told once, below
  }
  NotifyProgramList();
  return {};
}

TLoadResult TPlugCore::ApplyPresetFile(const uint8_t* data, size_t size, TPresetKind kind) {
  return ApplyCheckedFile(CheckPresetFile(data == nullptr ? std::span<const uint8_t>() : std::span(data, size), kind),
                          kind);
}

TLoadResult TPlugCore::ApplyFxp(const uint8_t* data, size_t size) {
  return ApplyPresetFile(data, size, TPresetKind::program);
}

TLoadResult TPlugCore::ApplyFxb(const uint8_t* data, size_t size) { return ApplyPresetFile(data, size, TPresetKind::bank); }

TLoadResult TPlugCore::LoadFactoryBank(std::span<const uint8_t> file) {
  TProgramStore::TSessionMarks marks;
  {
    TEngineGuard guard(*this);
    marks = store.SessionMarks();
  }
  TLoadResult result = ApplyFxb(file.data(), file.size());
  TEngineGuard guard(*this);
  store.RestoreSessionMarks(marks);
  return result;
}

// ---- Real time --------------------------------------------------------------------------------------

void TPlugCore::HandleMidiIn(int channel, int status, int data1, int data2) {
  const TRealtimeScope realtime;
  const TMidiMsg msg{static_cast<uint8_t>(channel & 0x0F), static_cast<uint8_t>(status & 0xF0),
                     static_cast<uint8_t>(data1 & 0x7F), static_cast<uint8_t>(data2 & 0x7F)};
  if (lock.TryLock()) {
    ServiceRequests();  // anything queued earlier goes first
    sequencer.HandleMidi(msg);
    UnlockServicing();
  } else {
    sequencer.QueueMidi(msg);  // handled by the lock's holder, or before the next block
  }
}

void TPlugCore::HandleMidiInList(std::span<const TMidiEvent> input) {
  const int count = sequencer.OrderInput(input);
  for (int i = 0; i < count; ++i) {
    const TMidiMsg& m = sequencer.InputAt(input, i).msg;
    HandleMidiIn(m.channel, m.status, m.data1, m.data2);
  }
}

std::span<const TMidiOut> TPlugCore::ProcessBlock(int sampleFrames, const THostTime* time,
                                                  std::span<const TMidiEvent> input) {
  const TRealtimeScope realtime;
  if (sampleFrames < 0) sampleFrames = 0;
  if (!lock.TryLock()) {
    // Another thread is changing the programs; this block's time is caught up by the next, and
    // its messages take effect at that block's start.
    deferredSamples = std::min(deferredSamples + sampleFrames, 1 << 24);
    for (const TMidiEvent& event : input) sequencer.QueueMidi(event.msg);
    return {};
  }
  const int late = deferredSamples;
  deferredSamples = 0;
  if (ServiceDue()) ServiceRequests();
  const std::span<const TMidiOut> sent = sequencer.ProcessBlock(sampleFrames, late, time, input);
  // What other threads asked for during the block, and the reactions to what the block changed
  // (a chain's program), are served at the next block's start, or now when something waits.
  lock.Unlock();
  if (RequestsPending() && lock.TryLock()) UnlockServicing();
  return sent;
}

// ---- Delivery to the editor ------------------------------------------------------------------------

void TPlugCore::RequestStatus() { sequencer.MarkStatusAndStep(); }

void TPlugCore::DeliverChanges() {
  if (EditorBusy()) return;
  if (store.TakeChanges() && editorListener != nullptr) {
    for (int tag = 0; tag < kNumParams; ++tag) {
      if (!store.TakeMark(tag)) continue;
      const int v = store.GetParam(tag);
      editorListener->OnParamDisplay(tag, v);
      if (tag < 256) editorListener->OnParamReact(tag, v);
    }
    store.RequestRedraw();
  }
  if (sequencer.TakeStepChanged()) {
    int step;
    {
      TEngineGuard guard(*this);
      step = sequencer.DisplayStep();
    }
    if (editorListener != nullptr) editorListener->OnStepChanged(step);
  }
  if (sequencer.TakeStatusDirty()) {
    TStatusRecord status;
    {
      TEngineGuard guard(*this);
      status = sequencer.BuildStatus();
    }
    if (editorListener != nullptr) editorListener->OnStatusText(status);
  }
  if (editorListener != nullptr && store.TakeRedraw()) editorListener->OnPatternRedraw();
}
