#include "PluginLibrary.h"

#include <system_error>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

#ifndef QUELVOR_PLUGIN_FILE_NAME
#if defined(_WIN32)
#define QUELVOR_PLUGIN_FILE_NAME "Quelvor.dll"
#else
#define QUELVOR_PLUGIN_FILE_NAME "libQuelvor.so"
#endif
#endif

namespace qv::host {
namespace {

#if defined(_WIN32)

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

template <class Fn>
bool Resolve(void* h, const char* name, Fn& slot, std::string& missing) {
  void* p = Symbol(h, name);
  if (!p) {
    if (!missing.empty()) missing += ", ";
    missing += name;
    return false;
  }
  slot = reinterpret_cast<Fn>(p);
  return true;
}

}  // namespace

bool PluginLibrary::Load(const std::filesystem::path& path, std::string& error) {
  Unload();
  std::error_code ec;
  std::filesystem::path full = std::filesystem::absolute(path, ec);
  if (ec) full = path;
  if (!std::filesystem::exists(full, ec)) {
    error = PathText(full) + ": no such file";
    return false;
  }
  std::string why;
  void* h = OpenLibrary(full, why);
  if (!h) {
    error = PathText(full) + ": cannot be loaded (" + why + ")";
    return false;
  }
  PluginExports fn;
  std::string missing;
  Resolve(h, "GetFilterName", fn.GetFilterName, missing);
  Resolve(h, "GetVersion", fn.GetVersion, missing);
  Resolve(h, "GetAuthor", fn.GetAuthor, missing);
  Resolve(h, "GetFilterStr", fn.GetFilterStr, missing);
  Resolve(h, "SetFilterStr", fn.SetFilterStr, missing);
  Resolve(h, "ZcOpen", fn.ZcOpen, missing);
  Resolve(h, "ZcPrepare", fn.ZcPrepare, missing);
  Resolve(h, "ZcExecute", fn.ZcExecute, missing);
  Resolve(h, "ZcDebug", fn.ZcDebug, missing);
  if (!missing.empty()) {
    CloseLibrary(h);
    error = PathText(full) + ": not a filter plug-in, missing export(s): " + missing;
    return false;
  }
  handle_ = h;
  fn_ = fn;
  path_ = full;
  return true;
}

void PluginLibrary::Unload() {
  if (handle_) CloseLibrary(handle_);
  handle_ = nullptr;
  fn_ = PluginExports{};
  path_.clear();
}

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

const char* DefaultPluginFileName() { return QUELVOR_PLUGIN_FILE_NAME; }

std::filesystem::path DefaultPluginPath() { return ExecutableDir() / DefaultPluginFileName(); }

std::string PathText(const std::filesystem::path& p) {
  const std::u8string u = p.u8string();
  return std::string(reinterpret_cast<const char*>(u.data()), u.size());
}

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::error_code ec;
  const bool same = std::filesystem::equivalent(a, b, ec);
  return !ec && same;
}

}  // namespace qv::host
