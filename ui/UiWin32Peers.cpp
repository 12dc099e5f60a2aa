// The peers: one class per kind of control, each owning its standard
// window.  Each reads its state from its window, which is the truth while it
// exists, and writes it into the object when the window goes; the handlers
// run from the windows' own notifications.
#include <windows.h>
#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <stdexcept>

#include "UiWin32Window.h"

namespace qv::ui::win32 {

void WinPeer::Blur() {
  if (session.hwnd != nullptr) ::SetFocus(session.hwnd);
}

void WinPeer::Changed(int prop, int index) {
  if (hwnd == nullptr || session.closing) return;
  using namespace detail;
  Writing([&] {
    switch (prop) {
      case kBounds: Place(); break;
      case kEnabled: EnableState(ctl.Enabled()); break;
      case kVisible: ShowState(ctl.Visible()); break;
      case kFont:
        SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(session.FontFor(ctl.EffectiveFont())), TRUE);
        break;
      default: Own(prop, index); break;
    }
  });
}

void WinPeer::Pull() {
  // Not while the object writes into the window, nor inside a read.
  if (hwnd == nullptr || session.closing || writing_ || reading_) return;
  reading_ = true;
  Read();
  reading_ = false;
}

void WinPeer::Observed(UINT msg, WPARAM, LPARAM) {
  if (msg == WM_SETFOCUS) session.Focused(TakesFocus() ? this : nullptr);
}

void WinPeer::Place() {
  const Rect& r = ctl.Bounds();
  MoveWindow(hwnd, r.left, r.top, r.width, r.height, TRUE);
}

void WinPeer::ShowState(bool visible) { ShowWindow(hwnd, visible ? SW_SHOWNA : SW_HIDE); }

DWORD WinPeer::BaseStyle() const {
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
  if (ctl.Visible()) style |= WS_VISIBLE;
  if (!ctl.Enabled()) style |= WS_DISABLED;
  if (ctl.TabStop()) style |= WS_TABSTOP;
  return style;
}

HWND WinPeer::MakeWindow(DWORD ex, const wchar_t* cls, const std::wstring& text, DWORD style, HWND parent,
                         int x, int y, int w, int h, int id) {
  HMENU menu = (style & WS_CHILD) != 0 ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)) : nullptr;
  HWND made = CreateWindowExW(ex, cls, text.c_str(), style, x, y, w, h, parent, menu, session.instance(), nullptr);
  if (made == nullptr) throw std::runtime_error("cannot create a window");
  session.byHwnd[made] = this;
  SendMessageW(made, WM_SETFONT, reinterpret_cast<WPARAM>(session.FontFor(ctl.EffectiveFont())), FALSE);
  return made;
}

HWND WinPeer::MakeChild(DWORD ex, const wchar_t* cls, const std::wstring& text, DWORD style, HWND parent) {
  const Rect& r = ctl.Bounds();
  hwnd = MakeWindow(ex, cls, text, style, parent, r.left, r.top, r.width, r.height,
                    ctl.Id() != 0 ? ctl.Id() : session.AutoId());
  return hwnd;
}

void WinPeer::Subclass() { SetWindowSubclass(hwnd, SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this)); }

// --- containers: panels, tab sheets, the form -------------------------------------------

class ContainerPeer : public WinPeer {
 public:
  ContainerPeer(Session& s, Container& c) : WinPeer(s, c), box(c) {}

  void Create(HWND parent) override {
    MakeChild(WS_EX_CONTROLPARENT, kContainerClass, L"", (BaseStyle() & ~WS_TABSTOP) | WS_CLIPCHILDREN, parent);
    Attach();
  }
  bool TakesFocus() const override { return false; }

