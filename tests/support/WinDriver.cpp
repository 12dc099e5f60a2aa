#include "WinDriver.h"

#include <cstring>

#include "ControlIds.h"

namespace e2e {

namespace {

BOOL CALLBACK CollectVisible(HWND w, LPARAM p) {
  if (IsWindowVisible(w)) reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
  return TRUE;
}

BOOL CALLBACK CollectAll(HWND w, LPARAM p) {
  reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
  return TRUE;
}

std::wstring Widen(UINT cp, const std::string& s) {
  if (s.empty()) return {};
  int n = MultiByteToWideChar(cp, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(cp, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::string Narrow(UINT cp, const std::wstring& w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr,
                              nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(cp, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

}  // namespace

std::wstring FromGb(const std::string& gb) { return Widen(936, gb); }
std::string ToGb(const std::wstring& w) { return Narrow(936, w); }
std::wstring FromAcp(const std::string& s) { return Widen(CP_ACP, s); }
std::string ToAcp(const std::wstring& w) { return Narrow(CP_ACP, w); }

std::wstring TextOf(HWND w) {
  DWORD_PTR len = 0;
  if (!SendMessageTimeoutW(w, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &len)) return {};
  std::wstring s(len + 1, L'\0');
  DWORD_PTR got = 0;
  SendMessageTimeoutW(w, WM_GETTEXT, len + 1, reinterpret_cast<LPARAM>(s.data()),
                      SMTO_ABORTIFHUNG, 5000, &got);
  s.resize(got);
  return s;
}

std::wstring ClassOf(HWND w) {
  wchar_t buf[256] = {};
  GetClassNameW(w, buf, 255);
  return buf;
}

bool WaitUntil(const std::function<bool()>& pred, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (pred()) return true;
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(20);
  }
}

std::vector<HWND> ThreadWindows(DWORD threadId) {
  std::vector<HWND> out;
  EnumThreadWindows(threadId, CollectVisible, reinterpret_cast<LPARAM>(&out));
  return out;
}

HWND WaitWindow(DWORD threadId, const std::function<bool(HWND)>& pred, DWORD timeoutMs) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND w : ThreadWindows(threadId))
          if (IsWindowEnabled(w) && pred(w)) {
            found = w;
            return true;
          }
        return false;
      },
      timeoutMs);
  return found;
}

bool WaitGone(HWND w, DWORD timeoutMs) {
  return WaitUntil([&] { return !IsWindow(w) || !IsWindowVisible(w); }, timeoutMs);
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> out;
  EnumChildWindows(parent, CollectAll, reinterpret_cast<LPARAM>(&out));
  return out;
}

HWND ChildByText(HWND parent, const std::wstring& text, const wchar_t* cls) {
  for (HWND c : Children(parent)) {
    if (cls && _wcsicmp(ClassOf(c).c_str(), cls) != 0) continue;
    if (TextOf(c) == text) return c;
  }
  return nullptr;
}

HWND ChildById(HWND parent, int id) {
  for (HWND c : Children(parent))
    if (GetDlgCtrlID(c) == id) return c;
  return nullptr;
}

MessageBoxSeen WaitMessageBox(DWORD threadId, DWORD timeoutMs) {
  // A file dialog is a #32770 too, but no message box.
  HWND w = WaitWindow(
      threadId, [](HWND w) { return ClassOf(w) == L"#32770" && !IsFileDialog(w); }, timeoutMs);
  return w ? ReadMessageBox(w) : MessageBoxSeen{};
}

MessageBoxSeen ReadMessageBox(HWND w) {
  MessageBoxSeen box;
  box.hwnd = w;
  // Its text may arrive a moment after the window shows.
  WaitUntil([&] {
    HWND t = GetDlgItem(box.hwnd, 0xFFFF);
    return t && !TextOf(t).empty() && !TextOf(box.hwnd).empty();
  }, 5000);
  box.caption = TextOf(box.hwnd);
  // The message box keeps its text in the static control 0xFFFF and its icon
  // in the static control 0x440.
  if (HWND t = GetDlgItem(box.hwnd, 0xFFFF)) box.text = TextOf(t);
  if (HWND i = GetDlgItem(box.hwnd, 0x440)) {
    DWORD_PTR icon = 0;
    SendMessageTimeoutW(i, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 5000, &icon);
    box.icon = IsWindowVisible(i) && icon != 0;
  }
  return box;
}

bool CloseMessageBox(const MessageBoxSeen& box) {
  if (!box.hwnd) return false;
  HWND ok = GetDlgItem(box.hwnd, IDOK);
  if (ok)
    PostMessageW(ok, BM_CLICK, 0, 0);
  else
    PostMessageW(box.hwnd, WM_COMMAND, IDOK, 0);
  return WaitGone(box.hwnd);
}

bool IsFileDialog(HWND w) {
  // The explorer-style template keeps the file name in edt1 (or the combo
  // box cmb13) and the folder view beside it.
  return ClassOf(w) == L"#32770" &&
         (GetDlgItem(w, 0x480) != nullptr || GetDlgItem(w, 0x47c) != nullptr);
}

HWND WaitFileDialog(DWORD threadId, DWORD timeoutMs) {
  return WaitWindow(threadId, IsFileDialog, timeoutMs);
}

HWND FileNameBox(HWND fileDialog) {
  if (HWND combo = GetDlgItem(fileDialog, 0x47c); combo && IsWindowVisible(combo)) return combo;
  return GetDlgItem(fileDialog, 0x480);
}

std::vector<std::wstring> FileTypes(HWND fileDialog) {
  std::vector<std::wstring> out;
  HWND types = GetDlgItem(fileDialog, 0x470);  // cmb1
  if (!types) return out;
  DWORD_PTR n = 0;
  SendMessageTimeoutW(types, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &n);
  for (DWORD_PTR i = 0; i < n && static_cast<LONG_PTR>(n) > 0; ++i) {
    DWORD_PTR len = 0;
    SendMessageTimeoutW(types, CB_GETLBTEXTLEN, i, 0, SMTO_ABORTIFHUNG, 5000, &len);
    std::wstring s(len + 1, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(s.data()), SMTO_ABORTIFHUNG, 5000, &got);
    s.resize(static_cast<LONG_PTR>(got) >= 0 ? got : 0);
    out.push_back(s);
  }
  return out;
}

bool ChooseFile(HWND fileDialog, const std::wstring& path, DWORD timeoutMs) {
  HWND box = FileNameBox(fileDialog);
  if (!box) return false;
  SetText(box, path);
  if (TextOf(box) != path) return false;
  PostMessageW(fileDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(fileDialog, IDOK)));
  return WaitGone(fileDialog, timeoutMs);
}

