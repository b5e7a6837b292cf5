// The program-name field: the name shown whole or cut with "...", and editing it with the
// keyboard: Enter and losing the focus commit, Escape gives the old name back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/VeskEdit.h"
#include "editor/VeskLabel.h"
#include "tests/editor/EditorTestSupport.h"

namespace {

class VeskEditTest : public EditorTest {
 protected:
  VeskEditTest() : edit(new TVeskEdit(&root)) {
    edit->SetBounds(37, 26, 162, 19);
    edit->SetText("Up Classic");
    edit->OnEditExit = [this](TControl*) { exits.push_back(edit->Text()); };
  }
  void Type(const std::string& text) {
    for (char c : text) window.KeyPress(c);
  }
  TCanvas Measure() const {
    TCanvas c(1, 1);
    c.SetFont(edit->Font());
    return c;
  }
  TVeskEdit* edit;
  std::vector<std::string> exits;
};

}  // namespace

TEST_F(VeskEditTest, ANameTooWideIsCutAndFollowedByDots) {
  const TCanvas m = Measure();
  EXPECT_EQ(edit->ShownText(m), "Up Classic");
  const std::string longName = "A Very Long Program Name That Does Not Fit 123";
  edit->SetText(longName);
  const std::string shown = edit->ShownText(m);
  ASSERT_GT(shown.size(), 3u);
  EXPECT_EQ(shown.substr(shown.size() - 3), "...");
  const std::string kept = shown.substr(0, shown.size() - 3);
  EXPECT_EQ(longName.substr(0, kept.size()), kept);
  EXPECT_LE(m.TextWidth(kept), 162 - 10);
  EXPECT_GT(m.TextWidth(longName.substr(0, kept.size() + 1)), 162 - 10) << "no more dropped than needed";
  EXPECT_EQ(edit->Text(), longName) << "the name itself stays whole";
  // Cut names start at x 1; the underline runs under the text's cell.
  const int y = m.TextHeight("") + 2;
  EXPECT_EQ(CountColor(edit, {0, y, 162, y + 1}, GuiSettings.box_LabelFontColorInActive), 162);
  EXPECT_GT(CountOther(edit, {1, 0, 4, y}, kBackdrop), 0);
  // Editing shows the whole name.
  Click(edit, 50, 10);
  EXPECT_TRUE(edit->Editing());
  EXPECT_EQ(edit->Field()->Text(), longName);
}

TEST_F(VeskEditTest, APressOpensTheFieldWithTheNameSelectedAndEnterCommits) {
  Click(edit, 50, 10);
  ASSERT_TRUE(edit->Editing());
  TEditField* field = edit->Field();
  EXPECT_EQ(field->BoundsRect(), (TRect{0, 3, 162, 19}));
  EXPECT_TRUE(field->Focused());
  EXPECT_EQ(field->SelText(), "Up Classic");
  EXPECT_EQ(PixelOf(field, 0, 0), GuiSettings.bar_FillColor);
  Type("Bass Line");
  EXPECT_EQ(field->Text(), "Bass Line");
  EXPECT_EQ(edit->Text(), "Up Classic") << "nothing is taken before the commit";
  EXPECT_TRUE(exits.empty());
  EXPECT_TRUE(window.KeyDown(TKey::Enter, 0));
  EXPECT_FALSE(edit->Editing());
  EXPECT_EQ(edit->Text(), "Bass Line");
  EXPECT_EQ(exits, std::vector<std::string>{"Bass Line"});
  EXPECT_FALSE(field->Focused());
}

TEST_F(VeskEditTest, EscapeGivesTheOldNameBack) {
  Click(edit, 50, 10);
  Type("Oops");
  window.KeyDown(TKey::Escape, 0);
  EXPECT_FALSE(edit->Editing());
  EXPECT_EQ(edit->Text(), "Up Classic");
  EXPECT_TRUE(exits.empty());
  Click(edit, 50, 10);
  EXPECT_EQ(edit->Field()->Text(), "Up Classic");
}

TEST_F(VeskEditTest, LosingTheFocusCommits) {
  auto* other = new TVeskEdit(&root);
  other->SetBounds(37, 60, 162, 19);
  Click(edit, 50, 10);
  window.KeyDown(TKey::End, 0);
  Type(" 2");
  Click(other, 50, 10);  // another field takes the keyboard
  EXPECT_EQ(exits, std::vector<std::string>{"Up Classic 2"});
  EXPECT_TRUE(other->Editing());
  window.KeyboardLost();  // the host took the keyboard
  EXPECT_FALSE(other->Editing());
  EXPECT_EQ(exits.size(), 1u) << "the other field has no listener";
}

TEST_F(VeskEditTest, DoubleClickSelectsAWordAndTypingReplacesIt) {
  Click(edit, 50, 10);
  TEditField* field = edit->Field();
  // A double click on "Classic": the second press carries the double-click flag.
  const int x = 80;
  Press(field, x, 5);
  Release(field, x, 5);
  Press(field, x, 5, TMouseButton::Left, ssDouble);
  Release(field, x, 5);
  ASSERT_EQ(field->SelText(), "Classic") << "at x " << x;
  Type("Trance");
  window.KeyDown(TKey::Enter, 0);
  EXPECT_EQ(edit->Text(), "Up Trance");
}

TEST_F(VeskEditTest, SetTextReachesARunningEditAndThePicture) {
  const std::vector<TColor> before = Snapshot(edit);
  edit->SetText("Chord Scale Walk");
  EXPECT_NE(Snapshot(edit), before);
  Click(edit, 50, 10);
  edit->SetText("From the engine");
  EXPECT_EQ(edit->Field()->Text(), "From the engine");
  // While editing the control draws nothing of its own above the field.
  EXPECT_EQ(CountOther(edit, {0, 0, 162, 3}, kBackdrop), 0);
}
