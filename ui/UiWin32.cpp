// The Win32 backend.  While a form runs modally every control object has a
// peer here that owns its standard window: BUTTON, EDIT (+ an up-down control
// for spin edits), LISTBOX, STATIC, a tab control, and a plain container
// class for the form, panels and tab sheets.  The windows are created with
// the wide-character API; texts are converted from their code page only for
// display, and a text the user did not change is read back as the very bytes
// that were set.
#include "UiWin32.h"

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <windowsx.h>

#include <algorithm>
#include <map>
#include <memory>
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

class Session;

enum class Kind { Container, Label, Button, CheckBox, Edit, Spin, List, Bevel, Pages };

// --- peers ------------------------------------------------------------------------------

class WinPeer : public detail::Peer {
 public:
  WinPeer(Session& s, Control& c, Kind k) : session(s), ctl(c), kind(k) {}
  ~WinPeer() override = default;

  void Changed(int prop, int index) override;
  void* Handle() const override { return hwnd; }
  void Focus() override {
    if (hwnd != nullptr) ::SetFocus(hwnd);
  }
  void Blur() override;
  void SimulateChar(char c) override {
    const std::wstring w = ToWide(std::string_view(&c, 1), Cp::System);
    if (!w.empty()) SendMessageW(hwnd, WM_CHAR, w[0], 1);
  }
  void SimulateKey(Key k) override {
    static const WPARAM vk[] = {VK_UP, VK_DOWN, VK_PRIOR, VK_NEXT, VK_LEFT, VK_RIGHT, VK_HOME, VK_END, VK_DELETE};
    SendMessageW(hwnd, WM_KEYDOWN, vk[static_cast<int>(k)], 1);
  }

  void PushText();
  void PushSelection();
  void PullSelection();
  void Place();
  LRESULT Subclassed(HWND h, UINT msg, WPARAM wp, LPARAM lp, bool& handled);
  void Command(int code);
  LRESULT Notify(NMHDR* nm, bool& handled);

  Session& session;
  Control& ctl;
  Kind kind;
  HWND hwnd = nullptr;
  HWND upDown = nullptr;  // spin edits
  std::wstring shown;     // the text as last set by the object side
  int wheelRest = 0;
  std::vector<TabSheet*> tabPages;  // page controls: the pages with a tab
};

// One modal run: the windows, fonts and peers of one form.
class Session {
 public:
  Session(Form& f, HWND owner) : form(f), owner_(owner) {}
  ~Session();

  void Create();
  void Destroy();
  WinPeer* PeerOf(HWND h) const {
    auto it = byHwnd.find(h);
    return it == byHwnd.end() ? nullptr : it->second;
  }
  HFONT FontFor(const Font& f);
  void Focused(WinPeer* p);
  bool PreTranslate(MSG& msg);

  Form& form;
  HWND hwnd = nullptr;
  bool syncing = false;  // the object side is writing into a window
  bool closing = false;
  std::map<HWND, WinPeer*> byHwnd;

 private:
  void CreateChildren(Container& c, HWND parentWindow);
  void CreateControl(Control& c, HWND parentWindow);
  WinPeer* MakePeer(Control& c, Kind k, HWND h);

  HWND owner_;
  std::vector<std::unique_ptr<WinPeer>> peers_;
  std::map<std::tuple<std::string, int, bool, int>, HFONT> fonts_;
  int nextId_ = 1000;
  std::unique_ptr<WinPeer> formPeer_;
};

LRESULT CALLBACK SubclassProc(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
  auto* peer = reinterpret_cast<WinPeer*>(ref);
  bool handled = false;
  LRESULT r = 0;
  if (peer != nullptr && !peer->session.closing) r = peer->Subclassed(h, msg, wp, lp, handled);
  if (handled) return r;
  if (msg == WM_NCDESTROY) RemoveWindowSubclass(h, SubclassProc, 1);
  return DefSubclassProc(h, msg, wp, lp);
}

