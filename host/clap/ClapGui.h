#pragma once
// The editor inside the host's window through CLAP's gui extension: the form the VST 2.x editor
// host shows, embedded (x11 on Linux, win32 on Windows), never floating. Its idle tick runs on
// the host's timer (timer-support) about 30 times a second; on Windows, where a host may offer
// no timer, on a system timer of the host's own message loop. Everything here runs on the main
// thread.
//
// Size: fixed at each zoom (the user's zoom times the host's set_scale, or the system's scale
// when the host tells none); get_size answers the form's size, or before set_parent the size a
// form made now would have. A zoom chosen while open asks the host through request_resize (this
// is the form's TEditorFrame); a host that refuses keeps the editor at the size it has.
#include <clap/ext/gui.h>
#include <clap/id.h>

#include <memory>
#include <optional>

#include "editor/EditorForm.h"

class TClapPlugin;

class TClapGui final : private TEditorFrame {
 public:
  TClapGui(TClapPlugin& owner, TEditorFormClass formClass);
  ~TClapGui();
  TClapGui(const TClapGui&) = delete;
  TClapGui& operator=(const TClapGui&) = delete;

  bool IsApiSupported(const char* api, bool floating) const;
  bool PreferredApi(const char** api, bool* floating) const;
  bool Create(const char* api, bool floating);
  void Destroy();
  bool SetParent(const clap_window_t* window);
  bool SetScale(double scale);
  bool GetSize(uint32_t* width, uint32_t* height);
  bool AdjustSize(uint32_t* width, uint32_t* height);
  bool SetSize(uint32_t width, uint32_t height);
  bool Show();
  bool Hide();
  void OnTimer(clap_id id);

  TEditorForm* Form() const { return form.get(); }

 private:
  void StartTimer();
  void StopTimer();
  void Idle();
  // host_gui->request_resize; while the host handles it, get_size answers the size asked for.
  bool RequestEditorSize(TEditorSize size) override;
  TEditorSize SizeNow();

  TClapPlugin& owner;
  TEditorFormClass formClass;
  bool created = false;
  bool hidden = false;  // hidden by the host (gui.hide) and not shown since
  std::unique_ptr<TEditorForm> form;
  clap_id timerId = CLAP_INVALID_ID;
  uintptr_t systemTimer = 0;  // Windows, without the host's timer
  double hostScale = 0;       // set_scale's; 0: the system's
  std::optional<TEditorSize> requested;  // during a size request
  // What the host was told before set_parent, and the system's scale it came from.
  std::optional<TEditorSize> toldUnparented;
  double toldSystemScale = 1;
};
