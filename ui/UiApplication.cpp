#include "UiApplication.h"

#include <atomic>
#include <deque>
#include <mutex>
#include <utility>

#include "UiMemory.h"

namespace qv::ui {

namespace {

std::unique_ptr<Backend>& BackendSlot() {
  static std::unique_ptr<Backend> backend;
  return backend;
}

void* ownerWindow = nullptr;
// The backend that worker threads wake: read without the UI thread's help.
std::atomic<Backend*> wakeTarget{nullptr};
int openMailboxes = 0;  // the UI thread's count

struct Title {
  std::string bytes;
  Cp cp = Cp::System;
};

Title& TitleSlot() {
  static Title title;
  return title;
}

}  // namespace

void Backend::OpenModeless(Form& form, Form&) {
  if (form.OnShow) RunGuarded([&] { form.OnShow(form); });
}
void Backend::CloseModeless(Form& form) { form.ModelessClosed(); }

// --- posting from worker threads ------------------------------------------------

struct Mailbox::State {
  std::atomic<bool> open{true};
};

namespace {

struct Posted {
  std::shared_ptr<Mailbox::State> box;
  std::function<void()> task;
};

std::mutex& PostLock() {
  static std::mutex m;
  return m;
}

std::deque<Posted>& PostQueue() {
  static std::deque<Posted> q;
  return q;
}

}  // namespace

Mailbox::Mailbox() : state_(std::make_shared<State>()) {
  if (openMailboxes == 0) CurrentBackend().MailboxesOpen(true);
  ++openMailboxes;
}

Mailbox::~Mailbox() {
  state_->open = false;
  {
    std::lock_guard<std::mutex> lock(PostLock());
    std::erase_if(PostQueue(), [&](const Posted& p) { return p.box == state_; });
  }
  if (--openMailboxes == 0) CurrentBackend().MailboxesOpen(false);
}

void Mailbox::Post(std::function<void()> task) {
  {
    std::lock_guard<std::mutex> lock(PostLock());
    PostQueue().push_back(Posted{state_, std::move(task)});
  }
  if (Backend* b = wakeTarget.load()) b->WakeForPosted();
}

int RunPostedTasks() {
  int ran = 0;
  while (true) {
    Posted next;
    {
      std::lock_guard<std::mutex> lock(PostLock());
      if (PostQueue().empty()) return ran;
      next = std::move(PostQueue().front());
      PostQueue().pop_front();
    }
    if (!next.box->open) continue;
    ++ran;
    RunGuarded(next.task);
  }
}

std::string Backend::PathToBytes(const std::filesystem::path& p) const { return p.string(); }

Backend& CurrentBackend() {
  auto& slot = BackendSlot();
  if (!slot) slot = std::make_unique<MemoryBackend>();
  return *slot;
}

void SetBackend(std::unique_ptr<Backend> backend) {
  wakeTarget = nullptr;
  BackendSlot() = std::move(backend);
  if (BackendSlot() && openMailboxes > 0) BackendSlot()->MailboxesOpen(true);
  wakeTarget = BackendSlot().get();
}

void* OwnerWindow() { return ownerWindow; }
void SetOwnerWindow(void* hwnd) { ownerWindow = hwnd; }

const std::string& AppTitle() { return TitleSlot().bytes; }
Cp AppTitleCp() { return TitleSlot().cp; }
void SetAppTitle(std::string_view bytes, Cp cp) { TitleSlot() = Title{std::string(bytes), cp}; }

void ShowMessageBox(const MessageBoxArgs& args) { CurrentBackend().ShowMessageBox(args); }

void ShowMessage(std::string_view text, Cp cp) {
  MessageBoxArgs args;
  args.text.assign(text);
  args.textCp = cp;
  ShowMessageBox(args);
}

std::string ExceptionDisplayText(std::string_view message) {
  std::string text(message);
  if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) {
    text += '.';
  }
  return text;
}

void ShowException(std::string_view message) {
  try {
    MessageBoxArgs args;
    args.text = ExceptionDisplayText(message);
    args.textCp = Cp::System;
    args.icon = MessageIcon::Error;
    ShowMessageBox(args);
  } catch (...) {
    // Nothing more can be shown; the dialog stays open.
  }
}

}  // namespace qv::ui
