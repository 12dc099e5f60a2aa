// The media bet entry dialog on the in-memory toolkit.
#include "EntryDialog.h"

#include <gtest/gtest.h>

#include "Texts.h"
#include "UiMemory.h"

namespace qv {
namespace {

class EntryDialog : public ::testing::Test {
 protected:
  ui::MemoryBackend& mem = ui::UseMemoryBackend();

  // Runs a fresh dialog with the script, as Add does.
  void Run(TfrmInputMDChip& dlg, std::function<void(TfrmInputMDChip&)> script) {
    mem.WhenShown("frmInputMDChip", [&, script](ui::Form&) { script(dlg); });
    dlg.ShowModal();
  }
  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> out;
    for (const auto& m : mem.Messages()) out.push_back(m.text);
    return out;
  }
};

TEST_F(EntryDialog, LayoutAndStateAtCreation) {
  TfrmInputMDChip dlg;
  EXPECT_EQ(dlg.Name(), "frmInputMDChip");
  EXPECT_EQ(dlg.CancelFlag, 1);
  EXPECT_EQ(dlg.Caption(), "");
  EXPECT_EQ(dlg.ClientWidth(), 286);
  EXPECT_EQ(dlg.ClientHeight(), 190);
  EXPECT_EQ(dlg.Position(), ui::FormPosition::Designed);
  EXPECT_EQ(dlg.DesignedLeft(), 391);
  EXPECT_EQ(dlg.DesignedTop(), 281);
  EXPECT_FALSE(dlg.SystemMenu());
  EXPECT_EQ(dlg.DefaultButton(), dlg.btnOk);
  EXPECT_EQ(dlg.CancelButton(), nullptr);  // Escape is bound to nothing
  EXPECT_EQ(dlg.btnOk->Bounds(), (ui::Rect{200, 160, 65, 25}));
  EXPECT_EQ(dlg.btnCancel->Bounds(), (ui::Rect{112, 160, 65, 25}));
  EXPECT_EQ(dlg.edtInput->Bounds(), (ui::Rect{8, 128, 273, 26}));
  EXPECT_EQ(dlg.Label1->Bounds(), (ui::Rect{0, 0, 286, 121}));
  EXPECT_EQ(dlg.btnOk->Caption(), "\xC8\xB7  \xB6\xA8");  // 确  定
  EXPECT_EQ(dlg.btnCancel->Caption(), "\xC8\xA1  \xCF\xFB");  // 取  消
  EXPECT_TRUE(dlg.edtInput->Flat());
  const ui::Font f = dlg.edtInput->EffectiveFont();
  EXPECT_EQ(f.face, "MS Sans Serif");
  EXPECT_EQ(f.height, 16);
  EXPECT_TRUE(f.bold);
  EXPECT_EQ(f.color, ui::kRed);
  EXPECT_EQ(dlg.EffectiveFont().height, 11);
  // Keyboard order: OK, Cancel, the input box.
  EXPECT_EQ(dlg.btnOk->TabOrder(), 0);
  EXPECT_EQ(dlg.btnCancel->TabOrder(), 1);
  EXPECT_EQ(dlg.edtInput->TabOrder(), 2);
  EXPECT_EQ(dlg.edtInput->Text(), "");
}

TEST_F(EntryDialog, InstructionHasNineLinesWithTheirIndentation) {
  TfrmInputMDChip dlg;
  std::vector<std::string> lines;
  std::string cur;
  for (char c : dlg.Label1->Caption()) {
    if (c == '\r') {
      lines.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  lines.push_back(cur);
  ASSERT_EQ(lines.size(), 9u);
  const size_t blanks[9] = {30, 30, 0, 8, 0, 14, 8, 8, 0};
  for (size_t i = 0; i < 9; ++i) {
    const size_t lead = lines[i].find_first_not_of(' ');
    EXPECT_EQ(lead == std::string::npos ? lines[i].size() : lead, blanks[i]) << "line " << i + 1;
  }
  EXPECT_EQ(lines[2], "");
  EXPECT_EQ(lines[6].substr(lines[6].size() - 7), "1234567");
}

TEST_F(EntryDialog, FocusStartsOnOkSoEnterAsksForInput) {
  TfrmInputMDChip dlg;
  Run(dlg, [](TfrmInputMDChip& d) {
    EXPECT_EQ(d.ActiveControl(), d.btnOk);
    d.PressEnter();
  });
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{texts::kEntryEmptyMessage}));
  EXPECT_EQ(mem.Messages()[0].caption, texts::kAppTitle);
  EXPECT_EQ(mem.Messages()[0].icon, ui::MessageIcon::None);
  EXPECT_EQ(dlg.CancelFlag, 1);
}

TEST_F(EntryDialog, KeyFilterThroughTheBox) {
  TfrmInputMDChip dlg;
  Run(dlg, [](TfrmInputMDChip& d) {
    ui::Edit& e = *d.edtInput;
    e.SetFocus();
    e.TypeText("12a 3-,4\xA3\xAC" "5");
    EXPECT_EQ(e.Text(), "123,45");
    // Backspace takes the last character, not the one before the caret.
    e.SetSel(2);
    e.TypeChar('\b');
    EXPECT_EQ(e.Text(), "123,4");
    e.SetText("");
    e.TypeChar('\b');
    EXPECT_EQ(e.Text(), "");
    // Keys without a character are not filtered.
    e.SetText("123");
    e.SetSel(0);
    e.KeyDown(ui::Key::Delete);
    EXPECT_EQ(e.Text(), "23");
  });
  EXPECT_EQ(dlg.CancelFlag, 1);
}

TEST_F(EntryDialog, WrongFormEmptiesTheBoxAndStaysOpen) {
  TfrmInputMDChip dlg;
  Run(dlg, [](TfrmInputMDChip& d) {
    d.edtInput->TypeText("123456");
    d.btnOk->Click();
    EXPECT_TRUE(d.Showing());
    EXPECT_EQ(d.GetModalResult(), ui::ModalResult::None);
    EXPECT_EQ(d.edtInput->Text(), "");
    // Now a valid compound bet.
    d.edtInput->TypeText("0224,33468,5,2347,05,268,79");
    d.btnOk->Click();
  });
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{texts::kEntryWrongFormMessage}));
  EXPECT_EQ(dlg.CancelFlag, 0);
  EXPECT_EQ(dlg.InputText(), "024,3468,5,2347,05,268,79");
}

