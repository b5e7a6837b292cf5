// The main menu's commands (its tree is FormMenuTree.cpp): program and bank files, program
// initialise, undo, copy, paste and shift, page copy and paste, skins, the two editor
// settings and the web pages. Each is a thin handler: the engine, a file or the settings do
// the work, and the editor shows the result through the engine's change pump. Saving never
// damages a file, and a file that cannot be read, is refused or cannot be written is reported
// in the status panel (`ParamCapt`) with nothing half-applied.
#include "editor/FormMenus.h"

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "editor/Globals.h"
#include "editor/PlugEditorForm.h"
#include "engine/PlugCore.h"
#include "engine/PresetFile.h"
#include "platform/FileDialog.h"
#include "platform/Files.h"
#include "platform/Shell.h"

const char* const kDonationPage = "https://moltrin.example/donate";
const char* const kWebsitePage = "https://moltrin.example/";

namespace {

struct TPresetFileKind {
  bool bank;
  const char* filter;
  const char* defaultName;
  const char* extension;
};
constexpr TPresetFileKind kProgramFile{false, "VST Single Program (*.fxp)|*.FXP", "MT_Preset.fxp", ".fxp"};
constexpr TPresetFileKind kBankFile{true, "VST Bank (*.fxb)|*.FXB", "MT_Bank.fxb", ".fxb"};

std::string FileNameOf(const std::string& path) { return std::filesystem::path(path).filename().string(); }

// The dialog for a kind of preset file, starting in the plug-in's folder.
TFileDialogOptions PresetDialog(const TPresetFileKind& kind, TFileDialogKind dialog) {
  TFileDialogOptions options;
  options.Kind = dialog;
  options.Filter = kind.filter;
  options.InitialDir = PluginFolder();
  if (dialog == TFileDialogKind::Save) options.FileName = kind.defaultName;
  return options;
}

}  // namespace

std::string LoadPresetFile(TPlugCore& core, const std::string& path, bool bank, const std::string& name) {
  std::vector<uint8_t> file;
  std::string why;
  switch (ReadFileStart(path, PresetReadLimit(bank ? TPresetKind::bank : TPresetKind::program), file, &why)) {
    case TReadResult::Missing: return "no such file: " + name;
    case TReadResult::Failed: return "cannot read " + name + ": " + why;
    case TReadResult::Read: break;
  }
  // The engine checks the whole file before it applies any of it.
  const TLoadResult result = bank ? core.ApplyFxb(file.data(), file.size()) : core.ApplyFxp(file.data(), file.size());
  return result.ok ? std::string() : result.message;
}

std::string WithPresetExtension(const std::string& path, const std::string& extension) {
  const size_t n = extension.size();
  if (path.size() >= n) {
    std::string tail = path.substr(path.size() - n);
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (tail == extension) return path;
  }
  return path + extension;
}

// ---- Program commands.

void TPlugForm::mLoadPresetClick(TMenuItem&) { LoadPresetFile(kProgramFile.bank); }
void TPlugForm::mSavePresetClick(TMenuItem&) { SavePresetFile(kProgramFile.bank); }

void TPlugForm::mInitPresetClick(TMenuItem&) {
  if (core == nullptr) return;
  core->InitProgram(true);
  core->MarkAllChanged(true);
}

void TPlugForm::mRecallPresetClick(TMenuItem&) {
  if (core != nullptr) core->RecallProgram();
}

void TPlugForm::mCopyPresetClick(TMenuItem&) {
  if (core != nullptr) ProgramBuffer = core->CurrentProgramIndex();
}

void TPlugForm::mPastePresetClick(TMenuItem&) {
  if (core != nullptr) core->PasteProgram(ProgramBuffer);
}

void TPlugForm::ShiftUpClick(TMenuItem&) {
  if (core != nullptr) core->ShiftProgram(-1);
}

void TPlugForm::mShiftDownClick(TMenuItem&) {
  if (core != nullptr) core->ShiftProgram(1);
}

// ---- Bank commands.

