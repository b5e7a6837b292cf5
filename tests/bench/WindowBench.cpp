// The blit of the editor's back buffer to its window: the whole 809 x 536 and one value box
// (28 x 15), to an X11 window (skipped without a display: run under scripts/with-xvfb.sh).
#include <benchmark/benchmark.h>

#include <memory>

#include "platform/X11Window.h"

#include <X11/Xlib.h>

namespace {

class TFill : public TControl {
 protected:
  void Paint(TCanvas& c) override { c.FillRect(ClientRect(), 0x480B0B); }
};

void BlitToX11(benchmark::State& state, TRect area) {
  Display* host = XOpenDisplay(nullptr);
  if (host == nullptr) {
    state.SkipWithError("no X display");
    return;
  }
  const ::Window parent = XCreateSimpleWindow(host, DefaultRootWindow(host), 0, 0, 809, 536, 0, 0, 0);
  XMapWindow(host, parent);
  XSync(host, False);
  {
    auto window = TX11Window::Create(parent, 809, 536);
    TFill root;
    if (window == nullptr) {
      state.SkipWithError("no window");
    } else {
      window->SetRoot(&root);
      window->ProcessEvents();
      for (auto _ : state) {
        window->InvalidateWindowRect(area);
        window->Update();  // repaint into the back buffer, convert, XPutImage
        XSync(host, False);  // until the server has drawn it
      }
      window->SetRoot(nullptr);
    }
  }
  XDestroyWindow(host, parent);
  XCloseDisplay(host);
}

void BM_BlitWholeWindowX11(benchmark::State& state) { BlitToX11(state, {0, 0, 809, 536}); }
void BM_BlitOneBoxX11(benchmark::State& state) { BlitToX11(state, {298, 101, 326, 116}); }

}  // namespace

BENCHMARK(BM_BlitWholeWindowX11)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BlitOneBoxX11)->Unit(benchmark::kMicrosecond);
