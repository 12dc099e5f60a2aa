#include "ConditionFile.h"

#include "FileAccess.h"

namespace qv {

// 七星彩-分布概率过滤条件:
const char kConditionFileHeader[] =
    "\xC6\xDF\xD0\xC7\xB2\xCA\x2D\xB7\xD6\xB2\xBC\xB8\xC5\xC2\xCA\xB9\xFD\xC2\xCB\xCC\xF5\xBC\xFE\x3A";

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

FileStatus WriteConditionFile(const std::filesystem::path& fileName, std::string_view filterStr) {
  return ReplaceFileContent(fileName, ConditionFileContent(filterStr));
}

namespace {

// What each line of a condition file gets: "M" lines go to applyMLine, the
// others are passed over; a zero byte or a refused line ends the reading
// with its status.
struct MLineRule {
  const std::function<bool(std::string_view)>& applyMLine;
  size_t lineNo = 0;
  FileStatus failed;

  bool operator()(std::string_view line) {
    ++lineNo;
    if (line.find('\0') != std::string_view::npos) {
      failed = FileStatus::ReadError(FileStatus::Cause::ZeroByte, lineNo);
      return false;
    }
    if (line.empty() || line.front() != 'M') return true;  // header, empty and other lines
    if (applyMLine(line)) return true;
    failed = FileStatus::ReadError(FileStatus::Cause::Refused, lineNo);
    return false;
  }
};

}  // namespace

FileStatus ApplyConditionContent(std::string_view content,
                                 const std::function<bool(std::string_view)>& applyMLine) {
  MLineRule rule{applyMLine};
  auto onLine = [&rule](std::string_view line) { return rule(line); };
  ConditionLineSplitter splitter;
  if (!splitter.Feed(content, onLine) || !splitter.Finish(onLine)) return rule.failed;
  return FileStatus::Done();
}

FileStatus ReadConditionFile(const std::filesystem::path& fileName,
                             const std::function<bool(std::string_view)>& applyMLine) {
  FileReader file;
  if (!file.Open(fileName, FileReader::Share::Read)) return FileStatus::CannotOpen();
  MLineRule rule{applyMLine};
  auto onLine = [&rule](std::string_view line) { return rule(line); };
  const size_t& lineNo = rule.lineNo;
  const FileStatus& failed = rule.failed;
  ConditionLineSplitter splitter;
  std::string buffer(64 * 1024, '\0');
  while (!splitter.Done()) {
    int64_t got = file.Read(buffer.data(), buffer.size());
    // The line in reading when the system fails is the one after the last
    // complete line.
    if (got < 0) return FileStatus::ReadError(FileStatus::Cause::Io, lineNo + 1);
    if (got == 0) break;
    if (!splitter.Feed(std::string_view(buffer.data(), static_cast<size_t>(got)), onLine))
      return failed;
  }
  if (!splitter.Finish(onLine)) return failed;
  return FileStatus::Done();
}

ConditionFileLines ReadConditionFileLines(const std::filesystem::path& fileName) {
  ConditionFileLines r;
  r.status = ReadConditionFile(fileName, [&r](std::string_view line) {
    r.mLines.emplace_back(line);
    return true;
  });
  return r;
}

}  // namespace qv
