// End to end: the setup dialog and the entry dialog of the real plug-in
// library, driven through their windows; the main thread then checks the
// filter string that came out.
#include "SetupCase.h"

namespace {

using namespace e2e;

TEST_F(SetupDialogE2E, FreshDialogThenOneBetAndOk) {
  ZcOpenCase c("");
  c.Run([](ZcOpenCase& c) {
    SetupWindows s = c.WaitSetup();
    ASSERT_NE(s.form, nullptr);
    Snap(s.form, "setup-empty");
    EXPECT_FALSE(IsWindowEnabled(c.owner()));  // the host is disabled meanwhile
    EXPECT_EQ(GetWindow(s.form, GW_OWNER), c.owner());
    RECT rc;
    GetClientRect(s.form, &rc);
    EXPECT_EQ(rc.right, 676);
    EXPECT_EQ(rc.bottom, 393);
    for (int d = 0; d < 8; ++d) {
      const std::string n(1, static_cast<char>('0' + d));
      HWND chk = s[("chkShot" + n).c_str()];
      ASSERT_NE(chk, nullptr) << n;
      EXPECT_FALSE(IsChecked(chk));
      HWND edt = s[("edtShot" + n + "a").c_str()];
      ASSERT_NE(edt, nullptr);
      EXPECT_FALSE(IsWindowEnabled(edt));
      EXPECT_EQ(TextOf(edt), L"0");
    }
    EXPECT_FALSE(IsWindowEnabled(s["chkCanSupErr"]));
    EXPECT_TRUE(ListItems(s["lbMVDChip"]).empty());
    EXPECT_EQ(TextOf(s["lblMVDInfo"]), Gb(qv::texts::kCountPrefix) + L"0");

    // Checking a level enables its four fields.
    Click(s["chkShot3"]);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(s["edtCanErr3b"]); }, kWait));
    EXPECT_FALSE(IsWindowEnabled(s["edtShot4a"]));
    Click(s["chkShot3"]);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowEnabled(s["edtCanErr3b"]); }, kWait));

    // The entry dialog: empty caption, the focus on OK, Enter asks for input.
    Click(s[qv::ids::kAdd]);
    HWND entry = c.WaitEntry();
    ASSERT_NE(entry, nullptr);
    EXPECT_FALSE(IsWindowEnabled(s.form));
    Snap(entry, "entry");
    GetClientRect(entry, &rc);
    EXPECT_EQ(rc.right, 286);
    EXPECT_EQ(rc.bottom, 190);
    EXPECT_EQ(GetWindowLongW(entry, GWL_STYLE) & WS_SYSMENU, 0);
    HWND ok = ChildById(entry, qv::ids::kOk);
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(c.tid()) == ok; }, kWait));
    PressKey(FocusOf(c.tid()), VK_RETURN);
    MessageBoxSeen box = WaitMessageBox(c.tid(), kWait);
    EXPECT_EQ(box.text, Gb(qv::texts::kEntryEmptyMessage));
    EXPECT_EQ(box.caption, Gb("\xB7\xD6\xB2\xBC\xB8\xC5\xC2\xCA"));  // 分布概率
    EXPECT_FALSE(box.icon);
    EXPECT_TRUE(CloseMessageBox(box));

    HWND edit = EntryEdit(entry);
    ASSERT_NE(edit, nullptr);
    // Letters, blanks and a full-width comma are refused; Backspace takes
    // the last character.
    TypeChars(edit, L"12a 3\xFF0C" L"45");
    EXPECT_EQ(TextOf(edit), L"12345");
    TypeChars(edit, L"\b");
    EXPECT_EQ(TextOf(edit), L"1234");
    TypeChars(edit, L"567");
    PressKey(edit, VK_RETURN);
    EXPECT_TRUE(WaitGone(entry, kWait));
    EXPECT_TRUE(WaitUntil([&] { return ListItems(s["lbMVDChip"]).size() == 1; }, kWait));
    EXPECT_EQ(ListItems(s["lbMVDChip"])[0], L"1234567");
    // Add leaves the count label alone.
    EXPECT_EQ(TextOf(s["lblMVDInfo"]), Gb(qv::texts::kCountPrefix) + L"0");
    Click(s["btnOK"]);
    EXPECT_TRUE(WaitGone(s.form, kWait));
  });
  EXPECT_EQ(c.result_, 1);
  EXPECT_EQ(FilterStr(), "TJ1234567|");
  EXPECT_TRUE(IsWindowEnabled(c.owner()));
}

