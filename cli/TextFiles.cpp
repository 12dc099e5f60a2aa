#include "TextFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

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
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Closer> f(std::fopen(path.c_str(), "rb"));
  if (!f) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  bytes.clear();
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0) bytes.append(buf, n);
  if (std::ferror(f.get())) {
    error = path + ": read error";
    return false;
  }
  return true;
}

std::string_view SampleFilterFile() {
  return {reinterpret_cast<const char*>(kSampleFilterBytes), kSampleFilterSize};
}

}  // namespace qv::host
