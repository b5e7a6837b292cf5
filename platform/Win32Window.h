#pragma once
// The Win32 back end: a child of the host's HWND with a window class of its own, painted by
// blitting a DIB section that holds the back buffer. Input arrives through the host's message
// loop; posted messages are real posted window messages.
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

 protected:
  void Present(const std::vector<TRect>& areas) override;
  void CursorChanged(TCursor cursor) override;
  void KeyboardWanted() override;

 private:
  TWin32Window(int width, int height) : TWindow(width, height) {}
  // Empty when the window is open, else why it is not.
  std::string Open(void* parentHwnd);
  friend struct TWin32WindowProc;
  intptr_t Handle(unsigned message, uintptr_t wParam, intptr_t lParam);

  void* hwnd = nullptr;
  void* memoryDc = nullptr;
  void* dib = nullptr;
  void* previousBitmap = nullptr;
  uint32_t* dibPixels = nullptr;
  bool trackingLeave = false;
  bool classRegistered = false;
};
