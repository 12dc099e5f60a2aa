// Inside the Win32 backend: the window classes, the peer base that every
// kind of control's peer derives from, and the modal session that owns the
// windows of one form.  For the backend's own sources only.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "UiPeer.h"
#include "UiWin32.h"

namespace qv::ui::win32 {

constexpr wchar_t kContainerClass[] = L"QuelvorContainer";
constexpr wchar_t kFormClass[] = L"QuelvorForm";
constexpr wchar_t kChartClass[] = L"QuelvorChart";
constexpr wchar_t kPostClass[] = L"QuelvorPost";
// The private message of the posting window: tasks are waiting.
constexpr UINT kPostedMessage = WM_APP + 0x51;
// Windows without a fixed ID (up-down buttons, unnamed labels) get one from
// here on, above every fixed one.
constexpr int kFirstAutoId = 0x7000;

// Lone CRs become CR LF for display (STATIC breaks lines only at CR LF/LF).
std::wstring DisplayLines(std::wstring w);
// The window's whole text.
std::wstring WindowText(HWND h);

// The keys without a character, as virtual-key codes (in Key's order).
inline constexpr WPARAM kVirtualKeys[] = {VK_UP, VK_DOWN, VK_PRIOR, VK_NEXT, VK_LEFT, VK_RIGHT, VK_HOME, VK_END, VK_DELETE};
std::optional<Key> KeyOf(WPARAM vk);

class Session;


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

// One form on screen (a modal run or a modeless window): its windows, fonts
// and peers.  The peers outlive the windows until the session goes, so that
// a form closed from inside one of its own handlers unwinds safely.  It makes the
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
  std::unique_ptr<detail::Peer> Make(ProgressBar& c) override;
  std::unique_ptr<detail::Peer> Make(Chart& c) override;
  std::unique_ptr<detail::Peer> Make(ListView& c) override;

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
  bool destroyed_ = false;
};

// The peers of the display controls (UiWin32Views.cpp).
std::unique_ptr<detail::Peer> MakeProgressPeer(Session& s, ProgressBar& c);
std::unique_ptr<detail::Peer> MakeChartPeer(Session& s, Chart& c);
std::unique_ptr<detail::Peer> MakeListViewPeer(Session& s, ListView& c);

// The window procedures: a standard control's subclass, and the class of
// the form, panels and tab sheets.  Both route messages to the peers.
LRESULT CALLBACK SubclassProc(HWND h, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref);
LRESULT CALLBACK ContainerProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);
// The chart's window class: it draws its object in WM_PAINT.
LRESULT CALLBACK ChartProc(HWND h, UINT msg, WPARAM wp, LPARAM lp);

}  // namespace qv::ui::win32
