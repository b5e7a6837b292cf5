#pragma once
// A window that shows one control tree: the part every back end shares. It keeps the back
// buffer and the invalid areas, paints only those, routes mouse and keyboard input to the
// controls (capture, hover, focus) and keeps the cursor. A back end (X11, Win32, headless)
// turns native events into the input calls below, shows the finished buffer (`Present`),
// sets the native cursor and carries posted messages.
// Everything runs on the thread that created the window (the editor thread).
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Control.h"

// A message number the window carries from `Post` to its root's `HandleMessage`.
using TMessageId = uint32_t;

class TWindow {
 public:
  TWindow(int width, int height);
  virtual ~TWindow();
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;

  // The control tree shown (not owned); it is placed at (0, 0) with the window's size.
  void SetRoot(TControl* root);
  TControl* Root() const { return root; }
  int Width() const { return buffer.Width(); }
  int Height() const { return buffer.Height(); }

  // ---- Painting.
  void InvalidateWindowRect(const TRect& area);  // window coordinates
  bool HasInvalidArea() const { return !invalid.empty(); }
  // Runs the idle tasks, then paints every invalid area into the back buffer and presents
  // them (nothing when nothing is invalid).
  void Update();
  const TCanvas& BackBuffer() const { return buffer; }

  // ---- Input, in window coordinates: called by the back ends, and by tests directly.
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  void MouseMove(TShiftState shift, int x, int y);
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  void MouseLeftWindow();
  bool KeyDown(TKey key, TShiftState shift);  // true when the focused control handled it
  void KeyPress(char c);
  void KeyboardLost();  // the native window lost the keyboard focus

  // ---- Focus and cursor, as the controls set them.
  TControl* FocusedControl() const { return focus; }
  void SetFocusedControl(TControl* control);
  TControl* HoveredControl() const { return hover; }
  TControl* CapturingControl() const { return capture; }
  void SetCursor(TCursor cursor);
  TCursor Cursor() const { return cursor; }

  // ---- Work waiting for later ticks (a file dialog's answer, say): each task runs at every
  // update of the window, so on each of the host's idle ticks, until it answers false. A
  // task may add tasks (they run from the next update on) but must not destroy the window.
  // Tasks still waiting when the window goes are dropped.
  using TIdleTask = std::function<bool()>;
  void AddIdleTask(TIdleTask task) { tasks.push_back(std::move(task)); }

  // ---- Native side.
  // Posts a message to the root's HandleMessage, delivered later on this window's thread
  // (never inside this call). Messages still queued when the window goes are dropped.
  virtual void Post(TMessageId message, intptr_t a, intptr_t b) = 0;
  // Handles the native events already waiting, posted messages included; never waits and
  // paints nothing.
  virtual void DispatchEvents() = 0;
  // The events, then the repaint of what they changed.
  void ProcessEvents() {
    DispatchEvents();
    Update();
  }
  // Where the window's client area starts on the screen.
  virtual TPoint ScreenOrigin() const { return {}; }
  // The native handle (an X window id or an HWND), or null for a headless window.
  virtual void* NativeHandle() const { return nullptr; }

 protected:
  // Shows the given areas of the back buffer on the screen.
  virtual void Present(const std::vector<TRect>& areas) = 0;
  // Copies an area of the back buffer into a screen image of the window's size with 32-bit
  // pixels, each colour component at its bit position there.
  void CopyBackBuffer(const TRect& area, uint32_t* image, int redShift, int greenShift, int blueShift) const;
  virtual void CursorChanged(TCursor /*cursor*/) {}
  // A control took the focus: the back end asks for the native keyboard focus.
  virtual void KeyboardWanted() {}
  void DeliverMessage(TMessageId message, intptr_t a, intptr_t b);

 private:
  friend class TControl;
  void ControlGone(TControl* control);     // the control is being destroyed
  void ControlHidden(TControl* control);   // the control or an ancestor became invisible
  void RunIdleTasks();
  TControl* HitTest(int x, int y) const;
  void UpdateHover(TShiftState shift);
  void BeginGesture(TControl& target, TMouseButton button);
  void EndGesture();
  void PaintTree(TControl* control, const TRect& area, int originX, int originY);

  TCanvas buffer;
  TControl* root = nullptr;
  std::vector<TRect> invalid;  // window coordinates, not overlapping one another's inside
  TControl* hover = nullptr;
  TControl* capture = nullptr;
  TControl* focus = nullptr;
  uint32_t buttonsHeld = 0;
  bool gesture = false;  // the root heard of a gesture that has not ended
  TPoint lastMouse{-1, -1};
  bool mouseInside = false;
  TCursor cursor = TCursor::Default;
  std::vector<TIdleTask> tasks;
  bool runningTasks = false;
};
