// Control behaviour as the dialogs see it, on every toolkit of the build:
// the same cases on the in-memory toolkit and, in the Windows build, through
// the real windows of the Win32 toolkit.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "ToolkitBackends.h"
#include "UiApplication.h"
#include "SpinFields.h"
#include "UiControls.h"

namespace qv::ui {
namespace {

using Fixture = testing::ToolkitTest;

// --- check boxes ---------------------------------------------------------------

using CheckBoxTest = Fixture;
QV_TOOLKIT_SUITE(CheckBoxTest);

TEST_P(CheckBoxTest, ClickHandlerRunsOnEveryChangeAndOnlyThen) {
  auto* chk = form.Make<CheckBox>(form, "chkShot3");
  Showing([&] {
    std::vector<bool> seen;
    chk->OnClick = [&](CheckBox& c) { seen.push_back(c.Checked()); };

    chk->SetChecked(false);  // already unchecked
    EXPECT_TRUE(seen.empty());
    chk->SetChecked(true);
    chk->SetChecked(true);  // no change
    chk->Click();           // the user's click toggles
    chk->Click();
    EXPECT_EQ(seen, (std::vector<bool>{true, false, true}));
    EXPECT_TRUE(chk->Checked());
  });
}

TEST_P(CheckBoxTest, DisabledBoxIgnoresTheUserButNotTheProgram) {
  auto* chk = form.Make<CheckBox>(form, "chkCanSupErr");
  Showing([&] {
    int clicks = 0;
    chk->OnClick = [&](CheckBox&) { ++clicks; };
    chk->SetEnabled(false);
    chk->Click();
    EXPECT_FALSE(chk->Checked());
    chk->SetChecked(true);
    EXPECT_TRUE(chk->Checked());
    EXPECT_EQ(clicks, 1);
  });
}

// --- spin edits --------------------------------------------------------------------

using SpinEditTest = Fixture;
QV_TOOLKIT_SUITE(SpinEditTest);

TEST_P(SpinEditTest, StartsAtZeroWithDefaultRange) {
  auto* s = testing::MakeSpin(form, form, "edtShot7a");
  Showing([&] {
    EXPECT_EQ(s->Text(), "0");
    EXPECT_EQ(s->Value(), 0);
    EXPECT_EQ(s->Min(), 0);
    EXPECT_EQ(s->Max(), 100);
  });
}

TEST_P(SpinEditTest, TypingAcceptsDigitsAndSignsOnly) {
  auto* s = testing::MakeSpin(form, form, "edtShot7a");
  Showing([&] {
    s->SetText("");
    s->TypeText("-1a2 ,+x3\x80");
    EXPECT_EQ(s->Text(), "-12+3");
    s->TypeChar(8);  // Backspace
    EXPECT_EQ(s->Text(), "-12+");
  });
}

TEST_P(SpinEditTest, TextIsClampedOnlyWhenTheFocusLeaves) {
  auto* s = testing::MakeSpin(form, form, "edtShot7a");
  auto* other = testing::MakeSpin(form, form, "edtShot7b");
  Showing([&] {
    s->SetFocus();
    s->SetText("");
    s->TypeText("150");
    EXPECT_EQ(s->Text(), "150");  // as typed while focused
    form.PressEnter();           // no default button: Enter confirms only
    EXPECT_EQ(s->Text(), "150");
    other->SetFocus();
    EXPECT_EQ(s->Text(), "100");
    EXPECT_EQ(s->Value(), 100);

    EXPECT_EQ(testing::Entered(s, "-5"), "0");
    EXPECT_EQ(testing::Entered(s, "007"), "7");
  });
}

TEST_P(SpinEditTest, TextThatIsNoIntegerFallsBackToTheLastGoodValue) {
  auto* s = testing::MakeSpin(form, form, "edtShot7a");
  Showing([&] {
    s->SetText("42");
    for (const char* bad : {"", "-", "+", "4-2", "abc"}) {
      s->SetFocus();
      s->SetText(bad);
      EXPECT_EQ(s->Value(), 42) << bad;
      s->KillFocus();
      EXPECT_EQ(s->Text(), "42") << bad;
    }
  });
}

TEST_P(SpinEditTest, TextsOfTheFilterStringKeepTheirValueWhenTheFocusLeaves) {
  auto* s = testing::MakeSpin(form, form, "edtShot7a");
  Showing([&] {
    // Whatever the filter string's number reader takes keeps the value that
    // preparation reads from it, clamped into the range; anything else shows
    // the last good value.
    struct Case {
      const char* text;
      const char* shown;
    };
    const Case cases[] = {
        {"$10", "16"},  {"x1F", "31"},   {"X1f", "31"},    {"0x10", "16"},   {"0X10", "16"},
        {"  12", "12"}, {"12  ", "12"},  {" +5 ", "5"},    {"-5", "0"},      {"-$10", "0"},
        {"$64", "100"}, {"$65", "100"},  {"$FFFFFFFF", "0"}, {"$7FFFFFFF", "100"},
        {"99999999999", "100"},         {"$", "42"},      {"0x", "42"},     {"$1G", "42"},
        {"1 2", "42"},  {"\t3", "42"},   {"$1FFFFFFFF", "42"},
    };
    for (const Case& c : cases) {
      s->SetValue(42);
      EXPECT_EQ(testing::Entered(s, c.text), c.shown) << c.text;
    }
  });
}

TEST_P(SpinEditTest, SetTextShowsTextUnchanged) {
  auto* s = testing::MakeSpin(form, form, "edtShot7a");
  Showing([&] {
    s->SetText("250");
    EXPECT_EQ(s->Text(), "250");
    s->SetText("x");
    EXPECT_EQ(s->Text(), "x");
  });
}

TEST_P(SpinEditTest, HugeNumbersSaturateIntoTheRange) {
  auto* s = testing::MakeSpin(form, form, "edtCanSupErr1");
  Showing([&] {
    s->SetMax(100000);
    EXPECT_EQ(testing::Entered(s, "99999999999999999999999"), "100000");
    EXPECT_EQ(testing::Entered(s, "-99999999999999999999999"), "0");
  });
}

TEST_P(SpinEditTest, StepsOfOneAndTenClampedAtTheEnds) {
  auto* s = testing::MakeSpin(form, form, "edtShot7a");
  Showing([&] {
    s->KeyDown(Key::Up);
    EXPECT_EQ(s->Text(), "1");
    s->ClickUp(2);
    EXPECT_EQ(s->Text(), "3");
    s->KeyDown(Key::PageUp);
    EXPECT_EQ(s->Text(), "13");
    s->Wheel(2, false);
    EXPECT_EQ(s->Text(), "15");
    s->Wheel(1, true);
    EXPECT_EQ(s->Text(), "25");
    s->Wheel(-1, true);
    s->KeyDown(Key::Down);
    s->ClickDown();
    EXPECT_EQ(s->Text(), "13");
    s->KeyDown(Key::PageDown);
    s->KeyDown(Key::PageDown);
    EXPECT_EQ(s->Text(), "0");
    s->SetText("95");
    s->KeyDown(Key::PageUp);
    EXPECT_EQ(s->Text(), "100");
    s->KeyDown(Key::Up);
    EXPECT_EQ(s->Text(), "100");
  });
}

TEST_P(SpinEditTest, StepStartsFromTheTypedTextClampedFirst) {
  auto* s = testing::MakeSpin(form, form, "edtCanErr1");
  Showing([&] {
    s->SetMax(10000);
    s->SetText("5000");
    s->KeyDown(Key::PageUp);
    EXPECT_EQ(s->Text(), "5010");
    s->SetText("20000");  // above the range: the step starts from the maximum
    s->KeyDown(Key::Down);
    EXPECT_EQ(s->Text(), "9999");
    s->SetText("");
    s->KeyDown(Key::Up);  // no integer: from the last good value
    EXPECT_EQ(s->Text(), "10000");
  });
}

TEST_P(SpinEditTest, DisabledFieldIgnoresTheUser) {
  auto* s = testing::MakeSpin(form, form, "edtShot7a");
  Showing([&] {
    s->SetEnabled(false);
    s->KeyDown(Key::Up);
    s->Wheel(1, true);
    s->TypeChar('5');
    EXPECT_EQ(s->Text(), "0");
    s->SetText("12");  // the program still may
    EXPECT_EQ(s->Text(), "12");
  });
}

// --- edits and the key hook -------------------------------------------------------

using EditTest = Fixture;
QV_TOOLKIT_SUITE(EditTest);

TEST_P(EditTest, KeyHookMayPassDropOrReplace) {
  auto* e = form.Make<Edit>(form, "edtInput");
  Showing([&] {
    std::vector<int> seen;
    e->OnKeyPress = [&](Edit&, char& key) {
      seen.push_back(static_cast<unsigned char>(key));
      if (key == 'x') key = 0;
      if (key == ';') key = ',';
    };
    e->TypeText("1x;2");
    EXPECT_EQ(e->Text(), "1,2");
    EXPECT_EQ(seen, (std::vector<int>{'1', 'x', ';', '2'}));
    e->TypeChar(8);
    EXPECT_EQ(seen.back(), 8);  // Backspace reaches the hook as 8
    EXPECT_EQ(e->Text(), "1,");
  });
}

TEST_P(EditTest, InsertionAndBackspaceWorkAtTheCaret) {
  auto* e = form.Make<Edit>(form, "edtInput");
  Showing([&] {
    e->SetText("12345");
    e->SetSel(2);
    e->TypeChar('9');
    EXPECT_EQ(e->Text(), "129345");
    EXPECT_EQ(e->SelStart(), 3);
    e->TypeChar(8);
    e->TypeChar(8);
    EXPECT_EQ(e->Text(), "1345");
    e->SetSel(0);
    e->TypeChar(8);  // nothing before the caret
    EXPECT_EQ(e->Text(), "1345");
    e->SetSel(1, 2);  // a selection is replaced
    e->TypeChar('7');
    EXPECT_EQ(e->Text(), "175");
    e->KeyDown(Key::Home);
    e->KeyDown(Key::Delete);
    EXPECT_EQ(e->Text(), "75");
    e->TypeChar('\t');  // other control characters insert nothing
    EXPECT_EQ(e->Text(), "75");
  });
}

TEST_P(EditTest, HookThatRewritesTheTextItself) {
  Showing([&] {
    // The bet entry box's Backspace: always drop the last character.
    auto* e = form.Make<Edit>(form, "edtInput");
    e->OnKeyPress = [](Edit& box, char& key) {
      if (key == 8) {
        if (!box.Text().empty()) box.SetText(box.Text().substr(0, box.Text().size() - 1));
        key = 0;
      }
    };
    e->SetText("12345");
    e->SetSel(2);
    e->TypeChar(8);
    EXPECT_EQ(e->Text(), "1234");
    e->SetText("");
    e->TypeChar(8);
    EXPECT_EQ(e->Text(), "");
  });
}

TEST_P(EditTest, PasteBypassesTheHookAndKeepsBytes) {
  auto* e = form.Make<Edit>(form, "edtInput");
  Showing([&] {
    e->OnKeyPress = [](Edit&, char& key) { key = 0; };
    e->TypeText("abc");
    EXPECT_EQ(e->Text(), "");
    e->Paste("ab\xC3\xBD");
    EXPECT_EQ(e->Text(), "ab\xC3\xBD");
  });
}

TEST_P(EditTest, ChangeHandlerSeesEveryChange) {
  auto* e = form.Make<Edit>(form, "edtInput");
  Showing([&] {
    int changes = 0;
    e->OnChange = [&](Edit&) { ++changes; };
    e->SetText("1");
    e->SetText("1");  // same text
    e->TypeChar('2');
    EXPECT_EQ(changes, 2);
  });
}

// --- list boxes -------------------------------------------------------------------------

using ListBoxTest = Fixture;
QV_TOOLKIT_SUITE(ListBoxTest);

TEST_P(ListBoxTest, KeepsInsertionOrderAndBytes) {
  auto* lb = form.Make<ListBox>(form, "lbMVDChip");
  Showing([&] {
    const std::string odd("\xFF\x80\xA1\x01 9,8", 8);
    lb->AddItem("7654321");
    lb->AddItem("1234567");
    lb->AddItem(odd);
    lb->AddItem("1234567");
    ASSERT_EQ(lb->Count(), 4);
    EXPECT_EQ(lb->Item(0), "7654321");
    EXPECT_EQ(lb->Item(1), "1234567");
    EXPECT_EQ(lb->Item(2), odd);
    EXPECT_EQ(lb->Item(3), "1234567");
    EXPECT_EQ(lb->ItemIndex(), -1);
  });
}

TEST_P(ListBoxTest, ClickSelectsCtrlClickExtendsCurrentFollowsTheFocus) {
  auto* lb = form.Make<ListBox>(form, "lbMVDChip");
  Showing([&] {
    for (const char* s : {"a", "b", "c", "d", "e"}) lb->AddItem(s);
    int clicks = 0;
    lb->OnClick = [&](ListBox& l) {
      ++clicks;
      EXPECT_GE(l.ItemIndex(), 0);
    };
    lb->ClickItem(1);
    lb->ClickItem(3, true);
    EXPECT_EQ(lb->ItemIndex(), 3);
    EXPECT_EQ(lb->SelCount(), 2);
    lb->ClickItem(3, true);  // toggled off but still current
    EXPECT_EQ(lb->ItemIndex(), 3);
    EXPECT_FALSE(lb->Selected(3));
    EXPECT_TRUE(lb->Selected(1));
    lb->ClickItem(4);
    EXPECT_EQ(lb->SelCount(), 1);
    EXPECT_EQ(clicks, 4);
    lb->ClickItem(9);  // no such line
    EXPECT_EQ(clicks, 4);
  });
}

TEST_P(ListBoxTest, ShiftClickSelectsFromTheAnchor) {
  auto* lb = form.Make<ListBox>(form, "lbMVDChip");
  Showing([&] {
    for (const char* s : {"a", "b", "c", "d", "e"}) lb->AddItem(s);
    const auto shown = [&] {
      std::string s;
      for (int i = 0; i < lb->Count(); ++i) s += lb->Selected(i) ? 'x' : '.';
      return s + " " + std::to_string(lb->ItemIndex()) + " " + std::to_string(lb->Anchor());
    };
    // Clicks (line, Ctrl, Shift), selection messages (line, on) and deletions.
    const struct {
      char what;
      int line;
      bool a, b;
      const char* after;  // selection, current line, anchor
    } steps[] = {
        {'c', 2, false, true, "..... 2 -1"},  // no anchor: only the current line moves
        {'c', 1, false, false, ".x... 1 1"},  {'c', 3, false, true, ".xxx. 3 1"},
        {'c', 0, false, true, "xx... 0 1"},   {'c', 4, true, true, "xx..x 4 1"},  // toggles only
        {'c', 3, true, false, "xx.xx 3 3"},   {'c', 4, false, true, "...xx 4 3"},
        {'s', 0, true, false, "x..xx 0 0"},   {'s', 2, false, false, "x..xx 0 0"},
        {'d', 0, false, false, "..xx 0 0"},   {'c', 3, false, false, "...x 3 3"},
        {'d', 3, false, false, "... 2 2"},    {'s', -1, true, false, "xxx 2 -1"},
        {'c', 0, false, true, "xxx 0 -1"},
    };
    for (const auto& s : steps) {
      if (s.what == 'c') lb->ClickItem(s.line, s.a, s.b);
      if (s.what == 's') lb->SetSelected(s.line, s.a);
      if (s.what == 'd') lb->DeleteItem(s.line);
      EXPECT_EQ(shown(), s.after) << s.what << " " << s.line;
    }
    lb->ClearItems();
    lb->AddItem("f");
    EXPECT_EQ(lb->Anchor(), -1);
  });
}

TEST_P(ListBoxTest, DeletingKeepsSelectionAndCurrentOnTheRightItems) {
  auto* lb = form.Make<ListBox>(form, "lbMVDChip");
  Showing([&] {
    for (const char* s : {"a", "b", "c", "d"}) lb->AddItem(s);
    lb->ClickItem(3);
    lb->ClickItem(1, true);  // b and d selected, b current
    lb->DeleteItem(0);       // before both
    EXPECT_EQ(lb->Items(), (std::vector<std::string>{"b", "c", "d"}));
    EXPECT_EQ(lb->ItemIndex(), 0);
    EXPECT_TRUE(lb->Selected(0));
    EXPECT_TRUE(lb->Selected(2));
    lb->DeleteItem(0);  // the current one: the next takes its place
    EXPECT_EQ(lb->ItemIndex(), 0);
    EXPECT_EQ(lb->Item(0), "c");
    lb->SetItemIndex(1);
    lb->DeleteItem(1);  // the last one: current becomes the new last
    EXPECT_EQ(lb->ItemIndex(), 0);
    lb->DeleteItem(0);
    EXPECT_EQ(lb->ItemIndex(), -1);
    EXPECT_EQ(lb->Count(), 0);
    lb->DeleteItem(0);  // nothing to delete
    EXPECT_EQ(lb->Count(), 0);
  });
}

TEST_P(ListBoxTest, SetItemIndexLeavesTheSelectionAndClearResets) {
  auto* lb = form.Make<ListBox>(form, "lbMVDChip");
  Showing([&] {
    lb->AddItem("a");
    lb->AddItem("b");
    lb->ClickItem(0);
    lb->SetItemIndex(1);
    EXPECT_TRUE(lb->Selected(0));
    EXPECT_FALSE(lb->Selected(1));
    lb->SetItemIndex(7);
    EXPECT_EQ(lb->ItemIndex(), -1);
    lb->ClearItems();
    EXPECT_EQ(lb->Count(), 0);
    EXPECT_EQ(lb->SelCount(), 0);
    lb->AddItem("c");
    EXPECT_FALSE(lb->Selected(0));
  });
}

TEST_P(ListBoxTest, UpdateGuardResumesOnceOnEveryPath) {
  auto* lb = form.Make<ListBox>(form, "lbMVDChip");
  Showing([&] {
    {
      auto outer = lb->BeginUpdate();
      {
        auto inner = lb->BeginUpdate();
        lb->AddItem("1");
      }
      EXPECT_TRUE(lb->Updating());
      EXPECT_EQ(lb->RedrawCount(), 0);
    }
    EXPECT_FALSE(lb->Updating());
    EXPECT_EQ(lb->RedrawCount(), 1);
    try {
      auto guard = lb->BeginUpdate();
      lb->AddItem("2");
      throw std::runtime_error("Stream read error");
    } catch (const std::runtime_error&) {
    }
    EXPECT_FALSE(lb->Updating());
    EXPECT_EQ(lb->RedrawCount(), 2);
    EXPECT_EQ(lb->Count(), 2);
  });
}

}  // namespace
}  // namespace qv::ui
