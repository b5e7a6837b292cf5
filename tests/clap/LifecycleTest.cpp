// moltrin.clap as hosts find and drive it, well and badly: the entry, factory and descriptor;
// the note ports; blocks before activation; notes sounding when the host deactivates or resets;
// the transport inside a block; hostile event lists; calls from the wrong thread.
#include <gtest/gtest.h>

#include <clap/ext/audio-ports.h>
#include <clap/plugin-features.h>

#include <cmath>
#include <string>
#include <vector>

#include "engine/ParamNames.h"
#include "engine/Realtime.h"
#include "tests/clap/ClapScript.h"

namespace {

int Sounding(const claphost::Host& host) { return clapscript::Sounding(host.SentEvents()); }

int NoteOns(const claphost::Host& host) {
  int n = 0;
  for (const claphost::Sent& s : host.SentEvents()) {
    uint8_t b[3];
    n += s.AsMidi(b) && (b[0] & 0xF0) == 0x90 && b[2] > 0;
  }
  return n;
}

TEST(ClapEntry, TheFactoryMakesOneNoteEffectAndRefusesOtherRequests) {
  std::string error;
  const clap_plugin_entry_t* entry = claphost::LoadEntry(claphost::DefaultModulePath(), &error);
  ASSERT_NE(entry, nullptr) << error;
  EXPECT_TRUE(clap_version_is_compatible(entry->clap_version));
  EXPECT_EQ(entry->get_factory("clap.no-such-factory"), nullptr);
  EXPECT_EQ(entry->get_factory(nullptr), nullptr);
  const auto* factory = static_cast<const clap_plugin_factory_t*>(entry->get_factory(CLAP_PLUGIN_FACTORY_ID));
  ASSERT_NE(factory, nullptr);
  ASSERT_EQ(factory->get_plugin_count(factory), 1u);
  EXPECT_EQ(factory->get_plugin_descriptor(factory, 1), nullptr);
  const clap_plugin_descriptor_t* d = factory->get_plugin_descriptor(factory, 0);
  ASSERT_NE(d, nullptr);
  EXPECT_STREQ(d->id, "org.moltrin.arpeggiator");
  EXPECT_STREQ(d->name, "Moltrin");
  EXPECT_STREQ(d->version, "1.3.1");
  std::vector<std::string> features;
  for (const char* const* f = d->features; f != nullptr && *f != nullptr; ++f) features.push_back(*f);
  EXPECT_EQ(features, (std::vector<std::string>{CLAP_PLUGIN_FEATURE_NOTE_EFFECT, CLAP_PLUGIN_FEATURE_UTILITY}));

  claphost::Host host;
  ASSERT_TRUE(host.Create());
  EXPECT_EQ(factory->create_plugin(factory, nullptr, d->id), nullptr) << "no host";
  EXPECT_EQ(factory->create_plugin(factory, reinterpret_cast<const clap_host_t*>(host.Plugin()), "org.other.plugin"),
            nullptr);
}

TEST(ClapEntry, OneNotePortEachWayTakingNotesAndMidiPreferringMidi) {
  claphost::Host host;
  ASSERT_TRUE(host.Create());
  const clap_plugin_note_ports_t* ports = host.NotePorts();
  ASSERT_NE(ports, nullptr);
  for (bool input : {true, false}) {
    ASSERT_EQ(ports->count(host.Plugin(), input), 1u);
    clap_note_port_info_t info{};
    ASSERT_TRUE(ports->get(host.Plugin(), 0, input, &info));
    EXPECT_EQ(info.supported_dialects, static_cast<uint32_t>(CLAP_NOTE_DIALECT_CLAP | CLAP_NOTE_DIALECT_MIDI));
    EXPECT_EQ(info.preferred_dialect, static_cast<uint32_t>(CLAP_NOTE_DIALECT_MIDI));
    EXPECT_FALSE(ports->get(host.Plugin(), 1, input, &info));
  }
  EXPECT_EQ(host.Plugin()->get_extension(host.Plugin(), CLAP_EXT_AUDIO_PORTS), nullptr) << "no audio";
}

TEST(ClapLifecycle, ABlockBeforeActivationOrAfterDeactivationDoesNothing) {
  claphost::Host host;
  ASSERT_TRUE(host.Create());
  host.Note(true, 0, 60, 0.8);
  EXPECT_FALSE(host.RunBlock(512));
  EXPECT_TRUE(host.SentEvents().empty());
  ASSERT_TRUE(host.Activate(44100, 512));
  host.StartProcessing();
  host.Note(true, 0, 60, 0.8);
  host.PlayBlocks(4);
  EXPECT_GT(NoteOns(host), 0);
  host.Deactivate();
  host.ClearRecords();
  host.Note(true, 0, 64, 0.8);
  EXPECT_FALSE(host.RunBlock(512));
  EXPECT_TRUE(host.SentEvents().empty());
}

TEST(ClapLifecycle, NotesSoundingWhenTheHostStopsThePluginEndAtTheNextBlock) {
  struct Case {
    const char* what;
    void (*stop)(claphost::Host&);
  };
  const Case cases[] = {
      {"deactivate and activate", [](claphost::Host& h) {
         h.Deactivate();
         ASSERT_TRUE(h.Activate(48000, 256));
         h.StartProcessing();
       }},
      {"reset", [](claphost::Host& h) {
         h.StopProcessing();
         h.Reset();
         h.StartProcessing();
       }},
  };
  for (uint32_t dialects : {uint32_t{CLAP_NOTE_DIALECT_MIDI}, uint32_t{CLAP_NOTE_DIALECT_CLAP}}) {
    for (const Case& c : cases) {
      claphost::Host host;
      host.dialects = dialects;
      ASSERT_TRUE(host.Create());
      host.SetParam(tagArpEnabled, 0);  // thru: a note sounds as long as its key is held
      host.SetParam(tagMIDIThruOn, 1);
      ASSERT_TRUE(host.Activate(44100, 256));
      host.StartProcessing();
      host.Note(true, 0, 60, 0.8);
      host.Note(true, 3, 72, 0.5, 10);
      host.RunBlocks(2);
      ASSERT_EQ(Sounding(host), 2) << c.what;
      c.stop(host);
      host.RunBlock();
      EXPECT_EQ(Sounding(host), 0) << c.what;
      for (const claphost::Sent& s : host.SentEvents())
        if (s.block == host.BlocksRun() - 1) {
          EXPECT_EQ(s.time, 0u) << c.what << ": the offs lead the block";
        }
    }
  }
}

TEST(ClapLifecycle, TheTransportTakesEffectAtItsFrameInsideABlock) {
  // Stopped with a key held (the own clock plays), then the host starts its transport at beat 8
  // on frame 1000 of a block of 4096: the step at the start position plays on that frame, the
  // following steps on the transport's grid from there.
  claphost::Host host;
  ASSERT_TRUE(host.Create());
  host.SetParam(tagSync, 0);
  ASSERT_TRUE(host.Activate(44100, 4096));
  host.StartProcessing();
  host.Note(true, 0, 60, 0.8);
  host.RunBlock();
  host.ClearRecords();
  host.TransportAt({true, true, 8.0, 120, 44100}, 1000);
  host.RunBlock();
  std::vector<uint32_t> ons;
  for (const claphost::Sent& s : host.SentEvents()) {
    uint8_t b[3];
    if (s.AsMidi(b) && (b[0] & 0xF0) == 0x90 && b[2] > 0 && s.time >= 1000) ons.push_back(s.time);
  }
  // 1/48 at 120 quarter notes per minute: a step every 1837.5 frames (the own clock's next
  // would have come at 1928).
  ASSERT_EQ(ons.size(), 2u);
  EXPECT_EQ(ons[0], 1000u);
  EXPECT_NEAR(ons[1], 1000 + 1837.5, 1);
}

TEST(ClapLifecycle, HostileEventListsAreTakenSafely) {
  claphost::Host host;
  ASSERT_TRUE(host.Create());
  host.SetParam(tagArpEnabled, 0);
  host.SetParam(tagMIDIThruOn, 1);
  ASSERT_TRUE(host.Start(44100, 256));
  host.sortEvents = false;
  // Out of order and past the block's end: each taken no earlier than the part already played.
  host.Note(true, 0, 60, 0.8, 200);
  host.ParamValue(tagMTransp_semi, 2, 100);
  host.Note(true, 0, 62, 0.8, 50);
  host.Note(true, 0, 64, 0.8, 100000);
  host.Midi(0xF8, 0, 0, 10);  // a system message: not for the engine
  host.Midi(0x95, 200, 255, 20);  // data bytes with the top bit set
  host.Note(true, 0, 300, 0.8, 30);  // no key
  host.Note(true, 16, 61, 0.8, 30);  // no channel
  host.Note(true, 1, 61, std::nan(""), 30);
  host.RunBlock();
  std::vector<std::pair<uint32_t, int>> ons;
  for (const claphost::Sent& s : host.SentEvents()) {
    uint8_t b[3];
    if (s.AsMidi(b) && (b[0] & 0xF0) == 0x90 && b[2] > 0) ons.emplace_back(s.time, b[1]);
  }
  // Transposed by 2 from frame 100: the key of frame 50 comes in there (the part before the
  // value was played), the one of frame 200 waits for its frame, the one past the end takes the
  // last frame; the message with high data bits as a key of 72, a velocity that is no number
  // as the softest.
  EXPECT_EQ(ons, (std::vector<std::pair<uint32_t, int>>{{100, 64}, {100, 74}, {100, 63}, {200, 62}, {255, 66}}));
  // A note-off for every key (-1) on every channel (-1) ends everything.
  host.Note(false, -1, -1, 0);
  host.RunBlock();
  EXPECT_EQ(Sounding(host), 0);
}

TEST(ClapLifecycle, CallsFromTheWrongThreadStopACheckedBuild) {
  if (!TRealtimeScope::kChecked) GTEST_SKIP() << "a Release build checks no threads";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
#ifdef _WIN32
  const char* const kWrongThread = "";  // the reason goes to the debugger's output there
#else
  const char* const kWrongThread = "meant for the audio thread";
#endif
  EXPECT_DEATH(
      {
        claphost::Host host;
        host.Create();
        host.Activate(44100, 256);
        const clap_process_t process{};
        host.Plugin()->process(host.Plugin(), &process);  // from the main thread
      },
      kWrongThread);
  EXPECT_DEATH(
      {
        claphost::Host host;
        host.Start();
        host.Flush();  // while active: the audio thread's call, made there by the host library
        host.Params()->count(host.Plugin());
        host.Plugin()->start_processing(host.Plugin());  // from the main thread
      },
      kWrongThread);
}

}  // namespace
