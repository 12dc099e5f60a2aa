// Real windows: forms run modally while the test drives their controls with
// window messages and checks that the control objects follow (and back).
// Needs a display (under wine: a virtual X server).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "UiApplication.h"
#include "SpinFields.h"
#include "UiControls.h"
#include "UiWin32.h"

namespace qv::ui {
namespace {

HWND H(const Control* c) { return static_cast<HWND>(c->Handle()); }

std::wstring Text(HWND h) {
  wchar_t buf[512] = {};
  SendMessageW(h, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buf));
  return buf;
}

// Closes every message box of the test thread and records what it showed.
class MessageBoxCloser {
 public:
  MessageBoxCloser() : uiThread_(GetCurrentThreadId()), worker_([this] { Run(); }) {}
  ~MessageBoxCloser() {
    stop_ = true;
    worker_.join();
  }
  struct Seen {
    std::wstring caption, text;
  };
  std::vector<Seen> Taken() {
    std::lock_guard<std::mutex> lock(mu_);
    return seen_;
  }

 private:
  static BOOL CALLBACK Visit(HWND h, LPARAM self) {
    wchar_t cls[64] = {};
    GetClassNameW(h, cls, 64);
    if (std::wstring(cls) == L"#32770" && IsWindowVisible(h)) {
      auto* me = reinterpret_cast<MessageBoxCloser*>(self);
      wchar_t caption[256] = {}, text[1024] = {};
      GetWindowTextW(h, caption, 256);
      GetDlgItemTextW(h, 0xFFFF, text, 1024);
      {
        std::lock_guard<std::mutex> lock(me->mu_);
        me->seen_.push_back({caption, text});
      }
      PostMessageW(h, WM_COMMAND, IDOK, 0);
    }
    return TRUE;
  }
  void Run() {
    while (!stop_) {
      EnumThreadWindows(uiThread_, Visit, reinterpret_cast<LPARAM>(this));
      Sleep(20);
    }
  }
  DWORD uiThread_;
  std::atomic<bool> stop_{false};
  std::mutex mu_;
  std::vector<Seen> seen_;
  std::thread worker_;
};

// 分布概率 and 确定 as GB2312 bytes and as UTF-16.
constexpr char kTitleGb[] = "\xB7\xD6\xB2\xBC\xB8\xC5\xC2\xCA";
constexpr wchar_t kTitleW[] = L"\u5206\u5E03\u6982\u7387";
constexpr char kOkGb[] = "\xC8\xB7\xB6\xA8";
constexpr wchar_t kOkW[] = L"\u786E\u5B9A";

class TfrmProbe : public Form {
 public:
  TfrmProbe() : Form("frmProbe") {
    SetClientSize(420, 300);
    SetCaption(kTitleGb, Cp::Gb2312);
    SetFont(Font{"SimSun", 12, false, std::nullopt, Charset::Gb2312});
    pages = Make<PageControl>(*this, "RzPageControl1");
    pages->SetBounds({0, 0, 420, 300});
    sheet1 = Make<TabSheet>(*pages, "TabSheet1");
    sheet1->SetCaption(" one ", Cp::System);
    sheet2 = Make<TabSheet>(*pages, "TabSheet2");
    sheet2->SetCaption(" two ", Cp::System);
    sheet2->SetTabVisible(false);
    panel = Make<Panel>(*sheet1, "RzPanel1");
    panel->SetBounds({0, 0, 410, 260});
    spin = testing::MakeSpin(*this, *panel, "edtShot5a");
    spin->SetBounds({10, 10, 60, 21});
    spin2 = testing::MakeSpin(*this, *panel, "edtShot5b");
    spin2->SetBounds({80, 10, 60, 21});
    chk = Make<CheckBox>(*panel, "chkShot5");
    chk->SetBounds({10, 40, 150, 17});
    chk->SetCaption("level 5", Cp::System);
    edt = Make<Edit>(*panel, "edtInput");
    edt->SetBounds({10, 70, 200, 26});
    edt->SetFlat(true);
    edt->SetFont(Font{"MS Sans Serif", 16, true, kRed, Charset::Default});
    lb = Make<ListBox>(*panel, "lbMVDChip");
    lb->SetBounds({220, 10, 180, 120});
    ok = Make<Button>(*panel, "btnOK");
    ok->SetBounds({10, 200, 80, 25});
    ok->SetCaption(kOkGb, Cp::Gb2312);
    ok->SetModalResult(ModalResult::Ok);
    cancel = Make<Button>(*panel, "btnCancel");
    cancel->SetBounds({100, 200, 80, 25});
    cancel->SetModalResult(ModalResult::Cancel);
    SetDefaultButton(ok);
    SetCancelButton(cancel);
  }
  PageControl* pages;
  TabSheet* sheet1;
  TabSheet* sheet2;
  Panel* panel;
  SpinEdit* spin;
  SpinEdit* spin2;
  CheckBox* chk;
  Edit* edt;
  ListBox* lb;
  Button* ok;
  Button* cancel;
};

class Win32Fixture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    UseWin32Backend();
    SetAppTitle(kTitleGb, Cp::Gb2312);
  }
};

