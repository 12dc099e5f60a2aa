// The media bet entry dialog: the small window behind the setup dialog's
// "添加" (Add) button in which the user types one media bet.
#pragma once

#include <cstdint>
#include <string>

#include "UiControls.h"

namespace qv {

class TfrmInputMDChip : public ui::Form {
 public:
  TfrmInputMDChip();

  // 1 from creation; 0 only once OK has accepted the input.
  uint8_t CancelFlag = 1;
  // The text of the input box (normalised when accepted).
  std::string InputText() const { return edtInput->Text(); }

  ui::Button* btnOk;
  ui::Button* btnCancel;
  ui::Edit* edtInput;
  ui::Label* Label1;

  void FormCreate();
  void edtInputKeyPress(ui::Edit& sender, char& key);
  void btnOkClick();
};

}  // namespace qv
