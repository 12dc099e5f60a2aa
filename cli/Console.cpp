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

}  // namespace qv::host
