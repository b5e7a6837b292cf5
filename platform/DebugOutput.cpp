#include "platform/DebugOutput.h"

#include <cstdio>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

void WriteDebugLine(std::string_view line) {
  std::string text(line);
  text += '\n';
#ifdef _WIN32
  OutputDebugStringA(text.c_str());
#else
  std::fputs(text.c_str(), stderr);
#endif
}
