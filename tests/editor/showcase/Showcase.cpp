#include "tests/editor/showcase/Showcase.h"

#include <cstdio>

#include "editor/BlockLabel.h"
#include "editor/Globals.h"
#include "tests/editor/StepRows.h"

namespace {

using TList = std::vector<std::string>;

TList Numbered(const std::string& first, int from, int to) {
  TList list{first};
  for (int i = from; i <= to; ++i) list.push_back(std::to_string(i));
  return list;
}

TList NoteNames() {
  static const char* keys[] = {"C", "C#", "D", "Eb", "E", "F", "F#", "G", "G#", "A", "Bb", "B"};
  TList list;
  for (int note = 0; note < 128; ++note) list.push_back(keys[note % 12] + std::to_string(note / 12));
  return list;
}

TList SemitoneSteps() {
  TList list;
  for (int i = -12; i <= 12; ++i) {
    char text[8];
    std::snprintf(text, sizeof text, "%+d", i);
    list.push_back(i == 0 ? "none" : text);
  }
  return list;
}

const TList kQuantize = {"none", "1 step", "2 steps", "3 steps", "4 steps", "1 beat", "2 beats", "3 beats", "4 beats"};

struct TBoxSetup {
  int panel;  // 0 top, 1 left, 2 chains
  int x, y, w;
  int tag;
  const char* name;
  const char* caption;
  int min, max, valueDefault, grey;
  bool menu;
  const char* suffix;
  TList list;
};

std::vector<TBoxSetup> BoxSetups() {
  const TList notes = NoteNames();
  return {
      {0, 8, 14, 80, 1, "MIDIIn_Ch", "midi in ch.", 0, 16, 0, -999, false, "", Numbered("all", 1, 16)},
      {0, 96, 14, 80, 2, "MIDIOut_Ch", "midi out ch.", 1, 16, 1, -999, false, "", {}},
      {1, 8, 20, 80, 215, "InRange_Low", "input range", 0, 127, 0, 0, false, "", notes},
      {1, 96, 20, 80, 216, "InRange_High", "(truncate)", 0, 127, 127, 127, false, "", notes},
      {1, 8, 50, 168, 219, "SortOrder", "order algorithm", 0, 7, 2, -999, true, "",
       {"as played", "as played, desc.", "by pitch", "by pitch, desc.", "by velocity", "by velocity, desc",
        "chord, normalized", "chord, as played"}},
      {1, 8, 80, 168, 214, "Missing_key", "missing keys subst.", 0, 12, 0, -999, true, "",
       {"don't play", "cyclic", "cyclic, +1 oct.", "cyclic, -1 oct.", "first key", "first key, +1 oct.",
        "first key, -1 oct.", "last key", "last key, +1 oct.", "last key, -1 oct.", "fixed key",
        "fixed key, +1 oct.", "fixed key, -1 oct."}},
      {1, 8, 110, 80, 222, "InQuantize", "inp. quantize", 0, 8, 1, -999, true, "", kQuantize},
      {1, 8, 160, 80, 210, "Steps", "steps", 1, 64, 16, -999, false, "", {}},
      {1, 96, 160, 80, 212, "Sync", "sync", 0, 11, 3, -999, true, "",
       {"1/48", "1/32", "1/24", "1/16", "1/12", "1/8", "1/6", "1/4", "3/64", "3/32", "3/16", "3/8"}},
      {1, 8, 190, 80, 211, "Gate", "gate time", 1, 100, 100, -999, false, "%", {}},
      {1, 96, 190, 80, 225, "Swing", "swing", -50, 50, 0, 0, false, "%", {}},
      {1, 8, 220, 80, 226, "RestartOnKey", "restart on", 0, 1, 0, -999, true, "", {"beat", "key"}},
      {1, 96, 220, 80, 220, "Fixed_key", "fixed key", 0, 127, 64, -999, false, "", notes},
      {1, 8, 270, 168, 228, "ForceScale", "force to scale", 0, 6, 0, 0, true, "",
       {"off", "Major", "Major pentatonic", "minor", "minor harmonic", "minor melodic", "minor pentatonic"}},
      {1, 8, 300, 65, 227, "ForceScale_Key", "root key", 0, 12, 0, 0, true, "",
       {"off", "C", "C#", "D", "Eb", "E", "F", "F#", "G", "G#", "A", "Bb", "B"}},
      {1, 8, 335, 80, 221, "MTransp_oct", "m.transp.oct", -3, 3, 0, 0, false, "",
       {"-3 oct", "-2 oct", "-1 oct", "none", "+1 oct", "+2 oct", "+3 oct"}},
      {1, 96, 335, 80, 223, "MTransp_semi", "m.transp", -12, 12, 0, 0, false, "", SemitoneSteps()},
      {1, 8, 365, 80, 217, "OutRange_Low", "output range", 0, 127, 0, 0, false, "", notes},
      {1, 96, 365, 80, 218, "OutRange_High", "(wrap)", 0, 127, 127, 127, false, "", notes},
      {1, 8, 420, 80, 17, "NumChains", "num. chains", 1, 16, 8, -999, false, "", {""}},
      {1, 96, 420, 80, 20, "ChainQuantize", "chain quantize", 0, 8, 1, -999, true, "", kQuantize},
      {2, 8, 8, 80, 18, "CurChain", "current chain", 0, 8, 0, 0, false, "", {"---"}},
      {2, 385, 8, 70, 82, "SendBankNum", "send: bank,", -1, 127, -1, -1, false, "", {"---"}},
      {2, 465, 8, 70, 81, "SendPatchNum", "patch num.,", -1, 127, -1, -1, false, "", {"---"}},
      {2, 545, 8, 70, 83, "SendVolume", "volume", -1, 127, -1, -1, false, "", {"---"}},
  };
}

TVeskLabel* Label(TControl* parent, TRect r, const std::string& text, TLabelType type) {
  auto* label = new TVeskLabel(parent);
  label->SetBounds(r.left, r.top, r.right, r.bottom);  // left, top, width, height
  label->SetLabelType(type);
  label->SetCaption1(text);
  return label;
}

TVeskButton* Button(TControl* parent, TRect r, TButtonIcon icon, const std::string& caption = "") {
  auto* button = new TVeskButton(parent);
  button->SetBounds(r.left, r.top, r.right, r.bottom);
  button->SetIcon1(icon);
  button->SetCaption(caption);
  return button;
}

TLEDBar* PageLeds(TControl* parent, int top, TLedColor color) {
  auto* leds = new TLEDBar(parent);
  leds->SetBounds(5, top, 67, 13);
  leds->SetNumLeds(4);
  leds->SetBoxLnLeftOfs(0);
  leds->SetBoxWidth(17);
  leds->SetLedSize(11);
  leds->SetDrawBorder(false);
  leds->SetDrawLines(true);
  leds->SetLineSize(1);
  leds->SetLedOutline(true);
  leds->SetLedColor(color);
  return leds;
}

}  // namespace

