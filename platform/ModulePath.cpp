#include "platform/ModulePath.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {
void Anchor() {}
}  // namespace

std::string ModulePath() {
#ifdef _WIN32
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCSTR>(&Anchor), &module))
    return {};
  char path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return {};
  return std::string(path, n);
#else
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&Anchor), &info) == 0 || info.dli_fname == nullptr) return {};
  return info.dli_fname;
#endif
}

std::string ModuleFolder() {
  std::string path = ModulePath();
  size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}
