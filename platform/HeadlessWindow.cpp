#include "platform/HeadlessWindow.h"

#include "platform/Png.h"

void THeadlessWindow::Post(TMessageId message, intptr_t a, intptr_t b) { queue.push_back({message, a, b}); }

void THeadlessWindow::DispatchEvents() {
  // Messages posted while these run wait for the next call, as a native queue would keep them.
  for (size_t n = queue.size(); n > 0 && !queue.empty(); --n) {
    const TPosted m = queue.front();
    queue.pop_front();
    DeliverMessage(m.message, m.a, m.b);
  }
}

bool THeadlessWindow::SavePng(const std::string& path) const { return WritePng(BackBuffer(), path); }

void THeadlessWindow::Present(const std::vector<TRect>& areas) {
  ++presents;
  lastPresented = areas;
}

void THeadlessWindow::SetSystemScale(double scale) {
  systemScale = scale;
  SystemScaleChanged();
}