// The form, panels and tab sheets: route notifications to the peers.
LRESULT CALLBACK ContainerProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<WinPeer*>(GetWindowLongPtrW(h, GWLP_USERDATA));
  if (self == nullptr || self->session.closing) return DefWindowProcW(h, msg, wp, lp);
  Session& s = self->session;
  switch (msg) {
    case WM_COMMAND: {
      if (lp == 0) {  // a menu entry
        const int id = LOWORD(wp);
        for (Component* c : s.form.Components()) {
          if (auto* item = dynamic_cast<MenuItem*>(c); item != nullptr && item->CommandId() == id) {
            item->Click();
            return 0;
          }
        }
        return 0;
      }
      if (WinPeer* p = s.PeerOf(reinterpret_cast<HWND>(lp))) p->Command(HIWORD(wp));
      return 0;
    }
    case WM_NOTIFY: {
      auto* nm = reinterpret_cast<NMHDR*>(lp);
      if (WinPeer* p = s.PeerOf(nm->hwndFrom)) {
        bool handled = false;
        LRESULT r = p->Notify(nm, handled);
        if (handled) return r;
      }
      break;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      WinPeer* p = s.PeerOf(reinterpret_cast<HWND>(lp));
      if (p == nullptr) break;
      const Font f = p->ctl.EffectiveFont();
      if (!f.color) break;
      auto dc = reinterpret_cast<HDC>(wp);
      SetTextColor(dc, *f.color);
      const bool editLike = msg == WM_CTLCOLOREDIT && p->ctl.Enabled();
      const int sys = editLike ? COLOR_WINDOW : COLOR_BTNFACE;
      SetBkColor(dc, GetSysColor(sys));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(sys));
    }
    case WM_CLOSE:
      if (h == s.hwnd) {
        // Without title-bar buttons there is no way out but the dialog's own.
        if (s.form.SystemMenu()) s.form.SetModalResult(ModalResult::Cancel);
        return 0;
      }
      break;
    case WM_SETFOCUS:
      if (h == s.hwnd) s.Focused(nullptr);
      break;
    default: break;
  }
  return DefWindowProcW(h, msg, wp, lp);
}

void WinPeer::Blur() {
  if (session.hwnd != nullptr) ::SetFocus(session.hwnd);
}

void WinPeer::PushText() {
  auto& e = static_cast<Edit&>(ctl);
  shown = ToWide(e.Text(), Cp::System);
  session.syncing = true;
  SetWindowTextW(hwnd, shown.c_str());
  SendMessageW(hwnd, EM_SETSEL, static_cast<WPARAM>(e.SelStart()),
               static_cast<LPARAM>(e.SelStart() + e.SelLength()));
  session.syncing = false;
}

void WinPeer::PushSelection() {
  auto& lb = static_cast<ListBox&>(ctl);
  session.syncing = true;
  SendMessageW(hwnd, LB_SETSEL, FALSE, -1);
  for (int i = 0; i < lb.Count(); ++i) {
    if (lb.Selected(i)) SendMessageW(hwnd, LB_SETSEL, TRUE, i);
  }
  if (lb.ItemIndex() >= 0) SendMessageW(hwnd, LB_SETCARETINDEX, static_cast<WPARAM>(lb.ItemIndex()), FALSE);
  session.syncing = false;
}

void WinPeer::PullSelection() {
  auto& lb = static_cast<ListBox&>(ctl);
  const int n = static_cast<int>(SendMessageW(hwnd, LB_GETCOUNT, 0, 0));
  if (n != lb.Count()) return;
  std::vector<bool> sel(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) sel[static_cast<size_t>(i)] = SendMessageW(hwnd, LB_GETSEL, i, 0) > 0;
  const int caret = n > 0 ? static_cast<int>(SendMessageW(hwnd, LB_GETCARETINDEX, 0, 0)) : -1;
  lb.SelectionFromWindow(std::move(sel), caret);
}

