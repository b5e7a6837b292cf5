#include "platform/X11Window.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/SystemScale.h"

// Xlib names an event type KeyPress, which would rewrite the window's KeyPress call.
constexpr int kXKeyPressEvent = KeyPress;
#undef KeyPress

namespace {

// ---- X errors: caught for our connection only, passed on for the host's.

struct TTrapState {
  Display* display = nullptr;
  int* errors = nullptr;
  XErrorHandler previous = nullptr;
};
TTrapState gTrap;  // the editor thread's; Xlib's handler is process-wide

int TrapHandler(Display* d, XErrorEvent* e) {
  if (d == gTrap.display) {
    if (gTrap.errors != nullptr) ++*gTrap.errors;
    return 0;
  }
  return gTrap.previous != nullptr ? gTrap.previous(d, e) : 0;
}

// Our handler, in place for the life of the object: errors of our connection arrive while we
// read from it, which is only inside our own calls.
class TErrorTrap {
 public:
  TErrorTrap(Display* d, int* errors) : saved(gTrap) {
    XErrorHandler previous = XSetErrorHandler(TrapHandler);
    gTrap.display = d;
    gTrap.errors = errors;
    gTrap.previous = previous == TrapHandler ? saved.previous : previous;
  }
  ~TErrorTrap() {
    if (saved.display == nullptr) XSetErrorHandler(gTrap.previous);
    gTrap = saved;
  }
  TErrorTrap(const TErrorTrap&) = delete;
  TErrorTrap& operator=(const TErrorTrap&) = delete;

 private:
  TTrapState saved;
};

int gErrors = 0;  // errors of every editor connection; ErrorCount reads it

int ShiftOf(unsigned long mask) {
  int shift = 0;
  while (mask != 0 && (mask & 1) == 0) {
    mask >>= 1;
    ++shift;
  }
  return shift;
}

TShiftState ShiftFromState(unsigned int state) {
  TShiftState s = 0;
  if (state & ShiftMask) s |= ssShift;
  if (state & ControlMask) s |= ssCtrl;
  if (state & Mod1Mask) s |= ssAlt;
  if (state & Button1Mask) s |= ssLeft;
  if (state & Button2Mask) s |= ssMiddle;
  if (state & Button3Mask) s |= ssRight;
  return s;
}

bool ButtonOf(unsigned int xbutton, TMouseButton& button, TShiftState& bit) {
  switch (xbutton) {
    case Button1: button = TMouseButton::Left; bit = ssLeft; return true;
    case Button2: button = TMouseButton::Middle; bit = ssMiddle; return true;
    case Button3: button = TMouseButton::Right; bit = ssRight; return true;
    default: return false;  // wheel and extra buttons
  }
}

bool KeyOf(KeySym sym, TKey& key) {
  switch (sym) {
    case XK_Return: case XK_KP_Enter: key = TKey::Enter; return true;
    case XK_Escape: key = TKey::Escape; return true;
    case XK_BackSpace: key = TKey::Backspace; return true;
    case XK_Delete: case XK_KP_Delete: key = TKey::Delete; return true;
    case XK_Left: case XK_KP_Left: key = TKey::Left; return true;
    case XK_Right: case XK_KP_Right: key = TKey::Right; return true;
    case XK_Up: case XK_KP_Up: key = TKey::Up; return true;
    case XK_Down: case XK_KP_Down: key = TKey::Down; return true;
    case XK_Home: case XK_KP_Home: key = TKey::Home; return true;
    case XK_End: case XK_KP_End: key = TKey::End; return true;
    case XK_Tab: key = TKey::Tab; return true;
    default: return false;
  }
}

// A posted argument from its two 32-bit halves.
intptr_t Join(long low, long high) {
  return static_cast<intptr_t>((static_cast<uint64_t>(high) & 0xFFFFFFFFu) << 32 | (static_cast<uint64_t>(low) & 0xFFFFFFFFu));
}

std::string Hex(uintptr_t id) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%lx", static_cast<unsigned long>(id));
  return text;
}

constexpr unsigned long kDoubleClickMs = 500;
constexpr int kDoubleClickSlop = 4;

}  // namespace

std::unique_ptr<TX11Window> TX11Window::Create(uintptr_t parentId, int width, int height, std::string* reason) {
  std::string why = "the host gave no parent window";
  std::unique_ptr<TX11Window> w;
  if (parentId != 0) {
    w.reset(new TX11Window(width, height));
    why = w->Open(parentId);
  }
  if (why.empty()) return w;
  if (reason != nullptr) *reason = why;
  return nullptr;
}

