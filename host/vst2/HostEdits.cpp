#include "host/vst2/HostEdits.h"

// The room kept back: one slot for the end of every open gesture. A begin needs two more (its
// own and its end's), an automation or an end one.
THostEdits::TRoute THostEdits::Route(const TEdit& edit, uint32_t roomNeeded) {
  if (std::this_thread::get_id() == uiThread && !Waiting()) return TRoute::Now;
  if (Room() < roomNeeded) return TRoute::Refused;
  const uint32_t w = writeAt.load(std::memory_order_relaxed);
  ring[w & (kCapacity - 1)] = edit;
  writeAt.store(w + 1, std::memory_order_release);
  return TRoute::Kept;
}

void THostEdits::Begin(int tag) {
  if (tag < 0 || tag >= kTags) return;
  const TEdit edit{audioMasterBeginEdit, tag, 0};
  TRoute route;
  {
    const std::lock_guard<std::mutex> guard(editorLock);
    if (open[tag] || refused[tag]) return;  // the host holds it already
    route = Route(edit, static_cast<uint32_t>(open.count()) + 2);
    (route == TRoute::Refused ? refused : open).set(tag);
  }
  if (route == TRoute::Now) send(owner, edit);
}

void THostEdits::Automate(int tag, float value) {
  if (tag < 0 || tag >= kTags) return;
  const TEdit edit{audioMasterAutomate, tag, value};
  TRoute route;
  {
    const std::lock_guard<std::mutex> guard(editorLock);
    route = Route(edit, static_cast<uint32_t>(open.count()) + 1);
  }
  if (route == TRoute::Now) send(owner, edit);
}

void THostEdits::End(int tag) {
  if (tag < 0 || tag >= kTags) return;
  const TEdit edit{audioMasterEndEdit, tag, 0};
  TRoute route;
  {
    const std::lock_guard<std::mutex> guard(editorLock);
    if (refused[tag]) {
      refused.reset(tag);
      return;
    }
    if (!open[tag]) return;  // never begun: the host hears no end of it
    // Its slot was kept back when it began, so an end always finds room.
    route = Route(edit, static_cast<uint32_t>(open.count()));
    open.reset(tag);
  }
  if (route == TRoute::Now) send(owner, edit);
}

// A gesture begun in this block ends in a later one, and what follows its end waits with it: a
// click (press and release inside one idle tick of the editor) then holds its value for a block
// at least, which a host recording touch automation can keep.
void THostEdits::Deliver() {
  std::bitset<kTags> begunNow;
  const uint32_t w = writeAt.load(std::memory_order_acquire);
  for (uint32_t r = readAt.load(std::memory_order_relaxed); r != w; ++r) {
    const TEdit& edit = ring[r & (kCapacity - 1)];
    if (edit.opcode == audioMasterEndEdit && begunNow[edit.tag]) return;
    if (edit.opcode == audioMasterBeginEdit) begunNow.set(edit.tag);
    send(owner, edit);
    // Counted as delivered only once the host has it: an edit made at once never goes ahead.
    readAt.store(r + 1, std::memory_order_release);
  }
}
