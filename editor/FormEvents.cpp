// The form's reactions: what the engine's change pump delivers, and what the user does with
// the controls, the pages, the pattern shift, the program buttons, the program list and the
// name field.
#include <algorithm>
#include <cstdio>

#include "editor/PlugEditorForm.h"
#include "engine/PlugCore.h"

namespace {

// Status bytes of the direct sends.
constexpr int kControlChange = 176, kProgramChange = 192;
constexpr int kBankSelect = 0, kChannelVolume = 7;
// The program list starts a new column at these items: 22, 22 and 20 programs.
constexpr int kProgramListBreaks[] = {22, 44};

}  // namespace

// ---- Engine deliveries.

void TPlugForm::OnParamDisplay(int tag, int value) {
  switch (tag) {
    case tagProgName: {
      if (core == nullptr) return;
      const int program = core->CurrentProgramIndex();
      eProgName->SetText(core->GetProgramName(program).View());
      lProgNum->SetCaption1(std::to_string(program + 1) + " / " + std::to_string(kNumPrograms));
      return;
    }
    case tagSelectedBar:
      SelectBar(value);
      return;
    case tagSelectedPage:
      SelectPage(value);
      return;
    default:
      if (TVeskControl* control = ControlOfTag(tag)) control->SetPageValue(CParamPage[tag], value);
  }
}

void TPlugForm::OnParamReact(int tag, int value) {
  switch (tag) {
    case tagSteps:
      scr->SetNumSteps(value);
      if (scr->ShownPage() >= scr->PageCount()) SelectPage(scr->PageCount() - 1);
      for (TDragBoxBar* bar : Bars) bar->SetNumSteps(value);
      return;
    case tagNumChains:
      cbCurrChain->SetMax(cbNumChains->GetValue());
      if (core == nullptr) return;
      if (cbCurrChain->GetValue() > cbCurrChain->Max()) core->SetParamNormalized(tagCurChain, 1.0f);
      return;
    default:
      return;
  }
}

void TPlugForm::OnStepChanged(int step) {
  playingStep = step;
  int playPage = -1;
  if (step >= 0) {
    playPage = step / scr->StepsPerPage();
    if (cbScroll->Checked() && playPage != scr->ShownPage()) SelectPage(playPage);
  }
  ShowPlayingStep();
  if (ledbarPlayPage->IndexOn() != playPage) {
    ledbarPlayPage->SetIndexOn(playPage);
    UpdatePageLabels(scr->ShownPage());
  }
  const bool chainPlays = step != -1 && core != nullptr && core->CurrentChainIndex() != 0;
  lnChainProg->Highlight(chainPlays ? core->GetChainPos() : -1);
}

// The step LEDs show the playing step when it lies on the page shown, whenever either changes.
void TPlugForm::ShowPlayingStep() {
  const int perPage = scr->StepsPerPage(), first = scr->ShownPage() * perPage;
  const bool onShownPage = playingStep >= first && playingStep < first + perPage;
  ledbar->SetIndexOn(onShownPage ? playingStep - first : -1);
}

void TPlugForm::UpdatePageLabels(int t) {
  const int q = ledbarPlayPage->IndexOn();
  for (int k = 0; k < static_cast<int>(PageLabels.size()); ++k)
    PageLabels[static_cast<size_t>(k)]->SetActive(t == k && (q == k || q == -1));
}

void TPlugForm::OnStatusText(const TStatusRecord& status) {
  BeatVal->SetCaption1(status.Beat.View());
  StepVal->SetCaption1(status.Step.View());
  NoteOutVal->SetCaption1(status.NoteOut.View());
  KeysPreFilterVal->SetCaption1(status.KeysPre.View());
  KeysPostFilterVal->SetCaption1(status.KeysPost.View());
  DetChordVal->SetCaption1(status.Chord.View());
}

// Every opening shows the status as the engine has it, not the panel's design texts: the next
// delivery brings the status texts and the playing step, whether or not they changed.
void TPlugForm::ShowEngineStatus() {
  ParamCapt->SetCaption1("");  // no parameter touched yet
  core->RequestStatus();
}

void TPlugForm::OnPatternRedraw() { scr->Invalidate(); }

// ---- User changes.

