// File dialogs and web pages: answers arrive on a later idle tick and never block the editor,
// the test seam, the path field of our own, the Linux dialog programs, and BrowseURL.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/FileDialog.h"
#include "platform/FileDialogRunners.h"
#include "platform/HeadlessWindow.h"
#include "platform/PathPrompt.h"
#include "platform/Shell.h"
#include "tests/support/TempFolder.h"

#ifndef _WIN32
#include <unistd.h>

#include "platform/ChildProcess.h"
#endif

namespace {

class TPlain : public TControl {
 public:
  TPlain() { SetColor(0x202020); }

 protected:
  void Paint(TCanvas& canvas) override { canvas.FillRect(ClientRect(), Color()); }
};

TFileDialogOptions SaveBankOptions() {
  TFileDialogOptions o;
  o.Kind = TFileDialogKind::Save;
  o.Filter = "VST Bank (*.fxb)|*.FXB";
  o.InitialDir = "/plugins/";
  o.FileName = "MT_Bank.fxb";
  return o;
}

class FileDialogs : public testing::Test {
 protected:
  void SetUp() override { window.SetRoot(&root); }
  void TearDown() override { window.SetRoot(nullptr); }

  TFileChosen Record() {
    return [this](const std::string& path) { answers.push_back(path); };
  }

  THeadlessWindow window{400, 300};
  TPlain root;
  std::vector<std::string> answers;
};

TEST_F(FileDialogs, IdleTasksRunOnEveryUpdateUntilTheyAreDone) {
  int runs = 0, later = 0;
  window.AddIdleTask([&] {
    if (++runs == 1) window.AddIdleTask([&] { return ++later < 2; });
    return runs < 3;
  });
  for (int tick = 0; tick < 5; ++tick) window.Update();
  EXPECT_EQ(runs, 3);
  EXPECT_EQ(later, 2) << "a task added by a task runs from the next update on";
}

TEST_F(FileDialogs, ATaskThatThrowsLeavesLaterTasksRunning) {
  window.AddIdleTask([]() -> bool { throw std::runtime_error("out of memory"); });
  EXPECT_THROW(window.Update(), std::runtime_error);  // a back end catches it at its own edge
  int runs = 0;
  window.AddIdleTask([&] { return ++runs < 2; });
  window.Update();
  window.Update();
  EXPECT_EQ(runs, 2);
}

TEST_F(FileDialogs, TheSeamAnswersOnTheNextIdleTickWithTheOptionsItWasGiven) {
  std::vector<TFileDialogOptions> asked;
  TFileDialogSeam seam([&](const TFileDialogOptions& o) -> std::optional<std::string> {
    asked.push_back(o);
    return o.Kind == TFileDialogKind::Save ? std::optional<std::string>("/tmp/x/MyBank.fxb") : std::nullopt;
  });
  ASSERT_TRUE(ShowFileDialog(root, SaveBankOptions(), Record()));
  EXPECT_TRUE(answers.empty()) << "never inside the call that showed the dialog";
  EXPECT_FALSE(ShowFileDialog(root, SaveBankOptions(), Record())) << "one dialog per window at a time";
  window.ProcessEvents();
  EXPECT_EQ(answers, std::vector<std::string>{"/tmp/x/MyBank.fxb"});
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].Filter, "VST Bank (*.fxb)|*.FXB");
  EXPECT_EQ(asked[0].InitialDir, "/plugins/");
  EXPECT_EQ(asked[0].FileName, "MT_Bank.fxb");

  // A cancel runs nothing, and frees the window for the next dialog.
  TFileDialogOptions open;
  ASSERT_TRUE(ShowFileDialog(root, open, Record()));
  window.ProcessEvents();
  EXPECT_EQ(answers.size(), 1u);
  // A handler may show the next dialog at once.
  ASSERT_TRUE(ShowFileDialog(root, SaveBankOptions(), [&](const std::string&) {
    EXPECT_TRUE(ShowFileDialog(root, SaveBankOptions(), Record()));
  }));
  window.ProcessEvents();
  window.ProcessEvents();
  EXPECT_EQ(answers.size(), 2u);

  TPlain orphan;
  EXPECT_FALSE(ShowFileDialog(orphan, open, Record())) << "a control in no window shows no dialog";
}

