#pragma once
// Choosing what the plug-in plays before the render: bank, program, program file and single
// parameters, all through the plug-in's binary interface.
#include <string>
#include <utility>
#include <vector>

#include "tools/render/Options.h"
#include "tools/render/PluginHost.h"

struct TParamAssignment {
  int tag = 0;
  int value = 0;
  float normalized = 0;  // (value - min) / (max - min), as the host writes it
};

// "NAME=VALUE" with a catalogue name ("Steps", "Velocity_5") or a tag ("212"), and a value
// that is a whole number, the editor's text for one ("1/16"), or a form of the factory
// bank's sources ("50%", "on", "off"). Throws TToolError.
TParamAssignment ParseAssignment(const std::string& text);
// The values --set takes for a tag.
std::pair<int, int> AssignableRange(int tag);

// In this order: the bank (and its current program), --program, program 1 when none is
// current yet, the program file, then every --set.
void SetUpPlugin(THostedPlugin& plugin, const TRenderOptions& options);

// The catalogue names of the step settings among the --set assignments that lie past the
// current program's Steps: the pattern never reaches them.
std::vector<std::string> StepsNotPlayed(THostedPlugin& plugin, const TRenderOptions& options);

// The factory bank beside a module, which a fresh instance starts with; "" when there is none.
constexpr const char* kFactoryBankName = "Moltrin_FactoryBank.fxb";
std::string FactoryBankBeside(const std::string& modulePath);

// The integer value of a parameter, read back through getParameter.
int ParameterValue(THostedPlugin& plugin, int tag);

// One pattern cycle of the current program: Steps steps at Sync's steps per quarter note.
double PatternCycleSeconds(THostedPlugin& plugin, double beatsPerMinute);