TShowcase::TShowcase() {
  BeginLoading();
  SetBounds(0, 0, kWidth, kHeight);
  BuildPanels();
  BuildValueBoxes();
  BuildCheckBoxes();
  BuildPatternArea();
  BuildChains();
  BuildLabelsAndButtons();
  BuildStatus();
  EndLoading();
  ShowAMomentOfPlaying();
}

void TShowcase::Paint(TCanvas& canvas) { canvas.FillRect(ClientRect(), GuiSettings.panels_BackColor); }

TDragBoxBt* TShowcase::Box(const std::string& paramNam) const {
  for (TDragBoxBt* box : boxes)
    if (box->ParamNam() == paramNam) return box;
  return nullptr;
}

void TShowcase::BuildPanels() {
  const auto panel = [this](const char* name, TRect r) {
    auto* p = new TVeskPanel(this);
    p->Name = name;
    p->SetBounds(r.left, r.top, r.right, r.bottom);
    return p;
  };
  top = new TTopVeskPanel(this);
  top->Name = "pTop";
  top->SetBounds(0, 0, 809, 50);
  left = panel("pLeft", {0, 51, 183, 466});
  main = panel("pMain", {184, 51, 625, 377});
  chains = panel("pChains", {184, 429, 625, 46});
  info = panel("pInfo", {184, 476, 625, 41});
  bottom = panel("pBottom", {0, 518, 809, 18});
}