TEST_F(SetupDialogE2E, WorkedExampleIsShownAndBuiltBack) {
  ZcOpenCase c(kExample);
  c.Run([](ZcOpenCase& c) {
    SetupWindows s = c.WaitSetup();
    ASSERT_NE(s.form, nullptr);
    for (int d = 0; d < 8; ++d) {
      const std::string n(1, static_cast<char>('0' + d));
      EXPECT_EQ(IsChecked(s[("chkShot" + n).c_str()]), d == 7 || d == 5 || d == 0) << n;
    }
    EXPECT_EQ(TextOf(s["edtShot5a"]), L"10");
    EXPECT_EQ(TextOf(s["edtShot5b"]), L"30");
    EXPECT_EQ(TextOf(s["edtCanErr5a"]), L"5");
    EXPECT_EQ(TextOf(s["edtCanErr5b"]), L"40");
    EXPECT_TRUE(IsWindowEnabled(s["edtShot0b"]));
    EXPECT_TRUE(IsChecked(s["chkCanErr"]));
    EXPECT_TRUE(IsChecked(s["chkCanSupErr"]));
    EXPECT_EQ(TextOf(s["edtCanErr2"]), L"1");
    EXPECT_EQ(TextOf(s["edtCanSupErr2"]), L"2");
    EXPECT_TRUE(IsWindowEnabled(s["edtCanSupErr1"]));
    EXPECT_TRUE(IsWindowEnabled(s["edtCanSupErr2"]));
    EXPECT_EQ(ListItems(s["lbMVDChip"]),
              (std::vector<std::wstring>{L"1234567", L"024,3468,5,2347,05,268,79"}));
    EXPECT_EQ(TextOf(s["lblMVDInfo"]), Gb(qv::texts::kCountPrefix) + L"2");
    Snap(s.form, "setup-example");
    // Enter on a field clicks the default button.
    PressKey(s["edtShot7a"], VK_RETURN);
    EXPECT_TRUE(WaitGone(s.form, kWait));
  });
  EXPECT_EQ(FilterStr(), kExample);
}

TEST_F(SetupDialogE2E, EscapeAfterChangesKeepsTheString) {
  ZcOpenCase c(kExample);
  c.Run([](ZcOpenCase& c) {
    SetupWindows s = c.WaitSetup();
    ASSERT_NE(s.form, nullptr);
    Click(s["btnClear"]);
    EXPECT_TRUE(WaitUntil([&] { return ListItems(s["lbMVDChip"]).empty(); }, kWait));
    EXPECT_EQ(TextOf(s["lblMVDInfo"]), Gb(qv::texts::kCountPrefix) + L"0");
    SetText(s["edtShot7a"], L"3");
    PressKey(s["edtShot7a"], VK_ESCAPE);
    EXPECT_TRUE(WaitGone(s.form, kWait));
  });
  EXPECT_EQ(FilterStr(), kExample);
  EXPECT_TRUE(IsWindowEnabled(c.owner()));
}

TEST_F(SetupDialogE2E, EmptyListRefusedThenCloseBox) {
  ZcOpenCase c("M1(0-1|0-2)TJ1234567|");
  c.Run([](ZcOpenCase& c) {
    SetupWindows s = c.WaitSetup();
    ASSERT_NE(s.form, nullptr);
    HWND list = s["lbMVDChip"];
    ClickListLine(list, 0);
    EXPECT_TRUE(WaitUntil([&] { return ListCaret(list) == 0; }, kWait));
    Click(s["btnDelete"]);
    EXPECT_TRUE(WaitUntil([&] { return ListItems(list).empty(); }, kWait));
    Click(s["btnOK"]);
    MessageBoxSeen box = WaitMessageBox(c.tid(), kWait);
    EXPECT_EQ(box.caption, Gb(qv::texts::kEmptyListCaption));
    EXPECT_EQ(box.text, Gb(qv::texts::kEmptyListMessage));
    EXPECT_TRUE(box.icon);
    EXPECT_TRUE(CloseMessageBox(box));
    EXPECT_TRUE(IsWindowVisible(s.form));
    PostMessageW(s.form, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(WaitGone(s.form, kWait));
  });
  EXPECT_EQ(FilterStr(), "M1(0-1|0-2)TJ1234567|");
}

TEST_F(SetupDialogE2E, RangeBoundsMustBeOneDigit) {
  ZcOpenCase c("TJ1234567|");
  c.Run([](ZcOpenCase& c) {
    SetupWindows s = c.WaitSetup();
    ASSERT_NE(s.form, nullptr);
    Click(s["chkCanErr"]);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(s["edtCanErr2"]); }, kWait));
    EXPECT_TRUE(IsWindowEnabled(s["chkCanSupErr"]));
    SetText(s["edtCanErr2"], L"12");
    PressKey(s["edtCanErr2"], VK_RETURN);  // typed and confirmed: not clamped
    MessageBoxSeen box = WaitMessageBox(c.tid(), kWait);
    EXPECT_EQ(box.text, Gb(qv::texts::kRangeDigitMessage));
    EXPECT_TRUE(CloseMessageBox(box));
    SetText(s["edtCanErr2"], L"2");
    Click(s["btnOK"]);
    EXPECT_TRUE(WaitGone(s.form, kWait));
  });
  EXPECT_EQ(FilterStr(), "E0-2TJ1234567|");
}

