#pragma once
// The X11 back end: a child of the host's X window on a display connection of its own.
// It never blocks the host's thread and has no thread or timer of its own: events are read
// only when they are already waiting, on the host's idle call (ProcessEvents). X errors on
// its connection (a parent the host destroyed first, say) are caught by a handler of its
// own, installed only around its own calls, and never end the process.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Window.h"

struct _XDisplay;

class TX11Window : public TWindow {
 public:
  // Null when the display cannot be opened or the parent is no usable window; `reason`, when
  // given, then says which.
  static std::unique_ptr<TX11Window> Create(uintptr_t parentId, int width, int height, std::string* reason = nullptr);
  ~TX11Window() override;

  void Post(TMessageId message, intptr_t a, intptr_t b) override;
  void DispatchEvents() override;
  TPoint ScreenOrigin() const override;
  // GDK_SCALE or the display's Xft.dpi resource, as they were when the window was made.
  double SystemScale() const override { return systemScale; }
  void* NativeHandle() const override { return reinterpret_cast<void*>(static_cast<uintptr_t>(window)); }
  // X errors caught on this window's connection so far (for tests).
  int ErrorCount() const;

 protected:
  void Present(const std::vector<TRect>& areas) override;
  void CursorChanged(TCursor cursor) override;
  void KeyboardWanted() override;
  void Resized() override;
  void ShownChanged() override;

 private:
  TX11Window(int width, int height) : TWindow(width, height) {}
  // Empty when the window is open, else why it is not.
  std::string Open(uintptr_t parentId);
  void Handle(union _XEvent& event);
  // The image the back buffer is converted into before it is sent, of the window's size.
  void MakeImage();

  _XDisplay* display = nullptr;
  unsigned long window = 0;       // our child window
  unsigned long postedAtom = 0;   // type of the client messages that carry posted messages
  void* gc = nullptr;
  void* image = nullptr;          // XImage over `imagePixels`
  void* visual = nullptr;         // the parent's, which the image is made for
  int depth = 0;
  std::vector<uint32_t> imagePixels;
  double systemScale = 1;
  unsigned long cursors[3] = {};  // by TCursor
  int redShift = 16, greenShift = 8, blueShift = 0;
  bool windowGone = false;        // destroyed with its parent
  unsigned long lastPressTime = 0;
  unsigned int lastPressButton = 0;
  TPoint lastPressAt;
};