// With no seam and no screen (a headless window), the path field of our own asks.
TEST_F(FileDialogs, ThePathFieldTakesTypedPathsAndKeepsTheEditorDrawing) {
  ASSERT_TRUE(ShowFileDialog(root, SaveBankOptions(), Record()));
  window.ProcessEvents();
  ASSERT_EQ(root.Children().size(), 1u);
  auto* prompt = dynamic_cast<TPathPrompt*>(root.Children()[0]);
  ASSERT_NE(prompt, nullptr);
  EXPECT_EQ(prompt->Text(), "/plugins/MT_Bank.fxb") << "starts with the proposed name in the folder";
  EXPECT_TRUE(prompt->Focused());
  EXPECT_NE(window.Pixel(prompt->FieldRect().left + 1, prompt->FieldRect().top + 1), 0x202020u) << "it shows";

  for (int i = 0; i < 4; ++i) window.KeyDown(TKey::Left, 0);  // before ".fxb"
  window.KeyDown(TKey::Backspace, 0);
  for (char c : std::string("ks")) window.KeyPress(c);
  window.KeyPress('\x07');  // control characters are not typed
  EXPECT_EQ(prompt->Text(), "/plugins/MT_Banks.fxb");
  window.ProcessEvents();
  EXPECT_TRUE(answers.empty()) << "still open: the editor keeps idling";

  window.KeyDown(TKey::Enter, 0);
  window.ProcessEvents();
  EXPECT_EQ(answers, std::vector<std::string>{"/plugins/MT_Banks.fxb"});
  EXPECT_TRUE(root.Children().empty()) << "the field is gone";
}

TEST_F(FileDialogs, ThePathFieldCancelsWithEscapeOrItsButtonAndRefusesAFolder) {
  TFileDialogOptions open;
  open.InitialDir = "/plugins/";
  for (int way = 0; way < 2; ++way) {
    ASSERT_TRUE(ShowFileDialog(root, open, Record()));
    window.ProcessEvents();
    auto* prompt = dynamic_cast<TPathPrompt*>(root.Children().at(0));
    ASSERT_NE(prompt, nullptr);
    EXPECT_EQ(prompt->Text(), "/plugins/");
    window.KeyDown(TKey::Enter, 0);  // a folder is no file
    window.ProcessEvents();
    ASSERT_EQ(prompt->State(), TPathPrompt::TState::Open);
    if (way == 0) {
      window.KeyDown(TKey::Escape, 0);
    } else {
      const TRect r = prompt->CancelRect();
      window.MouseDown(TMouseButton::Left, ssLeft, r.left + 5, r.top + 5);
      window.MouseUp(TMouseButton::Left, 0, r.left + 5, r.top + 5);
    }
    window.ProcessEvents();
    EXPECT_TRUE(root.Children().empty());
  }
  EXPECT_TRUE(answers.empty());

  // OK with a typed name.
  ASSERT_TRUE(ShowFileDialog(root, open, Record()));
  window.ProcessEvents();
  auto* prompt = dynamic_cast<TPathPrompt*>(root.Children().at(0));
  for (char c : std::string("a.fxp")) window.KeyPress(c);
  const TRect ok = prompt->OkRect();
  window.MouseDown(TMouseButton::Left, ssLeft, ok.left + 5, ok.top + 5);
  window.MouseUp(TMouseButton::Left, 0, ok.left + 5, ok.top + 5);
  window.ProcessEvents();
  EXPECT_EQ(answers, std::vector<std::string>{"/plugins/a.fxp"});
}

