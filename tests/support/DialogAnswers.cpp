#include "DialogAnswers.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>

#ifdef _WIN32
#include <windows.h>

#include "WinDriver.h"
#endif

namespace qv::testing {

namespace {

constexpr const char kEntryForm[] = "frmInputMDChip";

// "desc|pattern|desc|pattern": the descriptions.
std::vector<std::string> Descriptions(const std::string& filter) {
  std::vector<std::string> out;
  size_t at = 0;
  for (bool desc = true; at <= filter.size() && !filter.empty(); desc = !desc) {
    const size_t bar = std::min(filter.find('|', at), filter.size());
    if (desc) out.push_back(filter.substr(at, bar - at));
    at = bar + 1;
  }
  return out;
}

}  // namespace

#ifdef _WIN32

struct DialogAnswers::Driver {
  DWORD tid = GetCurrentThreadId();
  mutable std::mutex m;
  std::deque<std::optional<std::filesystem::path>> files;
  std::deque<std::pair<std::string, EntryEnd>> entries;
  std::vector<SeenMessage> messages;
  std::vector<std::vector<std::string>> fileDialogs;
  std::vector<HWND> entryOwners;
  std::atomic<bool> stop{false};
  std::thread thread{[this] { Run(); }};

  ~Driver() {
    stop = true;
    thread.join();
  }

  // A window of the dialog's thread, owned by another of its windows (or by
  // none: a task-modal message box).
  bool Ours(HWND w) const {
    HWND owner = GetWindow(w, GW_OWNER);
    return IsWindowEnabled(w) && (!owner || GetWindowThreadProcessId(owner, nullptr) == tid);
  }

  void Run() {
    while (!stop) {
      for (HWND w : e2e::ThreadWindows(tid)) {
        if (!Ours(w)) continue;
        if (e2e::IsFileDialog(w))
          AnswerFile(w);
        else if (e2e::ClassOf(w) == L"#32770")
          AnswerMessage(w);
        else if (e2e::IsEntry(w))
          AnswerEntry(w);
      }
      Sleep(10);
    }
  }

  void AnswerMessage(HWND w) {
    const e2e::MessageBoxSeen box = e2e::ReadMessageBox(w);
    {
      std::lock_guard<std::mutex> lock(m);
      messages.push_back({e2e::ToGb(box.text), e2e::ToGb(box.caption),
                          box.icon ? ui::MessageIcon::Error : ui::MessageIcon::None});
    }
    e2e::CloseMessageBox(box);
  }

  void AnswerFile(HWND w) {
    std::optional<std::filesystem::path> answer;
    {
      std::lock_guard<std::mutex> lock(m);
      std::vector<std::string> types;
      for (const std::wstring& t : e2e::FileTypes(w)) types.push_back(e2e::ToGb(t));
      fileDialogs.push_back(types);
      if (!files.empty()) {
        answer = files.front();
        files.pop_front();
      }
    }
    if (!answer || !e2e::ChooseFile(w, answer->wstring(), 30000)) e2e::CancelFileDialog(w, 30000);
  }

