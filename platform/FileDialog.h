#pragma once
// Open and save dialogs that never block the editor thread. The dialog runs beside the
// editor (the system's dialog on Windows; zenity or kdialog on Linux when one is installed,
// otherwise a path field of our own inside the editor window), the editor keeps idling and
// drawing, and the chosen path is handed over on a later idle tick of the window.
//
//   TFileDialogOptions options;
//   options.Kind = TFileDialogKind::Save;
//   options.Filter = "VST Bank (*.fxb)|*.FXB";
//   options.InitialDir = folder;
//   options.FileName = "MT_Bank.fxb";
//   ShowFileDialog(*this, options, [this](const std::string& path) { SaveBankTo(path); });
//
// Tests and tools answer the dialogs themselves through TFileDialogSeam. Editor thread only.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/Control.h"

enum class TFileDialogKind { Open, Save };

struct TFileDialogOptions {
  TFileDialogKind Kind = TFileDialogKind::Open;
  std::string Title;       // empty: "Open" or "Save As"
  std::string Filter;      // pairs "description|patterns", patterns split by ';':
                           // "VST Bank (*.fxb)|*.FXB"
  std::string InitialDir;  // the folder the dialog starts in
  std::string FileName;    // the name it proposes
};

// Runs on the editor thread with the path the user confirmed; nothing runs on a cancel.
using TFileChosen = std::function<void(const std::string& path)>;

// Shows the dialog for the window of `owner`. False when it cannot be shown: the owner is in
// no window, or a dialog of that window is still open.
bool ShowFileDialog(TControl& owner, const TFileDialogOptions& options, TFileChosen onChosen);

// While one exists, ShowFileDialog shows nothing and answers with what the chooser returns
// (nullopt for a cancel), handed over on the next idle tick as a real dialog's answer is.
using TFileDialogChooser = std::function<std::optional<std::string>(const TFileDialogOptions& options)>;
class TFileDialogSeam {
 public:
  explicit TFileDialogSeam(TFileDialogChooser chooser);
  ~TFileDialogSeam();
  TFileDialogSeam(const TFileDialogSeam&) = delete;
  TFileDialogSeam& operator=(const TFileDialogSeam&) = delete;

 private:
  TFileDialogChooser previous;
};

// ---- The pieces the dialogs are made of.

struct TFileFilter {
  std::string Description;
  std::vector<std::string> Patterns;  // "*.FXB"
};
std::vector<TFileFilter> ParseFileFilter(const std::string& filter);
// Where a dialog starts: the proposed name in the folder, or the folder with a separator.
std::string DialogStartPath(const TFileDialogOptions& options);
// The title shown when the options give none.
std::string DialogTitle(const TFileDialogOptions& options);
// The command lines of the two Linux dialog programs.
std::vector<std::string> ZenityCommand(const TFileDialogOptions& options);
std::vector<std::string> KdialogCommand(const TFileDialogOptions& options);
