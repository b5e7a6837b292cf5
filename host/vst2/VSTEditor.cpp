#include "host/vst2/VSTEditor.h"

#include "host/vst2/AudioEffect.h"

TVSTEditor::TVSTEditor(AudioEffect* effect, TEditorFormClass formClass, TEditIdleHandler* idleHandler)
    : AEffEditor(effect), formClass(formClass), idleHandler(idleHandler) {}

TVSTEditor::~TVSTEditor() {
  form.reset();
  parentWindow = nullptr;
}

VstInt32 TVSTEditor::getRect(ERect** out) {
  rect.top = 0;
  rect.left = 0;
  if (form) {
    rect.bottom = static_cast<int16_t>(form->Window().Height());
    rect.right = static_cast<int16_t>(form->Window().Width());
  }
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
  // The form binds itself when the message arrives, after this call has returned.
  if (form) form->Window().Post(kBindEngineMessage, effect->getEngineRef(), 0);
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
