#include "host/vst2/VSTPlugin.h"

#include <cmath>
#include <cstring>
#include <string>

#include "editor/Globals.h"
#include "host/boundary/FactoryBank.h"
#include "host/vst2/HostAssert.h"
#include "host/vst2/HostConvert.h"
#include "platform/DebugOutput.h"

namespace {

bool IsParamIndex(VstInt32 index) { return index >= 0 && index < TPlugin::ParamCount(); }

// Length of a host text, reading no further than its zero or `limit` bytes.
size_t BoundedLength(const char* text, size_t limit) {
  size_t n = 0;
  while (n < limit && text[n] != 0) ++n;
  return n;
}

// The capability strings in the order they are compared, each with its bit of canDoFlags.
struct TCanDoEntry {
  const char* text;
  int bit;
};
constexpr TCanDoEntry kCanDoTable[] = {
    {"receiveVstEvents", 3}, {"receiveVstMidiEvent", 4}, {"receiveVstTimeInfo", 5},
    {"sendVstEvents", 0},    {"sendVstMidiEvent", 1},    {"sendVstTimeInfo", 2},
    {"offline", 6},          {"plugAsChannelInsert", 7}, {"plugAsSend", 8},
    {"mixDryWet", 9},        {"noRealTime", 10},         {"multipass", 11},
    {"metapass", 12},        {"1in1out", 13},            {"1in2out", 14},
    {"2in1out", 15},         {"2in2out", 16},            {"2in4out", 17},
    {"4in2out", 18},         {"4in4out", 19},            {"4in8out", 20},
    {"8in4out", 21},         {"8in8out", 22},            {"midiProgramNames", 23},
    {"conformsToWindowRules", 24}, {"bypass", 25},
};

bool WritePinProperties(const char* prefix, VstInt32 index, VstInt32 count, VstPinProperties* properties) {
  if (index < 0 || index >= count) return false;
  CopyHostText(properties->label, std::string(prefix) + std::to_string(index + 1));
  properties->flags = kVstPinIsActive;
  return true;
}

}  // namespace

TVSTPlugin::TVSTPlugin(audioMasterCallback audioMaster, TEditorFormClass formClass)
    : AudioEffectX(audioMaster, TPlugin::ProgramCount(), TPlugin::ParamCount()) {
  canDoFlags = 59;
  plugin = std::make_unique<TPlugin>(nullptr);  // the host hears nothing before the bank is in
  editorEngine = plugin->EditorEngine();
  engineRef = reinterpret_cast<VstIntPtr>(&editorEngine);
  plugCategory = kPlugCategSynth;
  effectFlagBits = 57;
  numIns = 0;
  numOuts = 1;
  outEvents.numEvents = 0;
  for (int i = 0; i < kOutEventRecords; ++i) {
    VstMidiEvent& record = outRecords[i];
    std::memset(&record, 0, sizeof record);
    record.type = kVstMidiType;
    record.byteSize = 24;
    outEvents.events[i] = reinterpret_cast<VstEvent*>(&record);
  }

  setEditor(std::make_unique<TVSTEditor>(this, formClass, static_cast<TEditIdleHandler*>(this)));
  const char* id = TPlugin::Identity().UniqueID;
  setUniqueID(FourCC(id[0], id[1], id[2], id[3]));

  auto bit = [this](int n) { return (effectFlagBits >> n) & 1; };
  hasVu(bit(1));
  isSynth(bit(0));
  hasClip(bit(2));
  canMono(bit(3));
  canProcessReplacing(bit(4));
  programsAreChunks(bit(5));
  hasExternalBuffer(bit(8));
  wantAsyncOperation(bit(7));
  noTail(bit(6));
  setNumInputs(numIns);
  setNumOutputs(numOuts);
  setInitialDelay(0);

  hostVersion = getMasterVersion();
  LoadFactoryBank();
  plugin->SetHost(this);
}

