// The Win32 backend.  While a form runs modally every control object has a
// peer (UiWin32Peers.cpp) that owns its standard window: BUTTON, EDIT (+ an
// up-down control for spin edits), LISTBOX, STATIC, a tab control, and a
// plain container class for the form, panels and tab sheets.  The windows
// are created with the wide-character API; texts are converted from their
// code page only for display (UiWin32Text.cpp), and a text the user did not
// change is read back as the very bytes that were set.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <windowsx.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <stdexcept>
#include <vector>

#include "UiWin32Window.h"

namespace qv::ui {

namespace {

using namespace win32;

class Win32Backend : public Backend {
 public:
  explicit Win32Backend(HINSTANCE instance) : instance_(instance) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_UPDOWN_CLASS | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES |
                                              ICC_PROGRESS_CLASS | ICC_LISTVIEW_CLASSES};
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
    wc.hIcon = nullptr;
    wc.lpfnWndProc = ChartProc;
    wc.hbrBackground = nullptr;  // it paints every pixel itself
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpszClassName = kChartClass;
    Register(wc);
    wc.style = 0;
    wc.lpfnWndProc = PostProc;
    wc.lpszClassName = kPostClass;
    Register(wc);
  }

  // While mailboxes are open: a message-only window of the UI thread, whose
  // posted messages whichever loop runs there dispatches.
  void MailboxesOpen(bool open) override {
    if (open && post_ == nullptr) {
      post_ = CreateWindowExW(0, kPostClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance_, nullptr);
      if (post_ == nullptr) throw std::runtime_error("cannot create the posting window");
      postTarget_ = post_;
    } else if (!open && post_ != nullptr) {
      postTarget_ = nullptr;
      DestroyWindow(post_);
      post_ = nullptr;
    }
  }

  // The classes go with the library that registered them.
  void Unregister() {
    postTarget_ = nullptr;
    while (!modeless_.empty()) modeless_.back()->form.Close();
    retired_.clear();
    MailboxesOpen(false);
    UnregisterClassW(kPostClass, instance_);
    UnregisterClassW(kChartClass, instance_);
    UnregisterClassW(kFormClass, instance_);
    UnregisterClassW(kContainerClass, instance_);
  }

  void WakeForPosted() override {
    if (HWND h = postTarget_.load()) PostMessageW(h, kPostedMessage, 0, 0);
  }

  void OpenModeless(Form& form, Form& owner) override {
    auto* ownerWindow = static_cast<HWND>(owner.Handle());
    auto session = std::make_unique<Session>(form, ownerWindow, instance_);
    Session* s = session.get();
    modeless_.push_back(std::move(session));
    try {
      s->Create();
    } catch (...) {
      Retire(*s);
      throw;
    }
    ShowWindow(s->hwnd, SW_SHOWNOACTIVATE);
    UpdateWindow(s->hwnd);
    if (form.OnShow) RunGuarded([&] { form.OnShow(form); });
  }

  void CloseModeless(Form& form) override {
    auto it = std::find_if(modeless_.begin(), modeless_.end(),
                           [&](const std::unique_ptr<Session>& s) { return &s->form == &form; });
    if (it == modeless_.end()) {
      form.ModelessClosed();
      return;
    }
    // Its own modeless forms go first, while its windows still own theirs.
    form.CloseOwnedForms();
    Retire(**it);
    form.ModelessClosed();
  }

  void BringToFront(Form& form) override {
    if (auto* h = static_cast<HWND>(form.Handle()))
      SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
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
        // The forms it owns go before its windows, which own theirs.
        b.running_.back()->form.CloseOwnedForms();
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
      if (!PreTranslate(*session, msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
      retired_.clear();  // no handler of theirs is running now
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
  // The keyboard of the modal form and of the modeless ones beside it.
  bool PreTranslate(Session& modal, MSG& msg) {
    if (modal.PreTranslate(msg)) return true;
    for (auto& s : modeless_) {
      if (s->PreTranslate(msg)) return true;
    }
    return false;
  }

  // The windows go now; the session when no handler of it can be running.
  void Retire(Session& s) {
    auto it = std::find_if(modeless_.begin(), modeless_.end(),
                           [&](const std::unique_ptr<Session>& p) { return p.get() == &s; });
    if (it == modeless_.end()) return;
    std::unique_ptr<Session> owned = std::move(*it);
    modeless_.erase(it);
    owned->Destroy();
    retired_.push_back(std::move(owned));
  }

  static LRESULT CALLBACK PostProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kPostedMessage) {
      RunPostedTasks();
      return 0;
    }
    return DefWindowProcW(h, msg, wp, lp);
  }

  void Register(const WNDCLASSEXW& wc) {
    // Already there under this instance: registered by this very image.
    if (RegisterClassExW(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
      throw std::runtime_error("cannot register the window classes");
    }
  }

  HINSTANCE instance_;
  std::vector<Session*> running_;
  std::vector<std::unique_ptr<Session>> modeless_;
  std::vector<std::unique_ptr<Session>> retired_;
  HWND post_ = nullptr;
  std::atomic<HWND> postTarget_{nullptr};
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
