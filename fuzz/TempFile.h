// One scratch file per fuzzing process, in the system's temporary folder.
#pragma once

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include <unistd.h>

inline const std::filesystem::path& QvScratchFile(const char* stem) {
  static const std::filesystem::path p = std::filesystem::temp_directory_path() /
                                         (std::string(stem) + "-" + std::to_string(getpid()));
  return p;
}

inline void QvWriteFile(const std::filesystem::path& p, std::string_view bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