void TPlugForm::DoControlChange(int tag, const std::string& name, int value) {
  if (Loading()) return;
  if (core != nullptr) {
    SetParamInGesture(mouseGesture, tag, value);
    OnParamReact(tag, value);
    core->MarkChanged(tag);
    if (value > 0) {
      const uint8_t ch = static_cast<uint8_t>(std::clamp(core->GetParam(tagMIDIOut_Ch) - 1, 0, 15));
      const int patch = core->GetParam(tagSendPatchNum) - 1;
      switch (tag) {
        case tagSendBankNum:
          core->SendEditorMidi(kControlChange, ch, kBankSelect, static_cast<uint8_t>(value - 1));
          if (patch >= 0) core->SendEditorMidi(kProgramChange, ch, static_cast<uint8_t>(patch), 0);
          break;
        case tagSendPatchNum:
          core->SendEditorMidi(kProgramChange, ch, static_cast<uint8_t>(value - 1), 0);
          break;
        case tagSendVolume:
          core->SendEditorMidi(kControlChange, ch, kChannelVolume, static_cast<uint8_t>(value - 1));
          break;
        default:
          break;
      }
    }
  }
  if (core == nullptr || !core->EditorBusy()) ShowParam(tag, name, value);
}

void TPlugForm::ShowParam(int tag, std::string_view name, int value) {
  ParamCapt->SetCaption1("Param [" + std::to_string(tag) + ": " + std::string(name) + "] = " + std::to_string(value));
}

void TPlugForm::DoControlMenuPopup(int tag, const std::string& /*name*/, int x, int y,
                                   const std::vector<std::string>& list) {
  popList.Items.Clear();
  if (tag < 0 || tag >= kNumParams) return;
  // A list longer than the range offers only the values the range can take.
  const int n = std::min(static_cast<int>(list.size()) - 1, CParamMax[tag] - CParamMin[tag]);
  for (int i = 0; i <= n; ++i)
    popList.Items.Add(list[static_cast<size_t>(i)], [this](TMenuItem& item) { ChooseListValue(item.Tag); },
                      i + CParamMin[tag]);
  MenuTargetTag = tag;
  if (!popList.PopupAtScreen(*this, {x, y}) || core == nullptr) return;
  // The list holds the control until it closes, chosen from or not; one list may open over
  // another, and the watch on the first goes on for it.
  const bool watching = listGesture.open;
  EndGesture(listGesture);
  listGesture.open = true;
  Touch(listGesture, tag);
  if (!watching)
    Window().AddIdleTask([this] {
      if (popList.IsOpen() && listGesture.open) return true;
      EndGesture(listGesture);
      return false;
    });
}

// The box shows the chosen value at the next delivery. The choice lets the list go.
void TPlugForm::ChooseListValue(int value) {
  if (core == nullptr) return;
  SetParamInGesture(listGesture, MenuTargetTag, value);
  EndGesture(listGesture);
  core->MarkChanged(MenuTargetTag);
}

// ---- Bars and pages.

void TPlugForm::DoBarSelect(int barNum) {
  if (core != nullptr) SetParamInGesture(mouseGesture, tagSelectedBar, barNum);
  SelectBar(barNum);
  ShowParam(tagSelectedBar, "SelectedBar", barNum);
}

void TPlugForm::SelectBar(int i) {
  // Values the engine pushes are not range-checked; an index past the bars shows the last.
  i = std::clamp(i, 0, static_cast<int>(Bars.size()) - 1);
  for (TDragBoxBar* bar : Bars) bar->ShowSelection(i);
  scr->SetShownRow(Bars[static_cast<size_t>(i)]->Line());
  RequestPatternRedraw();
}

void TPlugForm::SelectPage(int p) {
  p = std::clamp(p, 0, scr->PageCount() - 1);
  if (p == scr->ShownPage()) return;
  scr->SetPage(p);
  ledbarSelPage->SetIndexOn(p);
  for (TDragBoxBar* bar : Bars) bar->SetPage(p);
  ShowPlayingStep();
  UpdatePageLabels(p);
  RequestPatternRedraw();
  if (core != nullptr) core->SetParamFromEditor(tagSelectedPage, p, false);
}

void TPlugForm::RequestPatternRedraw() {
  if (core != nullptr)
    core->RequestRedraw();
  else
    scr->Invalidate();
}

