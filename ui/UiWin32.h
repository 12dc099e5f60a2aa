// The Win32 backend: standard controls created with the wide-character API.
// Only in the Windows build (target quelvor_ui_win32).
#pragma once

#include <string>
#include <string_view>

#include "UiApplication.h"

namespace qv::ui {

// Installs the Win32 backend: registers its window classes under instance
// (the HINSTANCE of the module whose code they run: the library's own in a
// DLL; nullptr: the program's) and initialises the common controls.  Call
// once before the first form is shown; throws std::runtime_error when the
// classes cannot be registered.
void UseWin32Backend(void* instance = nullptr);

// Unregisters the window classes and drops the backend: for a library that
// is being unloaded (FreeLibrary), so that a later load, at whatever
// address, registers them afresh.  Not at process exit.
void EndWin32Backend();

// Display conversion: 8-bit bytes in the given code page to UTF-16 and back
// (Cp::System = the system ANSI code page, Cp::Gb2312 = code page 936).
std::wstring ToWide(std::string_view bytes, Cp cp);
std::string FromWide(std::wstring_view text, Cp cp);

}  // namespace qv::ui
