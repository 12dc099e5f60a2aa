// The built plug-in, loaded at run time through the host's own loader.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "PluginLibrary.h"

namespace qvtest {

using qv::host::kExportNames;
using qv::host::PluginLibrary;

// The plug-in file the build puts beside the test programs.
inline std::string PluginPath() {
  return qv::host::PathText(qv::host::ExecutableDir() / qv::host::DefaultPluginFileName());
}

// Loads the library (by default the built plug-in); the loader's reason on failure.
inline ::testing::AssertionResult LoadPlugin(PluginLibrary& lib, const std::string& path = PluginPath()) {
  std::string error;
  if (lib.Load(path, error)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << error;
}

}  // namespace qvtest
