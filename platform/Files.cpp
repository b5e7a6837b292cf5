#include "platform/Files.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>

#include "platform/SystemMessage.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

// One open file for reading, closed with its holder.
class TReadHandle {
 public:
  ~TReadHandle() { Close(); }
  // Opens `path` when it is a regular file. Missing: there is nothing at the name.
  TReadResult Open(const std::string& path, std::string& reason);
  // Up to `size` bytes; 0 at the end; -1 on an error, which ErrorText then names.
  long Read(uint8_t* buffer, size_t size);
  std::string ErrorText() const;

 private:
  void Close();
#ifdef _WIN32
  HANDLE file = INVALID_HANDLE_VALUE;
#else
  int fd = -1;
#endif
};

constexpr const char* kNotRegular = "not a regular file";

#ifdef _WIN32
TReadResult TReadHandle::Open(const std::string& path, std::string& reason) {
  // A folder is refused by its attributes; a device or pipe name is opened without waiting (no
  // overlapped reads follow), and refused by its type before anything is read.
  if (const DWORD attributes = GetFileAttributesA(path.c_str());
      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    reason = kNotRegular;
    return TReadResult::Failed;
  }
  file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return TReadResult::Missing;
    reason = SystemMessage(error);
    return TReadResult::Failed;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    reason = kNotRegular;
    return TReadResult::Failed;
  }
  return TReadResult::Read;
}

long TReadHandle::Read(uint8_t* buffer, size_t size) {
  DWORD n = 0;
  if (!ReadFile(file, buffer, static_cast<DWORD>(std::min<size_t>(size, 1u << 30)), &n, nullptr)) return -1;
  return static_cast<long>(n);
}

std::string TReadHandle::ErrorText() const { return SystemMessage(GetLastError()); }

void TReadHandle::Close() {
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  file = INVALID_HANDLE_VALUE;
}
#else
TReadResult TReadHandle::Open(const std::string& path, std::string& reason) {
  // What stands at the name is asked first, so that no device is opened at all; the file opened
  // is asked again, since the name may have changed hands in between. O_NONBLOCK keeps a FIFO
  // that slipped in from waiting for a writer; for a regular file it changes nothing.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return TReadResult::Missing;
    reason = std::generic_category().message(errno);
    return TReadResult::Failed;
  }
  if (!S_ISREG(st.st_mode)) {
    reason = kNotRegular;
    return TReadResult::Failed;
  }
  do fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    if (errno == ENOENT) return TReadResult::Missing;
    reason = std::generic_category().message(errno);
    return TReadResult::Failed;
  }
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    reason = kNotRegular;
    return TReadResult::Failed;
  }
  return TReadResult::Read;
}

long TReadHandle::Read(uint8_t* buffer, size_t size) {
  for (;;) {
    const ssize_t n = ::read(fd, buffer, size);
    if (n >= 0 || errno != EINTR) return static_cast<long>(n);
  }
}

std::string TReadHandle::ErrorText() const { return std::generic_category().message(errno); }

void TReadHandle::Close() {
  if (fd >= 0) ::close(fd);
  fd = -1;
}
#endif

std::string SizeText(size_t bytes) {
  if (bytes >= (size_t{1} << 20) && bytes % (size_t{1} << 20) == 0) return std::to_string(bytes >> 20) + " MiB";
  if (bytes >= 1024 && bytes % 1024 == 0) return std::to_string(bytes >> 10) + " KiB";
  return std::to_string(bytes) + " bytes";
}

// Reads `path` into `out` (cleared first): all of it up to `maxBytes`; a longer file is Failed
// when `whole`, else cut at `maxBytes`.
template <class Bytes>
TReadResult ReadRegularFile(const std::string& path, size_t maxBytes, bool whole, Bytes& out, std::string* reason) {
  out.clear();
  std::string why;
  TReadHandle handle;
  TReadResult result = handle.Open(path, why);
  if (result == TReadResult::Read) {
    uint8_t chunk[65536];
    for (;;) {
      const long n = handle.Read(chunk, sizeof chunk);
      if (n < 0) {
        why = handle.ErrorText();
        result = TReadResult::Failed;
        break;
      }
      if (n == 0) break;
      const size_t take = std::min<size_t>(static_cast<size_t>(n), maxBytes - out.size());
      out.insert(out.end(), chunk, chunk + take);
      if (take < static_cast<size_t>(n)) {
        if (whole) {
          why = "the file is larger than " + SizeText(maxBytes);
          result = TReadResult::Failed;
        }
        break;
      }
    }
  }
  if (result != TReadResult::Read) out.clear();
  if (result == TReadResult::Failed && reason != nullptr) *reason = why;
  return result;
}

}  // namespace

TReadResult ReadWholeFile(const std::string& path, size_t maxBytes, std::string& out, std::string* reason) {
  return ReadRegularFile(path, maxBytes, true, out, reason);
}

TReadResult ReadWholeFile(const std::string& path, size_t maxBytes, std::vector<uint8_t>& out, std::string* reason) {
  return ReadRegularFile(path, maxBytes, true, out, reason);
}

TReadResult ReadFileStart(const std::string& path, size_t maxBytes, std::vector<uint8_t>& out, std::string* reason) {
  return ReadRegularFile(path, maxBytes, false, out, reason);
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
