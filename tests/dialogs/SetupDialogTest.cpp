// The setup dialog on every toolkit of the build: creation state, enabling,
// the media bet list, OK, the filter string both ways, and the file
// commands through the handlers, with their message boxes, file dialogs and
// entry dialogs (on Win32 the real ones, answered from another thread).
#include "FltSetup.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "BetResultFile.h"
#include "ConditionFile.h"
#include "DialogAnswers.h"
#include "SzcBytes.h"
#include "Texts.h"
#include "ToolkitBackends.h"
#include "UiMemory.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using qv::testing::Szc;

constexpr const char kExample[] =
    "M7(0-0|0-5)M5(10-30|5-40)M0(20-60|10-70)E0-1S1-2TJ1234567|024,3468,5,2347,05,268,79|";

std::string Count(int n) { return texts::kCountPrefix + std::to_string(n); }

// The files a case writes, removed after it.
class CaseFiles {
 public:
  ~CaseFiles() {
    std::error_code ec;
    for (const fs::path& p : files_) fs::remove(p, ec);
  }
  fs::path TempFile(const std::string& name) {
    fs::path p = fs::temp_directory_path() /
                 ("qv_dialog_" + std::to_string(reinterpret_cast<uintptr_t>(this)) + "_" + name);
    files_.push_back(p);
    return p;
  }
  fs::path WriteFile(const std::string& name, const std::string& bytes) {
    fs::path p = TempFile(name);
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }
  static std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  std::vector<fs::path> files_;
};

// The cases that look at the model itself, on the in-memory toolkit.
class SetupDialog : public ::testing::Test {
 protected:
  ui::MemoryBackend& mem = ui::UseMemoryBackend();
  TfrmFltSetup dlg;
};

std::vector<ui::SpinEdit*> LevelEdits(TfrmFltSetup& d, int level) {
  return {d.edtShotA[level], d.edtShotB[level], d.edtCanErrA[level], d.edtCanErrB[level]};
}

// The cases that run on every toolkit of the build: on Win32 while the
// dialog is on screen, through its windows, and the windows it opens over
// itself answered as queued in answers.
class SetupDialogOn : public ui::testing::ToolkitFixture, protected CaseFiles {
 protected:
  void SetUp() override {
    ToolkitFixture::SetUp();
    if (!IsSkipped()) answers = std::make_unique<testing::DialogAnswers>(mem);
  }
  std::vector<std::string> MessageTexts() const { return answers->MessageTexts(); }

  TfrmFltSetup dlg;
  std::unique_ptr<testing::DialogAnswers> answers;
};
QV_TOOLKIT_SUITE(SetupDialogOn);

// --- creation and layout --------------------------------------------------------

TEST_P(SetupDialogOn, StateAtCreation) {
  Showing(dlg, [&] {
    EXPECT_EQ(dlg.Name(), "frmFltSetup");
    EXPECT_EQ(dlg.CancelFlag, 1);
    EXPECT_EQ(dlg.Caption(), texts::kSetupCaption);
    EXPECT_EQ(dlg.ClientWidth(), 676);
    EXPECT_EQ(dlg.ClientHeight(), 393);
    EXPECT_EQ(dlg.Position(), ui::FormPosition::ScreenCenter);
    EXPECT_TRUE(dlg.SystemMenu());
    EXPECT_EQ(dlg.DefaultButton(), dlg.btnOK);
    EXPECT_EQ(dlg.CancelButton(), dlg.btnCancel);
    EXPECT_EQ(dlg.EffectiveFont().face, "SimSun");
    EXPECT_EQ(dlg.EffectiveFont().height, 12);
    EXPECT_EQ(dlg.EffectiveFont().charset, ui::Charset::Gb2312);
    for (int d = 0; d < 8; ++d) {
      EXPECT_FALSE(dlg.chkShot[d]->Checked());
      EXPECT_TRUE(dlg.chkShot[d]->Enabled());
      for (ui::SpinEdit* e : LevelEdits(dlg, d)) {
        EXPECT_FALSE(e->Enabled()) << e->Name();
        EXPECT_EQ(e->Text(), "0") << e->Name();
        EXPECT_EQ(e->Max(), 100) << e->Name();
      }
    }
    EXPECT_TRUE(dlg.chkCanErr->Enabled());
    EXPECT_FALSE(dlg.chkCanSupErr->Enabled());
    for (ui::SpinEdit* e : {dlg.edtCanErr1, dlg.edtCanErr2, dlg.edtCanSupErr1, dlg.edtCanSupErr2}) {
      EXPECT_FALSE(e->Enabled());
      EXPECT_EQ(e->Text(), "0");
      EXPECT_EQ(e->Max(), 9);  // one digit, as the filter string carries
    }
    EXPECT_EQ(dlg.lbMVDChip->Count(), 0);
    EXPECT_EQ(dlg.lblMVDInfo->Caption(), texts::kCountInitial);
    EXPECT_EQ(dlg.RzPageControl1->ActivePage(), dlg.TabSheet1);
    EXPECT_FALSE(dlg.TabSheet2->TabVisible());
    EXPECT_TRUE(dlg.TabSheet2->Controls().empty());
    EXPECT_TRUE(dlg.fdlgOpen->Filter().empty());
    EXPECT_TRUE(dlg.fdlgSave->Filter().empty());
  });
}

