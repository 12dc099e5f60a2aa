// The Win32 backend.  While a form runs modally every control object has a
// peer here that owns its standard window: BUTTON, EDIT (+ an up-down control
// for spin edits), LISTBOX, STATIC, a tab control, and a plain container
// class for the form, panels and tab sheets.  One peer class per kind of
// control; each reads its state from its window, which is the truth while it
// exists, and writes it into the object when the window goes.  The windows
// are created with the wide-character API; texts are converted from their
// code page only for display, and a text the user did not change is read
// back as the very bytes that were set.
#include "UiWin32.h"

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <windowsx.h>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <tuple>
#include <vector>

#include "UiPeer.h"

namespace qv::ui {

// --- text conversion ------------------------------------------------------------

namespace {

UINT CodePageOf(Cp cp) {
  if (cp == Cp::Gb2312 && IsValidCodePage(936)) return 936;
  return CP_ACP;
}

}  // namespace

std::wstring ToWide(std::string_view bytes, Cp cp) {
  if (bytes.empty()) return {};
  const UINT page = CodePageOf(cp);
  const int n = MultiByteToWideChar(page, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (n <= 0) return std::wstring(bytes.begin(), bytes.end());
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(page, 0, bytes.data(), static_cast<int>(bytes.size()), w.data(), n);
  return w;
}

std::string FromWide(std::wstring_view text, Cp cp) {
  if (text.empty()) return {};
  const UINT page = CodePageOf(cp);
  const int n = WideCharToMultiByte(page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
  if (n <= 0) return {};
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(page, 0, text.data(), static_cast<int>(text.size()), s.data(), n, nullptr, nullptr);
  return s;
}

namespace {

constexpr wchar_t kContainerClass[] = L"QuelvorContainer";
constexpr wchar_t kFormClass[] = L"QuelvorForm";
// Windows without a fixed ID (up-down buttons, unnamed labels) get one from
// here on, above every fixed one.
constexpr int kFirstAutoId = 0x7000;

// Lone CRs become CR LF for display (STATIC breaks lines only at CR LF/LF).
std::wstring DisplayLines(std::wstring w) {
  std::wstring out;
  out.reserve(w.size() + 8);
  for (size_t i = 0; i < w.size(); ++i) {
    out += w[i];
    if (w[i] == L'\r' && (i + 1 >= w.size() || w[i + 1] != L'\n')) out += L'\n';
  }
  return out;
}

std::wstring WindowText(HWND h) {
  const int n = GetWindowTextLengthW(h);
  std::wstring w(static_cast<size_t>(n) + 1, L'\0');
  const int got = GetWindowTextW(h, w.data(), n + 1);
  w.resize(static_cast<size_t>(std::max(got, 0)));
  return w;
}

// The keys without a character, as virtual-key codes (in Key's order).
constexpr WPARAM kVirtualKeys[] = {VK_UP, VK_DOWN, VK_PRIOR, VK_NEXT, VK_LEFT, VK_RIGHT, VK_HOME, VK_END, VK_DELETE};

std::optional<Key> KeyOf(WPARAM vk) {
  for (size_t i = 0; i < std::size(kVirtualKeys); ++i) {
    if (kVirtualKeys[i] == vk) return static_cast<Key>(i);
  }
  return std::nullopt;
}

class Session;

// --- peers ------------------------------------------------------------------------------

// What every peer does: the window's place, enabling, visibility, font and
// focus.  The kinds add their own state.
class WinPeer : public detail::Peer {
 public:
  WinPeer(Session& s, Control& c) : session(s), ctl(c) {}

  // Creates the window (and, for containers, the children's) in parent.
  virtual void Create(HWND parent) = 0;

  void Changed(int prop, int index) final;
  void Pull() final;
  void* Handle() const override { return hwnd; }
  void Focus() override {
    if (hwnd != nullptr) ::SetFocus(hwnd);
  }
  void Blur() override;
  void SimulateChar(char c) override {
    const std::wstring w = ToWide(std::string_view(&c, 1), Cp::System);
    if (!w.empty()) SendMessageW(hwnd, WM_CHAR, w[0], 1);
  }
  void SimulateKey(Key k) override { SendMessageW(hwnd, WM_KEYDOWN, kVirtualKeys[static_cast<int>(k)], 1); }

  // A WM_COMMAND notification from the window.
  virtual void Command(int) {}
  // A WM_NOTIFY from the window (or a companion of it); true: handled.
  virtual bool Notify(NMHDR*, LRESULT&) { return false; }
  // A message to the window itself, before its own handling; true: it is
  // handled and result is the answer.
  virtual bool Message(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
  // The same message, after the window's own handling.
  virtual void Observed(UINT msg, WPARAM, LPARAM);
  // False for windows whose focus is no control's (containers, tabs).
  virtual bool TakesFocus() const { return true; }
  virtual void Place();

  Session& session;
  Control& ctl;
  HWND hwnd = nullptr;

 protected:
  // The object changed something of this kind's own.
  virtual void Own(int, int) {}
  // Reads the window's state into the object.
  virtual void Read() {}
  virtual void ShowState(bool visible);
  virtual void EnableState(bool enabled) { EnableWindow(hwnd, enabled); }

  DWORD BaseStyle() const;
  HWND MakeWindow(DWORD ex, const wchar_t* cls, const std::wstring& text, DWORD style, HWND parent,
                  int x, int y, int w, int h, int id);
  HWND MakeChild(DWORD ex, const wchar_t* cls, const std::wstring& text, DWORD style, HWND parent);
  void Subclass();
  // Runs f with the object side writing: nothing the windows report back
  // meanwhile is taken as the user's.
  template <class F>
  void Writing(F&& f) {
    const bool was = writing_;
    writing_ = true;
    f();
    writing_ = was;
  }
  bool writing() const { return writing_; }

 private:
  bool writing_ = false;
  bool reading_ = false;
};

// One modal run: the windows, fonts and peers of one form.  It makes the
// peers, one class per kind of control.
class Session : public detail::PeerFactory {
 public:
  Session(Form& f, HWND owner, HINSTANCE instance) : form(f), owner_(owner), instance_(instance) {}
  ~Session() override;

  void Create();
  void Destroy();
  WinPeer* PeerOf(HWND h) const {
    auto it = byHwnd.find(h);
    return it == byHwnd.end() ? nullptr : it->second;
  }
  HFONT FontFor(const Font& f);
  void Focused(WinPeer* p);
  bool PreTranslate(MSG& msg);
  void CreateChildren(Container& c, HWND parentWindow);
  int AutoId() { return nextAutoId_++; }
  HINSTANCE instance() const { return instance_; }
  HWND owner() const { return owner_; }

  std::unique_ptr<detail::Peer> Make(Form& c) override;
  std::unique_ptr<detail::Peer> Make(Panel& c) override;
  std::unique_ptr<detail::Peer> Make(TabSheet& c) override;
  std::unique_ptr<detail::Peer> Make(PageControl& c) override;
  std::unique_ptr<detail::Peer> Make(Label& c) override;
  std::unique_ptr<detail::Peer> Make(Bevel& c) override;
  std::unique_ptr<detail::Peer> Make(Button& c) override;
  std::unique_ptr<detail::Peer> Make(CheckBox& c) override;
  std::unique_ptr<detail::Peer> Make(Edit& c) override;
  std::unique_ptr<detail::Peer> Make(SpinEdit& c) override;
  std::unique_ptr<detail::Peer> Make(ListBox& c) override;

  Form& form;
  HWND hwnd = nullptr;
  bool closing = false;
  std::map<HWND, WinPeer*> byHwnd;

 private:
  WinPeer* CreateControl(Control& c, HWND parentWindow);

  HWND owner_;
  HINSTANCE instance_;
  std::vector<std::unique_ptr<detail::Peer>> peers_;
  std::map<std::tuple<std::string, int, bool, int>, HFONT> fonts_;
  int nextAutoId_ = kFirstAutoId;
};

LRESULT CALLBACK SubclassProc(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
  if (msg == WM_NCDESTROY) {
    RemoveWindowSubclass(h, SubclassProc, 1);
    return DefSubclassProc(h, msg, wp, lp);
  }
  auto* peer = reinterpret_cast<WinPeer*>(ref);
  if (peer == nullptr || peer->session.closing) return DefSubclassProc(h, msg, wp, lp);
  LRESULT r = 0;
  if (peer->Message(msg, wp, lp, r)) return r;
  r = DefSubclassProc(h, msg, wp, lp);
  if (!peer->session.closing) peer->Observed(msg, wp, lp);
  return r;
}

// The form, panels and tab sheets.
LRESULT CALLBACK ContainerProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<WinPeer*>(GetWindowLongPtrW(h, GWLP_USERDATA));
  if (self == nullptr || self->session.closing) return DefWindowProcW(h, msg, wp, lp);
  LRESULT r = 0;
  if (self->Message(msg, wp, lp, r)) return r;
  return DefWindowProcW(h, msg, wp, lp);
}

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
    if (form.Position() == FormPosition::ScreenCenter) {
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
        if (form.SystemMenu()) form.SetModalResult(ModalResult::Cancel);
        r = 0;
        return true;
      case WM_SETFOCUS: session.Focused(nullptr); return false;
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
};

// --- plain controls --------------------------------------------------------------------

class LabelPeer : public WinPeer {
 public:
  LabelPeer(Session& s, Label& c) : WinPeer(s, c), label(c) {}
  void Create(HWND parent) override {
    const DWORD style = BaseStyle() | SS_NOPREFIX | (label.WordWrap() ? SS_LEFT : SS_LEFTNOWORDWRAP);
    MakeChild(0, L"STATIC", Shown(), style, parent);
    Subclass();
  }

 protected:
  void Own(int prop, int) override {
    if (prop == detail::kCaption) SetWindowTextW(hwnd, Shown().c_str());
  }

 private:
  std::wstring Shown() const { return DisplayLines(ToWide(label.Caption(), label.CaptionCp())); }
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

// Captioned buttons: the caption follows the object.
class CaptionPeer : public WinPeer {
 public:
  CaptionPeer(Session& s, CaptionedControl& c) : WinPeer(s, c), captioned(c) {}

 protected:
  std::wstring CaptionText() const { return ToWide(captioned.Caption(), captioned.CaptionCp()); }
  void Own(int prop, int) override {
    if (prop == detail::kCaption) SetWindowTextW(hwnd, CaptionText().c_str());
  }
  CaptionedControl& captioned;
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
      case WM_SETFOCUS:
      case WM_LBUTTONDOWN:
      case WM_KEYDOWN:
      case LB_SETCARETINDEX:
      case LB_SETSEL:
      case LB_SETCURSEL:
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
    list.SelectionFromWindow(std::move(sel), caret);
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
  }
  ListBox& list;
  bool hasCaret = false;
};

// --- the session -------------------------------------------------------------------------

Session::~Session() { Destroy(); }

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

HFONT Session::FontFor(const Font& f) {
  const int charset = f.charset == Charset::Gb2312 ? GB2312_CHARSET
                      : f.charset == Charset::Ansi ? ANSI_CHARSET
                                                   : DEFAULT_CHARSET;
  auto key = std::make_tuple(f.face, f.height, f.bold, charset);
  auto it = fonts_.find(key);
  if (it != fonts_.end()) return it->second;
  const std::wstring face = ToWide(f.face, Cp::System);
  HFONT h = CreateFontW(-f.height, 0, 0, 0, f.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                        static_cast<DWORD>(charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_DONTCARE, face.c_str());
  fonts_[key] = h;
  return h;
}

WinPeer* Session::CreateControl(Control& c, HWND parentWindow) {
  std::unique_ptr<detail::Peer> owned = c.MakePeer(*this);
  auto* peer = static_cast<WinPeer*>(owned.get());
  peers_.push_back(std::move(owned));
  peer->Create(parentWindow);
  c.AttachPeer(peer);
  return peer;
}

void Session::CreateChildren(Container& c, HWND parentWindow) {
  // Windows are created in keyboard order: the dialog manager tabs in
  // creation (z) order.
  for (Control* child : c.TabOrderList()) CreateControl(*child, parentWindow);
}

void Session::Create() { CreateControl(form, owner_); }

void Session::Destroy() {
  if (peers_.empty()) return;
  // The windows' state goes into the objects before the windows go.
  for (auto& p : peers_) p->Pull();
  closing = true;
  for (auto& p : peers_) static_cast<WinPeer*>(p.get())->ctl.AttachPeer(nullptr);
  if (hwnd != nullptr) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    DestroyWindow(hwnd);
    hwnd = nullptr;
  }
  peers_.clear();
  byHwnd.clear();
  for (auto& [key, font] : fonts_) DeleteObject(font);
  fonts_.clear();
}

void Session::Focused(WinPeer* p) {
  if (closing) return;
  form.MoveFocus(p != nullptr ? &p->ctl : nullptr);
}

bool Session::PreTranslate(MSG& msg) {
  if (msg.hwnd != hwnd && !IsChild(hwnd, msg.hwnd)) return false;
  if (msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE)) {
    if (msg.wParam == VK_RETURN) {
      form.PressEnter();
    } else {
      form.PressEscape();
    }
    return true;
  }
  return IsDialogMessageW(hwnd, &msg) != FALSE;
}

// --- the backend ---------------------------------------------------------------------------

class Win32Backend : public Backend {
 public:
  explicit Win32Backend(HINSTANCE instance) : instance_(instance) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_UPDOWN_CLASS | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ContainerProc;
    wc.hInstance = instance_;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kContainerClass;
    Register(wc);
    wc.lpszClassName = kFormClass;
    wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    Register(wc);
  }

  // The classes go with the library that registered them.
  void Unregister() {
    UnregisterClassW(kFormClass, instance_);
    UnregisterClassW(kContainerClass, instance_);
  }

  HWND TopWindow() const {
    if (!running_.empty()) return running_.back()->hwnd;
    HWND owner = static_cast<HWND>(OwnerWindow());
    if (owner != nullptr && IsWindow(owner)) return GetAncestor(owner, GA_ROOT);
    return nullptr;
  }

  ModalResult RunModal(Form& form) override {
    HWND owner = TopWindow();
    auto session = std::make_unique<Session>(form, owner, instance_);
    running_.push_back(session.get());
    struct Restore {
      Win32Backend& b;
      HWND owner;
      bool reenable = false;
      ~Restore() {
        // The owner is enabled before the dialog goes, so that it, and not
        // another program, becomes the active window again.
        if (reenable) EnableWindow(owner, TRUE);
        b.running_.back()->Destroy();
        b.running_.pop_back();
        if (owner != nullptr) SetActiveWindow(owner);
      }
    } restore{*this, owner};
    session->Create();
    restore.reenable = owner != nullptr && IsWindowEnabled(owner);
    if (restore.reenable) EnableWindow(owner, FALSE);

    ShowWindow(session->hwnd, SW_SHOW);
    UpdateWindow(session->hwnd);
    HWND first = nullptr;
    if (Control* c = form.InitialFocus(); c != nullptr && c->Handle() != nullptr) {
      first = static_cast<HWND>(c->Handle());
    } else {
      first = GetNextDlgTabItem(session->hwnd, nullptr, FALSE);
    }
    if (first != nullptr) ::SetFocus(first);
    if (form.OnShow) RunGuarded([&] { form.OnShow(form); });

    MSG msg;
    while (form.GetModalResult() == ModalResult::None) {
      const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
      if (got == 0) {
        PostQuitMessage(static_cast<int>(msg.wParam));  // for the outer loop
        break;
      }
      if (got == -1) break;
      if (!session->PreTranslate(msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
    const ModalResult r = form.GetModalResult();
    return r == ModalResult::None ? ModalResult::Cancel : r;
  }

  void ShowMessageBox(const MessageBoxArgs& args) override {
    const std::wstring text = ToWide(args.text, args.textCp);
    const std::wstring caption = ToWide(args.caption, args.captionCp);
    UINT type = MB_OK | MB_SETFOREGROUND;
    if (args.icon == MessageIcon::Error) type |= MB_ICONERROR;
    HWND owner = TopWindow();
    if (owner == nullptr) type |= MB_TASKMODAL;
    MessageBoxW(owner, text.c_str(), caption.c_str(), type);
  }

  bool RunFileDialog(FileDialog& dlg) override {
    // "desc|pattern|..." becomes "desc\0pattern\0...\0\0"; split after the
    // conversion, since "|" can be a trail byte of a double-byte character.
    std::wstring filter = ToWide(dlg.Filter(), dlg.FilterCp());
    std::replace(filter.begin(), filter.end(), L'|', L'\0');
    if (!filter.empty()) filter.append(2, L'\0');
    const std::wstring title = ToWide(dlg.Title(), dlg.TitleCp());
    std::wstring buffer(32768, L'\0');
    const std::wstring initial = dlg.FileName().wstring();
    std::copy_n(initial.begin(), std::min(initial.size(), buffer.size() - 1), buffer.begin());

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = TopWindow();
    ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
    ofn.lpstrDefExt = nullptr;
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_NOCHANGEDIR;
    const BOOL ok = dlg.IsSave() ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    if (!ok) return false;
    dlg.SetFileName(std::filesystem::path(std::wstring(buffer.c_str())));
    return true;
  }

  void RunPopupMenu(MenuButton& button) override {
    PopupMenu* menu = button.Menu();
    auto* h = static_cast<HWND>(button.Handle());
    if (menu == nullptr || h == nullptr) return;
    HMENU popup = CreatePopupMenu();
    for (MenuItem* item : menu->Items()) {
      const std::wstring w = ToWide(item->Caption(), item->CaptionCp());
      AppendMenuW(popup, MF_STRING, static_cast<UINT_PTR>(item->CommandId()), w.c_str());
    }
    RECT rc;
    GetWindowRect(h, &rc);
    const int id = static_cast<int>(TrackPopupMenu(popup, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON,
                                                   rc.left, rc.bottom, 0, GetAncestor(h, GA_ROOT), nullptr));
    DestroyMenu(popup);
    for (MenuItem* item : menu->Items()) {
      if (id != 0 && item->CommandId() == id) {
        item->Click();
        return;
      }
    }
  }

  std::string PathToBytes(const std::filesystem::path& p) const override {
    return FromWide(p.wstring(), Cp::System);
  }

 private:
  void Register(const WNDCLASSEXW& wc) {
    // Already there under this instance: registered by this very image.
    if (RegisterClassExW(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
      throw std::runtime_error("cannot register the window classes");
    }
  }

  HINSTANCE instance_;
  std::vector<Session*> running_;
};

Win32Backend* installed = nullptr;

}  // namespace

void UseWin32Backend(void* instance) {
  HINSTANCE inst = instance != nullptr ? static_cast<HINSTANCE>(instance) : GetModuleHandleW(nullptr);
  auto backend = std::make_unique<Win32Backend>(inst);
  installed = backend.get();
  SetBackend(std::move(backend));
}

void EndWin32Backend() {
  if (installed == nullptr || &CurrentBackend() != installed) return;
  Win32Backend* b = installed;
  installed = nullptr;
  b->Unregister();
  SetBackend(nullptr);
}

}  // namespace qv::ui
