// The second windows a dialog under test opens over itself (message boxes,
// the open and save dialogs, the entry dialog), answered in the order they
// come from answers queued beforehand, and recorded.  On the in-memory
// toolkit through its scripting; on Win32 by a driver thread that finds
// each real window of the dialog's thread by its class and owner and
// answers it through its controls, as a user would (no stubs).  Whatever
// comes up with no answer queued is dismissed: a file dialog cancelled, an
// entry dialog cancelled, a message box closed with OK.
#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "UiControls.h"
#include "UiMemory.h"

namespace qv::testing {

enum class EntryEnd { Enter, Ok, Cancel };

struct SeenMessage {
  std::string text, caption;  // GB2312 bytes
  ui::MessageIcon icon = ui::MessageIcon::None;
};

class DialogAnswers {
 public:
  // mem: the in-memory toolkit in use; null: the Win32 one (Windows build),
  // whose dialogs run on the calling thread.
  explicit DialogAnswers(ui::MemoryBackend* mem);
  ~DialogAnswers();
  DialogAnswers(const DialogAnswers&) = delete;
  DialogAnswers& operator=(const DialogAnswers&) = delete;

  // The next file dialog chooses this file; nullopt cancels it.
  void File(std::optional<std::filesystem::path> answer);
  // The next entry dialog gets typed, then ends with end; refused, the
  // entry is cancelled after its message.
  void Entry(std::string typed, EntryEnd end);

  std::vector<SeenMessage> Messages() const;
  std::vector<std::string> MessageTexts() const;
  // For each file dialog shown, the descriptions of its file types.
  std::vector<std::vector<std::string>> FileDialogs() const;
  // How many entry dialogs ran over this form.
  int EntriesOver(const ui::Form& owner) const;
  // Forgets what was seen.
  void Clear();

  struct Driver;

 private:
  ui::MemoryBackend* mem_;
  size_t memFiles_ = 0, memRuns_ = 0;  // what the in-memory toolkit saw before Clear
  std::unique_ptr<Driver> driver_;
};

}  // namespace qv::testing
