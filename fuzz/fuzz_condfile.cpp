// The condition file line reader on arbitrary content: the incremental
// splitter fed in arbitrary pieces, the whole-content split and the file
// reader all against the literal line rules, and a written file read back.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ConditionFile.h"
#include "FuzzCheck.h"
#include "TempFile.h"

namespace {

// LF ends a line; every CR is dropped (the one of CR LF and a lone one);
// Ctrl-Z ends the content; bytes after the last LF are a last line.
std::vector<std::string> LiteralLines(const std::string& content) {
  std::vector<std::string> lines;
  std::string line;
  bool open = false;
  for (char c : content) {
    if (c == '\x1A') break;
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
      open = false;
      continue;
    }
    open = true;
    if (c != '\r') line += c;
  }
  if (open) lines.push_back(line);
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string content(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> want = LiteralLines(content);
  QV_CHECK(qv::SplitConditionLines(content) == want, "SplitConditionLines");

  // Fed in pieces whose sizes come from the content itself.
  {
    qv::ConditionLineSplitter sp;
    std::vector<std::string> got;
    auto collect = [&got](std::string_view l) {
      got.emplace_back(l);
      return true;
    };
    size_t i = 0, step = size ? (data[0] % 7) + 1 : 1;
    while (i < size) {
      const size_t n = std::min(step, size - i);
      // Feed refuses only once a Ctrl-Z ended the content.
      const bool fed = sp.Feed(std::string_view(content).substr(i, n), collect);
      QV_CHECK(fed || sp.Done(), "Feed");
      i += n;
      step = (step * 5 + 3) % 11 + 1;
    }
    QV_CHECK(sp.Finish(collect), "Finish");
    QV_CHECK(got == want, "pieces");
  }

  // Stopping at line k hands out no later line.
  if (!want.empty()) {
    const size_t k = size ? data[size - 1] % want.size() : 0;
    qv::ConditionLineSplitter sp;
    std::vector<std::string> got;
    auto upTo = [&](std::string_view l) {
      got.emplace_back(l);
      return got.size() <= k;
    };
    const bool fed = sp.Feed(content, upTo);
    if (fed) sp.Finish(upTo);
    QV_CHECK(got.size() == k + 1, "stop");
    QV_CHECK(std::equal(got.begin(), got.end(), want.begin()), "stop lines");
    QV_CHECK(!sp.Feed("M\n", upTo) && got.size() == k + 1, "no line after a stop");
  }

  // The file reader: every line that begins with "M", in file order, up to
  // the first line that holds a zero byte, which fails with its number.
  const auto& path = QvScratchFile("quelvor-fuzz-condfile");
  QvWriteFile(path, content);
  std::vector<std::string> mLines, got;
  size_t zeroLine = 0;
  for (size_t i = 0; i < want.size() && !zeroLine; ++i) {
    const std::string& l = want[i];
    if (l.find('\0') != std::string::npos) zeroLine = i + 1;
    else if (!l.empty() && l[0] == 'M') mLines.push_back(l);
  }
  const qv::FileStatus read = qv::ReadConditionFile(path, [&got](std::string_view l) {
    QV_CHECK(l.find('\0') == std::string_view::npos, "no zero byte handed out");
    got.emplace_back(l);
    return true;
  });
  if (zeroLine) {
    QV_CHECK(read.kind == qv::FileStatus::Kind::ReadError &&
             read.cause == qv::FileStatus::Cause::ZeroByte && read.line == zeroLine,
             "zero byte fails its line");
  } else {
    QV_CHECK(read.Ok(), "ReadConditionFile");
  }
  QV_CHECK(got == mLines, "M lines");

  // A filter string written and read back: the first line of the content
  // that can stand in a line of its own.
  if (!want.empty() && !want[0].empty() && want[0][0] == 'M' &&
      want[0].find('\0') == std::string::npos) {
    QV_CHECK(qv::WriteConditionFile(path, want[0]).Ok(), "WriteConditionFile");
    got.clear();
    QV_CHECK(qv::ReadConditionFile(path, [&got](std::string_view l) {
      got.emplace_back(l);
      return true;
    }).Ok(), "read back");
    QV_CHECK(got == std::vector<std::string>{want[0]}, "round trip");
  }
  return 0;
}
