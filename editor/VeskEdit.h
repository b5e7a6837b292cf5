#pragma once
// The program-name field: shows the name centred and underlined (cut with "..." when it is too
// wide), and on a press opens an edit field over itself with the whole name selected. Enter or
// the field losing the focus commits the edit (OnEditExit); Escape gives the name back
// unchanged. Editor thread only.
#include <string>
#include <string_view>

#include "editor/VeskCustomControl.h"
#include "platform/EditField.h"

class TVeskEdit : public TVeskCustomControl {
 public:
  explicit TVeskEdit(TControl* parent);

  const std::string& Text() const { return text; }
  // Stores the text, also into a running edit, and repaints.
  void SetText(std::string_view value);
  TNotifyEvent OnEditExit;  // an edit was committed; Text holds the edited name

  bool Editing() const { return field->Visible(); }
  void StartEdit();
  // Ends a running edit: the field closes, Text takes its text, OnEditExit is raised.
  void CommitEdit();
  // Ends a running edit leaving Text as it was.
  void CancelEdit();
  // After a skin change: the field takes the skin's colours.
  void ReapplySkin();

  TEditField* Field() const { return field; }
  TFontSpec Font() const;
  // The text as shown when it is not edited: whole, or cut to fit and followed by "...".
  std::string ShownText(const TCanvas& measure) const;
  bool Fits(const TCanvas& measure) const;

 protected:
  void Paint(TCanvas& canvas) override;
  void BoundsChanged() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void FocusGained() override { StartEdit(); }

 private:
  void CloseField();

  TEditField* field;
  std::string text;
};