  // Notifications of the children go to their peers.
  bool Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& r) override {
    switch (msg) {
      case WM_COMMAND:
        if (WinPeer* p = session.PeerOf(reinterpret_cast<HWND>(lp))) p->Command(HIWORD(wp));
        return true;
      case WM_NOTIFY: {
        auto* nm = reinterpret_cast<NMHDR*>(lp);
        WinPeer* p = session.PeerOf(nm->hwndFrom);
        return p != nullptr && p->Notify(nm, r);
      }
      case WM_CTLCOLOREDIT:
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLORBTN: {
        WinPeer* p = session.PeerOf(reinterpret_cast<HWND>(lp));
        if (p == nullptr) return false;
        const Font f = p->ctl.EffectiveFont();
        if (!f.color) return false;
        auto dc = reinterpret_cast<HDC>(wp);
        SetTextColor(dc, *f.color);
        const int sys = msg == WM_CTLCOLOREDIT && p->ctl.Enabled() ? COLOR_WINDOW : COLOR_BTNFACE;
        SetBkColor(dc, GetSysColor(sys));
        r = reinterpret_cast<LRESULT>(GetSysColorBrush(sys));
        return true;
      }
      default: return false;
    }
  }

 protected:
  // The window routes its messages here; then the children are made.
  void Attach() {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(static_cast<WinPeer*>(this)));
    session.CreateChildren(box, hwnd);
  }
  Container& box;
};

class PagesPeer;

class TabSheetPeer : public ContainerPeer {
 public:
  TabSheetPeer(Session& s, TabSheet& c) : ContainerPeer(s, c), sheet(c) {}
  void Create(HWND parent) override {
    DWORD style = (BaseStyle() & ~WS_TABSTOP) | WS_CLIPCHILDREN;
    if (!Shown()) style &= ~WS_VISIBLE;
    MakeChild(WS_EX_CONTROLPARENT, kContainerClass, L"", style, parent);
    Attach();
  }
  void Place() override {}  // its page control places it
  bool Shown() const { return sheet.Visible() && sheet.Pages().ActivePage() == &sheet; }

 protected:
  void ShowState(bool) override { WinPeer::ShowState(Shown()); }
  void Own(int prop, int) override;

 private:
  TabSheet& sheet;
};

class PagesPeer : public WinPeer {
 public:
  PagesPeer(Session& s, PageControl& c) : WinPeer(s, c), pages(c) {}
  void Create(HWND parent) override {
    MakeChild(WS_EX_CONTROLPARENT, WC_TABCONTROLW, L"", (BaseStyle() & ~WS_TABSTOP) | WS_CLIPCHILDREN, parent);
    for (TabSheet* page : pages.PagesList()) {
      if (!page->TabVisible()) continue;  // a hidden tab is simply not inserted
      std::wstring w = ToWide(page->Caption(), page->CaptionCp());
      TCITEMW item{};
      item.mask = TCIF_TEXT;
      item.pszText = w.data();
      SendMessageW(hwnd, TCM_INSERTITEMW, static_cast<WPARAM>(tabs.size()), reinterpret_cast<LPARAM>(&item));
      tabs.push_back(page);
    }
    SelectTab();
    Subclass();
    session.CreateChildren(pages, hwnd);
    Place();  // the pages fill the display area
  }
  bool TakesFocus() const override { return false; }
  void Place() override {
    WinPeer::Place();
    const Rect& r = ctl.Bounds();
    RECT rc{0, 0, r.width, r.height};
    TabCtrl_AdjustRect(hwnd, FALSE, &rc);
    for (TabSheet* page : pages.PagesList()) {
      if (auto* p = static_cast<WinPeer*>(page->peer())) {
        MoveWindow(p->hwnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
      }
    }
  }
  bool Notify(NMHDR* nm, LRESULT& r) override {
    if (nm->code != TCN_SELCHANGE) return false;
    const int i = static_cast<int>(SendMessageW(hwnd, TCM_GETCURSEL, 0, 0));
    if (i >= 0 && i < static_cast<int>(tabs.size())) pages.SetActivePage(tabs[static_cast<size_t>(i)]);
    r = 0;
    return true;
  }
  void CaptionOf(TabSheet& page) {
    auto it = std::find(tabs.begin(), tabs.end(), &page);
    if (it == tabs.end()) return;
    std::wstring w = ToWide(page.Caption(), page.CaptionCp());
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = w.data();
    SendMessageW(hwnd, TCM_SETITEMW, static_cast<WPARAM>(it - tabs.begin()), reinterpret_cast<LPARAM>(&item));
  }

 protected:
  void Own(int prop, int) override {
    if (prop != detail::kActivePage) return;
    for (TabSheet* page : pages.PagesList()) {
      if (auto* p = static_cast<TabSheetPeer*>(page->peer())) {
        ShowWindow(p->hwnd, p->Shown() ? SW_SHOWNA : SW_HIDE);
      }
    }
    SelectTab();
  }

 private:
  void SelectTab() {
    auto it = std::find(tabs.begin(), tabs.end(), pages.ActivePage());
    if (it != tabs.end()) SendMessageW(hwnd, TCM_SETCURSEL, static_cast<WPARAM>(it - tabs.begin()), 0);
  }
  PageControl& pages;
  std::vector<TabSheet*> tabs;  // the pages with a tab
};

void TabSheetPeer::Own(int prop, int) {
  if (prop != detail::kCaption) return;
  if (auto* pages = static_cast<PagesPeer*>(sheet.Pages().peer())) pages->CaptionOf(sheet);
}

class FormPeer : public ContainerPeer {
 public:
  FormPeer(Session& s, Form& f) : ContainerPeer(s, f), form(f) {}
  void Create(HWND owner) override {
    DWORD style = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
    if (form.SystemMenu()) style |= WS_SYSMENU;
    const DWORD ex = WS_EX_CONTROLPARENT;  // single fixed border, like a plain window
    RECT rc{0, 0, form.ClientWidth(), form.ClientHeight()};
    AdjustWindowRectEx(&rc, style, FALSE, ex);
    const int w = rc.right - rc.left;
    const int h = rc.bottom - rc.top;
    int x = form.DesignedLeft();
    int y = form.DesignedTop();
    RECT beside{};
    if (form.Position() == FormPosition::BesideOwner && owner != nullptr && GetWindowRect(owner, &beside)) {
      MONITORINFO mi{};
      mi.cbSize = sizeof(mi);
      GetMonitorInfoW(MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &mi);
      const RECT& work = mi.rcWork;
      x = beside.right + 4 + w <= work.right ? beside.right + 4 : std::max<int>(work.left, beside.left - 4 - w);
      y = std::clamp<int>(beside.top, work.top, std::max<int>(work.top, work.bottom - h));
    } else if (form.Position() != FormPosition::Designed) {
      x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
      y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    }
    hwnd = MakeWindow(ex, kFormClass, ToWide(form.Caption(), form.CaptionCp()), style, owner, x, y, w, h, 0);
    session.hwnd = hwnd;
    form.AttachPeer(this);
    Attach();
  }
  void Place() override {}  // the form keeps the place it was shown at