void TPlugForm::StepPage(int direction) {
  const int p = std::clamp(ledbarSelPage->IndexOn() + direction, 0, scr->PageCount() - 1);
  SelectPage(p);
  UpdatePageLabels(p);
  // Turning pages by hand while the pages follow playback stops them following.
  if (core != nullptr && core->IsPlaying() && cbScroll->Checked()) cbScroll->SetValue(0);
  ShowParam(tagSelectedPage, "SelectedPage", p + 1);
}

void TPlugForm::ShiftPatternBy(int direction) {
  // The engine rotates the pattern one step. The host is told PatternShift as it stands, inside
  // the button's gesture: a value that does not change rotates nothing, so neither its echo nor
  // a later playback of it moves the pattern again.
  if (core != nullptr) core->ShiftPattern(direction);
  DoControlChange(tagPatternShift, "PatternShift", core != nullptr ? core->GetParam(tagPatternShift) : 0);
}

// ---- Programs.

void TPlugForm::bProgLeftClick1() {
  if (core != nullptr) ChooseProgram(core->CurrentProgramIndex() - 1);
}

void TPlugForm::bProgRightClick1() {
  if (core != nullptr) ChooseProgram(core->CurrentProgramIndex() + 1);
}

// Choosing a program in the editor always leaves chain mode.
void TPlugForm::ChooseProgram(int index) {
  if (core == nullptr) return;
  core->SelectProgram(index);
  core->NotifyProgramList();
  core->StoreParam(tagCurChain, 0);
  core->MarkChanged(tagCurChain);
  core->RequestChainSwitch();
}

void TPlugForm::DoPatchesMenuPopup() {
  popList.Items.Clear();
  if (core == nullptr) return;
  for (int i = 0; i < kNumPrograms; ++i) {
    char number[8];
    std::snprintf(number, sizeof number, "%02d: ", i + 1);
    TMenuItem& item = popList.Items.Add(number + core->GetProgramName(i).Str(),
                                        [this](TMenuItem& chosen) { ChooseProgram(chosen.Tag); }, i);
    if (std::find(std::begin(kProgramListBreaks), std::end(kProgramListBreaks), i) != std::end(kProgramListBreaks))
      item.Break = TMenuBreak::BarBreak;
  }
  popList.Popup(*btPatchList, {0, btPatchList->Height()});
}

void TPlugForm::DoProgNameEditExit() {
  if (core == nullptr) return;
  core->SetProgramName(eProgName->Text());
  // The name as the engine keeps it (an empty one replaced, a long one cut) shows next.
  core->MarkChanged(tagProgName);
  core->NotifyProgramList();
}

void TPlugForm::pTopClick() {
  if (eProgName->Editing()) eProgName->CommitEdit();
}

void TPlugForm::DoMenuOpen() { popMenu.Popup(*bResetPatch, {0, bResetPatch->Height()}); }

// ---- Touch automation.

// A left press on a value box takes its tag at once, changed or not (a host in touch mode then
// holds the value while the mouse does). Anything else a gesture changes is taken with its
// first change: the steps a paint crosses, a check box, the scroll box a page button unchecks.
void TPlugForm::MouseGestureBegins(TControl& target, TMouseButton button) {
  EndGesture(mouseGesture);
  mouseGesture.open = true;
  auto* box = dynamic_cast<TDragBox*>(&target);
  if (button == TMouseButton::Left && box != nullptr && !box->MenuMode() && box->GetParamTag() > 0)
    Touch(mouseGesture, box->GetParamTag());
}

void TPlugForm::MouseGestureEnds() { EndGesture(mouseGesture); }

void TPlugForm::Touch(TEditGesture& gesture, int tag) {
  if (core == nullptr || tag < 0 || tag >= kNumParams) return;
  if (std::find(gesture.tags.begin(), gesture.tags.end(), tag) != gesture.tags.end()) return;
  gesture.tags.push_back(tag);
  core->BeginParamEdit(tag);
}

void TPlugForm::EndGesture(TEditGesture& gesture) {
  gesture.open = false;
  const std::vector<int> tags = std::move(gesture.tags);
  gesture.tags.clear();
  if (core != nullptr)
    for (const int tag : tags) core->EndParamEdit(tag);
}

void TPlugForm::SetParamInGesture(TEditGesture& gesture, int tag, int value) {
  const bool ownGesture = !gesture.open;
  gesture.open = true;
  Touch(gesture, tag);
  core->SetParamFromEditor(tag, value, true);
  if (ownGesture) EndGesture(gesture);
}
