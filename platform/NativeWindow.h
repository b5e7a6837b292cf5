#pragma once
// The editor's window inside a host's window: an X11 child window on Linux (the parent is
// the X window id the host hands over), a Win32 child window on Windows (the parent is an
// HWND). When no native window can be made (no display, a parent that does not exist), the
// editor still works in a headless window, unseen, rather than failing the host.
#include <memory>
#include <string>

#include "platform/Window.h"

// `fallbackReason`, when given, says why a headless window was made instead (empty otherwise).
std::unique_ptr<TWindow> CreateChildWindow(void* parent, int width, int height, std::string* fallbackReason = nullptr);
