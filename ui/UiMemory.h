// The in-memory backend: no windows.  Modal runs, message boxes, file
// dialogs and popup menus are scripted and recorded, so that tests and
// quelvor's configuration commands drive the very same dialog code.
//
//   auto& mem = qv::ui::UseMemoryBackend();
//   mem.WhenShown("frmInputMDChip", [](qv::ui::Form& f) {
//     f.Find<qv::ui::Edit>("edtInput")->TypeText("1234567");
//     f.Find<qv::ui::Button>("btnOk")->Click();
//   });
//   mem.QueueFileAnswer("bets.szc");    // the next file dialog picks this
//   ... run the dialog ...
//   mem.Messages()  // every message box shown
#pragma once

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "UiApplication.h"

namespace qv::ui {

class MemoryBackend : public Backend {
 public:
  using Script = std::function<void(Form&)>;

  struct FileDialogRecord {
    std::string dialogName;
    bool save = false;
    std::string filter;
    std::optional<std::filesystem::path> answer;  // none: cancelled
  };

  // The next modal run of the form with this name runs the script (queued
  // per name, first in first out).  After the script the run ends with the
  // form's modal result, Cancel when it has none (the user closed it).
  void WhenShown(const std::string& formName, Script script);
  // Runs for every modal run of that name that has no queued script.
  void WhenAlwaysShown(const std::string& formName, Script script);
  // A modal run with no script at all ends at once with Cancel.

  // Answers for the next file dialogs, in order; nullopt cancels.  With no
  // answer queued a file dialog is cancelled.
  void QueueFileAnswer(std::optional<std::filesystem::path> answer);
  // Entries chosen in the next popup menus, by item name; "" dismisses.
  void QueueMenuChoice(std::string itemName);

  const std::vector<MessageBoxArgs>& Messages() const { return messages_; }
  void ClearMessages() { messages_.clear(); }
  const std::vector<FileDialogRecord>& FileDialogs() const { return fileDialogs_; }
  const std::vector<std::string>& ModalRuns() const { return modalRuns_; }
  // Owner window seen by each modal run, in order.
  const std::vector<void*>& ModalOwners() const { return modalOwners_; }
  // Called for every message box, after it is recorded.
  std::function<void(const MessageBoxArgs&)> OnMessage;

  // Backend
  ModalResult RunModal(Form& form) override;
  void ShowMessageBox(const MessageBoxArgs& args) override;
  bool RunFileDialog(FileDialog& dlg) override;
  void RunPopupMenu(MenuButton& button) override;

 private:
  std::map<std::string, std::deque<Script>> queued_;
  std::map<std::string, Script> always_;
  std::deque<std::optional<std::filesystem::path>> fileAnswers_;
  std::deque<std::string> menuChoices_;
  std::vector<MessageBoxArgs> messages_;
  std::vector<FileDialogRecord> fileDialogs_;
  std::vector<std::string> modalRuns_;
  std::vector<void*> modalOwners_;
  std::vector<Form*> running_;
};

// Installs a fresh in-memory backend and returns it.
MemoryBackend& UseMemoryBackend();

}  // namespace qv::ui
