// The display controls, modeless forms and posting from worker threads, on
// every toolkit of the build (through the real windows on Win32).
#include <gtest/gtest.h>

#ifdef QUELVOR_TEST_WIN32
#include <windows.h>
#include <commctrl.h>
#endif

#include <string>
#include <thread>
#include <vector>

#include "ToolkitBackends.h"
#include "UiApplication.h"
#include "UiViews.h"

namespace qv::ui {
namespace {

using ViewsTest = testing::ToolkitTest;
QV_TOOLKIT_SUITE(ViewsTest);

TEST_P(ViewsTest, ProgressBarAndListViewShowTheirState) {
  auto* bar = form.Make<ProgressBar>(form, "pbCensus");
  bar->SetBounds({0, 30, 200, 16});
  auto* list = form.Make<ListView>(form, "lvHistory");
  list->SetBounds({0, 50, 300, 120});
  list->AddColumn("draw", Cp::System, 60);
  list->AddRow({"1", "1234567"});
  int selects = 0;
  list->OnSelect = [&](ListView&) { ++selects; };
  Showing([&] {
    bar->SetRange(0, 40);
    bar->SetPosition(55);  // clamped
    EXPECT_EQ(bar->Position(), 40);
    list->AddColumn("number", Cp::System, 90);
    list->AddRow({"2", "7654321"});
    list->SetSelected(1);  // the program's: no handler
    list->ClickRow(0);
    list->ClickRow(0);
    EXPECT_EQ(selects, 1);
    list->SetSelected(1);
#ifdef QUELVOR_TEST_WIN32
    if (GetParam() == testing::Toolkit::Win32) {
      auto* pb = static_cast<HWND>(bar->Handle());
      EXPECT_EQ(SendMessageW(pb, PBM_GETPOS, 0, 0), 40);
      auto* lv = static_cast<HWND>(list->Handle());
      EXPECT_EQ(SendMessageW(lv, LVM_GETITEMCOUNT, 0, 0), 2);
      wchar_t cell[32] = {};
      LVITEMW item{};
      item.iSubItem = 1;
      item.pszText = cell;
      item.cchTextMax = 32;
      SendMessageW(lv, LVM_GETITEMTEXTW, 1, reinterpret_cast<LPARAM>(&item));
      EXPECT_STREQ(cell, L"7654321");
      // The selection is the window's, whoever set it, and runs the handler.
      item.stateMask = LVIS_SELECTED;
      item.state = LVIS_SELECTED;
      SendMessageW(lv, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
      EXPECT_EQ(list->Selected(), 0);
      EXPECT_EQ(selects, 2);
      SendMessageW(pb, PBM_SETPOS, 12, 0);
      EXPECT_EQ(bar->Position(), 12);
      return;
    }
#endif
    EXPECT_EQ(list->Selected(), 1);
  });
  list->ClearRows();
  EXPECT_EQ(list->RowCount(), 0);
  EXPECT_EQ(list->Selected(), -1);
}

TEST_P(ViewsTest, ChartLaysOutBarsAndBandsItDraws) {
  auto* chart = form.Make<Chart>(form, "chtLevel3");
  chart->SetBounds({0, 30, 303, 160});
  std::vector<uint64_t> counts(101, 0);
  counts[10] = 500;
  counts[60] = 1000;
  chart->SetCounts(counts);
  chart->SetBands({{40, 80, 0x00E0E0FF}, {50, 70, 0x00C0FFC0}});  // drawn in this order
  chart->SetTexts("level 3", "share (%)", "numbers", Cp::System);
  const ChartLayout l = LayoutChart(*chart, 303, 160);
  ASSERT_EQ(l.bars.size(), 101u);
  EXPECT_EQ(l.yTop, 1000u);
  EXPECT_EQ(l.bars[60].height, l.plot.height);  // the tallest reaches the top
  EXPECT_NEAR(l.bars[10].height, l.plot.height / 2, 1);
  EXPECT_EQ(l.bars[0].height, 0);
  EXPECT_EQ(l.bands[1].left, l.bars[50].left);
  EXPECT_EQ(l.bands[1].left + l.bands[1].width, l.bars[71].left);
  EXPECT_EQ(l.xTicks.back().value, 100u);
  EXPECT_EQ(l.yTicks.back().pixel, l.plot.top);
  Showing([&] {
#ifdef QUELVOR_TEST_WIN32
    if (GetParam() == testing::Toolkit::Win32) {
      // What is on screen follows the layout: a band's colour above the
      // bars, a bar's colour inside the tallest one.
      auto* h = static_cast<HWND>(chart->Handle());
      RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
      HDC dc = GetDC(h);
      const Rect& band = l.bands[1];
      EXPECT_EQ(GetPixel(dc, band.left + 2, band.top + 2), 0x00C0FFC0u);
      EXPECT_EQ(GetPixel(dc, l.bars[60].left, l.bars[60].top + 5), chart->BarColor());
      ReleaseDC(h, dc);
    }
#endif
    const int before = chart->Revision();
    chart->SetCounts(std::vector<uint64_t>(101, 7));
    EXPECT_EQ(chart->Revision(), before + 1);
  });
}

TEST_P(ViewsTest, ModelessFormClosesWithItsOwner) {
  Form side("frmSide");
  side.SetClientSize(200, 100);
  side.SetBesideOwner();
  auto* pb = side.Make<ProgressBar>(side, "pbSide");
  pb->SetBounds({4, 4, 100, 12});
  int shown = 0, closed = 0;
  side.OnShow = [&](Form&) { ++shown; };
  side.OnClose = [&](Form& f) {
    ++closed;
    EXPECT_FALSE(f.Showing());
  };
  Showing([&] {
    side.ShowModeless(form);
    EXPECT_TRUE(side.Showing());
    EXPECT_EQ(side.ModelessOwner(), &form);
#ifdef QUELVOR_TEST_WIN32
    if (GetParam() == testing::Toolkit::Win32) {
      EXPECT_EQ(GetWindow(static_cast<HWND>(side.Handle()), GW_OWNER), static_cast<HWND>(form.Handle()));
      RECT mine, owners;
      GetWindowRect(static_cast<HWND>(side.Handle()), &mine);
      GetWindowRect(static_cast<HWND>(form.Handle()), &owners);
      EXPECT_TRUE(mine.left >= owners.right || mine.right <= owners.left);  // beside, not over it
      EXPECT_EQ(mine.top, owners.top);
      EXPECT_TRUE(IsWindowVisible(static_cast<HWND>(pb->Handle())));
    }
#endif
    side.Close();  // by the program
    EXPECT_EQ(closed, 1);
#ifdef QUELVOR_TEST_WIN32
    if (GetParam() == testing::Toolkit::Win32) {
      // Its close box, and a button of its own whose click closes it.
      side.ShowModeless(form);
      SendMessageW(static_cast<HWND>(side.Handle()), WM_CLOSE, 0, 0);
      EXPECT_FALSE(side.Showing());
      auto* shut = side.Make<Button>(side, "btnShut");
      shut->SetBounds({4, 20, 60, 22});
      shut->OnClick = [&](Button&) { side.Close(); };
      side.ShowModeless(form);
      SendMessageW(static_cast<HWND>(shut->Handle()), BM_CLICK, 0, 0);
      EXPECT_FALSE(side.Showing());
      closed -= 2;
    }
#endif
    side.ShowModeless(form);
  });
  // The owner's run ended: the modeless form went with it.
  EXPECT_FALSE(side.Showing());
  EXPECT_EQ(closed, 2);
  EXPECT_EQ(shown, GetParam() == testing::Toolkit::Win32 ? 4 : 2);
  EXPECT_TRUE(form.OwnedForms().empty());
}

TEST_P(ViewsTest, TasksPostedByWorkersRunOnTheUiThreadInOrder) {
  std::vector<int> ran;
  const std::thread::id ui = std::this_thread::get_id();
  bool onUiThread = true;
  {
    Mailbox box;
    std::thread worker([&] {
      for (int i = 1; i <= 3; ++i) box.Post([&, i] {
        ran.push_back(i);
        onUiThread = onUiThread && std::this_thread::get_id() == ui;
      });
    });
    worker.join();
    if (GetParam() == testing::Toolkit::Win32) {
      // A form's loop delivers them: the last task ends the run.
      box.Post([&] { form.Close(); });
      form.ShowModal();
    } else {
      EXPECT_EQ(RunPostedTasks(), 3);
    }
    box.Post([&] { ran.push_back(99); });  // dropped with its mailbox
  }
  EXPECT_EQ(RunPostedTasks(), 0);
  EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
  EXPECT_TRUE(onUiThread);
}

}  // namespace
}  // namespace qv::ui
