// A plug-in library loaded at run time, with its nine exports resolved.
#pragma once

#include <array>
#include <filesystem>
#include <string>

#include "DynamicLibrary.h"
#include "Quelvor.h"

namespace qv::host {

// The nine exports a host looks up by name, in the order of PluginExports.
inline constexpr std::array<const char*, 9> kExportNames = {
    "GetFilterName", "GetVersion", "GetAuthor", "GetFilterStr", "SetFilterStr",
    "ZcOpen",        "ZcPrepare",  "ZcExecute", "ZcDebug",
};

struct PluginExports {
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

class PluginLibrary {
 public:
  PluginLibrary() = default;
  ~PluginLibrary() { Unload(); }
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  // Loads the library at this path (made absolute first, so no search path
  // is consulted) and resolves all nine exports.  On failure nothing stays
  // loaded and error says what went wrong.
  bool Load(const std::filesystem::path& path, std::string& error);
  void Unload();

  bool Loaded() const { return handle_ != nullptr; }
  const PluginExports& Fn() const { return fn_; }
  const std::filesystem::path& Path() const { return path_; }
  // Any symbol of the loaded library by name (null when absent or unloaded).
  void* Symbol(const char* name) const;

 private:
  void* handle_ = nullptr;
  PluginExports fn_;
  std::filesystem::path path_;
};

// The file name of the Quelvor library on this platform.
const char* DefaultPluginFileName();

// Where quelvor looks for its plug-in: fileName next to the executable
// (a build tree, the Windows folder), else in the installed plug-in folder,
// pluginDirFromBin relative to the executable's folder.  When neither exists,
// the installed path, for the message.
std::filesystem::path PluginPathFrom(const std::filesystem::path& exeDir,
                                     const std::filesystem::path& pluginDirFromBin,
                                     const char* fileName);

// The Quelvor library that quelvor loads by default: PluginPathFrom for this
// executable and the plug-in folder fixed when it was built.
std::filesystem::path DefaultPluginPath();

// A path as UTF-8 text, for messages.
std::string PathText(const std::filesystem::path& p);

// Whether two paths name the same existing file.
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace qv::host