TEST_F(SetupDialog, ControlsAreFoundByTheirNames) {
  for (int d = 0; d < 8; ++d) {
    const std::string n(1, static_cast<char>('0' + d));
    EXPECT_EQ(dlg.Find<ui::CheckBox>("chkShot" + n), dlg.chkShot[d]);
    EXPECT_EQ(dlg.Find<ui::SpinEdit>("edtShot" + n + "a"), dlg.edtShotA[d]);
    EXPECT_EQ(dlg.Find<ui::SpinEdit>("edtShot" + n + "b"), dlg.edtShotB[d]);
    EXPECT_EQ(dlg.Find<ui::SpinEdit>("edtCanErr" + n + "a"), dlg.edtCanErrA[d]);
    EXPECT_EQ(dlg.Find<ui::SpinEdit>("edtCanErr" + n + "b"), dlg.edtCanErrB[d]);
    EXPECT_EQ(dlg.chkShot[d]->Parent(), dlg.RzPanel1);
    EXPECT_EQ(dlg.chkShot[d]->Bounds().top, 32 + 24 * (7 - d));
  }
  EXPECT_EQ(dlg.chkShot[3]->Caption(), "\xC3\xFC\xD6\xD0  3 \xD0\xC7\xB5\xC4\xC3\xBD\xCC\xE5\xB8\xC5\xC2\xCA\xA3\xBA");
  for (const char* n : {"chkCanErr", "edtCanErr1", "edtCanErr2", "chkCanSupErr", "edtCanSupErr1",
                        "edtCanSupErr2", "lbMVDChip", "lblMVDInfo", "btnOK", "btnCancel", "btnLoad",
                        "btnAdd", "btnDelete", "btnClear", "RzMenuButton1", "fdlgOpen", "fdlgSave",
                        "PopupMenu1", "mnuSaveFlt", "mnuLoadFlt", "Label1", "Label2", "Label16",
                        "Label31", "Label32", "Label33", "Bevel1", "RzPanel1", "RzPanel2",
                        "RzPanel3", "TabSheet1", "TabSheet2", "RzPageControl1"})
    EXPECT_NE(dlg.FindComponent(n), nullptr) << n;
  EXPECT_EQ(dlg.RzMenuButton1->Menu(), dlg.PopupMenu1);
  ASSERT_EQ(dlg.PopupMenu1->Items().size(), 3u);
  EXPECT_EQ(dlg.PopupMenu1->Items()[0], dlg.mnuSaveFlt);
  EXPECT_EQ(dlg.PopupMenu1->Items()[2], dlg.mnuAnalysis);
}

TEST_F(SetupDialog, KeyboardOrder) {
  const auto& order = dlg.RzPanel1->TabOrderList();
  std::vector<std::string> names;
  for (ui::Control* c : order)
    if (c->TabStop()) names.push_back(c->Name());
  std::vector<std::string> want;
  for (int d = 7; d >= 0; --d) {
    want.push_back("edtShot" + std::to_string(d) + "a");
    want.push_back("edtShot" + std::to_string(d) + "b");
  }
  for (int d = 7; d >= 0; --d) {
    want.push_back("edtCanErr" + std::to_string(d) + "a");
    want.push_back("edtCanErr" + std::to_string(d) + "b");
  }
  for (int d = 7; d >= 0; --d) want.push_back("chkShot" + std::to_string(d));
  for (const char* n : {"chkCanErr", "edtCanErr1", "edtCanErr2", "chkCanSupErr", "edtCanSupErr1",
                        "edtCanSupErr2", "RzMenuButton1", "btnOK", "btnCancel"})
    want.push_back(n);
  EXPECT_EQ(names, want);
  EXPECT_LT(dlg.RzPanel1->TabOrder(), dlg.RzPanel2->TabOrder());
  EXPECT_LT(dlg.RzPanel3->TabOrder(), dlg.lbMVDChip->TabOrder());
}

// --- enabling --------------------------------------------------------------------

TEST_P(SetupDialogOn, LevelBoxEnablesExactlyItsFourFieldsAndKeepsValues) {
  Showing(dlg, [&] {
    dlg.chkShot[3]->Click();
    for (int d = 0; d < 8; ++d)
      for (ui::SpinEdit* e : LevelEdits(dlg, d)) EXPECT_EQ(e->Enabled(), d == 3) << e->Name();
    dlg.edtShotA[3]->SetText("25");
    dlg.chkShot[3]->Click();
    for (ui::SpinEdit* e : LevelEdits(dlg, 3)) EXPECT_FALSE(e->Enabled());
    EXPECT_EQ(dlg.edtShotA[3]->Text(), "25");
  });
}

