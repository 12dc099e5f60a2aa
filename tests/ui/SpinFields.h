// A spin edit that reads its text as the dialogs' spin edits do.
#pragma once

#include <string>

#include "IntConv.h"
#include "UiControls.h"

namespace qv::ui::testing {

inline SpinEdit* MakeSpin(Form& f, Container& parent, std::string name) {
  auto* s = f.Make<SpinEdit>(parent, std::move(name));
  s->SetNumberReader(&StrToClampableInt);
  return s;
}

// What the spin edit shows once text, put in while it has the focus, is left.
inline std::string Entered(SpinEdit* s, const std::string& text) {
  s->SetFocus();
  s->SetText(text);
  s->KillFocus();
  return s->Text();
}

}  // namespace qv::ui::testing
