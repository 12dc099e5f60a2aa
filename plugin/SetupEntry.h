// ZcOpen's work: show the setup dialog over the host's window and, on OK,
// replace the filter string.
#pragma once

#include <string>

namespace qv {

// The library's own module handle (HINSTANCE on Windows): the dialogs'
// window classes are registered under it.  Set at process attach.
void SetSetupInstance(void* instance);

// The library is being unloaded with FreeLibrary: its window classes go, so
// that the next load registers them afresh wherever it lands.
void EndSetup();

void RunSetup(void* owner, std::string& filterStr);

}  // namespace qv
