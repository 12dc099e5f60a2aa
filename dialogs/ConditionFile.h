// Condition files: a header line and the filter string, CR LF line ends,
// 8-bit text in the system code page.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// "七星彩-分布概率过滤条件:" in GB2312.
extern const char kConditionFileHeader[];

// Cuts file content into lines: LF or CR LF ends a line, a lone CR inside a
// line is dropped, a Ctrl-Z byte ends the content, a last line without a
// line end is still a line.
std::vector<std::string> SplitConditionLines(std::string_view content);

// Writes header and filter string.  An existing file is replaced only once
// the new content is completely written and flushed.  False on any failure.
bool WriteConditionFile(const std::filesystem::path& path, std::string_view filterStr);

// Reads the file and calls applyMLine for every line whose first character
// is "M", in file order.  False when the file cannot be opened or read, or
// when applyMLine returns false (the rest of the file is then not read).
bool ReadConditionFile(const std::filesystem::path& path,
                       const std::function<bool(std::string_view)>& applyMLine);

}  // namespace qv
