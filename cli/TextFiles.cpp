#include "TextFiles.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "FileAccess.h"

namespace qv::host {

extern const unsigned char kSampleFilterBytes[];
extern const size_t kSampleFilterSize;

std::string_view FirstLine(std::string_view text) {
  const size_t nl = text.find('\n');
  if (nl == std::string_view::npos) return text;
  std::string_view line = text.substr(0, nl);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

bool ReadFileBytes(const std::string& path, std::string& bytes, std::string& error) {
  const std::filesystem::path file = PathFromSystemBytes(path);
  const FileStatus st = ReadWholeFile(file, bytes);
  if (st.Ok()) return true;
  std::error_code ec;
  error = path + ": " +
          (st.kind != FileStatus::Kind::CannotOpen ? std::string("read error")
           : std::filesystem::exists(file, ec)      ? std::string("cannot be opened")
                                                    : std::string(std::strerror(ENOENT)));
  return false;
}

std::string_view SampleFilterFile() {
  return {reinterpret_cast<const char*>(kSampleFilterBytes), kSampleFilterSize};
}

}  // namespace qv::host