  bool Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& r) override {
    switch (msg) {
      case WM_CLOSE:
        // Without title-bar buttons there is no way out but the dialog's own.
        // The form may go here: nothing of this peer is touched after it.
        r = 0;
        if (form.SystemMenu()) form.Close();
        return true;
      case WM_SETFOCUS: session.Focused(nullptr); return false;
      case WM_ACTIVATE:
        // As a dialog box does: the control that had the focus when another
        // window (a message box, a file dialog, the entry dialog) came up
        // gets it back when that one goes, instead of the form itself.
        if (LOWORD(wp) == WA_INACTIVE) {
          HWND f = GetFocus();
          if (f != nullptr && IsChild(hwnd, f)) lastFocus_ = f;
          return false;
        }
        if (lastFocus_ != nullptr && IsWindow(lastFocus_) && IsChild(hwnd, lastFocus_)) {
          ::SetFocus(lastFocus_);
          r = 0;
          return true;
        }
        return false;
      case WM_COMMAND:
        // A menu's or an accelerator's command, or one sent as they send it.
        if (lp == 0 && HIWORD(wp) <= 1) {
          r = 0;
          form.RunCommand(LOWORD(wp));
          return true;
        }
        return ContainerPeer::Message(msg, wp, lp, r);
      default: return ContainerPeer::Message(msg, wp, lp, r);
    }
  }

 protected:
  void Own(int prop, int) override {
    if (prop == detail::kCaption) SetWindowTextW(hwnd, ToWide(form.Caption(), form.CaptionCp()).c_str());
    // The run ends: whatever set the result (a handler run by a sent
    // message, for one), the modal loop waits in GetMessage until a message
    // is posted to it.
    if (prop == detail::kModalResult && form.GetModalResult() != ModalResult::None) PostMessageW(hwnd, WM_NULL, 0, 0);
  }

