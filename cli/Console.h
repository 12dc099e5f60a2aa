// Terminal and stream set-up that differs between the platforms.
#pragma once

#include <cstdio>

namespace qv::host {

bool IsTerminal(std::FILE* f);
// Byte-exact output and input (no CR LF translation on Windows).
void SetBinary(std::FILE* f);
// Lets the terminal show the UTF-8 that quelvor writes.
void PrepareConsole();

}  // namespace qv::host