TEST_F(FileDialogs, AWindowClosedWithADialogOpenDropsItsAnswer) {
  auto other = std::make_unique<THeadlessWindow>(400, 300);
  TPlain form;
  other->SetRoot(&form);
  ASSERT_TRUE(ShowFileDialog(form, SaveBankOptions(), Record()));
  other->ProcessEvents();
  EXPECT_EQ(form.Children().size(), 1u);
  other.reset();  // the editor closes with the field open
  EXPECT_TRUE(form.Children().empty()) << "the field went with its window";
  EXPECT_TRUE(answers.empty());
}

TEST(FileDialogCommands, TheLinuxDialogProgramsGetTheFilterFolderAndName) {
  const TFileDialogOptions save = SaveBankOptions();
  EXPECT_EQ(ZenityCommand(save), (std::vector<std::string>{"zenity", "--file-selection", "--save", "--title=Save As",
                                                            "--filename=/plugins/MT_Bank.fxb",
                                                            "--file-filter=VST Bank (*.fxb) | *.FXB *.fxb"}));
  TFileDialogOptions open;
  open.Filter = "VST Single Program (*.fxp)|*.FXP";
  open.InitialDir = "/plugins";
  EXPECT_EQ(KdialogCommand(open), (std::vector<std::string>{"kdialog", "--title", "Open", "--getopenfilename",
                                                            "/plugins/", "*.FXP *.fxp|VST Single Program (*.fxp)"}));
  const std::vector<TFileFilter> two = ParseFileFilter("Presets|*.fxp;*.FXB|All files|*");
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[0].Patterns, (std::vector<std::string>{"*.fxp", "*.FXB"}));
  EXPECT_EQ(two[1].Description, "All files");
  EXPECT_TRUE(ParseFileFilter("no patterns").empty());
}

#ifndef _WIN32
// Polls a running dialog the way idle ticks do, until it answers (bounded).
TRunningDialog::TState WaitForAnswer(TRunningDialog& dialog, std::string& path) {
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  for (;;) {
    const TRunningDialog::TState state = dialog.Poll(path);
    if (state != TRunningDialog::TState::Open || std::chrono::steady_clock::now() > giveUp) return state;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

TEST(DialogPrograms, TheAnswerIsTheFirstLineOfAProgramThatExitsWell) {
  struct TCase {
    const char* script;
    TRunningDialog::TState expected;
    const char* path;
  };
  const TCase cases[] = {
      {"sleep 0.2; echo /home/u/My Bank.fxb", TRunningDialog::TState::Chosen, "/home/u/My Bank.fxb"},
      {"printf '/a/b.fxp\\nnoise\\n'", TRunningDialog::TState::Chosen, "/a/b.fxp"},
      {"exit 1", TRunningDialog::TState::Cancelled, ""},                 // the user cancelled
      {"echo /a/b.fxp; exit 5", TRunningDialog::TState::Cancelled, ""},  // the program failed
      {"true", TRunningDialog::TState::Cancelled, ""},                   // nothing chosen
  };
  for (const TCase& c : cases) {
    std::unique_ptr<TRunningDialog> dialog = StartDialogProgram({"sh", "-c", c.script});
    ASSERT_NE(dialog, nullptr);
    std::string path;
    EXPECT_EQ(WaitForAnswer(*dialog, path), c.expected) << c.script;
    EXPECT_EQ(path, c.path) << c.script;
  }
  EXPECT_EQ(StartDialogProgram({"no-such-dialog-program"}), nullptr);
}

TEST(DialogPrograms, PollingNeverWaitsAndClosingEndsTheProgram) {
  TTempFolder folder;
  const std::string marker = folder.File("still-running");
  std::unique_ptr<TRunningDialog> dialog =
      StartDialogProgram({"sh", "-c", "sleep 30; touch '" + marker + "'"});
  ASSERT_NE(dialog, nullptr);
  std::string path;
  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(dialog->Poll(path), TRunningDialog::TState::Open);
  dialog.reset();  // the editor closes: the program is ended, not waited for
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(10));
}

// The children of this process, running or ended but not yet collected ('Z'), by pid.
std::map<pid_t, char> OwnChildren() {
  std::map<pid_t, char> children;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::ifstream in(entry.path() / "stat");
    std::string stat;
    if (!std::getline(in, stat)) continue;
    // "pid (command) state ppid ...": the command may hold blanks and parentheses.
    std::istringstream rest(stat.substr(stat.rfind(')') + 1));
    char state = 0;
    pid_t parent = 0;
    if (rest >> state >> parent && parent == getpid()) children[std::stoi(stat)] = state;
  }
  return children;
}

