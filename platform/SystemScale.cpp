#include "platform/SystemScale.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
#else
#include <X11/Xlib.h>
#endif

namespace {

constexpr double kMaxScale = 4;

double Limit(double scale) { return scale >= 1 ? std::min(scale, kMaxScale) : 1.0; }

// The number after "Xft.dpi:" on a line of its own in an X resource string, or 0.
double XftDpi(std::string_view resources) {
  while (!resources.empty()) {
    const size_t end = std::min(resources.find('\n'), resources.size());
    std::string_view line = resources.substr(0, end);
    resources.remove_prefix(std::min(end + 1, resources.size()));
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.front()))) line.remove_prefix(1);
    constexpr std::string_view kKey = "Xft.dpi:";
    if (line.substr(0, kKey.size()) != kKey) continue;
    line.remove_prefix(kKey.size());
    const std::string value(line);
    char* stop = nullptr;
    const double dpi = std::strtod(value.c_str(), &stop);
    if (stop != value.c_str() && dpi > 0 && dpi < 10000) return dpi;
  }
  return 0;
}

}  // namespace

double ScaleFromDpi(double dpi) { return dpi > 0 ? Limit(dpi / 96.0) : 1.0; }

double ScaleFromDesktop(const char* gdkScale, const char* xResources) {
  if (gdkScale != nullptr && *gdkScale != 0) {
    char* stop = nullptr;
    const long factor = std::strtol(gdkScale, &stop, 10);
    if (*stop == 0 && factor >= 1) return Limit(static_cast<double>(factor));
  }
  if (xResources != nullptr) return ScaleFromDpi(XftDpi(xResources));
  return 1.0;
}

double ScreenScale() {
#ifdef _WIN32
  // Windows 10 1607 and later answer the system's DPI without a window; older ones through the
  // screen's device context. Neither changes the process's DPI awareness.
  using TGetDpiForSystem = UINT(WINAPI*)();
  if (HMODULE user32 = GetModuleHandleW(L"user32.dll")) {
    if (auto getDpi = reinterpret_cast<TGetDpiForSystem>(
            reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForSystem"))))
      return ScaleFromDpi(getDpi());
  }
  HDC screen = GetDC(nullptr);
  if (screen == nullptr) return 1.0;
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return ScaleFromDpi(dpi);
#else
  Display* display = XOpenDisplay(nullptr);
  const double scale =
      ScaleFromDesktop(std::getenv("GDK_SCALE"), display != nullptr ? XResourceManagerString(display) : nullptr);
  if (display != nullptr) XCloseDisplay(display);
  return scale;
#endif
}