void WinPeer::Place() {
  const Rect& r = ctl.Bounds();
  if (kind == Kind::Spin && upDown != nullptr) {
    const int bw = std::min(16, std::max(r.width / 3, 1));
    MoveWindow(hwnd, r.left, r.top, r.width - bw, r.height, TRUE);
    MoveWindow(upDown, r.left + r.width - bw, r.top, bw, r.height, TRUE);
    return;
  }
  if (dynamic_cast<TabSheet*>(&ctl) != nullptr) return;  // placed by its page control
  MoveWindow(hwnd, r.left, r.top, r.width, r.height, TRUE);
  if (kind == Kind::Pages) {
    RECT rc{0, 0, r.width, r.height};
    TabCtrl_AdjustRect(hwnd, FALSE, &rc);
    for (TabSheet* page : static_cast<PageControl&>(ctl).PagesList()) {
      if (auto* p = static_cast<WinPeer*>(page->peer())) {
        MoveWindow(p->hwnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
      }
    }
  }
}

void WinPeer::Changed(int prop, int index) {
  if (hwnd == nullptr || session.closing) return;
  using namespace detail;
  switch (prop) {
    case kBounds: Place(); break;
    case kEnabled:
      EnableWindow(hwnd, ctl.Enabled());
      if (upDown != nullptr) EnableWindow(upDown, ctl.Enabled());
      break;
    case kVisible: {
      bool show = ctl.Visible();
      if (auto* page = dynamic_cast<TabSheet*>(&ctl)) show = show && page->Pages().ActivePage() == page;
      ShowWindow(hwnd, show ? SW_SHOWNA : SW_HIDE);
      if (upDown != nullptr) ShowWindow(upDown, show ? SW_SHOWNA : SW_HIDE);
      break;
    }
    case kFont:
      SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(session.FontFor(ctl.EffectiveFont())), TRUE);
      break;
    case kCaption:
      if (&ctl == &session.form) {
        SetWindowTextW(hwnd, ToWide(session.form.Caption(), session.form.CaptionCp()).c_str());
      } else if (auto* page = dynamic_cast<TabSheet*>(&ctl)) {
        auto* pages = static_cast<WinPeer*>(page->Pages().peer());
        if (pages == nullptr) break;
        auto it = std::find(pages->tabPages.begin(), pages->tabPages.end(), page);
        if (it == pages->tabPages.end()) break;
        std::wstring w = ToWide(page->Caption(), page->CaptionCp());
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = w.data();
        SendMessageW(pages->hwnd, TCM_SETITEMW, static_cast<WPARAM>(it - pages->tabPages.begin()),
                     reinterpret_cast<LPARAM>(&item));
      } else if (auto* cc = dynamic_cast<CaptionedControl*>(&ctl)) {
        std::wstring w = ToWide(cc->Caption(), cc->CaptionCp());
        if (kind == Kind::Label) w = DisplayLines(std::move(w));
        SetWindowTextW(hwnd, w.c_str());
      }
      break;
    case kText: PushText(); break;
    case kSel: {
      auto& e = static_cast<Edit&>(ctl);
      SendMessageW(hwnd, EM_SETSEL, static_cast<WPARAM>(e.SelStart()),
                   static_cast<LPARAM>(e.SelStart() + e.SelLength()));
      break;
    }
    case kChecked:
      SendMessageW(hwnd, BM_SETCHECK, static_cast<CheckBox&>(ctl).Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    case kItemAdded: {
      const auto& lb = static_cast<ListBox&>(ctl);
      const std::wstring w = ToWide(lb.Item(index), Cp::System);
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
    case kActivePage: {
      auto& pc = static_cast<PageControl&>(ctl);
      for (TabSheet* page : pc.PagesList()) {
        if (auto* p = static_cast<WinPeer*>(page->peer())) {
          ShowWindow(p->hwnd, page == pc.ActivePage() && page->Visible() ? SW_SHOWNA : SW_HIDE);
        }
      }
      auto it = std::find(tabPages.begin(), tabPages.end(), pc.ActivePage());
      if (it != tabPages.end()) SendMessageW(hwnd, TCM_SETCURSEL, static_cast<WPARAM>(it - tabPages.begin()), 0);
      break;
    }
    default: break;
  }
}

void WinPeer::Command(int code) {
  switch (kind) {
    case Kind::Button:
      if (code == BN_CLICKED) static_cast<Button&>(ctl).PerformClick();
      break;
    case Kind::CheckBox:
      if (code == BN_CLICKED && ctl.Enabled()) {
        auto& chk = static_cast<CheckBox&>(ctl);
        chk.SetChecked(!chk.Checked());
      }
      break;
    case Kind::Edit:
    case Kind::Spin:
      if (code == EN_CHANGE && !session.syncing) {
        std::wstring now = WindowText(hwnd);
        if (now == shown) break;  // unchanged: keep the bytes as they were set
        shown = now;
        DWORD start = 0;
        SendMessageW(hwnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
        const std::wstring head = now.substr(0, std::min<size_t>(start, now.size()));
        auto& e = static_cast<Edit&>(ctl);
        e.TextFromWindow(FromWide(now, Cp::System), static_cast<int>(FromWide(head, Cp::System).size()));
      }
      break;
    case Kind::List:
      if (code == LBN_SELCHANGE && !session.syncing) {
        PullSelection();
        auto& lb = static_cast<ListBox&>(ctl);
        if (lb.OnClick) RunGuarded([&] { lb.OnClick(lb); });
      }
      break;
    default: break;
  }
}

LRESULT WinPeer::Notify(NMHDR* nm, bool& handled) {
  if (kind == Kind::Spin && nm->hwndFrom == upDown && nm->code == UDN_DELTAPOS) {
    auto* ud = reinterpret_cast<NMUPDOWN*>(nm);
    auto& spin = static_cast<SpinEdit&>(ctl);
    if (ud->iDelta > 0) spin.ClickUp();
    if (ud->iDelta < 0) spin.ClickDown();
    handled = true;
    return 1;  // the up-down control keeps no position of its own
  }
  if (kind == Kind::Pages && nm->code == TCN_SELCHANGE) {
    const int i = static_cast<int>(SendMessageW(hwnd, TCM_GETCURSEL, 0, 0));
    if (i >= 0 && i < static_cast<int>(tabPages.size())) static_cast<PageControl&>(ctl).SetActivePage(tabPages[i]);
    handled = true;
    return 0;
  }
  return 0;
}

LRESULT WinPeer::Subclassed(HWND, UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  switch (msg) {
    case WM_SETFOCUS:
      if (kind == Kind::List) {
        // The focus rectangle shows a current line from now on.
        auto& lb = static_cast<ListBox&>(ctl);
        if (lb.ItemIndex() < 0 && lb.Count() > 0) PullSelection();
      }
      session.Focused(this);
      break;
    case WM_CHAR:
      if ((kind == Kind::Edit || kind == Kind::Spin) && !session.syncing) {
        auto& e = static_cast<Edit&>(ctl);
        const wchar_t wc = static_cast<wchar_t>(wp);
        BOOL lossy = FALSE;
        char buf[8] = {};
        const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &wc, 1, buf, sizeof buf, nullptr, &lossy);
        if (n <= 0 || lossy) {  // the box keeps system code page bytes: no place for it
          handled = true;
          return 0;
        }
        char key = buf[0];
        const char original = key;
        if (e.OnKeyPress) RunGuarded([&] { e.OnKeyPress(e, key); });
        const bool control = static_cast<unsigned char>(key) < 32 && key != 8;
        if (key == 0 || (kind == Kind::Spin && !control && !SpinEdit::AcceptsChar(key))) {
          handled = true;
          return 0;
        }
        if (key != original) {
          const std::wstring w = ToWide(std::string_view(&key, 1), Cp::System);
          handled = true;
          if (w.size() == 1) return DefSubclassProc(hwnd, WM_CHAR, w[0], lp);
          return 0;
        }
      }
      break;
    case WM_KEYDOWN:
      if (kind == Kind::Spin) {
        auto& spin = static_cast<SpinEdit&>(ctl);
        int step = 0;
        if (wp == VK_UP) step = spin.Increment();
        if (wp == VK_DOWN) step = -spin.Increment();
        if (wp == VK_PRIOR) step = spin.PageIncrement();
        if (wp == VK_NEXT) step = -spin.PageIncrement();
        if (step != 0) {
          spin.StepBy(step);
          handled = true;
          return 0;
        }
      }
      break;
    case WM_MOUSEWHEEL:
      if (kind == Kind::Spin) {
        wheelRest += GET_WHEEL_DELTA_WPARAM(wp);
        const int notches = wheelRest / WHEEL_DELTA;
        wheelRest -= notches * WHEEL_DELTA;
        const bool ctrl = (GET_KEYSTATE_WPARAM(wp) & MK_CONTROL) != 0;
        if (notches != 0) static_cast<SpinEdit&>(ctl).Wheel(notches, ctrl);
        handled = true;
        return 0;
      }
      break;
    case WM_KEYUP:
    case WM_LBUTTONUP:
      if (kind == Kind::List) PullSelection();  // the caret may move without a selection change
      break;
    default: break;
  }
  return 0;
}

// --- the session -------------------------------------------------------------------------

Session::~Session() { Destroy(); }

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

WinPeer* Session::MakePeer(Control& c, Kind k, HWND h) {
  auto peer = std::make_unique<WinPeer>(*this, c, k);
  peer->hwnd = h;
  WinPeer* raw = peer.get();
  peers_.push_back(std::move(peer));
  byHwnd[h] = raw;
  c.AttachPeer(raw);
  return raw;
}

void Session::CreateControl(Control& c, HWND parentWindow) {
  const Rect& r = c.Bounds();
  HINSTANCE inst = GetModuleHandleW(nullptr);
  const HMENU id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(nextId_++));
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
  if (c.Visible()) style |= WS_VISIBLE;
  if (!c.Enabled()) style |= WS_DISABLED;
  if (c.TabStop()) style |= WS_TABSTOP;
  DWORD ex = 0;
  const wchar_t* cls = nullptr;
  std::wstring text;
  Kind kind = Kind::Container;

  if (auto* page = dynamic_cast<TabSheet*>(&c)) {
    cls = kContainerClass;
    style |= WS_CLIPCHILDREN;
    if (page->Pages().ActivePage() != page) style &= ~WS_VISIBLE;
    style &= ~WS_TABSTOP;
    ex = WS_EX_CONTROLPARENT;
  } else if (dynamic_cast<PageControl*>(&c) != nullptr) {
    cls = WC_TABCONTROLW;
    kind = Kind::Pages;
    style = (style & ~WS_TABSTOP) | WS_CLIPCHILDREN;
    ex = WS_EX_CONTROLPARENT;
  } else if (dynamic_cast<Container*>(&c) != nullptr) {
    cls = kContainerClass;
    style |= WS_CLIPCHILDREN;
    ex = WS_EX_CONTROLPARENT;
  } else if (auto* chk = dynamic_cast<CheckBox*>(&c)) {
    cls = L"BUTTON";
    kind = Kind::CheckBox;
    style |= BS_CHECKBOX;
    text = ToWide(chk->Caption(), chk->CaptionCp());
  } else if (auto* btn = dynamic_cast<Button*>(&c)) {
    cls = L"BUTTON";
    kind = Kind::Button;
    style |= (form.DefaultButton() == btn) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    text = ToWide(btn->Caption(), btn->CaptionCp());
  } else if (auto* lbl = dynamic_cast<Label*>(&c)) {
    cls = L"STATIC";
    kind = Kind::Label;
    style |= SS_NOPREFIX | (lbl->WordWrap() ? SS_LEFT : SS_LEFTNOWORDWRAP);
    text = DisplayLines(ToWide(lbl->Caption(), lbl->CaptionCp()));
  } else if (dynamic_cast<Bevel*>(&c) != nullptr) {
    cls = L"STATIC";
    kind = Kind::Bevel;
    style |= r.height > r.width ? SS_ETCHEDVERT : SS_ETCHEDHORZ;
  } else if (auto* e = dynamic_cast<Edit*>(&c)) {
    cls = L"EDIT";
    kind = dynamic_cast<SpinEdit*>(&c) != nullptr ? Kind::Spin : Kind::Edit;
    style |= ES_AUTOHSCROLL | ES_LEFT;
    if (e->Flat()) {
      style |= WS_BORDER;
    } else {
      ex |= WS_EX_CLIENTEDGE;
    }
    text = ToWide(e->Text(), Cp::System);
  } else if (dynamic_cast<ListBox*>(&c) != nullptr) {
    cls = L"LISTBOX";
    kind = Kind::List;
    style |= LBS_EXTENDEDSEL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
    ex |= WS_EX_CLIENTEDGE;
  } else {
    return;
  }

  HWND h = CreateWindowExW(ex, cls, text.c_str(), style, r.left, r.top, r.width, r.height, parentWindow, id,
                           inst, nullptr);
  if (h == nullptr) throw std::runtime_error("cannot create a window");
  WinPeer* peer = MakePeer(c, kind, h);
  SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(c.EffectiveFont())), FALSE);

  switch (kind) {
    case Kind::Container:
      SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(peer));
      break;
    case Kind::Edit:
    case Kind::Spin: {
      auto& e = static_cast<Edit&>(c);
      peer->shown = text;
      if (e.MaxLength() > 0) SendMessageW(h, EM_LIMITTEXT, static_cast<WPARAM>(e.MaxLength()), 0);
      SetWindowSubclass(h, SubclassProc, 1, reinterpret_cast<DWORD_PTR>(peer));
      if (kind == Kind::Spin) {
        DWORD udStyle = WS_CHILD | UDS_NOTHOUSANDS;
        if (c.Visible()) udStyle |= WS_VISIBLE;
        if (!c.Enabled()) udStyle |= WS_DISABLED;
        peer->upDown = CreateWindowExW(0, UPDOWN_CLASSW, L"", udStyle, 0, 0, 16, r.height, parentWindow,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(nextId_++)), inst, nullptr);
        if (peer->upDown != nullptr) {
          SendMessageW(peer->upDown, UDM_SETRANGE32, 0, 100);
          byHwnd[peer->upDown] = peer;
        }
        peer->Place();
      }
      break;
    }
    case Kind::List: {
      auto& lb = static_cast<ListBox&>(c);
      SendMessageW(h, WM_SETREDRAW, FALSE, 0);
      for (const std::string& item : lb.Items()) {
        const std::wstring w = ToWide(item, Cp::System);
        SendMessageW(h, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(w.c_str()));
      }
      if (!lb.Updating()) SendMessageW(h, WM_SETREDRAW, TRUE, 0);
      peer->PushSelection();
      SetWindowSubclass(h, SubclassProc, 1, reinterpret_cast<DWORD_PTR>(peer));
      break;
    }
    case Kind::Pages: {
      auto& pc = static_cast<PageControl&>(c);
      for (TabSheet* page : pc.PagesList()) {
        if (!page->TabVisible()) continue;  // a hidden tab is simply not inserted
        std::wstring w = ToWide(page->Caption(), page->CaptionCp());
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = w.data();
        const auto pos = static_cast<WPARAM>(peer->tabPages.size());
        SendMessageW(h, TCM_INSERTITEMW, pos, reinterpret_cast<LPARAM>(&item));
        peer->tabPages.push_back(page);
      }
      auto it = std::find(peer->tabPages.begin(), peer->tabPages.end(), pc.ActivePage());
      if (it != peer->tabPages.end()) SendMessageW(h, TCM_SETCURSEL, static_cast<WPARAM>(it - peer->tabPages.begin()), 0);
      SetWindowSubclass(h, SubclassProc, 1, reinterpret_cast<DWORD_PTR>(peer));
      break;
    }
    default:
      SetWindowSubclass(h, SubclassProc, 1, reinterpret_cast<DWORD_PTR>(peer));
      break;
  }
  if (kind == Kind::CheckBox && static_cast<CheckBox&>(c).Checked()) SendMessageW(h, BM_SETCHECK, BST_CHECKED, 0);

  if (auto* container = dynamic_cast<Container*>(&c)) {
    CreateChildren(*container, h);
    if (kind == Kind::Pages) peer->Place();  // the pages fill the display area
  }
}

