#include <windows.h>
#include <psapi.h>

#include "hosts/vst2/NativeParent.h"

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

TNativeParent::TNativeParent(int width, int height) : impl(new TImpl) {
  impl->hwnd = CreateWindowExW(0, ParentClass(), L"Host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, width, height,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  Pump();
}

void TNativeParent::Resize(int width, int height) {
  SetWindowPos(impl->hwnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
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

namespace {
void Send(INPUT input) { SendInput(1, &input, sizeof input); }
void SendKey(WORD vk, WORD unicode, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.wScan = unicode;
  input.ki.dwFlags = (unicode != 0 ? KEYEVENTF_UNICODE : 0) | (up ? KEYEVENTF_KEYUP : 0);
  Send(input);
}
}  // namespace

void TNativeParent::MouseMoveTo(int x, int y) {
  POINT p{x, y};
  ClientToScreen(impl->hwnd, &p);
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = MulDiv(p.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  input.mi.dy = MulDiv(p.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  Send(input);
  Pump();
}

void TNativeParent::MouseButton(bool down, bool right) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = right ? (down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP)
                           : (down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP);
  Send(input);
  Pump();
}

void TNativeParent::TypeText(const std::string& text) {
  for (char c : text) {
    SendKey(0, static_cast<WORD>(static_cast<unsigned char>(c)), false);
    SendKey(0, static_cast<WORD>(static_cast<unsigned char>(c)), true);
    Pump();
  }
}

void TNativeParent::PressEnter() {
  SendKey(VK_RETURN, 0, false);
  SendKey(VK_RETURN, 0, true);
  Pump();
}

// The editor's child window covers the part captured; its own surface is read.
std::vector<uint32_t> TNativeParent::Capture(int width, int height) const {
  std::vector<uint32_t> pixels;
  POINT corner{1, 1};
  HWND source = ChildWindowFromPoint(impl->hwnd, corner);
  if (source == nullptr) source = impl->hwnd;
  HDC dc = GetDC(source);
  HDC memory = CreateCompatibleDC(dc);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap != nullptr) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, dc, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    for (int i = 0; i < width * height; ++i) {
      const uint32_t rgb = p[i];  // 0x00RRGGBB in a DIB
      pixels.push_back(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
  }
  DeleteDC(memory);
  ReleaseDC(source, dc);
  return pixels;
}

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
