#pragma once
// A user's mouse on the editor in a host's window, for the tests of every format: where the
// controls are, and the press, moves and release a click or a drag is made of, with the host's
// idle run between each step (the editor sees window events only when its host idles it).
namespace testsupport {

// A point of the editor in the design's units (809 x 536, its place at 100 %); `spot * k` is
// its place at a zoom of k. The editor sits at the top-left of the host's window.
struct TSpot {
  int x, y;
  TSpot operator*(int k) const { return {x * k, y * k}; }
};
constexpr TSpot kArpEnabled{200, 15};       // the "arp enabled" check box in the top panel
constexpr TSpot kGateBox{48, 260};          // the box of "gate time" in the left panel
constexpr TSpot kPageRight{239, 211};       // the page ">>" button
constexpr TSpot kVelocityStep4{407, 71};    // the fourth box of the velocity row
constexpr TSpot kOctaveCaption{257, 387};   // the caption of the octave row
constexpr TSpot kProgramName{718, 35};      // the program-name field
constexpr TSpot kPanelGap{183, 200};        // between two panels: the form's own colour
// The main menu: its button and the items its tests choose.
constexpr TSpot kMenuButton{223, 114};
constexpr TSpot kMenuProgram{215, 135};
constexpr TSpot kMenuLoadProgram{400, 135};
constexpr TSpot kMenuInitialize{410, 182};
constexpr TSpot kUnderMenu{250, 130};       // a bare spot of the panel that the open menu covers
constexpr TSpot kMenuZoom200{538, 484};     // "Zoom" with the editor at 200 %
constexpr TSpot kZoomItem100At200{764, 484};  // its item "100 %"

// A click at (x, y) of `parent` (a TNativeParent); `idle()` runs the host's idle.
template <class Parent, class Idle>
void ClickAt(Parent& parent, int x, int y, Idle idle, bool right = false) {
  parent.MouseMoveTo(x, y);
  idle();
  parent.MouseButton(true, right);
  idle();
  parent.MouseButton(false, right);
  idle();
}

// A press at (x, y), a move `dy` pixels down (negative: up) in four steps, a release.
template <class Parent, class Idle>
void DragAt(Parent& parent, int x, int y, int dy, Idle idle) {
  parent.MouseMoveTo(x, y);
  idle();
  parent.MouseButton(true);
  idle();
  for (int i = 1; i <= 4; ++i) {
    parent.MouseMoveTo(x, y + dy * i / 4);
    idle();
  }
  parent.MouseButton(false);
  idle();
}

}  // namespace testsupport