 private:
  Form& form;
  HWND lastFocus_ = nullptr;
};

// --- plain controls --------------------------------------------------------------------

// Captioned controls: the caption follows the object.
class CaptionPeer : public WinPeer {
 public:
  CaptionPeer(Session& s, CaptionedControl& c) : WinPeer(s, c), captioned(c) {}

 protected:
  // The caption as the window shows it.
  virtual std::wstring CaptionText() const { return ToWide(captioned.Caption(), captioned.CaptionCp()); }
  void Own(int prop, int) override {
    if (prop == detail::kCaption) SetWindowTextW(hwnd, CaptionText().c_str());
  }
  CaptionedControl& captioned;
};

class LabelPeer : public CaptionPeer {
 public:
  LabelPeer(Session& s, Label& c) : CaptionPeer(s, c), label(c) {}
  void Create(HWND parent) override {
    const DWORD style = BaseStyle() | SS_NOPREFIX | (label.WordWrap() ? SS_LEFT : SS_LEFTNOWORDWRAP);
    MakeChild(0, L"STATIC", CaptionText(), style, parent);
    Subclass();
  }

 protected:
  std::wstring CaptionText() const override { return DisplayLines(CaptionPeer::CaptionText()); }

 private:
  Label& label;
};

class BevelPeer : public WinPeer {
 public:
  BevelPeer(Session& s, Bevel& c) : WinPeer(s, c) {}
  void Create(HWND parent) override {
    const Rect& r = ctl.Bounds();
    MakeChild(0, L"STATIC", L"", BaseStyle() | (r.height > r.width ? SS_ETCHEDVERT : SS_ETCHEDHORZ), parent);
  }
};

class ButtonPeer : public CaptionPeer {
 public:
  ButtonPeer(Session& s, Button& c) : CaptionPeer(s, c), button(c) {}
  void Create(HWND parent) override {
    const DWORD kind = session.form.DefaultButton() == &button ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    MakeChild(0, L"BUTTON", CaptionText(), BaseStyle() | kind, parent);
    Subclass();
  }
  // A click by any means: the mouse, the keyboard, BM_CLICK sent or posted.
  void Command(int code) override {
    if (code == BN_CLICKED) button.PerformClick();
  }

 private:
  Button& button;
};

