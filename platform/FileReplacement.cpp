// Saving a file without ever damaging it or anything beside it: the new contents go into a file
// of their own, created beside the target under a name nobody else uses, and replace the target
// by a rename only once they are complete.
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <random>
#include <system_error>

#include "platform/Files.h"

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

constexpr int kNameTries = 100;  // unique names tried before giving up

// "NAME.xxxxxxxx.tmp" beside the target: a name of its own for every try, also between threads
// and processes saving the same file at once.
std::string UniqueName(const std::string& target) {
  static std::atomic<uint64_t> counter{0};
  static const uint64_t processSeed = [] {
    std::random_device device;
    return (static_cast<uint64_t>(device()) << 32) ^ device() ^
           static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  }();
  uint64_t x = processSeed ^ (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull) ^
               static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  x ^= x >> 31;
  x *= 0xBF58476D1CE4E5B9ull;
  x ^= x >> 29;
  static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string suffix;
  for (int i = 0; i < 8; ++i, x /= 36) suffix += kDigits[x % 36];
  return target + "." + suffix + ".tmp";
}

#ifdef _WIN32
// The file a symbolic link leads to, as the system resolves it; the path itself when it is no
// link or leads nowhere yet.
std::string LinkTarget(const std::string& path, [[maybe_unused]] std::string& error) {
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
// yet leads to the file it names); the path itself when it is no link. An error for a circle.
std::string LinkTarget(const std::string& path, std::string& error) {
  fs::path target(path);
  for (int links = 0;; ++links) {
    std::error_code ec;
    if (!fs::is_symlink(target, ec)) return target.string();
    if (links == kMostLinks) break;
    const fs::path next = fs::read_symlink(target, ec);
    if (ec) {
      error = ec.message();
      return path;
    }
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  error = std::generic_category().message(ELOOP);
  return path;
}

std::string ErrorText(int error) { return std::generic_category().message(error); }

// Whether the target's permissions let this user write it. The superuser may write anything, so
// for them a file that grants nobody write is what read-only means.
bool PermissionsAllowWriting(const struct stat& st) {
  const uid_t user = geteuid();
  if (user == 0) return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
  if (user == st.st_uid) return (st.st_mode & S_IWUSR) != 0;
  bool inGroup = getegid() == st.st_gid;
  gid_t groups[256];
  const int count = getgroups(256, groups);
  for (int i = 0; i < count && !inGroup; ++i) inGroup = groups[i] == st.st_gid;
  return (st.st_mode & (inGroup ? S_IWGRP : S_IWOTH)) != 0;
}

bool WriteAll(int fd, std::span<const uint8_t> data) {
  size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}
#endif

}  // namespace

TFileReplacement::~TFileReplacement() { Discard(); }

bool TFileReplacement::Fail(std::string* reason, const char* what, const std::string& file, std::string words) {
  why = std::move(words);
  if (reason != nullptr) *reason = std::string(what) + " " + file + ": " + why;
  return false;
}

TFileReplacement::TFileReplacement(TFileReplacement&& other) noexcept
    : target(std::move(other.target)), temporary(std::move(other.temporary)), why(std::move(other.why)) {
  other.temporary.clear();
}

TFileReplacement& TFileReplacement::operator=(TFileReplacement&& other) noexcept {
  if (this != &other) {
    Discard();
    target = std::move(other.target);
    temporary = std::move(other.temporary);
    why = std::move(other.why);
    other.temporary.clear();
  }
  return *this;
}

void TFileReplacement::Discard() {
  if (temporary.empty()) return;
#ifdef _WIN32
  DeleteFileA(temporary.c_str());
#else
  ::unlink(temporary.c_str());
#endif
  temporary.clear();
}

#ifdef _WIN32
bool TFileReplacement::Prepare(const std::string& path, std::span<const uint8_t> data, std::string* reason) {
  Discard();
  std::string linkError;
  target = LinkTarget(path, linkError);
  const DWORD attributes = GetFileAttributesA(target.c_str());
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0)
    return Fail(reason, "cannot write", target, "not a regular file");
  if (exists && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
    return Fail(reason, "cannot write", target, "the file is read-only");
  HANDLE file = INVALID_HANDLE_VALUE;
  std::string name;
  for (int i = 0; i < kNameTries && file == INVALID_HANDLE_VALUE; ++i) {
    name = UniqueName(target);
    // CREATE_NEW: never a file that exists, nor a link standing at the name.
    file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
      break;
  }
  if (file == INVALID_HANDLE_VALUE) return Fail(reason, "cannot create", name, SystemMessage(GetLastError()));
  temporary = name;
  DWORD written = 0;
  const bool wrote = data.size() < (1ull << 31) &&
                     WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
                     written == data.size() && FlushFileBuffers(file);
  const DWORD writeError = GetLastError();
  const bool closed = CloseHandle(file) != 0;
  if (!wrote || !closed) {
    Discard();
    return Fail(reason, "cannot write", name, SystemMessage(wrote ? GetLastError() : writeError));
  }
  // The target's attributes (hidden, for one) stay as they were.
  if (exists)
    SetFileAttributesA(temporary.c_str(), attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                                         FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));
  return true;
}