TEST_P(SetupDialogOn, ToleranceEnabling) {
  Showing(dlg, [&] {
    dlg.chkCanErr->Click();
    EXPECT_TRUE(dlg.edtCanErr1->Enabled());
    EXPECT_TRUE(dlg.edtCanErr2->Enabled());
    EXPECT_TRUE(dlg.chkCanSupErr->Enabled());
    EXPECT_FALSE(dlg.edtCanSupErr1->Enabled());
    // A click on the S box enables its fields at once.
    dlg.chkCanSupErr->Click();
    EXPECT_TRUE(dlg.edtCanSupErr1->Enabled());
    EXPECT_TRUE(dlg.edtCanSupErr2->Enabled());
    // Unchecking E disables all five; S keeps its check and counts again.
    dlg.chkCanErr->Click();
    for (ui::Control* c : {static_cast<ui::Control*>(dlg.edtCanErr1), static_cast<ui::Control*>(dlg.edtCanErr2),
                           static_cast<ui::Control*>(dlg.chkCanSupErr),
                           static_cast<ui::Control*>(dlg.edtCanSupErr1),
                           static_cast<ui::Control*>(dlg.edtCanSupErr2)})
      EXPECT_FALSE(c->Enabled()) << c->Name();
    EXPECT_TRUE(dlg.chkCanSupErr->Checked());
    dlg.chkCanErr->Click();
    EXPECT_TRUE(dlg.edtCanSupErr1->Enabled());
    dlg.chkCanSupErr->Click();
    EXPECT_FALSE(dlg.edtCanSupErr1->Enabled());
    EXPECT_FALSE(dlg.edtCanSupErr2->Enabled());
  });
}

// --- the list ----------------------------------------------------------------------

TEST_P(SetupDialogOn, DeleteRemovesTheCurrentLineOnly) {
  Showing(dlg, [&] {
    for (const char* b : {"1111111", "2222222", "3333333"}) dlg.lbMVDChip->AddItem(b);
    dlg.lbMVDChip->ClickItem(0);
    dlg.lbMVDChip->ClickItem(2, true);  // two lines selected, the focus on the third
    dlg.btnDelete->Click();
    EXPECT_EQ(dlg.lbMVDChip->Items(), (std::vector<std::string>{"1111111", "2222222"}));
    EXPECT_EQ(dlg.lbMVDChip->ItemIndex(), 1);  // the new last line
    EXPECT_EQ(dlg.lblMVDInfo->Caption(), Count(2));
    dlg.lbMVDChip->ClickItem(0);
    dlg.btnDelete->Click();
    EXPECT_EQ(dlg.lbMVDChip->Items(), (std::vector<std::string>{"2222222"}));
    EXPECT_EQ(dlg.lbMVDChip->ItemIndex(), 0);
    dlg.btnDelete->Click();
    dlg.btnDelete->Click();  // empty: nothing, no message
    EXPECT_EQ(dlg.lbMVDChip->Count(), 0);
    EXPECT_EQ(dlg.lblMVDInfo->Caption(), Count(0));
    EXPECT_TRUE(answers->Messages().empty());
  });
}

TEST_P(SetupDialogOn, FirstOfThreeDeletedMovesTheFocusToTheFormerSecond) {
  Showing(dlg, [&] {
    for (const char* b : {"1111111", "2222222", "3333333"}) dlg.lbMVDChip->AddItem(b);
    dlg.lbMVDChip->ClickItem(0);
    dlg.btnDelete->Click();
    EXPECT_EQ(dlg.lbMVDChip->ItemIndex(), 0);
    EXPECT_EQ(dlg.lbMVDChip->Item(0), "2222222");
    EXPECT_EQ(dlg.lblMVDInfo->Caption(), Count(2));
  });
}

TEST_P(SetupDialogOn, ClickShowsCountAndPositionClearEmpties) {
  Showing(dlg, [&] {
    for (int i = 0; i < 5; ++i) dlg.lbMVDChip->AddItem(std::to_string(i) + "234567");
    dlg.lbMVDChip->ClickItem(1);
    EXPECT_EQ(dlg.lblMVDInfo->Caption(),
              "\xC3\xBD\xCC\xE5\xB8\xF6\xCA\xFD\xA3\xBA 5, \xB5\xB1\xC7\xB0\xD0\xF2\xBA\xC5\xA3\xBA 2");
    dlg.btnClear->Click();
    EXPECT_EQ(dlg.lbMVDChip->Count(), 0);
    EXPECT_EQ(dlg.lblMVDInfo->Caption(), Count(0));
  });
}

TEST_P(SetupDialogOn, AddAppendsAnAcceptedEntryAndLeavesTheLabel) {
  Showing(dlg, [&] {
    dlg.ApplyFilterStr("TJ1234567|");
    answers->Entry("000,1,2,3,4,5,6", testing::EntryEnd::Ok);
    answers->Entry("7654321", testing::EntryEnd::Cancel);
    answers->Entry("1234567", testing::EntryEnd::Enter);
    answers->Entry("12", testing::EntryEnd::Enter);  // refused: its message, then cancelled
    for (int i = 0; i < 4; ++i) dlg.btnAdd->Click();
    EXPECT_EQ(dlg.lbMVDChip->Items(),
              (std::vector<std::string>{"1234567", "0,1,2,3,4,5,6", "1234567"}));
    EXPECT_EQ(dlg.lblMVDInfo->Caption(), Count(1));
    EXPECT_EQ(MessageTexts().size(), 1u);
    // The entry dialog ran over the setup dialog each time.
    EXPECT_EQ(answers->EntriesOver(dlg), 4);
  });
}

