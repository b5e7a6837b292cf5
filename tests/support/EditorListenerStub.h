#pragma once
// An editor listener that ignores everything; tests override what they watch.
#include "engine/EditorListener.h"

struct TEditorListenerStub : TEditorListener {
  void OnParamDisplay(int /*tag*/, int /*value*/) override {}
  void OnParamReact(int /*tag*/, int /*value*/) override {}
  void OnStepChanged(int /*displayStep*/) override {}
  void OnStatusText(const TStatusRecord& /*status*/) override {}
  void OnPatternRedraw() override {}
};