using Win32FormTest = Win32Fixture;

TEST_F(Win32FormTest, WindowsFollowTheObjectsAndBack) {
  TfrmProbe f;
  const std::string odd("\xFF\xA1\x80x", 4);  // no valid character sequence
  f.lb->AddItem("1234567");
  f.lb->AddItem("\xC3\xBD\xCC\xE5");  // 媒体
  f.lb->AddItem(odd);
  int chkClicks = 0, lbClicks = 0;
  f.chk->OnClick = [&](CheckBox&) { ++chkClicks; };
  f.lb->OnClick = [&](ListBox&) { ++lbClicks; };
  f.edt->OnKeyPress = [](Edit&, char& key) {
    if (key == 'x') key = 0;
    if (key == ';') key = ',';
  };

  f.OnShow = [&](Form&) {
    // Texts in code page 936 read correctly whatever the system code page.
    EXPECT_EQ(Text(static_cast<HWND>(f.Handle())), kTitleW);
    EXPECT_EQ(Text(H(f.ok)), kOkW);
    EXPECT_EQ(ToWide(kTitleGb, Cp::Gb2312), kTitleW);

    // Only the visible page has a tab, and only it is shown.
    EXPECT_EQ(SendMessageW(H(f.pages), TCM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_TRUE(IsWindowVisible(H(f.sheet1)));
    EXPECT_FALSE(IsWindowVisible(H(f.sheet2)));

    // Check box: a click through the window runs the handler once.
    SendMessageW(H(f.chk), BM_CLICK, 0, 0);
    EXPECT_TRUE(f.chk->Checked());
    EXPECT_EQ(SendMessageW(H(f.chk), BM_GETCHECK, 0, 0), BST_CHECKED);
    f.chk->SetChecked(false);
    EXPECT_EQ(SendMessageW(H(f.chk), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(chkClicks, 2);

    // Spin edit: keys and wheel step, typing is filtered, clamping waits
    // for the focus to leave.
    SetFocus(H(f.spin));
    EXPECT_EQ(f.ActiveControl(), f.spin);
    SendMessageW(H(f.spin), WM_KEYDOWN, VK_UP, 0);
    SendMessageW(H(f.spin), WM_KEYDOWN, VK_PRIOR, 0);
    EXPECT_EQ(f.spin->Text(), "11");
    SendMessageW(H(f.spin), WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, WHEEL_DELTA), 0);
    SendMessageW(H(f.spin), WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
    EXPECT_EQ(f.spin->Text(), "20");
    EXPECT_EQ(Text(H(f.spin)), L"20");
    SendMessageW(H(f.spin), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    for (wchar_t c : std::wstring(L"1a5 0")) SendMessageW(H(f.spin), WM_CHAR, c, 1);
    EXPECT_EQ(Text(H(f.spin)), L"150");
    EXPECT_EQ(f.spin->Text(), "150");
    SetFocus(H(f.spin2));
    EXPECT_EQ(f.spin->Text(), "100");
    EXPECT_EQ(Text(H(f.spin)), L"100");

    // The up-down buttons' range follows the field's.
    HWND upDown = GetWindow(H(f.spin), GW_HWNDNEXT);
    ASSERT_NE(upDown, nullptr);
    int lo = -1, hi = -1;
    SendMessageW(upDown, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lo), reinterpret_cast<LPARAM>(&hi));
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 100);
    f.spin->SetMax(9);
    SendMessageW(upDown, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lo), reinterpret_cast<LPARAM>(&hi));
    EXPECT_EQ(hi, 9);
    f.spin->SetMax(100);

    // Edit: the key hook drops and replaces characters typed into the window.
    SetFocus(H(f.edt));
    for (wchar_t c : std::wstring(L"1x;2")) SendMessageW(H(f.edt), WM_CHAR, c, 1);
    EXPECT_EQ(Text(H(f.edt)), L"1,2");
    EXPECT_EQ(f.edt->Text(), "1,2");
    f.edt->SetText("7654321");
    EXPECT_EQ(Text(H(f.edt)), L"7654321");
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(H(f.edt), WM_GETFONT, 0, 0));
    LOGFONTW lf{};
    ASSERT_TRUE(GetObjectW(font, sizeof lf, &lf));
    EXPECT_EQ(lf.lfHeight, -16);
    EXPECT_GE(lf.lfWeight, FW_BOLD);

    // List box: extended selection through mouse clicks; the current line
    // is the caret; the items keep their bytes.
    HWND list = H(f.lb);
    EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 3);
    RECT r1, r2;
    SendMessageW(list, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r1));
    SendMessageW(list, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&r2));
    SendMessageW(list, WM_LBUTTONDOWN, 0, MAKELPARAM(r1.left + 3, r1.top + 2));
    SendMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(r1.left + 3, r1.top + 2));
    EXPECT_EQ(f.lb->ItemIndex(), 1);
    EXPECT_TRUE(f.lb->Selected(1));
    SendMessageW(list, WM_LBUTTONDOWN, MK_CONTROL, MAKELPARAM(r2.left + 3, r2.top + 2));
    SendMessageW(list, WM_LBUTTONUP, MK_CONTROL, MAKELPARAM(r2.left + 3, r2.top + 2));
    EXPECT_EQ(f.lb->ItemIndex(), 2);
    EXPECT_EQ(f.lb->SelCount(), 2);
    EXPECT_GE(lbClicks, 2);
    EXPECT_EQ(f.lb->Item(1), "\xC3\xBD\xCC\xE5");
    EXPECT_EQ(f.lb->Item(2), odd);
    if (GetACP() == 936) {
      wchar_t buf[64] = {};
      SendMessageW(list, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(buf));
      EXPECT_EQ(std::wstring(buf), L"\u5A92\u4F53");
    }
    f.lb->DeleteItem(0);
    EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageW(list, LB_GETCARETINDEX, 0, 0), f.lb->ItemIndex());
    {
      auto guard = f.lb->BeginUpdate();
      f.lb->AddItem("x");
    }
    EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 3);

    // Enter in a focused spin edit clicks the default button and keeps the
    // typed text unclamped.
    SetFocus(H(f.spin2));
    SendMessageW(H(f.spin2), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"250"));
    PostMessageW(H(f.spin2), WM_KEYDOWN, VK_RETURN, 0);
  };
  EXPECT_EQ(f.ShowModal(), ModalResult::Ok);
  EXPECT_EQ(f.spin2->Text(), "250");
  EXPECT_EQ(f.Handle(), nullptr);  // windows gone, objects keep their state
  EXPECT_TRUE(f.chk->Handle() == nullptr);
  EXPECT_EQ(f.lb->Count(), 3);
}

