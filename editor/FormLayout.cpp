// The editor's layout as data: one row per control, with its place in its panel and, for the
// controls bound to a parameter, the tag and name it is bound with. The range, the default and
// the display texts of a bound control are the catalogue's for its tag, so they are written in
// one place only.
#include "editor/PlugEditorForm.h"
#include "editor/BlockLabel.h"
#include "engine/ParamNames.h"
#include "engine/PositionText.h"

namespace {

enum TPanelId { kTop, kLeft, kMain, kChains, kInfo, kBottom, kPanelCount };

struct TPlace {
  int left, top, width, height;
};

const struct TPanelRow {
  const char* name;
  TPlace place;
} kPanels[kPanelCount] = {
    {"pTop", {0, 0, 809, 50}},     {"pLeft", {0, 51, 183, 466}},   {"pMain", {184, 51, 625, 377}},
    {"pChains", {184, 429, 625, 46}}, {"pInfo", {184, 476, 625, 41}}, {"pBottom", {0, 518, 809, 18}},
};

// Value boxes: every one drags at Sensity 20 with one notch per value. The current chain's box
// starts at the catalogue's 0..8; once bound, its maximum follows the chain count.
const struct TValueBoxRow {
  const char* name;
  TPanelId panel;
  TPlace place;
  ParamTag tag;
  const char* paramNam;
  const char* caption;
  int dim;  // the value drawn without highlight, -999 for none
  bool menu;
  const char* suffix;
  TDragBoxBt* TPlugForm::*field;
} kValueBoxes[] = {
    {"bInCh", kTop, {8, 14, 80, 27}, tagMIDIIn_Ch, "MIDIIn_Ch", "midi in ch.", -999, false, "", nullptr},
    {"bOutCh", kTop, {96, 14, 80, 27}, tagMIDIOut_Ch, "MIDIOut_Ch", "midi out ch.", -999, false, "", nullptr},
    {"bInRange_Low", kLeft, {8, 20, 80, 27}, tagInRange_Low, "InRange_Low", "input range", 0, false, "", nullptr},
    {"bInRange_High", kLeft, {96, 20, 80, 27}, tagInRange_High, "InRange_High", "(truncate)", 127, false, "", nullptr},
    {"bSortOrder", kLeft, {8, 50, 168, 27}, tagSortOrder, "SortOrder", "order algorithm", -999, true, "", nullptr},
    {"bMissKey", kLeft, {8, 80, 168, 27}, tagMissing_key, "Missing_key", "missing keys subst.", -999, true, "",
     nullptr},
    {"bFillOrder", kLeft, {8, 110, 80, 27}, tagInQuantize, "InQuantize", "inp. quantize", -999, true, "", nullptr},
    {"bSteps", kLeft, {8, 160, 80, 27}, tagSteps, "Steps", "steps", -999, false, "", nullptr},
    {"bReso", kLeft, {96, 160, 80, 27}, tagSync, "Sync", "sync", -999, true, "", nullptr},
    {"bGate", kLeft, {8, 190, 80, 27}, tagGate, "Gate", "gate time", -999, false, "%", nullptr},
    {"bSwing", kLeft, {96, 190, 80, 27}, tagSwing, "Swing", "swing", 0, false, "%", nullptr},
    {"bRestartOn", kLeft, {8, 220, 80, 27}, tagRestartOnKey, "RestartOnKey", "restart on", -999, true, "", nullptr},
    {"bFixedKey", kLeft, {96, 220, 80, 27}, tagFixed_key, "Fixed_key", "fixed key", -999, false, "", nullptr},
    {"bForceScale", kLeft, {8, 270, 168, 27}, tagForceScale, "ForceScale", "force to scale", 0, true, "", nullptr},
    {"bForceScaleKey", kLeft, {8, 300, 65, 27}, tagForceScale_Key, "ForceScale_Key", "root key", 0, true, "", nullptr},
    {"bMTranspOct", kLeft, {8, 335, 80, 27}, tagMTransp_oct, "MTransp_oct", "m.transp.oct", 0, false, "", nullptr},
    {"bMTranspSemi", kLeft, {96, 335, 80, 27}, tagMTransp_semi, "MTransp_semi", "m.transp", 0, false, "", nullptr},
    {"bOutRange_Low", kLeft, {8, 365, 80, 27}, tagOutRange_Low, "OutRange_Low", "output range", 0, false, "", nullptr},
    {"bOutRange_High", kLeft, {96, 365, 80, 27}, tagOutRange_High, "OutRange_High", "(wrap)", 127, false, "", nullptr},
    {"cbNumChains", kLeft, {8, 420, 80, 27}, tagNumChains, "NumChains", "num. chains", -999, false, "",
     &TPlugForm::cbNumChains},
    {"cbChainQuantize", kLeft, {96, 420, 80, 27}, tagChainQuantize, "ChainQuantize", "chain quantize", -999, true, "",
     nullptr},
    {"cbCurrChain", kChains, {8, 8, 80, 27}, tagCurChain, "CurChain", "current chain", 0, false, "",
     &TPlugForm::cbCurrChain},
    {"bSendBankN", kChains, {385, 8, 70, 27}, tagSendBankNum, "SendBankNum", "send: bank,", -1, false, "", nullptr},
    {"bSendPatchN", kChains, {465, 8, 70, 27}, tagSendPatchNum, "SendPatchNum", "patch num.,", -1, false, "", nullptr},
    {"bSendVolume", kChains, {545, 8, 70, 27}, tagSendVolume, "SendVolume", "volume", -1, false, "", nullptr},
};

// Check boxes; the design state is the default.
const struct TCheckBoxRow {
  const char* name;
  TPanelId panel;
  TPlace place;
  ParamTag tag;
  const char* paramNam;
  const char* caption;
  TVeskCheckBox* TPlugForm::*field;
} kCheckBoxes[] = {
    {"bArpEngineOn", kTop, {192, 8, 83, 15}, tagArpEnabled, "ArpEnabled", "arp enabled", nullptr},
    {"bMidiThruOn", kTop, {192, 26, 81, 15}, tagMIDIThruOn, "MIDIThruOn", "midi thru", nullptr},
    {"cbHold", kLeft, {96, 122, 73, 15}, tagLatch, "Latch", "arp. latch", nullptr},
    {"cbFollowChord", kLeft, {80, 312, 89, 15}, tagFollowChord, "FollowChord", "follow chord", nullptr},
    {"cbScroll", kMain, {8, 215, 57, 12}, tagScroll, "Scroll", "scroll", &TPlugForm::cbScroll},
    {"cbLockPage", kMain, {8, 236, 65, 12}, tagLockPage, "LockPage", "pg. lock", nullptr},
};

// Step bars in pMain, 600 x 21 at left 8: 16 boxes a page, four pages.
const struct TStepBarRow {
  const char* name;
  int top;
  int barNum;
  const char* caption;
  ParamTag tag1;  // the block's base: step s is tag1 + s
  const char* paramNam1;
  int dim, valueSteps;
  TDragBoxBar* TPlugForm::*field;
} kStepBars[] = {
    {"barVelocity", 10, 4, "VELOCITY:", tagVelocity, "Velocity", 96, 9, &TPlugForm::barVelocity},
    {"barKeySelect", 280, 2, "KEY SELECT:", tagKey_select, "Key_select", 1, 0, &TPlugForm::barKeySelect},
    {"barStepMode", 300, 3, "STEP TYPE:", tagStep_mode, "Step_mode", 0, 0, &TPlugForm::barStepMode},
    {"barOctave", 326, 1, "OCTAVE:", tagOctave, "Octave", 0, 0, &TPlugForm::barOctave},
    {"barSemitone", 346, 0, "SEMITONE:", tagSemitone, "Semitone", 0, 0, &TPlugForm::barSemitone},
};

// Labels. Types left at ltParam with the default font where the design sets none.
struct TLabelRow {
  const char* name;
  TPanelId panel;
  TPlace place;
  const char* caption;
  bool typed;
  TLabelType type;
  TAlignment alignment;
  bool active;
  TVeskLabel* TPlugForm::*field;
};
constexpr TLabelType ltStatus = TLabelType::ltStatus, ltABCD = TLabelType::ltABCD;
constexpr TAlignment taLeft = TAlignment::taLeftJustify, taRight = TAlignment::taRightJustify,
                     taCenter = TAlignment::taCenter;
const TLabelRow kLabels[] = {
    {"lProgNum", kTop, {690, 8, 78, 15}, "1 / 64", false, {}, taCenter, false, &TPlugForm::lProgNum},
    {"lMainMenu", kMain, {8, 40, 57, 15}, "main", false, {}, taLeft, false, nullptr},
    {"lPatternShift", kMain, {8, 90, 57, 15}, "patt.shift", false, {}, taLeft, false, nullptr},
    {"blPage", kMain, {8, 138, 47, 15}, "page", false, {}, taLeft, false, nullptr},
    {"blbA", kMain, {10, 186, 9, 10}, "1", true, ltABCD, taLeft, true, nullptr},
    {"blbB", kMain, {27, 186, 9, 10}, "2", true, ltABCD, taLeft, false, nullptr},
    {"blbC", kMain, {45, 186, 9, 10}, "3", true, ltABCD, taLeft, false, nullptr},
    {"blbD", kMain, {62, 186, 9, 10}, "4", true, ltABCD, taLeft, false, nullptr},
    {"lProgSequence", kChains, {125, 6, 121, 14}, "program sequence:", false, {}, taLeft, false, nullptr},
    {"BeatCapt", kInfo, {10, 5, 30, 15}, "Beat:", true, ltStatus, taLeft, false, nullptr},
    {"BeatVal", kInfo, {40, 5, 49, 15}, "0,00", true, ltStatus, taLeft, false, &TPlugForm::BeatVal},
    {"StepCapt", kInfo, {96, 5, 30, 15}, "Step:", true, ltStatus, taLeft, false, nullptr},
    {"StepVal", kInfo, {126, 5, 43, 15}, "0", true, ltStatus, taLeft, false, &TPlugForm::StepVal},
    {"KeysPreFilterCapt", kInfo, {194, 5, 87, 15}, "In keys pre-filter:", true, ltStatus, taLeft, false, nullptr},
    {"KeysPreFilterVal", kInfo, {284, 5, 125, 15}, "", true, ltStatus, taLeft, false, &TPlugForm::KeysPreFilterVal},
    {"KeysPostFilterCapt", kInfo, {194, 21, 87, 15}, "In keys post-filter:", true, ltStatus, taLeft, false, nullptr},
    {"KeysPostFilterVal", kInfo, {284, 21, 125, 15}, "", true, ltStatus, taLeft, false,
     &TPlugForm::KeysPostFilterVal},
    {"NoteOutCapt", kInfo, {432, 5, 50, 15}, "Note out:", true, ltStatus, taLeft, false, nullptr},
    {"NoteOutVal", kInfo, {514, 5, 103, 15}, "", true, ltStatus, taLeft, false, &TPlugForm::NoteOutVal},
    {"DetChord", kInfo, {432, 21, 79, 15}, "Detected chord:", true, ltStatus, taLeft, false, nullptr},
    {"DetChordVal", kInfo, {514, 21, 62, 15}, "", true, ltStatus, taLeft, false, &TPlugForm::DetChordVal},
    {"ParamCapt", kInfo, {10, 21, 175, 15}, "Param [Tag: ParamName] = 0", true, ltStatus, taLeft, false,
     &TPlugForm::ParamCapt},
    {"lStatus", kBottom, {8, 3, 225, 11}, "Pattern arpeggiator / step sequencer", true, ltABCD, taLeft, false, nullptr},
    {"lCredit", kBottom, {664, 3, 140, 11}, "Moltrin Arpeggiator Works", true, ltABCD, taRight, false, nullptr},
};

const struct TButtonRow {
  const char* name;
  TPanelId panel;
  TPlace place;
  TButtonIcon icon;
  const char* caption;
  void (TPlugForm::*onClick)();
  TVeskButton* TPlugForm::*field;
} kButtons[] = {
    {"bResetPatch", kMain, {8, 55, 62, 16}, TButtonIcon::biNone, "MENU", &TPlugForm::DoMenuOpen,
     &TPlugForm::bResetPatch},
    {"bPattShiftLeft", kMain, {8, 105, 30, 15}, TButtonIcon::biLeft, "", &TPlugForm::bPattShiftLeftClick1, nullptr},
    {"bPattShiftRight", kMain, {40, 105, 30, 15}, TButtonIcon::biRight, "", &TPlugForm::bPattShiftRightClick1,
     nullptr},
    {"bPgLeft", kMain, {8, 153, 30, 15}, TButtonIcon::biLeft, "", &TPlugForm::bPgLeftClick1, nullptr},
    {"bPgRight", kMain, {40, 153, 30, 15}, TButtonIcon::biRight, "", &TPlugForm::bPgRightClick1, nullptr},
    {"bProgLeft", kTop, {637, 8, 27, 15}, TButtonIcon::biLeft, "", &TPlugForm::bProgLeftClick1, nullptr},
    {"btPatchList", kTop, {669, 8, 17, 15}, TButtonIcon::biDown, "", &TPlugForm::DoPatchesMenuPopup,
     &TPlugForm::btPatchList},
    {"bProgRight", kTop, {772, 8, 27, 15}, TButtonIcon::biRight, "", &TPlugForm::bProgRightClick1, nullptr},
};

// Section headings of pLeft.
const struct TBlockLabelRow {
  const char* name;
  TPlace place;
  const char* caption;
} kBlockLabels[] = {
    {"blInputKeys", {8, 7, 168, 7}, "INPUT FILTER"},
    {"blArpEngine", {7, 147, 168, 7}, "ARP ENGINE"},
    {"blOutputFilter", {7, 257, 168, 7}, "OUTPUT FILTER"},
    {"blChains", {7, 407, 168, 7}, "PROGRAM CHAINS"},
};

// LED rows of pMain: the playing step of the shown page, the shown page and the playing page.
const struct TLedBarRow {
  const char* name;
  TPlace place;
  int numLeds;
  TLedColor color;
  int ledSize, pitch, firstLeft;
  bool border, outline, lines;
  TLEDBar* TPlugForm::*field;
} kLedBars[] = {
    {"ledbar", {78, 260, 530, 15}, 16, TLedColor::lcGreen, 12, 30, 40, true, false, false, &TPlugForm::ledbar},
    {"ledbarSelPage", {5, 173, 67, 13}, 4, TLedColor::lcRed, 11, 17, 0, false, true, true, &TPlugForm::ledbarSelPage},
    {"ledbarPlayPage", {5, 197, 67, 13}, 4, TLedColor::lcGreen, 11, 17, 0, false, true, true,
     &TPlugForm::ledbarPlayPage},
};

template <typename TControlClass>
TControlClass* Place(TControlClass* control, const char* name, const TPlace& p) {
  control->Name = name;
  control->SetBounds(p.left, p.top, p.width, p.height);
  return control;
}

// A control bound to a tag, placed and captioned as its row says and reporting its changes.
template <typename TControlClass, typename TRow>
TControlClass* CreateBound(TControl* parent, const TRow& row, const TOnControlChangeEvent& onChange) {
  auto* control = Place(new TControlClass(parent), row.name, row.place);
  control->SetCaption(row.caption);
  control->SetParamTag(row.tag);
  control->SetParamNam(row.paramNam);
  control->OnControlChange = onChange;
  return control;
}

// The catalogue's range and default of a tag (for a step block, of its first step: all steps
// share them).
void SetCatalogueRange(TVeskControl* control, int tag) {
  control->SetMin(CParamMin[tag]);
  control->SetMax(CParamMax[tag]);
  control->SetValueDefault(CParamDef[tag]);
}

}  // namespace

