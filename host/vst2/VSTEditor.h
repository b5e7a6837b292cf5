#pragma once
// The editor host: AEffEditor with the default editor behaviour, and TVSTEditor, which creates
// the editor form inside the host's window, reports its size, destroys it on close and passes
// idle ticks on. Every operation runs on the host's user-interface thread.
//
// Size: effEditGetRect answers the form's size in device pixels, or while closed the size an
// editor opened now would have (the zoom in moltrin.ini times the screen's scale). A form that
// wants another size (a zoom chosen, a screen of another density) asks the host through
// audioMasterSizeWindow (the editor host is the form's TEditorFrame); a host that answers 0
// keeps the editor at the size it has.
#include <memory>
#include <optional>

#include "editor/EditorForm.h"
#include "host/vst2/VstAbi.h"

class AudioEffect;

class AEffEditor {
 public:
  explicit AEffEditor(AudioEffect* effect) : effect(effect) {}
  virtual ~AEffEditor() = default;
  AEffEditor(const AEffEditor&) = delete;
  AEffEditor& operator=(const AEffEditor&) = delete;

  virtual VstInt32 getRect(ERect** rect) {
    *rect = nullptr;
    return 0;
  }
  virtual VstInt32 open(void* window) {
    systemWindow = window;
    return 0;
  }
  virtual void close() {}
  virtual void idle() {
    if (updateFlag != 0) {
      updateFlag = 0;
      update();
    }
  }
  virtual void update() {}
  virtual void postUpdate() { updateFlag = 1; }
  virtual VstInt32 onKeyDown(VstKeyCode& /*key*/) { return -1; }
  virtual VstInt32 onKeyUp(VstKeyCode& /*key*/) { return -1; }
  virtual VstInt32 setKnobMode(VstInt32 /*mode*/) { return 0; }
  virtual bool onWheel(float /*distance*/) { return false; }

 protected:
  AudioEffect* effect;
  void* systemWindow = nullptr;
  VstInt32 updateFlag = 0;
};

// The plug-in object's part of every idle tick, called with the live form.
class TEditIdleHandler {
 public:
  virtual void EditIdle(TEditorForm& form) = 0;

 protected:
  ~TEditIdleHandler() = default;
};

class TVSTEditor : public AEffEditor, private TEditorFrame {
 public:
  // `idleHandler` belongs to the plug-in object and outlives the editor host.
  TVSTEditor(AudioEffect* effect, TEditorFormClass formClass, TEditIdleHandler* idleHandler);
  ~TVSTEditor() override;

  VstInt32 getRect(ERect** rect) override;
  VstInt32 open(void* window) override;
  void close() override;
  void idle() override;
  void update() override {}

  int OpenCount() const { return openCount; }
  TEditorForm* Form() const { return form.get(); }

 private:
  // audioMasterSizeWindow; while the host handles it, effEditGetRect answers the size asked for.
  bool RequestEditorSize(TEditorSize size) override;
  TEditorSize SizeNow();

  ERect rect{};                      // the host receives a pointer to it
  VstInt32 openCount = 0;            // opens without a matching close
  TEditorFormClass formClass;
  TEditIdleHandler* idleHandler;
  void* parentWindow = nullptr;
  std::unique_ptr<TEditorForm> form;
  std::optional<TEditorSize> requested;  // during a size request
  // What the host was told while the editor was closed, and the screen's scale it came from.
  std::optional<TEditorSize> toldClosed;
  double toldScreenScale = 1;
};
