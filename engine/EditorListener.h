#pragma once
// How the engine reaches the editor: the one interface the form implements. The form
// installs itself when it binds to the engine and removes itself before it goes, so no call
// can reach a form that no longer exists. Called only from DeliverChanges, on the editor
// thread, without the engine lock.
struct TStatusRecord;

class TEditorListener {
 public:
  // A changed tag and its live value, in ascending tag order.
  virtual void OnParamDisplay(int tag, int value) = 0;
  // The same for tags below 256, right after their display: the form's reactions.
  virtual void OnParamReact(int tag, int value) = 0;
  // The step now playing, as shown (or -1).
  virtual void OnStepChanged(int displayStep) = 0;
  virtual void OnStatusText(const TStatusRecord& status) = 0;
  // After a delivery of changed tags: the pattern screen repaints.
  virtual void OnPatternRedraw() = 0;

 protected:
  ~TEditorListener() = default;
};
