// What the editor costs the host's user-interface thread, through the module's binary
// interface: an idle tick when nothing changed, and the tick after a program change, which
// delivers every tag of the program and repaints what changed. Headless, and in an X11 child
// window when there is a display (run under scripts/with-xvfb.sh).
#include <benchmark/benchmark.h>

#include "engine/ParamNames.h"
#include "hosts/vst2/Host.h"

// After everything else: Xlib's macros (Status, None) clash with C++ names.
#include <X11/Xlib.h>

namespace {

// A host with the editor open and bound, in a window of its own or (null display) in none.
class TEditorSession {
 public:
  explicit TEditorSession(Display* display) : display(display) {
    if (host.Start() == nullptr) return;
    void* handle = parentToken;
    if (display != nullptr) {
      parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 809, 536, 0, 0, 0);
      XMapWindow(display, parent);
      XSync(display, False);
      handle = reinterpret_cast<void*>(static_cast<uintptr_t>(parent));
    }
    host.Dispatch(effEditOpen, 0, 0, handle);
    Idle(4);
    ready = true;
  }
  ~TEditorSession() {
    host.Dispatch(effEditClose);
    if (parent != 0) XDestroyWindow(display, parent);
    if (display != nullptr) XSync(display, False);
  }
  // Idle ticks; `drawn` waits until the server has drawn what they sent.
  void Idle(int ticks = 1, bool drawn = true) {
    for (int i = 0; i < ticks; ++i) host.Dispatch(effEditIdle);
    if (drawn && display != nullptr) XSync(display, False);
  }
  // Program 1 differs from program 0 in every setting the editor shows.
  void MakeProgramOneDiffer() {
    host.SetProgram(1);
    for (int tag = kFirstProgramTag; tag < kNumParams; ++tag) {
      if (!IsDefinedTag(tag) || tag == tagSelectedPage || tag == tagPatternShift || tag == tagProgName) continue;
      const int range = CParamMax[tag] - CParamMin[tag];
      const int value = CParamDef[tag] < CParamMax[tag] ? CParamDef[tag] + 1 : CParamDef[tag] - 1;
      host.SetParam(tag, static_cast<float>(value - CParamMin[tag]) / static_cast<float>(range));
    }
    Idle(2);
  }

  vst2host::Host host;
  bool ready = false;

 private:
  Display* display;
  ::Window parent = 0;
  char parentToken[8] = {};
};

Display* OpenDisplayOrSkip(benchmark::State& state, bool x11) {
  if (!x11) return nullptr;
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) state.SkipWithError("no X display");
  return display;
}

void IdleWithNothingChanged(benchmark::State& state, bool x11) {
  Display* display = OpenDisplayOrSkip(state, x11);
  if (x11 && display == nullptr) return;
  {
    TEditorSession session(display);
    if (!session.ready) state.SkipWithError("no editor");
    for (auto _ : state) session.Idle(1, false);
  }
  if (display != nullptr) XCloseDisplay(display);
}

void ProgramChangeDelivered(benchmark::State& state, bool x11) {
  Display* display = OpenDisplayOrSkip(state, x11);
  if (x11 && display == nullptr) return;
  {
    TEditorSession session(display);
    if (!session.ready) state.SkipWithError("no editor");
    session.MakeProgramOneDiffer();
    int program = 0;
    for (auto _ : state) {
      state.PauseTiming();
      program = 1 - program;
      session.host.SetProgram(program);  // marks every program tag changed
      state.ResumeTiming();
      session.Idle();  // delivers them all and repaints
    }
  }
  if (display != nullptr) XCloseDisplay(display);
}

void BM_FormIdleNothingChanged(benchmark::State& state) { IdleWithNothingChanged(state, false); }
void BM_FormIdleNothingChangedX11(benchmark::State& state) { IdleWithNothingChanged(state, true); }
void BM_FormProgramChangeDelivered(benchmark::State& state) { ProgramChangeDelivered(state, false); }
void BM_FormProgramChangeDeliveredX11(benchmark::State& state) { ProgramChangeDelivered(state, true); }

}  // namespace

BENCHMARK(BM_FormIdleNothingChanged)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FormIdleNothingChangedX11)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FormProgramChangeDelivered)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormProgramChangeDeliveredX11)->Unit(benchmark::kMillisecond);
