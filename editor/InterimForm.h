#pragma once
// The editor form until the full layout exists: the window background in the scheme's
// colours, bound to the engine as the finished form will be (it receives the engine's
// deliveries and ignores them), so the window, the binding and the idle path are real.
#include <memory>

#include "editor/EditorForm.h"
#include "engine/EditorListener.h"
#include "platform/Control.h"

class TPlugCore;

class TInterimForm : public TControl, public TEditorForm, private TEditorListener {
 public:
  // Builds the form in a child window of `parentWindow`; `window` replaces the native one
  // (tests and tools pass a headless window).
  explicit TInterimForm(void* parentWindow, std::unique_ptr<TWindow> window = nullptr);
  ~TInterimForm() override;

  TWindow& Window() override { return *window; }
  bool IsLoading() const override { return Loading(); }
  bool HasEngine() const override { return core != nullptr; }
  TPlugCore* Engine() const { return core; }

  static std::unique_ptr<TEditorForm> Create(void* parentWindow);

 protected:
  void Paint(TCanvas& canvas) override;
  void HandleMessage(uint32_t message, intptr_t a, intptr_t b) override;

 private:
  void OnParamDisplay(int, int) override {}
  void OnParamReact(int, int) override {}
  void OnStepChanged(int) override {}
  void OnStatusText(const TStatusRecord&) override {}
  void OnPatternRedraw() override {}

  std::unique_ptr<TWindow> window;
  TPlugCore* core = nullptr;
};
