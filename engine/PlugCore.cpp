// Parameter access by tag, the engine lock and the delivery of changes to the editor.
#include "engine/PlugCore.h"

#include <cmath>
#include <cstring>

#include "engine/KeyUtils.h"
#include "engine/PositionText.h"

namespace {

// The engine whose editor change is being reported to the host on this thread. The host's
// echo of that change arrives through SetParamNormalized on the same thread and must not
// store the value a second time; writes from other threads meanwhile are ordinary writes.
thread_local const TPlugCore* tEchoing = nullptr;

int RoundHalfEven(double x) { return static_cast<int>(std::nearbyint(x)); }

}  // namespace

TPlugCore::TPlugCore() {
  for (TReacted& r : reacted) r.value.store(CParamDef[r.tag], std::memory_order_relaxed);
  for (auto& x : pendingWrites) x.store(kNoPendingWrite, std::memory_order_relaxed);
}

// ---- Engine lock -------------------------------------------------------------------------

TEngineGuard::TEngineGuard(TPlugCore& c) : core(c) { core.lock.Lock(); }

TEngineGuard::~TEngineGuard() {
  core.UnlockServicing();
  if (TakeFlag(core.programListPending)) core.NotifyProgramList();
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

bool TPlugCore::RequestsPending() const {
  return releaseLatchRequest.load(std::memory_order_acquire) || !midiIn.Empty() ||
         writesPending.load(std::memory_order_acquire);
}

void TPlugCore::ServiceRequests() {
  if (TakeFlag(writesPending)) {
    // Host writes that came while no program was current and the lock was taken.
    EnsureCurrentProgram();
    for (int tag = 0; tag < kNumParams; ++tag) {
      const float x = pendingWrites[tag].exchange(kNoPendingWrite, std::memory_order_acq_rel);
      if (x != kNoPendingWrite) SetParamNormalized(tag, x);
    }
  }
  ReactToSettingsInForce();
  if (TakeFlag(releaseLatchRequest)) KeyFilter.ReleaseLatch();
  TMidiMsg msg;
  while (midiIn.Pop(msg)) HandleMidiLocked(msg);
}

// ---- Rows ----------------------------------------------------------------------------------

int TPlugCore::RowFor(int tag) const {
  if (tag < kFirstChainTag) return 0;
  if (tag < kFirstProgramTag) {
    int chain = CurrentChain.load(std::memory_order_relaxed);
    return (chain >= 0 && chain < kNumPrograms) ? chain : 0;
  }
  int program = CurrentProgram.load(std::memory_order_relaxed);
  return (program >= 0 && program < kNumPrograms) ? program : 0;
}

// ---- Access by tag -----------------------------------------------------------------------

int TPlugCore::GetParam(int tag, int slot) const {
  if (slot > 0) tag += slot;
  if (tag < 0 || tag >= kNumParams) return 0;
  int row = RowFor(tag);
  // Settings never initialised (before the first program selection or chunk) read as the
  // defaults they will get.
  if (IsDefinedTag(tag)) {
    bool fresh = tag < kFirstProgramTag ? !GlobalsValid.load(std::memory_order_relaxed)
                                        : LoadByte(row, tagSteps) == 0 && tag != tagProgName;
    if (fresh) return CParamDef[tag];
  }
  return LoadByte(row, tag);
}

void TPlugCore::StoreParam(int tag, int value) {
  if (tag < 0 || tag >= kNumParams) return;
  StoreByte(RowFor(tag), tag, static_cast<int8_t>(value & 0xFF));
}

void TPlugCore::MarkChanged(int tag, bool on) {
  if (tag < 0 || tag >= kNumParams) return;
  if (CParamMax[tag] != 0) ParamChanged[tag].store(on ? 1 : 0, std::memory_order_relaxed);
  AnyChanged.store(on, std::memory_order_relaxed);
  ChangesPending.store(on, std::memory_order_release);
}

void TPlugCore::SetParamFromEditor(int tag, int value, bool tellHost) {
  if (tag < 0 || tag >= kNumParams) return;
  if (CurrentProgram.load(std::memory_order_relaxed) < 0) {
    TEngineGuard guard(*this);
    EnsureCurrentProgram();
  }
  const TPlugCore* outer = tEchoing;
  tEchoing = this;
  StoreParam(tag, value);
  if (tellHost && OnParamAutomate) {
    const int lo = CParamMin[tag], hi = HostMax(tag);
    float x = hi != lo ? static_cast<float>(static_cast<double>(value - lo) / (hi - lo)) : 0.0f;
    OnParamAutomate(tag, x);
  }
  tEchoing = outer;
}

void TPlugCore::BeginParamEdit(int tag) {
  if (tag >= 0 && tag < kNumParams && OnParamBeginEdit) OnParamBeginEdit(tag);
}

void TPlugCore::EndParamEdit(int tag) {
  if (tag >= 0 && tag < kNumParams && OnParamEndEdit) OnParamEndEdit(tag);
}

void TPlugCore::SetParamNormalized(int tag, float x) {
  if (tag < 0 || tag >= kNumParams) return;
  if (!(x >= 0.0f)) return;  // negative or NaN
  if (x > 1.0f) x = 1.0f;    // +Inf too
  // Writes to undefined tags are ignored: tags 151..198 hold the program name's characters.
  if (!IsDefinedTag(tag)) return;
  if (CurrentProgram.load(std::memory_order_relaxed) < 0) {
    // The first write makes a program current. It never waits: when another thread holds the
    // engine, the write is left for that thread to make as it lets go.
    if (!lock.TryLock()) {
      pendingWrites[tag].store(x, std::memory_order_release);
      writesPending.store(true, std::memory_order_release);
      if (lock.TryLock()) UnlockServicing();  // the holder may have let go meanwhile
      return;
    }
    EnsureCurrentProgram();
    UnlockServicing();
  }
  const int lo = CParamMin[tag], hi = HostMax(tag);
  int value = RoundHalfEven(static_cast<double>(x) * (hi - lo) + lo);
  if (tag == tagFormatVersion && value > 127) value = 127;  // stored in one signed byte
  if (tEchoing != this) {
    StoreParam(tag, value);
    MarkChanged(tag);  // after the store: the editor must not take the flag and read the old value
  }
  React(tag, GetParam(tag));
}

// ---- Reactions -----------------------------------------------------------------------------

void TPlugCore::React(int tag, int value) {
  TReacted* entry = nullptr;
  for (TReacted& r : reacted) entry = r.tag == tag ? &r : entry;
  if (entry == nullptr) return;
  entry->value.store(value, std::memory_order_relaxed);  // before the latch's servicing below
  switch (tag) {
    case tagLatch:
      if (value == 0) {
        releaseLatchRequest.store(true, std::memory_order_release);
        if (lock.TryLock()) UnlockServicing();
      }
      break;
    case tagArpEnabled: ReleaseAll.store(true, std::memory_order_relaxed); break;
    case tagCurChain: ChainSwitchRequest.store(true, std::memory_order_relaxed); break;
    case tagNumChains:
      // Fewer chains than the one in force: the last chain is in force, whoever lowered the
      // count, so that the chain always lies in the range the host reads and writes it in.
      if (GetParam(tagCurChain) > value) {
        StoreParam(tagCurChain, value);
        MarkChanged(tagCurChain);
        React(tagCurChain, value);
      }
      break;
    default: break;
  }
}

void TPlugCore::ReactToSettingsInForce() {
  // Runs with every block: once a program is current (and so the global settings are set), the
  // values are read straight from their rows.
  const int program = CurrentProgram.load(std::memory_order_relaxed);
  for (TReacted& r : reacted) {
    const int now = program >= 0 ? LoadByte(r.tag < kFirstChainTag ? 0 : program, r.tag) : GetParam(r.tag);
    if (now != r.value.load(std::memory_order_relaxed)) React(r.tag, now);
  }
}

int TPlugCore::HostMax(int tag) const { return tag == tagCurChain ? CurChainMax() : CParamMax[tag]; }

float TPlugCore::GetParamNormalized(int tag) const {
  if (tag < 0 || tag >= kNumParams) return 0.0f;
  const int lo = CParamMin[tag], hi = HostMax(tag);
  if (hi == lo) return 0.0f;
  double x = static_cast<double>(GetParam(tag) - lo) / (hi - lo);
  return static_cast<float>(x < 0.0 ? 0.0 : (x > 1.0 ? 1.0 : x));
}

ShortText TPlugCore::GetParamName(int tag) const { return HostParamName(tag); }

ShortText TPlugCore::GetParamDisplay(int tag) const {
  if (tag < 0 || tag >= kNumParams) return {};
  return ValueLabel(tag, GetParam(tag));
}

void TPlugCore::MarkAllChanged(bool programOnly) {
  auto mark = [this](int from, int to) {
    for (int tag = from; tag <= to; ++tag)
      if (CParamMax[tag] != 0) ParamChanged[tag].store(1, std::memory_order_relaxed);
  };
  if (!programOnly) {
    mark(1, 79);
    mark(81, 92);
  }
  mark(kFirstProgramTag, kNumParams - 1);
  AnyChanged.store(true, std::memory_order_relaxed);
  ChangesPending.store(true, std::memory_order_release);
}

void TPlugCore::MarkStepsChanged() {
  for (int tag = tagSemitone; tag < kNumParams; ++tag)
    if (CParamMax[tag] != 0) ParamChanged[tag].store(1, std::memory_order_relaxed);
  AnyChanged.store(true, std::memory_order_relaxed);
  ChangesPending.store(true, std::memory_order_release);
}

// ---- Delivery to the editor ----------------------------------------------------------------

void TPlugCore::DeliverChanges() {
  if (EditorBusy.load(std::memory_order_relaxed)) return;
  if (ChangesPending.exchange(false, std::memory_order_acq_rel)) {
    if (AnyChanged.load(std::memory_order_relaxed) && editorListener != nullptr) {
      for (int tag = 0; tag < kNumParams; ++tag) {
        if (ParamChanged[tag].exchange(0, std::memory_order_relaxed) == 0) continue;
        int v = GetParam(tag);
        editorListener->OnParamDisplay(tag, v);
        if (tag < 256) editorListener->OnParamReact(tag, v);
      }
      RedrawPending.store(true, std::memory_order_relaxed);
    }
  }
  if (StepChanged.exchange(false, std::memory_order_acq_rel)) {
    int step;
    {
      TEngineGuard guard(*this);
      step = DisplayStep;
    }
    if (editorListener != nullptr) editorListener->OnStepChanged(step);
  }
  if (StatusDirty.exchange(false, std::memory_order_acq_rel)) {
    TStatusRecord status;
    {
      TEngineGuard guard(*this);
      status = BuildStatus();
    }
    if (editorListener != nullptr) editorListener->OnStatusText(status);
  }
  if (RedrawPending.load(std::memory_order_relaxed) && editorListener != nullptr) {
    RedrawPending.store(false, std::memory_order_relaxed);
    editorListener->OnPatternRedraw();
  }
}

TStatusRecord TPlugCore::BuildStatus() {
  TStatusRecord s;
  if (Playing)
    s.Beat = FormatPosition(PpqAtStep);
  else
    s.Beat.Assign("-");
  if (DisplayStep >= 0)
    s.Step = FormatPosition(StepPosAtStep);
  else
    s.Step.Assign("-");
  s.NoteOut = FormatKeyList(NoteOutKeys);
  s.KeysPre = KeyFilter.FormatActiveKeys();
  s.KeysPost = KeyFilter.FormatStepKeys();
  s.Chord = KeyFilter.FormatChord();
  return s;
}