void TPlugForm::mLoadBankClick(TMenuItem&) { LoadPresetFile(kBankFile.bank); }
void TPlugForm::mSaveBankClick(TMenuItem&) { SavePresetFile(kBankFile.bank); }

void TPlugForm::mInitializeBankClick(TMenuItem&) {
  if (core != nullptr) core->InitializeBank();
}

// ---- Page commands. The two share ProgramBuffer with the program copy.

void TPlugForm::mCopyPageClick(TMenuItem&) {
  if (core == nullptr) return;
  ProgramBuffer = core->CurrentProgramIndex();
  PageBuffer = scr->ShownPage();
}

void TPlugForm::mPastePageClick(TMenuItem&) {
  if (core != nullptr) core->PastePage(ProgramBuffer, PageBuffer, scr->ShownPage());
}

// ---- Files: the dialog answers on a later idle tick.

void TPlugForm::LoadPresetFile(bool bank) {
  if (core == nullptr) return;
  const TFileDialogOptions options = PresetDialog(bank ? kBankFile : kProgramFile, TFileDialogKind::Open);
  ShowFileDialog(*this, options, [this, bank](const std::string& path) {
    if (core == nullptr) return;
    if (const std::string refused = ::LoadPresetFile(*core, path, bank, FileNameOf(path)); !refused.empty())
      ParamCapt->SetCaption1(refused);
  });
}

void TPlugForm::SavePresetFile(bool bank) {
  if (core == nullptr) return;
  const TPresetFileKind& kind = bank ? kBankFile : kProgramFile;
  const TFileDialogOptions options = PresetDialog(kind, TFileDialogKind::Save);
  ShowFileDialog(*this, options, [this, bank, extension = std::string(kind.extension)](const std::string& chosen) {
    if (core == nullptr) return;
    const std::string path = WithPresetExtension(chosen, extension);
    const std::span<const uint8_t> image = bank ? core->BuildFxb() : core->BuildFxp();
    const std::string data(reinterpret_cast<const char*>(image.data()), image.size());
    // Written beside the target and renamed over it only once complete.
    std::string reason;
    if (!WriteWholeFileSafely(path, data, &reason)) ParamCapt->SetCaption1(reason);
  });
}

// ---- Skins and settings.

void TPlugForm::mColorDefaultClick(TMenuItem& item) {
  // No delivery while the colours change.
  if (core != nullptr) core->SetEditorBusy(true);
  if (item.Tag >= kSkinTagBase) {
    GuiSettings.gui_scheme = item.Tag - kSkinTagBase;
    ApplyScheme(GuiSettings.gui_scheme);
  }
  item.SetChecked(true);
  // The controls read their colours from GuiSettings as they paint.
  Invalidate();
  if (core != nullptr) core->SetEditorBusy(false);
}

void TPlugForm::mSemitoneRange_FullClick(TMenuItem& item) {
  if (item.Tag == GuiSettings.matrix_semitone_range) return;
  item.SetChecked(true);
  GuiSettings.matrix_semitone_range = item.Tag;
  WriteGuiSetting("matrix_semitone_range", item.Tag);
  scr->Invalidate();
}

void TPlugForm::mFineVeloIncrements_OnClick(TMenuItem& item) {
  if (item.Tag != GuiSettings.fine_velocity_increments) {
    GuiSettings.fine_velocity_increments = item.Tag;
    WriteGuiSetting("fine_velocity_increments", item.Tag);
  }
  item.SetChecked(true);
  // Nine notches (0, 16, .. 112, 127), or every value.
  barVelocity->SetValueSteps(GuiSettings.fine_velocity_increments == 1 ? 0 : 9);
  if (!Loading()) scr->Invalidate();
}

void TPlugForm::mZoomClick(TMenuItem& item) { SetZoom(item.Tag); }

// ---- Web pages: a missing browser is not worth a word.

void TPlugForm::mDonateClick(TMenuItem&) { BrowseURL(kDonationPage); }
void TPlugForm::mWebsiteClick(TMenuItem&) { BrowseURL(kWebsitePage); }