TOnControlChangeEvent TPlugForm::ControlChangeHandler() {
  return [this](int tag, const std::string& name, int value) { DoControlChange(tag, name, value); };
}

TControl* TPlugForm::PanelOf(int panel) const {
  const std::array<TControl*, kPanelCount> panels{pTop, pLeft, pMain, pChains, pInfo, pBottom};
  return panels[static_cast<size_t>(panel)];
}

void TPlugForm::CreatePanels() {
  pTop = Place(new TTopVeskPanel(this), kPanels[kTop].name, kPanels[kTop].place);
  pTop->OnClick = [this](TControl*) { pTopClick(); };
  TVeskPanel** fields[] = {&pLeft, &pMain, &pChains, &pInfo, &pBottom};
  for (int i = kLeft; i < kPanelCount; ++i)
    *fields[i - kLeft] = Place(new TVeskPanel(this), kPanels[i].name, kPanels[i].place);
}

void TPlugForm::CreateValueBoxes() {
  for (const TValueBoxRow& row : kValueBoxes) {
    auto* box = CreateBound<TDragBoxBt>(PanelOf(row.panel), row, ControlChangeHandler());
    SetCatalogueRange(box, row.tag);
    box->SetValueGrey(row.dim);
    box->SetValueSteps(0);
    box->SetSensity(20);
    box->SetValueSuffix(row.suffix);
    box->SetValueList(ValueTexts(row.tag));
    box->SetHasMenu(row.menu);
    if (row.menu)
      box->OnControlMenuPopup = [this](int tag, const std::string& name, int x, int y,
                                       const std::vector<std::string>& list) {
        DoControlMenuPopup(tag, name, x, y, list);
      };
    if (row.field != nullptr) this->*row.field = box;
  }
}

