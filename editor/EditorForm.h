#pragma once
// The editor window as the editor host sees it: a form living in a native child window of
// the host's window. The editor host creates one through a form class (a factory) given to
// the plug-in object, posts it the binding message on its window, idles it and destroys it.
//
// Size and scale, the same for every format. The form is laid out in design units
// (gFormWidth x gFormHeight) and drawn at a scale: the user's zoom (the "Zoom" menu, kept in
// moltrin.ini) times the base scale, which is the host's when it tells one (SetHostScale) and
// the system's otherwise (platform/SystemScale.h, the window's own). The host sees device
// pixels: Size(), or EditorSizeAt(PredictedEditorScale(...)) before a form exists. When the zoom
// or the system's scale changes while the editor is open, the form asks the adapter's
// TEditorFrame for the new size first, and keeps its size and zoom when the host refuses.
//
// What each format's adapter does with it:
// - VST 2.x (host/vst2/VSTEditor): effEditGetRect answers Size(), or the predicted size while
//   closed; its frame is audioMasterSizeWindow.
// - CLAP: gui.set_scale(s) -> SetHostScale(s) on a live form, or keep s for
//   PredictedEditorScale(s) until set_parent creates one; gui.get_size -> Size() (the prediction
//   before set_parent); gui.can_resize -> false (the size follows the zoom only); the frame is
//   host_gui->request_resize(w, h).
// - LV2: the ui:scaleFactor option of the instantiation -> SetHostScale right after the form is
//   made, then ui:resize's ui_resize(handle, w, h) to announce Size(); the frame is that same
//   ui_resize (0 means done).
#include <memory>

#include "platform/Window.h"

// The editor's client size in design units; drawn at a scale, the host sees EditorSizeAt.
constexpr int gFormWidth = 809;
constexpr int gFormHeight = 536;

// A size in device pixels, as a host's window has it.
struct TEditorSize {
  int width = 0, height = 0;
  bool operator==(const TEditorSize&) const = default;
};

// The editor's size at a scale: each side's units times the scale, rounded (as the window's).
inline TEditorSize EditorSizeAt(double scale) {
  return {ScaleToDevice(gFormWidth, scale), ScaleToDevice(gFormHeight, scale)};
}

// What a format adapter does for the editor when it wants another size.
class TEditorFrame {
 public:
  // The editor wants to be `size` device pixels. True when the host's window takes that size
  // (the editor then resizes its own window at once); false when the host cannot: the editor
  // keeps its size. The host may ask the editor's size (Size) while this runs: it answers the
  // new one then.
  virtual bool RequestEditorSize(TEditorSize size) = 0;

 protected:
  ~TEditorFrame() = default;
};

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

  // ---- Size and scale (see the top of this file).
  // The window's size in device pixels: what the host is told.
  TEditorSize Size() { return {Window().Width(), Window().Height()}; }
  // Who asks the host for another size; null: nobody, the editor then resizes only its own
  // window. The frame must outlive the form or be replaced before it goes. (A form of a fixed
  // size may ignore this and the scale.)
  virtual void SetFrame(TEditorFrame* /*frame*/) {}
  // The scale the host draws its windows at (CLAP set_scale, LV2 ui:scaleFactor), in place of
  // the system's; 0 goes back to the system's. The window takes its new size at once, without
  // asking the frame: the host that tells a scale reads the size afterwards.
  virtual void SetHostScale(double /*scale*/) {}
};

// Creates a form as a child of the host's native window (an X window id or an HWND).
using TEditorFormClass = std::unique_ptr<TEditorForm> (*)(void* parentWindow);
