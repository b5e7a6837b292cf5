#pragma once
// The scale the desktop asks applications to draw at: 1 on a standard screen, 2 on one of twice
// the density. Never below 1 (the editor is not drawn smaller than designed) nor above 4.
//
// - X11: GDK_SCALE when it holds a whole factor (the desktop's explicit choice), else the
//   Xft.dpi resource divided by 96, else 1.
// - Windows: the DPI divided by 96; the system's DPI before a window exists, the window's own
//   once it does (platform/Win32Window).

// The screen's scale before any window exists (opens and closes a display connection on X11).
double ScreenScale();
// The scale from the desktop's settings: GDK_SCALE's text and the X resource manager's text
// (either null when unset).
double ScaleFromDesktop(const char* gdkScale, const char* xResources);
// A DPI as a scale (96 is 1).
double ScaleFromDpi(double dpi);