void TPlugForm::CreateCheckBoxes() {
  for (const TCheckBoxRow& row : kCheckBoxes) {
    auto* check = CreateBound<TVeskCheckBox>(PanelOf(row.panel), row, ControlChangeHandler());
    check->SetChecked(CParamDef[row.tag] != 0);
    if (row.field != nullptr) this->*row.field = check;
  }
}

void TPlugForm::CreateStepBars() {
  for (const TStepBarRow& row : kStepBars) {
    auto* bar = Place(new TDragBoxBar(pMain), row.name, {8, row.top, 600, 21});
    bar->SetCaption(row.caption);
    bar->SetBarNum(row.barNum);
    bar->SetBoxLnLeftOfs(110);
    bar->SetNumSteps(16);
    bar->SetPageNumSteps(16);
    bar->SetNumPages(4);
    bar->SetParamTag1(row.tag1);
    bar->SetParamNam1(row.paramNam1);
    SetCatalogueRange(bar, row.tag1);
    bar->SetValueGrey(row.dim);
    bar->SetValueSteps(row.valueSteps);
    bar->SetSensity(20);
    bar->SetValueList(ValueTexts(row.tag1));
    bar->OnControlChange = ControlChangeHandler();
    bar->OnBarSelect = [this](int barNum) { DoBarSelect(barNum); };
    this->*row.field = bar;
  }

  lnChainProg = Place(new TDragBoxLine(pChains), "lnChainProg", {125, 20, 240, 15});
  lnChainProg->SetPageNumSteps(8);
  lnChainProg->SetNumSteps(8);
  lnChainProg->SetNumPages(1);
  lnChainProg->SetParamTag1(tagChainProg);
  lnChainProg->SetParamNam1("ChainProg");
  SetCatalogueRange(lnChainProg, tagChainProg);
  lnChainProg->SetValueGrey(0);
  lnChainProg->SetValueList(ValueTexts(tagChainProg));
  lnChainProg->OnControlChange = ControlChangeHandler();
}