bool TFileReplacement::Commit(std::string* reason) {
  if (temporary.empty()) return Fail(reason, "cannot replace", target, "nothing was prepared");
  if (!MoveFileExA(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = GetLastError();
    Discard();
    return Fail(reason, "cannot replace", target, SystemMessage(error));
  }
  temporary.clear();
  return true;
}
#else
bool TFileReplacement::Prepare(const std::string& path, std::span<const uint8_t> data, std::string* reason) {
  Discard();
  std::string linkError;
  target = LinkTarget(path, linkError);
  if (!linkError.empty()) return Fail(reason, "cannot follow", path, linkError);
  struct stat st {};
  const bool exists = ::lstat(target.c_str(), &st) == 0;
  if (!exists && errno != ENOENT) return Fail(reason, "cannot write", target, ErrorText(errno));
  if (exists) {
    if (!S_ISREG(st.st_mode)) return Fail(reason, "cannot write", target, "not a regular file");
    if (!PermissionsAllowWriting(st)) return Fail(reason, "cannot write", target, "the file is read-only");
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
      return Fail(reason, "cannot write", target, ErrorText(errno));
  }
  int fd = -1;
  std::string name;
  for (int i = 0; i < kNameTries && fd < 0; ++i) {
    name = UniqueName(target);
    // O_EXCL with O_NOFOLLOW: only a file made here and now, never one that stands at the name
    // already, nor through a link standing there.
    fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, exists ? 0600 : 0666);
    if (fd < 0 && errno != EEXIST && errno != EINTR) break;
  }
  if (fd < 0) return Fail(reason, "cannot create", name, ErrorText(errno));
  temporary = name;
  int error = 0;
  if (exists) {
    // The owner where the system lets us (the superuser; a group of our own), then the
    // permissions, which a change of owner may have cut.
    if (st.st_uid != geteuid() || st.st_gid != getegid()) {
      if (::fchown(fd, st.st_uid, st.st_gid) != 0) (void)::fchown(fd, static_cast<uid_t>(-1), st.st_gid);
    }
    if (::fchmod(fd, st.st_mode & 07777) != 0) error = errno;
  }
  if (error == 0 && !WriteAll(fd, data)) error = errno;
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error != 0) {
    Discard();
    return Fail(reason, "cannot write", name, ErrorText(error));
  }
  return true;
}

bool TFileReplacement::Commit(std::string* reason) {
  if (temporary.empty()) return Fail(reason, "cannot replace", target, "nothing was prepared");
  if (::rename(temporary.c_str(), target.c_str()) != 0) {
    const int error = errno;
    Discard();
    return Fail(reason, "cannot replace", target, ErrorText(error));
  }
  temporary.clear();
  return true;
}
#endif

bool WriteWholeFileSafely(const std::string& path, std::span<const uint8_t> data, std::string* reason) {
  TFileReplacement file;
  return file.Prepare(path, data, reason) && file.Commit(reason);
}

bool WriteWholeFileSafely(const std::string& path, std::string_view data, std::string* reason) {
  return WriteWholeFileSafely(path, std::span(reinterpret_cast<const uint8_t*>(data.data()), data.size()), reason);
}
