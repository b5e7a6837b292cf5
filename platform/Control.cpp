#include "platform/Control.h"

#include <algorithm>

#include "platform/Window.h"

TControl::TControl(TControl* parentControl) : parent(parentControl) {
  if (parent != nullptr) parent->children.push_back(this);
}

TControl::~TControl() {
  // Children go first, the last created first, while this control still exists for them.
  while (!children.empty()) delete children.back();
  if (TWindow* window = Window()) window->ControlGone(this);
  if (rootWindow != nullptr) rootWindow->SetRoot(nullptr);
  if (parent != nullptr) std::erase(parent->children, this);
}

TControl* TControl::FindDescendant(const std::function<bool(TControl&)>& visit) const {
  std::vector<TControl*> pending(children.rbegin(), children.rend());
  while (!pending.empty()) {
    TControl* c = pending.back();
    pending.pop_back();
    if (visit(*c)) return c;
    pending.insert(pending.end(), c->children.rbegin(), c->children.rend());
  }
  return nullptr;
}

void TControl::BringToFront() {
  if (parent == nullptr) return;
  auto& list = parent->children;
  std::erase(list, this);
  list.push_back(this);
  Invalidate();
}

TWindow* TControl::Window() const {
  const TControl* c = this;
  while (c->parent != nullptr) c = c->parent;
  return c->rootWindow;
}

void TControl::SetBounds(int left, int top, int width, int height) {
  const TRect next{left, top, left + std::max(0, width), top + std::max(0, height)};
  if (next == bounds) return;
  // The old place shows what lies beneath now, the new one this control.
  if (parent != nullptr) parent->InvalidateRect(bounds);
  bounds = next;
  Invalidate();
  BoundsChanged();
}

TPoint TControl::WindowOrigin() const {
  TPoint p;
  for (const TControl* c = this; c != nullptr; c = c->parent) {
    p.x += c->bounds.left;
    p.y += c->bounds.top;
  }
  return p;
}

TPoint TControl::ClientToWindow(TPoint p) const {
  const TPoint o = WindowOrigin();
  return {p.x + o.x, p.y + o.y};
}

TPoint TControl::WindowToClient(TPoint p) const {
  const TPoint o = WindowOrigin();
  return {p.x - o.x, p.y - o.y};
}

TPoint TControl::ClientToScreen(TPoint p) const {
  const TPoint w = ClientToWindow(p);
  const TWindow* window = Window();
  return window != nullptr ? window->WindowToScreen(w) : w;
}

void TControl::SetVisible(bool on) {
  if (on == visible) return;
  if (!on) {
    Invalidate();  // while still visible, so the area is marked
    visible = false;
    if (TWindow* window = Window()) window->ControlHidden(this);
  } else {
    visible = true;
    Invalidate();
  }
}

bool TControl::Showing() const {
  for (const TControl* c = this; c != nullptr; c = c->parent)
    if (!c->visible) return false;
  return true;
}

void TControl::SetColor(TColor c) {
  if (c == color) return;
  color = c;
  if (!Loading()) Invalidate();
}

bool TControl::Loading() const {
  for (const TControl* c = this; c != nullptr; c = c->parent)
    if (c->loading) return true;
  return false;
}

void TControl::EndLoading() {
  if (!loading) return;
  loading = false;
  if (!Loading()) LoadedTree();
}

void TControl::LoadedTree() {
  if (loading) return;  // still loading on its own account
  Loaded();
  // Loaded may add children; walk a copy.
  const std::vector<TControl*> list = children;
  for (TControl* child : list) child->LoadedTree();
}

void TControl::InvalidateRect(const TRect& area) {
  TWindow* window = Window();
  if (window == nullptr || !Showing()) return;
  // Clip to this control and every ancestor, in window coordinates.
  TPoint o = WindowOrigin();
  TRect r = area.Intersect(ClientRect()).Offset(o.x, o.y);
  for (const TControl* c = this; c->parent != nullptr && !r.IsEmpty(); c = c->parent) {
    o.x -= c->bounds.left;  // o becomes the parent's window origin
    o.y -= c->bounds.top;
    r = r.Intersect(c->parent->ClientRect().Offset(o.x, o.y));
  }
  if (!r.IsEmpty()) window->InvalidateWindowRect(r);
}

void TControl::SetScreenCursor(TCursor c) {
  if (TWindow* window = Window()) window->SetCursor(c);
}

void TControl::SetFocus() {
  if (TWindow* window = Window()) window->SetFocusedControl(this);
}

bool TControl::Focused() const {
  const TWindow* window = Window();
  return window != nullptr && window->FocusedControl() == this;
}
