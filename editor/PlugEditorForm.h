#pragma once
// TPlugForm: the editor window. It lays out every control (FormLayout.cpp), binds each one to
// an engine parameter by tag when the engine reference arrives (PlugEditorForm.cpp), shows what
// the engine's change pump delivers and turns the user's actions into parameter changes
// (FormEvents.cpp), and carries the main menu (FormMenuTree.cpp) whose commands live in
// FormMenus.cpp. The form holds no parameter values: every control shows what the engine last
// reported for its tag. It reaches the engine directly on the editor thread, and the engine
// reaches it only through the listener it installs while bound.
// Everything here runs on the editor (host's user-interface) thread.
#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/DragBoxBar.h"
#include "editor/DragBoxBt.h"
#include "editor/DragBoxLine.h"
#include "editor/EditorForm.h"
#include "editor/LEDBar.h"
#include "editor/ScreenInner.h"
#include "editor/TopVeskPanel.h"
#include "editor/VeskButton.h"
#include "editor/VeskCheckBox.h"
#include "editor/VeskEdit.h"
#include "editor/VeskLabel.h"
#include "editor/VeskPanel.h"
#include "engine/EditorListener.h"
#include "engine/ParamNames.h"
#include "platform/Menu.h"

class TPlugCore;

class TPlugForm : public TVeskCustomControl, public TEditorForm, public TEditorListener {
 public:
  // Builds the form in a child window of the host's `parentWindow`; `window` replaces the
  // native one (tests and tools pass a headless window).
  explicit TPlugForm(void* parentWindow, std::unique_ptr<TWindow> window = nullptr);
  ~TPlugForm() override;
  static std::unique_ptr<TEditorForm> Create(void* parentWindow);

  // ---- TEditorForm.
  TWindow& Window() override { return *window; }
  bool IsLoading() const override { return Loading(); }
  bool HasEngine() const override { return core != nullptr; }
  TPlugCore* Engine() const { return core; }
  void SetFrame(TEditorFrame* editorFrame) override { frame = editorFrame; }
  void SetHostScale(double scale) override;

  // ---- Zoom (editor/EditorZoom.h).
  int Zoom() const { return zoom; }  // the zoom this editor shows, in percent
  // The user's choice: remembered in the settings file, and shown at once when the frame's host
  // takes the new size (true). When it cannot, this editor keeps its size and zoom, says so in
  // the status panel, and the next editor opens at the new zoom.
  bool SetZoom(int percent);

  // ---- Fields.
  int ProgramBuffer = 0;  // program remembered by "Copy to buffer"
  int PageBuffer = 0;     // page remembered by the page "Copy to buffer"
  std::array<TDragBoxBar*, 5> Bars{};  // by BarNum: semitone, octave, key select, step type, velocity
  int MenuTargetTag = 0;  // the tag whose value list is open in popList

  // ---- Controls, owned by their panels; the layout tables name them.
  TTopVeskPanel* pTop = nullptr;
  TVeskPanel *pLeft = nullptr, *pMain = nullptr, *pChains = nullptr, *pInfo = nullptr, *pBottom = nullptr;
  TDragBoxBt *cbNumChains = nullptr, *cbCurrChain = nullptr;
  TVeskCheckBox* cbScroll = nullptr;
  TDragBoxBar *barVelocity = nullptr, *barKeySelect = nullptr, *barStepMode = nullptr, *barOctave = nullptr,
              *barSemitone = nullptr;
  TDragBoxLine* lnChainProg = nullptr;
  TScreenInner* scr = nullptr;
  TLEDBar *ledbar = nullptr, *ledbarSelPage = nullptr, *ledbarPlayPage = nullptr;
  std::array<TVeskLabel*, 4> PageLabels{};  // blbA .. blbD
  TVeskButton *bResetPatch = nullptr, *btPatchList = nullptr;
  TVeskLabel* lProgNum = nullptr;
  TVeskEdit* eProgName = nullptr;
  TVeskLabel *BeatVal = nullptr, *StepVal = nullptr, *NoteOutVal = nullptr, *KeysPreFilterVal = nullptr,
             *KeysPostFilterVal = nullptr, *DetChordVal = nullptr, *ParamCapt = nullptr;
  TPopupMenu popMenu;  // the main menu under "MENU"
  TPopupMenu popList;  // value lists and the program list

  // The control named `name` in the form ("bGate", "pInfo"), or null.
  TControl* FindControl(std::string_view name) const;
  // The control bound to a tag, once the form is bound (null for tags without one).
  TVeskControl* ControlOfTag(int tag) const;

  // ---- Engine deliveries (TEditorListener), from DeliverChanges.
  void OnParamDisplay(int tag, int value) override;
  void OnParamReact(int tag, int value) override;
  void OnStepChanged(int step) override;
  void OnStatusText(const TStatusRecord& status) override;
  void OnPatternRedraw() override;