void TPlugForm::CreateOtherControls() {
  scr = Place(new TScreenInner(pMain), "scr", {78, 35, 530, 220});
  scr->SetLeftOfs(40);
  scr->SetTopMargin(5);
  scr->SetStepLabelH(10);

  for (const TLedBarRow& row : kLedBars) {
    auto* leds = Place(new TLEDBar(pMain), row.name, row.place);
    leds->SetNumLeds(row.numLeds);
    leds->SetLedColor(row.color);
    leds->SetLedSize(row.ledSize);
    leds->SetBoxWidth(row.pitch);
    leds->SetBoxLnLeftOfs(row.firstLeft);
    leds->SetDrawBorder(row.border);
    leds->SetLedOutline(row.outline);
    leds->SetDrawLines(row.lines);
    leds->SetLineSize(1);
    this->*row.field = leds;
  }
  ledbarSelPage->SetIndexOn(0);

  for (const TLabelRow& row : kLabels) {
    auto* label = Place(new TVeskLabel(PanelOf(row.panel)), row.name, row.place);
    if (row.typed) label->SetLabelType(row.type);
    label->SetAlignment(row.alignment);
    label->SetCaption1(row.caption);
    label->SetActive(row.active);
    if (row.field != nullptr) this->*row.field = label;
  }
  // A long reason for a refused file shows whole under the mouse.
  ParamCapt->SetWholeTextOnHover(true);
  // The idle beat is written as the playing one is, with the system's decimal separator.
  BeatVal->SetCaption1(FormatPosition(0).View());
  lProgNum->SetUnderline(true);
  for (size_t i = 0; i < PageLabels.size(); ++i)
    PageLabels[i] = static_cast<TVeskLabel*>(FindControl(std::string("blb") + static_cast<char>('A' + i)));

  for (const TButtonRow& row : kButtons) {
    auto* button = Place(new TVeskButton(PanelOf(row.panel)), row.name, row.place);
    button->SetIcon1(row.icon);
    button->SetCaption(row.caption);
    button->OnClick1 = [this, onClick = row.onClick](TControl*) { (this->*onClick)(); };
    if (row.field != nullptr) this->*row.field = button;
  }

  for (const TBlockLabelRow& row : kBlockLabels) {
    auto* heading = Place(new TBlockLabel(pLeft), row.name, row.place);
    heading->SetCaption1(row.caption);
    heading->SetTextMargin(6);
  }

  eProgName = Place(new TVeskEdit(pTop), "eProgName", {637, 26, 162, 19});
  eProgName->OnEditExit = [this](TControl*) { DoProgNameEditExit(); };
}
