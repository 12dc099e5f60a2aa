#include "PluginLoader.h"

#include <cstring>

#if defined(_WIN32)
#include "WindowsHeaders.h"
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

namespace qvtest {

const char* const kExportNames[9] = {
    "GetFilterName", "GetVersion", "GetAuthor", "GetFilterStr", "SetFilterStr",
    "ZcOpen",        "ZcPrepare",  "ZcExecute", "ZcDebug",
};

std::string ExecutableDir() {
#if defined(_WIN32)
  char buf[MAX_PATH * 2];
  DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
  std::string path(buf, n < sizeof buf ? n : 0);
  size_t cut = path.find_last_of("\\/");
#else
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf);
  std::string path(buf, n > 0 ? static_cast<size_t>(n) : 0);
  size_t cut = path.find_last_of('/');
#endif
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::string PluginPath() {
#if defined(_WIN32)
  return ExecutableDir() + "Quelvor.dll";
#else
  return ExecutableDir() + "libQuelvor.so";
#endif
}

void* PluginLibrary::Symbol(const char* name) const {
  if (!handle_) return nullptr;
#if defined(_WIN32)
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
#else
  return dlsym(handle_, name);
#endif
}

bool PluginLibrary::Load(const std::string& path) {
  Unload();
  error_.clear();
#if defined(_WIN32)
  handle_ = LoadLibraryA(path.c_str());
  if (!handle_) {
    error_ = "LoadLibrary failed for " + path + ", error " + std::to_string(GetLastError());
    return false;
  }
#else
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* why = dlerror();
    error_ = std::string("dlopen failed: ") + (why ? why : path.c_str());
    return false;
  }
#endif
  void* found[9];
  for (int i = 0; i < 9; ++i) {
    found[i] = Symbol(kExportNames[i]);
    if (!found[i]) {
      error_ = std::string("export not found: ") + kExportNames[i];
      Unload();
      return false;
    }
  }
  api_.GetFilterName = reinterpret_cast<QvGetTextFn>(found[0]);
  api_.GetVersion = reinterpret_cast<QvGetTextFn>(found[1]);
  api_.GetAuthor = reinterpret_cast<QvGetTextFn>(found[2]);
  api_.GetFilterStr = reinterpret_cast<QvGetTextFn>(found[3]);
  api_.SetFilterStr = reinterpret_cast<QvSetFilterStrFn>(found[4]);
  api_.ZcOpen = reinterpret_cast<QvZcOpenFn>(found[5]);
  api_.ZcPrepare = reinterpret_cast<QvZcPrepareFn>(found[6]);
  api_.ZcExecute = reinterpret_cast<QvZcExecuteFn>(found[7]);
  api_.ZcDebug = reinterpret_cast<QvZcDebugFn>(found[8]);
  return true;
}

void PluginLibrary::Unload() {
  if (!handle_) return;
#if defined(_WIN32)
  FreeLibrary(static_cast<HMODULE>(handle_));
#else
  dlclose(handle_);
#endif
  handle_ = nullptr;
  api_ = PluginApi{};
}

}  // namespace qvtest