bool CancelFileDialog(HWND fileDialog, DWORD timeoutMs) {
  PostMessageW(fileDialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(fileDialog, IDCANCEL)));
  return WaitGone(fileDialog, timeoutMs);
}

HWND WaitPopupMenu(DWORD threadId, DWORD timeoutMs) {
  return WaitWindow(threadId, [](HWND w) { return ClassOf(w) == L"#32768"; }, timeoutMs);
}

namespace {

HMENU MenuOf(HWND popup) {
  DWORD_PTR menu = 0;
  SendMessageTimeoutW(popup, MN_GETHMENU, 0, 0, SMTO_ABORTIFHUNG, 5000, &menu);
  return reinterpret_cast<HMENU>(menu);
}

}  // namespace

std::vector<std::wstring> MenuItems(HWND popup) {
  std::vector<std::wstring> out;
  HMENU menu = MenuOf(popup);
  if (!menu) return out;
  const int n = GetMenuItemCount(menu);
  for (int i = 0; i < n; ++i) {
    wchar_t buf[256] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), buf, 255, MF_BYPOSITION);
    out.emplace_back(buf);
  }
  return out;
}

bool ChooseMenuItem(HWND popup, const std::wstring& caption) {
  const std::vector<std::wstring> items = MenuItems(popup);
  size_t index = 0;
  while (index < items.size() && items[index] != caption) ++index;
  if (index == items.size()) return false;
  // The menu's own message loop takes the keys, whichever window of the
  // thread they are posted to.
  for (size_t i = 0; i <= index; ++i) PressKey(popup, VK_DOWN);
  PressKey(popup, VK_RETURN);
  return WaitGone(popup);
}

