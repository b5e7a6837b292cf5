// File dialogs on Linux: zenity or kdialog, run as a child process that the editor polls.
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/ChildProcess.h"
#include "platform/FileDialogRunners.h"
#include "platform/Window.h"

namespace {

constexpr size_t kMaxAnswer = 4096;

class TProgramDialog : public TRunningDialog {
 public:
  explicit TProgramDialog(TChildProcess started) : child(started) {}
  ~TProgramDialog() override {
    if (child.output >= 0) close(child.output);
    if (!ended) EndProgram(child.pid);  // the editor closed with the dialog open
  }

  TState Poll(std::string& path) override {
    ReadOutput();
    if (!ended) {
      int status = 0;
      const pid_t r = waitpid(child.pid, &status, WNOHANG);
      if (r == child.pid) {
        ended = true;
        exitedWell = WIFEXITED(status) && WEXITSTATUS(status) == 0;
      } else if (r < 0) {
        ended = true;  // collected by the host already: judge by the output alone
        exitedWell = true;
      }
    }
    // The answer is complete once the child has ended and its output is drained.
    if (!ended || child.output >= 0) return TState::Open;
    const std::string line = output.substr(0, output.find('\n'));
    if (!exitedWell || line.empty()) return TState::Cancelled;
    path = line;
    return TState::Chosen;
  }

 private:
  void ReadOutput() {
    if (child.output < 0) return;
    char chunk[512];
    for (;;) {
      const ssize_t n = read(child.output, chunk, sizeof chunk);
      if (n > 0) {
        if (output.size() < kMaxAnswer) output.append(chunk, static_cast<size_t>(n));
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
      close(child.output);  // end of the output, or an error
      child.output = -1;
      return;
    }
  }

  TChildProcess child;
  std::string output;
  bool ended = false;
  bool exitedWell = false;
};

// kdialog on a KDE desktop, zenity elsewhere, whichever of the two is installed.
std::vector<std::string> DialogCommand(const TFileDialogOptions& options) {
  const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
  const bool kde = desktop != nullptr && std::strstr(desktop, "KDE") != nullptr;
  const bool haveZenity = !FindProgram("zenity").empty(), haveKdialog = !FindProgram("kdialog").empty();
  if (haveKdialog && (kde || !haveZenity)) return KdialogCommand(options);
  if (haveZenity) return ZenityCommand(options);
  return {};
}

}  // namespace

std::unique_ptr<TRunningDialog> StartSystemDialog(TWindow& window, const TFileDialogOptions& options) {
  // A headless window has no screen to show a dialog on.
  if (window.NativeHandle() == nullptr) return nullptr;
  const std::vector<std::string> command = DialogCommand(options);
  TChildProcess child;
  if (command.empty() || !StartProgram(command, true, child)) return nullptr;
  return std::make_unique<TProgramDialog>(child);
}

// For tests: the same runner around any program that prints a path.
std::unique_ptr<TRunningDialog> StartDialogProgram(const std::vector<std::string>& command) {
  TChildProcess child;
  if (!StartProgram(command, true, child)) return nullptr;
  return std::make_unique<TProgramDialog>(child);
}
#endif
