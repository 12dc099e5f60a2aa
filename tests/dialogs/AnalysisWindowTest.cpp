// The analysis window beside the setup dialog, on every toolkit of the build
// (through the real windows on Win32): its counts against full passes after
// each kind of edit, its charts, and why a state cannot be judged.
#include "AnalysisWindow.h"

#include <gtest/gtest.h>

#ifdef QUELVOR_TEST_WIN32
#include <windows.h>
#endif

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ControlIds.h"
#include "FltSetup.h"
#include "FullPass.h"
#include "SampleFilter.h"
#include "Texts.h"
#include "ToolkitBackends.h"

namespace qv {
namespace {

using qv::testing::FullPass;

class AnalysisWindowOn : public ui::testing::ToolkitFixture {
 protected:
  TfrmFltSetup dlg;

  bool OnWin32() const { return GetParam() == ui::testing::Toolkit::Win32; }

  // Lets the dialog's thread deliver what others sent and posted to it.
  void Pump() {
#ifdef QUELVOR_TEST_WIN32
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessageW(&m);
    }
#endif
    ui::RunPostedTasks();
  }

  // Opens the window as the menu does (on Win32: the command sent to the
  // dialog's window).
  TfrmAnalysis& Open() {
#ifdef QUELVOR_TEST_WIN32
    if (OnWin32()) SendMessageW(static_cast<HWND>(dlg.Handle()), WM_COMMAND, ids::kAnalysisMenu, 0);
#endif
    if (!OnWin32()) dlg.mnuAnalysis->Click();
    return *dlg.AnalysisWindow();
  }

  void WaitCensus(TfrmAnalysis& w) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (w.CensusRunning() && std::chrono::steady_clock::now() < end) {
      Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    Pump();
    ASSERT_FALSE(w.CensusRunning());
  }

