#include "PluginLibrary.h"

#include <system_error>
#include <vector>

#include "DynamicLibrary.h"

#ifndef QUELVOR_PLUGIN_FILE_NAME
#if defined(_WIN32)
#define QUELVOR_PLUGIN_FILE_NAME "Quelvor.dll"
#else
#define QUELVOR_PLUGIN_FILE_NAME "libQuelvor.so"
#endif
#endif

// The installed plug-in's folder, relative to quelvor's own.
#ifndef QUELVOR_PLUGIN_DIR_FROM_BIN
#define QUELVOR_PLUGIN_DIR_FROM_BIN "."
#endif

namespace qv::host {
namespace {

template <class Fn>
void Take(void* p, Fn& slot) {
  slot = reinterpret_cast<Fn>(p);
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
  void* found[kExportNames.size()];
  std::string missing;
  for (size_t i = 0; i < kExportNames.size(); ++i) {
    found[i] = qv::host::Symbol(h, kExportNames[i]);
    if (found[i]) continue;
    if (!missing.empty()) missing += ", ";
    missing += kExportNames[i];
  }
  if (!missing.empty()) {
    CloseLibrary(h);
    error = PathText(full) + ": not a filter plug-in, missing export(s): " + missing;
    return false;
  }
  PluginExports fn;
  Take(found[0], fn.GetFilterName);
  Take(found[1], fn.GetVersion);
  Take(found[2], fn.GetAuthor);
  Take(found[3], fn.GetFilterStr);
  Take(found[4], fn.SetFilterStr);
  Take(found[5], fn.ZcOpen);
  Take(found[6], fn.ZcPrepare);
  Take(found[7], fn.ZcExecute);
  Take(found[8], fn.ZcDebug);
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

void* PluginLibrary::Symbol(const char* name) const {
  return handle_ ? qv::host::Symbol(handle_, name) : nullptr;
}

const char* DefaultPluginFileName() { return QUELVOR_PLUGIN_FILE_NAME; }

std::filesystem::path PluginPathFrom(const std::filesystem::path& exeDir,
                                     const std::filesystem::path& pluginDirFromBin,
                                     const char* fileName) {
  const std::filesystem::path beside = exeDir / fileName;
  std::error_code ec;
  if (std::filesystem::exists(beside, ec)) return beside;
  return (exeDir / pluginDirFromBin / fileName).lexically_normal();
}

std::filesystem::path DefaultPluginPath() {
  return PluginPathFrom(ExecutableDir(), QUELVOR_PLUGIN_DIR_FROM_BIN, DefaultPluginFileName());
}

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
