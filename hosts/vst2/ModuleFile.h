#pragma once
// Loading a plug-in module (dlopen, LoadLibrary) and finding its entry point. A module once
// loaded stays for the whole process: effects a host made from it may outlive the host.
#include <string>

#include "host/vst2/VstAbi.h"

namespace vst2host {

using EntryProc = AEffect* (*)(audioMasterCallback);

// The module's handle, or null with the system's own reason in `error`.
void* OpenModule(const std::string& path, std::string* error = nullptr);
// An exported function of a loaded module, or null.
EntryProc FindEntry(void* module, const char* name = "VSTPluginMain");
// Both: the entry of the module at `path`, or null with a reason in `error`.
EntryProc LoadEntry(const std::string& path, std::string* error = nullptr, const char* name = "VSTPluginMain");

// The module the tests, benchmarks and inspect play: the MOLTRIN_MODULE environment variable
// if set (to compare another build side by side), else the module this build made (Linux) or
// moltrin.dll beside the running program (Windows).
std::string DefaultModulePath();

}  // namespace vst2host
