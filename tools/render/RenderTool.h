#pragma once
// The whole of moltrin-render behind its command line, callable from tests.
#include <ostream>
#include <string>
#include <vector>

// Answers the exit status: 0 done, 2 bad input (one line on `err`), 1 anything unforeseen.
int RunRenderTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The module loaded when --plugin is not given: ../../host/moltrin.so from the tool's folder
// (the build tree), moltrin.so beside it, or the path compiled in. "" when none exists.
std::string DefaultPluginPath();