// --- OK --------------------------------------------------------------------------

TEST_P(SetupDialogOn, OkRefusesAnEmptyListWithTheErrorBox) {
  Showing(dlg, [&] {
    dlg.PressEnter();
    EXPECT_EQ(dlg.GetModalResult(), ui::ModalResult::None);
    dlg.lbMVDChip->AddItem("1234567");
    dlg.btnOK->Click();
  });
  const auto seen = answers->Messages();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].text, texts::kEmptyListMessage);
  EXPECT_EQ(seen[0].caption, texts::kEmptyListCaption);
  EXPECT_EQ(seen[0].icon, ui::MessageIcon::Error);
  EXPECT_EQ(dlg.CancelFlag, 0);
}

TEST_F(SetupDialog, EscapeAndCancelKeepTheFlag) {
  mem.WhenShown("frmFltSetup", [](ui::Form& f) {
    auto& d = static_cast<TfrmFltSetup&>(f);
    d.lbMVDChip->AddItem("1234567");
    d.PressEscape();
  });
  dlg.ShowModal();
  EXPECT_EQ(dlg.CancelFlag, 1);
  mem.WhenShown("frmFltSetup", [](ui::Form& f) { static_cast<TfrmFltSetup&>(f).btnCancel->Click(); });
  dlg.ShowModal();
  EXPECT_EQ(dlg.CancelFlag, 1);
}

TEST_P(SetupDialogOn, OkRefusesRangeTextsThatAreNotOneDigit) {
  Showing(dlg, [&] {
    TfrmFltSetup& d = dlg;
    d.lbMVDChip->AddItem("1234567");
    d.chkCanErr->Click();
    d.edtCanErr2->SetFocus();
    d.edtCanErr2->TypeText("12");  // confirmed with Enter: not clamped
    d.PressEnter();
    EXPECT_EQ(d.GetModalResult(), ui::ModalResult::None);
    EXPECT_EQ(d.CancelFlag, 1);
    d.edtCanErr2->SetText("3");
    // A checked S row counts even while disabled: it is written.
    d.chkCanSupErr->Click();
    d.chkCanErr->Click();
    d.edtCanSupErr1->SetText("");
    d.btnOK->Click();
    EXPECT_EQ(d.CancelFlag, 1);
    d.edtCanSupErr1->SetText("4");
    d.btnOK->Click();
  });
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>(2, texts::kRangeDigitMessage)));
  EXPECT_EQ(answers->Messages()[0].caption, texts::kAppTitle);
  EXPECT_EQ(answers->Messages()[0].icon, ui::MessageIcon::None);
  EXPECT_EQ(dlg.CancelFlag, 0);
  EXPECT_EQ(dlg.BuildFilterStr(), "S4-0TJ1234567|");
}

TEST_F(SetupDialog, MouseClickOnOkClampsTheFocusedField) {
  mem.WhenShown("frmFltSetup", [](ui::Form& f) {
    auto& d = static_cast<TfrmFltSetup&>(f);
    d.lbMVDChip->AddItem("1234567");
    d.chkCanErr->Click();
    d.edtCanErr2->SetFocus();
    d.edtCanErr2->TypeText("12");
    d.btnOK->Click();  // the focus leaves the field first
  });
  dlg.ShowModal();
  EXPECT_EQ(dlg.CancelFlag, 0);
  EXPECT_EQ(dlg.BuildFilterStr(), "E0-9TJ1234567|");
}

// --- the filter string -------------------------------------------------------------

TEST_P(SetupDialogOn, WorkedExampleAppliesAndBuildsBack) {
  Showing(dlg, [&] {
    EXPECT_TRUE(dlg.ApplyFilterStr(kExample));
    for (int d = 0; d < 8; ++d) {
      const bool on = d == 7 || d == 5 || d == 0;
      EXPECT_EQ(dlg.chkShot[d]->Checked(), on) << d;
      for (ui::SpinEdit* e : LevelEdits(dlg, d)) EXPECT_EQ(e->Enabled(), on) << e->Name();
    }
    EXPECT_EQ(dlg.edtShotA[5]->Text(), "10");
    EXPECT_EQ(dlg.edtShotB[5]->Text(), "30");
    EXPECT_EQ(dlg.edtCanErrA[5]->Text(), "5");
    EXPECT_EQ(dlg.edtCanErrB[5]->Text(), "40");
    EXPECT_TRUE(dlg.chkCanErr->Checked());
    EXPECT_TRUE(dlg.chkCanSupErr->Checked());
    EXPECT_EQ(dlg.edtCanErr1->Text(), "0");
    EXPECT_EQ(dlg.edtCanErr2->Text(), "1");
    EXPECT_EQ(dlg.edtCanSupErr1->Text(), "1");
    EXPECT_EQ(dlg.edtCanSupErr2->Text(), "2");
    // Both sections present: the S fields are enabled too.
    EXPECT_TRUE(dlg.edtCanSupErr1->Enabled());
    EXPECT_TRUE(dlg.edtCanSupErr2->Enabled());
    EXPECT_EQ(dlg.lbMVDChip->Items(),
              (std::vector<std::string>{"1234567", "024,3468,5,2347,05,268,79"}));
    EXPECT_EQ(dlg.lblMVDInfo->Caption(), Count(2));
    EXPECT_EQ(dlg.BuildFilterStr(), kExample);
  });
}

