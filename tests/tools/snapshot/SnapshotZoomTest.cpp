// moltrin-snapshot --zoom: the option's range, and the editor drawn at the zoom into a PNG of the
// zoomed size, the form laid out as at 100 %.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/Globals.h"
#include "editor/PlugEditorForm.h"
#include "platform/Files.h"
#include "platform/ModulePath.h"
#include "tests/support/TempFolder.h"
#include "tools/snapshot/Snapshot.h"

namespace {

TEST(SnapshotZoomOption, TakesAPercentFrom100To300) {
  for (const auto& [text, zoom] : {std::pair{"100", 100}, {"175", 175}, {"300", 300}}) {
    TSnapshotOptions o;
    std::string error;
    EXPECT_TRUE(ParseSnapshotOptions({"--zoom", text, "a.png"}, o, error)) << error;
    EXPECT_EQ(o.zoom, zoom);
  }
  for (const char* text : {"99", "301", "2x", "0"}) {
    TSnapshotOptions o;
    std::string error;
    EXPECT_FALSE(ParseSnapshotOptions({"--zoom", text, "a.png"}, o, error)) << text;
    EXPECT_NE(error.find("--zoom takes"), std::string::npos) << error;
  }
  TSnapshotOptions o;
  std::string error;
  ASSERT_TRUE(ParseSnapshotOptions({"a.png"}, o, error));
  EXPECT_EQ(o.zoom, 100);
}

TEST(SnapshotZoom, DrawsTheEditorAtTheZoomIntoAPngOfThatSize) {
  TTempFolder out;
  TSnapshotOptions o;
  std::string error;
  ASSERT_TRUE(ParseSnapshotOptions({"--zoom", "150", out.File("zoomed.png")}, o, error)) << error;
  int zoom = 0, designWidth = 0;
  ASSERT_TRUE(RenderSnapshot(o, error, [&](TPlugForm& form) {
    zoom = form.Zoom();
    designWidth = form.Window().DesignWidth();
  })) << error;
  LoadSettingsFrom(ModuleFolder());
  EXPECT_EQ(zoom, 150);
  EXPECT_EQ(designWidth, 809) << "laid out in design units";
  std::string png;
  ASSERT_EQ(ReadWholeFile(out.File("zoomed.png"), 1 << 24, png), TReadResult::Read);
  ASSERT_GT(png.size(), 24u);
  const auto be32 = [&](size_t at) {
    return (static_cast<uint8_t>(png[at]) << 24) | (static_cast<uint8_t>(png[at + 1]) << 16) |
           (static_cast<uint8_t>(png[at + 2]) << 8) | static_cast<uint8_t>(png[at + 3]);
  };
  EXPECT_EQ(be32(16), 1214u);  // 809 x 1.5, rounded
  EXPECT_EQ(be32(20), 804u);
}

}  // namespace
