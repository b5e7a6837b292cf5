#pragma once
// A failure the user can act on: one line saying which file or option and what is wrong.
// The program prints it and exits with status 2.
#include <stdexcept>
#include <string>

struct TToolError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// "FILE: what", the form of every message about a file.
inline TToolError FileError(const std::string& path, const std::string& what) { return TToolError(path + ": " + what); }
