#pragma once
// The editor window as the editor host sees it: a form living in a native child window of
// the host's window. The editor host creates one through a form class (a factory) given to
// the plug-in object, posts it the binding message on its window, idles it and destroys it.
#include <memory>

#include "platform/Window.h"

// The editor's fixed client size; the rectangle the host is given.
constexpr int gFormWidth = 809;
constexpr int gFormHeight = 536;

// Posted by the editor host right after creating a form; its first argument is the address
// of the engine reference (a `TPlugCore**`). The form binds itself to the engine when it
// arrives, after `open` has returned.
constexpr TMessageId kBindEngineMessage = 1985;

class TEditorForm {
 public:
  virtual ~TEditorForm() = default;  // destroying the form removes its window

  // The window the form lives in, placed at (0, 0) of its parent with the form's size and
  // visible from creation.
  virtual TWindow& Window() = 0;
  // True until the form has been built from its layout.
  virtual bool IsLoading() const = 0;
  // True once the binding message has been handled.
  virtual bool HasEngine() const = 0;
};

// Creates a form as a child of the host's native window (an X window id or an HWND).
using TEditorFormClass = std::unique_ptr<TEditorForm> (*)(void* parentWindow);
