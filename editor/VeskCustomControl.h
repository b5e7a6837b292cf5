#pragma once
// The common base of Moltrin's custom-drawn controls: the toolkit's control with a caption and
// the colour it shows behind its children, plus the event types the controls raise.
// Editor thread only.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Control.h"

// A control tells that something happened to it.
using TNotifyEvent = std::function<void(TControl* sender)>;
// A user change of a parameter-bound control: its tag, name and new value.
using TOnControlChangeEvent = std::function<void(int paramTag, const std::string& paramNam, int value)>;
// A value box asks for its value list to pop up at screen point (x, y).
using TOnControlMenuPopupEvent =
    std::function<void(int paramTag, const std::string& paramNam, int x, int y, const std::vector<std::string>& list)>;
// A step bar's caption or LED was pressed.
using TOnBarSelectEvent = std::function<void(int barNum)>;
// A check box was set.
using TOnCheckEvent = std::function<void(bool checked)>;
// A mouse button went down on a part of a composite control.
using TMouseDownEvent = std::function<void(TMouseButton button)>;

class TVeskCustomControl : public TControl {
 public:
  explicit TVeskCustomControl(TControl* parent) : TControl(parent) {}

  const std::string& Caption() const { return caption; }
  // Repaints unless loading.
  void SetCaption(std::string_view text);

  // The colour painted behind this control's children: its own colour unless it paints one
  // taken from the skin (an LED blends its rim into it).
  virtual TColor PaintColor() const { return Color(); }

  // Whether the mouse is over the control, for controls that light up under it.
  bool Hovered() const { return hover; }

 protected:
  virtual void CaptionChanged() {}
  // Makes entering and leaving set and clear Hovered, repainting.
  void TrackHover() { tracksHover = true; }
  void SetHovered(bool on, bool repaint = true);
  void MouseEnter() override;
  void MouseLeave() override;

 private:
  std::string caption;
  bool hover = false;
  bool tracksHover = false;
};

// The colour a control shows behind its children: the painted colour of Moltrin's controls,
// the plain colour of any other; black for none.
TColor BackgroundColorOf(const TControl* control);