TEST_F(Win32FormTest, SpinEditKeepsTheValueOfAForeignNumberWhenTheFocusLeaves) {
  // What the filter string's number reader takes ("$10" is 16 to
  // preparation) keeps its value, clamped; other text shows the last good
  // value, here the one the case before left.
  TfrmProbe f;
  struct Case {
    const wchar_t* text;
    const wchar_t* shown;
  };
  f.OnShow = [&](Form&) {
    for (const Case& c : {Case{L"$7FFFFFFF", L"100"}, Case{L"-$10", L"0"}, Case{L" 0x1E ", L"30"},
                          Case{L"12$", L"30"}, Case{L"$10", L"16"}}) {
      SetFocus(H(f.spin));
      SendMessageW(H(f.spin), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.text));
      SetFocus(H(f.spin2));
      EXPECT_EQ(Text(H(f.spin)), c.shown) << c.text;
    }
    EXPECT_EQ(f.spin->Text(), "16");
    PostMessageW(H(f.cancel), BM_CLICK, 0, 0);
  };
  EXPECT_EQ(f.ShowModal(), ModalResult::Cancel);
}

TEST_F(Win32FormTest, RunsOverTheOwnerWhichIsDisabledMeanwhile) {
  HWND owner = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(owner, nullptr);
  {
    OwnerWindowScope scope(owner);
    Form f("frmInputMDChip");
    f.SetClientSize(286, 190);
    f.SetDesignedPosition(391, 281);
    f.SetSystemMenu(false);
    auto* ok = f.Make<Button>(f, "btnOk");
    ok->SetBounds({200, 160, 65, 25});
    ok->SetModalResult(ModalResult::Ok);
    auto* cancel = f.Make<Button>(f, "btnCancel");
    cancel->SetBounds({112, 160, 65, 25});
    cancel->SetModalResult(ModalResult::Cancel);
    f.SetDefaultButton(ok);  // and no cancel button: Esc does nothing
    f.OnShow = [&](Form&) {
      HWND h = static_cast<HWND>(f.Handle());
      EXPECT_FALSE(IsWindowEnabled(owner));
      EXPECT_EQ(GetWindow(h, GW_OWNER), owner);
      const LONG style = GetWindowLongW(h, GWL_STYLE);
      EXPECT_FALSE(style & WS_SYSMENU);
      EXPECT_FALSE(style & WS_THICKFRAME);
      RECT rc;
      GetClientRect(h, &rc);
      EXPECT_EQ(rc.right, 286);
      EXPECT_EQ(rc.bottom, 190);
      EXPECT_EQ(f.ActiveControl(), ok);  // first in keyboard order
      SendMessageW(h, WM_CLOSE, 0, 0);   // no close box: ignored
      EXPECT_EQ(f.GetModalResult(), ModalResult::None);
      PostMessageW(H(ok), WM_KEYDOWN, VK_ESCAPE, 0);  // ignored
      SetFocus(H(cancel));
      PostMessageW(H(cancel), WM_KEYDOWN, VK_RETURN, 0);  // the focused button
    };
    EXPECT_EQ(f.ShowModal(), ModalResult::Cancel);
    EXPECT_TRUE(IsWindowEnabled(owner));
  }
  DestroyWindow(owner);
}

