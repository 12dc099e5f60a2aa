// File access beneath the file formats: reading a file that nobody else may
// touch while it is open, reading a file as a stream of bytes, and replacing
// a file's content so that a failed write never destroys the previous file.
//
// File names are paths as the file dialogs hand them out: UTF-16 on Windows
// (the wide file functions take them unchanged), bytes natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "FileStatus.h"

namespace qv {

// A regular file opened for reading.  Move-only; closes on destruction, so
// the file is closed on every path out of its user.
class FileReader {
 public:
  enum class Share {
    Read,  // other readers may open the file at the same time
    None,  // nobody else may open it while this reader holds it
  };

  FileReader() = default;
  ~FileReader();
  FileReader(FileReader&& other) noexcept;
  FileReader& operator=(FileReader&& other) noexcept;
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;

  // Opens an existing regular file.  With Share::None, on Windows the file
  // is opened with no sharing at all, so the open fails while any other
  // handle holds the file and no other handle can be opened while this one
  // does.  Natively the file is taken with a non-blocking exclusive flock():
  // the open fails while another descriptor holds a flock() on it, and other
  // programs that take flock() locks are kept out (programs that take no
  // locks are not; POSIX has no mandatory sharing modes).  Directories,
  // pipes and devices are refused without blocking.  False on failure.
  bool Open(const std::filesystem::path& fileName, Share share);
  bool IsOpen() const;
  void Close();

  // Size of the file in bytes at the moment of the call; -1 on failure.
  int64_t Size() const;

  // Reads up to n bytes, retrying short reads, so that fewer than n bytes
  // come back only at the end of the file.  Returns the number of bytes
  // read, or -1 on a read error.
  int64_t Read(void* buffer, size_t n);

 private:
#ifdef _WIN32
  void* handle_ = nullptr;  // HANDLE; nullptr when closed
#else
  int fd_ = -1;
#endif
};

// Reads a whole regular file (shared with other readers) into bytes:
// Done, CannotOpen, or ReadError with cause Io.
FileStatus ReadWholeFile(const std::filesystem::path& fileName, std::string& bytes);

// Replaces the whole content of fileName with content.
//
// The content goes into a temporary file in the same folder first; it is
// flushed to the disk and closed, and only then does it take the target's
// place in one step (MoveFileEx with replace and write-through on Windows,
// rename() natively).  On any failure the previous file is left as it was
// and the temporary file is removed.
//
// When no temporary file can be made in the folder (a folder that may not
// be written while the target itself may), the target is written directly,
// created or truncated first; a failure in the middle then leaves what was
// written before it.
//
// Natively an existing target that may not be written is refused, as
// opening it would be, instead of being replaced behind its permissions;
// the new file keeps the permission bits of the file it replaces, and a
// symbolic link is followed so that the file it names gets the content.
//
// CannotOpen when nothing could be created or the target is refused (the
// previous file untouched); WriteError when writing failed, with
// oldFileKept false only where the target itself was being written.
FileStatus ReplaceFileContent(const std::filesystem::path& fileName, std::string_view content);

// A file name as 8-bit text in the system code page (the ANSI code page on
// Windows, the name's own bytes natively), for messages; and back.
std::string SystemBytesFromPath(const std::filesystem::path& fileName);
std::filesystem::path PathFromSystemBytes(std::string_view bytes);

}  // namespace qv
