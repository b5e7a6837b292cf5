#include "editor/InterimForm.h"

#include "editor/Globals.h"
#include "engine/PlugCore.h"
#include "platform/NativeWindow.h"

TInterimForm::TInterimForm(void* parentWindow, std::unique_ptr<TWindow> ownWindow) : window(std::move(ownWindow)) {
  LoadSettings();
  Name = "PlugForm";
  BeginLoading();
  SetColor(GuiSettings.panels_BackColor);
  if (!window) window = CreateChildWindow(parentWindow, gFormWidth, gFormHeight);
  window->SetRoot(this);
  EndLoading();
}

TInterimForm::~TInterimForm() {
  // The engine must not call a form that is going.
  if (core != nullptr && core->EditorListener() == this) core->SetEditorListener(nullptr);
  window.reset();
}

std::unique_ptr<TEditorForm> TInterimForm::Create(void* parentWindow) {
  return std::make_unique<TInterimForm>(parentWindow);
}

void TInterimForm::Paint(TCanvas& canvas) { canvas.FillRect(ClientRect(), GuiSettings.panels_BackColor); }

void TInterimForm::HandleMessage(uint32_t message, intptr_t a, intptr_t /*b*/) {
  if (message != kBindEngineMessage || a == 0 || core != nullptr) return;
  TPlugCore* engine = *reinterpret_cast<TPlugCore**>(a);
  if (engine == nullptr) return;
  engine->EditorBusy = true;
  core = engine;
  core->SetEditorListener(this);
  core->EditorBusy = false;
}
