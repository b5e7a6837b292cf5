#include "platform/Files.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

TReadResult ReadWholeFile(const std::string& path, size_t maxBytes, std::string& out) {
  out.clear();
  std::error_code ec;
  const fs::path p(path);
  if (!fs::exists(p, ec)) return ec ? TReadResult::Failed : TReadResult::Missing;
  if (!fs::is_regular_file(p, ec)) return TReadResult::Failed;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return TReadResult::Failed;
  if (const auto size = fs::file_size(p, ec); !ec) out.reserve(std::min<uintmax_t>(size, maxBytes));
  char chunk[4096];
  bool tooLarge = false;
  for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) {
    if (out.size() + n > maxBytes) {
      tooLarge = true;
      break;
    }
    out.append(chunk, n);
  }
  const bool failed = std::ferror(f) != 0 || tooLarge;
  std::fclose(f);
  if (failed) out.clear();
  return failed ? TReadResult::Failed : TReadResult::Read;
}

namespace {

#ifdef _WIN32
// The file a symbolic link leads to, as the system resolves it; the path itself when it is no
// link or leads nowhere yet.
std::string LinkTarget(const std::string& path, int& error) {
  error = 0;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return path;
  HANDLE file = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return path;
  char buffer[32768];
  const DWORD n = GetFinalPathNameByHandleA(file, buffer, sizeof buffer, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  CloseHandle(file);
  if (n == 0 || n >= sizeof buffer) return path;
  std::string target(buffer, n);
  if (target.rfind("\\\\?\\UNC\\", 0) == 0) return "\\\\" + target.substr(8);
  if (target.rfind("\\\\?\\", 0) == 0) return target.substr(4);
  return target;
}
#else
constexpr int kMostLinks = 40;  // as many links in a row as the system follows

// The file a symbolic link leads to, through every link in a row (a link that leads nowhere
// yet leads to the file it names); the path itself when it is no link. ELOOP for a circle.
std::string LinkTarget(const std::string& path, int& error) {
  error = 0;
  fs::path target(path);
  for (int links = 0;; ++links) {
    std::error_code ec;
    if (!fs::is_symlink(target, ec)) return target.string();
    if (links == kMostLinks) break;
    const fs::path next = fs::read_symlink(target, ec);
    if (ec) {
      error = ec.value();
      return path;
    }
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  error = ELOOP;
  return path;
}
#endif

}  // namespace

bool WriteWholeFileSafely(const std::string& linkOrFile, const std::string& data, std::string* reason) {
  const auto fail = [&](const char* what, const std::string& file, int error) {
    if (reason != nullptr) *reason = std::string(what) + " " + file + ": " + std::generic_category().message(error);
    return false;
  };
  // A link stays a link: the file it leads to is the one replaced.
  int linkError = 0;
  const std::string path = LinkTarget(linkOrFile, linkError);
  if (linkError != 0) return fail("cannot follow", linkOrFile, linkError);
  const std::string temp = path + ".tmp";
  FILE* f = std::fopen(temp.c_str(), "wb");
  if (f == nullptr) return fail("cannot create", temp, errno);
  const bool written = std::fwrite(data.data(), 1, data.size(), f) == data.size() && std::fflush(f) == 0;
  const int writeError = errno;
  const bool closed = std::fclose(f) == 0;
  if (!written || !closed) {
    const int error = !written ? writeError : errno;
    std::remove(temp.c_str());
    return fail("cannot write", temp, error);
  }
#ifdef _WIN32
  const bool replaced = MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  const int replaceError = replaced ? 0 : EACCES;
#else
  const bool replaced = std::rename(temp.c_str(), path.c_str()) == 0;
  const int replaceError = errno;
#endif
  if (!replaced) {
    std::remove(temp.c_str());
    return fail("cannot replace", path, replaceError);
  }
  return true;
}

std::vector<std::string> ListFiles(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  fs::directory_iterator it(fs::path(folder), ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    try {
      names.push_back(it->path().filename().string());
    } catch (...) {
      // A name the narrow code page cannot spell cannot be opened through it either.
    }
  }
  auto lower = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  std::sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
    const std::string la = lower(a), lb = lower(b);
    return la != lb ? la < lb : a < b;
  });
  return names;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  const char last = folder.back();
  if (last == '/' || last == '\\') return folder + name;
#ifdef _WIN32
  return folder + "\\" + name;
#else
  return folder + "/" + name;
#endif
}
