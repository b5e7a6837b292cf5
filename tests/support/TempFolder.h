#pragma once
// A fresh folder under the system's temporary folder, removed with everything in it.
#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>

#ifdef _WIN32
#include <process.h>
#define MOLTRIN_GETPID _getpid
#else
#include <unistd.h>
#define MOLTRIN_GETPID getpid
#endif

class TTempFolder {
 public:
  TTempFolder() {
    static std::atomic<int> counter{0};
    path = std::filesystem::temp_directory_path() /
           ("moltrin-test-" + std::to_string(MOLTRIN_GETPID()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
  }
  ~TTempFolder() {
    std::error_code ec;
    std::filesystem::permissions(path, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path, ec);
  }
  // The folder with a trailing separator, as the plug-in's folder is given.
  std::string Folder() const { return (path / "").string(); }
  std::string File(const std::string& name) const { return (path / name).string(); }
  void Write(const std::string& name, const std::string& text) const {
    std::filesystem::create_directories((path / name).parent_path());
    std::ofstream(path / name, std::ios::binary) << text;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(path / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::filesystem::path path;
};
