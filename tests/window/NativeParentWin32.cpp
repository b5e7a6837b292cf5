#include <windows.h>
#include <psapi.h>

#include "tests/window/NativeParent.h"

namespace {
LRESULT CALLBACK ParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ERASEBKGND) {
    RECT r;
    GetClientRect(hwnd, &r);
    HBRUSH brush = CreateSolidBrush(RGB(0x20, 0x20, 0x20));
    FillRect(reinterpret_cast<HDC>(wParam), &r, brush);
    DeleteObject(brush);
    return 1;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

const wchar_t* ParentClass() {
  static const bool registered = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ParentProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"MoltrinTestHostWindow";
    return RegisterClassW(&wc) != 0;
  }();
  (void)registered;
  return L"MoltrinTestHostWindow";
}

BOOL CALLBACK CountChild(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}
}  // namespace

struct TNativeParent::TImpl {
  HWND hwnd = nullptr;
  bool destroyed = false;
};

TNativeParent::TNativeParent() : impl(new TImpl) {
  impl->hwnd = CreateWindowExW(0, ParentClass(), L"Host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 900, 600,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  Pump();
}

TNativeParent::~TNativeParent() {
  if (impl->hwnd != nullptr && !impl->destroyed) DestroyWindow(impl->hwnd);
  delete impl;
}

bool TNativeParent::Valid() const { return impl->hwnd != nullptr; }
void* TNativeParent::Handle() const { return impl->hwnd; }

void TNativeParent::Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

int TNativeParent::ChildCount() const {
  if (impl->destroyed) return 0;
  int count = 0;
  EnumChildWindows(impl->hwnd, CountChild, reinterpret_cast<LPARAM>(&count));
  return count;
}

uint32_t TNativeParent::PixelAt(int x, int y) const {
  POINT p{x, y};
  HWND target = ChildWindowFromPoint(impl->hwnd, p);
  if (target == nullptr) target = impl->hwnd;
  MapWindowPoints(impl->hwnd, target, &p, 1);
  HDC dc = GetDC(target);
  const COLORREF c = GetPixel(dc, p.x, p.y);
  ReleaseDC(target, dc);
  return static_cast<uint32_t>(c);  // COLORREF is 0x00BBGGRR as well
}

void TNativeParent::DestroyNow() {
  DestroyWindow(impl->hwnd);
  impl->destroyed = true;
}

int TNativeParent::HostErrors() const { return 0; }

size_t OpenHandles() {
  DWORD count = 0;
  GetProcessHandleCount(GetCurrentProcess(), &count);
  return count;
}

size_t WindowSystemClients() {
  return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS) + GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
}

size_t HeapInUse() {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
  return counters.PrivateUsage;
}