BOOL CALLBACK OkMessageBoxes(HWND h, LPARAM) {
  wchar_t cls[16] = {};
  GetClassNameW(h, cls, 16);
  if (std::wstring(cls) == L"#32770") PostMessageW(h, WM_COMMAND, IDOK, 0);
  return TRUE;
}

// A message box's own loop delivers what a worker posted meanwhile: the
// posted task closes the box, so the box returns only once it ran.
TEST_F(Win32FormTest, PostedTasksRunInAMessageBoxLoop) {
  TfrmProbe f;
  bool ran = false;
  f.OnShow = [&](Form&) {
    Mailbox box;
    std::thread([&] {
      box.Post([&] {
        ran = true;
        EnumThreadWindows(GetCurrentThreadId(), OkMessageBoxes, 0);
      });
    }).join();
    ShowMessage(kOkGb);
    EXPECT_TRUE(ran);
    f.Close();
  };
  f.ShowModal();
  EXPECT_TRUE(ran);
}

TEST_F(Win32FormTest, HandlerErrorsReachTheErrorDisplayAndTheFormStays) {
  MessageBoxCloser closer;
  TfrmProbe f;
  f.ok->SetModalResult(ModalResult::None);
  f.ok->OnClick = [](Button&) { throw std::runtime_error("Stream read error"); };
  f.OnShow = [&](Form&) {
    SendMessageW(H(f.ok), BM_CLICK, 0, 0);  // returns once the box is closed
    EXPECT_EQ(f.GetModalResult(), ModalResult::None);
    ShowMessage(kOkGb);
    PostMessageW(H(f.cancel), BM_CLICK, 0, 0);
  };
  EXPECT_EQ(f.ShowModal(), ModalResult::Cancel);
  const auto seen = closer.Taken();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].caption, kTitleW);
  EXPECT_EQ(seen[0].text, L"Stream read error.");
  EXPECT_EQ(seen[1].caption, kTitleW);
  EXPECT_EQ(seen[1].text, kOkW);
}

TEST(Win32TextTest, ConversionRoundTripsAndKeepsGb2312Literals) {
  EXPECT_EQ(ToWide(kTitleGb, Cp::Gb2312), kTitleW);
  EXPECT_EQ(FromWide(kTitleW, Cp::Gb2312), kTitleGb);
  EXPECT_EQ(ToWide("1234567,89", Cp::System), L"1234567,89");
  EXPECT_EQ(FromWide(L"", Cp::System), "");
}

}  // namespace
}  // namespace qv::ui
