// The canvas and the window at a scale: edges and lines on whole device pixels, text rasterised
// at the zoomed size, hit tests that agree with what is painted, a new scale shown at once; and
// the system's scale read from the desktop's settings.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/HeadlessWindow.h"
#include "platform/SystemScale.h"

namespace {

constexpr double kZoomScales[] = {1.25, 1.5, 1.75, 2, 2.5, 3};
constexpr TColor kRed = 0x0000FF, kBlue = 0xFF0000, kWhite = 0xFFFFFF;

TCanvas ScaledCanvas(int widthUnits, int heightUnits, double scale) {
  TCanvas c(ScaleToDevice(widthUnits, scale), ScaleToDevice(heightUnits, scale));
  c.SetScale(scale);
  c.RestoreState({0, 0, {0, 0, c.Width(), c.Height()}});
  return c;
}

// The rows (or columns) of device pixels with anything but black in them.
std::set<int> InkedRows(const TCanvas& c) {
  std::set<int> rows;
  for (int y = 0; y < c.Height(); ++y)
    for (int x = 0; x < c.Width(); ++x)
      if (c.DevicePixel(x, y) != 0) rows.insert(y);
  return rows;
}

}  // namespace

// Rectangles that share an edge in units share it on the screen: no gap, whatever the rounding.
TEST(ZoomedCanvas, AbuttingRectanglesLeaveNoGapAtAnyScale) {
  for (double scale : kZoomScales) {
    for (int edge = 1; edge < 20; ++edge) {
      TCanvas c = ScaledCanvas(20, 2, scale);
      c.FillRect({0, 0, edge, 2}, kRed);
      c.FillRect({edge, 0, 20, 2}, kBlue);
      for (int x = 0; x < c.Width(); ++x)
        ASSERT_NE(c.DevicePixel(x, 0), 0u) << "scale " << scale << ", edge " << edge << ", device x " << x;
      EXPECT_EQ(c.DevicePixel(ScaleToDevice(edge, scale) - 1, 0), kRed);
      EXPECT_EQ(c.DevicePixel(ScaleToDevice(edge, scale), 0), kBlue);
    }
  }
}

// A 1-unit line is as thick wherever it lies (no 1- and 2-pixel lines side by side at 150 %) and
// is drawn in the pen's colour only: whole pixels, no blended half ones.
TEST(ZoomedCanvas, OneUnitLinesAreWholePixelsOfOneThicknessEverywhere) {
  for (double scale : kZoomScales) {
    for (int y = 0; y < 9; ++y) {
      TCanvas c = ScaledCanvas(30, 10, scale);
      c.SetPen(kWhite, 1);
      c.Line(2, y, 25, y);
      const std::set<int> rows = InkedRows(c);
      ASSERT_EQ(static_cast<int>(rows.size()), c.LinePixels(1)) << "scale " << scale << ", line at " << y;
      EXPECT_EQ(*rows.rbegin() - *rows.begin() + 1, c.LinePixels(1)) << "one band of rows";
      for (int row : rows)
        for (int x = ScaleToDevice(2, scale); x < ScaleToDevice(25, scale); ++x)
          ASSERT_EQ(c.DevicePixel(x, row), kWhite) << "scale " << scale << ", line at " << y << ", x " << x;
    }
    // A frame's four sides have the line's thickness too.
    TCanvas c = ScaledCanvas(30, 20, scale);
    c.FrameRect({3, 4, 20, 15}, kWhite);
    const TRect d = c.DeviceRect({3, 4, 20, 15});
    const int mid = (d.top + d.bottom) / 2;
    int left = 0, right = 0;
    for (int x = d.left; x < d.right; ++x) {
      if (c.DevicePixel(x, mid) != kWhite) continue;
      (x < (d.left + d.right) / 2 ? left : right)++;
    }
    EXPECT_EQ(left, c.LinePixels(1)) << "scale " << scale;
    EXPECT_EQ(right, c.LinePixels(1)) << "scale " << scale;
  }
}

// At 200 % a glyph is rasterised from the outline at twice the pixel height: its ink is twice as
// tall (give or take the rounding of one edge), and it is not the 100 % bitmap with every pixel
// doubled, which would leave every 2 x 2 block of the same colour.
TEST(ZoomedCanvas, TextAtTwiceTheScaleIsRasterisedAtTwiceTheHeight) {
  for (const TFontSpec& font : {TFontSpec{"Arial", 8, true}, TFontSpec{"Arial", 8, false}}) {
    EXPECT_EQ(FontFaceFor(font, 2).Glyph('H').height, 2 * FontFaceFor(font, 1).Glyph('H').height);
    TCanvas one = ScaledCanvas(40, 20, 1), two = ScaledCanvas(40, 20, 2);
    for (TCanvas* c : {&one, &two}) {
      c->SetFont(font);
      c->SetTextColor(kWhite);
      c->DrawString(3, 2, "Hg8");
    }
    const std::set<int> inkOne = InkedRows(one), inkTwo = InkedRows(two);
    ASSERT_FALSE(inkOne.empty());
    const int heightOne = *inkOne.rbegin() - *inkOne.begin() + 1, heightTwo = *inkTwo.rbegin() - *inkTwo.begin() + 1;
    EXPECT_NEAR(heightTwo, 2 * heightOne, 1) << "bold " << font.bold;
    EXPECT_NEAR(two.TextWidth("Hg8"), one.TextWidth("Hg8"), 1) << "widths stay in units";
    int mixedBlocks = 0;
    for (int y = 0; y + 1 < two.Height(); y += 2)
      for (int x = 0; x + 1 < two.Width(); x += 2) {
        const TColor p = two.DevicePixel(x, y);
        if (two.DevicePixel(x + 1, y) != p || two.DevicePixel(x, y + 1) != p || two.DevicePixel(x + 1, y + 1) != p)
          ++mixedBlocks;
      }
    EXPECT_GT(mixedBlocks, 10) << "the 100 % glyphs stretched";
  }
}

