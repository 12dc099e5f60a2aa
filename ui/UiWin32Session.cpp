// The modal session: the windows, fonts and peers of one running form, and
// the window procedures that route messages to the peers.
#include <windows.h>
#include <commctrl.h>

#include "UiWin32Window.h"

namespace qv::ui::win32 {

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
  if (destroyed_) return;
  destroyed_ = true;
  // The windows' state goes into the objects before the windows go.
  for (auto& p : peers_) p->Pull();
  closing = true;
  for (auto& p : peers_) static_cast<WinPeer*>(p.get())->ctl.AttachPeer(nullptr);
  if (hwnd != nullptr) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    DestroyWindow(hwnd);
    hwnd = nullptr;
  }
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

}  // namespace qv::ui::win32
