// Application-wide state of the component framework: the backend that puts
// forms on screen (chosen once), the owner window of the dialogs, message
// boxes and the error display for errors that escape an event handler.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "UiControls.h"

namespace qv::ui {

// The application's title: the caption of the plain message boxes and of
// the error display.  The application sets it (empty until then).
const std::string& AppTitle();
Cp AppTitleCp();
void SetAppTitle(std::string_view bytes, Cp cp);

enum class MessageIcon : uint8_t { None, Error };

// One message box: a single OK button, centred on the screen.
struct MessageBoxArgs {
  std::string text;
  Cp textCp = Cp::Gb2312;
  std::string caption = AppTitle();
  Cp captionCp = AppTitleCp();
  MessageIcon icon = MessageIcon::None;
};

// What a toolkit must do.  Implementations: the in-memory backend
// (UiMemory.h) and the Win32 backend (UiWin32.h, Windows builds only).
class Backend {
 public:
  virtual ~Backend() = default;
  // Runs the form modally until it has a modal result or is closed; returns
  // the result (Cancel when closed without one).
  virtual ModalResult RunModal(Form& form) = 0;
  // Shows a message box and waits until it is closed.
  virtual void ShowMessageBox(const MessageBoxArgs& args) = 0;
  // Shows the open or save dialog; true with dlg's FileName set on a choice.
  virtual bool RunFileDialog(FileDialog& dlg) = 0;
  // Shows the button's popup menu and runs the chosen entry's click.
  virtual void RunPopupMenu(MenuButton& button) = 0;
  // Puts a modeless form on screen beside its owner and runs its OnShow /
  // takes it away (then calls form.ModelessClosed()).  Defaults: no windows.
  virtual void OpenModeless(Form& form, Form& owner);
  virtual void CloseModeless(Form& form);
  // Puts a showing modeless form in front of the others.  Default: nothing.
  virtual void BringToFront(Form&) {}
  // Called from any thread when a task was posted (Mailbox): the UI thread
  // is to call RunPostedTasks soon, from its message loop.  Default: the
  // program pumps itself.
  virtual void WakeForPosted() {}
  // The first mailbox opens / the last one closes (the UI thread), so that
  // what carries the wake-ups lives no longer than the mailboxes.
  virtual void MailboxesOpen(bool) {}
  // The file name as 8-bit system code page bytes.
  virtual std::string PathToBytes(const std::filesystem::path& p) const;
};

// The backend in use.  Until one is set, an in-memory backend serves.
Backend& CurrentBackend();
// Replaces the backend (do it once, before any form is shown).
void SetBackend(std::unique_ptr<Backend> backend);

// The application's owner window (HWND on Windows): modal forms run over
// it.  ZcOpen saves it, sets the host's window and restores it.
void* OwnerWindow();
void SetOwnerWindow(void* hwnd);

// Restores the previous owner window on every path out of a scope.
class OwnerWindowScope {
 public:
  explicit OwnerWindowScope(void* hwnd) : saved_(OwnerWindow()) { SetOwnerWindow(hwnd); }
  ~OwnerWindowScope() { SetOwnerWindow(saved_); }
  OwnerWindowScope(const OwnerWindowScope&) = delete;
  OwnerWindowScope& operator=(const OwnerWindowScope&) = delete;

 private:
  void* saved_;
};

// A plain message box: no icon, the application's title, one OK button.
void ShowMessage(std::string_view text, Cp cp = Cp::Gb2312);
// Any message box.
void ShowMessageBox(const MessageBoxArgs& args);

// The error display: a message box with the error icon, the application's title,
// showing the message followed by "." when its last byte sorts after "."
// (message bytes in the system code page).
void ShowException(std::string_view message);
// The text the error display shows for a message.
std::string ExceptionDisplayText(std::string_view message);

// Hands results from worker threads to the UI thread.  Post may be called
// from any thread; the task runs on the UI thread, in whichever message loop
// runs there (a form's, a message box's), or on the in-memory toolkit when
// the program calls RunPostedTasks.  A task still queued when its mailbox
// goes is dropped, so a mailbox that lives no longer than what its tasks
// touch keeps them safe.  Create and destroy it on the UI thread, after the
// threads that post into it have ended.
class Mailbox {
 public:
  Mailbox();
  ~Mailbox();
  Mailbox(const Mailbox&) = delete;
  Mailbox& operator=(const Mailbox&) = delete;
  void Post(std::function<void()> task);

  struct State;

 private:
  std::shared_ptr<State> state_;
};

// Runs the posted tasks of every open mailbox, in the order posted (the UI
// thread; the Win32 toolkit calls it itself).  Returns how many ran.
int RunPostedTasks();

// Runs an event handler; a std::exception (or anything else) escaping it
// goes to the error display and the dialog stays open.  Every event the
// framework dispatches runs through this.
template <class F>
void RunGuarded(F&& handler) noexcept {
  try {
    handler();
  } catch (const std::exception& e) {
    ShowException(e.what());
  } catch (...) {
    ShowException("Unknown error");
  }
}

}  // namespace qv::ui