// A dialog program left running when its editor closes, even one that ignores the request to
// quit, is ended and collected then: nothing of it is left waiting for the next dialog.
TEST(DialogPrograms, AProgramLeftOpenIsCollectedWhenItsEditorCloses) {
  for (const char* script : {"sleep 30", "trap '' TERM; sleep 30 & wait"}) {
    const std::map<pid_t, char> before = OwnChildren();
    std::unique_ptr<TRunningDialog> dialog = StartDialogProgram({"sh", "-c", script});
    ASSERT_NE(dialog, nullptr);
    std::string path;
    EXPECT_EQ(dialog->Poll(path), TRunningDialog::TState::Open);
    dialog.reset();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(OwnChildren(), before) << script;
  }
}

// A helper nobody polls (the browser opener) is collected by the next idle tick of any editor
// window once it has ended.
TEST(DialogPrograms, HelpersThatEndedAreCollectedOnTheNextIdleTick) {
  TChildProcess child;
  ASSERT_TRUE(StartProgram({"true"}, false, child));
  CollectLater(child.pid);
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (OwnChildren().count(child.pid) > 0 && OwnChildren()[child.pid] != 'Z' &&
         std::chrono::steady_clock::now() < giveUp)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  THeadlessWindow window(10, 10);
  window.Update();
  EXPECT_EQ(OwnChildren().count(child.pid), 0u);
}

TEST(BrowseUrl, OnlyWebAddressesReachTheOpener) {
  std::vector<std::string> opened;
  TUrlOpenerSeam seam([&](const std::string& address) {
    opened.push_back(address);
    return true;
  });
  EXPECT_FALSE(BrowseURL(""));
  for (const char* refused : {"file:///etc/passwd", "calc.exe", "https://", "https://a b", "http://x\n-rf", "-h"})
    EXPECT_FALSE(BrowseURL(refused)) << refused;
  EXPECT_TRUE(BrowseURL("https://example.org/page?a=1"));
  EXPECT_TRUE(BrowseURL("HTTP://example.org"));
  EXPECT_EQ(opened, (std::vector<std::string>{"https://example.org/page?a=1", "HTTP://example.org"}));
}

// The real opener through PATH: a stand-in xdg-open writes down what it was given.
TEST(BrowseUrl, StartsXdgOpenWithoutWaiting) {
  TTempFolder folder;
  const std::string log = folder.File("opened.txt");
  folder.Write("bin/xdg-open", "#!/bin/sh\nsleep 0.3\nprintf '%s' \"$1\" > '" + log + ".part' && mv '" + log +
                                   ".part' '" + log + "'\n");
  std::filesystem::permissions(folder.path / "bin/xdg-open", std::filesystem::perms::owner_all);
  const char* oldPath = std::getenv("PATH");
  const std::string saved = oldPath != nullptr ? oldPath : "";
  setenv("PATH", (folder.File("bin") + ":/usr/bin:/bin").c_str(), 1);
  const bool started = BrowseURL("https://example.org/donate");
  setenv("PATH", saved.c_str(), 1);
  ASSERT_TRUE(started);
  EXPECT_FALSE(std::filesystem::exists(log)) << "BrowseURL returned before the opener finished";
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!std::filesystem::exists(log) && std::chrono::steady_clock::now() < giveUp)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(folder.Read("opened.txt"), "https://example.org/donate");
  CollectLater(-1);
}
#endif

}  // namespace
