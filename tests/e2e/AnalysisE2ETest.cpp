// The analysis window of the real library beside its setup dialog: opened by
// the menu's command, following an Add and a Delete made through the
// windows, and OK or Cancel pressed while its census runs.
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

int ProcessThreads() {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  int n = 0;
  THREADENTRY32 t{};
  t.dwSize = sizeof t;
  for (BOOL more = Thread32First(snap, &t); more; more = Thread32Next(snap, &t))
    n += t.th32OwnerProcessID == GetCurrentProcessId();
  CloseHandle(snap);
  return n;
}

std::wstring KeptOf(const qv::VerdictCounts& c) { return FromGb(qv::KeptText(c, qv::kCensusNumbers)); }

class AnalysisE2E : public SetupDialogE2E, public ::testing::WithParamInterface<int> {};

TEST_P(AnalysisE2E, FollowsAnAddAndADeleteAndOkOrCancelEndItsCensus) {
  const std::string sample = qv::testing::kSampleFilter;
  static const std::wstring afterAdd = KeptOf(qv::testing::FullPass(sample + "7654321|"));
  const std::wstring before = KeptOf({qv::testing::kSamplePassed, qv::testing::kSampleFailed,
                                      qv::testing::kSampleHardReject});
  const int threads = ProcessThreads();
  ZcOpenCase c(sample);
  DWORD clicked = 0;
  c.Run([&](ZcOpenCase& c) {
    SetupWindows s = c.WaitSetup();
    ASSERT_NE(s.form, nullptr);
    SendMessageW(s.form, WM_COMMAND, ids::kAnalysisMenu, 0);
    HWND w = WaitWindow(c.tid(), [](HWND w) { return TextOf(w) == Gb(qv::texts::kAnalysisCaption); }, kWait);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(GetWindow(w, GW_OWNER), s.form);
    HWND kept = ChildById(w, ids::kKept);
    auto reads = [&](const std::wstring& text) { return WaitUntil([&] { return TextOf(kept) == text; }, 120000); };
    EXPECT_TRUE(reads(before));
    Snap(s.form, "analysis", w);
    AddBet(c, s, L"7654321");
    EXPECT_TRUE(WaitUntil([&] { return ListItems(s["lbMVDChip"]).size() == 61; }, kWait));
    EXPECT_TRUE(reads(afterAdd));
    ClickListLine(s["lbMVDChip"], 60);
    Click(s[ids::kDelete]);
    EXPECT_TRUE(reads(before));
    // A Delete of the first bet with the click queued right behind it: the
    // click reaches the dialog as soon as the Delete has started its census.
    SendMessageW(s["lbMVDChip"], LB_SETCARETINDEX, 0, 0);
    Click(s[ids::kDelete]);
    Click(s[GetParam()]);
    clicked = GetTickCount();
    EXPECT_TRUE(WaitGone(s.form, 1000));
  });
  EXPECT_LT(c.returnedAt_ - clicked, 1000u);
  EXPECT_EQ(FilterStr(), GetParam() == ids::kCancel ? sample : std::string(sample).erase(sample.find("TJ") + 2, 8));
  EXPECT_EQ(OwnWindows(GetCurrentThreadId()), 0);
  // Every worker joined: none is left running.
  EXPECT_TRUE(WaitUntil([&] { return ProcessThreads() <= threads; }, 5000)) << ProcessThreads();
}

INSTANTIATE_TEST_SUITE_P(OkAndCancel, AnalysisE2E, ::testing::Values(ids::kOk, ids::kCancel));

}  // namespace