TEST_F(EntryDialog, PastedTextTheFilterStringCannotCarryIsRefused) {
  TfrmInputMDChip dlg;
  Run(dlg, [](TfrmInputMDChip& d) {
    d.edtInput->Paste("12|4567");
    d.btnOk->Click();
    EXPECT_EQ(d.edtInput->Text(), "");
    d.edtInput->Paste("abcdefg");
    d.PressEnter();
  });
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{texts::kEntryWrongFormMessage}));
  EXPECT_EQ(dlg.CancelFlag, 0);
  EXPECT_EQ(dlg.InputText(), "abcdefg");
}

TEST_F(EntryDialog, PastedControlCharactersAreOfTheWrongForm) {
  // Seven characters or seven groups, but a line end, a tab or Ctrl-Z would
  // cut the filter string when a condition file is read back.
  for (const char* pasted : {"123\n567", "123\r567", "1234\t67", "\x1A" "234567", "1,2,3,4,5,6,\n"}) {
    mem.ClearMessages();
    TfrmInputMDChip dlg;
    Run(dlg, [&](TfrmInputMDChip& d) {
      d.edtInput->Paste(pasted);
      d.btnOk->Click();
      EXPECT_EQ(d.edtInput->Text(), "") << pasted;
      d.btnCancel->Click();
    });
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{texts::kEntryWrongFormMessage})) << pasted;
    EXPECT_EQ(dlg.CancelFlag, 1);
  }
}

TEST_F(EntryDialog, CancelAfterValidInputKeepsTheFlag) {
  TfrmInputMDChip dlg;
  Run(dlg, [](TfrmInputMDChip& d) {
    d.edtInput->TypeText("1234567");
    d.btnCancel->Click();
  });
  EXPECT_EQ(dlg.CancelFlag, 1);
  EXPECT_TRUE(mem.Messages().empty());
}

TEST_F(EntryDialog, EnterOnCancelClicksCancelAndEscapeDoesNothing) {
  TfrmInputMDChip dlg;
  Run(dlg, [](TfrmInputMDChip& d) {
    d.edtInput->TypeText("1234567");
    d.PressEscape();
    EXPECT_TRUE(d.Showing());
    EXPECT_EQ(d.GetModalResult(), ui::ModalResult::None);
    d.btnCancel->SetFocus();
    d.PressEnter();
  });
  EXPECT_EQ(dlg.CancelFlag, 1);
  EXPECT_TRUE(mem.Messages().empty());
}

}  // namespace
}  // namespace qv
