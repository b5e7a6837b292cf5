// The block path allocates nothing: thousands of event lists and blocks through the module,
// with keys, thru notes, a program chain, MIDI program changes, transport starts and stops and
// the engine's own clock, and not one heap allocation among them.
//
// The count comes from this program's own malloc family. On Linux the module, loaded with
// dlopen, binds its calls (and those of the C++ library's operator new) to these definitions,
// which the positive control below makes sure of. Sanitizer builds bring their own allocator
// and Windows resolves imports per module, so the test exists only for plain Linux builds.
#if defined(__linux__) && !defined(__SANITIZE_THREAD__) && !defined(__SANITIZE_ADDRESS__) && !defined(MOLTRIN_SANITIZED)

#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/ParamNames.h"
#include "hosts/vst2/MidiList.h"
#include "hosts/vst2/Host.h"

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* block);
}

namespace {

std::atomic<long> gAllocations{0};
thread_local bool tCounting = false;  // only the thread under test counts

void Count() {
  if (tCounting) gAllocations.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

extern "C" {
void* malloc(size_t size) {
  Count();
  return __libc_malloc(size);
}
void* calloc(size_t count, size_t size) {
  Count();
  return __libc_calloc(count, size);
}
void* realloc(void* block, size_t size) {
  Count();
  return __libc_realloc(block, size);
}
void* memalign(size_t alignment, size_t size) {
  Count();
  return __libc_memalign(alignment, size);
}
void* aligned_alloc(size_t alignment, size_t size) {
  Count();
  return __libc_memalign(alignment, size);
}
int posix_memalign(void** block, size_t alignment, size_t size) {
  Count();
  void* p = __libc_memalign(alignment, size);
  if (p == nullptr) return 12;  // ENOMEM
  *block = p;
  return 0;
}
void free(void* block) { __libc_free(block); }
}

namespace {

// Counts the allocations the calling thread makes inside `run`.
template <class F> long AllocationsDuring(F&& run) {
  const long before = gAllocations.load();
  tCounting = true;
  run();
  tCounting = false;
  return gAllocations.load() - before;
}

// A host that itself allocates nothing while the plug-in runs: a fixed clock record, fixed
// event lists, and counters for what comes back.
struct LeanHost {
  static inline VstTimeInfo time{};
  static inline long noteOns = 0, noteOffs = 0, programChanges = 0, controllers = 0;

  static VstIntPtr Callback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float) {
    switch (opcode) {
      case audioMasterVersion: return 2400;
      case audioMasterCanDo: return vst2host::AnswerFactoryBankQuestion(ptr, false);  // the defaults
      case audioMasterGetTime: return reinterpret_cast<VstIntPtr>(&time);
      case audioMasterProcessEvents: {
        const auto* list = static_cast<const VstEvents*>(ptr);
        auto* const* events = reinterpret_cast<VstEvent* const*>(reinterpret_cast<const char*>(list) +
                                                                  offsetof(VstEvents, events));
        for (VstInt32 i = 0; i < list->numEvents; ++i) {
          const auto* m = reinterpret_cast<const VstMidiEvent*>(events[i]);
          const int status = m->midiData[0] & 0xF0;
          if (status == 0x90 && m->midiData[2] > 0) ++noteOns;
          else if (status == 0x80 || status == 0x90) ++noteOffs;
          else if (status == 0xC0) ++programChanges;
          else ++controllers;
        }
        return 1;
      }
      default: return 0;
    }
  }
};

class Player {
 public:
  explicit Player(AEffect* fx) : fx(fx) {
    LeanHost::time = VstTimeInfo{};
    LeanHost::time.sampleRate = 48000;
    LeanHost::time.tempo = 120;
    LeanHost::time.flags = kVstPpqPosValid | kVstTempoValid;
  }

  void Add(uint8_t status, uint8_t data1, uint8_t data2) { list.Add(status, data1, data2); }
  // The block path: the events gathered since the last block, then the block.
  void Block() {
    if (list.Count() > 0) fx->dispatcher(fx, effProcessEvents, 0, 0, list.Events(), 0.0f);
    list.Clear();
    float* buffers[1] = {output};
    fx->processReplacing(fx, buffers, buffers, kFrames);
    VstTimeInfo& t = LeanHost::time;
    t.samplePos += kFrames;
    if (t.flags & kVstTransportPlaying) t.ppqPos += kFrames / t.sampleRate * t.tempo / 60.0;
  }
  void Transport(bool playing) {
    VstTimeInfo& t = LeanHost::time;
    const bool was = (t.flags & kVstTransportPlaying) != 0;
    t.flags = (t.flags & ~(kVstTransportPlaying | kVstTransportChanged)) | (playing ? kVstTransportPlaying : 0) |
              (playing != was ? kVstTransportChanged : 0);
  }
  void Write(int tag, int value) {
    const float x =
        static_cast<float>(value - CParamMin[tag]) / static_cast<float>(CParamMax[tag] - CParamMin[tag]);
    fx->setParameter(fx, tag, x);
  }

 private:
  static constexpr int kCapacity = 32;
  static constexpr int kFrames = 64;
  AEffect* fx;
  vst2host::MidiList<kCapacity> list;
  float output[kFrames] = {};
};

}  // namespace

TEST(NoAllocation, BlockPathAllocatesNothing) {
  std::string error;
  vst2host::EntryProc entry = vst2host::LoadEntry(vst2host::DefaultModulePath(), &error);
  ASSERT_NE(entry, nullptr) << error;

  // Positive control: the plug-in's own construction allocates, and the count sees it.
  AEffect* fx = nullptr;
  const long atCreation = AllocationsDuring([&] { fx = entry(&LeanHost::Callback); });
  ASSERT_NE(fx, nullptr);
  EXPECT_GT(atCreation, 0) << "the counter does not see the module's allocations";

  fx->dispatcher(fx, effOpen, 0, 0, nullptr, 0.0f);
  fx->dispatcher(fx, effSetSampleRate, 0, 0, nullptr, 48000.0f);
  fx->dispatcher(fx, effSetBlockSize, 0, 64, nullptr, 0.0f);
  fx->dispatcher(fx, effMainsChanged, 0, 1, nullptr, 0.0f);
  Player p(fx);

  // Three short, fast programs of chord steps for a chain, which advances at every wrap.
  for (int program = 2; program <= 4; ++program) {
    fx->dispatcher(fx, effSetProgram, 0, program, nullptr, 0.0f);
    p.Write(tagSteps, program * 2);
    p.Write(tagSync, program == 3 ? 8 : 0);  // "1/48", and one three-part rate
    for (int step = 0; step < 8; step += 2) p.Write(tagKey_select + step, 6);
  }
  fx->dispatcher(fx, effSetProgram, 0, 0, nullptr, 0.0f);
  p.Write(tagChainQuantize, 1);  // "1 step"
  p.Write(tagCurChain, 1);
  p.Block();  // the chain in force is now 1: its section takes the slots
  for (int slot = 0; slot < 3; ++slot) p.Write(tagChainProg + slot, 3 + slot);
  p.Write(tagSendBankNum, 3);
  p.Write(tagSendPatchNum, 9);
  p.Write(tagSendVolume, 101);

  long allocations = 0;
  int blocks = 0;
  auto play = [&](int count) {
    allocations += AllocationsDuring([&] {
      for (int i = 0; i < count; ++i) p.Block();
    });
    blocks += count;
  };
  const uint8_t chords[3][4] = {{48, 55, 60, 64}, {50, 57, 62, 65}, {43, 50, 59, 62}};
  p.Transport(true);
  for (int round = 0; round < 60; ++round) {
    const auto& chord = chords[round % 3];
    // Settings change between blocks, as a host writes them.
    switch (round % 12) {
      case 3: p.Write(tagArpEnabled, 0); break;            // keys pass thru
      case 5: p.Write(tagArpEnabled, 1); break;
      case 6: p.Transport(false); break;                   // the engine's own clock
      case 8: p.Transport(true); break;
      case 9: p.Write(tagLatch, 1); break;
      case 10: p.Write(tagLatch, 0); break;
      case 11: p.Write(tagCurChain, round % 24 == 11 ? 2 : 1); break;  // chain switches
      default: break;
    }
    for (const uint8_t key : chord) p.Add(0x90, key, 100);
    p.Add(0xB0, 1, static_cast<uint8_t>(round));      // passed on
    p.Add(0xE0, 0, static_cast<uint8_t>(64 + round)); // passed on
    if (round % 7 == 0) p.Add(0xC0, static_cast<uint8_t>(2 + round % 3), 0);
    play(150);
    for (const uint8_t key : chord) p.Add(0x80, key, 0);
    play(50);
  }
  p.Transport(false);
  play(2 * 48000 / 64);

  EXPECT_EQ(allocations, 0) << "heap allocations on the block path";
  std::printf("%d blocks, %ld allocations; %ld at the plug-in's creation; out: %ld note-ons, %ld note-offs, "
              "%ld program changes, %ld other messages\n",
              blocks, allocations, atCreation, LeanHost::noteOns, LeanHost::noteOffs, LeanHost::programChanges,
              LeanHost::controllers);
  // The walk did what it claims: notes, thru notes and the chain's messages left the plug-in.
  EXPECT_GT(LeanHost::noteOns, 100);
  EXPECT_GT(LeanHost::noteOffs, 100);
  EXPECT_GT(LeanHost::programChanges, 0) << "the chain never switched";
  EXPECT_GT(LeanHost::controllers, 0);
  fx->dispatcher(fx, effClose, 0, 0, nullptr, 0.0f);
}

// Names and displays are built in place: a host may ask for them on its audio thread.
TEST(NoAllocation, ParameterNamesAndDisplaysAllocateNothing) {
  std::string error;
  vst2host::EntryProc entry = vst2host::LoadEntry(vst2host::DefaultModulePath(), &error);
  ASSERT_NE(entry, nullptr) << error;
  AEffect* fx = nullptr;
  ASSERT_GT(AllocationsDuring([&] { fx = entry(&LeanHost::Callback); }), 0) << "the counter sees the module";
  ASSERT_NE(fx, nullptr);
  fx->dispatcher(fx, effSetProgram, 0, 0, nullptr, 0.0f);
  char text[256];
  for (const float x : {-1.0f, 0.0f, 0.5f, 1.0f}) {  // the defaults, then every tag at three places
    if (x >= 0.0f)
      for (VstInt32 tag = 0; tag < 576; ++tag) fx->setParameter(fx, tag, x);
    const long allocations = AllocationsDuring([&] {
      for (VstInt32 tag = 0; tag < 576; ++tag) {
        fx->dispatcher(fx, effGetParamName, tag, 0, text, 0.0f);
        fx->dispatcher(fx, effGetParamDisplay, tag, 0, text, 0.0f);
      }
    });
    EXPECT_EQ(allocations, 0) << "every tag at " << x;
  }
  fx->dispatcher(fx, effClose, 0, 0, nullptr, 0.0f);
}

#endif
