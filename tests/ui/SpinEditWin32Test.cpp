// A spin edit's text read when the focus leaves its window: what the filter
// string's number reader takes keeps its value, anything else shows the
// last good value.  Needs a display (under wine: a virtual X server).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "UiApplication.h"
#include "UiControls.h"
#include "UiWin32.h"

namespace qv::ui {
namespace {

HWND Hwnd(const Control* c) { return static_cast<HWND>(c->Handle()); }

std::wstring WindowText(HWND h) {
  wchar_t buf[64] = {};
  SendMessageW(h, WM_GETTEXT, 64, reinterpret_cast<LPARAM>(buf));
  return buf;
}

class TfrmSpins : public Form {
 public:
  TfrmSpins() : Form("frmSpins") {
    SetClientSize(200, 80);
    spin = Make<SpinEdit>(*this, "edtShot5a");
    spin->SetBounds({10, 10, 60, 21});
    other = Make<SpinEdit>(*this, "edtShot5b");
    other->SetBounds({80, 10, 60, 21});
    close = Make<Button>(*this, "btnCancel");
    close->SetBounds({10, 45, 80, 25});
    close->SetModalResult(ModalResult::Cancel);
  }
  SpinEdit* spin;
  SpinEdit* other;
  Button* close;
};

TEST(Win32SpinEdit, ForeignNumberTextsKeepTheirValueWhenTheFocusLeaves) {
  UseWin32Backend();
  TfrmSpins f;
  struct Case {
    const wchar_t* typed;
    const wchar_t* shown;
  };
  f.OnShow = [&](Form&) {
    // The last good value before each case is the one the case before left.
    for (const Case& c : {Case{L"$7FFFFFFF", L"100"}, Case{L"-$10", L"0"}, Case{L" 0x1E ", L"30"},
                          Case{L"12$", L"30"}, Case{L"$10", L"16"}}) {
      SetFocus(Hwnd(f.spin));
      SendMessageW(Hwnd(f.spin), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.typed));
      SetFocus(Hwnd(f.other));
      EXPECT_EQ(WindowText(Hwnd(f.spin)), c.shown) << c.typed;
    }
    EXPECT_EQ(f.spin->Text(), "16");
    EXPECT_EQ(f.spin->Value(), 16);
    PostMessageW(Hwnd(f.close), BM_CLICK, 0, 0);
  };
  EXPECT_EQ(f.ShowModal(), ModalResult::Cancel);
}

}  // namespace
}  // namespace qv::ui