// Before the engine tells the host anything: the host, which has no record of the instance yet,
// hears nothing of it. A missing bank leaves the defaults, and so does a refused one, which is
// told to whoever debugs the plug-in.
void TVSTPlugin::LoadFactoryBank() {
  if (canHostDo(kNoFactoryBankCanDo) == 1) return;
  const std::string path = PluginFolder() + kFactoryBankFile;
  const std::string refused = LoadFactoryBankFile(*plugin, path);
  if (!refused.empty()) WriteDebugLine("Moltrin: the factory bank " + path + " was not loaded: " + refused);
}

TVSTPlugin::~TVSTPlugin() {
  // The form goes first: it shows the engine, which goes next with the event records.
  setEditor(nullptr);
}

// ---- Parameters.

void TVSTPlugin::setParameter(VstInt32 index, float value) {
  // Indexes outside the catalogue and values that are no numbers at all are the host's
  // mistakes; storing them would only corrupt a program. Infinity is above 1 like any other
  // value there (the maximum), minus infinity below 0 (ignored).
  if (!IsParamIndex(index) || std::isnan(value)) return;
  plugin->SetNormalized(index, value);
}

float TVSTPlugin::getParameter(VstInt32 index) {
  if (!IsParamIndex(index)) return 0.0f;
  const float v = plugin->GetNormalized(index);
  if (!(v >= 0.0f)) return 0.0f;  // NaN as well
  return v > 1.0f ? 1.0f : v;
}

void TVSTPlugin::getParameterLabel(VstInt32 /*index*/, char* /*label*/) {
  // No unit: the host's buffer stays as it was.
}

void TVSTPlugin::getParameterDisplay(VstInt32 index, char* text) {
  CopyHostText(text, IsParamIndex(index) ? plugin->ParamDisplay(index).View() : "");
}

void TVSTPlugin::getParameterName(VstInt32 index, char* text) {
  CopyHostText(text, IsParamIndex(index) ? plugin->ParamName(index).View() : "");
}

bool TVSTPlugin::canParameterBeAutomated(VstInt32 index) { return TPlugin::CanBeAutomated(index); }

bool TVSTPlugin::string2parameter(VstInt32 /*index*/, char* /*text*/) { return false; }

// ---- Programs and chunks.

VstInt32 TVSTPlugin::getProgram() {
  curProgram = plugin->CurrentProgram();
  return curProgram;
}

void TVSTPlugin::setProgram(VstInt32 program) {
  if (program < 0 || program >= TPlugin::ProgramCount()) return;
  curProgram = program;
  plugin->SelectProgram(program);
}

void TVSTPlugin::setProgramName(char* name) {
  plugin->SetProgramName(std::string_view(name, BoundedLength(name, ShortText::kCapacity)));
}

void TVSTPlugin::getProgramName(char* name) {
  const int current = plugin->CurrentProgram();
  // Before the first selection there is no current program and so no name.
  CopyHostText(name, current >= 0 && current < TPlugin::ProgramCount() ? plugin->ProgramName(current).View() : "");
}

bool TVSTPlugin::getProgramNameIndexed(VstInt32 /*category*/, VstInt32 index, char* text) {
  if (index < 0 || index >= TPlugin::ProgramCount()) {
    CopyHostText(text, "");
    return false;
  }
  CopyHostText(text, plugin->ProgramName(index).View());
  return true;
}

bool TVSTPlugin::copyProgram(VstInt32 /*destination*/) { return true; }

VstInt32 TVSTPlugin::getChunk(void** data, bool isPreset) {
  const void* chunk = nullptr;
  const VstInt32 size = plugin->GetChunk(isPreset, &chunk);
  *data = const_cast<void*>(chunk);
  return size;
}

VstInt32 TVSTPlugin::setChunk(void* data, VstInt32 byteSize, bool isPreset) {
  return plugin->SetChunk(data, byteSize, isPreset);
}

// ---- State and editor.

void TVSTPlugin::setSampleRate(float rate) {
  AudioEffectX::setSampleRate(rate);
  plugin->SetSampleRate(rate);
}

void TVSTPlugin::suspend() {
  if (hostVersion >= 2000 && hostVersion < 2400) wantEvents(0);
}