std::string TX11Window::Open(uintptr_t parentId) {
  display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    const char* name = std::getenv("DISPLAY");
    return name != nullptr && *name != 0 ? std::string("cannot open the X display \"") + name + "\""
                                         : "no X display (DISPLAY is not set)";
  }
  TErrorTrap trap(display, &gErrors);
  const int errorsBefore = gErrors;

  XWindowAttributes parent{};
  if (XGetWindowAttributes(display, static_cast<::Window>(parentId), &parent) == 0)
    return "the host's window " + Hex(parentId) + " is no window on the X display";
  XVisualInfo wanted{};
  wanted.visualid = XVisualIDFromVisual(parent.visual);
  int found = 0;
  XVisualInfo* info = XGetVisualInfo(display, VisualIDMask, &wanted, &found);
  const bool trueColor = info != nullptr && found > 0 && info->c_class == TrueColor && parent.depth >= 24;
  if (trueColor) {
    redShift = ShiftOf(info->red_mask);
    greenShift = ShiftOf(info->green_mask);
    blueShift = ShiftOf(info->blue_mask);
  }
  if (info != nullptr) XFree(info);
  if (!trueColor)
    return "the host's window has no true-colour visual of 24 bits or more (depth " + std::to_string(parent.depth) + ")";

  XSetWindowAttributes attributes{};
  attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | EnterWindowMask |
                          LeaveWindowMask | KeyPressMask | FocusChangeMask | StructureNotifyMask;
  attributes.background_pixmap = None;  // we paint every pixel; no flash of a background
  window = XCreateWindow(display, static_cast<::Window>(parentId), 0, 0, Width(), Height(), 0, CopyFromParent,
                         InputOutput, CopyFromParent, CWEventMask | CWBackPixmap, &attributes);
  postedAtom = XInternAtom(display, "MOLTRIN_POSTED_MESSAGE", False);
  gc = XCreateGC(display, window, 0, nullptr);
  visual = parent.visual;
  depth = parent.depth;
  systemScale = ScaleFromDesktop(std::getenv("GDK_SCALE"), XResourceManagerString(display));
  MakeImage();
  cursors[static_cast<int>(TCursor::Default)] = XCreateFontCursor(display, XC_left_ptr);
  cursors[static_cast<int>(TCursor::Hand)] = XCreateFontCursor(display, XC_hand2);
  cursors[static_cast<int>(TCursor::SizeNS)] = XCreateFontCursor(display, XC_sb_v_double_arrow);
  XDefineCursor(display, window, cursors[0]);
  XMapWindow(display, window);
  XSync(display, False);  // once, at opening: a parent that is gone shows up here
  if (image == nullptr) return "the X server could not make the window's image";
  if (gErrors != errorsBefore) return "the X server refused the window (" + std::to_string(gErrors - errorsBefore) + " errors)";
  return {};
}

void TX11Window::MakeImage() {
  if (image != nullptr) {
    static_cast<XImage*>(image)->data = nullptr;  // the pixels are ours
    XDestroyImage(static_cast<XImage*>(image));
  }
  imagePixels.assign(static_cast<size_t>(Width()) * Height(), 0);
  image = XCreateImage(display, static_cast<Visual*>(visual), static_cast<unsigned>(depth), ZPixmap, 0,
                       reinterpret_cast<char*>(imagePixels.data()), static_cast<unsigned>(Width()),
                       static_cast<unsigned>(Height()), 32, Width() * 4);
}

// The child window takes the back buffer's new size; its contents come with the next update.
void TX11Window::Resized() {
  if (display == nullptr) return;
  TErrorTrap trap(display, &gErrors);
  MakeImage();
  if (!windowGone) XResizeWindow(display, window, static_cast<unsigned>(Width()), static_cast<unsigned>(Height()));
  XFlush(display);
}

void TX11Window::ShownChanged() {
  if (display == nullptr || windowGone) return;
  TErrorTrap trap(display, &gErrors);
  if (Shown())
    XMapWindow(display, window);
  else
    XUnmapWindow(display, window);
  XFlush(display);
}

TX11Window::~TX11Window() {
  SetRoot(nullptr);
  if (display == nullptr) return;
  {
    TErrorTrap trap(display, &gErrors);
    if (image != nullptr) {
      static_cast<XImage*>(image)->data = nullptr;  // the pixels are ours
      XDestroyImage(static_cast<XImage*>(image));
    }
    for (unsigned long c : cursors)
      if (c != 0) XFreeCursor(display, c);
    if (gc != nullptr) XFreeGC(display, static_cast<GC>(gc));
    if (window != 0 && !windowGone) XDestroyWindow(display, window);
    XCloseDisplay(display);  // frees whatever is left on the server with the connection
  }
  display = nullptr;
}

int TX11Window::ErrorCount() const { return gErrors; }

void TX11Window::Post(TMessageId message, intptr_t a, intptr_t b) {
  if (display == nullptr) return;
  TErrorTrap trap(display, &gErrors);
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = postedAtom;
  event.xclient.format = 32;
  // Format 32 carries 32 bits per item on the wire, so each argument travels in two halves.
  const auto half = [](intptr_t v, int shift) { return static_cast<long>((static_cast<uint64_t>(v) >> shift) & 0xFFFFFFFFu); };
  event.xclient.data.l[0] = static_cast<long>(message);
  event.xclient.data.l[1] = half(a, 0);
  event.xclient.data.l[2] = half(a, 32);
  event.xclient.data.l[3] = half(b, 0);
  event.xclient.data.l[4] = half(b, 32);
  XSendEvent(display, window, False, NoEventMask, &event);
  XFlush(display);
}