class CheckBoxPeer : public CaptionPeer {
 public:
  CheckBoxPeer(Session& s, CheckBox& c) : CaptionPeer(s, c), box(c) {}
  void Create(HWND parent) override {
    MakeChild(0, L"BUTTON", CaptionText(), BaseStyle() | BS_CHECKBOX, parent);
    Writing([&] { SendMessageW(hwnd, BM_SETCHECK, box.Checked() ? BST_CHECKED : BST_UNCHECKED, 0); });
    Subclass();
  }
  // The box does not toggle itself: a click sets the other state, and that
  // runs the click handling as every other sender's BM_SETCHECK does.
  void Command(int code) override {
    if (code == BN_CLICKED && ctl.Enabled()) SendMessageW(hwnd, BM_SETCHECK, WindowChecked() ? BST_UNCHECKED : BST_CHECKED, 0);
  }
  // The box's own message, whoever sent it, runs the click handling.
  void Observed(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg == BM_SETCHECK && !writing()) box.CheckChangedInWindow(WindowChecked());
    WinPeer::Observed(msg, wp, lp);
  }

 protected:
  void Read() override { box.CheckedFromWindow(WindowChecked()); }
  void Own(int prop, int index) override {
    if (prop == detail::kChecked) {
      SendMessageW(hwnd, BM_SETCHECK, box.Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
    } else {
      CaptionPeer::Own(prop, index);
    }
  }

 private:
  bool WindowChecked() const { return SendMessageW(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED; }
  CheckBox& box;
};

class EditPeer : public WinPeer {
 public:
  EditPeer(Session& s, Edit& c) : WinPeer(s, c), edit(c) {}
  void Create(HWND parent) override {
    DWORD ex = 0;
    DWORD style = BaseStyle() | ES_AUTOHSCROLL | ES_LEFT;
    if (edit.Flat()) {
      style |= WS_BORDER;
    } else {
      ex |= WS_EX_CLIENTEDGE;
    }
    shown = ToWide(edit.Text(), Cp::System);
    MakeChild(ex, L"EDIT", shown, style, parent);
    if (edit.MaxLength() > 0) SendMessageW(hwnd, EM_LIMITTEXT, static_cast<WPARAM>(edit.MaxLength()), 0);
    // The caret where the object has it (a new window has it at the start).
    Writing([&] { PushSel(); });
    Subclass();
  }
  // The window's change notice: the change handling runs now.
  void Command(int code) override {
    if (code != EN_CHANGE || writing()) return;
    notice_ = true;
    Pull();
    notice_ = false;
  }
  // Typed characters pass the key rule of the object first.
  bool Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& r) override {
    if (msg != WM_CHAR || writing()) return false;
    const wchar_t wc = static_cast<wchar_t>(wp);
    BOOL lossy = FALSE;
    char buf[8] = {};
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &wc, 1, buf, sizeof buf, nullptr, &lossy);
    r = 0;
    if (n <= 0 || lossy) return true;  // the box keeps system code page bytes: no place for it
    char key = buf[0];
    const char typed = key;
    if (!edit.FilterChar(key)) return true;
    if (key == typed) return false;
    const std::wstring w = ToWide(std::string_view(&key, 1), Cp::System);
    if (w.size() == 1) r = DefSubclassProc(hwnd, WM_CHAR, w[0], lp);
    return true;
  }

 protected:
  void Read() override {
    std::wstring now = WindowText(hwnd);
    DWORD start = 0, end = 0;
    SendMessageW(hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    start = std::min<DWORD>(start, static_cast<DWORD>(now.size()));
    end = std::clamp<DWORD>(end, start, static_cast<DWORD>(now.size()));
    // A text nobody changed keeps the bytes that were set.
    std::string bytes = now == shown ? edit.Text() : FromWide(now, Cp::System);
    const int s = static_cast<int>(FromWide(std::wstring_view(now).substr(0, start), Cp::System).size());
    const int l = static_cast<int>(FromWide(std::wstring_view(now).substr(start, end - start), Cp::System).size());
    shown = std::move(now);
    edit.TextFromWindow(std::move(bytes), s, l, notice_);
  }
  void Own(int prop, int) override {
    if (prop == detail::kText) {
      shown = ToWide(edit.Text(), Cp::System);
      SetWindowTextW(hwnd, shown.c_str());
      PushSel();
    } else if (prop == detail::kSel) {
      PushSel();
    }
  }

 private:
  void PushSel() {
    const std::string& t = edit.Text();
    const auto start = static_cast<size_t>(edit.SelStart());
    const auto len = static_cast<size_t>(edit.SelLength());
    const size_t ws = ToWide(std::string_view(t).substr(0, start), Cp::System).size();
    const size_t wl = ToWide(std::string_view(t).substr(start, len), Cp::System).size();
    SendMessageW(hwnd, EM_SETSEL, ws, static_cast<LPARAM>(ws + wl));
  }
  Edit& edit;
  std::wstring shown;  // the text as last set by the object side
  bool notice_ = false;  // reading on the window's change notice
};

