// Condition files: a header line and the filter string, CR LF line ends,
// 8-bit text in the system code page.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// "七星彩-分布概率过滤条件:" in GB2312.
extern const char kConditionFileHeader[];

// The setup dialog's messages for condition files, GB2312 and UTF-8.
extern const char kSaveFileErrorMessage[];      // "文件保存发生错误！"
extern const char kSaveFileErrorMessageUtf8[];
extern const char kOpenFileErrorMessage[];      // "打开文件发生错误！"
extern const char kOpenFileErrorMessageUtf8[];

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
// the new content is completely written and flushed.  False on any failure.
bool WriteConditionFile(const std::filesystem::path& fileName, std::string_view filterStr);

// Reads the file and calls applyMLine for every line whose first character
// is "M", in file order.  False when the file cannot be opened or read, or
// when applyMLine returns false (the rest of the file is then not read;
// lines applied before stay applied).  The header is never checked.
bool ReadConditionFile(const std::filesystem::path& fileName,
                       const std::function<bool(std::string_view)>& applyMLine);

}  // namespace qv
