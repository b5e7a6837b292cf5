#include "platform/NativeWindow.h"

#include "platform/HeadlessWindow.h"
#ifdef _WIN32
#include "platform/Win32Window.h"
#else
#include "platform/X11Window.h"
#endif

std::unique_ptr<TWindow> CreateChildWindow(void* parent, int width, int height, std::string* fallbackReason) {
  std::string reason;
#ifdef _WIN32
  std::unique_ptr<TWindow> window = TWin32Window::Create(parent, width, height, &reason);
#else
  std::unique_ptr<TWindow> window = TX11Window::Create(reinterpret_cast<uintptr_t>(parent), width, height, &reason);
#endif
  if (fallbackReason != nullptr) *fallbackReason = window ? std::string() : reason;
  if (window) return window;
  return std::make_unique<THeadlessWindow>(width, height);
}
