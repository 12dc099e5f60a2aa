#include "TextFiles.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

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

namespace {

// A pipe or a device (`<(...)`, /dev/stdin), which the plug-in's reader
// refuses so that its dialogs never block on one: read as a stream to its end.
bool ReadStream(const std::filesystem::path& file, std::string& bytes) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

bool ReadFileBytes(const std::string& path, std::string& bytes, std::string& error) {
  const std::filesystem::path file = PathFromSystemBytes(path);
  const FileStatus st = ReadWholeFile(file, bytes);
  if (st.Ok()) return true;
  std::error_code ec;
  const std::filesystem::file_status what = std::filesystem::status(file, ec);
  if (st.kind == FileStatus::Kind::CannotOpen && !ec && std::filesystem::exists(what) &&
      !std::filesystem::is_regular_file(what) && !std::filesystem::is_directory(what) &&
      ReadStream(file, bytes))
    return true;
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
