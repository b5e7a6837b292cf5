// The single-line edit field: typing, caret movement and selection with keys and the mouse,
// deleting, the length limit, scrolling, and what it hands to its owner.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/EditField.h"
#include "platform/HeadlessWindow.h"

namespace {

class EditFieldTest : public ::testing::Test {
 protected:
  EditFieldTest() : window(300, 100) {
    window.SetRoot(&root);
    field = new TEditField(&root);
    field->SetBounds(10, 10, 120, 16);
    field->SetColor(0x000000);
    field->SetTextColor(0xFFFFFF);
    field->SetFont({"Arial", 8, false});
    field->SetText("one two  three");
    field->OnEnter = [this] { seen.push_back("enter"); };
    field->OnEscape = [this] { seen.push_back("escape"); };
    field->OnExit = [this] { seen.push_back("exit"); };
    field->OnChange = [this] { seen.push_back("change " + field->Text()); };
    field->SetFocus();
  }
  ~EditFieldTest() override { window.SetRoot(nullptr); }

  void Key(TKey key, TShiftState shift = 0) { window.KeyDown(key, shift); }
  void Type(const std::string& text) {
    for (char c : text) window.KeyPress(c);
  }
  int XOf(int boundary) const {  // window x of a character boundary, text unscrolled
    return 10 + 1 + FontFaceFor(field->Font()).TextWidth(field->Text().substr(0, boundary));
  }

  THeadlessWindow window;
  TControl root;
  TEditField* field;
  std::vector<std::string> seen;
};

}  // namespace

TEST_F(EditFieldTest, ArrowsHomeAndEndMoveAndShiftSelects) {
  EXPECT_EQ(field->CaretPos(), 14);
  Key(TKey::Home);
  Key(TKey::Right);
  Key(TKey::Right, ssShift);
  Key(TKey::Right, ssShift);
  EXPECT_EQ(field->SelText(), "ne");
  Key(TKey::Left);  // collapses to the selection's start
  EXPECT_EQ(field->CaretPos(), 1);
  EXPECT_EQ(field->SelLength(), 0);
  Key(TKey::End, ssShift);
  EXPECT_EQ(field->SelText(), "ne two  three");
  Key(TKey::Right);
  EXPECT_EQ(field->CaretPos(), 14);
  Key(TKey::Right);
  EXPECT_EQ(field->CaretPos(), 14) << "stays at the end";
  Key(TKey::Home, ssShift);
  EXPECT_EQ(field->SelText(), "one two  three");
}

TEST_F(EditFieldTest, TypingDeletingAndTheLengthLimit) {
  field->SelectAll();
  Type("ab");
  Key(TKey::Left);
  Type("X");
  EXPECT_EQ(field->Text(), "aXb");
  Key(TKey::Backspace);
  Key(TKey::Delete);
  EXPECT_EQ(field->Text(), "a");
  Key(TKey::Delete);  // nothing after the caret
  Key(TKey::Home);
  Key(TKey::Backspace);  // nothing before it
  EXPECT_EQ(field->Text(), "a");
  window.KeyPress('\x07');  // control characters are not text
  field->SetMaxLength(4);
  Key(TKey::End);
  Type("bcdef");
  EXPECT_EQ(field->Text(), "abcd");
  field->SetText("too long for four");
  EXPECT_EQ(field->Text(), "too ");
  EXPECT_EQ(seen, (std::vector<std::string>{"change a", "change ab", "change aXb", "change ab", "change a",
                                            "change ab", "change abc", "change abcd"}));
}

TEST_F(EditFieldTest, EnterEscapeAndFocusLossGoToTheOwner) {
  EXPECT_TRUE(window.KeyDown(TKey::Enter, 0));
  EXPECT_TRUE(window.KeyDown(TKey::Escape, 0));
  EXPECT_FALSE(window.KeyDown(TKey::Tab, 0)) << "left to the window";
  window.KeyboardLost();
  EXPECT_EQ(seen, (std::vector<std::string>{"enter", "escape", "exit"}));
  EXPECT_FALSE(field->Focused());
}

TEST_F(EditFieldTest, TheMousePlacesTheCaretAndSelects) {
  window.MouseDown(TMouseButton::Left, 0, XOf(4) + 1, 15);
  window.MouseUp(TMouseButton::Left, 0, XOf(4) + 1, 15);
  EXPECT_EQ(field->CaretPos(), 4);
  window.MouseDown(TMouseButton::Left, 0, XOf(1), 15);
  window.MouseMove(ssLeft, XOf(3) - 1, 15);
  window.MouseUp(TMouseButton::Left, 0, XOf(3) - 1, 15);
  EXPECT_EQ(field->SelText(), "ne");
  window.MouseDown(TMouseButton::Left, ssShift, XOf(7), 15);  // Shift extends from the anchor
  window.MouseUp(TMouseButton::Left, ssShift, XOf(7), 15);
  EXPECT_EQ(field->SelText(), "ne two");
  // A double click: the word under the point, or the blanks between two words.
  window.MouseDown(TMouseButton::Left, ssDouble, XOf(11), 15);
  window.MouseUp(TMouseButton::Left, 0, XOf(11), 15);
  EXPECT_EQ(field->SelText(), "three");
  window.MouseDown(TMouseButton::Left, ssDouble, XOf(8) + 1, 15);
  window.MouseUp(TMouseButton::Left, 0, XOf(8) + 1, 15);
  EXPECT_EQ(field->SelText(), "  ");
}

TEST_F(EditFieldTest, DrawsTheSelectionInvertedAndTheCaret) {
  field->Select(0, 3);
  window.ProcessEvents();
  int inverted = 0;
  for (int x = XOf(0); x < XOf(3); ++x) inverted += window.Pixel(x, 11) == 0xFFFFFFu;
  EXPECT_EQ(inverted, XOf(3) - XOf(0)) << "the selection's top row is the text colour";
  EXPECT_EQ(window.Pixel(XOf(3) + 1, 11), 0x000000u);
  field->Select(5, 0);
  window.ProcessEvents();
  EXPECT_EQ(window.Pixel(XOf(5), 12), 0xFFFFFFu) << "the caret";
  window.KeyboardLost();
  window.ProcessEvents();
  EXPECT_EQ(window.Pixel(XOf(5), 12), 0x000000u) << "no caret without the focus";
}

TEST_F(EditFieldTest, ALongTextScrollsToKeepTheCaretInView) {
  field->SetText(std::string(60, 'w'));
  const TFontFace& face = FontFaceFor(field->Font());
  ASSERT_GT(face.TextWidth(field->Text()), 120);
  window.ProcessEvents();
  // The caret at the end is drawn inside the field.
  int caretColumns = 0;
  for (int x = 10; x < 130; ++x) caretColumns += window.Pixel(x, 12) == 0xFFFFFFu;
  EXPECT_GT(caretColumns, 0);
  Key(TKey::Home);
  window.MouseDown(TMouseButton::Left, 0, 12, 15);
  window.MouseUp(TMouseButton::Left, 0, 12, 15);
  EXPECT_EQ(field->CaretPos(), 0) << "scrolled back to the start";
  field->SetText("short");
  Key(TKey::End);
  window.MouseDown(TMouseButton::Left, 0, 11, 15);
  window.MouseUp(TMouseButton::Left, 0, 11, 15);
  EXPECT_EQ(field->CaretPos(), 0) << "a text that fits is never scrolled";
}