void Session::CreateChildren(Container& c, HWND parentWindow) {
  // Windows are created in keyboard order: the dialog manager tabs in
  // creation (z) order.
  for (Control* child : c.TabOrderList()) CreateControl(*child, parentWindow);
}

void Session::Create() {
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
  hwnd = CreateWindowExW(ex, kFormClass, ToWide(form.Caption(), form.CaptionCp()).c_str(), style, x, y, w, h,
                         owner_, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (hwnd == nullptr) throw std::runtime_error("cannot create the dialog window");
  formPeer_ = std::make_unique<WinPeer>(*this, form, Kind::Container);
  formPeer_->hwnd = hwnd;
  form.AttachPeer(formPeer_.get());
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(formPeer_.get()));
  SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(form.EffectiveFont())), FALSE);
  CreateChildren(form, hwnd);
}

void Session::Destroy() {
  if (hwnd == nullptr && peers_.empty()) return;
  closing = true;
  // The objects keep their state; the windows go without reporting back.
  for (auto& p : peers_) p->ctl.AttachPeer(nullptr);
  form.AttachPeer(nullptr);
  if (hwnd != nullptr) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    DestroyWindow(hwnd);
    hwnd = nullptr;
  }
  peers_.clear();
  byHwnd.clear();
  formPeer_.reset();
  for (auto& [key, font] : fonts_) DeleteObject(font);
  fonts_.clear();
}