TEST_P(SetupDialogOn, EmptyStringChangesOnlyTheLabel) {
  Showing(dlg, [&] {
    EXPECT_TRUE(dlg.ApplyFilterStr(""));
    EXPECT_EQ(dlg.lblMVDInfo->Caption(), Count(0));
    EXPECT_EQ(dlg.BuildFilterStr(), "");
  });
}

TEST_P(SetupDialogOn, ApplyMergesAndListsBetsAgain) {
  Showing(dlg, [&] {
    dlg.ApplyFilterStr(kExample);
    dlg.ApplyFilterStr(kExample);
    EXPECT_EQ(dlg.lbMVDChip->Count(), 4);
    EXPECT_EQ(dlg.lblMVDInfo->Caption(), Count(4));
    EXPECT_EQ(dlg.edtShotA[0]->Text(), "20");
    // Levels the string does not mention keep what they showed.
    dlg.chkShot[2]->Click();
    dlg.edtShotA[2]->SetText("9");
    dlg.ApplyFilterStr("M5(1-2|0-3)");
    EXPECT_TRUE(dlg.chkShot[2]->Checked());
    EXPECT_EQ(dlg.edtShotA[2]->Text(), "9");
    EXPECT_EQ(dlg.edtShotA[5]->Text(), "1");
  });
}

TEST_P(SetupDialogOn, AscendingSectionsBuildDescending) {
  Showing(dlg, [&] {
    dlg.ApplyFilterStr("M0(1-2|0-3)M3(4-5|3-6)M6(7-8|6-9)TJ1234567|");
    EXPECT_EQ(dlg.BuildFilterStr(), "M6(7-8|6-9)M3(4-5|3-6)M0(1-2|0-3)TJ1234567|");
  });
}

TEST_P(SetupDialogOn, TextsAreShownAndWrittenUnchanged) {
  Showing(dlg, [&] {
    dlg.ApplyFilterStr("M4(abc-|x-)E1-12TJ||");
    EXPECT_EQ(dlg.edtShotA[4]->Text(), "abc");
    EXPECT_EQ(dlg.edtShotB[4]->Text(), "");
    EXPECT_EQ(dlg.edtCanErrA[4]->Text(), "x");
    EXPECT_EQ(dlg.edtCanErrB[4]->Text(), "");
    EXPECT_EQ(dlg.edtCanErr1->Text(), "1");
    EXPECT_EQ(dlg.edtCanErr2->Text(), "1");
    EXPECT_EQ(dlg.lbMVDChip->Items(), (std::vector<std::string>{"", ""}));
    EXPECT_EQ(dlg.BuildFilterStr(), "M4(abc-|x-)E1-1TJ||");
    // A disabled checked level is still written.
    dlg.chkShot[4]->SetEnabled(false);
    EXPECT_EQ(dlg.BuildFilterStr().substr(0, 3), "M4(");
  });
}

TEST_P(SetupDialogOn, SWithoutEIsWritten) {
  Showing(dlg, [&] {
    dlg.chkCanSupErr->SetChecked(true);
    dlg.edtCanSupErr1->SetText("2");
    dlg.edtCanSupErr2->SetText("3");
    EXPECT_EQ(dlg.BuildFilterStr(), "S2-3");
  });
}

TEST_P(SetupDialogOn, UnreadableStringsStopAtTheBadSection) {
  Showing(dlg, [&] {
    EXPECT_FALSE(dlg.ApplyFilterStr("M6(1-2|0-3)M8(1-2|0-3)E0-1TJ1234567|"));
    EXPECT_TRUE(dlg.chkShot[6]->Checked());
    EXPECT_EQ(dlg.edtShotA[6]->Text(), "1");
    EXPECT_FALSE(dlg.chkCanErr->Checked());
    EXPECT_EQ(dlg.lbMVDChip->Count(), 0);
    EXPECT_EQ(dlg.lblMVDInfo->Caption(), Count(0));
    EXPECT_FALSE(dlg.ApplyFilterStr("M2(1-2|0-3"));
    EXPECT_FALSE(dlg.chkShot[2]->Checked());
  });
}

TEST_F(SetupDialog, MegabyteMalformedStringAppliesOnce) {
  std::string s;
  for (int i = 0; i < 200000; ++i) s += "M3()";
  s += std::string(1 << 20, '7');
  s += "-5|6-7)E1-2TJ1234567|";
  EXPECT_TRUE(dlg.ApplyFilterStr(s));
  EXPECT_TRUE(dlg.chkShot[3]->Checked());
  EXPECT_TRUE(dlg.edtShotA[3]->Enabled());
  EXPECT_EQ(dlg.edtShotA[3]->Text(), ")" + std::string(1 << 20, '7'));
  EXPECT_EQ(dlg.edtShotB[3]->Text(), "5");
  EXPECT_EQ(dlg.edtCanErrB[3]->Text(), "7");
  EXPECT_EQ(dlg.edtCanErr2->Text(), "2");
  EXPECT_EQ(dlg.lbMVDChip->Items(), (std::vector<std::string>{"1234567"}));
}

