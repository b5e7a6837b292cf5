#pragma once
// Opening a web page in the user's browser.
#include <functional>
#include <string>

// Hands a web address (http or https) to the system's opener, ShellExecute on Windows and
// xdg-open elsewhere, without waiting for the browser. False for an empty address, one that
// is no web address, or when the opener cannot be started. Editor thread.
bool BrowseURL(const std::string& address);

// While one exists, BrowseURL hands the web addresses it accepts to `opener` instead (for tests).
using TUrlOpener = std::function<bool(const std::string& address)>;
class TUrlOpenerSeam {
 public:
  explicit TUrlOpenerSeam(TUrlOpener opener);
  ~TUrlOpenerSeam();
  TUrlOpenerSeam(const TUrlOpenerSeam&) = delete;
  TUrlOpenerSeam& operator=(const TUrlOpenerSeam&) = delete;

 private:
  TUrlOpener previous;
};

// True for an http or https address with no blanks or control characters: the only kind
// BrowseURL passes on, so no file or program name ever reaches the system's opener.
bool IsWebAddress(const std::string& address);
