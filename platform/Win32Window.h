#pragma once
// The Win32 back end: a child of the host's HWND with a window class of its own, painted by
// blitting a DIB section that holds the back buffer. Input arrives through the host's message
// loop; posted messages are real posted window messages.
//
// DPI: the window is made per-monitor DPI aware where Windows allows it (1607 and later), by the
// thread's DPI awareness context around its creation only; the process's awareness, which is
// the host's, is never touched. Windows keeps a child at its parent's awareness when the host's
// window does not host mixed ones; the window's own DPI (SystemScale) says what it got, and a
// move to a screen of another density tells OnSystemScaleChanged.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Window.h"

class TWin32Window : public TWindow {
 public:
  // Null when the parent is no window or the window cannot be made; `reason`, when given,
  // then says which.
  static std::unique_ptr<TWin32Window> Create(void* parentHwnd, int width, int height, std::string* reason = nullptr);
  ~TWin32Window() override;

  void Post(TMessageId message, intptr_t a, intptr_t b) override;
  void DispatchEvents() override;
  TPoint ScreenOrigin() const override;
  void* NativeHandle() const override { return hwnd; }
  // The window's DPI / 96 (the system's DPI where Windows cannot tell a window's).
  double SystemScale() const override { return systemScale; }

 protected:
  void Present(const std::vector<TRect>& areas) override;
  void CursorChanged(TCursor cursor) override;
  void KeyboardWanted() override;
  void Resized() override;
  void ShownChanged() override;

 private:
  TWin32Window(int width, int height) : TWindow(width, height) {}
  // Empty when the window is open, else why it is not.
  std::string Open(void* parentHwnd);
  friend struct TWin32WindowProc;
  intptr_t Handle(unsigned message, uintptr_t wParam, intptr_t lParam);
  // The DIB section of the back buffer's size; false when Windows cannot make it.
  bool MakeBitmap();
  void FreeBitmap();
  double WindowScale() const;

  void* hwnd = nullptr;
  void* memoryDc = nullptr;
  void* dib = nullptr;
  void* previousBitmap = nullptr;
  uint32_t* dibPixels = nullptr;
  bool trackingLeave = false;
  bool classRegistered = false;
  double systemScale = 1;
};
