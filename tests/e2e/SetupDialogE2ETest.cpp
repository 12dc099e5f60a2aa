// End to end: the real plug-in library, its real windows.  The main thread
// calls ZcOpen over an owner window of its own, as a host does; a second
// thread finds the dialogs and drives them with window messages, then the
// main thread checks the filter string that came out.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "FltSetup.h"
#include "Texts.h"
#include "WinDriver.h"

namespace {

using namespace e2e;

constexpr const char kExample[] =
    "M7(0-0|0-5)M5(10-30|5-40)M0(20-60|10-70)E0-1S1-2TJ1234567|024,3468,5,2347,05,268,79|";
constexpr DWORD kWait = 30000;  // emulated machines are slow; a stuck case still ends

// The exports used here (the plug-in's header would clash with the system's
// GetVersion).
using QvBool = unsigned char;
using QvZcOpenFn = QvBool(__stdcall*)(void*);
using QvSetFilterStrFn = void(__stdcall*)(const char*);
using QvGetTextFn = const char*(__stdcall*)();

struct Plugin {
  HMODULE dll = nullptr;
  QvZcOpenFn ZcOpen = nullptr;
  QvSetFilterStrFn SetFilterStr = nullptr;
  QvGetTextFn GetFilterStr = nullptr;
};

Plugin& Lib() {
  static Plugin p = [] {
    Plugin q;
    q.dll = LoadLibraryW(L"Quelvor.dll");
    if (q.dll) {
      q.ZcOpen = reinterpret_cast<QvZcOpenFn>(reinterpret_cast<void*>(GetProcAddress(q.dll, "ZcOpen")));
      q.SetFilterStr = reinterpret_cast<QvSetFilterStrFn>(reinterpret_cast<void*>(GetProcAddress(q.dll, "SetFilterStr")));
      q.GetFilterStr = reinterpret_cast<QvGetTextFn>(reinterpret_cast<void*>(GetProcAddress(q.dll, "GetFilterStr")));
    }
    return q;
  }();
  return p;
}

HWND MakeOwner() {
  static bool registered = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QuelvorE2EHost";
    return RegisterClassW(&wc) != 0;
  }();
  (void)registered;
  HWND w = CreateWindowExW(0, L"QuelvorE2EHost", L"Quelvor test host", WS_OVERLAPPEDWINDOW, 10, 10,
                           300, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  ShowWindow(w, SW_SHOW);
  return w;
}

// The designed geometry of the setup dialog, read from a model that is
// never shown, so that controls without a caption can be found by place.
const qv::TfrmFltSetup& Model() {
  static qv::TfrmFltSetup model;
  return model;
}

struct SetupWindows {
  HWND form = nullptr;

  // The window of a captioned control of the model's container.
  HWND ContainerWindow(const qv::ui::Container* c) const {
    for (qv::ui::Control* child : c->Controls()) {
      if (auto* cc = dynamic_cast<qv::ui::CaptionedControl*>(child)) {
        if (cc->Caption().empty() || dynamic_cast<qv::ui::Label*>(child)) continue;
        if (HWND w = ChildByText(form, FromGb(cc->Caption()))) return GetParent(w);
      }
      if (auto* inner = dynamic_cast<qv::ui::Container*>(child))
        if (HWND w = ContainerWindow(inner)) return GetParent(w);
    }
    return nullptr;
  }

  // The window of a control of the setup dialog, by its name.
  HWND operator[](const char* name) const {
    auto* c = Model().Find<qv::ui::Control>(name);
    if (!c) return nullptr;
    HWND parent = ContainerWindow(c->Parent());
    if (!parent) return nullptr;
    const qv::ui::Rect r = c->Bounds();
    for (HWND w : Children(parent)) {
      if (GetParent(w) != parent) continue;
      RECT wr;
      GetWindowRect(w, &wr);
      POINT p{wr.left, wr.top};
      ScreenToClient(parent, &p);
      if (p.x != r.left || p.y != r.top) continue;
      const std::wstring cls = ClassOf(w);
      if (cls == L"msctls_updown32") continue;
      return w;
    }
    return nullptr;
  }
};

std::wstring Gb(const char* s) { return FromGb(s); }

bool IsSetup(HWND w) { return TextOf(w) == Gb(qv::texts::kSetupCaption); }
bool IsEntry(HWND w) {
  return TextOf(w).empty() && ClassOf(w) != L"#32770" &&
         ChildByText(w, Gb(qv::texts::kEntryOkCaption)) != nullptr;
}

// One ZcOpen call driven by script on a second thread.  Whatever the script
// leaves open is closed afterwards, so a failing case cannot hang the run.
class ZcOpenCase {
 public:
  explicit ZcOpenCase(const std::string& filterStr) {
    Lib().SetFilterStr(filterStr.c_str());
    owner_ = MakeOwner();
  }
  ~ZcOpenCase() { DestroyWindow(owner_); }

  HWND owner() const { return owner_; }
  DWORD tid() const { return tid_; }

  void Run(const std::function<void(ZcOpenCase&)>& script) {
    std::atomic<bool> done{false};
    std::thread driver([&] {
      script(*this);
      // Close whatever is still open: message boxes, the entry dialog, the
      // setup dialog (its close box leaves the filter string alone).
      WaitUntil(
          [&] {
            if (done) return true;
            for (HWND w : ThreadWindows(tid_)) {
              if (ClassOf(w) == L"#32770") {
                PostMessageW(w, WM_COMMAND, IDOK, 0);
              } else if (IsEntry(w)) {
                Click(ChildByText(w, Gb(qv::texts::kEntryCancelCaption)));
              } else if (IsSetup(w) && IsWindowEnabled(w)) {
                PostMessageW(w, WM_CLOSE, 0, 0);
              }
            }
            Sleep(200);
            return done.load();
          },
          kWait);
    });
    result_ = Lib().ZcOpen(owner_);
    done = true;
    driver.join();
  }

