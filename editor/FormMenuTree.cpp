// The main menu under "MENU" as data: one row per item, under the submenu its path names, with
// the command it runs (FormMenus.cpp). The zoom submenu gets one item per zoom step, the skins
// submenu one item per skin when the form binds to the engine.
#include "editor/EditorZoom.h"
#include "editor/FormMenus.h"
#include "editor/Globals.h"
#include "editor/PlugEditorForm.h"

namespace {

constexpr int kSkinsGroup = 20, kSemitoneRangeGroup = 97, kFineVelocityGroup = 96, kZoomGroup = 95;
constexpr const char* kRanges = "GUI Settings/Matrix Semitone Range";
constexpr const char* kFineVelocity = "GUI Settings/Fine Velocity Increments";
constexpr TPlugForm::TMenuCommand kChooseRange = &TPlugForm::mSemitoneRange_FullClick;
constexpr TPlugForm::TMenuCommand kChooseFineVelocity = &TPlugForm::mFineVeloIncrements_OnClick;

const struct TMenuRow {
  const char* parent;   // path of the submenu holding the item, "" for the menu itself
  const char* caption;  // "-" for a separator
  TPlugForm::TMenuCommand command;
  int tag;
  int radioGroup;
  bool checked;
} kMainMenu[] = {
    {"", "Program", nullptr, 0, 0, false},
    {"Program", "Load (*.fxp)", &TPlugForm::mLoadPresetClick, 0, 0, false},
    {"Program", "Save (*.fxp)", &TPlugForm::mSavePresetClick, 0, 0, false},
    {"Program", "-", nullptr, 0, 0, false},
    {"Program", "Initialize", &TPlugForm::mInitPresetClick, 0, 0, false},
    {"Program", "Undo all changes", &TPlugForm::mRecallPresetClick, 0, 0, false},
    {"Program", "-", nullptr, 0, 0, false},
    {"Program", "Copy to buffer", &TPlugForm::mCopyPresetClick, 0, 0, false},
    {"Program", "Paste from buffer", &TPlugForm::mPastePresetClick, 0, 0, false},
    {"Program", "Shift Up", &TPlugForm::ShiftUpClick, 0, 0, false},
    {"Program", "Shift Down", &TPlugForm::mShiftDownClick, 0, 0, false},
    {"", "Bank", nullptr, 0, 0, false},
    {"Bank", "Load (*.fxb)", &TPlugForm::mLoadBankClick, 0, 0, false},
    {"Bank", "Save (*.fxb)", &TPlugForm::mSaveBankClick, 0, 0, false},
    {"Bank", "-", nullptr, 0, 0, false},
    {"Bank", "Initialize", &TPlugForm::mInitializeBankClick, 0, 0, false},
    {"", "Page", nullptr, 0, 0, false},
    {"Page", "Copy to buffer", &TPlugForm::mCopyPageClick, 0, 0, false},
    {"Page", "Paste from buffer", &TPlugForm::mPastePageClick, 0, 0, false},
    {"", "-", nullptr, 0, 0, false},
    {"", "Skins", nullptr, 0, 0, false},
    {"Skins", "Default (Vesk)", &TPlugForm::mColorDefaultClick, kSkinTagBase, kSkinsGroup, true},
    {"", "GUI Settings", nullptr, 0, 0, false},
    {"GUI Settings", "Matrix Semitone Range", nullptr, 0, 0, false},
    {kRanges, "-12..0..+12 (full range)", kChooseRange, 0, kSemitoneRangeGroup, true},
    {kRanges, "0..+12 (upper)", kChooseRange, 1, kSemitoneRangeGroup, false},
    {kRanges, "-12..0 (lower)", kChooseRange, 2, kSemitoneRangeGroup, false},
    {kRanges, "-7..0..+7 (truncated)", kChooseRange, 3, kSemitoneRangeGroup, false},
    {"GUI Settings", "Fine Velocity Increments", nullptr, 0, 0, false},
    {kFineVelocity, "On", kChooseFineVelocity, 1, kFineVelocityGroup, false},
    {kFineVelocity, "Off", kChooseFineVelocity, 0, kFineVelocityGroup, true},
    {"", "Zoom", nullptr, 0, 0, false},  // one item per zoom step, its tag the percentage
    {"", "-", nullptr, 0, 0, false},
    {"", "Make a Donation", &TPlugForm::mDonateClick, 0, 0, false},
    {"", "Developer's website", &TPlugForm::mWebsiteClick, 0, 0, false},
};

}  // namespace

void TPlugForm::BuildMainMenu() {
  for (const TMenuRow& row : kMainMenu) {
    TMenuItem* parent = row.parent[0] == 0 ? &popMenu.Items : popMenu.Items.Find(row.parent);
    if (parent == nullptr) continue;
    TMenuItem& item = parent->Add(row.caption, {}, row.tag);
    item.RadioGroup = row.radioGroup;
    item.SetChecked(row.checked);
    if (row.command != nullptr) {
      item.OnClick = [this, command = row.command](TMenuItem& chosen) { (this->*command)(chosen); };
    }
  }
  if (TMenuItem* zooms = popMenu.Items.Find("Zoom"))
    for (int percent : kZoomSteps)
      zooms->Add(std::to_string(percent) + "%", [this](TMenuItem& chosen) { mZoomClick(chosen); }, percent).RadioGroup =
          kZoomGroup;
  // Items whose command is not there cannot be chosen.
  std::vector<TMenuItem*> pending{&popMenu.Items};
  while (!pending.empty()) {
    TMenuItem* menu = pending.back();
    pending.pop_back();
    for (int i = 0; i < menu->Count(); ++i) {
      TMenuItem& item = (*menu)[i];
      if (item.HasSubmenu()) pending.push_back(&item);
      else if (!item.IsSeparator() && !item.OnClick) item.Enabled = false;
    }
  }
}

void TPlugForm::BuildSkinsMenu() {
  TMenuItem* skins = popMenu.Items.Find("Skins");
  TMenuItem* builtIn = popMenu.Items.Find("Skins/Default (Vesk)");
  if (skins == nullptr || builtIn == nullptr) return;
  const std::vector<std::string>& names = SchemeNames();
  for (size_t i = 0; i < names.size(); ++i) {
    TMenuItem& item =
        skins->Add(names[i], [this](TMenuItem& chosen) { mColorDefaultClick(chosen); }, kSkinTagBase + 1 + static_cast<int>(i));
    item.RadioGroup = kSkinsGroup;
    item.Enabled = builtIn->Enabled;
    if (GuiSettings.gui_scheme == static_cast<int>(i) + 1) item.SetChecked(true);
  }
}
