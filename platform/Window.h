#pragma once
// A window that shows one control tree: the part every back end shares. It keeps the back
// buffer and the invalid areas, paints only those, routes mouse and keyboard input to the
// controls (capture, hover, focus) and keeps the cursor. A back end (X11, Win32, headless)
// turns native events into the input calls below, shows the finished buffer (`Present`),
// sets the native cursor and carries posted messages.
//
// Two kinds of coordinates: the controls are laid out in design units (the window's
// coordinates, DesignWidth x DesignHeight), and the window shows them at its scale on
// Width x Height device pixels (the native window's size). Input comes in device pixels and
// reaches the controls in units; the controls paint in units on a canvas that draws at the
// scale (platform/Canvas.h). At scale 1 the two are the same.
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
  // A window of `width` x `height` design units, shown at scale 1.
  TWindow(int width, int height);
  virtual ~TWindow();
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;

  // The control tree shown (not owned); it is placed at (0, 0) with the window's design size.
  void SetRoot(TControl* root);
  TControl* Root() const { return root; }
  int Width() const { return buffer.Width(); }    // device pixels
  int Height() const { return buffer.Height(); }
  int DesignWidth() const { return designWidth; }  // units
  int DesignHeight() const { return designHeight; }

  // ---- Scale: device pixels per design unit (1..16).
  double Scale() const { return buffer.Scale(); }
  // The device size at another scale: each side's units times the scale, rounded.
  int WidthAt(double scale) const { return ScaleToDevice(designWidth, scale); }
  int HeightAt(double scale) const { return ScaleToDevice(designHeight, scale); }
  // Shows the design at a new scale: the back buffer and the native window take the new size at
  // once and everything is repainted at the next update (one present of the whole window).
  // Input being held (a drag) ends.
  void SetScale(double scale);
  // The scale the system asks for on this window's screen (X11: GDK_SCALE or the Xft.dpi
  // resource; Windows: the window's DPI), at least 1; 1 for a headless window.
  virtual double SystemScale() const { return 1.0; }
  // Runs when the system's scale for the window changed (Windows: the window moved to a screen
  // of another density).
  std::function<void()> OnSystemScaleChanged;
  // Window coordinates (units) and device pixels of the window.
  TPoint ToDevice(TPoint p) const { return {ScaleToDevice(p.x, Scale()), ScaleToDevice(p.y, Scale())}; }
  TPoint FromDevice(TPoint p) const { return {DeviceToUnit(p.x, Scale()), DeviceToUnit(p.y, Scale())}; }
  TRect ToDevice(const TRect& r) const;
  TRect FromDevice(const TRect& r) const;  // every unit with a pixel inside

  // ---- Painting.
  void InvalidateWindowRect(const TRect& area);  // window coordinates (units)
  void InvalidateDeviceRect(const TRect& area);  // device pixels
  bool HasInvalidArea() const { return !invalid.empty(); }
  // Runs the idle tasks, then paints every invalid area into the back buffer and presents
  // them (nothing when nothing is invalid).
  void Update();
  const TCanvas& BackBuffer() const { return buffer; }

  // ---- Input, in device pixels of the window: called by the back ends, and by tests directly.
  // A button counts only from its press inside the window: its release and the moves it is held
  // for go to the controls; a release whose press the window never saw goes nowhere, and a move
  // with such a button held is a plain move.
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
  // Where the window's client area starts on the screen (device pixels).
  virtual TPoint ScreenOrigin() const { return {}; }
  // A point of the window (units) on the screen, and back.
  TPoint WindowToScreen(TPoint p) const;
  TPoint ScreenToWindow(TPoint p) const;
  // The native handle (an X window id or an HWND), or null for a headless window.
  virtual void* NativeHandle() const { return nullptr; }
  // Shows or hides the native window inside its parent (a window starts shown). A host that
  // keeps one parent for several views hides the editor while another is shown.
  void SetShown(bool shown);
  bool Shown() const { return shown; }

 protected:
  // Shows the given areas of the back buffer (device pixels) on the screen.
  virtual void Present(const std::vector<TRect>& areas) = 0;
  // The back buffer took a new size (SetScale): the native window and its images follow.
  virtual void Resized() {}
  // The native window is to be shown or hidden.
  virtual void ShownChanged() {}
  void SystemScaleChanged() {
    if (OnSystemScaleChanged) OnSystemScaleChanged();
  }
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
  int designWidth = 0, designHeight = 0;
  TControl* root = nullptr;
  std::vector<TRect> invalid;  // window coordinates, not overlapping one another's inside
  TControl* hover = nullptr;
  TControl* capture = nullptr;
  TControl* focus = nullptr;
  uint32_t buttonsHeld = 0;  // pressed on the control that has the mouse
  // Pressed inside this window and not yet released: a release or a drag of any other button
  // began elsewhere and changes nothing here.
  uint32_t pressedHere = 0;
  bool gesture = false;  // the root heard of a gesture that has not ended
  TPoint lastMouse{-1, -1};
  bool mouseInside = false;
  bool shown = true;
  TCursor cursor = TCursor::Default;
  std::vector<TIdleTask> tasks;
  bool runningTasks = false;
};
