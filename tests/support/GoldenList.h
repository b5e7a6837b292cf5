#pragma once
// Event lists kept as text files under tests/golden/, against which whole-pattern tests hold
// what a plug-in sends, whichever format and host played it. One event a line, in the order
// sent: its sample position from the first frame the host played, status (hex), data1, data2;
// a first line "# ..." says what the list is.
//
//   EXPECT_TRUE(golden::MatchesList("ArpPattern/Swing", "swing +50 at 1/16", events));
//
// With MOLTRIN_GOLDEN_UPDATE=1 in the environment a list is written from what was sent instead
// (the first time a run meets its name; later comparisons in the same run read it back).
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace golden {

struct Event {
  long long sample = 0;
  uint8_t status = 0, data1 = 0, data2 = 0;
  bool operator==(const Event&) const = default;
};

// The text of a list, and a list read back from its text (nullopt and a reason in `error`
// when a line is not an event).
std::string FormatList(const std::string& header, const std::vector<Event>& events);
std::optional<std::vector<Event>> ParseList(const std::string& text, std::string* error = nullptr);

// Where the lists are (MOLTRIN_GOLDEN_DIR, else the source tree's tests/golden), and whether
// this run writes them.
std::string Folder();
bool Updating();

// A name made of a case's description: letters and digits kept, lower case, the rest '-'.
std::string Slug(const std::string& text);

// The first differing event of two lists with up to `context` events on either side, both
// lists side by side; "" when they are equal.
std::string Difference(const std::vector<Event>& kept, const std::vector<Event>& sent, int context = 3);

// Whether `sent` is the list kept as `name` (a path under Folder(), without ".txt"); with
// updating on, the list is written first. A failure shows the difference.
testing::AssertionResult MatchesList(const std::string& name, const std::string& header,
                                     const std::vector<Event>& sent);

}  // namespace golden
