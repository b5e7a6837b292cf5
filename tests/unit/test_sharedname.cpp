// Parameter names written while other threads read them: a reader gets the old name or the
// new one whole, never a mix, and long names are cut to what the host is given.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "engine/SharedName.h"

namespace {

std::string Read(const TSharedName& name) {
  char text[TSharedName::kMaxLength + 1];
  name.Load(text);
  return text;
}

TEST(SharedName, ThreadsReadWholeNamesWhileTheWriterChangesThem) {
  TSharedName name;
  const std::string a = "Semitone_45", b = "A much longer name of 31 chars!";
  ASSERT_EQ(b.size(), 31u);
  std::atomic<bool> done{false};
  std::atomic<int> torn{0};
  std::vector<std::thread> readers;
  for (int r = 0; r < 2; ++r)
    readers.emplace_back([&] {
      while (!done) {
        const std::string seen = Read(name);
        if (seen != "" && seen != a && seen != b) ++torn;
      }
    });
  for (int i = 0; i < 200000; ++i) name.Store(i % 2 == 0 ? a : b);
  done = true;
  for (std::thread& t : readers) t.join();
  EXPECT_EQ(torn.load(), 0);
  EXPECT_EQ(Read(name), b);
}

TEST(SharedName, LongNamesAreCut) {
  TSharedName name;
  name.Store("Velocity_64 of a name far longer than any host shows");
  EXPECT_EQ(Read(name), std::string("Velocity_64 of a name far longer than any host shows").substr(0, 31));
  name.Store("");
  EXPECT_EQ(Read(name), "");
}

}  // namespace
