// The analysis window on every toolkit of the build (the real windows on
// Win32): its counts against full passes after each kind of edit, its
// charts, a cancelled census, why a state cannot be judged, and the history
// files it cannot use.
#include "AnalysisWindow.h"

#include <gtest/gtest.h>
#ifdef QUELVOR_TEST_WIN32
#include <windows.h>
#endif
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "Backtest.h"
#include "DialogAnswers.h"
#include "ControlIds.h"
#include "FileAccess.h"
#include "FltSetup.h"
#include "Pipeline.h"
#include "FullPass.h"
#include "SampleFilter.h"
#include "TestFiles.h"
#include "Texts.h"
#include "ToolkitBackends.h"

namespace qv {
namespace {

class AnalysisWindowOn : public ui::testing::ToolkitFixture {
 protected:
  TfrmFltSetup dlg;
  bool OnWin32() const { return GetParam() == ui::testing::Toolkit::Win32; }

  // Delivers what other threads sent and posted to the dialog's thread.
  static void Pump() {
#ifdef QUELVOR_TEST_WIN32
    for (MSG m; PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&m);
#endif
    ui::RunPostedTasks();
  }
  // Opens the window as the menu does (Win32: its command sent to the dialog).
  TfrmAnalysis& Open() {
#ifdef QUELVOR_TEST_WIN32
    if (OnWin32()) SendMessageW(static_cast<HWND>(dlg.Handle()), WM_COMMAND, ids::kAnalysisMenu, 0);
#endif
    if (!OnWin32()) dlg.mnuAnalysis->Click();
    return *dlg.AnalysisWindow();
  }
  static void WaitCensus(TfrmAnalysis& w) {
    for (int i = 0; i < 600000 && (w.CensusRunning() || w.HistoryRunning()); ++i) {
      Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    Pump();
    ASSERT_FALSE(w.CensusRunning() || w.HistoryRunning());
  }
  std::string Kept() const { return dlg.AnalysisWindow()->lblKept->Caption(); }
  std::string Full() const { return KeptText(testing::FullPass(dlg.BuildFilterStr()), kCensusNumbers); }
};
QV_TOOLKIT_SUITE(AnalysisWindowOn);

TEST_P(AnalysisWindowOn, ShowsTheExampleFollowsEveryEditAndSaysWhyNot) {
  ASSERT_TRUE(dlg.ApplyFilterStr(testing::kSampleFilter));
  Showing(dlg, [&] {
    TfrmAnalysis& w = Open();
    EXPECT_EQ(w.ModelessOwner(), &dlg);
    EXPECT_EQ(Kept(), texts::kCensusRunning);
    EXPECT_TRUE(w.pbCensus->Visible());
    EXPECT_EQ(&Open(), &w);  // brought forward, not opened twice
    WaitCensus(w);
    EXPECT_EQ(Kept(), "\xCD\xA8\xB9\xFD\xA3\xBA" "5426939 \xD7\xA2\xA3\xA8" "54.27%\xA3\xA9  \xCC\xD4\xCC\xAD\xA3\xBA"
                      "4475567 \xD7\xA2  \xB3\xAC\xC8\xDD\xB4\xED\xA3\xBA" "97494 \xD7\xA2");
    EXPECT_FALSE(w.pbCensus->Visible());
    for (int d = 0; d < 8; ++d) {
      uint64_t sum = 0;
      for (uint64_t c : w.chtLevel[d]->Counts()) sum += c;
      EXPECT_EQ(sum, kCensusNumbers) << d;
      EXPECT_EQ(w.lblWithout[d]->Visible(), d <= 4) << d;
    }
    EXPECT_EQ(w.chtLevel[4]->Bands(),
              (std::vector<ui::ChartBand>{{0, 5, kToleranceBandColor}, {0, 1, kAllowedBandColor}}));
    EXPECT_TRUE(w.chtLevel[7]->Bands().empty());

    dlg.edtShotB[4]->SetText("3");  // at once, from the census
    EXPECT_EQ(Kept(), Full());
    std::atomic<bool> sent{false};
    std::thread other([&] {  // a level box checked from another thread
#ifdef QUELVOR_TEST_WIN32
      if (OnWin32()) SendMessageW(static_cast<HWND>(dlg.chkShot[6]->Handle()), BM_SETCHECK, BST_CHECKED, 0);
#endif
      sent = true;
    });
    while (!sent) Pump();
    other.join();
    if (!OnWin32()) dlg.chkShot[6]->SetChecked(true);
    EXPECT_TRUE(w.lblWithout[6]->Visible());
    EXPECT_EQ(Kept(), Full());
    dlg.lbMVDChip->ClickItem(0);
    dlg.btnDelete->Click();
    EXPECT_EQ(Kept(), texts::kCensusRunning);
    w.CancelCensus();
    EXPECT_EQ(Kept(), texts::kCensusCancelled);
    dlg.btnDelete->Click();
    WaitCensus(w);
    const std::string counts = Kept();
    EXPECT_EQ(counts, Full());

    // Why a state cannot be judged; back to the counts when it can.
    const std::string l4 = "\xC3\xFC\xD6\xD0" "4";  // 命中4
    const struct {
      ui::SpinEdit* field;
      const char* text;
      std::string reason;
    } cases[] = {
        {dlg.edtCanErrB[4], "0", l4 + texts::kLevelNotNestedTail},
        {dlg.edtShotA[4], "4", l4 + texts::kLevelReversedTail},
        {dlg.edtShotA[4], "", l4 + texts::kLevelNotNumberTail},
        {dlg.edtCanErr1, "12", texts::kRangeDigitReason},
        {dlg.edtCanErr1, "1", texts::kRangesOutOfOrderReason},  // E1-1 starts above S0-1
        {dlg.edtCanErr1, "2", texts::kERangeReversedReason},
        {dlg.edtCanSupErr1, "2", texts::kSRangeReversedReason},
    };
    for (const auto& c : cases) {
      const std::string before = c.field->Text();
      c.field->SetText(c.text);
      EXPECT_EQ(Kept(), c.reason) << c.field->Name() << " " << c.text;
      EXPECT_TRUE(w.chtLevel[4]->Bands().empty());
      c.field->SetText(before);
      EXPECT_EQ(Kept(), counts);
    }
    for (int d : {0, 1, 2, 3, 4, 6}) dlg.chkShot[d]->Click();
    EXPECT_EQ(Kept(), texts::kNoConditionReason);
    dlg.btnClear->Click();
    EXPECT_EQ(Kept(), texts::kNoBetsReason);
    EXPECT_FALSE(w.CensusRunning());
  });
  EXPECT_FALSE(dlg.AnalysisWindow()->Showing());  // gone with the dialog
}

// The example history with the example's bands, a calibration and its
// proposal applied: the rows against the engine's back-test, a keep rate
// against a full pass, the proposal against the library's, the counts after.
TEST_P(AnalysisWindowOn, LoadsTheExampleHistoryCalibratesAndApplies) {
  ASSERT_TRUE(dlg.ApplyFilterStr(testing::kSampleFilter));
  Showing(dlg, [&] {
    TfrmAnalysis& w = Open();
    ASSERT_TRUE(w.LoadHistory(testing::kExampleHistory));
    ASSERT_EQ(w.lvHistory->RowCount(), 30);
    w.CancelHistory();
    EXPECT_EQ(w.lblHistory->Caption(), texts::kCensusCancelled);
    EXPECT_FALSE(w.btnApply->Enabled());
    ASSERT_TRUE(w.LoadHistory(testing::kExampleHistory));
    WaitCensus(w);
    EXPECT_EQ(w.lblHistory->Caption().rfind(texts::kHistorySummaryKept, 0), 0u) << w.lblHistory->Caption();

    w.SetObjective(host::Objective::Narrow);  // the keep objective: the end-to-end case
    w.edtRecall->SetValue(80);
    w.edtHoldout->SetValue(5);
    w.btnCalibrate->Click();
    WaitCensus(w);
    host::CalibrationRequest r;
    std::string why;
    host::ParseUnitDecimal("0.8", r.allowed, why);
    host::ParseUnitDecimal("1", r.tolerance, why);
    host::ParseUnitDecimal("0.80", r.recall, why);
    r.draws = w.HistoryDraws();
    r.holdout = 5;
    r.backtest.keepRate.mode = host::KeepRateMode::None;
    r.objective = host::Objective::Narrow;
    const host::CalibrationResult expected = host::RunCalibration(r);
    ASSERT_TRUE(w.LastProposal());
    const std::string proposal = w.LastProposal()->filterString;
    EXPECT_EQ(proposal, expected.run.proposal.filterString);

    const std::string bets = dlg.BuildFilterStr().substr(dlg.BuildFilterStr().find("TJ"));
    w.btnApply->Click();
    EXPECT_EQ(dlg.BuildFilterStr(), proposal + bets);
    EXPECT_EQ(Kept(), Full());
    host::Bands bands;
    ASSERT_TRUE(host::BandsOf(proposal, bands, why));
    const auto results = host::RunBacktest(bands, w.HistoryDraws(), {.keepRate = {.mode = host::KeepRateMode::None}});
    for (int i = 0; i < 30; ++i)
      EXPECT_EQ(w.lvHistory->Row(i)[3], results[i].verdict == 0   ? texts::kHistoryKept
                                        : results[i].verdict == 1 ? texts::kHistoryFailed
                                                                  : texts::kHistoryHardReject) << i;
    const uint64_t kept0 = testing::FullPass(host::WithBets(proposal, w.HistoryDraws()[0].bets)).passed;
    char rate[32];
    std::snprintf(rate, sizeof rate, "%.2f%%", static_cast<double>(kept0) / 1e5);
    EXPECT_EQ(w.lvHistory->Row(0)[4], rate);
  });
}

// Every kind of history file the window cannot use, loaded directly and
// then chosen through its open dialog (not a folder, which that dialog
// would open instead): its message each time, and nothing of the window or
// the dialog changed.
TEST_P(AnalysisWindowOn, EachUnfitHistoryFileGetsItsMessageAndChangesNothing) {
  testing::DialogAnswers answers(mem);
  testing::ScratchFolder scratch;
  const auto Name = [&](const std::string& leaf) { return scratch.Name(leaf); };
  const auto Put = testing::ScratchFolder::Put;
  const std::string head = "draw,winner,bets_file,bets\n";
  Put(Name("good.csv"), head + "A,1234567,,1234567|\n");
  Put(Name("locked.csv"), head + "A,1234567,,1234567|\n");
  FileReader lock;
  ASSERT_TRUE(lock.Open(Name("locked.csv"), FileReader::Share::None));
  Put(Name("empty.txt"), "");
  std::filesystem::create_directory(Name("folder.csv"));
  Put(Name("big.csv"), head);
  std::filesystem::resize_file(Name("big.csv"), 100u << 20);
  const auto line = [](int n, const std::string& why) {
    return texts::kHistoryLineHead + std::to_string(n) + texts::kHistoryLineTail + why;
  };
  const struct {
    const char* file;
    std::string bytes;  // written unless empty
    std::string message;
  } cases[] = {
      {"folder.csv", "", texts::kHistoryDirectoryMessage},
      {"missing.csv", "", texts::kLoadFailedMessage},
      {"locked.csv", "", texts::kLoadFailedMessage},
      {"blank.csv", "\xEF\xBB\xBF \r\n", texts::kHistoryEmptyMessage},
      {"big.csv", "", texts::kHistoryTooLargeMessage},
      {"utf16.csv", std::string("\xFF\xFE" "d\0r\0", 6), texts::kHistoryNotUtf8Message},
      {"gb.csv", head + "\xC6\xDA,1234567,,1234567|\n", texts::kHistoryNotUtf8Message},
      {"winner.csv", head + "A,1234567,,1234567|\nB,123456,,1234567|\n", line(3, "winner \"123456\" is not seven digits")},
      {"nofile.csv", head + "A,1234567,none.szc,\n", line(2, "")},
      {"nobets.csv", head + "A,1234567,empty.txt,\n", line(2, "")},
  };
  ASSERT_TRUE(dlg.ApplyFilterStr(testing::kSampleFilter));
  Showing(dlg, [&] {
    TfrmAnalysis& w = Open();
    ASSERT_TRUE(w.LoadHistory(Name("good.csv")));
    WaitCensus(w);
    for (const auto& c : cases) {
      if (!c.bytes.empty()) Put(Name(c.file), c.bytes);
      answers.Clear();
      const std::string summary = w.lblHistory->Caption();
      EXPECT_FALSE(w.LoadHistory(Name(c.file))) << c.file;
      const bool chosen = !std::filesystem::is_directory(Name(c.file));
      if (chosen) {
        answers.File(Name(c.file));
        w.btnHistory->Click();
        EXPECT_EQ(answers.FileDialogs().size(), 1u) << c.file;
      }
      const auto seen = answers.Messages();
      ASSERT_EQ(seen.size(), chosen ? 2u : 1u) << c.file;
      for (const testing::SeenMessage& m : seen)
        EXPECT_EQ(m.text.substr(0, c.message.size()), c.message) << c.file << ": " << m.text;
      EXPECT_FALSE(w.HistoryRunning()) << c.file;
      EXPECT_EQ(w.HistoryDraws().size(), 1u);
      EXPECT_EQ(w.lvHistory->RowCount(), 1);
      EXPECT_EQ(w.lblHistory->Caption(), summary);
    }
    EXPECT_EQ(dlg.BuildFilterStr(), testing::kSampleFilter);
  });
  lock.Close();
}

}  // namespace
}  // namespace qv
