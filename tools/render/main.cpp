// moltrin-render: plays a MIDI file through the plug-in module and writes what it sends.
#include <iostream>
#include <string>
#include <vector>

#include "tools/render/RenderTool.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return RunRenderTool(args, std::cout, std::cerr);
}
