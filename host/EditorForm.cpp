#include "host/EditorForm.h"

#include <atomic>

namespace {
std::atomic<TEditorFormClass> gFormClass{nullptr};
}

void RegisterEditorFormClass(TEditorFormClass formClass) { gFormClass.store(formClass); }

TEditorFormClass RegisteredEditorFormClass() { return gFormClass.load(); }