void TShowcase::BuildValueBoxes() {
  TControl* panels[] = {top, left, chains};
  for (const TBoxSetup& s : BoxSetups()) {
    auto* box = new TDragBoxBt(panels[s.panel]);
    box->SetBounds(s.x, s.y, s.w, 27);
    box->SetCaption(s.caption);
    box->SetParamTag(s.tag);
    box->SetParamNam(s.name);
    box->SetMin(s.min);
    box->SetMax(s.max);
    box->SetValueDefault(s.valueDefault);
    box->SetValueGrey(s.grey);
    box->SetHasMenu(s.menu);
    box->SetValueSuffix(s.suffix);
    box->SetValueList(s.list);
    box->SetPageValue(0, s.valueDefault);
    boxes.push_back(box);
  }
}

void TShowcase::BuildCheckBoxes() {
  struct TCheckBoxSetup {
    TControl* panel;
    TRect r;  // left, top, width, height
    int tag;
    const char* name;
    const char* caption;
    bool checked;
  };
  const TCheckBoxSetup setups[] = {
      {top, {192, 8, 83, 15}, 3, "ArpEnabled", "arp enabled", true},
      {top, {192, 26, 81, 15}, 4, "MIDIThruOn", "midi thru", true},
      {left, {96, 122, 73, 15}, 213, "Latch", "arp. latch", false},
      {left, {80, 312, 89, 15}, 229, "FollowChord", "follow chord", false},
      {main, {8, 215, 57, 12}, 224, "Scroll", "scroll", true},
      {main, {8, 236, 65, 12}, 230, "LockPage", "pg. lock", false},
  };
  for (const TCheckBoxSetup& s : setups) {
    auto* box = new TVeskCheckBox(s.panel);
    box->SetBounds(s.r.left, s.r.top, s.r.right, s.r.bottom);
    box->SetCaption(s.caption);
    box->SetParamTag(s.tag);
    box->SetParamNam(s.name);
    box->SetChecked(s.checked);
    checkBoxes.push_back(box);
  }
}

void TShowcase::BuildPatternArea() {
  for (TStepRowSetup row : StepRowSetups()) bars.push_back(MakeStepBar(main, row));
  screen = new TScreenInner(main);
  screen->SetBounds(78, 35, 530, 220);
  screen->SetRows(bars[3]->Line(), bars[2]->Line(), bars[1]->Line(), bars[0]->Line(), bars[4]->Line());
  stepLeds = new TLEDBar(main);
  stepLeds->SetBounds(78, 260, 530, 15);
  stepLeds->SetLedSize(12);
  shownPageLeds = PageLeds(main, 173, TLedColor::lcRed);
  playPageLeds = PageLeds(main, 197, TLedColor::lcGreen);
  const char* pages[] = {"1", "2", "3", "4"};
  const int pageX[] = {10, 27, 45, 62};
  for (int i = 0; i < 4; ++i) Label(main, {pageX[i], 186, 9, 10}, pages[i], TLabelType::ltABCD)->SetActive(i == 0);
}

void TShowcase::BuildChains() {
  chainLine = new TDragBoxLine(chains);
  chainLine->SetBounds(125, 20, 240, 15);
  chainLine->SetPageNumSteps(8);
  chainLine->SetNumSteps(8);
  chainLine->SetParamTag1(85);
  chainLine->SetParamNam1("ChainProg");
  chainLine->SetMin(0);
  chainLine->SetMax(64);
  chainLine->SetValueList({"-"});
  Label(chains, {125, 6, 121, 14}, "program sequence:", TLabelType::ltParam);
}

void TShowcase::BuildLabelsAndButtons() {
  Label(main, {8, 40, 57, 15}, "main", TLabelType::ltParam);
  menuButton = Button(main, {8, 55, 62, 16}, TButtonIcon::biNone, "MENU");
  Label(main, {8, 90, 57, 15}, "patt.shift", TLabelType::ltParam);
  Button(main, {8, 105, 30, 15}, TButtonIcon::biLeft);
  Button(main, {40, 105, 30, 15}, TButtonIcon::biRight);
  Label(main, {8, 138, 47, 15}, "page", TLabelType::ltParam);
  Button(main, {8, 153, 30, 15}, TButtonIcon::biLeft);
  Button(main, {40, 153, 30, 15}, TButtonIcon::biRight);
  Button(top, {637, 8, 27, 15}, TButtonIcon::biLeft);
  Button(top, {669, 8, 17, 15}, TButtonIcon::biDown);
  TVeskLabel* number = Label(top, {690, 8, 78, 15}, "1 / 64", TLabelType::ltParam);
  number->SetAlignment(TAlignment::taCenter);
  number->SetUnderline(true);
  Button(top, {772, 8, 27, 15}, TButtonIcon::biRight);
  programName = new TVeskEdit(top);
  programName->SetBounds(637, 26, 162, 19);
  const char* headings[] = {"INPUT FILTER", "ARP ENGINE", "OUTPUT FILTER", "PROGRAM CHAINS"};
  const int headingY[] = {7, 147, 257, 407};
  for (int i = 0; i < 4; ++i) {
    auto* heading = new TBlockLabel(left);
    heading->SetBounds(i == 0 ? 8 : 7, headingY[i], 168, 7);
    heading->SetTextMargin(6);
    heading->SetCaption1(headings[i]);
  }
}

