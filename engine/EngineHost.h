#pragma once
// What a plug-in format does for the engine: the one way the engine calls out. Each format's
// adapter implements it (VST 2.x: host/vst2/VSTPlugin); engine tests use a stand-in. Time and
// MIDI do not pass here: a block brings the host's time and its incoming messages, and answers
// the messages it sends, the chains' bank, program and volume messages and the editor's sends
// among them (TPlugin::Process).
//
// An editor change and its echo, the one path of a parameter change from the editor:
//
//   editor control ──> form ──> TPlugCore::SetParamFromEditor(tag, value)
//                                 │  stores the value, marks this thread as echoing
//                                 └─> TEngineHost::AutomateParam(tag, normalised)
//                                       │  VST 2.x: setParameterAutomated
//                                       ├─> setParameter ──> TPlugin::SetParamNormalized
//                                       │     └─> TPlugCore::SetParamNormalized: the echo; the
//                                       │         value is not stored again, only the reactions
//                                       │         of a host write run (latch, chains...)
//                                       └─> audioMasterAutomate: the host records the change
//
// A host's own write (automation playing, a generic view) takes the middle path alone, stores
// the value and marks it for the editor, which shows it at its next idle tick.
class TEngineHost {
 public:
  // An editor change of `tag` to `value` (0..1), for the host to record (the editor's thread).
  // Step tags (256 and up) are not automatable: the format decides what the host hears of them.
  virtual void AutomateParam(int tag, float value) = 0;
  // The user takes the control of `tag` and lets it go again (editor thread): touch automation.
  virtual void BeginParamEdit(int tag) = 0;
  virtual void EndParamEdit(int tag) = 0;
  // Program names or the program in force changed: the host shows them anew (the thread of the
  // change, once the engine lock is let go).
  virtual void ProgramListChanged() = 0;

 protected:
  ~TEngineHost() = default;
};
