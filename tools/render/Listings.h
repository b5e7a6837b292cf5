#pragma once
// What --list-programs and --list-params print: the names a user gives to --program and --set.
#include <string>

#include "tools/render/PluginHost.h"

// Every program of the plug-in's bank, numbered 1..64, with the chains it belongs to; then
// every chain with its programs.
std::string FormatProgramList(THostedPlugin& plugin);

// Every parameter: tag, catalogue name, the values --set takes, the default, and the
// editor's texts for its values.
std::string FormatParameterList();