TEST_F(SetupDialogE2E, UnreadableStringIsReportedAndKept) {
  ZcOpenCase c("M9(1-2|0-3)TJ1234567|");
  c.Run([](ZcOpenCase& c) {
    MessageBoxSeen box = WaitMessageBox(c.tid(), kWait);
    EXPECT_EQ(box.text, Gb(qv::texts::kCannotShowMessage));
    EXPECT_EQ(box.caption, Gb("\xB7\xD6\xB2\xBC\xB8\xC5\xC2\xCA"));  // 分布概率
    for (HWND w : ThreadWindows(c.tid())) EXPECT_FALSE(IsSetup(w));
    EXPECT_TRUE(CloseMessageBox(box));
  });
  EXPECT_EQ(c.result_, 1);
  EXPECT_EQ(FilterStr(), "M9(1-2|0-3)TJ1234567|");
  EXPECT_TRUE(IsWindowEnabled(c.owner()));
}

TEST_F(SetupDialogE2E, DeleteMovesTheFocusAndClickShowsThePosition) {
  ZcOpenCase c("TJ1111111|2222222|3333333|");
  c.Run([](ZcOpenCase& c) {
    SetupWindows s = c.WaitSetup();
    ASSERT_NE(s.form, nullptr);
    HWND list = s["lbMVDChip"];
    // The user clicks the first line.
    ClickListLine(list, 0);
    const std::wstring pos = Gb("\xC3\xBD\xCC\xE5\xB8\xF6\xCA\xFD\xA3\xBA 3, \xB5\xB1\xC7\xB0\xD0\xF2\xBA\xC5\xA3\xBA 1");
    EXPECT_TRUE(WaitUntil([&] { return TextOf(s["lblMVDInfo"]) == pos; }, kWait))
        << ToGb(TextOf(s["lblMVDInfo"]));
    Click(s["btnDelete"]);
    EXPECT_TRUE(WaitUntil([&] { return ListItems(list).size() == 2; }, kWait));
    EXPECT_EQ(ListItems(list)[0], L"2222222");
    EXPECT_EQ(ListCaret(list), 0);
    EXPECT_EQ(TextOf(s["lblMVDInfo"]), Gb(qv::texts::kCountPrefix) + L"2");
    Click(s["btnOK"]);
    EXPECT_TRUE(WaitGone(s.form, kWait));
  });
  EXPECT_EQ(FilterStr(), "TJ2222222|3333333|");
}

TEST_F(SetupDialogE2E, EnterOnTheEntryCancelButtonCancels) {
  ZcOpenCase c("TJ1234567|");
  c.Run([](ZcOpenCase& c) {
    SetupWindows s = c.WaitSetup();
    ASSERT_NE(s.form, nullptr);
    Click(s[qv::ids::kAdd]);
    HWND entry = c.WaitEntry();
    ASSERT_NE(entry, nullptr);
    HWND edit = EntryEdit(entry);
    TypeChars(edit, L"7654321");
    PressKey(edit, VK_ESCAPE);  // bound to nothing
    Sleep(500);
    EXPECT_TRUE(IsWindowVisible(entry));
    HWND ok = ChildById(entry, qv::ids::kOk);
    HWND cancel = ChildById(entry, qv::ids::kCancel);
    // Keyboard order OK, Cancel, the box: the focus is still on OK (the
    // characters went to the box directly), Tab moves it to Cancel, and
    // Enter there clicks Cancel.
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(c.tid()) == ok; }, kWait));
    PressKey(ok, VK_TAB);
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(c.tid()) == cancel; }, kWait));
    if (FocusOf(c.tid()) == cancel) PressKey(cancel, VK_RETURN);
    EXPECT_TRUE(WaitGone(entry, kWait));
    Sleep(200);
    EXPECT_EQ(ListItems(s["lbMVDChip"]).size(), 1u);
    AddBet(c, s, L"0224,33468,5,2347,05,268,79");
    EXPECT_TRUE(WaitUntil([&] { return ListItems(s["lbMVDChip"]).size() == 2; }, kWait));
    Click(s["btnOK"]);
    EXPECT_TRUE(WaitGone(s.form, kWait));
  });
  EXPECT_EQ(FilterStr(), "TJ1234567|024,3468,5,2347,05,268,79|");
}

}  // namespace
