#pragma once
// A format's stand-in for engine tests: it records what the engine asks of it.
#include <utility>
#include <vector>

#include "engine/EngineHost.h"

struct TEngineHostRecorder : TEngineHost {
  std::vector<std::pair<int, float>> automations;
  std::vector<int> begins, ends;
  int programListChanges = 0;

  void AutomateParam(int tag, float value) override { automations.emplace_back(tag, value); }
  void BeginParamEdit(int tag) override { begins.push_back(tag); }
  void EndParamEdit(int tag) override { ends.push_back(tag); }
  void ProgramListChanged() override { ++programListChanges; }
};
