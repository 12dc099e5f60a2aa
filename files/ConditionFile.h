// Condition files: a header line and the filter string, CR LF line ends,
// 8-bit text in the system code page.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "FileStatus.h"

namespace qv {

// "七星彩-分布概率过滤条件:" in GB2312.
extern const char kConditionFileHeader[];

// Cuts content into lines, incrementally: LF or CR LF ends a line, a lone CR
// inside a line is dropped, a Ctrl-Z byte ends the content, a last line
// without a line end is still a line.
class ConditionLineSplitter {
 public:
  // Feeds the next bytes; calls onLine(std::string_view) for every line
  // they complete.  onLine returns false to stop: Feed then returns false
  // and the splitter takes no more input.  Bytes after a Ctrl-Z are ignored.
  bool Feed(std::string_view bytes, const std::function<bool(std::string_view)>& onLine);
  // The end of the content: hands out a last line that had no line end.
  bool Finish(const std::function<bool(std::string_view)>& onLine);
  // A Ctrl-Z was seen or onLine stopped the reading.
  bool Done() const { return done_; }

 private:
  std::string line_;
  bool pending_ = false;  // bytes of an unfinished line were seen
  bool done_ = false;
};

std::vector<std::string> SplitConditionLines(std::string_view content);

// The file content: header, CR LF, filter string, CR LF.
std::string ConditionFileContent(std::string_view filterStr);

// Writes header and filter string.  An existing file is replaced only once
// the new content is completely written and flushed (ReplaceFileContent).
FileStatus WriteConditionFile(const std::filesystem::path& fileName, std::string_view filterStr);

// Reads the file and calls applyMLine for every line whose first character
// is "M", in file order.  The header is never checked.  Reading stops with
// a ReadError at the first line that
//   - holds a zero byte (Cause::ZeroByte): a text line of this format never
//     does, and a filter string holding one would be cut short by any
//     reader that takes it as a C string;
//   - cannot be read (Cause::Io);
//   - applyMLine refuses by returning false (Cause::Refused).
// Lines handed out before stay handed out; that line and the rest are not.
// CannotOpen when the file cannot be opened.
FileStatus ReadConditionFile(const std::filesystem::path& fileName,
                             const std::function<bool(std::string_view)>& applyMLine);

// The same over a condition file's content already in memory (no Io cause).
FileStatus ApplyConditionContent(std::string_view content,
                                 const std::function<bool(std::string_view)>& applyMLine);

// The same, collecting the "M" lines read before the status.
struct ConditionFileLines {
  FileStatus status;
  std::vector<std::string> mLines;
};
ConditionFileLines ReadConditionFileLines(const std::filesystem::path& fileName);

}  // namespace qv
