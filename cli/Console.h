// Terminal and stream set-up that differs between the platforms.
#pragma once

#include <cstdio>
#include <string>

namespace qv::host {

bool IsTerminal(std::FILE* f);
// Byte-exact output and input (no CR LF translation on Windows).
void SetBinary(std::FILE* f);
// Lets the terminal show the UTF-8 that quelvor writes.
void PrepareConsole();

// "quelvor: " and the message on stderr, with a line end.
void PrintError(const std::string& message);
// Writes text to standard output and flushes it; false with a message on a
// write error.
bool WriteOut(const std::string& text);

}  // namespace qv::host
