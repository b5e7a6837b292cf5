#pragma once
// A line of text: a parameter label, a status text or a page number (lit when Active), left,
// right or centre aligned, optionally underlined. Editor thread only.
#include <string>
#include <string_view>

#include "editor/VeskCustomControl.h"

class TTextHint;

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TLabelType { ltParam, ltStatus, ltABCD };

class TVeskLabel : public TVeskCustomControl {
 public:
  explicit TVeskLabel(TControl* parent) : TVeskCustomControl(parent) {}
  ~TVeskLabel() override;

  const std::string& Caption1() const { return caption1; }
  void SetCaption1(std::string_view text);  // repaints when it changes, unless loading
  TAlignment Alignment() const { return alignment; }
  void SetAlignment(TAlignment a);
  // Chooses the font: parameter labels LabelFont, status texts InfoFont, page numbers BoxFont
  // at 7 points. A label whose type was never set is an ltParam label drawn with InfoFont.
  TLabelType LabelType() const { return labelType; }
  void SetLabelType(TLabelType type);
  bool Active() const { return active; }
  void SetActive(bool on);
  bool Underline() const { return underline; }
  void SetUnderline(bool on);
  // The label's own visibility: off, it draws nothing but keeps its place (unlike SetVisible).
  bool TextVisible() const { return textVisible; }
  void SetTextVisible(bool on);

  TFontSpec Font() const;

  // With this on, a caption wider than the label is drawn cut, ending in "...", and shown
  // whole in a hint over the editor while the mouse is on the label.
  void SetWholeTextOnHover(bool on) { wholeTextOnHover = on; }
  const TTextHint* Hint() const { return hint; }

 protected:
  void Paint(TCanvas& canvas) override;
  void MouseEnter() override;
  void MouseLeave() override;

 private:
  void Changed();
  bool CaptionFits() const;
  void ShowHint();
  void HideHint();

  TAlignment alignment = TAlignment::taLeftJustify;
  TLabelType labelType = TLabelType::ltParam;
  bool typeChosen = false;  // until then the label draws with InfoFont
  std::string caption1;
  bool active = false;
  bool underline = false;
  bool textVisible = true;
  bool wholeTextOnHover = false;
  bool mouseOver = false;
  TTextHint* hint = nullptr;  // on the window's root while shown
};
