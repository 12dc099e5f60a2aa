// ZcOpen's work: the setup dialog, modal over the host's window, filled from
// the filter string and, when the user confirms, writing it back.
#include "SetupEntry.h"

#include <exception>
#include <memory>

#include "FltSetup.h"
#include "Texts.h"
#include "UiApplication.h"
#ifdef QUELVOR_WIN32_DIALOGS
#include "UiWin32.h"
#endif

namespace qv {

namespace {

void* instance = nullptr;
bool installed = false;

void EnsureBackend() {
#ifdef QUELVOR_WIN32_DIALOGS
  if (installed) return;
  ui::UseWin32Backend(instance);
  installed = true;
#endif
}

void ShowSetup(void* owner, std::string& filterStr) {
  EnsureBackend();
  // The host's window owns the dialogs until the very end, whatever path
  // leaves this function; the dialog goes before the owner is restored.
  ui::OwnerWindowScope ownerScope(owner);
  auto dlg = std::make_unique<TfrmFltSetup>();
  // A string that no dialog of ours wrote is kept as it is; one whose media
  // bets the filter string cannot carry opens without them, and only OK
  // writes the repaired string back.
  if (!dlg->OpenFilterStr(filterStr)) return;
  dlg->ShowModal();
  if (dlg->CancelFlag == 0) {
    std::string built;
    dlg->BuildFilterStr(built);
    filterStr.swap(built);
  }
}

}  // namespace

void SetSetupInstance(void* module) { instance = module; }

void EndSetup() {
#ifdef QUELVOR_WIN32_DIALOGS
  if (installed) ui::EndWin32Backend();
#endif
  installed = false;
}

void RunSetup(void* owner, std::string& filterStr) {
  ui::SetAppTitle(texts::kAppTitle, ui::Cp::Gb2312);
  try {
    ShowSetup(owner, filterStr);
  } catch (const std::exception& e) {
    try {
      ui::ShowException(e.what());
    } catch (...) {
    }
  } catch (...) {
  }
}

}  // namespace qv
