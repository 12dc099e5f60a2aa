// The analysis window of the real library beside its setup dialog: opened by
// the menu's command, following an Add and a Delete made through the
// windows, and OK or Cancel pressed while its census runs; the example
// history loaded through the open dialog, calibrated and applied, then OK.
#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <string>

#include "AnalysisWindow.h"
#include "FullPass.h"
#include "Pipeline.h"
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
    HWND w = c.OpenAnalysis(s.form);
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

// What OK writes after the window's calibration and its Apply: the bands and
// E section that the keep-rate calibration of the command line proposes for
// the history, with the dialog's own media bets.
TEST_F(SetupDialogE2E, HistoryCalibratedAndAppliedIsWhatOkWrites) {
  const std::string sample = qv::testing::kSampleFilter;
  const qv::host::History history = qv::host::ReadHistory(qv::testing::kExampleHistory);
  ASSERT_TRUE(history.ok) << history.error;
  qv::host::CalibrationRequest r;
  std::string why;
  qv::host::ParseUnitDecimal("0.8", r.allowed, why);
  qv::host::ParseUnitDecimal("1.0", r.tolerance, why);
  qv::host::ParseUnitDecimal("0.9", r.recall, why);
  r.draws = history.draws;
  r.objective = qv::host::Objective::Keep;
  r.backtest.keepRate.mode = qv::host::KeepRateMode::None;
  r.backtest.jobs = 2;
  const std::string proposal = qv::host::RunCalibration(r).run.proposal.filterString;
  ASSERT_FALSE(proposal.empty());
  std::wstring file = FromAcp(qv::testing::kExampleHistory);
  for (wchar_t& ch : file) ch = ch == L'/' ? L'\\' : ch;

  ZcOpenCase c(sample);
  c.Run([&](ZcOpenCase& c) {
    SetupWindows s = c.WaitSetup();
    ASSERT_NE(s.form, nullptr);
    HWND w = c.OpenAnalysis(s.form);
    ASSERT_NE(w, nullptr);
    Click(ChildById(w, ids::kHistoryButton));
    HWND open = WaitFileDialog(c.tid());
    ASSERT_NE(open, nullptr);
    ASSERT_TRUE(ChooseFile(open, file));
    HWND summary = ChildById(w, ids::kHistorySummary);
    const std::wstring counted = Gb(qv::texts::kHistorySummaryKept);
    auto summarized = [&] { return TextOf(summary).rfind(counted, 0) == 0; };
    EXPECT_TRUE(WaitUntil(summarized, 300000)) << ToGb(TextOf(summary));
    EXPECT_EQ(SendMessageW(ChildById(w, ids::kHistoryList), LVM_GETITEMCOUNT, 0, 0), 30);
    HWND apply = ChildById(w, ids::kApply);
    EXPECT_FALSE(IsWindowEnabled(apply));
    Click(ChildById(w, ids::kCalibrate));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(apply) && summarized(); }, 300000));
    Click(apply);
    const std::wstring kept = KeptOf(qv::testing::FullPass(proposal + sample.substr(sample.find("TJ"))));
    EXPECT_TRUE(WaitUntil([&] { return TextOf(ChildById(w, ids::kKept)) == kept; }, 120000));
    Snap(s.form, "analysis-history", w);
    Click(s[ids::kOk]);
    EXPECT_TRUE(WaitGone(s.form, kWait));
  });
  EXPECT_EQ(FilterStr(), proposal + sample.substr(sample.find("TJ")));
}

}  // namespace
