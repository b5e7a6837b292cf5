#include "host/vst2/VSTEditor.h"

#include "editor/EditorZoom.h"
#include "host/vst2/AudioEffectX.h"
#include "platform/SystemScale.h"

TVSTEditor::TVSTEditor(AudioEffect* effect, TEditorFormClass formClass, TEditIdleHandler* idleHandler)
    : AEffEditor(effect), formClass(formClass), idleHandler(idleHandler) {}

TVSTEditor::~TVSTEditor() {
  form.reset();
  parentWindow = nullptr;
}

TEditorSize TVSTEditor::SizeNow() {
  if (requested) return *requested;
  if (form) return form->Size();
  toldScreenScale = ScreenScale();
  toldClosed = EditorSizeAt(PredictedEditorScale(toldScreenScale));
  return *toldClosed;
}

VstInt32 TVSTEditor::getRect(ERect** out) {
  const TEditorSize size = SizeNow();
  rect.top = 0;
  rect.left = 0;
  rect.bottom = static_cast<int16_t>(size.height);
  rect.right = static_cast<int16_t>(size.width);
  *out = &rect;
  return 1;
}

VstInt32 TVSTEditor::open(void* window) {
  if (window == nullptr) return 0;  // no window to live in: nothing to do
  // Some hosts open the editor again without closing it; that only counts.
  parentWindow = window;
  systemWindow = window;
  ++openCount;
  if (openCount > 1 && form) return 1;
  form.reset();
  if (formClass != nullptr) form = formClass(parentWindow);
  if (form) {
    form->SetFrame(this);
    // The window's screen may ask for another scale than the one the host sized its window for
    // (Windows: another monitor). The host is asked; one that cannot keeps the size it has.
    if (toldClosed && form->Size() != *toldClosed && !RequestEditorSize(form->Size()))
      form->SetHostScale(toldScreenScale);
    // The form binds itself when the message arrives, after this call has returned.
    form->Window().Post(kBindEngineMessage, effect->getEngineRef(), 0);
  }
  return 1;
}

void TVSTEditor::close() {
  // Hosts may close an editor they never opened.
  if (openCount > 0) --openCount;
  if (openCount > 0) return;
  form.reset();
  parentWindow = nullptr;
}

void TVSTEditor::idle() {
  if (!form) return;
  // The window's waiting events first (the binding among them), then the engine's changes,
  // then one repaint of whatever both changed.
  form->Window().DispatchEvents();
  if (idleHandler != nullptr) idleHandler->EditIdle(*form);
  form->Window().Update();
}

bool TVSTEditor::RequestEditorSize(TEditorSize size) {
  requested = size;
  auto* host = dynamic_cast<AudioEffectX*>(effect);
  const bool resized = host != nullptr && host->sizeWindow(size.width, size.height);
  requested.reset();
  return resized;
}
