#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XRes.h>
#include <malloc.h>

#include <filesystem>

#include "tests/window/NativeParent.h"

namespace {
int gHostErrors = 0;
int HostErrorHandler(Display*, XErrorEvent*) {
  ++gHostErrors;
  return 0;
}
}  // namespace

struct TNativeParent::TImpl {
  Display* display = nullptr;
  ::Window window = 0;
  bool destroyed = false;  // the id stays, as a host's stale handle would
};

TNativeParent::TNativeParent() : impl(new TImpl) {
  impl->display = XOpenDisplay(nullptr);
  if (impl->display == nullptr) return;
  XSetErrorHandler(HostErrorHandler);  // the host's own handler; the editor must leave it in place
  Display* d = impl->display;
  impl->window = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 900, 600, 0, 0, 0x202020);
  XMapWindow(d, impl->window);
  XSync(d, False);
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
  const unsigned long p = XGetPixel(image, 0, 0);
  XDestroyImage(image);
  // TrueColor 24-bit: 0x00RRGGBB
  return static_cast<uint32_t>(((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16));
}

void TNativeParent::DestroyNow() {
  XDestroyWindow(impl->display, impl->window);
  XSync(impl->display, False);
  impl->destroyed = true;
}

int TNativeParent::HostErrors() const { return gHostErrors; }

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