// --- condition files and the import --------------------------------------------------

TEST_P(SetupDialogOn, SaveThenLoadRoundTripsAndMerges) {
  Showing(dlg, [&] {
    dlg.ApplyFilterStr("M5(10-30|5-40)TJ1234567|7654321|");
    const fs::path file = TempFile("save.txt");
    answers->File(file);
    dlg.mnuSaveFlt->Click();
    EXPECT_TRUE(answers->Messages().empty());
    EXPECT_EQ(ReadAll(file), std::string(kConditionFileHeader) + "\r\nM5(10-30|5-40)TJ1234567|7654321|\r\n");

    TfrmFltSetup fresh;
    answers->File(file);
    fresh.mnuLoadFlt->Click();
    EXPECT_EQ(fresh.BuildFilterStr(), "M5(10-30|5-40)TJ1234567|7654321|");
    answers->File(file);
    fresh.mnuLoadFlt->Click();
    EXPECT_EQ(fresh.lbMVDChip->Count(), 4);
    EXPECT_EQ(fresh.lblMVDInfo->Caption(), Count(4));
    EXPECT_TRUE(answers->Messages().empty());
  });
}

TEST_P(SetupDialogOn, SaveChecksRangesBeforeAnyFileDialog) {
  Showing(dlg, [&] {
    dlg.chkCanErr->SetChecked(true);
    dlg.edtCanErr1->SetText("10");
    answers->File(TempFile("never.txt"));
    dlg.mnuSaveFlt->Click();
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{texts::kRangeDigitMessage}));
    EXPECT_TRUE(answers->FileDialogs().empty());
  });
}

TEST_P(SetupDialogOn, SaveAndLoadFailuresSayOnce) {
  Showing(dlg, [&] {
    answers->File(TempFile("no_such_dir") / "x.txt");
    dlg.mnuSaveFlt->Click();
    answers->File(TempFile("missing.txt"));
    dlg.mnuLoadFlt->Click();
    EXPECT_EQ(MessageTexts(),
              (std::vector<std::string>{texts::kSaveFailedMessage, texts::kLoadFailedMessage}));
    // Cancelled file dialogs: nothing.
    answers->Clear();
    answers->File(std::nullopt);
    dlg.mnuSaveFlt->Click();
    answers->File(std::nullopt);
    dlg.mnuLoadFlt->Click();
    EXPECT_TRUE(answers->Messages().empty());
  });
}

TEST_P(SetupDialogOn, LoadStopsAtALineItCannotShow) {
  Showing(dlg, [&] {
    const fs::path file = WriteFile("bad.txt", "header\r\nM1(1-1|0-2)TJ1111111|\nE0-1\r\nM9(1-1|0-2)\r\nM2(1-1|0-2)\r\n");
    answers->File(file);
    dlg.mnuLoadFlt->Click();
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{texts::kLoadFailedMessage}));
    EXPECT_TRUE(dlg.chkShot[1]->Checked());
    EXPECT_FALSE(dlg.chkShot[2]->Checked());
    EXPECT_FALSE(dlg.chkCanErr->Checked());  // the "E" line is not an M line
    EXPECT_EQ(dlg.lbMVDChip->Count(), 1);
  });
}

TEST_P(SetupDialogOn, ImportReplacesTheListAndKeepsTheFilter) {
  Showing(dlg, [&] {
    dlg.lbMVDChip->AddItem("old");
    const fs::path file = WriteFile("bets.szc", Szc(3, 32, {"1234567", "2345678", "3456789"}));
    answers->File(file);
    dlg.btnLoad->Click();
    EXPECT_EQ(dlg.lbMVDChip->Items(), (std::vector<std::string>{"1234567", "2345678", "3456789"}));
    EXPECT_EQ(dlg.lblMVDInfo->Caption(), Count(3));
    EXPECT_FALSE(dlg.lbMVDChip->Updating());
    EXPECT_EQ(dlg.fdlgOpen->Filter(), texts::kBetResultFileFilter);
    EXPECT_EQ(dlg.fdlgOpen->FilterCp(), ui::Cp::Gb2312);
    // The condition load opens the same dialog with the filter still set.
    answers->File(std::nullopt);
    dlg.mnuLoadFlt->Click();
    const std::vector<std::string> types{std::string(texts::kBetResultFileFilter).substr(
        0, std::string(texts::kBetResultFileFilter).find('|'))};
    EXPECT_EQ(answers->FileDialogs(), (std::vector<std::vector<std::string>>(2, types)));
    if (mem) {
      EXPECT_EQ(mem->FileDialogs()[1].dialogName, "fdlgOpen");
      EXPECT_EQ(mem->FileDialogs()[1].filter, texts::kBetResultFileFilter);
    }
    EXPECT_TRUE(answers->Messages().empty());
  });
}

