#include "platform/Window.h"

#include <algorithm>

#ifndef _WIN32
#include "platform/ChildProcess.h"
#endif

namespace {

constexpr size_t kMaxInvalidAreas = 8;  // beyond this the areas merge into their bounding box
constexpr TShiftState kButtonBits = ssLeft | ssRight | ssMiddle;

TRect Union(const TRect& a, const TRect& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

bool Inside(const TRect& inner, const TRect& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

uint32_t ButtonBit(TMouseButton b) {
  switch (b) {
    case TMouseButton::Left: return ssLeft;
    case TMouseButton::Right: return ssRight;
    case TMouseButton::Middle: return ssMiddle;
  }
  return 0;
}

bool IsWithin(const TControl* c, const TControl* ancestor) {
  for (; c != nullptr; c = c->Parent())
    if (c == ancestor) return true;
  return false;
}

}  // namespace

TWindow::TWindow(int width, int height)
    : buffer(width, height), designWidth(buffer.Width()), designHeight(buffer.Height()) {}

TRect TWindow::ToDevice(const TRect& r) const {
  const TPoint a = ToDevice(TPoint{r.left, r.top}), b = ToDevice(TPoint{r.right, r.bottom});
  return {a.x, a.y, b.x, b.y};
}

TRect TWindow::FromDevice(const TRect& r) const {
  if (r.IsEmpty()) return {};
  const TPoint a = FromDevice(TPoint{r.left, r.top}), b = FromDevice(TPoint{r.right - 1, r.bottom - 1});
  return {a.x, a.y, b.x + 1, b.y + 1};
}

void TWindow::SetScale(double scale) {
  // A drag in progress would go on in the old pixels: it ends here, as when the window loses the mouse.
  capture = nullptr;
  buttonsHeld = 0;
  EndGesture();
  buffer.Resize(WidthAt(scale), HeightAt(scale));
  buffer.SetScale(scale);
  invalid.clear();
  InvalidateWindowRect({0, 0, designWidth, designHeight});
  Resized();
}

void TWindow::InvalidateDeviceRect(const TRect& area) { InvalidateWindowRect(FromDevice(area)); }

TPoint TWindow::WindowToScreen(TPoint p) const {
  const TPoint d = ToDevice(p), s = ScreenOrigin();
  return {d.x + s.x, d.y + s.y};
}

TPoint TWindow::ScreenToWindow(TPoint p) const {
  const TPoint s = ScreenOrigin();
  return FromDevice(TPoint{p.x - s.x, p.y - s.y});
}

TWindow::~TWindow() {
  if (root != nullptr) root->rootWindow = nullptr;
}

void TWindow::SetRoot(TControl* control) {
  if (root != nullptr) root->rootWindow = nullptr;
  hover = capture = focus = nullptr;
  buttonsHeld = pressedHere = 0;
  gesture = false;
  invalid.clear();
  root = control;
  if (root == nullptr) return;
  root->rootWindow = this;
  root->SetBounds(0, 0, designWidth, designHeight);
  InvalidateWindowRect({0, 0, designWidth, designHeight});
}

// ---- Painting.

void TWindow::InvalidateWindowRect(const TRect& area) {
  const TRect r = area.Intersect({0, 0, designWidth, designHeight});
  if (r.IsEmpty()) return;
  for (const TRect& old : invalid)
    if (Inside(r, old)) return;
  std::erase_if(invalid, [&](const TRect& old) { return Inside(old, r); });
  invalid.push_back(r);
  if (invalid.size() > kMaxInvalidAreas) {
    TRect all = invalid.front();
    for (const TRect& old : invalid) all = Union(all, old);
    invalid.assign(1, all);
  }
}

void TWindow::RunIdleTasks() {
  if (runningTasks || tasks.empty()) return;
  runningTasks = true;
  // A task that throws loses the round's remaining tasks, but later rounds still run.
  struct TRoundEnd {
    bool& running;
    ~TRoundEnd() { running = false; }
  } roundEnd{runningTasks};
  std::vector<TIdleTask> current = std::move(tasks);
  tasks.clear();
  std::vector<TIdleTask> waiting;
  for (TIdleTask& task : current)
    if (task()) waiting.push_back(std::move(task));
  // Tasks added while these ran come after them.
  for (TIdleTask& task : tasks) waiting.push_back(std::move(task));
  tasks = std::move(waiting);
}

void TWindow::Update() {
#ifndef _WIN32
  CollectEnded();  // helper programs (a dialog, the browser) that ended since the last tick
#endif
  RunIdleTasks();
  if (invalid.empty()) return;
  // Areas marked while painting wait for the next update.
  const std::vector<TRect> areas = std::move(invalid);
  invalid.clear();
  if (root == nullptr) return;
  for (const TRect& area : areas) PaintTree(root, area, 0, 0);
  buffer.RestoreState({0, 0, {0, 0, Width(), Height()}});
  std::vector<TRect> shown;
  shown.reserve(areas.size());
  for (const TRect& area : areas) shown.push_back(ToDevice(area));
  Present(shown);
}

void TWindow::CopyBackBuffer(const TRect& area, uint32_t* image, int redShift, int greenShift,
                             int blueShift) const {
  const TColor* source = buffer.Pixels();
  const int w = Width();
  for (int y = area.top; y < area.bottom; ++y) {
    const TColor* from = source + static_cast<size_t>(y) * w;
    uint32_t* to = image + static_cast<size_t>(y) * w;
    for (int x = area.left; x < area.right; ++x) {
      const TColor c = from[x];
      to[x] = (static_cast<uint32_t>(RedOf(c)) << redShift) | (static_cast<uint32_t>(GreenOf(c)) << greenShift) |
              (static_cast<uint32_t>(BlueOf(c)) << blueShift);
    }
  }
}

void TWindow::PaintTree(TControl* control, const TRect& area, int originX, int originY) {
  if (!control->visible) return;
  const TRect r = control->bounds.Offset(originX, originY);
  const TRect clip = r.Intersect(area);
  if (clip.IsEmpty()) return;
  buffer.SetArea(r.left, r.top, clip);
  buffer.SetPen(0, 1);
  buffer.SetTextColor(0);
  control->Paint(buffer);
  const std::vector<TControl*> list = control->children;  // painting must not change the tree, but be safe
  for (TControl* child : list) PaintTree(child, clip, r.left, r.top);
}

// ---- Mouse.

TControl* TWindow::HitTest(int x, int y) const {
  if (root == nullptr || !root->visible || !root->bounds.Contains(x, y)) return nullptr;
  TControl* hit = root;
  int ox = root->bounds.left, oy = root->bounds.top;
  for (bool deeper = true; deeper;) {
    deeper = false;
    for (auto it = hit->children.rbegin(); it != hit->children.rend(); ++it) {
      TControl* child = *it;
      if (child->visible && child->bounds.Offset(ox, oy).Contains(x, y)) {
        hit = child;
        ox += child->bounds.left;
        oy += child->bounds.top;
        deeper = true;
        break;
      }
    }
  }
  return hit;
}

void TWindow::UpdateHover(TShiftState /*shift*/) {
  TControl* target = mouseInside ? HitTest(lastMouse.x, lastMouse.y) : nullptr;
  if (target == hover) return;
  TControl* old = hover;
  hover = target;
  if (old != nullptr) old->MouseLeave();
  // The leave handler may have removed the new control from the tree.
  if (hover == target && target != nullptr) target->MouseEnter();
}

void TWindow::MouseDown(TMouseButton button, TShiftState shift, int deviceX, int deviceY) {
  pressedHere |= ButtonBit(button);
  shift &= ~(kButtonBits & ~pressedHere);
  const auto [x, y] = FromDevice(TPoint{deviceX, deviceY});
  lastMouse = {x, y};
  mouseInside = true;
  if (capture == nullptr) UpdateHover(shift);
  TControl* target = capture != nullptr ? capture : HitTest(x, y);
  if (target == nullptr) return;
  if (buttonsHeld == 0) BeginGesture(*target, button);
  capture = target;
  buttonsHeld |= ButtonBit(button);
  if (target->focusable && focus != target) SetFocusedControl(target);
  if (capture != target) return;  // the focus change removed it
  const TPoint p = target->WindowToClient({x, y});
  target->MouseDown(button, shift, p.x, p.y);
  if ((shift & ssDouble) != 0 && capture == target) target->DoubleClick(p.x, p.y);
}

void TWindow::MouseMove(TShiftState shift, int deviceX, int deviceY) {
  // A button held since before it came into this window (pressed in the host's window, which
  // opened the editor under the pointer) is no drag here: the move is a plain one.
  shift &= ~(kButtonBits & ~pressedHere);
  const auto [x, y] = FromDevice(TPoint{deviceX, deviceY});
  lastMouse = {x, y};
  mouseInside = true;
  if (capture != nullptr) {
    const TPoint p = capture->WindowToClient({x, y});
    capture->MouseMove(shift, p.x, p.y);
    return;
  }
  UpdateHover(shift);
  if (hover != nullptr) {
    const TPoint p = hover->WindowToClient({x, y});
    hover->MouseMove(shift, p.x, p.y);
  }
}

void TWindow::MouseUp(TMouseButton button, TShiftState shift, int deviceX, int deviceY) {
  // Only the release of a press this window saw ends something: one whose press went elsewhere
  // (a double click in the host that opened the editor under the pointer) changes nothing.
  if ((pressedHere & ButtonBit(button)) == 0) return;
  pressedHere &= ~ButtonBit(button);
  shift &= ~(kButtonBits & ~pressedHere);
  const auto [x, y] = FromDevice(TPoint{deviceX, deviceY});
  lastMouse = {x, y};
  TControl* target = capture != nullptr ? capture : HitTest(x, y);
  buttonsHeld &= ~ButtonBit(button);
  if (buttonsHeld == 0) capture = nullptr;
  if (target != nullptr) {
    const TPoint p = target->WindowToClient({x, y});
    target->MouseUp(button, shift, p.x, p.y);
  }
  if (buttonsHeld == 0) EndGesture();
  if (capture == nullptr) UpdateHover(shift);
}

// A press after a release the window never saw (the control pressed went away) ends the
// gesture that press began before a new one begins.
void TWindow::BeginGesture(TControl& target, TMouseButton button) {
  EndGesture();
  gesture = true;
  if (root != nullptr) root->MouseGestureBegins(target, button);
}

void TWindow::EndGesture() {
  if (!gesture) return;
  gesture = false;
  if (root != nullptr) root->MouseGestureEnds();
}

void TWindow::MouseLeftWindow() {
  mouseInside = false;
  if (capture == nullptr) UpdateHover(0);
}

// ---- Keyboard.

void TWindow::SetFocusedControl(TControl* control) {
  if (control == focus) return;
  TControl* old = focus;
  focus = control;
  if (old != nullptr) old->FocusLost();
  if (control != nullptr && focus == control) {
    KeyboardWanted();
    control->FocusGained();
  }
}

bool TWindow::KeyDown(TKey key, TShiftState shift) { return focus != nullptr && focus->KeyDown(key, shift); }

void TWindow::KeyPress(char c) {
  if (focus != nullptr) focus->KeyPress(c);
}

void TWindow::KeyboardLost() { SetFocusedControl(nullptr); }

// ---- Cursor, messages, controls going away.

void TWindow::SetCursor(TCursor c) {
  if (c == cursor) return;
  cursor = c;
  CursorChanged(c);
}

void TWindow::DeliverMessage(TMessageId message, intptr_t a, intptr_t b) {
  if (root != nullptr) root->HandleMessage(message, a, b);
}

void TWindow::ControlGone(TControl* control) {
  if (hover == control) hover = nullptr;
  if (capture == control) {
    capture = nullptr;
    buttonsHeld = 0;
  }
  if (focus == control) focus = nullptr;
}

void TWindow::ControlHidden(TControl* control) {
  if (IsWithin(capture, control)) {
    capture = nullptr;
    buttonsHeld = 0;
  }
  if (IsWithin(hover, control)) UpdateHover(0);
  if (IsWithin(focus, control)) SetFocusedControl(nullptr);
}

void TWindow::SetShown(bool show) {
  if (show == shown) return;
  shown = show;
  ShownChanged();
}
