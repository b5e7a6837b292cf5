#include "hosts/vst2/ModuleFile.h"

#include <cstdlib>
#include <map>
#include <mutex>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace vst2host {

namespace {

std::mutex gModulesLock;
std::map<std::string, void*> gModules;  // loaded once, kept for the whole process

}  // namespace

void* OpenModule(const std::string& path, std::string* error) {
  std::lock_guard<std::mutex> guard(gModulesLock);
  auto found = gModules.find(path);
  if (found != gModules.end()) return found->second;
#if defined(_WIN32)
  void* handle = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
  if (handle == nullptr && error) *error = "error " + std::to_string(GetLastError());
#else
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr && error) {
    const char* reason = dlerror();
    *error = reason != nullptr ? reason : "unknown reason";
  }
#endif
  if (handle != nullptr) gModules[path] = handle;
  return handle;
}

EntryProc FindEntry(void* module, const char* name) {
  if (module == nullptr) return nullptr;
#if defined(_WIN32)
  return reinterpret_cast<EntryProc>(reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name)));
#else
  return reinterpret_cast<EntryProc>(dlsym(module, name));
#endif
}

EntryProc LoadEntry(const std::string& path, std::string* error, const char* name) {
  std::string reason;
  void* handle = OpenModule(path, &reason);
  if (handle == nullptr) {
#if defined(_WIN32)
    if (error) *error = "LoadLibrary failed for " + path + " (" + reason + ")";
#else
    if (error) *error = "dlopen failed: " + reason;
#endif
    return nullptr;
  }
  EntryProc entry = FindEntry(handle, name);
  if (entry == nullptr && error) *error = std::string("no exported ") + name + " in " + path;
  return entry;
}

std::string DefaultModulePath() {
  if (const char* env = std::getenv("MOLTRIN_MODULE"); env != nullptr && *env != 0) return env;
#if defined(_WIN32)
  char self[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string path(self, n);
  size_t slash = path.find_last_of("\\/");
  return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + "moltrin.dll";
#elif defined(MOLTRIN_MODULE_PATH)
  return MOLTRIN_MODULE_PATH;
#else
  return "moltrin.so";
#endif
}

}  // namespace vst2host
