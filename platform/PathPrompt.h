#pragma once
// The file dialog of our own, for systems with no dialog program: a panel over the editor
// window with the dialog's title, the file types it expects and a single-line path field,
// with OK and Cancel. Enter confirms, Escape cancels; while it shows it takes every input.
#include <memory>
#include <string>

#include "platform/Control.h"
#include "platform/FileDialog.h"

class TPathPrompt : public TControl {
 public:
  enum class TState { Open, Chosen, Cancelled };

  // Over the whole of `root`, on top of its other children, with the keyboard focus.
  TPathPrompt(TControl* root, const TFileDialogOptions& options);
  ~TPathPrompt() override;

  // Cleared when the prompt goes (with its root, say), for whoever waits for its answer.
  std::shared_ptr<TPathPrompt*> Gone;

  TState State() const { return state; }
  const std::string& Text() const { return text; }
  // Where the parts are, in the prompt's (and the root's) coordinates.
  TRect FieldRect() const { return field; }
  TRect OkRect() const { return ok; }
  TRect CancelRect() const { return cancel; }

 protected:
  void Paint(TCanvas& canvas) override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  bool KeyDown(TKey key, TShiftState shift) override;
  void KeyPress(char c) override;

 private:
  void Finish(TState how);
  void CaretChanged();
  void PaintButton(TCanvas& canvas, const TRect& r, const char* caption) const;

  TFileDialogOptions options;
  std::string hint;  // the file types
  std::string text;
  size_t caret = 0;
  int scroll = 0;  // pixels of the text hidden left of the field
  TRect panel, field, ok, cancel;
  TState state = TState::Open;
};
