#include "Console.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace qv::host {

#if defined(_WIN32)
bool IsTerminal(std::FILE* f) { return _isatty(_fileno(f)) != 0; }
void SetBinary(std::FILE* f) { _setmode(_fileno(f), _O_BINARY); }
void PrepareConsole() {
  SetConsoleOutputCP(CP_UTF8);
  SetBinary(stdout);
}
#else
bool IsTerminal(std::FILE* f) { return isatty(fileno(f)) != 0; }
void SetBinary(std::FILE*) {}
void PrepareConsole() {}
#endif

void PrintError(const std::string& message) {
  std::fprintf(stderr, "quelvor: %s\n", message.c_str());
}

bool WriteOut(const std::string& text) {
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
    PrintError("standard output: write error");
    return false;
  }
  return true;
}

}  // namespace qv::host
