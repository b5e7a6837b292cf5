// The form's life: built from its layout, bound to the engine when the binding message
// arrives (the opening sequence), and unbound before it goes.
#include "editor/PlugEditorForm.h"

#include <atomic>
#include <exception>

#include "editor/EditorZoom.h"
#include "editor/Globals.h"
#include "engine/PlugCore.h"
#include "platform/DebugOutput.h"
#include "platform/NativeWindow.h"

namespace {

// A mismatch between the controls and the range tables is a programming error. It is told
// once per process to whoever debugs the plug-in; the editor opens all the same.
std::atomic<bool> gMismatchReported{false};

void ReportMismatches(const std::vector<std::string>& messages) {
  if (messages.empty() || gMismatchReported.exchange(true)) return;
  for (const std::string& message : messages)
    WriteDebugLine("Moltrin: assertion failed in PlugEditorForm: " + message);
}

// An editor the user cannot see is worth one line to whoever wonders where it went.
std::atomic<bool> gHeadlessReported{false};

void ReportHeadless(const std::string& reason) {
  if (!gHeadlessReported.exchange(true))
    WriteDebugLine("Moltrin: the editor runs without a window on the screen: " + reason);
}

}  // namespace

TPlugForm::TPlugForm(void* parentWindow, std::unique_ptr<TWindow> ownWindow)
    : TVeskCustomControl(nullptr), window(std::move(ownWindow)) {
  LoadSettings();
  Name = "PlugForm";
  BeginLoading();
  SetColor(GuiSettings.panels_BackColor);
  CreatePanels();
  CreateValueBoxes();
  CreateCheckBoxes();
  CreateStepBars();
  CreateOtherControls();
  BuildMainMenu();
  EndLoading();
  FormCreate();
  if (!window) {
    std::string fallbackReason;
    window = CreateChildWindow(parentWindow, gFormWidth, gFormHeight, &fallbackReason);
    if (!fallbackReason.empty()) ReportHeadless(fallbackReason);
  }
  // The zoom chosen last, on the system's scale for the window's screen.
  zoom = GuiSettings.gui_zoom;
  window->SetScale(EditorScale(zoom, BaseScale()));
  window->OnSystemScaleChanged = [this] { Rescale(EditorScale(zoom, BaseScale())); };
  window->SetRoot(this);
  CheckZoomItem();
}

TPlugForm::~TPlugForm() {
  // A name being typed when the host closes the editor is kept, as leaving the field keeps it.
  if (eProgName != nullptr && eProgName->Editing()) eProgName->CommitEdit();
  // A host closing the editor while the mouse holds a control still hears the gesture end.
  EndGesture(mouseGesture);
  EndGesture(listGesture);
  // The engine must not call a form that is going.
  if (core != nullptr && core->EditorListener() == this) core->SetEditorListener(nullptr);
  core = nullptr;
  popMenu.Close();
  popList.Close();
  window->OnSystemScaleChanged = nullptr;
  window.reset();
  // The controls go while the form they report to is still whole.
  while (!Children().empty()) delete Children().back();
}

std::unique_ptr<TEditorForm> TPlugForm::Create(void* parentWindow) { return std::make_unique<TPlugForm>(parentWindow); }

void TPlugForm::FormCreate() {
  ProgramBuffer = 0;
  PageBuffer = 0;
  Bars = {barSemitone, barOctave, barKeySelect, barStepMode, barVelocity};
  scr->SetRows(barStepMode->Line(), barKeySelect->Line(), barOctave->Line(), barSemitone->Line(),
               barVelocity->Line());
  if (TMenuItem* ranges = popMenu.Items.Find("GUI Settings/Matrix Semitone Range"))
    for (int i = 0; i < ranges->Count(); ++i)
      if ((*ranges)[i].Tag == GuiSettings.matrix_semitone_range) (*ranges)[i].SetChecked(true);
  if (GuiSettings.fine_velocity_increments == 1)
    if (TMenuItem* on = popMenu.Items.Find("GUI Settings/Fine Velocity Increments/On")) on->Click();
}

void TPlugForm::Paint(TCanvas& canvas) { canvas.FillRect(ClientRect(), GuiSettings.panels_BackColor); }

// ---- Scale.

double TPlugForm::BaseScale() const { return hostScale > 0 ? hostScale : window->SystemScale(); }

bool TPlugForm::Rescale(double scale) {
  const TEditorSize next{window->WidthAt(scale), window->HeightAt(scale)};
  if (next != Size() && frame != nullptr && !frame->RequestEditorSize(next)) return false;
  if (scale != window->Scale()) window->SetScale(scale);
  return true;
}