void Click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

void SetText(HWND w, const std::wstring& text) {
  DWORD_PTR r = 0;
  SendMessageTimeoutW(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                      5000, &r);
}

void TypeChars(HWND w, const std::wstring& chars) {
  for (wchar_t c : chars) {
    DWORD_PTR r = 0;
    SendMessageTimeoutW(w, WM_CHAR, c, 1, SMTO_ABORTIFHUNG, 5000, &r);
  }
}

HWND FocusOf(DWORD threadId) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(threadId, &info)) return nullptr;
  return info.hwndFocus;
}

void PressKey(HWND w, UINT vk) {
  const UINT scan = MapVirtualKeyW(vk, 0);
  PostMessageW(w, WM_KEYDOWN, vk, 1 | (scan << 16));
  PostMessageW(w, WM_KEYUP, vk, 1 | (scan << 16) | (1u << 30) | (1u << 31));
}

bool IsChecked(HWND checkBox) {
  DWORD_PTR r = 0;
  SendMessageTimeoutW(checkBox, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &r);
  return r == BST_CHECKED;
}

bool PutClipboard(HWND owner, const std::wstring& text) {
  // Another thread may hold it open a moment.
  if (!WaitUntil([&] { return OpenClipboard(owner) != 0; }, 5000)) return false;
  EmptyClipboard();
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, bytes);
  bool ok = false;
  if (h) {
    if (void* p = GlobalLock(h)) {
      memcpy(p, text.c_str(), bytes);
      GlobalUnlock(h);
      ok = SetClipboardData(CF_UNICODETEXT, h) != nullptr;
    }
    if (!ok) GlobalFree(h);
  }
  CloseClipboard();
  return ok;
}

std::vector<std::wstring> ListItems(HWND list) {
  std::vector<std::wstring> out;
  DWORD_PTR n = 0;
  SendMessageTimeoutW(list, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &n);
  for (DWORD_PTR i = 0; i < n && static_cast<LONG_PTR>(n) >= 0; ++i) {
    DWORD_PTR len = 0;
    SendMessageTimeoutW(list, LB_GETTEXTLEN, i, 0, SMTO_ABORTIFHUNG, 5000, &len);
    std::wstring s(len + 1, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(s.data()), SMTO_ABORTIFHUNG,
                        5000, &got);
    s.resize(static_cast<LONG_PTR>(got) >= 0 ? got : 0);
    out.push_back(s);
  }
  return out;
}

int ListCaret(HWND list) {
  DWORD_PTR r = 0;
  SendMessageTimeoutW(list, LB_GETCARETINDEX, 0, 0, SMTO_ABORTIFHUNG, 5000, &r);
  return static_cast<int>(static_cast<LONG_PTR>(r));
}

bool IsEntry(HWND w) {
  return ClassOf(w) != L"#32770" && ChildById(w, qv::ids::kEntryInput) != nullptr &&
         ChildById(w, qv::ids::kOk) != nullptr && TextOf(w).empty();
}

HWND EntryEdit(HWND entry) { return ChildById(entry, qv::ids::kEntryInput); }

void AnswerEntry(HWND entry, const std::wstring& typed, int end) {
  HWND edit = EntryEdit(entry);
  TypeChars(edit, typed);
  if (end == VK_RETURN)
    PressKey(edit, VK_RETURN);
  else
    Click(ChildById(entry, end == IDOK ? qv::ids::kOk : qv::ids::kCancel));
}

}  // namespace e2e