TEST_P(SetupDialogOn, ImportFailuresReachTheErrorDisplayAndChangeNothing) {
  Showing(dlg, [&] {
    dlg.ApplyFilterStr("TJ1111111|");
    answers->File(WriteFile("short.szc", Szc(3, 10, {"1234567", "2345678"}) + "12345"));
    dlg.btnLoad->Click();
    answers->File(TempFile("absent.szc"));
    dlg.btnLoad->Click();
    ASSERT_EQ(answers->Messages().size(), 2u);
    EXPECT_EQ(answers->Messages()[0].text, "Stream read error.");
    EXPECT_EQ(answers->Messages()[0].icon, ui::MessageIcon::Error);
    EXPECT_EQ(answers->Messages()[0].caption, texts::kAppTitle);
    EXPECT_EQ(answers->Messages()[1].text.rfind("Cannot open file ", 0), 0u);
    EXPECT_EQ(answers->Messages()[1].icon, ui::MessageIcon::Error);
    EXPECT_EQ(dlg.lbMVDChip->Items(), (std::vector<std::string>{"1111111"}));
    EXPECT_EQ(dlg.lblMVDInfo->Caption(), Count(1));
    EXPECT_FALSE(dlg.lbMVDChip->Updating());
  });
}

TEST_P(SetupDialogOn, ImportSkipsBetsTheStringCannotCarryAndSaysSo) {
  Showing(dlg, [&] {
    answers->File(WriteFile("mixed.szc", Szc(4, 16, {"1234567", "12|4567", "TJ34567", "7654321"})));
    dlg.btnLoad->Click();
    EXPECT_EQ(dlg.lbMVDChip->Items(), (std::vector<std::string>{"1234567", "7654321"}));
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{texts::SkippedBetsMessage(2)}));
    EXPECT_EQ(answers->Messages()[0].icon, ui::MessageIcon::None);
    // Whatever the dialog now writes reads back the same.
    TfrmFltSetup other;
    EXPECT_TRUE(other.ApplyFilterStr(dlg.BuildFilterStr()));
    EXPECT_EQ(other.lbMVDChip->Items(), dlg.lbMVDChip->Items());
  });
}

// --- what the file commands answer, and the message chosen from it ------------------

TEST_P(SetupDialogOn, FileCommandsAnswerWithWhatHappenedAndSayIt) {
  Showing(dlg, [&] {
    using Kind = FileStatus::Kind;
    using Cause = FileStatus::Cause;
    struct Case {
      const char* what;
      std::function<FileStatus()> run;
      Kind kind;
      Cause cause;
      size_t line;
      std::vector<std::string> messages;
      ui::MessageIcon icon;
    };
    dlg.ApplyFilterStr("M5(10-30|5-40)TJ1234567|");
    const std::vector<Case> cases = {
        {"save", [&] { return *dlg.SaveConditionFile(TempFile("ok.txt")); }, Kind::Done, Cause::None,
         0, {}, ui::MessageIcon::None},
        {"save into a missing folder",
         [&] { return *dlg.SaveConditionFile(TempFile("no_dir") / "x.txt"); }, Kind::CannotOpen,
         Cause::None, 0, {texts::kSaveFailedMessage}, ui::MessageIcon::None},
        {"load a missing file", [&] { return dlg.LoadConditionFile(TempFile("absent.txt")); },
         Kind::CannotOpen, Cause::None, 0, {texts::kLoadFailedMessage}, ui::MessageIcon::None},
        {"load a line the dialog cannot show",
         [&] { return dlg.LoadConditionFile(WriteFile("m9.txt", "h\r\nM1(0-1|0-2)\r\nM9(0-1|0-2)\r\n")); },
         Kind::ReadError, Cause::Refused, 3, {texts::kLoadFailedMessage}, ui::MessageIcon::None},
        {"load a line with a zero byte",
         [&] { return dlg.LoadConditionFile(WriteFile("zero.txt", "h\nM2(1-2|0-3)TJ12\0" "34|\n"s)); },
         Kind::ReadError, Cause::ZeroByte, 2, {texts::kLoadFailedMessage}, ui::MessageIcon::None},
        {"import a short file",
         [&] { return dlg.ImportBetResultFile(WriteFile("short.szc", Szc(2, 8, {"1234567"}))); },
         Kind::ReadError, Cause::Truncated, 0, {"Stream read error."}, ui::MessageIcon::Error},
        {"import records the string cannot carry",
         [&] { return dlg.ImportBetResultFile(WriteFile("mixed.szc", Szc(3, 8, {"1234567", "12|4567", "M"}))); },
         Kind::Done, Cause::None, 0, {texts::SkippedBetsMessage(2)}, ui::MessageIcon::None},
    };
    for (const Case& c : cases) {
      answers->Clear();
      const FileStatus s = c.run();
      EXPECT_EQ(s.kind, c.kind) << c.what;
      EXPECT_EQ(s.cause, c.cause) << c.what;
      EXPECT_EQ(s.line, c.line) << c.what;
      EXPECT_EQ(MessageTexts(), c.messages) << c.what;
      for (const auto& m : answers->Messages()) EXPECT_EQ(m.icon, c.icon) << c.what;
    }
    // The skipped count of the import.
    EXPECT_EQ(dlg.ImportBetResultFile(WriteFile("mixed2.szc", Szc(2, 8, {"TJ", "1"}))).skipped, 1u);
  });
}

