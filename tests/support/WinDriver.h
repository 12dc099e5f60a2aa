// Drives real windows from a second thread through window messages, the way
// a user (or a screen reader) would reach them.  Every wait is bounded, so a
// dialog that does not come up, or does not go away, fails the case instead
// of hanging the run.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace e2e {

// GB2312 bytes (the plug-in's texts) as UTF-16, independent of the system's
// ANSI code page.
std::wstring FromGb(const std::string& gb);
std::string ToGb(const std::wstring& w);
// The system code page, as the plug-in's texts cross its boundary.
std::wstring FromAcp(const std::string& s);
std::string ToAcp(const std::wstring& w);

std::wstring TextOf(HWND w);
std::wstring ClassOf(HWND w);

// Polls pred every few milliseconds until it holds or timeoutMs passes.
bool WaitUntil(const std::function<bool()>& pred, DWORD timeoutMs = 10000);

// The visible top-level windows of a thread.
std::vector<HWND> ThreadWindows(DWORD threadId);
// Waits for a visible, enabled top-level window of the thread that pred
// accepts; null on time-out.
HWND WaitWindow(DWORD threadId, const std::function<bool(HWND)>& pred,
                DWORD timeoutMs = 10000);
// Waits until w is no longer a window (or no longer visible).
bool WaitGone(HWND w, DWORD timeoutMs = 10000);

// All descendants of parent, in the order EnumChildWindows gives.
std::vector<HWND> Children(HWND parent);
// The first descendant whose text is text (and whose class is cls, if given).
HWND ChildByText(HWND parent, const std::wstring& text, const wchar_t* cls = nullptr);
HWND ChildById(HWND parent, int id);

// A message box of the thread (not a file dialog): the #32770 window, its caption, its text and
// whether it shows an icon.
struct MessageBoxSeen {
  HWND hwnd = nullptr;
  std::wstring caption;
  std::wstring text;
  bool icon = false;
};
MessageBoxSeen WaitMessageBox(DWORD threadId, DWORD timeoutMs = 10000);
// Reads a message box that is on screen (its text may come a moment later).
MessageBoxSeen ReadMessageBox(HWND box);
// Presses its OK button and waits for it to close.
bool CloseMessageBox(const MessageBoxSeen& box);

// A file dialog (GetOpenFileName / GetSaveFileName, the explorer style) of
// the thread, and the control where the user types the file name.
bool IsFileDialog(HWND w);
HWND WaitFileDialog(DWORD threadId, DWORD timeoutMs = 10000);
HWND FileNameBox(HWND fileDialog);
// The descriptions of the file types its type box offers.
std::vector<std::wstring> FileTypes(HWND fileDialog);
// Types path into the file name box and presses the dialog's OK button;
// true once the dialog has closed.
bool ChooseFile(HWND fileDialog, const std::wstring& path, DWORD timeoutMs = 10000);
// Presses Cancel; true once the dialog has closed.
bool CancelFileDialog(HWND fileDialog, DWORD timeoutMs = 10000);

// A popup menu of the thread (TrackPopupMenu) and its item captions.
HWND WaitPopupMenu(DWORD threadId, DWORD timeoutMs = 10000);
std::vector<std::wstring> MenuItems(HWND popup);
// Picks the item with this caption with the keyboard, as a user does
// (arrow down to it, Enter); false when there is no such item.
bool ChooseMenuItem(HWND popup, const std::wstring& caption);

// Posted, so that a click that opens a modal window does not block the
// driver.
void Click(HWND button);
void SetText(HWND w, const std::wstring& text);
void TypeChars(HWND w, const std::wstring& chars);
// The control that has the keyboard focus in the thread.
HWND FocusOf(DWORD threadId);
void PressKey(HWND w, UINT vk);

bool IsChecked(HWND checkBox);

// Puts text on the clipboard, as a copy in another program does (owner: a
// window that handles its messages).
bool PutClipboard(HWND owner, const std::wstring& text);

// The items of a list box, as the system code page gives them.
std::vector<std::wstring> ListItems(HWND list);
int ListCaret(HWND list);

// The plug-in's media bet entry dialog (no caption, its input box and OK),
// its input box, and an answer to it: typed character by character, then
// Enter (vk VK_RETURN), OK (IDOK) or Cancel (IDCANCEL).
bool IsEntry(HWND w);
HWND EntryEdit(HWND entry);
void AnswerEntry(HWND entry, const std::wstring& typed, int end);

}  // namespace e2e
