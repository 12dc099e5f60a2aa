#include "EntryDialog.h"

#include "ControlIds.h"
#include "MediaBetInput.h"
#include "Texts.h"
#include "UiApplication.h"

namespace qv {

using ui::Cp;

TfrmInputMDChip::TfrmInputMDChip() : ui::Form("frmInputMDChip") {
  ui::SetAppTitle(texts::kAppTitle, Cp::Gb2312);
  SetCaption("", Cp::System);
  SetClientSize(286, 190);
  SetDesignedPosition(391, 281);
  SetSystemMenu(false);  // no close box, no system menu
  SetFont(ui::Font{"MS Sans Serif", 11, false, std::nullopt, ui::Charset::Default});

  // Created in keyboard order: OK, Cancel, the input box.  Nothing asks for
  // the first focus, so OK gets it.
  btnOk = Make<ui::Button>(*this, "btnOk");
  btnOk->SetId(ids::kOk);
  btnOk->SetBounds({200, 160, 65, 25});
  btnOk->SetCaption(texts::kEntryOkCaption, Cp::Gb2312);
  btnOk->SetTabStop(true);
  btnOk->OnClick = [this](ui::Button&) { btnOkClick(); };

  btnCancel = Make<ui::Button>(*this, "btnCancel");
  btnCancel->SetId(ids::kCancel);
  btnCancel->SetBounds({112, 160, 65, 25});
  btnCancel->SetCaption(texts::kEntryCancelCaption, Cp::Gb2312);
  btnCancel->SetTabStop(true);
  btnCancel->SetModalResult(ui::ModalResult::Cancel);

  edtInput = Make<ui::Edit>(*this, "edtInput");
  edtInput->SetId(ids::kEntryInput);
  edtInput->SetBounds({8, 128, 273, 26});
  edtInput->SetFlat(true);
  edtInput->SetFont(ui::Font{"MS Sans Serif", 16, true, ui::kRed, ui::Charset::Default});
  edtInput->SetTabStop(true);
  edtInput->OnKeyPress = [this](ui::Edit& e, char& key) { edtInputKeyPress(e, key); };

  Label1 = Make<ui::Label>(*this, "Label1");
  Label1->SetId(ids::kEntryInstruction);
  Label1->SetBounds({0, 0, 286, 121});
  Label1->SetCaption(texts::kEntryInstruction, Cp::Gb2312);

  SetDefaultButton(btnOk);  // Enter; Escape is bound to nothing
  FormCreate();
}

void TfrmInputMDChip::FormCreate() { CancelFlag = 1; }

void TfrmInputMDChip::edtInputKeyPress(ui::Edit& sender, char& key) {
  std::string text = sender.Text();
  if (FilterBetKey(key, text)) return;  // the box inserts it
  if (text != sender.Text()) sender.SetText(text);
  key = 0;
}

void TfrmInputMDChip::btnOkClick() {
  const BetCheck r = CheckBetInput(edtInput->Text());
  switch (r.kind) {
    case BetCheck::Kind::Empty:
      ui::ShowMessage(texts::kEntryEmptyMessage);
      return;
    case BetCheck::Kind::WrongForm:
      ui::ShowMessage(texts::kEntryWrongFormMessage);
      edtInput->SetText("");
      return;
    case BetCheck::Kind::Accepted:
      if (r.text != edtInput->Text()) edtInput->SetText(r.text);
      CancelFlag = 0;
      SetModalResult(ui::ModalResult::Ok);
      return;
  }
}

}  // namespace qv
