#pragma once
// The retained control tree: the toolkit's custom control, as the editor's controls build on it.
//
// How to use it:
// - A control is created with its parent, `new TMyBox(parent)`, and is owned by it: deleting a
//   control deletes its children (last created first) and takes it out of its parent. A control
//   without a parent is a root; a window (platform/Window.h) shows one root and its tree.
// - Geometry: `SetBounds(left, top, width, height)` in the parent's coordinates; a control
//   paints and receives input in its own coordinates, (0, 0) at its top-left. All of these are
//   design units: the window shows them at its scale (platform/Window.h). `BoundsChanged`
//   runs after every change of the bounds: the place for a control's layout of its children.
// - Painting: `Paint(canvas)` draws the control in its own coordinates, clipped to the part of
//   it that is being repainted. Parents paint before their children, siblings in creation
//   order (`BringToFront` moves one to the top), all into the window's one back buffer, so a
//   control that paints nothing where it wants to be "transparent" shows its parent there.
//   `Invalidate()` (or `InvalidateRect`) marks an area; the window repaints only the marked
//   areas, on its next update. Paint must not change state.
// - Mouse: `MouseDown`, `MouseMove`, `MouseUp` with the button and the shift state (keys and
//   buttons held) in the control's coordinates; `DoubleClick` after the second press of a
//   double click (whose `MouseDown` carries `ssDouble`). The control pressed keeps the mouse
//   (capture) until every button is up: it gets the moves and the release even outside itself.
//   `MouseEnter` and `MouseLeave` follow the topmost control under the pointer (not while the
//   mouse is captured). Invisible controls get no input. The root alone also hears of each
//   gesture: `MouseGestureBegins` when a first button goes down (before the control pressed
//   gets the press), `MouseGestureEnds` when the last goes up (after the release).
// - Cursor: `SetScreenCursor` sets the editor window's cursor (default, hand, vertical resize).
// - Keyboard: a control made `SetFocusable(true)` takes the focus when pressed (or through
//   `SetFocus`); the focused control gets `KeyDown` for editing keys and `KeyPress` for
//   typed characters (single-byte, Windows-1252). `FocusLost` runs when another control takes
//   the focus, when the focused control is hidden or deleted, or when the window loses the
//   keyboard.
// - Loading: between `BeginLoading` and `EndLoading` on a control, it and every descendant
//   report `Loading()`; setters then only store. `EndLoading` calls `Loaded` on the control and
//   its descendants, parents first: the place to compute what the stored values imply.
// - Posted messages: `TWindow::Post` delivers to the root's `HandleMessage` later, on
//   the window's thread, never inside the call that posted it.
// All of it runs on the editor (user-interface) thread.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Canvas.h"

struct TPoint {
  int x = 0, y = 0;
  bool operator==(const TPoint&) const = default;
};

enum class TMouseButton { Left, Right, Middle };

// Keys and mouse buttons held during an input event.
using TShiftState = uint32_t;
constexpr TShiftState ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32,
                      ssDouble = 64;

enum class TCursor { Default, Hand, SizeNS };

// Keys a focused control may handle besides typed characters.
enum class TKey { Enter, Escape, Backspace, Delete, Left, Right, Up, Down, Home, End, Tab, Other };

class TWindow;

class TControl {
 public:
  explicit TControl(TControl* parent = nullptr);
  virtual ~TControl();
  TControl(const TControl&) = delete;
  TControl& operator=(const TControl&) = delete;

  // ---- Tree.
  TControl* Parent() const { return parent; }
  const std::vector<TControl*>& Children() const { return children; }
  // Visits the descendants depth first, each before its own children, and stops at the first
  // for which `visit` answers true: that one is returned (null when none).
  TControl* FindDescendant(const std::function<bool(TControl&)>& visit) const;
  void BringToFront();
  // The window showing this control's tree, or null.
  TWindow* Window() const;
  std::string Name;  // the control's name in its form, e.g. "pInfo"

  // ---- Geometry, in the parent's coordinates.
  void SetBounds(int left, int top, int width, int height);
  int Left() const { return bounds.left; }
  int Top() const { return bounds.top; }
  int Width() const { return bounds.Width(); }
  int Height() const { return bounds.Height(); }
  TRect BoundsRect() const { return bounds; }
  TRect ClientRect() const { return {0, 0, bounds.Width(), bounds.Height()}; }
  TPoint ClientToWindow(TPoint p) const;
  TPoint WindowToClient(TPoint p) const;
  // Screen coordinates (device pixels) of a point of this control (the window's device
  // pixels when the window has no known place on the screen).
  TPoint ClientToScreen(TPoint p) const;

  // ---- Visibility: a hidden control and its children are neither painted nor hit.
  void SetVisible(bool visible);
  bool Visible() const { return visible; }
  bool Showing() const;  // visible and every ancestor too

  // ---- The control's colour; children may read their parent's (an LED's background).
  TColor Color() const { return color; }
  void SetColor(TColor c);

  // ---- Loading.
  void BeginLoading() { loading = true; }
  void EndLoading();
  bool Loading() const;

  // ---- Painting.
  void Invalidate() { InvalidateRect(ClientRect()); }
  void InvalidateRect(const TRect& area);  // own coordinates

  // ---- Cursor and focus.
  void SetScreenCursor(TCursor cursor);
  void SetFocusable(bool on) { focusable = on; }
  bool Focusable() const { return focusable; }
  void SetFocus();
  bool Focused() const;

 protected:
  friend class TWindow;

  virtual void Paint(TCanvas& /*canvas*/) {}
  virtual void BoundsChanged() {}
  virtual void Loaded() {}

  virtual void MouseDown(TMouseButton /*button*/, TShiftState /*shift*/, int /*x*/, int /*y*/) {}
  virtual void MouseMove(TShiftState /*shift*/, int /*x*/, int /*y*/) {}
  virtual void MouseUp(TMouseButton /*button*/, TShiftState /*shift*/, int /*x*/, int /*y*/) {}
  virtual void DoubleClick(int /*x*/, int /*y*/) {}
  virtual void MouseEnter() {}
  virtual void MouseLeave() {}

  virtual void FocusGained() {}
  virtual void FocusLost() {}
  // True when the key was handled.
  virtual bool KeyDown(TKey /*key*/, TShiftState /*shift*/) { return false; }
  virtual void KeyPress(char /*c*/) {}

  // A message posted to the window; delivered to the root control only.
  virtual void HandleMessage(uint32_t /*message*/, intptr_t /*a*/, intptr_t /*b*/) {}
  // A mouse gesture on `target`, started with `button`, and its end; to the root control only.
  virtual void MouseGestureBegins(TControl& /*target*/, TMouseButton /*button*/) {}
  virtual void MouseGestureEnds() {}

 private:
  void LoadedTree();
  TPoint WindowOrigin() const;

  TControl* parent = nullptr;
  std::vector<TControl*> children;  // owned, in painting order
  TWindow* rootWindow = nullptr;    // set on the root while a window shows it
  TRect bounds;
  TColor color = 0;
  bool visible = true;
  bool loading = false;
  bool focusable = false;
};
