#pragma once
// Where the running module lives, so that files kept beside it (the factory bank, skins,
// settings) can be found.
#include <string>

// Full path of the module (DLL or shared object) that contains this code, or "".
std::string ModulePath();
// The module's folder, up to and including its last slash or backslash, or "".
std::string ModuleFolder();
