#pragma once
// The editor inside the host's window through CLAP's gui extension: the form the VST 2.x editor
// host shows, embedded (x11 on Linux, win32 on Windows), fixed in size, never floating. Its idle
// tick runs on the host's timer (timer-support) about 30 times a second; on Windows, where a host
// may offer no timer, on a system timer of the host's own message loop. Everything here runs on
// the main thread.
#include <clap/ext/gui.h>
#include <clap/id.h>

#include <memory>

#include "editor/EditorForm.h"

class TClapPlugin;

class TClapGui {
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
  bool GetSize(uint32_t* width, uint32_t* height) const;
  bool Show();
  bool Hide();
  void OnTimer(clap_id id);

  TEditorForm* Form() const { return form.get(); }

 private:
  void StartTimer();
  void StopTimer();
  void Idle();

  TClapPlugin& owner;
  TEditorFormClass formClass;
  bool created = false;
  std::unique_ptr<TEditorForm> form;
  clap_id timerId = CLAP_INVALID_ID;
  uintptr_t systemTimer = 0;  // Windows, without the host's timer
};
