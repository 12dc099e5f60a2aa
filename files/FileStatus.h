// What a file operation did.  The readers and writers of the file formats
// answer with one of these, so that the dialogs pick the message they show
// from it and quelvor reports from it, neither looking at the file again.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qv {

struct FileStatus {
  enum class Kind : uint8_t {
    Done,        // read or written in full (a bet result file may have skipped records)
    CannotOpen,  // the file could not be opened, or for writing created; nothing changed
    ReadError,   // reading stopped; `line` says where in a condition file
    WriteError,  // writing failed; `oldFileKept` says whether the previous file is intact
  };
  // Why reading stopped (ReadError only).
  enum class Cause : uint8_t {
    None,
    Io,         // the system reported a read error
    ZeroByte,   // a condition file line holds a zero byte: no text line of ours
    Refused,    // the caller could not take the line it was handed
    Truncated,  // a bet result file ends before what its header announces
    BadHeader,  // a bet result file announces records no file can hold
  };

  Kind kind = Kind::Done;
  Cause cause = Cause::None;
  // ReadError in a condition file: the 1-based number of the line that
  // failed.  Lines before it were read (and handed out) in full.
  size_t line = 0;
  // Done reading a bet result file: records left out because the filter
  // string cannot carry their text.
  size_t skipped = 0;
  // WriteError: true when the file that was there before is unchanged (the
  // new content went to a temporary file that was removed again).
  bool oldFileKept = true;

  bool Ok() const { return kind == Kind::Done; }

  static FileStatus Done(size_t skipped = 0) {
    FileStatus s;
    s.skipped = skipped;
    return s;
  }
  static FileStatus CannotOpen() {
    FileStatus s;
    s.kind = Kind::CannotOpen;
    return s;
  }
  static FileStatus ReadError(Cause cause, size_t line = 0) {
    FileStatus s;
    s.kind = Kind::ReadError;
    s.cause = cause;
    s.line = line;
    return s;
  }
  static FileStatus WriteError(bool oldFileKept) {
    FileStatus s;
    s.kind = Kind::WriteError;
    s.oldFileKept = oldFileKept;
    return s;
  }
};

}  // namespace qv
