// The software canvas: which pixels shapes and lines cover (the GDI conventions), clipping
// and origins, text measured and drawn, and PNG images that decode to the same pixels.
#include <gtest/gtest.h>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>

#include <climits>
#include <string>

#include "platform/Canvas.h"
#include "platform/Png.h"

namespace {

constexpr TColor kBack = MakeColor(1, 2, 3);
constexpr TColor kInk = MakeColor(200, 100, 50);
constexpr TColor kFill = MakeColor(10, 220, 30);

// The canvas as rows of characters: '.' background, '#' ink, 'o' fill, '?' anything else.
std::string Picture(const TCanvas& c) {
  std::string s;
  for (int y = 0; y < c.Height(); ++y) {
    for (int x = 0; x < c.Width(); ++x) {
      const TColor p = c.Pixel(x, y);
      s += p == kBack ? '.' : p == kInk ? '#' : p == kFill ? 'o' : '?';
    }
    s += '\n';
  }
  return s;
}

int CountOf(const TCanvas& c, TColor color) {
  int n = 0;
  for (int y = 0; y < c.Height(); ++y)
    for (int x = 0; x < c.Width(); ++x) n += c.Pixel(x, y) == color;
  return n;
}

TEST(Canvas, ColoursAreKeptAsBGR) {
  EXPECT_EQ(MakeColor(0x12, 0x34, 0x56), 0x00563412u);
  EXPECT_EQ(RedOf(0x00563412u), 0x12);
  EXPECT_EQ(BlueOf(0x00563412u), 0x56);
}

TEST(Canvas, RectanglesLeaveOutTheirRightAndBottomEdge) {
  TCanvas c(8, 6, kBack);
  c.FillRect({1, 1, 4, 3}, kInk);
  c.Rectangle({4, 1, 8, 6}, kInk, kFill);
  c.FillRect({3, 5, 3, 9}, kInk);  // empty: no pixel
  c.FillRect({6, 0, 2, 1}, kInk);  // inverted: no pixel
  EXPECT_EQ(Picture(c),
            "........\n"
            ".#######\n"
            ".####oo#\n"
            "....#oo#\n"
            "....#oo#\n"
            "....####\n");
}

TEST(Canvas, FramesAreOnePixelInsideTheRectangle) {
  TCanvas c(6, 5, kBack);
  c.FrameRect({0, 0, 6, 4}, kInk);
  c.FrameRect({1, 4, 3, 5}, kInk);  // one row high: all outline
  EXPECT_EQ(Picture(c),
            "######\n"
            "#....#\n"
            "#....#\n"
            "######\n"
            ".##...\n");
}

TEST(Canvas, RoundedRectanglesCutTheirCorners) {
  // Corner ellipses 6 wide: the outline runs through pixel centres 0..5 of each corner box.
  TCanvas c(12, 8, kBack);
  c.RoundRect({0, 0, 12, 8}, 6, 6, kInk, kFill);
  EXPECT_EQ(Picture(c),
            "...######...\n"
            ".##oooooo##.\n"
            "#oooooooooo#\n"
            "#oooooooooo#\n"
            "#oooooooooo#\n"
            "#oooooooooo#\n"
            ".##oooooo##.\n"
            "...######...\n");

  // Filling covers exactly what the outlined shape covers; no ellipse is a rectangle.
  TCanvas filled(12, 8, kBack), framed(12, 8, kBack);
  filled.FillRoundRect({0, 0, 12, 8}, 6, 6, kInk);
  framed.FrameRoundRect({0, 0, 12, 8}, 6, 6, kInk);
  EXPECT_EQ(CountOf(filled, kInk), CountOf(c, kInk) + CountOf(c, kFill));
  EXPECT_EQ(CountOf(framed, kInk), CountOf(c, kInk));
  TCanvas square(12, 8, kBack), plain(12, 8, kBack);
  square.RoundRect({0, 0, 12, 8}, 0, 0, kInk, kFill);
  plain.Rectangle({0, 0, 12, 8}, kInk, kFill);
  EXPECT_EQ(Picture(square), Picture(plain));
}

TEST(Canvas, RoundedRectanglesStaySymmetricForAnySize) {
  for (int w = 1; w <= 20; ++w) {
    for (int h = 1; h <= 14; ++h) {
      for (int e : {2, 3, 6, 7, 40}) {
        TCanvas c(w, h, kBack);
        c.RoundRect({0, 0, w, h}, e, e, kInk, kFill);
        for (int y = 0; y < h; ++y)
          for (int x = 0; x < w; ++x) {
            ASSERT_EQ(c.Pixel(x, y), c.Pixel(w - 1 - x, y)) << w << "x" << h << " e" << e;
            ASSERT_EQ(c.Pixel(x, y), c.Pixel(x, h - 1 - y)) << w << "x" << h << " e" << e;
          }
        // Every row and column of the shape is reached: no gaps in the outline.
        for (int y = 0; y < h; ++y) ASSERT_NE(c.Pixel(w / 2, y), kBack) << w << "x" << h << " e" << e;
      }
    }
  }
}

TEST(Canvas, ThinLinesLeaveOutTheirEndPoint) {
  TCanvas c(7, 6, kBack);
  c.SetPen(kInk);
  c.Line(0, 0, 4, 0);  // horizontal
  c.Line(0, 1, 4, 5);  // diagonal
  c.Line(6, 5, 6, 2);  // upwards
  c.MoveTo(5, 5);
  c.LineTo(5, 5);      // no length: nothing
  EXPECT_EQ(Picture(c),
            "####...\n"
            "#......\n"
            ".#.....\n"
            "..#...#\n"
            "...#..#\n"
            "......#\n");
}

TEST(Canvas, WidePensAreSquaresAroundEveryPointIncludingTheEnd) {
  TCanvas c(8, 5, kBack);
  c.SetPen(kInk, 2);
  c.Line(2, 2, 5, 2);
  EXPECT_EQ(Picture(c),
            "........\n"
            ".#####..\n"
            ".#####..\n"
            "........\n"
            "........\n");
}

TEST(Canvas, ClipsEveryOperation) {
  TCanvas c(8, 6, kBack);
  c.SetClip({2, 1, 6, 4});
  c.FillRect({-100, -100, 100, 100}, kFill);
  c.SetPen(kInk);
  c.Line(0, 2, 8, 2);
  c.SetPixel(0, 0, kInk);
  c.SetFont({"Arial", 20, true});
  c.SetTextColor(kInk);
  c.DrawString(-3, -5, "WWW");
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 8; ++x) {
      if (!TRect{2, 1, 6, 4}.Contains(x, y)) {
        EXPECT_EQ(c.Pixel(x, y), kBack) << x << "," << y;
      }
    }
  }
  EXPECT_EQ(c.Pixel(2, 1), kFill);
}