void TVSTPlugin::resume() {
  if (hostVersion >= 2000 && hostVersion < 2400) wantEvents(1);
}

VstInt32 TVSTPlugin::getEditorRect(ERect** rect) {
  if (!editor) return 0;
  ERect* r = nullptr;
  editor->getRect(&r);
  *rect = r;
  if (r == nullptr) return 0;
  // An open form's window must be the design size at the form's scale.
  const auto* host = dynamic_cast<const TVSTEditor*>(editor.get());
  TEditorForm* form = host != nullptr ? host->Form() : nullptr;
  if (form != nullptr && r->right > 0 && r->bottom > 0) {
    const double scale = form->Window().Scale();
    const TEditorSize expected = EditorSizeAt(scale);
    const std::string at = scale == 1 ? "" : " at " + std::to_string(std::lround(scale * 100)) + " %";
    if (r->right != expected.width)
      AssertionFailed("VSTPlugin", "TVSTPlugin.getEditorRect: pe.right(" + std::to_string(r->right) +
                                       ") <> gFormWidth(" + std::to_string(gFormWidth) + ")" + at);
    if (r->bottom != expected.height)
      AssertionFailed("VSTPlugin", "TVSTPlugin.getEditorRect: pe.bottom <> gFormHeight" + at);
  }
  if (r->right == 0 || r->bottom == 0) {
    // An editor host of no size: the host still gets the editor's size at 100 %.
    r->top = 0;
    r->left = 0;
    r->right = gFormWidth;
    r->bottom = gFormHeight;
    *rect = r;
  }
  return 1;
}

void TVSTPlugin::EditIdle(TEditorForm& form) {
  TellHostOfProgramChosenInBlock();
  TellHostOfStepRowEdits();
  if (!form.IsLoading() && form.HasEngine()) plugin->DeliverChanges();
}

VstInt32 TVSTPlugin::fxIdle() {
  TellHostOfProgramChosenInBlock();
  return 0;
}

// ---- A program chosen inside a block.

void TVSTPlugin::NoteProgramChosenInBlock() {
  const int program = plugin->CurrentProgram();
  if (program == programAfterBlock) return;
  // The first block makes a program current where none was: that is no choice to tell.
  if (programAfterBlock >= 0) programChosenInBlock.store(true, std::memory_order_release);
  programAfterBlock = program;
}

void TVSTPlugin::TellHostOfProgramChosenInBlock() {
  if (programChosenInBlock.exchange(false, std::memory_order_acq_rel)) updateDisplay();
}

void TVSTPlugin::TellHostOfStepRowEdits() {
  if (!stepRowsEdited || gesturesOpen > 0) return;
  stepRowsEdited = false;
  updateDisplay();
}

// ---- Identity and capabilities.

bool TVSTPlugin::getInputProperties(VstInt32 index, VstPinProperties* properties) {
  return WritePinProperties("Input #", index, numIns, properties);
}

bool TVSTPlugin::getOutputProperties(VstInt32 index, VstPinProperties* properties) {
  return WritePinProperties("Output #", index, numOuts, properties);
}

VstInt32 TVSTPlugin::getPlugCategory() { return plugCategory; }

bool TVSTPlugin::setBypass(bool /*on*/) { return false; }

bool TVSTPlugin::getEffectName(char* name) {
  CopyHostText(name, TPlugin::Identity().EffectName);
  return true;
}

bool TVSTPlugin::getVendorString(char* text) {
  CopyHostText(text, TPlugin::Identity().VendorString);
  return true;
}

bool TVSTPlugin::getProductString(char* text) {
  CopyHostText(text, TPlugin::Identity().ProductString);
  return true;
}

VstInt32 TVSTPlugin::getVendorVersion() { return TPlugin::Identity().VendorVersion; }

VstInt32 TVSTPlugin::canDo(const char* text) {
  for (const TCanDoEntry& entry : kCanDoTable) {
    if (std::strcmp(text, entry.text) == 0) return (canDoFlags >> entry.bit) & 1;
  }
  return -1;
}
