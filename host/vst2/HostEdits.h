#pragma once
// What the editor tells the host about the user's gestures (audioMasterBeginEdit,
// audioMasterAutomate, audioMasterEndEdit), made on a thread where the host can take it.
//
// Hosts run the plug-in's editor on their user-interface thread, where these calls are made at
// once. Some hosts run it on a thread of their own instead (Ardour idles the editor on its
// "LXVSTEventLoop" thread), where their automation code must not run: there the calls wait in a
// fixed ring, in the order the editor made them, and the audio thread makes them at the start of
// its next block, where every VST 2.x host takes a plug-in's own automation.
//
// Each begin the host hears is followed by its end, and every automation the ring keeps lies
// between them as the editor made it: room for the end of every open gesture is kept back, so a
// full ring refuses a new gesture whole (its begin and end) and drops automation first (the
// value itself is already in the engine, where the host reads it). Nothing allocates or waits
// on the audio thread. Calls still waiting when processing stops go with the next block after it
// starts again; when the plug-in is closed they are dropped with it.
#include <array>
#include <atomic>
#include <bitset>
#include <cstdint>
#include <mutex>
#include <thread>

#include "engine/Plugin.h"
#include "host/vst2/VstAbi.h"

class THostEdits {
 public:
  static constexpr int kTags = TPlugin::ParamCount();
  static constexpr uint32_t kCapacity = 1024;  // a power of two
  static_assert(kCapacity > kTags + 1, "a begin made at once must leave room for the end of every tag");

  // The host's callback for one edit: audioMasterBeginEdit, audioMasterAutomate (with the
  // value) or audioMasterEndEdit (value 0).
  struct TEdit {
    VstInt32 opcode = 0;
    int32_t tag = 0;
    float value = 0;
  };
  using TSend = void (*)(void* owner, const TEdit& edit);

  // `send` makes the host call; the calling thread here is the host's user-interface thread, where
  // edits are made at once.
  THostEdits(TSend send, void* owner) : send(send), owner(owner), uiThread(std::this_thread::get_id()) {}

  // The editor's calls (any thread but the audio thread; calls from several threads wait for
  // one another, never for the audio thread).
  void Begin(int tag);
  void Automate(int tag, float value);
  void End(int tag);

  // Audio thread, at the start of a block: the waiting edits to the host, in order.
  void Deliver();

  bool Waiting() const { return readAt.load(std::memory_order_acquire) != writeAt.load(std::memory_order_acquire); }

 private:
  // Under the editor's lock: whether the edit is made now (on the user-interface thread, nothing
  // waiting before it), else whether it found room in the ring.
  enum class TRoute { Now, Kept, Refused };
  TRoute Route(const TEdit& edit, uint32_t roomNeeded);
  uint32_t Room() const { return kCapacity - (writeAt.load(std::memory_order_relaxed) - readAt.load(std::memory_order_acquire)); }

  TSend send;
  void* owner;
  std::thread::id uiThread;

  std::mutex editorLock;      // between editor threads only
  std::bitset<kTags> open;    // begun, its end not yet made or kept
  std::bitset<kTags> refused; // begun while the ring was full: its end is dropped too
  std::array<TEdit, kCapacity> ring{};
  std::atomic<uint32_t> writeAt{0}, readAt{0};
};
