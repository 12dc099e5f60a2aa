// Control texts that the setup dialog must not write into a filter string.
#include <gtest/gtest.h>

#include "FltSetup.h"
#include "UiMemory.h"

namespace qv {
namespace {

class HostileSetupDialog : public ::testing::Test {
 protected:
  ui::MemoryBackend& mem = ui::UseMemoryBackend();
  void SetUp() override { mem.ClearMessages(); }
};

TEST_F(HostileSetupDialog, SeparatorsInABandAreRefusedAtOk) {
  // A typed sign confirmed with Enter, and pasted separators: each would cut
  // the section at the wrong place when the string is read back.
  struct Case {
    int field;  // 0 ShotA, 1 ShotB, 2 CanErrA, 3 CanErrB
    const char* text;
  } cases[] = {{0, "-5"}, {1, "5|"}, {2, "1-2"}, {3, "9)"}, {0, ")"}};
  for (const Case& c : cases) {
    TfrmFltSetup dlg;
    dlg.lbMVDChip->AddItem("1234567");
    dlg.chkShot[7]->Click();
    ui::SpinEdit* e[] = {dlg.edtShotA[7], dlg.edtShotB[7], dlg.edtCanErrA[7], dlg.edtCanErrB[7]};
    e[c.field]->SetText(c.text);
    dlg.btnOKClick();
    EXPECT_EQ(dlg.CancelFlag, 1) << c.text;
    EXPECT_EQ(mem.Messages().size(), 1u) << c.text;
    mem.ClearMessages();
    // Corrected, the same dialog is accepted and its string reads back.
    e[c.field]->SetText("0");
    dlg.btnOKClick();
    EXPECT_EQ(dlg.CancelFlag, 0) << c.text;
    TfrmFltSetup again;
    ASSERT_TRUE(again.ApplyFilterStr(dlg.BuildFilterStr()));
    EXPECT_EQ(again.BuildFilterStr(), dlg.BuildFilterStr());
  }
}

TEST_F(HostileSetupDialog, UncheckedLevelsAreNotWritten) {
  TfrmFltSetup dlg;
  dlg.lbMVDChip->AddItem("1234567");
  dlg.edtShotA[3]->SetText("-|)");
  dlg.btnOKClick();
  EXPECT_EQ(dlg.CancelFlag, 0);
  EXPECT_EQ(dlg.BuildFilterStr(), "TJ1234567|");
}

}  // namespace
}  // namespace qv
