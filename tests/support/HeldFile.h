// A file held open by another program for as long as the object lives:
// exclusively (no one else may open it), or shared for reading only (no one
// else may write or delete it).
#pragma once

#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace qv::testing {

class HeldFile {
 public:
  enum class Hold { Exclusive, SharedRead };
  static constexpr Hold kHolds[] = {Hold::Exclusive, Hold::SharedRead};

  HeldFile(const std::string& name, Hold hold) {
#ifdef _WIN32
    const DWORD share = hold == Hold::Exclusive ? 0 : FILE_SHARE_READ;
    h_ = CreateFileA(name.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    held_ = h_ != INVALID_HANDLE_VALUE;
#else
    fd_ = open(name.c_str(), O_RDONLY);
    held_ = fd_ >= 0 && flock(fd_, (hold == Hold::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0;
#endif
  }
  ~HeldFile() { Release(); }
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;

  bool held() const { return held_; }
  void Release() {
#ifdef _WIN32
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
#else
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
#endif
    held_ = false;
  }

 private:
  bool held_ = false;
#ifdef _WIN32
  HANDLE h_ = INVALID_HANDLE_VALUE;
#else
  int fd_ = -1;
#endif
};

}  // namespace qv::testing