void TPlugForm::SetHostScale(double scale) {
  hostScale = scale > 0 ? scale : 0;
  const double next = EditorScale(zoom, BaseScale());
  if (next != window->Scale()) window->SetScale(next);
}

bool TPlugForm::SetZoom(int percent) {
  percent = ValidZoom(percent);
  if (percent != GuiSettings.gui_zoom) {
    GuiSettings.gui_zoom = percent;
    WriteGuiSetting("gui_zoom", percent);
  }
  const bool shown = percent == zoom || Rescale(EditorScale(percent, BaseScale()));
  if (shown)
    zoom = percent;
  else
    ParamCapt->SetCaption1("zoom " + std::to_string(percent) + "%: the host cannot resize the editor; it opens at " +
                           std::to_string(percent) + "% next time");
  CheckZoomItem();
  return shown;
}

void TPlugForm::CheckZoomItem() {
  if (TMenuItem* zooms = popMenu.Items.Find("Zoom"))
    for (int i = 0; i < zooms->Count(); ++i)
      if ((*zooms)[i].Tag == zoom) (*zooms)[i].SetChecked(true);
}

TControl* TPlugForm::FindControl(std::string_view name) const {
  return FindDescendant([&](TControl& c) { return c.Name == name; });
}

TVeskControl* TPlugForm::ControlOfTag(int tag) const {
  return tag >= 0 && tag < kNumParams ? tagControls[static_cast<size_t>(tag)] : nullptr;
}

// ---- The opening sequence, when the editor host's binding message arrives.

void TPlugForm::HandleMessage(uint32_t message, intptr_t a, intptr_t /*b*/) {
  if (message != kBindEngineMessage || a == 0 || core != nullptr) return;
  TPlugCore* engine = *reinterpret_cast<TPlugCore**>(a);
  if (engine != nullptr) Bind(engine);
}

void TPlugForm::Bind(TPlugCore* engine) {
  core = engine;
  core->SetEditorBusy(true);
  core->SetEditorListener(this);
  try {
    ShowEngineStatus();
    scr->SetShownRow(Bars[0]->Line());
    BuildParamInfo();
    // Every opening shows every control as the engine has it, whatever reached the engine while
    // no editor was open (a session the host restored, host writes).
    core->MarkAllChanged(false);
    if (core->CurrentProgramIndex() == -1) core->SelectProgram(0);
    BuildSkinsMenu();
  } catch (const std::exception& e) {
    // Nothing here should throw; if something does, the editor still opens bound.
    WriteDebugLine(std::string("Moltrin: the editor's opening stopped: ") + e.what());
  }
  core->SetEditorBusy(false);
}

// Every value box and check box bound to a tag is found by its tags, page by page, and checked
// against the catalogue (the host's names) and the range tables; the boxes inside composite
// controls are reached too.
void TPlugForm::BuildParamInfo() {
  std::vector<std::string> mismatches;
  FindDescendant([&](TControl& c) {
    if (auto* box = dynamic_cast<TDragBox*>(&c))
      BindControl(box, box->NumPages(), mismatches);
    else if (auto* check = dynamic_cast<TVeskCheckBox*>(&c))
      BindControl(check, 1, mismatches);
    return false;
  });
  ReportMismatches(mismatches);
}

void TPlugForm::BindControl(TVeskControl* control, int numPages, std::vector<std::string>& mismatches) {
  const int t = control->GetParamTag();
  if (t == 0) return;
  for (int k = 0; k < numPages; ++k) {
    const int h = k * 16 + t;
    if (h < 0 || h >= kNumParams) continue;
    tagControls[static_cast<size_t>(h)] = control;
    const std::string n = std::to_string(h), box = "box[" + n + "]";
    const std::string name = control->GetPageParamNam(k), hostName = HostParamName(h).Str();
    if (name != hostName)
      mismatches.push_back("HostParamName[" + n + "]=" + hostName + " <> " + box + ".ParamNam=" + name);
    if (control->Min() != CParamMin[h]) mismatches.push_back("CParamMin[" + n + "] <> " + box + ".Min");
    if (h != tagCurChain && control->Max() != CParamMax[h])
      mismatches.push_back("CParamMax[" + n + "]=" + std::to_string(CParamMax[h]) + " <> " + box +
                           ".Max=" + std::to_string(control->Max()));
    if (control->ValueDefault() != CParamDef[h]) mismatches.push_back("CParamDef[" + n + "] <> " + box + ".ValueDeflt");
  }
}
