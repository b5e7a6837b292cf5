#include "platform/Shell.h"

#include <cctype>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#else
#include "platform/ChildProcess.h"
#endif

namespace {

TUrlOpener gOpener;

bool StartsWithNoCase(const std::string& s, const char* prefix) {
  for (size_t i = 0; prefix[i] != '\0'; ++i)
    if (i >= s.size() || std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
  return true;
}

}  // namespace

bool IsWebAddress(const std::string& address) {
  for (const char c : address) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= ' ' || byte == 127) return false;
  }
  for (const char* scheme : {"http://", "https://"})
    if (StartsWithNoCase(address, scheme) && address.size() > std::char_traits<char>::length(scheme)) return true;
  return false;
}

bool BrowseURL(const std::string& address) {
  if (!IsWebAddress(address)) return false;
  if (gOpener) return gOpener(address);
#ifdef _WIN32
  // ShellExecute answers a value above 32 on success.
  const auto result = reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return result > 32;
#else
  TChildProcess child;
  if (!StartProgram({"xdg-open", address}, false, child)) return false;
  CollectLater(child.pid);
  return true;
#endif
}

TUrlOpenerSeam::TUrlOpenerSeam(TUrlOpener opener) : previous(std::move(gOpener)) { gOpener = std::move(opener); }

TUrlOpenerSeam::~TUrlOpenerSeam() { gOpener = std::move(previous); }