  // ---- Control events.
  void DoControlChange(int tag, const std::string& name, int value);
  void DoControlMenuPopup(int tag, const std::string& name, int x, int y, const std::vector<std::string>& list);
  void DoBarSelect(int barNum);
  void DoPatchesMenuPopup();
  void DoMenuOpen();
  void DoProgNameEditExit();
  void pTopClick();
  void bPgLeftClick1() { StepPage(-1); }
  void bPgRightClick1() { StepPage(+1); }
  void bPattShiftLeftClick1() { ShiftPatternBy(-1); }
  void bPattShiftRightClick1() { ShiftPatternBy(+1); }
  void bProgLeftClick1();
  void bProgRightClick1();

  // ---- Navigation.
  void SelectBar(int i);
  void SelectPage(int p);
  void UpdatePageLabels(int t);

  // ---- Menu commands (FormMenus.cpp). Each takes the item chosen.
  using TMenuCommand = void (TPlugForm::*)(TMenuItem& item);
  void mLoadPresetClick(TMenuItem& item);
  void mSavePresetClick(TMenuItem& item);
  void mInitPresetClick(TMenuItem& item);
  void mRecallPresetClick(TMenuItem& item);
  void mCopyPresetClick(TMenuItem& item);
  void mPastePresetClick(TMenuItem& item);
  void ShiftUpClick(TMenuItem& item);
  void mShiftDownClick(TMenuItem& item);
  void mLoadBankClick(TMenuItem& item);
  void mSaveBankClick(TMenuItem& item);
  void mInitializeBankClick(TMenuItem& item);
  void mCopyPageClick(TMenuItem& item);
  void mPastePageClick(TMenuItem& item);
  void mColorDefaultClick(TMenuItem& item);
  void mSemitoneRange_FullClick(TMenuItem& item);
  void mFineVeloIncrements_OnClick(TMenuItem& item);
  void mZoomClick(TMenuItem& item);
  void mDonateClick(TMenuItem& item);
  void mWebsiteClick(TMenuItem& item);

 protected:
  void Paint(TCanvas& canvas) override;
  void HandleMessage(uint32_t message, intptr_t a, intptr_t b) override;
  void MouseGestureBegins(TControl& target, TMouseButton button) override;
  void MouseGestureEnds() override;

 private:
  // ---- Building (FormLayout.cpp, FormMenuTree.cpp).
  void CreatePanels();
  void CreateValueBoxes();
  void CreateCheckBoxes();
  void CreateStepBars();
  void CreateOtherControls();
  void BuildMainMenu();
  void BuildSkinsMenu();
  TControl* PanelOf(int panel) const;
  TOnControlChangeEvent ControlChangeHandler();
  void FormCreate();

  // ---- Scale (PlugEditorForm.cpp).
  double BaseScale() const;  // the host's scale, or the window's system scale
  // Draws at `scale`, asking the frame first when the size changes; false when it refused.
  bool Rescale(double scale);
  void CheckZoomItem();

  // ---- Binding (PlugEditorForm.cpp).
  void Bind(TPlugCore* engine);
  void BuildParamInfo();
  void BindControl(TVeskControl* control, int numPages, std::vector<std::string>& mismatches);

  // ---- Files (FormMenus.cpp): a dialog, then the engine reads or writes the file.
  void LoadPresetFile(bool bank);
  void SavePresetFile(bool bank);

  // ---- Events (FormEvents.cpp).
  void ChooseProgram(int index);
  void ChooseListValue(int value);
  void StepPage(int direction);
  void ShiftPatternBy(int direction);
  void RequestPatternRedraw();
  void ShowEngineStatus();
  void ShowPlayingStep();
  void ShowParam(int tag, std::string_view name, int value);

  // ---- Touch automation (FormEvents.cpp). The host hears when the user takes and lets go of
  // a control: each tag a gesture touches begins its edit once, before its first change, and
  // every one ends when the gesture does.
  struct TEditGesture {
    bool open = false;
    std::vector<int> tags;  // begun, in order
  };
  void Touch(TEditGesture& gesture, int tag);
  void EndGesture(TEditGesture& gesture);
  // An editor change for the host, inside the gesture that makes it (or a gesture of its own).
  void SetParamInGesture(TEditGesture& gesture, int tag, int value);
  TEditGesture mouseGesture;  // from a press until the last button is up
  TEditGesture listGesture;   // a value list, from its opening until it closes

  std::unique_ptr<TWindow> window;
  TEditorFrame* frame = nullptr;
  double hostScale = 0;  // 0: the system's
  int zoom = 100;
  TPlugCore* core = nullptr;  // set when the binding message arrives
  std::array<TVeskControl*, kNumParams> tagControls{};
  int playingStep = -1;  // as the engine last delivered it
};
