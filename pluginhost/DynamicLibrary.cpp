// The platform's dynamic loading.  Kept apart from the plug-in's interface
// header, whose export names (GetVersion) clash with the Windows headers.
#include "DynamicLibrary.h"

#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace qv::host {

#if defined(_WIN32)
namespace {
std::string LastErrorText() {
  const DWORD code = GetLastError();
  char* text = nullptr;
  DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string s = n && text ? std::string(text, n) : std::string();
  if (text) LocalFree(text);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ' || s.back() == '.'))
    s.pop_back();
  return "error " + std::to_string(code) + (s.empty() ? "" : ": " + s);
}

}  // namespace

void* OpenLibrary(const std::filesystem::path& p, std::string& error) {
  HMODULE h = LoadLibraryExW(p.wstring().c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!h) error = LastErrorText();
  return reinterpret_cast<void*>(h);
}
void* Symbol(void* h, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(h), name));
}
void CloseLibrary(void* h) { FreeLibrary(static_cast<HMODULE>(h)); }

#else

void* OpenLibrary(const std::filesystem::path& p, std::string& error) {
  void* h = dlopen(p.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!h) {
    const char* e = dlerror();
    error = e ? e : "cannot be loaded";
  }
  return h;
}
void* Symbol(void* h, const char* name) {
  dlerror();
  return dlsym(h, name);
}
void CloseLibrary(void* h) { dlclose(h); }

#endif

std::filesystem::path ExecutableDir() {
#if defined(_WIN32)
  std::vector<wchar_t> buf(MAX_PATH);
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return std::filesystem::current_path();
    if (n < buf.size()) return std::filesystem::path(std::wstring(buf.data(), n)).parent_path();
    buf.resize(buf.size() * 2);
  }
#else
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return std::filesystem::current_path();
  return self.parent_path();
#endif
}

}  // namespace qv::host
