#pragma once
// The host's side of an editor window: a top-level window of the test's own, the way a host
// makes one for a plug-in editor, with what a test needs to look at it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class TNativeParent {
 public:
  explicit TNativeParent(int width = 900, int height = 600);  // a visible window of that size
  void Resize(int width, int height);  // as a host gives the editor's window more room
  ~TNativeParent();
  TNativeParent(const TNativeParent&) = delete;
  TNativeParent& operator=(const TNativeParent&) = delete;

  bool Valid() const;
  void* Handle() const;  // what effEditOpen gets: an X window id or an HWND
  // What a host's message loop does between its idle calls.
  void Pump();
  // Windows inside the parent (the editor's).
  int ChildCount() const;
  // The colour shown at (x, y) of the parent's client area, as 0x00BBGGRR.
  uint32_t PixelAt(int x, int y) const;
  // Destroys the parent while the editor may still live in it.
  void DestroyNow();
  // Errors the X server reported to the host's own connection (0 on Windows).
  int HostErrors() const;

  // ---- The user's mouse and keyboard, as the system delivers them (XTest on Linux, SendInput
  // on Windows), at points of the parent's client area.
  void MouseMoveTo(int x, int y);
  void MouseButton(bool down, bool right = false);
  void TypeText(const std::string& text);  // letters, digits and blanks
  void PressEnter();
  // What the parent's client area shows (the editor inside it included), 0x00BBGGRR row by row.
  std::vector<uint32_t> Capture(int width, int height) const;

 private:
  struct TImpl;
  TImpl* impl;
};

// What the process holds of the system: open file descriptors and X clients on Linux, live
// memory on both (bytes).
size_t OpenHandles();
size_t WindowSystemClients();
size_t HeapInUse();
