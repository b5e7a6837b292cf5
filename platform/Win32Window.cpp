#include "platform/Win32Window.h"

#include <windows.h>
#include <windowsx.h>

#include <string>

#include "platform/SystemScale.h"

namespace {

int gClassUsers = 0;  // windows alive that use the class; the editor thread's

HINSTANCE ModuleInstance() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&ModuleInstance), &module);
  return module;
}

// A name of this module's own: two copies of the plug-in in one host must not share a class.
std::wstring ClassName() {
  return L"MoltrinEditorWindow" + std::to_wstring(reinterpret_cast<uintptr_t>(ModuleInstance()));
}

TShiftState ShiftFromKeys(WPARAM keys) {
  TShiftState s = 0;
  if (keys & MK_SHIFT) s |= ssShift;
  if (keys & MK_CONTROL) s |= ssCtrl;
  if (keys & MK_LBUTTON) s |= ssLeft;
  if (keys & MK_RBUTTON) s |= ssRight;
  if (keys & MK_MBUTTON) s |= ssMiddle;
  if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
  return s;
}

TShiftState ShiftNow() {
  TShiftState s = 0;
  if (GetKeyState(VK_SHIFT) < 0) s |= ssShift;
  if (GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
  if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
  return s;
}

bool KeyOf(WPARAM vk, TKey& key) {
  switch (vk) {
    case VK_RETURN: key = TKey::Enter; return true;
    case VK_ESCAPE: key = TKey::Escape; return true;
    case VK_BACK: key = TKey::Backspace; return true;
    case VK_DELETE: key = TKey::Delete; return true;
    case VK_LEFT: key = TKey::Left; return true;
    case VK_RIGHT: key = TKey::Right; return true;
    case VK_UP: key = TKey::Up; return true;
    case VK_DOWN: key = TKey::Down; return true;
    case VK_HOME: key = TKey::Home; return true;
    case VK_END: key = TKey::End; return true;
    case VK_TAB: key = TKey::Tab; return true;
    default: return false;
  }
}

// DPI functions of Windows 10 1607 and later, looked up so that older systems still load us.
using TDpiContext = HANDLE;
const TDpiContext kPerMonitorAwareV2 = reinterpret_cast<TDpiContext>(static_cast<intptr_t>(-4));
const TDpiContext kPerMonitorAware = reinterpret_cast<TDpiContext>(static_cast<intptr_t>(-3));
constexpr UINT kDpiChangedAfterParent = 0x02E3;  // WM_DPICHANGED_AFTERPARENT

template <typename T>
T User32Function(const char* name) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  return user32 != nullptr ? reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(user32, name))) : nullptr;
}

// The thread's DPI awareness set to per-monitor for as long as it lives, then put back.
class TPerMonitorScope {
 public:
  TPerMonitorScope() {
    using TSet = TDpiContext(WINAPI*)(TDpiContext);
    set = User32Function<TSet>("SetThreadDpiAwarenessContext");
    if (set == nullptr) return;
    previous = set(kPerMonitorAwareV2);
    if (previous == nullptr) previous = set(kPerMonitorAware);
  }
  ~TPerMonitorScope() {
    if (set != nullptr && previous != nullptr) set(previous);
  }
  TPerMonitorScope(const TPerMonitorScope&) = delete;
  TPerMonitorScope& operator=(const TPerMonitorScope&) = delete;

 private:
  TDpiContext(WINAPI* set)(TDpiContext) = nullptr;
  TDpiContext previous = nullptr;
};

LPCWSTR CursorName(TCursor c) {
  switch (c) {
    case TCursor::Hand: return MAKEINTRESOURCEW(32649);  // IDC_HAND
    case TCursor::SizeNS: return MAKEINTRESOURCEW(32645);  // IDC_SIZENS
    case TCursor::Default: break;
  }
  return MAKEINTRESOURCEW(32512);  // IDC_ARROW
}

}  // namespace

// The window procedure of the class: finds the window object and lets it handle the message.
struct TWin32WindowProc {
  static LRESULT CALLBACK Run(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      auto* self = static_cast<TWin32Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
      self->hwnd = hwnd;
    }
    auto* self = reinterpret_cast<TWin32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
      // Destroyed with the host's window, before the editor closed.
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      self->hwnd = nullptr;
      return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    try {
      return self->Handle(message, wParam, lParam);
    } catch (...) {
      return 0;  // nothing may unwind into the host's message loop
    }
  }
};

