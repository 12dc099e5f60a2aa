// The Win32 backend: standard controls created with the wide-character API.
// Only in the Windows build (target quelvor_ui_win32).
#pragma once

#include <string>
#include <string_view>

#include "UiApplication.h"

namespace qv::ui {

// Installs the Win32 backend (registers the window classes, initialises the
// common controls).  Call once before the first form is shown.
void UseWin32Backend();

// Display conversion: 8-bit bytes in the given code page to UTF-16 and back
// (Cp::System = the system ANSI code page, Cp::Gb2312 = code page 936).
std::wstring ToWide(std::string_view bytes, Cp cp);
std::string FromWide(std::wstring_view text, Cp cp);

}  // namespace qv::ui