  SetupWindows WaitSetup() {
    SetupWindows s;
    s.form = WaitWindow(tid_, IsSetup, kWait);
    return s;
  }
  HWND WaitEntry() { return WaitWindow(tid_, IsEntry, kWait); }

  QvBool result_ = 0;

 private:
  HWND owner_ = nullptr;
  DWORD tid_ = GetCurrentThreadId();
};

std::string FilterStr() { return Lib().GetFilterStr(); }

class SetupDialogE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(Lib().dll, nullptr) << "Quelvor.dll not found next to the test";
    ASSERT_TRUE(Lib().ZcOpen && Lib().SetFilterStr && Lib().GetFilterStr);
  }
};

// With QUELVOR_SNAP_DIR set, saves what the screen shows of a window as
// <dir>/<name>.bmp (scripts/screenshot turns them into the pictures of the
// README).
void Snap(HWND w, const char* name) {
  const char* dir = std::getenv("QUELVOR_SNAP_DIR");
  if (!dir || !*dir || !w) return;
  Sleep(1500);  // let it paint
  RECT r;
  GetWindowRect(w, &r);
  const int width = r.right - r.left, height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  SelectObject(mem, old);
  BITMAPINFOHEADER bi{};
  bi.biSize = sizeof bi;
  bi.biWidth = width;
  bi.biHeight = height;
  bi.biPlanes = 1;
  bi.biBitCount = 24;
  const DWORD stride = ((width * 3 + 3) / 4) * 4;
  std::string pixels(stride * height, '\0');
  GetDIBits(mem, bmp, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS);
  BITMAPFILEHEADER fh{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof bi;
  fh.bfSize = fh.bfOffBits + static_cast<DWORD>(pixels.size());
  const std::string path = std::string(dir) + "\\" + name + ".bmp";
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(&fh, sizeof fh, 1, f);
    std::fwrite(&bi, sizeof bi, 1, f);
    std::fwrite(pixels.data(), 1, pixels.size(), f);
    std::fclose(f);
  }
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
}

// The user clicks one line of a list box.
void ClickListLine(HWND list, int line) {
  RECT item{};
  SendMessageW(list, LB_GETITEMRECT, line, reinterpret_cast<LPARAM>(&item));
  const LPARAM at = MAKELPARAM(item.left + 4, item.top + 2);
  PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(list, WM_LBUTTONUP, 0, at);
}

// Adds a bet through the entry dialog, typing it character by character.
void AddBet(ZcOpenCase& c, const SetupWindows& s, const std::wstring& typed) {
  Click(ChildByText(s.form, Gb(qv::texts::kAddCaption)));
  HWND entry = c.WaitEntry();
  ASSERT_NE(entry, nullptr);
  HWND edit = nullptr;
  for (HWND w : Children(entry))
    if (ClassOf(w) == L"Edit") edit = w;
  ASSERT_NE(edit, nullptr);
  TypeChars(edit, typed);
  PressKey(edit, VK_RETURN);
  EXPECT_TRUE(WaitGone(entry, kWait));
}

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
    Click(ChildByText(s.form, Gb(qv::texts::kAddCaption)));
    HWND entry = c.WaitEntry();
    ASSERT_NE(entry, nullptr);
    EXPECT_FALSE(IsWindowEnabled(s.form));
    Snap(entry, "entry");
    GetClientRect(entry, &rc);
    EXPECT_EQ(rc.right, 286);
    EXPECT_EQ(rc.bottom, 190);
    EXPECT_EQ(GetWindowLongW(entry, GWL_STYLE) & WS_SYSMENU, 0);
    HWND ok = ChildByText(entry, Gb(qv::texts::kEntryOkCaption));
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(c.tid()) == ok; }, kWait));
    PressKey(FocusOf(c.tid()), VK_RETURN);
    MessageBoxSeen box = WaitMessageBox(c.tid(), kWait);
    EXPECT_EQ(box.text, Gb(qv::texts::kEntryEmptyMessage));
    EXPECT_EQ(box.caption, Gb("\xB7\xD6\xB2\xBC\xB8\xC5\xC2\xCA"));  // 分布概率
    EXPECT_FALSE(box.icon);
    EXPECT_TRUE(CloseMessageBox(box));

    HWND edit = nullptr;
    for (HWND w : Children(entry))
      if (ClassOf(w) == L"Edit") edit = w;
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
    Click(ChildByText(s.form, Gb(qv::texts::kAddCaption)));
    HWND entry = c.WaitEntry();
    ASSERT_NE(entry, nullptr);
    HWND edit = nullptr;
    for (HWND w : Children(entry))
      if (ClassOf(w) == L"Edit") edit = w;
    TypeChars(edit, L"7654321");
    PressKey(edit, VK_ESCAPE);  // bound to nothing
    Sleep(500);
    EXPECT_TRUE(IsWindowVisible(entry));
    HWND ok = ChildByText(entry, Gb(qv::texts::kEntryOkCaption));
    HWND cancel = ChildByText(entry, Gb(qv::texts::kEntryCancelCaption));
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