std::unique_ptr<TWin32Window> TWin32Window::Create(void* parentHwnd, int width, int height, std::string* reason) {
  std::string why = "the host's window is no window";
  std::unique_ptr<TWin32Window> w;
  if (parentHwnd != nullptr && IsWindow(static_cast<HWND>(parentHwnd))) {
    w.reset(new TWin32Window(width, height));
    why = w->Open(parentHwnd);
  }
  if (why.empty()) return w;
  if (reason != nullptr) *reason = why;
  return nullptr;
}

std::string TWin32Window::Open(void* parentHwnd) {
  const auto failed = [](const char* what) { return std::string(what) + " (error " + std::to_string(GetLastError()) + ")"; };
  const HINSTANCE instance = ModuleInstance();
  const std::wstring className = ClassName();
  if (gClassUsers == 0) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &TWin32WindowProc::Run;
    wc.hInstance = instance;
    wc.lpszClassName = className.c_str();
    if (RegisterClassExW(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
      return failed("cannot register the window class");
  }
  ++gClassUsers;
  classRegistered = true;

  memoryDc = CreateCompatibleDC(nullptr);
  if (memoryDc == nullptr || !MakeBitmap()) return failed("cannot make the window's bitmap");

  {
    const TPerMonitorScope perMonitor;
    hwnd = CreateWindowExW(0, className.c_str(), L"Moltrin VST", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0,
                           Width(), Height(), static_cast<HWND>(parentHwnd), nullptr, instance, this);
  }
  if (hwnd == nullptr) return failed("cannot create the window");
  systemScale = WindowScale();
  return {};
}

bool TWin32Window::MakeBitmap() {
  FreeBitmap();
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = Width();
  info.bmiHeader.biHeight = -Height();  // top row first, as the back buffer
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (dib == nullptr) return false;
  dibPixels = static_cast<uint32_t*>(bits);
  previousBitmap = SelectObject(static_cast<HDC>(memoryDc), static_cast<HBITMAP>(dib));
  return true;
}

void TWin32Window::FreeBitmap() {
  if (memoryDc != nullptr && previousBitmap != nullptr) SelectObject(static_cast<HDC>(memoryDc), previousBitmap);
  previousBitmap = nullptr;
  if (dib != nullptr) DeleteObject(static_cast<HBITMAP>(dib));
  dib = nullptr;
  dibPixels = nullptr;
}

double TWin32Window::WindowScale() const {
  using TGetDpiForWindow = UINT(WINAPI*)(HWND);
  const auto getDpi = User32Function<TGetDpiForWindow>("GetDpiForWindow");
  if (getDpi != nullptr && hwnd != nullptr) return ScaleFromDpi(getDpi(static_cast<HWND>(hwnd)));
  return ScreenScale();
}

// The child window and its bitmap take the back buffer's new size; the contents come with the
// next update.
void TWin32Window::Resized() {
  if (memoryDc != nullptr) MakeBitmap();
  if (hwnd != nullptr)
    SetWindowPos(static_cast<HWND>(hwnd), nullptr, 0, 0, Width(), Height(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWin32Window::ShownChanged() {
  if (hwnd != nullptr) ShowWindow(static_cast<HWND>(hwnd), Shown() ? SW_SHOWNA : SW_HIDE);
}

TWin32Window::~TWin32Window() {
  SetRoot(nullptr);
  if (hwnd != nullptr) {
    SetWindowLongPtrW(static_cast<HWND>(hwnd), GWLP_USERDATA, 0);
    DestroyWindow(static_cast<HWND>(hwnd));  // posted messages still queued for it are dropped
  }
  FreeBitmap();
  if (memoryDc != nullptr) DeleteDC(static_cast<HDC>(memoryDc));
  if (classRegistered && --gClassUsers == 0) UnregisterClassW(ClassName().c_str(), ModuleInstance());
}

void TWin32Window::Post(TMessageId message, intptr_t a, intptr_t b) {
  // Private messages only: the window's own numbers start at WM_USER.
  if (hwnd != nullptr && message >= WM_USER && message < 0xC000)
    PostMessageW(static_cast<HWND>(hwnd), message, static_cast<WPARAM>(a), static_cast<LPARAM>(b));
}

void TWin32Window::DispatchEvents() {
  // The host's message loop delivers this window's messages itself.
}

void TWin32Window::Present(const std::vector<TRect>& areas) {
  if (dibPixels == nullptr) return;
  for (const TRect& r : areas) CopyBackBuffer(r, dibPixels, 16, 8, 0);  // the DIB holds 0x00RRGGBB
  if (hwnd == nullptr) return;
  HDC dc = GetDC(static_cast<HWND>(hwnd));
  if (dc == nullptr) return;
  for (const TRect& r : areas)
    BitBlt(dc, r.left, r.top, r.Width(), r.Height(), static_cast<HDC>(memoryDc), r.left, r.top, SRCCOPY);
  ReleaseDC(static_cast<HWND>(hwnd), dc);
}

void TWin32Window::CursorChanged(TCursor cursor) { ::SetCursor(LoadCursorW(nullptr, CursorName(cursor))); }

void TWin32Window::KeyboardWanted() {
  if (hwnd != nullptr) SetFocus(static_cast<HWND>(hwnd));
}

TPoint TWin32Window::ScreenOrigin() const {
  POINT p{0, 0};
  if (hwnd != nullptr) ClientToScreen(static_cast<HWND>(hwnd), &p);
  return {p.x, p.y};
}

intptr_t TWin32Window::Handle(unsigned message, uintptr_t wParam, intptr_t lParam) {
  HWND h = static_cast<HWND>(hwnd);
  const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  auto press = [&](TMouseButton b, TShiftState extra) {
    if (GetCapture() != h) SetCapture(h);
    MouseDown(b, ShiftFromKeys(wParam) | extra, x, y);
    Update();
    return 0;
  };
  auto release = [&](TMouseButton b) {
    const TShiftState shift = ShiftFromKeys(wParam);
    if ((shift & (ssLeft | ssRight | ssMiddle)) == 0 && GetCapture() == h) ReleaseCapture();
    MouseUp(b, shift, x, y);
    Update();
    return 0;
  };
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      Update();
      const RECT& r = ps.rcPaint;
      BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, static_cast<HDC>(memoryDc), r.left, r.top, SRCCOPY);
      EndPaint(h, &ps);
      return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_LBUTTONDOWN: return press(TMouseButton::Left, 0);
    case WM_RBUTTONDOWN: return press(TMouseButton::Right, 0);
    case WM_MBUTTONDOWN: return press(TMouseButton::Middle, 0);
    case WM_LBUTTONDBLCLK: return press(TMouseButton::Left, ssDouble);
    case WM_RBUTTONDBLCLK: return press(TMouseButton::Right, ssDouble);
    case WM_MBUTTONDBLCLK: return press(TMouseButton::Middle, ssDouble);
    case WM_LBUTTONUP: return release(TMouseButton::Left);
    case WM_RBUTTONUP: return release(TMouseButton::Right);
    case WM_MBUTTONUP: return release(TMouseButton::Middle);
    case WM_MOUSEMOVE:
      if (!trackingLeave) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, h, 0};
        trackingLeave = TrackMouseEvent(&track) != 0;
      }
      MouseMove(ShiftFromKeys(wParam), x, y);
      Update();
      return 0;
    case WM_MOUSELEAVE:
      trackingLeave = false;
      MouseLeftWindow();
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT) {
        ::SetCursor(LoadCursorW(nullptr, CursorName(Cursor())));
        return TRUE;
      }
      break;
    case WM_GETDLGCODE: return DLGC_WANTALLKEYS | DLGC_WANTCHARS;  // hosts' dialog keys stay ours
    case WM_KEYDOWN: {
      TKey key;
      if (KeyOf(wParam, key)) {
        KeyDown(key, ShiftNow());
        Update();
        return 0;
      }
      break;
    }
    case WM_CHAR: {
      const wchar_t wide = static_cast<wchar_t>(wParam);
      char c = 0;
      BOOL lossy = FALSE;
      if (wide >= 0x20 && wide != 0x7F &&
          WideCharToMultiByte(1252, 0, &wide, 1, &c, 1, nullptr, &lossy) == 1 && !lossy) {
        KeyPress(c);
        Update();
      }
      return 0;
    }
    case WM_KILLFOCUS:
      KeyboardLost();
      Update();
      return 0;
    case kDpiChangedAfterParent: {
      const double now = WindowScale();
      if (now != systemScale) {
        systemScale = now;
        SystemScaleChanged();
        Update();
      }
      return 0;
    }
    default:
      if (message >= WM_USER && message < 0xC000) {
        DeliverMessage(message, static_cast<intptr_t>(wParam), static_cast<intptr_t>(lParam));
        return 0;
      }
      break;
  }
  return DefWindowProcW(h, message, wParam, lParam);
}
