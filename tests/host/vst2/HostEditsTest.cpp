// The editor's gestures on their way to the host: at once on the host's user-interface thread;
// from an editor on another thread, kept in order for the audio thread's next block, every begin
// with its end, a click's end a block after its begin.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <thread>

#include "host/vst2/HostEdits.h"

namespace {

// What the host heard, "B5" a begin of tag 5, "A5=0.5" an automation, "E5" an end, blocks
// separated by "|".
struct THeard {
  std::string text;
  static void Send(void* self, const THostEdits::TEdit& e) {
    std::string& t = static_cast<THeard*>(self)->text;
    if (!t.empty() && t.back() != '|') t += ' ';
    t += e.opcode == audioMasterBeginEdit ? 'B' : e.opcode == audioMasterEndEdit ? 'E' : 'A';
    t += std::to_string(e.tag);
    if (e.opcode != audioMasterAutomate) return;
    t += '=';
    t += std::to_string(e.value).substr(0, 3);
  }
};

class HostEdits : public testing::Test {
 protected:
  // Runs `editor` on a thread of its own, as Ardour runs the editor.
  template <class F> void OnEditorThread(F editor) { std::thread(editor).join(); }
  void Block() {
    edits.Deliver();
    heard.text += '|';
  }

  THeard heard;
  THostEdits edits{&THeard::Send, &heard};  // made on this thread, the host's user-interface thread
};

TEST_F(HostEdits, OnTheUserInterfaceThreadTheHostHearsAtOnce) {
  edits.Begin(210);
  edits.Automate(210, 0.5f);
  edits.End(210);
  EXPECT_EQ(heard.text, "B210 A210=0.5 E210") << "before any block";
  EXPECT_FALSE(edits.Waiting());
}

TEST_F(HostEdits, FromAnotherThreadTheHostHearsAtTheNextBlocksInOrder) {
  struct Case {
    const char* what;
    void (*gesture)(THostEdits&);
    const char* heard;  // over three blocks
  };
  const Case cases[] = {
      {"a click inside one idle tick: its end a block later",
       [](THostEdits& e) { e.Begin(210); e.Automate(210, 0.5f); e.End(210); }, "B210 A210=0.5|E210||"},
      {"two clicks: the second waits behind the first's end",
       [](THostEdits& e) { e.Begin(210); e.Automate(210, 0.5f); e.End(210); e.Begin(211); e.Automate(211, 0.2f); e.End(211); },
       "B210 A210=0.5|E210 B211 A211=0.2|E211|"},
      {"a paint over two step tags (not automated): pairs only",
       [](THostEdits& e) { e.Begin(300); e.Begin(301); e.End(300); e.End(301); }, "B300 B301|E300 E301||"},
      {"an end never begun and a second begin are not heard",
       [](THostEdits& e) { e.End(212); e.Begin(212); e.Begin(212); e.End(212); e.End(212); }, "B212|E212||"},
  };
  for (const Case& c : cases) {
    heard.text.clear();
    OnEditorThread([&] { c.gesture(edits); });
    EXPECT_EQ(heard.text, "") << c.what << ": nothing on the editor's thread";
    Block();
    Block();
    Block();
    EXPECT_EQ(heard.text, c.heard) << c.what;
    EXPECT_FALSE(edits.Waiting()) << c.what;
  }
}

// While processing stops, what the editor did waits; its user-interface thread then waits behind
// it too, so that no end goes ahead of its begin.
TEST_F(HostEdits, WhatWaitsGoesFirstWhateverThreadComesNext) {
  OnEditorThread([&] { edits.Begin(210); edits.Automate(210, 0.5f); });
  edits.End(210);  // say the host closes the editor on its own thread
  EXPECT_EQ(heard.text, "");
  Block();
  Block();
  EXPECT_EQ(heard.text, "B210 A210=0.5|E210|");
  edits.Begin(211);
  EXPECT_EQ(heard.text, "B210 A210=0.5|E210|B211") << "nothing waits: at once again";
}

// A ring full of one long drag's automation: the drag still ends, a gesture begun while it is
// full is refused whole, and once the host took what waited, gestures pass again.
TEST_F(HostEdits, AFullRingKeepsEveryBeginWithItsEnd) {
  int kept = 0;
  OnEditorThread([&] {
    edits.Begin(211);
    for (uint32_t i = 0; i < 2 * THostEdits::kCapacity; ++i) edits.Automate(211, 0.5f);
    edits.Begin(212);  // no room for it and its end
    edits.Automate(212, 0.2f);
    edits.End(212);
    edits.End(211);
  });
  edits.Deliver();
  edits.Deliver();  // the drag began in the first block, so it ends in the second
  std::map<std::string, int> count;
  size_t at = 0;
  while (at < heard.text.size()) {
    const size_t end = heard.text.find_first_of(" |", at);
    ++count[heard.text.substr(at, end == std::string::npos ? std::string::npos : end - at)];
    at = end == std::string::npos ? heard.text.size() : end + 1;
    ++kept;
  }
  EXPECT_EQ(count["B211"], 1);
  EXPECT_EQ(count["E211"], 1) << "the drag's end had its room kept";
  EXPECT_EQ(count["A211=0.5"], static_cast<int>(THostEdits::kCapacity) - 2) << "every slot but the end's";
  EXPECT_EQ(count["B212"] + count["E212"], 0) << "refused whole";
  EXPECT_LE(kept, static_cast<int>(THostEdits::kCapacity));
  EXPECT_TRUE(heard.text.ends_with("E211"));

  heard.text.clear();
  OnEditorThread([&] { edits.Begin(212); edits.End(212); });
  Block();
  Block();
  EXPECT_EQ(heard.text, "B212|E212|");
}

}  // namespace