void TX11Window::DispatchEvents() {
  if (display == nullptr) return;
  TErrorTrap trap(display, &gErrors);
  // Only what has already arrived: XPending reads without waiting.
  while (XPending(display) > 0) {
    XEvent event;
    XNextEvent(display, &event);
    Handle(event);
  }
}

void TX11Window::Handle(XEvent& e) {
  TMouseButton button;
  TShiftState bit;
  switch (e.type) {
    case Expose:
      InvalidateDeviceRect({e.xexpose.x, e.xexpose.y, e.xexpose.x + e.xexpose.width, e.xexpose.y + e.xexpose.height});
      break;
    case ButtonPress:
      if (ButtonOf(e.xbutton.button, button, bit)) {
        TShiftState shift = ShiftFromState(e.xbutton.state) | bit;
        const TPoint at{e.xbutton.x, e.xbutton.y};
        if (e.xbutton.button == lastPressButton && e.xbutton.time - lastPressTime <= kDoubleClickMs &&
            std::abs(at.x - lastPressAt.x) <= kDoubleClickSlop && std::abs(at.y - lastPressAt.y) <= kDoubleClickSlop) {
          shift |= ssDouble;
          lastPressButton = 0;  // a third press starts anew
        } else {
          lastPressButton = e.xbutton.button;
        }
        lastPressTime = e.xbutton.time;
        lastPressAt = at;
        MouseDown(button, shift, at.x, at.y);
      }
      break;
    case ButtonRelease:
      if (ButtonOf(e.xbutton.button, button, bit))
        MouseUp(button, ShiftFromState(e.xbutton.state) & ~bit, e.xbutton.x, e.xbutton.y);
      break;
    case MotionNotify: MouseMove(ShiftFromState(e.xmotion.state), e.xmotion.x, e.xmotion.y); break;
    case LeaveNotify:
      if (e.xcrossing.mode == NotifyNormal) MouseLeftWindow();
      break;
    case kXKeyPressEvent: {
      char text[16] = {};
      KeySym sym = NoSymbol;
      const int n = XLookupString(&e.xkey, text, sizeof text, &sym, nullptr);
      TKey key;
      if (KeyOf(sym, key)) {
        KeyDown(key, ShiftFromState(e.xkey.state));
      } else {
        // Latin-1, which Windows-1252 spells alike from 0xA0 on.
        for (int i = 0; i < n; ++i)
          if (static_cast<unsigned char>(text[i]) >= 0x20 && text[i] != 0x7F) KeyPress(text[i]);
      }
      break;
    }
    case FocusOut:
      // NotifyPointer: the keyboard followed the pointer (no window had the focus) until this
      // window took it; nothing was lost.
      if (e.xfocus.mode == NotifyNormal && e.xfocus.detail != NotifyInferior && e.xfocus.detail != NotifyPointer)
        KeyboardLost();
      break;
    case DestroyNotify:
      if (e.xdestroywindow.window == window) windowGone = true;
      break;
    case ClientMessage:
      if (e.xclient.message_type == postedAtom && e.xclient.format == 32)
        DeliverMessage(static_cast<TMessageId>(e.xclient.data.l[0] & 0xFFFFFFFFu),
                       Join(e.xclient.data.l[1], e.xclient.data.l[2]), Join(e.xclient.data.l[3], e.xclient.data.l[4]));
      break;
    default: break;
  }
}

void TX11Window::Present(const std::vector<TRect>& areas) {
  if (display == nullptr || windowGone || image == nullptr) return;
  TErrorTrap trap(display, &gErrors);
  for (const TRect& r : areas) {
    CopyBackBuffer(r, imagePixels.data(), redShift, greenShift, blueShift);
    XPutImage(display, window, static_cast<GC>(gc), static_cast<XImage*>(image), r.left, r.top, r.left, r.top,
              static_cast<unsigned>(r.Width()), static_cast<unsigned>(r.Height()));
  }
  XFlush(display);
}

void TX11Window::CursorChanged(TCursor cursor) {
  if (display == nullptr || windowGone) return;
  TErrorTrap trap(display, &gErrors);
  XDefineCursor(display, window, cursors[static_cast<int>(cursor)]);
  XFlush(display);
}

void TX11Window::KeyboardWanted() {
  if (display == nullptr || windowGone) return;
  TErrorTrap trap(display, &gErrors);
  XSetInputFocus(display, window, RevertToParent, CurrentTime);
  XFlush(display);
}

TPoint TX11Window::ScreenOrigin() const {
  if (display == nullptr || windowGone) return {};
  TErrorTrap trap(display, &gErrors);
  int x = 0, y = 0;
  ::Window child = 0;
  if (!XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child)) return {};
  return {x, y};
}