namespace {

class TBlock : public TControl {
 public:
  TBlock(TControl* parent, TRect r, TColor fill) : TControl(parent) {
    SetColor(fill);
    SetBounds(r.left, r.top, r.Width(), r.Height());
  }
  int presses = 0;
  TPoint lastPress;

 protected:
  void Paint(TCanvas& c) override { c.FillRect(ClientRect(), Color()); }
  void MouseDown(TMouseButton, TShiftState, int x, int y) override {
    ++presses;
    lastPress = {x, y};
  }
};

}  // namespace

// Input comes in device pixels and reaches the controls in units: every device pixel the block
// is painted on hits it, and no other does.
TEST(ZoomedWindow, EveryPixelPaintedForAControlHitsThatControl) {
  for (double scale : kZoomScales) {
    THeadlessWindow window(30, 20);
    TBlock root(nullptr, {0, 0, 30, 20}, kBlue);
    TBlock block(&root, {7, 5, 20, 11}, kRed);
    window.SetRoot(&root);
    window.SetScale(scale);
    window.Update();
    for (int y = 0; y < window.Height(); ++y)
      for (int x = 0; x < window.Width(); ++x) {
        const int before = block.presses;
        window.MouseMove(0, x, y);
        window.MouseDown(TMouseButton::Left, 0, x, y);
        window.MouseUp(TMouseButton::Left, 0, x, y);
        ASSERT_EQ(block.presses > before, window.Pixel(x, y) == kRed) << "scale " << scale << " at " << x << "," << y;
      }
    // The block's bottom-right device pixel is its bottom-right unit.
    const TPoint corner = window.ToDevice(TPoint{20, 11});
    window.MouseDown(TMouseButton::Left, 0, corner.x - 1, corner.y - 1);
    EXPECT_EQ(block.lastPress.x, 12);
    EXPECT_EQ(block.lastPress.y, 5);
    window.MouseUp(TMouseButton::Left, 0, corner.x - 1, corner.y - 1);
    window.SetRoot(nullptr);
  }
}

// A new scale: the window takes its new device size at once (one resize of the native window),
// keeps its design size, and the next update presents the whole window once.
TEST(ZoomedWindow, ANewScaleResizesAtOnceAndRepaintsEverythingOnce) {
  THeadlessWindow window(809, 536);
  TBlock root(nullptr, {0, 0, 809, 536}, kBlue);
  TBlock block(&root, {100, 50, 160, 80}, kRed);
  window.SetRoot(&root);
  window.Update();
  const int presents = window.PresentCount();

  window.SetScale(2);
  EXPECT_EQ(window.Width(), 1618);
  EXPECT_EQ(window.Height(), 1072);
  EXPECT_EQ(window.DesignWidth(), 809);
  EXPECT_EQ(window.ResizeCount(), 1);
  window.Update();
  window.Update();
  EXPECT_EQ(window.PresentCount(), presents + 1);
  EXPECT_EQ(window.LastPresented(), (std::vector<TRect>{TRect{0, 0, 1618, 1072}}));
  EXPECT_EQ(window.Pixel(200, 100), kRed);
  EXPECT_EQ(window.Pixel(319, 159), kRed);
  EXPECT_EQ(window.Pixel(320, 159), kBlue);
  EXPECT_EQ(window.Pixel(1617, 1071), kBlue) << "the last device pixel is painted";

  // One control changes: only its device pixels are presented.
  block.Invalidate();
  window.Update();
  EXPECT_EQ(window.LastPresented(), (std::vector<TRect>{TRect{200, 100, 320, 160}}));
  window.SetRoot(nullptr);
}

// What the desktop says: GDK_SCALE when it is a whole factor, else Xft.dpi / 96, kept to 1..4.
TEST(SystemScale, ReadFromGdkScaleOrTheXftDpiResource) {
  struct TCase {
    const char* gdkScale;
    const char* resources;
    double scale;
  };
  const TCase cases[] = {
      {nullptr, nullptr, 1},
      {"2", nullptr, 2},
      {"2", "Xft.dpi:\t96\n", 2},  // the explicit factor wins
      {"", "Xft.dpi:\t192\n", 2},
      {nullptr, "Xft.antialias:\t1\nXft.dpi:\t144\nXft.hinting:\t1\n", 1.5},
      {"1.5", "Xft.dpi: 120", 1.25},  // not a whole factor: the resource
      {"0", nullptr, 1},
      {nullptr, "Xft.dpi:\t72\n", 1},      // never drawn smaller than designed
      {nullptr, "Xft.dpi:\t960\n", 4},     // nor larger than any screen holds
      {nullptr, "Xft.dpi:\tlarge\n", 1},   // malformed
      {nullptr, "Xft.dpiX:\t192\n", 1},    // another key
      {nullptr, "Xft.antialias: 1\n", 1},  // no dpi at all
  };
  for (const TCase& c : cases)
    EXPECT_DOUBLE_EQ(ScaleFromDesktop(c.gdkScale, c.resources), c.scale)
        << (c.gdkScale ? c.gdkScale : "(none)") << " / " << (c.resources ? c.resources : "(none)");
  EXPECT_DOUBLE_EQ(ScaleFromDpi(120), 1.25);
  EXPECT_DOUBLE_EQ(ScaleFromDpi(0), 1);
}