class SpinEditPeer : public EditPeer {
 public:
  SpinEditPeer(Session& s, SpinEdit& c) : EditPeer(s, c), spin(c) {}
  void Create(HWND parent) override {
    EditPeer::Create(parent);
    DWORD style = WS_CHILD | UDS_NOTHOUSANDS;
    if (ctl.Visible()) style |= WS_VISIBLE;
    if (!ctl.Enabled()) style |= WS_DISABLED;
    upDown = MakeWindow(0, UPDOWN_CLASSW, L"", style, parent, 0, 0, 16, ctl.Bounds().height, session.AutoId());
    SetRange();
    Place();
  }
  void Place() override {
    const Rect& r = ctl.Bounds();
    const int bw = std::min(16, std::max(r.width / 3, 1));
    MoveWindow(hwnd, r.left, r.top, r.width - bw, r.height, TRUE);
    MoveWindow(upDown, r.left + r.width - bw, r.top, bw, r.height, TRUE);
  }
  // The up-down buttons step the object; the control keeps no position.
  bool Notify(NMHDR* nm, LRESULT& r) override {
    if (nm->hwndFrom != upDown || nm->code != UDN_DELTAPOS) return false;
    const auto* ud = reinterpret_cast<NMUPDOWN*>(nm);
    if (ud->iDelta > 0) spin.ClickUp();
    if (ud->iDelta < 0) spin.ClickDown();
    r = 1;
    return true;
  }
  bool Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& r) override {
    if (msg == WM_KEYDOWN) {
      const std::optional<Key> k = KeyOf(wp);
      const int step = k ? spin.StepOf(*k) : 0;
      if (step == 0) return false;
      spin.StepBy(step);
      r = 0;
      return true;
    }
    if (msg == WM_MOUSEWHEEL) {
      wheelRest += GET_WHEEL_DELTA_WPARAM(wp);
      const int notches = wheelRest / WHEEL_DELTA;
      wheelRest -= notches * WHEEL_DELTA;
      if (notches != 0) spin.Wheel(notches, (GET_KEYSTATE_WPARAM(wp) & MK_CONTROL) != 0);
      r = 0;
      return true;
    }
    return EditPeer::Message(msg, wp, lp, r);
  }

 protected:
  void EnableState(bool on) override {
    EditPeer::EnableState(on);
    EnableWindow(upDown, on);
  }
  void ShowState(bool on) override {
    EditPeer::ShowState(on);
    ShowWindow(upDown, on ? SW_SHOWNA : SW_HIDE);
  }
  void Own(int prop, int index) override {
    if (prop == detail::kRange) {
      SetRange();
    } else {
      EditPeer::Own(prop, index);
    }
  }

 private:
  void SetRange() { SendMessageW(upDown, UDM_SETRANGE32, static_cast<WPARAM>(spin.Min()), spin.Max()); }
  SpinEdit& spin;
  HWND upDown = nullptr;
  int wheelRest = 0;
};

// The list: the items' bytes stay the object's (a bet may hold bytes that
// the code page cannot give back); the selection and the caret are the
// window's.  A list box reports caret 0 as soon as it holds items, so the
// peer notes itself whether the list has a caret item: once, since it was
// last empty, it has had the focus, a click, or a caret or selection
// message from any sender.
class ListBoxPeer : public WinPeer {
 public:
  ListBoxPeer(Session& s, ListBox& c) : WinPeer(s, c), list(c) {}
  void Create(HWND parent) override {
    MakeChild(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
              BaseStyle() | LBS_EXTENDEDSEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL, parent);
    Writing([&] {
      SendMessageW(hwnd, WM_SETREDRAW, FALSE, 0);
      for (const std::string& item : list.Items()) {
        const std::wstring w = ToWide(item, Cp::System);
        SendMessageW(hwnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(w.c_str()));
      }
      if (!list.Updating()) SendMessageW(hwnd, WM_SETREDRAW, TRUE, 0);
      PushSelection();
    });
    Subclass();
  }
  void Command(int code) override {
    if (code != LBN_SELCHANGE || writing()) return;
    hasCaret = true;
    Pull();
    if (list.OnClick) RunGuarded([&] { list.OnClick(list); });
  }
  void Observed(UINT msg, WPARAM wp, LPARAM lp) override {
    switch (msg) {
      case LB_SETCARETINDEX:
      case LB_SETCURSEL:
        // A line the list does not have: the message is refused, nothing changes.
        if (static_cast<int>(wp) >= Count()) break;
        if (!writing()) hasCaret = Count() > 0;
        break;
      case LB_SETSEL:
        if (static_cast<int>(lp) >= Count() || static_cast<int>(lp) < -1) break;
        if (!writing()) hasCaret = Count() > 0;
        break;
      case WM_SETFOCUS:
      case WM_LBUTTONDOWN:
      case WM_KEYDOWN:
      case LB_SELITEMRANGE:
      case LB_SELITEMRANGEEX:
        if (!writing()) hasCaret = Count() > 0;
        break;
      case LB_DELETESTRING:
      case LB_RESETCONTENT:
        if (Count() == 0) hasCaret = false;
        break;
      default: break;
    }
    WinPeer::Observed(msg, wp, lp);
  }

