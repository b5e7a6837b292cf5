#pragma once
// A line for whoever debugs the plug-in, never for the user: standard error on Linux, the
// debugger's output on Windows (a host's standard error is usually nowhere). Any thread.
#include <string_view>

void WriteDebugLine(std::string_view line);