TEST(Canvas, AreasMoveTheOriginAndNarrowTheClip) {
  TCanvas c(10, 6, kBack);
  const TCanvas::TState saved = c.SaveState();
  c.EnterArea({3, 1, 8, 5});
  EXPECT_EQ(c.ClipRect(), (TRect{0, 0, 5, 4}));
  c.FillRect({0, 0, 2, 2}, kInk);
  c.EnterArea({4, 3, 20, 20});  // a child reaching past its parent is cut to it
  c.FillRect({0, 0, 20, 20}, kFill);
  EXPECT_EQ(c.Pixel(0, 0), kFill);
  c.RestoreState(saved);
  c.FrameRect({0, 0, 10, 6}, kInk);
  EXPECT_EQ(Picture(c),
            "##########\n"
            "#..##....#\n"
            "#..##....#\n"
            "#........#\n"
            "#......o.#\n"
            "##########\n");
}

TEST(Canvas, SurvivesCoordinatesFarOutside) {
  TCanvas c(16, 16, kBack);
  c.SetPen(kInk, 2);
  c.Line(INT_MIN / 2, INT_MIN / 2, INT_MAX / 2, INT_MAX / 2);
  c.Line(-100000, 5, 100000, 5);  // long, and still drawn where it crosses the canvas
  EXPECT_EQ(c.Pixel(0, 5), kInk);
  EXPECT_EQ(c.Pixel(15, 4), kInk);
  c.FillRoundRect({-50000, -50000, 50000, 50000}, 100000, 7, kFill);
  c.SetPixel(INT_MAX, INT_MIN, kInk);
  EXPECT_EQ(c.Pixel(INT_MIN, INT_MAX), 0u);
  c.DrawString(INT_MAX / 2, 0, "far away");
  TCanvas empty;
  empty.FillRect({0, 0, 10, 10}, kInk);
  empty.DrawString(0, 0, "x");
  EXPECT_TRUE(EncodePng(empty).empty());
  TCanvas huge(1 << 20, 1);  // sizes are capped
  EXPECT_EQ(huge.Width(), 16384);
}

