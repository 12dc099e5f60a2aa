// What real hosts and automation tools do to the dialog: unload and reload
// the library at another address, click with a sent BM_CLICK from another
// thread, set the list's caret with a message, check a box with
// BM_SETCHECK; and the texts as the wide API reads them, whatever the ANSI
// code page (this suite also runs on its own with code page 1252); and
// quelvor.exe setup as a process of its own.
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "SetupCase.h"
#include "EntryDialog.h"

#include <commctrl.h>

namespace {

using namespace e2e;
namespace ids = qv::ids;

// A click sent (not posted) from the driver thread: SendMessage returns once
// the dialog's handler has run.
void SentClick(HWND button) { SendMessageW(button, BM_CLICK, 0, 0); }

// --- clicks and messages from another thread -----------------------------------------

struct SentClickCase {
  const char* start;
  bool ok;
  const char* expected;  // FilterStr after ZcOpen
};

class SentClicks : public SetupDialogE2E, public ::testing::WithParamInterface<SentClickCase> {};

TEST_P(SentClicks, EndTheDialogAtOnce) {
  const SentClickCase& t = GetParam();
  ZcOpenCase c(t.start);
  DWORD clicked = 0;
  c.Run([&](ZcOpenCase& c) {
    SetupWindows s = c.WaitSetup();
    ASSERT_NE(s.form, nullptr);
    // A box checked by another sender enables its fields as a click does.
    SendMessageW(s["chkShot7"], BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_TRUE(IsWindowEnabled(s["edtShot7a"]));
    EXPECT_TRUE(IsWindowEnabled(s["edtCanErr7b"]));
    SendMessageW(s["chkShot7"], BM_SETCHECK, BST_UNCHECKED, 0);
    EXPECT_FALSE(IsWindowEnabled(s["edtShot7a"]));
    SentClick(s["chkShot6"]);
    EXPECT_TRUE(IsChecked(s["chkShot6"]));
    EXPECT_TRUE(IsWindowEnabled(s["edtShot6a"]));
    SentClick(s[t.ok ? ids::kOk : ids::kCancel]);
    clicked = GetTickCount();
    // Nothing else reaches the dialog's thread: the click alone must end it.
    EXPECT_TRUE(WaitGone(s.form, 1000));
  });
  EXPECT_LT(c.returnedAt_ - clicked, 1000u);
  EXPECT_EQ(FilterStr(), t.expected);
  EXPECT_EQ(OwnWindows(GetCurrentThreadId()), 0);
}

INSTANTIATE_TEST_SUITE_P(
    OkAndCancel, SentClicks,
    ::testing::Values(SentClickCase{"M5(10-30|5-40)TJ1234567|", true, "M6(0-0|0-0)M5(10-30|5-40)TJ1234567|"},
                      SentClickCase{"M5(10-30|5-40)TJ1234567|", false, "M5(10-30|5-40)TJ1234567|"}));

TEST_F(SetupDialogE2E, DeleteRemovesTheCaretItemTheWindowReports) {
  ZcOpenCase c("TJ1111111|2222222|3333333|4444444|");
  c.Run([&](ZcOpenCase& c) {
    SetupWindows s = c.WaitSetup();
    ASSERT_NE(s.form, nullptr);
    HWND list = s[ids::kBetList];
    const std::wstring count4 = Gb(qv::texts::kCountPrefix) + L"4";
    // No focus, click or caret message yet: no caret item, Delete does nothing.
    SentClick(s[ids::kDelete]);
    EXPECT_EQ(ListItems(list).size(), 4u);
    // A caret set by another program is the one Delete removes; it is no
    // click, so the label keeps the count alone.
    SendMessageW(list, LB_SETCARETINDEX, 2, FALSE);
    EXPECT_EQ(TextOf(s[ids::kBetCount]), count4);
    SentClick(s[ids::kDelete]);
    EXPECT_EQ(ListItems(list), (std::vector<std::wstring>{L"1111111", L"2222222", L"4444444"}));
    EXPECT_EQ(TextOf(s[ids::kBetCount]), Gb(qv::texts::kCountPrefix) + L"3");
    SendMessageW(list, LB_SETCARETINDEX, 0, FALSE);
    SentClick(s[ids::kDelete]);
    EXPECT_EQ(ListItems(list), (std::vector<std::wstring>{L"2222222", L"4444444"}));
    SentClick(s[ids::kOk]);
    EXPECT_TRUE(WaitGone(s.form, kWait));
  });
  // The list as the window left it.
  EXPECT_EQ(FilterStr(), "TJ2222222|4444444|");
}

// --- IDs --------------------------------------------------------------------------------

TEST_F(SetupDialogE2E, EveryNamedControlIsFoundByItsIdExactlyOnce) {
  ZcOpenCase c("");
  c.Run([&](ZcOpenCase& c) {
    SetupWindows s = c.WaitSetup();
    ASSERT_NE(s.form, nullptr);
    std::map<int, int> seen;
    for (HWND w : Children(s.form)) ++seen[GetDlgCtrlID(w)];
    int named = 0;
    for (qv::ui::Component* comp : Model().Components()) {
      auto* ctl = dynamic_cast<qv::ui::Control*>(comp);
      if (ctl == nullptr) continue;
      ++named;
      EXPECT_NE(ctl->Id(), 0) << ctl->Name();
      EXPECT_EQ(seen[ctl->Id()], 1) << ctl->Name();
    }
    EXPECT_GT(named, 60);
    EXPECT_EQ(GetDlgCtrlID(s["btnOK"]), IDOK);
    EXPECT_EQ(GetDlgCtrlID(s["btnCancel"]), IDCANCEL);
    Click(s[ids::kAdd]);
    HWND entry = c.WaitEntry();
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(ClassOf(ChildById(entry, IDOK)), L"Button");
    EXPECT_EQ(ClassOf(ChildById(entry, IDCANCEL)), L"Button");
    EXPECT_EQ(ClassOf(ChildById(entry, ids::kEntryInput)), L"Edit");
    Click(ChildById(entry, IDCANCEL));
    EXPECT_TRUE(WaitGone(entry, kWait));
    Click(s[ids::kCancel]);
    EXPECT_TRUE(WaitGone(s.form, kWait));
  });
}

// --- texts, whatever the code page ---------------------------------------------------------

// A caption as the window must show it (a label breaks lines at CR LF).
std::wstring Shown(const qv::ui::CaptionedControl& c) {
  std::wstring w = c.CaptionCp() == qv::ui::Cp::Gb2312 ? FromGb(c.Caption()) : FromAcp(c.Caption());
  if (dynamic_cast<const qv::ui::Label*>(&c) == nullptr) return w;
  std::wstring out;
  for (size_t i = 0; i < w.size(); ++i) {
    out += w[i];
    if (w[i] == L'\r' && (i + 1 >= w.size() || w[i + 1] != L'\n')) out += L'\n';
  }
  return out;
}

std::wstring TabText(HWND tabs, int i) {
  wchar_t buf[128] = {};
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = buf;
  item.cchTextMax = 128;
  SendMessageW(tabs, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
  return buf;
}

class CodePage : public SetupDialogE2E {
 protected:
  void SetUp() override {
    SetupDialogE2E::SetUp();
    // The run with its own locale says which code page it expects.
    if (const char* acp = std::getenv("QUELVOR_EXPECT_ACP")) {
      ASSERT_EQ(GetACP(), std::strtoul(acp, nullptr, 10));
    }
  }
};

TEST_F(CodePage, EveryTextReadsRightThroughTheWideApi) {
  ZcOpenCase c("");
  c.Run([&](ZcOpenCase& c) {
    SetupWindows s = c.WaitSetup();
    ASSERT_NE(s.form, nullptr);
    EXPECT_EQ(TextOf(s.form), Gb(qv::texts::kSetupCaption));
    for (qv::ui::Component* comp : Model().Components()) {
      auto* cc = dynamic_cast<qv::ui::CaptionedControl*>(comp);
      if (cc == nullptr || cc == Model().lblMVDInfo) continue;
      EXPECT_EQ(TextOf(s[cc->Id()]), Shown(*cc)) << cc->Name();
    }
    // The count label, as the dialog writes it for the list.
    EXPECT_EQ(TextOf(s[ids::kBetCount]), Gb(qv::texts::kCountPrefix) + L"0");
    EXPECT_EQ(TabText(s[ids::kPageControl], 0), Gb(qv::texts::kTabSheet1Caption));
    for (int id : {ids::AllowedLow(7), ids::kEHigh}) EXPECT_EQ(TextOf(s[id]), L"0");

    // The popup menu's captions.
    Click(s[ids::kMenuButton]);
    HWND popup = WaitPopupMenu(c.tid(), kWait);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(MenuItems(popup), (std::vector<std::wstring>{Gb(qv::texts::kSaveFltCaption),
                                                           Gb(qv::texts::kLoadFltCaption),
                                                           Gb(qv::texts::kAnalysisMenuCaption)}));
    PressKey(popup, VK_ESCAPE);
    EXPECT_TRUE(WaitUntil([&] { return WaitPopupMenu(c.tid(), 0) == nullptr; }, kWait));

    // The open dialog's file type filter.
    Click(s[ids::kImport]);
    HWND dlg = WaitFileDialog(c.tid(), kWait);
    ASSERT_NE(dlg, nullptr);
    HWND types = GetDlgItem(dlg, 0x470);
    ASSERT_NE(types, nullptr);
    EXPECT_EQ(TextOf(types), Gb("\xCD\xB6\xD7\xA2\xBD\xE1\xB9\xFB\xCE\xC4\xBC\xFE(*.szc)"));
    EXPECT_TRUE(CancelFileDialog(dlg, kWait));

    // The entry dialog.
    Click(s[ids::kAdd]);
    HWND entry = c.WaitEntry();
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(TextOf(ChildById(entry, ids::kOk)), Gb(qv::texts::kEntryOkCaption));
    EXPECT_EQ(TextOf(ChildById(entry, ids::kCancel)), Gb(qv::texts::kEntryCancelCaption));
    qv::TfrmInputMDChip entryModel;
    EXPECT_EQ(TextOf(ChildById(entry, ids::kEntryInstruction)), Shown(*entryModel.Label1));
    Click(ChildById(entry, ids::kCancel));
    EXPECT_TRUE(WaitGone(entry, kWait));

    // The refusal of an empty list.
    Click(s[ids::kOk]);
    MessageBoxSeen box = WaitMessageBox(c.tid(), kWait);
    EXPECT_EQ(box.text, Gb(qv::texts::kEmptyListMessage));
    EXPECT_EQ(box.caption, Gb(qv::texts::kEmptyListCaption));
    EXPECT_TRUE(box.icon);
    EXPECT_TRUE(CloseMessageBox(box));
    Snap(s.form, "setup-cp1252");
    Click(s[ids::kCancel]);
    EXPECT_TRUE(WaitGone(s.form, kWait));
  });
}

// --- unloading and loading again ------------------------------------------------------------

// Run in a process of its own: no other case may hold the library loaded.
TEST(Reload, EachLoadAtANewAddressOpensTheDialog) {
  std::vector<void*> reserved;
  uintptr_t lastBase = 0;
  for (int round = 0; round < 3; ++round) {
    Plugin lib = LoadPlugin();
    ASSERT_NE(lib.dll, nullptr) << "round " << round;
    const auto base = reinterpret_cast<uintptr_t>(lib.dll);
    EXPECT_NE(base, lastBase) << "round " << round;
    lastBase = base;
    {
      ZcOpenCase c(kExample, lib);
      bool opened = false;
      c.Run([&](ZcOpenCase& c) {
        SetupWindows s = c.WaitSetup();
        ASSERT_NE(s.form, nullptr);
        opened = true;
        // With the analysis window open and its census running.
        EXPECT_NE(c.OpenAnalysis(s.form), nullptr);
        Click(s[ids::kCancel]);
        EXPECT_TRUE(WaitGone(s.form, kWait));
      });
      EXPECT_TRUE(opened) << "round " << round;
      EXPECT_STREQ(lib.GetFilterStr(), kExample) << "round " << round;
      EXPECT_EQ(OwnWindows(GetCurrentThreadId()), 0);
    }
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(lib.dll);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(reinterpret_cast<const BYTE*>(lib.dll) + dos->e_lfanew);
    const SIZE_T size = nt->OptionalHeader.SizeOfImage;
    ASSERT_TRUE(FreeLibrary(lib.dll));
    ASSERT_EQ(GetModuleHandleW(L"Quelvor.dll"), nullptr) << "still loaded after FreeLibrary";
    // The classes went with the image.
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    EXPECT_FALSE(GetClassInfoExW(reinterpret_cast<HINSTANCE>(base), L"QuelvorForm", &wc));
    EXPECT_FALSE(GetClassInfoExW(reinterpret_cast<HINSTANCE>(base), L"QuelvorChart", &wc));
    // The host's own allocations take the old range.
    void* hold = VirtualAlloc(reinterpret_cast<void*>(base), size, MEM_RESERVE, PAGE_NOACCESS);
    ASSERT_NE(hold, nullptr) << "round " << round;
    reserved.push_back(hold);
  }
  for (void* p : reserved) VirtualFree(p, 0, MEM_RELEASE);
}

}  // namespace

// --- quelvor setup ----------------------------------------------------------------------

struct SetupThreadSearch {
  DWORD pid = 0;
  DWORD tid = 0;
};

BOOL CALLBACK FindSetupThread(HWND w, LPARAM p) {
  auto* f = reinterpret_cast<SetupThreadSearch*>(p);
  DWORD pid = 0;
  const DWORD t = GetWindowThreadProcessId(w, &pid);
  if (pid == f->pid && IsWindowVisible(w) && IsSetup(w)) f->tid = t;
  return TRUE;
}

// The thread of a process that shows the setup dialog; 0: none yet.
DWORD SetupThreadOf(DWORD pid) {
  SetupThreadSearch f;
  f.pid = pid;
  EnumWindows(FindSetupThread, reinterpret_cast<LPARAM>(&f));
  return f.tid;
}

// quelvor.exe setup, run as its own process with its standard output in a
// pipe; script drives the dialog from here through the process's windows.
std::string RunQuelvorSetup(const std::wstring& args, const std::function<void(DWORD tid)>& script) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return "<no pipe>";
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = writeEnd;
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi{};
  std::wstring cmd = L"quelvor.exe setup " + args;
  if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    CloseHandle(readEnd);
    CloseHandle(writeEnd);
    return "<quelvor.exe did not start>";
  }
  CloseHandle(writeEnd);
  std::string out;
  std::thread reader([&] {
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
  });
  // The setup dialog's thread: the one that owns a window with its caption.
  DWORD tid = 0;
  WaitUntil(
      [&] {
        tid = SetupThreadOf(pi.dwProcessId);
        return tid != 0;
      },
      kWait);
  if (tid != 0) script(tid);
  if (WaitForSingleObject(pi.hProcess, kWait) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 9);
  reader.join();
  CloseHandle(readEnd);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return out;
}

TEST(QuelvorSetup, PrintsTheFilterStringTheDialogLeaves) {
  const std::string given = "M5(10-30|5-40)TJ1234567|";
  const std::string ok = RunQuelvorSetup(L"--filter-string \"M5(10-30|5-40)TJ1234567|\"", [](DWORD tid) {
    HWND form = WaitWindow(tid, IsSetup, kWait);
    ASSERT_NE(form, nullptr);
    SentClick(ChildById(form, ids::LevelBox(6)));
    SentClick(ChildById(form, ids::kOk));
  });
  EXPECT_EQ(ok, "M6(0-0|0-0)" + given + "\n");
  const std::string cancelled = RunQuelvorSetup(L"--filter-string \"M5(10-30|5-40)TJ1234567|\"", [](DWORD tid) {
    HWND form = WaitWindow(tid, IsSetup, kWait);
    ASSERT_NE(form, nullptr);
    SentClick(ChildById(form, ids::LevelBox(6)));
    SentClick(ChildById(form, ids::kCancel));
  });
  EXPECT_EQ(cancelled, given + "\n");
}
