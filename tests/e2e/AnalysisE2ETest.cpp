// The analysis window of the real plug-in library beside its setup dialog:
// opened by the command a menu sends, following an Add and a Delete made
// through the windows, and OK and Cancel pressed while its census runs.
#include <windows.h>
#include <tlhelp32.h>

#include <string>

#include "AnalysisWindow.h"
#include "FullPass.h"
#include "SampleFilter.h"
#include "SetupCase.h"

namespace {

using namespace e2e;
namespace ids = qv::ids;

// The threads of this process.
int ProcessThreads() {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snap == INVALID_HANDLE_VALUE) return -1;
  int n = 0;
  THREADENTRY32 t{};
  t.dwSize = sizeof t;
  for (BOOL more = Thread32First(snap, &t); more; more = Thread32Next(snap, &t))
    if (t.th32OwnerProcessID == GetCurrentProcessId()) ++n;
  CloseHandle(snap);
  return n;
}

bool IsAnalysis(HWND w) { return TextOf(w) == Gb(qv::texts::kAnalysisCaption); }

std::wstring KeptOf(const qv::VerdictCounts& c) { return FromGb(qv::KeptText(c, qv::kCensusNumbers)); }

const qv::VerdictCounts kSample{qv::testing::kSamplePassed, qv::testing::kSampleFailed,
                                qv::testing::kSampleHardReject};

class AnalysisE2E : public SetupDialogE2E {
 protected:
  // Opens the window with the menu's command; its counts label.
  static HWND OpenAnalysis(ZcOpenCase& c, const SetupWindows& s, HWND* window = nullptr) {
    SendMessageW(s.form, WM_COMMAND, ids::kAnalysisMenu, 0);
    HWND w = WaitWindow(c.tid(), IsAnalysis, kWait);
    if (window) *window = w;
    EXPECT_EQ(GetWindow(w, GW_OWNER), s.form);
    return w ? ChildById(w, ids::kKept) : nullptr;
  }
  // A Delete of the first bet and, queued right behind it, a click on
  // button: the dialog's thread handles the click as soon as the Delete
  // has started its census, long before a census can end.
  static void DeleteFirstBetThenClick(const SetupWindows& s, int button) {
    SendMessageW(s["lbMVDChip"], LB_SETCARETINDEX, 0, 0);
    Click(s[ids::kDelete]);
    Click(s[button]);
  }
  static std::string WithoutFirstBet(std::string filterStr) {
    const size_t tj = filterStr.find("TJ") + 2;
    return filterStr.erase(tj, filterStr.find('|', tj) + 1 - tj);
  }
  static bool Reads(HWND label, const std::wstring& text) {
    return WaitUntil([&] { return TextOf(label) == text; }, 120000);
  }
};

TEST_F(AnalysisE2E, FollowsAnAddAndADeleteAndOkEndsItsCensus) {
  const std::string added = std::string(qv::testing::kSampleFilter) + "7654321|";
  const std::wstring afterAdd = KeptOf(qv::testing::FullPass(added));
  const int threads = ProcessThreads();
  ZcOpenCase c(qv::testing::kSampleFilter);
  DWORD clicked = 0;
  c.Run([&](ZcOpenCase& c) {
    SetupWindows s = c.WaitSetup();
    ASSERT_NE(s.form, nullptr);
    HWND window = nullptr;
    HWND kept = OpenAnalysis(c, s, &window);
    ASSERT_NE(kept, nullptr);
    EXPECT_TRUE(Reads(kept, KeptOf(kSample)));
    Snap(s.form, "analysis", window);
    AddBet(c, s, L"7654321");
    EXPECT_TRUE(WaitUntil([&] { return ListItems(s["lbMVDChip"]).size() == 61; }, kWait));
    EXPECT_TRUE(Reads(kept, afterAdd));
    ClickListLine(s["lbMVDChip"], 60);
    Click(s[ids::kDelete]);
    EXPECT_TRUE(Reads(kept, KeptOf(kSample)));
    EXPECT_EQ(ListItems(s["lbMVDChip"]).size(), 60u);
    DeleteFirstBetThenClick(s, ids::kOk);
    clicked = GetTickCount();
    EXPECT_TRUE(WaitGone(s.form, 1000));
  });
  EXPECT_LT(c.returnedAt_ - clicked, 1000u);
  EXPECT_EQ(FilterStr(), WithoutFirstBet(qv::testing::kSampleFilter));
  EXPECT_EQ(OwnWindows(GetCurrentThreadId()), 0);
  // Every worker joined: none is left running.
  EXPECT_TRUE(WaitUntil([&] { return ProcessThreads() <= threads; }, 5000)) << ProcessThreads();
}

TEST_F(AnalysisE2E, CancelWhileTheCensusRunsKeepsTheFilterString) {
  const int threads = ProcessThreads();
  ZcOpenCase c(qv::testing::kSampleFilter);
  DWORD clicked = 0;
  c.Run([&](ZcOpenCase& c) {
    SetupWindows s = c.WaitSetup();
    ASSERT_NE(s.form, nullptr);
    HWND kept = OpenAnalysis(c, s);
    EXPECT_TRUE(Reads(kept, KeptOf(kSample)));
    SendMessageW(s["chkShot7"], BM_SETCHECK, BST_CHECKED, 0);
    DeleteFirstBetThenClick(s, ids::kCancel);
    clicked = GetTickCount();
    EXPECT_TRUE(WaitGone(s.form, 1000));
  });
  EXPECT_LT(c.returnedAt_ - clicked, 1000u);
  EXPECT_EQ(FilterStr(), qv::testing::kSampleFilter);
  EXPECT_EQ(OwnWindows(GetCurrentThreadId()), 0);
  EXPECT_TRUE(WaitUntil([&] { return ProcessThreads() <= threads; }, 5000)) << ProcessThreads();
}

}  // namespace
