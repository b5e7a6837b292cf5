#pragma once
// A session with the LV2 bundle as the tests play it: the lilv host, a whole bank handed over
// through the plug-in's state (step rows are no ports), the transport told by time:Position
// objects, and what the engine holds read back by an engine of the test's own from the state
// the plug-in saves.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/Plugin.h"
#include "host/lv2/Lv2Ports.h"
#include "host/lv2/Lv2Uris.h"
#include "host/lv2/StateBlob.h"
#include "hosts/lv2/Lv2Host.h"
#include "platform/Files.h"
#include "tests/support/GoldenList.h"

namespace lv2test {

// Writes a stored value through the engine's 0..1 scale, as a host writes it.
inline void Set(TPlugin& p, int tag, int value) {
  const TParamInfo desc = p.ParamInfo(tag);
  p.SetNormalized(tag, static_cast<float>(value - desc.min) / static_cast<float>(desc.max - desc.min));
}

inline int Get(const TPlugin& p, int tag) {
  const TParamInfo desc = p.ParamInfo(tag);
  return static_cast<int>(std::lround(p.GetNormalized(tag) * (desc.max - desc.min) + desc.min));
}

// The state of a bank made by `setup` on a fresh engine with program 1 current (the plain
// defaults, as the VST 2.x tests' modules start without the factory bank).
inline lv2host::Property BankProperty(const std::function<void(TPlugin&)>& setup) {
  TPlugin p(nullptr);
  p.SelectProgram(0);
  if (setup) setup(p);
  const void* chunk = nullptr;
  const int size = p.GetChunk(false, &chunk);
  return {MOLTRIN_LV2_BANK, "http://lv2plug.in/ns/ext/atom#Chunk", 3,
          WriteStateBlob(TStateKind::kBank, p.CurrentProgram(),
                         std::span(static_cast<const uint8_t*>(chunk), static_cast<size_t>(size)))};
}

// The arpeggiator off and thru on: a note sounds as long as its key is held.
inline lv2host::Property ThruBank() {
  return BankProperty([](TPlugin& p) {
    Set(p, tagArpEnabled, 0);
    Set(p, tagMIDIThruOn, 1);
  });
}

// An engine with the bundle's factory bank, as a fresh instance starts.
inline std::unique_ptr<TPlugin> FactoryEngine() {
  auto engine = std::make_unique<TPlugin>(nullptr);
  std::vector<uint8_t> bank;
  EXPECT_EQ(ReadWholeFile(lv2host::DefaultBundle() + "/Moltrin_FactoryBank.fxb", 1 << 20, bank), TReadResult::Read);
  EXPECT_EQ(engine->LoadFactoryBank(bank), "");
  return engine;
}

// An engine holding what the plug-in's saved state holds; null when it saved none.
inline std::unique_ptr<TPlugin> EngineOf(lv2host::Host& host) {
  for (const lv2host::Property& p : host.SaveProperties()) {
    TStateBlob blob;
    if (p.key != MOLTRIN_LV2_BANK || !ReadStateBlob(p.value, blob)) continue;
    auto engine = std::make_unique<TPlugin>(nullptr);
    engine->SetChunk(blob.chunk.data(), static_cast<int>(blob.chunk.size()), false);
    if (blob.program >= 0) engine->SelectProgram(blob.program);
    engine->Process(64, nullptr, {});  // the chain the bank names takes effect in a block
    return engine;
  }
  return nullptr;
}

// The transport at `sample` of a song that started at 0 with `bpm` quarter notes a minute, 4/4.
inline lv2host::Position PositionAt(double sample, double rate, double bpm, bool playing) {
  lv2host::Position p;
  const double beats = sample / rate * bpm / 60.0;
  p.bpm = bpm;
  p.speed = playing ? 1.0 : 0.0;
  p.beatsPerBar = 4;
  p.beatUnit = 4;
  p.bar = std::floor(beats / 4);
  p.barBeat = beats - *p.bar * 4;
  p.frame = static_cast<int64_t>(sample);
  return p;
}

// Whether `sent` is the list kept as tests/golden/<name>.txt, read and never written: LV2 is
// held to what the VST 2.x tests keep. With `slack`, each event may lie one frame off (where a
// step falls halfway between two frames, the frame taken depends on where a block starts).
inline testing::AssertionResult MatchesKeptList(const std::string& name, const std::vector<golden::Event>& sent,
                                                bool slack = false) {
  std::ifstream in(golden::Folder() + "/" + name + ".txt");
  std::stringstream kept;
  kept << in.rdbuf();
  std::string error;
  const auto list = golden::ParseList(kept.str(), &error);
  if (!list) return testing::AssertionFailure() << name << ": " << error;
  if (slack && list->size() == sent.size()) {
    bool near = true;
    for (size_t i = 0; i < sent.size(); ++i) {
      const golden::Event &a = (*list)[i], &b = sent[i];
      near = near && a.status == b.status && a.data1 == b.data1 && a.data2 == b.data2 && std::llabs(a.sample - b.sample) <= 1;
    }
    if (near) return testing::AssertionSuccess();
  }
  const std::string difference = golden::Difference(*list, sent);
  if (difference.empty()) return testing::AssertionSuccess();
  return testing::AssertionFailure() << name << ":\n" << difference;
}

// Everything the host received, at sample positions from its first block.
inline std::vector<golden::Event> SentEvents(const lv2host::Host& host, int blockSize) {
  std::vector<golden::Event> sent;
  for (const lv2host::MidiOut& m : host.Out())
    sent.push_back({static_cast<long long>(m.block) * blockSize + m.frame, m.bytes[0], m.bytes[1], m.bytes[2]});
  return sent;
}

// A started host, or a test failure.
inline std::unique_ptr<lv2host::Host> StartedHost(double rate = 44100, int maxBlock = 8192) {
  auto host = std::make_unique<lv2host::Host>();
  if (!host->Start(rate, maxBlock)) {
    ADD_FAILURE() << host->LastError();
    return nullptr;
  }
  return host;
}

}  // namespace lv2test