TEST(CanvasText, MeasuresAsArialAtNinetySixDpi) {
  TCanvas c(1, 1);
  c.SetFont({"Arial", 8, false});
  EXPECT_EQ(PointsToPixels(8), 11);
  EXPECT_EQ(c.TextWidth(""), 0);
  EXPECT_EQ(c.TextHeight("x"), 13);  // Arial 8 pt: ascent 10, descent 3
  const int i = c.TextWidth("i"), w = c.TextWidth("W");
  EXPECT_LT(i, w);
  EXPECT_EQ(c.TextWidth("iW"), i + w);
  const int regular = c.TextWidth("Velocity 127");
  c.SetFont({"Arial", 8, true});
  EXPECT_GT(c.TextWidth("Velocity 127"), regular);
  c.SetFont({"Arial", 16, false});
  EXPECT_GT(c.TextWidth("Velocity 127"), regular * 3 / 2);
  EXPECT_GT(c.TextWidth("\x80\xE9\xFC"), 0);  // Windows-1252: euro sign, accented letters
}

TEST(CanvasText, DrawsAntiAliasedInsideItsBoxOnATransparentBackground) {
  TCanvas c(60, 20, kBack);
  c.SetFont({"Arial", 8, true});
  c.SetTextColor(kInk);
  const int x = 5, y = 3;
  c.DrawString(x, y, "Sync 1/16");
  const TRect box{x, y, x + c.TextWidth("Sync 1/16") + 1, y + c.TextHeight("Sync 1/16")};
  int full = 0, partial = 0;
  for (int py = 0; py < 20; ++py) {
    for (int px = 0; px < 60; ++px) {
      const TColor p = c.Pixel(px, py);
      if (!box.Contains(px, py)) {
        EXPECT_EQ(p, kBack) << px << "," << py;
        continue;
      }
      full += p == kInk;
      partial += p != kInk && p != kBack;
    }
  }
  EXPECT_GT(full, 10);
  EXPECT_GT(partial, 10);  // edges are blended, not hard
}

TEST(CanvasPng, DecodesToTheSamePixels) {
  TCanvas c(13, 7, kBack);
  c.RoundRect({1, 1, 12, 6}, 4, 4, kInk, kFill);
  c.SetPixel(0, 6, MakeColor(255, 0, 128));
  const std::vector<uint8_t> png = EncodePng(c);
  ASSERT_GT(png.size(), 8u);
  EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
  int w = 0, h = 0, channels = 0;
  stbi_uc* decoded = stbi_load_from_memory(png.data(), static_cast<int>(png.size()), &w, &h, &channels, 3);
  ASSERT_NE(decoded, nullptr);
  ASSERT_EQ(w, 13);
  ASSERT_EQ(h, 7);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const stbi_uc* p = decoded + 3 * (y * w + x);
      EXPECT_EQ(MakeColor(p[0], p[1], p[2]), c.Pixel(x, y)) << x << "," << y;
    }
  stbi_image_free(decoded);

  const std::string path = ::testing::TempDir() + "moltrin_canvas.png";
  EXPECT_TRUE(WritePng(c, path));
  EXPECT_FALSE(WritePng(c, "/nonexistent/moltrin/x.png"));
}

TEST(Canvas, DrawCopiesAnotherCanvasClipped) {
  TCanvas back(6, 4, kBack), sprite(3, 3, kFill);
  sprite.SetPixel(1, 1, kInk);
  back.SetClip({0, 0, 5, 4});
  back.Draw(3, 2, sprite);
  back.Draw(-2, -2, sprite);
  EXPECT_EQ(Picture(back),
            "o.....\n"
            "......\n"
            "...oo.\n"
            "...o#.\n");
}

}  // namespace