  std::string Kept() const { return dlg.AnalysisWindow()->lblKept->Caption(); }
  std::string Full() const { return KeptText(FullPass(dlg.BuildFilterStr()), kCensusNumbers); }
};
QV_TOOLKIT_SUITE(AnalysisWindowOn);

TEST_P(AnalysisWindowOn, ShowsTheExampleAndFollowsEveryEdit) {
  ASSERT_TRUE(dlg.ApplyFilterStr(testing::kSampleFilter));
  Showing(dlg, [&] {
    TfrmAnalysis& w = Open();
    ASSERT_TRUE(w.Showing());
    EXPECT_EQ(w.ModelessOwner(), &dlg);
    EXPECT_EQ(w.Caption(), texts::kAnalysisCaption);
    EXPECT_EQ(Kept(), texts::kCensusRunning);
    EXPECT_TRUE(w.pbCensus->Visible());
    EXPECT_EQ(&Open(), &w);  // once more: the same window, brought forward
    WaitCensus(w);
    EXPECT_EQ(Kept(),
              "\xCD\xA8\xB9\xFD\xA3\xBA" "5426939 \xD7\xA2\xA3\xA8" "54.27%\xA3\xA9  \xCC\xD4\xCC\xAD\xA3\xBA"
              "4475567 \xD7\xA2  \xB3\xAC\xC8\xDD\xB4\xED\xA3\xBA" "97494 \xD7\xA2");
    EXPECT_FALSE(w.pbCensus->Visible());
#ifdef QUELVOR_TEST_WIN32
    if (OnWin32()) {
      wchar_t shown[128] = {};
      GetWindowTextW(static_cast<HWND>(w.lblKept->Handle()), shown, 128);
      EXPECT_EQ(std::wstring(shown), L"\u901A\u8FC7\uFF1A5426939 \u6CE8\uFF0854.27%\uFF09  \u6DD8\u6C70\uFF1A"
                                     L"4475567 \u6CE8  \u8D85\u5BB9\u9519\uFF1A97494 \u6CE8");
      EXPECT_EQ(GetDlgCtrlID(static_cast<HWND>(w.chtLevel[3]->Handle())), ids::LevelChart(3));
    }
#endif
    // The charts: every number once per level; a checked level's bands.
    for (int d = 0; d < 8; ++d) {
      uint64_t sum = 0;
      for (uint64_t c : w.chtLevel[d]->Counts()) sum += c;
      EXPECT_EQ(sum, kCensusNumbers) << d;
      EXPECT_EQ(w.lblWithout[d]->Visible(), d <= 4) << d;
    }
    EXPECT_EQ(w.chtLevel[4]->Caption(), "\xC3\xFC\xD6\xD0" "4\xD0\xC7");
    EXPECT_EQ(w.chtLevel[4]->Bands(), (std::vector<ui::ChartBand>{{0, 5, kToleranceBandColor},
                                                                  {0, 1, kAllowedBandColor}}));
    EXPECT_TRUE(w.chtLevel[7]->Bands().empty());
    EXPECT_EQ(w.lblWithout[4]->Caption().rfind(texts::kWithoutHead, 0), 0u);

    // A band edit: evaluated at once from the census.
    dlg.edtShotB[4]->SetText("3");
    EXPECT_FALSE(w.CensusRunning());
    EXPECT_EQ(Kept(), Full());
    // A level box checked from another thread.
#ifdef QUELVOR_TEST_WIN32
    if (OnWin32()) {
      std::atomic<bool> sent{false};
      std::thread other([&] {
        SendMessageW(static_cast<HWND>(dlg.chkShot[6]->Handle()), BM_SETCHECK, BST_CHECKED, 0);
        sent = true;
      });
      while (!sent) Pump();
      other.join();
    }
#endif
    if (!OnWin32()) dlg.chkShot[6]->SetChecked(true);
    EXPECT_EQ(w.lblWithout[6]->Visible(), true);
    EXPECT_EQ(Kept(), Full());
    // Delete the first bet: a new census.
    dlg.lbMVDChip->ClickItem(0);
    dlg.btnDelete->Click();
    EXPECT_EQ(Kept(), texts::kCensusRunning);
    WaitCensus(w);
    EXPECT_EQ(Kept(), Full());
  });
  EXPECT_FALSE(dlg.AnalysisWindow()->Showing());  // gone with the dialog
}

TEST_P(AnalysisWindowOn, SaysWhyAStateCannotBeJudged) {
  ASSERT_TRUE(dlg.ApplyFilterStr(testing::kSampleFilter));
  Showing(dlg, [&] {
    TfrmAnalysis& w = Open();
    WaitCensus(w);
    struct Case {
      std::vector<std::pair<ui::SpinEdit*, const char*>> edits;
      std::string reason;
    };
    const std::string level4 = "\xC3\xFC\xD6\xD0" "4";
    const std::vector<Case> cases = {
        {{{dlg.edtCanErrB[4], "0"}}, level4 + texts::kLevelNotNestedTail},
        {{{dlg.edtShotA[4], "3"}}, level4 + texts::kLevelReversedTail},
        {{{dlg.edtShotA[4], ""}}, level4 + texts::kLevelNotNumberTail},
        {{{dlg.edtCanErr1, "12"}}, texts::kRangeDigitReason},
        {{{dlg.edtCanErr1, "1"}}, texts::kRangesOutOfOrderReason},  // E1-1 starts above S0-1
        {{{dlg.edtCanErr1, "1"}, {dlg.edtCanErr2, "0"}}, texts::kERangeReversedReason},
        {{{dlg.edtCanSupErr1, "1"}, {dlg.edtCanSupErr2, "0"}}, texts::kSRangeReversedReason},
    };
    for (const Case& c : cases) {
      std::vector<std::string> before;
      for (auto [field, text] : c.edits) {
        before.push_back(field->Text());
        field->SetText(text);
      }
      EXPECT_EQ(Kept(), c.reason) << c.edits[0].first->Name() << " " << c.edits[0].second;
      EXPECT_TRUE(w.chtLevel[4]->Bands().empty());
      for (size_t i = c.edits.size(); i-- > 0;) c.edits[i].first->SetText(before[i]);
      EXPECT_EQ(Kept().rfind(texts::kKeptPassed, 0), 0u) << "restored " << c.edits[0].first->Name();
    }
    for (int d = 0; d <= 4; ++d) dlg.chkShot[d]->Click();
    EXPECT_EQ(Kept(), texts::kNoConditionReason);
    dlg.btnClear->Click();
    EXPECT_EQ(Kept(), texts::kNoBetsReason);
    EXPECT_FALSE(w.CensusRunning());
  });
}

// An Add through the entry dialog (a second window: scripted here, driven
// through the real windows by the end-to-end suite), a cancelled census,
// and the dialog closed while the census an Add started runs.
TEST_P(AnalysisWindowOn, AddStartsACensusThatClosingTheDialogEnds) {
  if (OnWin32()) GTEST_SKIP() << "the entry dialog is a second window";
  ASSERT_TRUE(dlg.ApplyFilterStr(testing::kSampleFilter));
  mem->WhenShown("frmInputMDChip", [](ui::Form& f) {
    f.Find<ui::Edit>("edtInput")->TypeText("7654321");
    f.Find<ui::Button>("btnOk")->Click();
  });
  for (const char* bet : {"135,2,4,6,8,0,9", "2468024"})
    mem->WhenShown("frmInputMDChip", [bet](ui::Form& f) {
      f.Find<ui::Edit>("edtInput")->TypeText(bet);
      f.Find<ui::Button>("btnOk")->Click();
    });
  Showing(dlg, [&] {
    TfrmAnalysis& w = Open();
    dlg.btnAdd->Click();  // supersedes the census of the opening
    EXPECT_EQ(Kept(), texts::kCensusRunning);
    WaitCensus(w);
    EXPECT_EQ(Kept(), Full());
    dlg.btnAdd->Click();
    w.CancelCensus();
    EXPECT_FALSE(w.CensusRunning());
    EXPECT_EQ(Kept(), texts::kCensusCancelled);
    dlg.edtShotB[4]->SetText("2");  // no census to judge it by
    EXPECT_EQ(Kept(), texts::kCensusCancelled);
    dlg.btnAdd->Click();
    EXPECT_TRUE(w.CensusRunning());
    dlg.btnOK->Click();
  });
  EXPECT_EQ(dlg.CancelFlag, 0);
  EXPECT_FALSE(dlg.AnalysisWindow()->CensusRunning());  // joined when the window went
}

}  // namespace
}  // namespace qv
