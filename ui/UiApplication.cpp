#include "UiApplication.h"

#include "UiMemory.h"

namespace qv::ui {

namespace {

std::unique_ptr<Backend>& BackendSlot() {
  static std::unique_ptr<Backend> backend;
  return backend;
}

void* ownerWindow = nullptr;

struct Title {
  std::string bytes;
  Cp cp = Cp::System;
};

Title& TitleSlot() {
  static Title title;
  return title;
}

}  // namespace

std::string Backend::PathToBytes(const std::filesystem::path& p) const { return p.string(); }

Backend& CurrentBackend() {
  auto& slot = BackendSlot();
  if (!slot) slot = std::make_unique<MemoryBackend>();
  return *slot;
}

void SetBackend(std::unique_ptr<Backend> backend) { BackendSlot() = std::move(backend); }

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
