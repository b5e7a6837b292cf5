#pragma once
// The ways a file dialog runs behind ShowFileDialog; each is polled on the window's idle ticks.
#include <memory>
#include <string>
#include <vector>

#include "platform/FileDialog.h"

class TWindow;

class TRunningDialog {
 public:
  enum class TState { Open, Chosen, Cancelled };
  virtual ~TRunningDialog() = default;  // closes the dialog when it is still open
  // Never waits; `path` is set when the answer is Chosen.
  virtual TState Poll(std::string& path) = 0;
};

// The system's dialog: comdlg32 on Windows, zenity or kdialog on Linux. Null when there is
// none to start.
std::unique_ptr<TRunningDialog> StartSystemDialog(TWindow& window, const TFileDialogOptions& options);
// The path field of our own, over the window of `root`.
std::unique_ptr<TRunningDialog> StartPathPrompt(TControl& root, const TFileDialogOptions& options);

#ifndef _WIN32
// The runner of the Linux dialogs around any program that prints the chosen path on its
// first line and exits with 0 (for tests); null when it cannot be started.
std::unique_ptr<TRunningDialog> StartDialogProgram(const std::vector<std::string>& command);
#endif