void Session::Focused(WinPeer* p) {
  if (closing) return;
  Control* to = p != nullptr ? &p->ctl : nullptr;
  if (to != nullptr && dynamic_cast<Container*>(to) != nullptr) to = nullptr;
  form.MoveFocus(to);
}

bool Session::PreTranslate(MSG& msg) {
  if (msg.hwnd != hwnd && !IsChild(hwnd, msg.hwnd)) return false;
  if (msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_ESCAPE)) {
    if (msg.wParam == VK_RETURN) {
      WinPeer* focus = PeerOf(GetFocus());
      if (focus != nullptr && focus->kind == Kind::Button) {
        static_cast<Button&>(focus->ctl).PerformClick();
      } else if (form.DefaultButton() != nullptr) {
        form.DefaultButton()->PerformClick();
      }
    } else if (form.CancelButton() != nullptr) {
      form.CancelButton()->PerformClick();
    }
    return true;
  }
  return IsDialogMessageW(hwnd, &msg) != FALSE;
}

// --- the backend ---------------------------------------------------------------------------

class Win32Backend : public Backend {
 public:
  Win32Backend() {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_UPDOWN_CLASS | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ContainerProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kContainerClass;
    RegisterClassExW(&wc);
    wc.lpszClassName = kFormClass;
    wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    RegisterClassExW(&wc);
  }

  HWND TopWindow() const {
    if (!running_.empty()) return running_.back()->hwnd;
    HWND owner = static_cast<HWND>(OwnerWindow());
    if (owner != nullptr && IsWindow(owner)) return GetAncestor(owner, GA_ROOT);
    return nullptr;
  }

  ModalResult RunModal(Form& form) override {
    HWND owner = TopWindow();
    auto session = std::make_unique<Session>(form, owner);
    session->Create();
    running_.push_back(session.get());
    const bool ownerWasEnabled = owner != nullptr && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);
    struct Restore {
      Win32Backend& b;
      HWND owner;
      bool reenable;
      ~Restore() {
        // The owner is enabled before the dialog goes, so that it, and not
        // another program, becomes the active window again.
        if (reenable) EnableWindow(owner, TRUE);
        b.running_.back()->Destroy();
        b.running_.pop_back();
        if (owner != nullptr) SetActiveWindow(owner);
      }
    } restore{*this, owner, ownerWasEnabled};

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
  std::vector<Session*> running_;
};

}  // namespace

void UseWin32Backend() { SetBackend(std::make_unique<Win32Backend>()); }

}  // namespace qv::ui