TEST_P(SetupDialogOn, ZeroByteInAConditionFileStopsAtItsLine) {
  Showing(dlg, [&] {
    // Lines before the zero byte stay applied; its line and the rest are not,
    // and no zero byte reaches the dialog.
    const std::string content = std::string("header\r\nM1(1-1|0-2)TJ1111111|\r\n") +
                                "M2(1-1|0-2)TJ22\0" "22222|\r\n"s +
                                "M3(1-1|0-2)TJ3333333|\r\n";
    answers->File(WriteFile("zero.txt", content));
    dlg.mnuLoadFlt->Click();
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{texts::kLoadFailedMessage}));
    EXPECT_TRUE(dlg.chkShot[1]->Checked());
    EXPECT_FALSE(dlg.chkShot[2]->Checked());
    EXPECT_FALSE(dlg.chkShot[3]->Checked());
    EXPECT_EQ(dlg.BuildFilterStr(), "M1(1-1|0-2)TJ1111111|");
  });
}

TEST_P(SetupDialogOn, ImportedLineEndsNeverCostBetsOnTheWayBack) {
  Showing(dlg, [&] {
    // Records holding LF, CR or Ctrl-Z are left out of the list, and counted,
    // so that the saved condition file loads back every bet it shows.
    dlg.ApplyFilterStr("M3(0-9|0-9)");
    answers->File(WriteFile("ctl.szc", Szc(8, 16, {"1234567", "12\n4567", "2345678", "1234\r67",
                                                        "3456789", "\x1A" "234567", "4567890",
                                                        "5678901"})));
    dlg.btnLoad->Click();
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{texts::SkippedBetsMessage(3)}));
    ASSERT_EQ(dlg.lbMVDChip->Count(), 5);
    const fs::path file = TempFile("ctl.txt");
    answers->File(file);
    dlg.mnuSaveFlt->Click();
    TfrmFltSetup fresh;
    answers->File(file);
    fresh.mnuLoadFlt->Click();
    EXPECT_EQ(fresh.lbMVDChip->Items(), dlg.lbMVDChip->Items());
    EXPECT_EQ(fresh.BuildFilterStr(), dlg.BuildFilterStr());
  });
}

TEST_P(SetupDialogOn, RoundTripThroughTheFilesGivesTheSameString) {
  Showing(dlg, [&] {
    // A string with M sections, E and S: its bets imported from a bet result
    // file into a dialog showing its conditions, saved, loaded into a new
    // dialog, built: exactly the string.
    dlg.ApplyFilterStr("M7(0-0|0-5)M5(10-30|5-40)M0(20-60|10-70)E0-1S1-2");
    dlg.lbMVDChip->AddItem("stale");
    answers->File(WriteFile("example.szc", Szc(2, 32, {"1234567", "024,3468,5,2347,05,268,79"})));
    dlg.btnLoad->Click();
    const fs::path file = TempFile("example.txt");
    answers->File(file);
    dlg.mnuSaveFlt->Click();
    TfrmFltSetup fresh;
    answers->File(file);
    fresh.mnuLoadFlt->Click();
    EXPECT_TRUE(answers->Messages().empty());
    EXPECT_EQ(fresh.BuildFilterStr(), kExample);
  });
}

TEST_P(SetupDialogOn, LoadedLinesLeaveOutBetsTheStringCannotCarry) {
  Showing(dlg, [&] {
    answers->File(WriteFile("tab.txt", "h\r\nM1(0-1|0-2)TJ1234567|12\t4567|\x01|\r\n"));
    dlg.mnuLoadFlt->Click();
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{texts::SkippedBetsMessage(2)}));
    EXPECT_EQ(dlg.BuildFilterStr(), "M1(0-1|0-2)TJ1234567|");
  });
}

TEST_F(SetupDialog, NumbersOfAForeignStringKeepTheirValueWhenTheFocusLeaves) {
  // "$10" is 16 to preparation; leaving the field must not turn it into 0.
  dlg.ApplyFilterStr("M5($10-x1E|0x5- 40 )TJ1234567|");
  for (ui::SpinEdit* e : LevelEdits(dlg, 5)) {
    e->SetFocus();
    e->KillFocus();
  }
  EXPECT_EQ(dlg.BuildFilterStr(), "M5(16-30|5-40)TJ1234567|");
}

TEST_P(SetupDialogOn, SaveRefusedBeforeWritingAnswersNothing) {
  Showing(dlg, [&] {
    dlg.chkCanErr->SetChecked(true);
    dlg.edtCanErr2->SetText("12");
    const fs::path file = TempFile("never.txt");
    EXPECT_FALSE(dlg.SaveConditionFile(file).has_value());
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{texts::kRangeDigitMessage}));
    EXPECT_FALSE(fs::exists(file));
  });
}

}  // namespace
}  // namespace qv
