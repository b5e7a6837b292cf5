#include <gtest/gtest.h>

#include "tests/host/TestHost.h"

using testhost::Host;

TEST(EffectRecord, LoadsThroughEntry) {
  Host h;
  AEffect* fx = h.Load();
  ASSERT_NE(fx, nullptr) << h.LastError();
}
