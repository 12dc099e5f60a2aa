// The analysis window on every toolkit of the build (the real windows on
// Win32): its counts against full passes after each kind of edit, its
// charts, a cancelled census, and why a state cannot be judged.
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

#include "ControlIds.h"
#include "FltSetup.h"
#include "FullPass.h"
#include "SampleFilter.h"
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
    for (int i = 0; i < 60000 && w.CensusRunning(); ++i) {
      Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    Pump();
    ASSERT_FALSE(w.CensusRunning());
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

}  // namespace
}  // namespace qv
