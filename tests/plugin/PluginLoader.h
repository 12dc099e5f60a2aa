// Loads the built plug-in at run time the way a host does (dlopen/dlsym or
// LoadLibrary/GetProcAddress) and resolves its nine exports by name.
#pragma once

#include <string>

#include "Quelvor.h"

namespace qvtest {

struct PluginApi {
  QvGetTextFn GetFilterName = nullptr;
  QvGetTextFn GetVersion = nullptr;
  QvGetTextFn GetAuthor = nullptr;
  QvGetTextFn GetFilterStr = nullptr;
  QvSetFilterStrFn SetFilterStr = nullptr;
  QvZcOpenFn ZcOpen = nullptr;
  QvZcPrepareFn ZcPrepare = nullptr;
  QvZcExecuteFn ZcExecute = nullptr;
  QvZcDebugFn ZcDebug = nullptr;
};

// The names a host looks up, in the order of PluginApi.
extern const char* const kExportNames[9];

// The folder of the running executable, with a trailing separator.
std::string ExecutableDir();

// The plug-in file the build puts beside the test programs.
std::string PluginPath();

class PluginLibrary {
 public:
  PluginLibrary() = default;
  ~PluginLibrary() { Unload(); }
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  // Loads the library and resolves every export; false with error() set when
  // the file does not load or a name is missing.
  bool Load(const std::string& path);
  void Unload();
  bool loaded() const { return handle_ != nullptr; }
  const std::string& error() const { return error_; }
  const PluginApi& api() const { return api_; }
  // Any symbol by name (null when absent).
  void* Symbol(const char* name) const;

 private:
  void* handle_ = nullptr;
  PluginApi api_;
  std::string error_;
};

}  // namespace qvtest
