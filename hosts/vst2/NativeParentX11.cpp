#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <malloc.h>

#include <filesystem>

#include "hosts/vst2/NativeParent.h"

namespace {
int gHostErrors = 0;
int HostErrorHandler(Display*, XErrorEvent*) {
  ++gHostErrors;
  return 0;
}
// A TrueColor 24-bit pixel, 0x00RRGGBB, as 0x00BBGGRR.
uint32_t ColorOf(unsigned long p) {
  return static_cast<uint32_t>(((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16));
}
}  // namespace

struct TNativeParent::TImpl {
  Display* display = nullptr;
  ::Window window = 0;
  bool destroyed = false;  // the id stays, as a host's stale handle would
};

TNativeParent::TNativeParent(int width, int height) : impl(new TImpl) {
  impl->display = XOpenDisplay(nullptr);
  if (impl->display == nullptr) return;
  XSetErrorHandler(HostErrorHandler);  // the host's own handler; the editor must leave it in place
  Display* d = impl->display;
  impl->window = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, static_cast<unsigned>(width),
                                     static_cast<unsigned>(height), 0, 0, 0x202020);
  XMapWindow(d, impl->window);
  XSync(d, False);
}

void TNativeParent::Resize(int width, int height) {
  XResizeWindow(impl->display, impl->window, static_cast<unsigned>(width), static_cast<unsigned>(height));
  XSync(impl->display, False);
}

TNativeParent::~TNativeParent() {
  if (impl->display != nullptr) {
    if (impl->window != 0 && !impl->destroyed) XDestroyWindow(impl->display, impl->window);
    XCloseDisplay(impl->display);
  }
  delete impl;
}

bool TNativeParent::Valid() const { return impl->display != nullptr && impl->window != 0; }
void* TNativeParent::Handle() const { return reinterpret_cast<void*>(static_cast<uintptr_t>(impl->window)); }

void TNativeParent::Pump() {
  XSync(impl->display, False);
  while (XPending(impl->display) > 0) {
    XEvent e;
    XNextEvent(impl->display, &e);
  }
}

int TNativeParent::ChildCount() const {
  if (impl->window == 0 || impl->destroyed) return 0;
  ::Window root = 0, parent = 0, *children = nullptr;
  unsigned int n = 0;
  if (!XQueryTree(impl->display, impl->window, &root, &parent, &children, &n)) return -1;
  if (children != nullptr) XFree(children);
  return static_cast<int>(n);
}

uint32_t TNativeParent::PixelAt(int x, int y) const {
  XImage* image = XGetImage(impl->display, impl->window, x, y, 1, 1, AllPlanes, ZPixmap);
  if (image == nullptr) return 0xFFFFFFFF;
  const uint32_t color = ColorOf(XGetPixel(image, 0, 0));
  XDestroyImage(image);
  return color;
}

void TNativeParent::DestroyNow() {
  XDestroyWindow(impl->display, impl->window);
  XSync(impl->display, False);
  impl->destroyed = true;
}

int TNativeParent::HostErrors() const { return gHostErrors; }

void TNativeParent::MouseMoveTo(int x, int y) {
  ::Window child = 0;
  int sx = 0, sy = 0;
  XTranslateCoordinates(impl->display, impl->window, DefaultRootWindow(impl->display), x, y, &sx, &sy, &child);
  XTestFakeMotionEvent(impl->display, -1, sx, sy, CurrentTime);
  XSync(impl->display, False);
}

void TNativeParent::MouseButton(bool down, bool right) {
  XTestFakeButtonEvent(impl->display, right ? Button3 : Button1, down ? True : False, CurrentTime);
  XSync(impl->display, False);
}

namespace {
void FakeKey(Display* d, KeySym sym, bool shifted) {
  const KeyCode shift = XKeysymToKeycode(d, XK_Shift_L), code = XKeysymToKeycode(d, sym);
  if (shifted) XTestFakeKeyEvent(d, shift, True, CurrentTime);
  XTestFakeKeyEvent(d, code, True, CurrentTime);
  XTestFakeKeyEvent(d, code, False, CurrentTime);
  if (shifted) XTestFakeKeyEvent(d, shift, False, CurrentTime);
  XSync(d, False);
}
}  // namespace

void TNativeParent::TypeText(const std::string& text) {
  for (char c : text) {
    const bool upper = c >= 'A' && c <= 'Z';
    const KeySym sym = c == ' ' ? XK_space : static_cast<KeySym>(upper ? c - 'A' + 'a' : c);
    FakeKey(impl->display, sym, upper);
  }
}

void TNativeParent::PressEnter() { FakeKey(impl->display, XK_Return, false); }

std::vector<uint32_t> TNativeParent::Capture(int width, int height) const {
  std::vector<uint32_t> pixels;
  XImage* image = XGetImage(impl->display, impl->window, 0, 0, static_cast<unsigned>(width),
                            static_cast<unsigned>(height), AllPlanes, ZPixmap);
  if (image == nullptr) return pixels;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) pixels.push_back(ColorOf(XGetPixel(image, x, y)));
  XDestroyImage(image);
  return pixels;
}

size_t OpenHandles() {
  size_t n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
  return n;
}

size_t WindowSystemClients() {
  Display* d = XOpenDisplay(nullptr);
  if (d == nullptr) return 0;
  int count = 0;
  XResClient* clients = nullptr;
  XResQueryClients(d, &count, &clients);
  if (clients != nullptr) XFree(clients);
  XCloseDisplay(d);
  return static_cast<size_t>(count) - 1;  // not this query's own connection
}

size_t HeapInUse() { return mallinfo2().uordblks; }
