#pragma once
// The editor window as the editor host sees it. The editor supplies a form class (a factory)
// and the host side creates, sizes, idles and destroys forms through this interface, so the
// boundary needs no knowledge of the windowing toolkit. No form class is registered until
// the editor provides one; the editor host then still answers the host as if a form existed.
#include <memory>

#include "host/VstAbi.h"

// The editor's fixed client size; the rectangle the host is given.
constexpr int gFormWidth = 809;
constexpr int gFormHeight = 536;

class TEditorForm {
 public:
  virtual ~TEditorForm() = default;  // destroying the form removes its window

  // Client-area size in pixels.
  virtual int ClientWidth() const = 0;
  virtual int ClientHeight() const = 0;
  // Places the form at (left, top) of its parent with its own size and makes it visible.
  virtual void ShowAt(int left, int top) = 0;
  // Posts (never sends) message 1985 carrying the address of the engine reference (a
  // `TPlugCore**`); the form binds itself to the engine when the message arrives, after
  // `open` has returned.
  virtual void PostEngineRef(VstIntPtr engineRef) = 0;
  // True until the form has been built from its layout.
  virtual bool IsLoading() const = 0;
  // True once message 1985 has been handled.
  virtual bool HasEngine() const = 0;
  // Called on every editor idle tick before the engine's changes are delivered: the form's
  // chance to handle its window's pending messages.
  virtual void Idle() {}
};

// Creates a form as a child of the host's native window; may answer null when it cannot.
using TEditorFormClass = std::unique_ptr<TEditorForm> (*)(void* parentWindow);

// The form class new plug-in objects give their editor host (UI thread, before the first
// instance is created). Null until the editor registers one.
void RegisterEditorFormClass(TEditorFormClass formClass);
TEditorFormClass RegisteredEditorFormClass();