  void AnswerEntry(HWND w) {
    std::optional<std::pair<std::string, EntryEnd>> script;
    {
      std::lock_guard<std::mutex> lock(m);
      entryOwners.push_back(GetWindow(w, GW_OWNER));
      if (!entries.empty()) {
        script = entries.front();
        entries.pop_front();
      }
    }
    if (script) {
      const int end = script->second == EntryEnd::Enter ? VK_RETURN
                      : script->second == EntryEnd::Ok  ? IDOK
                                                        : IDCANCEL;
      e2e::AnswerEntry(w, e2e::FromAcp(script->first), end);
      // Refused: its message over it, then the entry cancelled.
      e2e::WaitUntil([&] {
        if (!IsWindow(w) || !IsWindowVisible(w)) return true;
        for (HWND b : e2e::ThreadWindows(tid))
          if (GetWindow(b, GW_OWNER) == w && e2e::ClassOf(b) == L"#32770" && IsWindowEnabled(b)) {
            AnswerMessage(b);
            return true;
          }
        return false;
      }, 30000);
    }
    if (IsWindow(w) && IsWindowVisible(w)) {
      e2e::Click(e2e::ChildById(w, IDCANCEL));
      e2e::WaitGone(w, 30000);
    }
  }
};

#else

struct DialogAnswers::Driver {};

#endif

DialogAnswers::DialogAnswers(ui::MemoryBackend* mem) : mem_(mem) {
#ifdef _WIN32
  if (!mem_) driver_ = std::make_unique<Driver>();
#else
  if (!mem_) throw std::logic_error("the Win32 toolkit exists only in the Windows build");
#endif
}

DialogAnswers::~DialogAnswers() = default;

void DialogAnswers::File(std::optional<std::filesystem::path> answer) {
  if (mem_) return mem_->QueueFileAnswer(std::move(answer));
#ifdef _WIN32
  std::lock_guard<std::mutex> lock(driver_->m);
  driver_->files.push_back(std::move(answer));
#endif
}

void DialogAnswers::Entry(std::string typed, EntryEnd end) {
  if (mem_) {
    mem_->WhenShown(kEntryForm, [typed, end](ui::Form& f) {
      f.Find<ui::Edit>("edtInput")->TypeText(typed);
      if (end == EntryEnd::Enter) f.PressEnter();
      else f.Find<ui::Button>(end == EntryEnd::Ok ? "btnOk" : "btnCancel")->Click();
    });
    return;
  }
#ifdef _WIN32
  std::lock_guard<std::mutex> lock(driver_->m);
  driver_->entries.emplace_back(std::move(typed), end);
#endif
}

std::vector<SeenMessage> DialogAnswers::Messages() const {
  std::vector<SeenMessage> out;
  if (mem_) {
    for (const ui::MessageBoxArgs& a : mem_->Messages()) out.push_back({a.text, a.caption, a.icon});
    return out;
  }
#ifdef _WIN32
  std::lock_guard<std::mutex> lock(driver_->m);
  out = driver_->messages;
#endif
  return out;
}

std::vector<std::string> DialogAnswers::MessageTexts() const {
  std::vector<std::string> out;
  for (const SeenMessage& m : Messages()) out.push_back(m.text);
  return out;
}

std::vector<std::vector<std::string>> DialogAnswers::FileDialogs() const {
  std::vector<std::vector<std::string>> out;
  if (mem_) {
    for (size_t i = memFiles_; i < mem_->FileDialogs().size(); ++i)
      out.push_back(Descriptions(mem_->FileDialogs()[i].filter));
    return out;
  }
#ifdef _WIN32
  std::lock_guard<std::mutex> lock(driver_->m);
  out = driver_->fileDialogs;
#endif
  return out;
}

int DialogAnswers::EntriesOver(const ui::Form& owner) const {
  int n = 0;
  if (mem_) {
    for (size_t i = memRuns_; i < mem_->ModalRuns().size(); ++i)
      n += mem_->ModalRuns()[i] == kEntryForm && mem_->ModalOwners()[i] == &owner;
    return n;
  }
#ifdef _WIN32
  std::lock_guard<std::mutex> lock(driver_->m);
  for (HWND h : driver_->entryOwners) n += h == static_cast<HWND>(owner.Handle());
#endif
  return n;
}

void DialogAnswers::Clear() {
  if (mem_) {
    mem_->ClearMessages();
    memFiles_ = mem_->FileDialogs().size();
    memRuns_ = mem_->ModalRuns().size();
    return;
  }
#ifdef _WIN32
  std::lock_guard<std::mutex> lock(driver_->m);
  driver_->messages.clear();
  driver_->fileDialogs.clear();
  driver_->entryOwners.clear();
#endif
}

}  // namespace qv::testing
