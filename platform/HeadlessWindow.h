#pragma once
// A window with no screen: tests and tools drive it directly. They inject input through the
// TWindow calls, run posted messages and repaints with ProcessEvents (or Update), and read
// the pixels shown or save them as a PNG.
#include <deque>
#include <string>

#include "platform/Window.h"

class THeadlessWindow : public TWindow {
 public:
  THeadlessWindow(int width, int height) : TWindow(width, height) {}

  // Queued; run by the next ProcessEvents.
  void Post(TMessageId message, intptr_t a, intptr_t b) override;
  // Runs the messages queued before the call, then repaints what is invalid.
  void DispatchEvents() override;

  TColor Pixel(int x, int y) const { return BackBuffer().DevicePixel(x, y); }  // device pixels
  bool SavePng(const std::string& path) const;

  int PresentCount() const { return presents; }
  const std::vector<TRect>& LastPresented() const { return lastPresented; }  // device pixels
  size_t QueuedMessages() const { return queue.size(); }
  int ResizeCount() const { return resizes; }

  // The scale a screen would ask for (1 by default): what tests set to stand for a system of
  // another density; tells OnSystemScaleChanged.
  double SystemScale() const override { return systemScale; }
  void SetSystemScale(double scale);

 protected:
  void Present(const std::vector<TRect>& areas) override;
  void Resized() override { ++resizes; }

 private:
  struct TPosted {
    TMessageId message;
    intptr_t a, b;
  };
  std::deque<TPosted> queue;
  int presents = 0;
  std::vector<TRect> lastPresented;
  int resizes = 0;
  double systemScale = 1;
};
