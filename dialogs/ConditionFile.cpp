#include "ConditionFile.h"

#include "FileAccess.h"

namespace qv {

// 七星彩-分布概率过滤条件:
const char kConditionFileHeader[] =
    "\xC6\xDF\xD0\xC7\xB2\xCA\x2D\xB7\xD6\xB2\xBC\xB8\xC5\xC2\xCA\xB9\xFD\xC2\xCB\xCC\xF5\xBC\xFE\x3A";

// 文件保存发生错误！
const char kSaveFileErrorMessage[] =
    "\xCE\xC4\xBC\xFE\xB1\xA3\xB4\xE6\xB7\xA2\xC9\xFA\xB4\xED\xCE\xF3\xA3\xA1";
const char kSaveFileErrorMessageUtf8[] = "文件保存发生错误！";

// 打开文件发生错误！
const char kOpenFileErrorMessage[] =
    "\xB4\xF2\xBF\xAA\xCE\xC4\xBC\xFE\xB7\xA2\xC9\xFA\xB4\xED\xCE\xF3\xA3\xA1";
const char kOpenFileErrorMessageUtf8[] = "打开文件发生错误！";

namespace {
constexpr char kCtrlZ = '\x1A';
}

bool ConditionLineSplitter::Feed(std::string_view bytes,
                                 const std::function<bool(std::string_view)>& onLine) {
  if (done_) return false;
  for (char c : bytes) {
    if (c == kCtrlZ) {
      done_ = true;
      return true;
    }
    if (c == '\n') {
      pending_ = false;
      if (!onLine(line_)) {
        done_ = true;
        return false;
      }
      line_.clear();
    } else {
      pending_ = true;
      if (c != '\r') line_.push_back(c);  // a CR is never part of a line
    }
  }
  return true;
}

bool ConditionLineSplitter::Finish(const std::function<bool(std::string_view)>& onLine) {
  bool ok = true;
  if (pending_) ok = onLine(line_);
  pending_ = false;
  line_.clear();
  done_ = true;
  return ok;
}

std::vector<std::string> SplitConditionLines(std::string_view content) {
  std::vector<std::string> lines;
  auto collect = [&lines](std::string_view line) {
    lines.emplace_back(line);
    return true;
  };
  ConditionLineSplitter splitter;
  splitter.Feed(content, collect);
  splitter.Finish(collect);
  return lines;
}

std::string ConditionFileContent(std::string_view filterStr) {
  std::string content(kConditionFileHeader);
  content += "\r\n";
  content += filterStr;
  content += "\r\n";
  return content;
}

bool WriteConditionFile(const std::filesystem::path& fileName, std::string_view filterStr) {
  return ReplaceFileContent(fileName, ConditionFileContent(filterStr));
}

bool ReadConditionFile(const std::filesystem::path& fileName,
                       const std::function<bool(std::string_view)>& applyMLine) {
  FileReader file;
  if (!file.Open(fileName, FileReader::Share::Read)) return false;
  auto onLine = [&applyMLine](std::string_view line) {
    if (line.empty() || line.front() != 'M') return true;  // header, empty and other lines
    return applyMLine(line);
  };
  ConditionLineSplitter splitter;
  std::string buffer(64 * 1024, '\0');
  while (!splitter.Done()) {
    int64_t got = file.Read(buffer.data(), buffer.size());
    if (got < 0) return false;
    if (got == 0) break;
    if (!splitter.Feed(std::string_view(buffer.data(), static_cast<size_t>(got)), onLine))
      return false;
  }
  return splitter.Finish(onLine);
}

}  // namespace qv
