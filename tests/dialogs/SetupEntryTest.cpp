// ZcOpen's work on the in-memory toolkit: the owner window, the filter
// string after OK and after Cancel, and strings the dialog cannot show.
#include "SetupEntry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FltSetup.h"
#include "Texts.h"
#include "UiMemory.h"

namespace qv {
namespace {

constexpr const char kExample[] =
    "M7(0-0|0-5)M5(10-30|5-40)M0(20-60|10-70)E0-1S1-2TJ1234567|024,3468,5,2347,05,268,79|";

class SetupEntry : public ::testing::Test {
 protected:
  ui::MemoryBackend& mem = ui::UseMemoryBackend();
  int host = 0;
  int earlier = 0;
  void* hostWindow() { return &host; }
  void SetUp() override { ui::SetOwnerWindow(&earlier); }
  void TearDown() override { ui::SetOwnerWindow(nullptr); }
};

TEST_F(SetupEntry, OneBetAddedToAnEmptyStringAndOk) {
  std::string filterStr;
  mem.WhenShown("frmFltSetup", [&](ui::Form& f) {
    auto& d = static_cast<TfrmFltSetup&>(f);
    EXPECT_EQ(ui::OwnerWindow(), hostWindow());
    EXPECT_EQ(d.lblMVDInfo->Caption(), std::string(texts::kCountPrefix) + "0");
    mem.WhenShown("frmInputMDChip", [](ui::Form& e) {
      e.Find<ui::Edit>("edtInput")->TypeText("1234567");
      e.PressEnter();
    });
    d.btnAdd->Click();
    d.btnOK->Click();
  });
  RunSetup(hostWindow(), filterStr);
  EXPECT_EQ(filterStr, "TJ1234567|");
  EXPECT_EQ(ui::OwnerWindow(), &earlier);
  ASSERT_EQ(mem.ModalOwners().size(), 2u);
  EXPECT_EQ(mem.ModalOwners()[0], hostWindow());
}

TEST_F(SetupEntry, CancelLeavesTheStringByteForByte) {
  std::string filterStr = kExample;
  mem.WhenShown("frmFltSetup", [](ui::Form& f) {
    auto& d = static_cast<TfrmFltSetup&>(f);
    d.btnClear->Click();
    d.chkShot[3]->Click();
    d.PressEscape();
  });
  RunSetup(hostWindow(), filterStr);
  EXPECT_EQ(filterStr, kExample);
  EXPECT_EQ(ui::OwnerWindow(), &earlier);
  // Closed without a script (the close box): the same.
  RunSetup(hostWindow(), filterStr);
  EXPECT_EQ(filterStr, kExample);
}

TEST_F(SetupEntry, RefusedOkThenCancel) {
  std::string filterStr = "M1(0-1|0-2)TJ1234567|";
  mem.WhenShown("frmFltSetup", [](ui::Form& f) {
    auto& d = static_cast<TfrmFltSetup&>(f);
    d.btnClear->Click();
    d.btnOK->Click();
    EXPECT_EQ(d.CancelFlag, 1);
    d.btnCancel->Click();
  });
  RunSetup(hostWindow(), filterStr);
  EXPECT_EQ(filterStr, "M1(0-1|0-2)TJ1234567|");
  ASSERT_EQ(mem.Messages().size(), 1u);
  EXPECT_EQ(mem.Messages()[0].caption, texts::kEmptyListCaption);
}

TEST_F(SetupEntry, SecondCallShowsWhatTheFirstBuilt) {
  std::string filterStr = "TJ1234567|";
  mem.WhenShown("frmFltSetup", [](ui::Form& f) {
    auto& d = static_cast<TfrmFltSetup&>(f);
    d.chkShot[6]->Click();
    d.edtShotB[6]->SetText("40");
    d.btnOK->Click();
  });
  RunSetup(hostWindow(), filterStr);
  EXPECT_EQ(filterStr, "M6(0-40|0-0)TJ1234567|");
  std::string shown;
  mem.WhenShown("frmFltSetup", [&](ui::Form& f) {
    shown = static_cast<TfrmFltSetup&>(f).BuildFilterStr();
    EXPECT_TRUE(static_cast<TfrmFltSetup&>(f).edtShotB[6]->Enabled());
  });
  RunSetup(hostWindow(), filterStr);
  EXPECT_EQ(shown, filterStr);
}

TEST_F(SetupEntry, UnreadableStringIsNotShownAndKept) {
  for (std::string bad : {"M8(1-2|0-3)TJ1234567|", "M1(1-2|0-3TJ1|", "TJ12M4567|"}) {
    mem.ClearMessages();
    const std::string before = bad;
    RunSetup(hostWindow(), bad);
    EXPECT_EQ(bad, before);
    EXPECT_EQ(ui::OwnerWindow(), &earlier);
    ASSERT_EQ(mem.Messages().size(), 1u) << before;
    EXPECT_EQ(mem.Messages()[0].text, texts::kCannotShowMessage);
    EXPECT_EQ(mem.Messages()[0].caption, texts::kAppTitle);
  }
  EXPECT_TRUE(mem.ModalRuns().empty());  // the dialog never opened
}

TEST_F(SetupEntry, BetsTheStringCannotCarryAreLeftOutOnOpenAndOnlyOkWritesTheRepair) {
  // Only a host or a hand-edited string holds such bets: a line end, a tab,
  // Ctrl-Z.  The dialog opens without them and says how many it left out.
  const std::string given = "M5(10-30|5-40)TJ1234567|12\n4567|7654321|\t|1\x1A|";
  const std::string repaired = "M5(10-30|5-40)TJ1234567|7654321|";
  for (bool ok : {false, true}) {
    mem.ClearMessages();
    std::string filterStr = given;
    std::vector<std::string> shownBets;
    mem.WhenShown("frmFltSetup", [&](ui::Form& f) {
      auto& d = static_cast<TfrmFltSetup&>(f);
      shownBets = d.lbMVDChip->Items();
      (ok ? d.btnOK : d.btnCancel)->Click();
    });
    RunSetup(hostWindow(), filterStr);
    EXPECT_EQ(shownBets, (std::vector<std::string>{"1234567", "7654321"}));
    ASSERT_EQ(mem.Messages().size(), 1u);
    EXPECT_EQ(mem.Messages()[0].text, texts::SkippedBetsMessage(3));
    EXPECT_EQ(filterStr, ok ? repaired : given);
  }
}

TEST_F(SetupEntry, NothingEscapesAndTheOwnerComesBack) {
  // A message box that fails inside the dialog's handling.
  std::string filterStr = "M8(";
  mem.OnMessage = [](const ui::MessageBoxArgs&) { throw std::runtime_error("display failed"); };
  EXPECT_NO_THROW(RunSetup(hostWindow(), filterStr));
  EXPECT_EQ(filterStr, "M8(");
  EXPECT_EQ(ui::OwnerWindow(), &earlier);
  mem.OnMessage = nullptr;
}

TEST_F(SetupEntry, HandlerErrorsLeaveTheDialogUsable) {
  std::string filterStr;
  mem.WhenShown("frmFltSetup", [](ui::Form& f) {
    auto& d = static_cast<TfrmFltSetup&>(f);
    d.mnuLoadFlt->OnClick = [](ui::MenuItem&) { throw std::runtime_error("Disk full"); };
    d.mnuLoadFlt->Click();
    d.lbMVDChip->AddItem("1234567");
    d.btnOK->Click();
  });
  RunSetup(hostWindow(), filterStr);
  ASSERT_EQ(mem.Messages().size(), 1u);
  EXPECT_EQ(mem.Messages()[0].text, "Disk full.");
  EXPECT_EQ(mem.Messages()[0].icon, ui::MessageIcon::Error);
  EXPECT_EQ(filterStr, "TJ1234567|");
}

}  // namespace
}  // namespace qv
