// The entry functions and the conversions every host value goes through.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>

#include "host/vst2/AudioEffectX.h"
#include "host/vst2/HostConvert.h"

namespace {

int gDestroyed = 0;

// An effect whose every operation throws, as a failed check deep inside would.
class ThrowingEffect : public AudioEffectX {
 public:
  ThrowingEffect() : AudioEffectX(nullptr, 1, 1) {}
  ~ThrowingEffect() override { ++gDestroyed; }
  VstIntPtr dispatcher(VstInt32, VstInt32, VstIntPtr, void*, float) override { throw std::runtime_error("d"); }
  void process(float**, float**, VstInt32) override { throw std::runtime_error("p"); }
  void processReplacing(float**, float**, VstInt32) override { throw 42; }
  void setParameter(VstInt32, float) override { throw std::bad_alloc(); }
  float getParameter(VstInt32) override { throw std::logic_error("g"); }
  VstInt32 getEditorRect(ERect**) override { throw std::logic_error("r"); }
};

}  // namespace

TEST(Boundary, NoExceptionLeavesAnEntry) {
  gDestroyed = 0;
  auto* effect = new ThrowingEffect;
  AEffect* fx = effect->getAeffect();
  EXPECT_EQ(fx->dispatcher(fx, effGetVendorVersion, 0, 0, nullptr, 0.0f), 0);
  fx->process(fx, nullptr, nullptr, 64);
  fx->processReplacing(fx, nullptr, nullptr, 64);
  fx->setParameter(fx, 0, 0.5f);
  EXPECT_EQ(fx->getParameter(fx, 0), 0.0f);
  EXPECT_EQ(fx->dispatcher(fx, effClose, 0, 0, nullptr, 0.0f), 1) << "closed even though close threw";
  EXPECT_EQ(gDestroyed, 1);
}

TEST(Boundary, EntriesRefuseRecordsThatAreNotOurs) {
  AEffect foreign{};
  foreign.magic = 0x12345678;
  gDestroyed = 0;
  auto* effect = new ThrowingEffect;
  AEffect* fx = effect->getAeffect();
  foreign.object = fx->object;
  EXPECT_EQ(fx->dispatcher(&foreign, effClose, 0, 0, nullptr, 0.0f), 0);
  EXPECT_EQ(fx->dispatcher(nullptr, effClose, 0, 0, nullptr, 0.0f), 0);
  EXPECT_EQ(fx->getParameter(nullptr, 0), 0.0f);
  fx->processReplacing(nullptr, nullptr, nullptr, 64);
  EXPECT_EQ(gDestroyed, 0);
  fx->dispatcher(fx, effClose, 0, 0, nullptr, 0.0f);
  EXPECT_EQ(gDestroyed, 1);
}

TEST(Boundary, HostTextsAreBoundedToSixtyFourBytes) {
  struct Case {
    std::string text;
    size_t stored;
  };
  for (const Case& c : {Case{"", 0}, Case{"Moltrin", 7}, Case{std::string(63, 'a'), 63},
                        Case{std::string(64, 'b'), 63}, Case{std::string(255, 'c'), 63}}) {
    char buffer[128];
    std::memset(buffer, 0x7F, sizeof buffer);
    CopyHostText(buffer, c.text);
    EXPECT_EQ(std::strlen(buffer), c.stored);
    EXPECT_EQ(std::string(buffer), c.text.substr(0, c.stored));
    for (size_t i = 64; i < sizeof buffer; ++i) ASSERT_EQ(buffer[i], 0x7F) << i;
  }
  CopyHostText(nullptr, "nothing to do");
}

TEST(Boundary, RoundingToNearestEvenAndSaturating) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    double x;
    VstInt32 expected;
  };
  for (const Case& c : {Case{0.5, 0}, Case{1.5, 2}, Case{2.5, 2}, Case{-0.5, 0}, Case{-1.5, -2}, Case{-2.5, -2},
                        Case{2.4999, 2}, Case{-2.5001, -3}, Case{32766.5, 32766}, Case{nan, 0},
                        Case{1e300, std::numeric_limits<VstInt32>::max()},
                        Case{-1e300, std::numeric_limits<VstInt32>::min()}})
    EXPECT_EQ(RoundToInt32(c.x), c.expected) << c.x;

  EXPECT_EQ(SaturateToInt32(VstIntPtr{1} << 32), std::numeric_limits<VstInt32>::max());
  EXPECT_EQ(SaturateToInt32(-(VstIntPtr{1} << 32) + 5), std::numeric_limits<VstInt32>::min());
  EXPECT_EQ(SaturateToInt32(-7), -7);
}