void TShowcase::BuildStatus() {
  const auto status = [this](TRect r, const char* text) { return Label(info, r, text, TLabelType::ltStatus); };
  status({10, 5, 30, 15}, "Beat:");
  status({40, 5, 49, 15}, "3.25");
  status({96, 5, 30, 15}, "Step:");
  status({126, 5, 43, 15}, "5");
  status({194, 5, 87, 15}, "In keys pre-filter:");
  status({284, 5, 125, 15}, "C5 E5 G5 B5");
  status({194, 21, 87, 15}, "In keys post-filter:");
  status({284, 21, 125, 15}, "C5 E5 G5 B5");
  status({432, 5, 50, 15}, "Note out:");
  status({514, 5, 103, 15}, "G5");
  status({432, 21, 79, 15}, "Detected chord:");
  status({514, 21, 62, 15}, "Cmaj7");
  status({10, 21, 175, 15}, "Param [211: Gate] = 75");
  Label(bottom, {8, 3, 225, 11}, "Pattern arpeggiator / step sequencer", TLabelType::ltABCD);
  Label(bottom, {664, 3, 140, 11}, "Moltrin project", TLabelType::ltABCD)->SetAlignment(TAlignment::taRightJustify);
}

// The values a program might have while it plays its fifth step.
void TShowcase::ShowAMomentOfPlaying() {
  const std::pair<const char*, int> values[] = {
      {"MIDIIn_Ch", 0}, {"Gate", 75}, {"Swing", 10}, {"Sync", 3}, {"SortOrder", 2},
      {"InRange_Low", 36}, {"ForceScale", 1}, {"ForceScale_Key", 1}, {"MTransp_semi", -5},
      {"NumChains", 3}, {"CurChain", 2}, {"SendBankNum", -1}, {"SendVolume", 100},
  };
  for (auto [name, value] : values) Box(name)->SetPageValue(0, value);
  const int velocity[16] = {127, 80, 96, 96, 112, 64, 96, 48, 127, 96, 80, 96, 112, 32, 96, 64};
  const int type[16] = {1, 2, 1, 3, 1, 2, 2, 1, 1, 0, 1, 1, 1, 2, 1, 1};
  const int key[16] = {1, 2, 3, 4, 6, 1, 2, 3, 0, 1, 2, 3, 4, 5, 6, 1};
  const int octave[16] = {0, 0, 1, 0, -1, 0, 0, 1, 0, 0, 2, 0, -2, 0, 0, 1};
  const int semitone[16] = {0, 3, 7, 12, 0, -5, 0, 4, 7, -12, 0, 2, 5, 0, -3, 10};
  const int* rows[] = {semitone, octave, key, type, velocity};
  for (int r = 0; r < 5; ++r)
    for (int step = 0; step < 16; ++step) bars[r]->Line()->Box(step)->SetPageValue(0, rows[r][step]);
  for (TDragBoxBar* bar : bars) bar->ShowSelection(4);
  screen->SetShownRow(bars[4]->Line());
  screen->SetNumSteps(16);
  stepLeds->SetIndexOn(4);
  shownPageLeds->SetIndexOn(0);
  playPageLeds->SetIndexOn(0);
  const int chain[8] = {1, 5, 9, 2, 0, 0, 0, 0};
  for (int i = 0; i < 8; ++i) chainLine->Box(i)->SetPageValue(0, chain[i]);
  chainLine->Highlight(1);
  programName->SetText("Up Classic");
}
