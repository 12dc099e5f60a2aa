// Reading a history file for a window, where every way a chosen file can be
// unfit gets a message of its own before anything is parsed: a folder, a
// file that cannot be opened or read, an empty one, one too large to be a
// history, one that is not UTF-8.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace qv::host {

// The largest history file taken: some hundred thousand draws with inline
// bets, far beyond any real history, and little enough to read at once.
inline constexpr int64_t kHistoryFileLimit = 16 * 1024 * 1024;

enum class HistoryFileStatus {
  Done,
  Directory,   // the name is a folder
  CannotOpen,  // missing, not a regular file, or no permission
  ReadError,   // the system reported an error while reading
  Empty,       // no byte, or only a byte order mark and blanks
  TooLarge,    // more than kHistoryFileLimit bytes
  NotUtf8,     // a UTF-16 or UTF-32 byte order mark, or bytes that are no UTF-8
};

// The file's bytes in text when Done; text is left as it was otherwise.
HistoryFileStatus ReadHistoryFile(const std::filesystem::path& file, std::string& text);

// Whether bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool IsUtf8(const std::string& bytes);

}  // namespace qv::host
