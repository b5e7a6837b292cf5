#pragma once
// The real editor form in a headless window, inside the plug-in object linked into the test and
// driven as a host drives it: effEditOpen, effEditIdle (the binding, the engine's deliveries,
// the repaint), effEditClose, with the host recording automation and MIDI. Mouse and keys go to
// the form's window in a control's own coordinates.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "editor/Globals.h"
#include "editor/PlugEditorForm.h"
#include "engine/PlugCore.h"
#include "platform/HeadlessWindow.h"
#include "tests/host/vst2/InProcess.h"

inline std::unique_ptr<TEditorForm> MakeHeadlessForm(void* /*parent*/) {
  return std::make_unique<TPlugForm>(nullptr, std::make_unique<THeadlessWindow>(gFormWidth, gFormHeight));
}

class FormTest : public testing::Test {
 protected:
  void SetUp() override {
    GuiSettings = TGuiSettings{};
    fx = host.Start();
    ASSERT_NE(fx, nullptr);
  }
  void TearDown() override {
    // To look at a test's editor: MOLTRIN_TEST_PNG_DIR saves each test's window as a PNG.
    if (const char* dir = std::getenv("MOLTRIN_TEST_PNG_DIR"); dir != nullptr && Editor()->Form() != nullptr) {
      Window().Update();
      Window().SavePng(std::string(dir) + "/" + testing::UnitTest::GetInstance()->current_test_info()->name() +
                       ".png");
    }
    host.Close();
  }

  TVSTEditor* Editor() { return static_cast<TVSTEditor*>(inprocess::PluginOf(fx).getEditor()); }
  TPlugCore& Core() { return inprocess::EngineOf(fx); }
  TPlugForm& Form() { return *static_cast<TPlugForm*>(Editor()->Form()); }
  THeadlessWindow& Window() { return static_cast<THeadlessWindow&>(Form().Window()); }
  template <typename T>
  T& Control(const char* name) {
    auto* control = dynamic_cast<T*>(Form().FindControl(name));
    if (control == nullptr) throw std::runtime_error(std::string("no control ") + name);
    return *control;
  }

  // effEditOpen, then as many idle ticks as asked (the first one binds the form).
  void Open(int idleTicks = 2) {
    ASSERT_EQ(host.Dispatch(effEditOpen, 0, 0, parentToken), 1);
    Idle(idleTicks);
  }
  void Close() { host.Dispatch(effEditClose); }
  void Idle(int ticks = 1) {
    for (int i = 0; i < ticks; ++i) host.Dispatch(effEditIdle);
  }

  // ---- The user's mouse and keyboard, in a control's coordinates.
  void Press(const TControl& c, int x, int y, TMouseButton b = TMouseButton::Left, TShiftState s = 0) {
    const TPoint p = c.ClientToWindow({x, y});
    Window().MouseMove(s, p.x, p.y);
    Window().MouseDown(b, s, p.x, p.y);
  }
  void Release(const TControl& c, int x, int y, TMouseButton b = TMouseButton::Left) {
    const TPoint p = c.ClientToWindow({x, y});
    Window().MouseUp(b, 0, p.x, p.y);
  }
  void Click(const TControl& c, int x = 2, int y = 2, TMouseButton b = TMouseButton::Left) {
    Press(c, x, y, b);
    Release(c, x, y, b);
  }
  // A press in the middle of a control, a move `dy` pixels down (negative: up), a release.
  void Drag(const TControl& c, int dy) {
    const int x = c.Width() / 2, y = c.Height() / 2;
    Press(c, x, y);
    const TPoint p = c.ClientToWindow({x, y + dy});
    Window().MouseMove(ssLeft, p.x, p.y);
    Window().MouseUp(TMouseButton::Left, 0, p.x, p.y);
  }
  void Type(const std::string& text) {
    for (char ch : text) Window().KeyPress(ch);
  }

  vst2host::Host host{inprocess::LinkedEntryWith<MakeHeadlessForm>};
  AEffect* fx = nullptr;
  char parentToken[8] = {};  // stands for the host's window
};
