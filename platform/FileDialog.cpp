#include "platform/FileDialog.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "platform/FileDialogRunners.h"
#include "platform/Files.h"
#include "platform/Window.h"

namespace {

TFileDialogChooser gChooser;      // the test seam, when installed
std::set<const TWindow*> gBusy;   // windows with a dialog open

// An answer known at once (the seam's), handed over on the next tick like any other.
class TReadyAnswer : public TRunningDialog {
 public:
  explicit TReadyAnswer(std::optional<std::string> answer) : answer(std::move(answer)) {}
  TState Poll(std::string& path) override {
    if (!answer) return TState::Cancelled;
    path = *answer;
    return TState::Chosen;
  }

 private:
  std::optional<std::string> answer;
};

std::string Trimmed(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

std::string Cased(std::string s, int (*change)(int)) {
  for (char& c : s) c = static_cast<char>(change(static_cast<unsigned char>(c)));
  return s;
}

// The patterns with their lower- and upper-case spellings, for dialogs that match case.
std::string AnyCasePatterns(const TFileFilter& f) {
  std::vector<std::string> all;
  for (const std::string& p : f.Patterns)
    for (const std::string& v : {p, Cased(p, ::tolower), Cased(p, ::toupper)})
      if (std::find(all.begin(), all.end(), v) == all.end()) all.push_back(v);
  std::string joined;
  for (const std::string& p : all) {
    if (!joined.empty()) joined += ' ';
    joined += p;
  }
  return joined;
}

}  // namespace

std::string DialogStartPath(const TFileDialogOptions& options) {
  if (!options.FileName.empty()) return JoinPath(options.InitialDir, options.FileName);
  if (options.InitialDir.empty()) return {};
  return JoinPath(options.InitialDir, "");
}

std::vector<TFileFilter> ParseFileFilter(const std::string& filter) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t bar; (bar = filter.find('|', start)) != std::string::npos; start = bar + 1)
    parts.push_back(filter.substr(start, bar - start));
  parts.push_back(filter.substr(start));
  std::vector<TFileFilter> filters;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    TFileFilter f{Trimmed(parts[i]), {}};
    size_t from = 0;
    const std::string& list = parts[i + 1];
    for (size_t semi; from <= list.size(); from = semi + 1) {
      semi = std::min(list.find(';', from), list.size());
      const std::string pattern = Trimmed(list.substr(from, semi - from));
      if (!pattern.empty()) f.Patterns.push_back(pattern);
    }
    if (!f.Patterns.empty()) filters.push_back(std::move(f));
  }
  return filters;
}

std::string DialogTitle(const TFileDialogOptions& options) {
  if (!options.Title.empty()) return options.Title;
  return options.Kind == TFileDialogKind::Save ? "Save As" : "Open";
}

std::vector<std::string> ZenityCommand(const TFileDialogOptions& options) {
  std::vector<std::string> args{"zenity", "--file-selection"};
  if (options.Kind == TFileDialogKind::Save) args.push_back("--save");
  args.push_back("--title=" + DialogTitle(options));
  const std::string start = DialogStartPath(options);
  if (!start.empty()) args.push_back("--filename=" + start);
  for (const TFileFilter& f : ParseFileFilter(options.Filter))
    args.push_back("--file-filter=" + f.Description + " | " + AnyCasePatterns(f));
  return args;
}

std::vector<std::string> KdialogCommand(const TFileDialogOptions& options) {
  std::vector<std::string> args{"kdialog", "--title", DialogTitle(options)};
  args.push_back(options.Kind == TFileDialogKind::Save ? "--getsavefilename" : "--getopenfilename");
  const std::string start = DialogStartPath(options);
  args.push_back(start.empty() ? "." : start);
  std::string filters;
  for (const TFileFilter& f : ParseFileFilter(options.Filter)) {
    if (!filters.empty()) filters += '\n';
    filters += AnyCasePatterns(f) + "|" + f.Description;
  }
  if (!filters.empty()) args.push_back(filters);
  return args;
}

TFileDialogSeam::TFileDialogSeam(TFileDialogChooser chooser) : previous(std::move(gChooser)) {
  gChooser = std::move(chooser);
}

TFileDialogSeam::~TFileDialogSeam() { gChooser = std::move(previous); }

bool ShowFileDialog(TControl& owner, const TFileDialogOptions& options, TFileChosen onChosen) {
  TWindow* window = owner.Window();
  if (window == nullptr || gBusy.contains(window)) return false;
  std::unique_ptr<TRunningDialog> dialog;
  if (gChooser) {
    dialog = std::make_unique<TReadyAnswer>(gChooser(options));
  } else {
    dialog = StartSystemDialog(*window, options);
    if (!dialog && window->Root() != nullptr) dialog = StartPathPrompt(*window->Root(), options);
  }
  if (!dialog) return false;
  gBusy.insert(window);
  // The task lives as long as the dialog is open, and no longer than the window.
  auto shared = std::make_shared<std::unique_ptr<TRunningDialog>>(std::move(dialog));
  std::shared_ptr<const TWindow> mark(window, [](const TWindow* w) { gBusy.erase(w); });
  window->AddIdleTask([shared, mark, onChosen = std::move(onChosen)]() mutable {
    std::string path;
    const TRunningDialog::TState state = (*shared)->Poll(path);
    if (state == TRunningDialog::TState::Open) return true;
    shared->reset();
    mark.reset();  // a new dialog may open from the handler
    if (state == TRunningDialog::TState::Chosen && !path.empty() && onChosen) onChosen(path);
    return false;
  });
  return true;
}