 protected:
  void Read() override {
    const int n = Count();
    if (n != list.Count()) return;
    std::vector<bool> sel(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) sel[static_cast<size_t>(i)] = SendMessageW(hwnd, LB_GETSEL, i, 0) > 0;
    const int caret = hasCaret && n > 0 ? static_cast<int>(SendMessageW(hwnd, LB_GETCARETINDEX, 0, 0)) : -1;
    list.SelectionFromWindow(std::move(sel), caret, static_cast<int>(SendMessageW(hwnd, LB_GETANCHORINDEX, 0, 0)));
  }
  void Own(int prop, int index) override {
    using namespace detail;
    switch (prop) {
      case kItemAdded: {
        const std::wstring w = ToWide(list.Item(index), Cp::System);
        SendMessageW(hwnd, LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(w.c_str()));
        break;
      }
      case kItemDeleted: SendMessageW(hwnd, LB_DELETESTRING, static_cast<WPARAM>(index), 0); break;
      case kItemsCleared: SendMessageW(hwnd, LB_RESETCONTENT, 0, 0); break;
      case kSelection: PushSelection(); break;
      case kRedrawOff: SendMessageW(hwnd, WM_SETREDRAW, FALSE, 0); break;
      case kRedrawOn:
        SendMessageW(hwnd, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(hwnd, nullptr, TRUE);
        break;
      default: break;
    }
  }

 private:
  int Count() const { return static_cast<int>(SendMessageW(hwnd, LB_GETCOUNT, 0, 0)); }
  // The object's selection and current line into the window.
  void PushSelection() {
    SendMessageW(hwnd, LB_SETSEL, FALSE, -1);
    for (int i = 0; i < list.Count(); ++i) {
      if (list.Selected(i)) SendMessageW(hwnd, LB_SETSEL, TRUE, i);
    }
    const int caret = list.ItemIndex();
    if (caret >= 0) SendMessageW(hwnd, LB_SETCARETINDEX, static_cast<WPARAM>(caret), FALSE);
    hasCaret = caret >= 0;
    // The selection messages above moved the anchor; a Shift click extends
    // from the object's.
    SendMessageW(hwnd, LB_SETANCHORINDEX, static_cast<WPARAM>(list.Anchor()), 0);
  }
  ListBox& list;
  bool hasCaret = false;
};

std::unique_ptr<detail::Peer> Session::Make(Form& c) { return std::make_unique<FormPeer>(*this, c); }
std::unique_ptr<detail::Peer> Session::Make(Panel& c) { return std::make_unique<ContainerPeer>(*this, c); }
std::unique_ptr<detail::Peer> Session::Make(TabSheet& c) { return std::make_unique<TabSheetPeer>(*this, c); }
std::unique_ptr<detail::Peer> Session::Make(PageControl& c) { return std::make_unique<PagesPeer>(*this, c); }
std::unique_ptr<detail::Peer> Session::Make(Label& c) { return std::make_unique<LabelPeer>(*this, c); }
std::unique_ptr<detail::Peer> Session::Make(Bevel& c) { return std::make_unique<BevelPeer>(*this, c); }
std::unique_ptr<detail::Peer> Session::Make(Button& c) { return std::make_unique<ButtonPeer>(*this, c); }
std::unique_ptr<detail::Peer> Session::Make(CheckBox& c) { return std::make_unique<CheckBoxPeer>(*this, c); }
std::unique_ptr<detail::Peer> Session::Make(Edit& c) { return std::make_unique<EditPeer>(*this, c); }
std::unique_ptr<detail::Peer> Session::Make(SpinEdit& c) { return std::make_unique<SpinEditPeer>(*this, c); }
std::unique_ptr<detail::Peer> Session::Make(ListBox& c) { return std::make_unique<ListBoxPeer>(*this, c); }
std::unique_ptr<detail::Peer> Session::Make(ProgressBar& c) { return MakeProgressPeer(*this, c); }
std::unique_ptr<detail::Peer> Session::Make(Chart& c) { return MakeChartPeer(*this, c); }
std::unique_ptr<detail::Peer> Session::Make(ListView& c) { return MakeListViewPeer(*this, c); }

}  // namespace qv::ui::win32
