#include "UiMemory.h"

#include <algorithm>

namespace qv::ui {

namespace {

// The first control that takes the focus, in keyboard order, depth first.
Control* FirstTabStop(const Container& c) {
  for (Control* child : c.TabOrderList()) {
    if (!child->Enabled() || !child->Visible()) continue;
    if (auto* pc = dynamic_cast<PageControl*>(child)) {
      if (TabSheet* page = pc->ActivePage()) {
        if (Control* inner = FirstTabStop(*page)) return inner;
      }
      continue;
    }
    if (dynamic_cast<TabSheet*>(child) != nullptr) continue;
    if (auto* sub = dynamic_cast<Container*>(child)) {
      if (Control* inner = FirstTabStop(*sub)) return inner;
      continue;
    }
    if (child->TabStop()) return child;
  }
  return nullptr;
}

}  // namespace

void MemoryBackend::WhenShown(const std::string& formName, Script script) {
  queued_[formName].push_back(std::move(script));
}

void MemoryBackend::WhenAlwaysShown(const std::string& formName, Script script) {
  always_[formName] = std::move(script);
}

void MemoryBackend::QueueFileAnswer(std::optional<std::filesystem::path> answer) {
  fileAnswers_.push_back(std::move(answer));
}

void MemoryBackend::QueueMenuChoice(std::string itemName) { menuChoices_.push_back(std::move(itemName)); }

ModalResult MemoryBackend::RunModal(Form& form) {
  modalRuns_.push_back(form.Name());
  modalOwners_.push_back(running_.empty() ? OwnerWindow() : static_cast<void*>(running_.back()));
  running_.push_back(&form);
  struct Pop {
    std::vector<Form*>& v;
    ~Pop() { v.pop_back(); }
  } pop{running_};

  Script script;
  auto q = queued_.find(form.Name());
  if (q != queued_.end() && !q->second.empty()) {
    script = std::move(q->second.front());
    q->second.pop_front();
  } else if (auto a = always_.find(form.Name()); a != always_.end()) {
    script = a->second;
  }

  Control* first = form.InitialFocus() != nullptr ? form.InitialFocus() : FirstTabStop(form);
  if (first != nullptr) form.MoveFocus(first);
  if (form.OnShow) RunGuarded([&] { form.OnShow(form); });
  if (script && form.GetModalResult() == ModalResult::None) script(form);
  const ModalResult r = form.GetModalResult();
  return r == ModalResult::None ? ModalResult::Cancel : r;
}

void MemoryBackend::ShowMessageBox(const MessageBoxArgs& args) {
  messages_.push_back(args);
  if (OnMessage) OnMessage(messages_.back());
}

bool MemoryBackend::RunFileDialog(FileDialog& dlg) {
  FileDialogRecord rec;
  rec.dialogName = dlg.Name();
  rec.save = dlg.IsSave();
  rec.filter = dlg.Filter();
  if (!fileAnswers_.empty()) {
    rec.answer = std::move(fileAnswers_.front());
    fileAnswers_.pop_front();
  }
  fileDialogs_.push_back(rec);
  if (!rec.answer) return false;
  dlg.SetFileName(*rec.answer);
  return true;
}

void MemoryBackend::RunPopupMenu(MenuButton& button) {
  if (menuChoices_.empty() || button.Menu() == nullptr) return;
  const std::string choice = std::move(menuChoices_.front());
  menuChoices_.pop_front();
  for (MenuItem* item : button.Menu()->Items()) {
    if (item->Name() == choice) {
      item->Click();
      return;
    }
  }
}

MemoryBackend& UseMemoryBackend() {
  auto backend = std::make_unique<MemoryBackend>();
  MemoryBackend& ref = *backend;
  SetBackend(std::move(backend));
  return ref;
}

}  // namespace qv::ui
