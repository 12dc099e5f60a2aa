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

}  // namespace qv::ui::testing
