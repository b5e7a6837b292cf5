#pragma once
// A headless editor window for control tests: a backdrop of a known colour as the root, mouse
// input given in a control's own coordinates, and pixels read back in them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "editor/Globals.h"
#include "platform/HeadlessWindow.h"

constexpr TColor kBackdrop = 0x123456;

// Fills itself with its colour: what "transparent" controls show through.
class TBackdrop : public TControl {
 public:
  TBackdrop() { SetColor(kBackdrop); }

 protected:
  void Paint(TCanvas& c) override { c.FillRect(ClientRect(), Color()); }
};

// Restores the built-in scheme for every test, so a test that applies a skin leaves no trace.
class EditorTest : public ::testing::Test {
 protected:
  explicit EditorTest(int width = 400, int height = 300) : window(width, height) {
    GuiSettings = TGuiSettings{};
    window.SetRoot(&root);
  }
  ~EditorTest() override {
    // To look at what a test drew: each test's window is saved as a PNG into this folder.
    if (const char* dir = std::getenv("MOLTRIN_TEST_PNG_DIR")) {
      window.ProcessEvents();
      window.SavePng(std::string(dir) + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".png");
    }
    window.SetRoot(nullptr);
    GuiSettings = TGuiSettings{};
  }

  TPoint At(const TControl* c, int x, int y) const { return c->ClientToWindow({x, y}); }
  void Press(const TControl* c, int x, int y, TMouseButton b = TMouseButton::Left, TShiftState s = 0) {
    const TPoint p = At(c, x, y);
    window.MouseDown(b, s, p.x, p.y);
  }
  void Move(const TControl* c, int x, int y, TShiftState s = 0) {
    const TPoint p = At(c, x, y);
    window.MouseMove(s, p.x, p.y);
  }
  void Release(const TControl* c, int x, int y, TMouseButton b = TMouseButton::Left, TShiftState s = 0) {
    const TPoint p = At(c, x, y);
    window.MouseUp(b, s, p.x, p.y);
  }
  void Click(const TControl* c, int x, int y, TMouseButton b = TMouseButton::Left) {
    Press(c, x, y, b);
    Release(c, x, y, b);
  }
  // Repaints what is invalid and reads a pixel in the control's coordinates.
  TColor PixelOf(const TControl* c, int x, int y) {
    window.ProcessEvents();
    const TPoint p = At(c, x, y);
    return window.Pixel(p.x, p.y);
  }
  // How many pixels of a control's area (own coordinates) have exactly this colour.
  int CountColor(const TControl* c, const TRect& area, TColor color) {
    window.ProcessEvents();
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x) {
        const TPoint p = At(c, x, y);
        n += window.Pixel(p.x, p.y) == color;
      }
    return n;
  }
  // How many pixels of a control's area differ from this colour: what was drawn on it.
  int CountOther(const TControl* c, const TRect& area, TColor color) {
    return area.Width() * area.Height() - CountColor(c, area, color);
  }
  // The control's area as it is painted now, for comparing two renderings.
  std::vector<TColor> Snapshot(const TControl* c) {
    window.ProcessEvents();
    std::vector<TColor> pixels;
    for (int y = 0; y < c->Height(); ++y)
      for (int x = 0; x < c->Width(); ++x) {
        const TPoint p = At(c, x, y);
        pixels.push_back(window.Pixel(p.x, p.y));
      }
    return pixels;
  }

  THeadlessWindow window;
  TBackdrop root;
};

// The text as the canvas draws it with `font` and `color` at (x, y) on `back`, in a w x h area:
// what a control should show there.
inline std::vector<TColor> RenderedText(int w, int h, TColor back, const TFontSpec& font, TColor color, int x, int y,
                                        const std::string& text) {
  TCanvas c(w, h, back);
  c.SetFont(font);
  c.SetTextColor(color);
  c.DrawString(x, y, text);
  return std::vector<TColor>(c.Pixels(), c.Pixels() + w * h);
}
