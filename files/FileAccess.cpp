#include "FileAccess.h"

#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#endif

namespace qv {

#ifdef _WIN32

// ---------------------------------------------------------------- Windows

FileReader::~FileReader() { Close(); }

FileReader::FileReader(FileReader&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)) {}

FileReader& FileReader::operator=(FileReader&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

bool FileReader::Open(const std::filesystem::path& fileName, Share share) {
  Close();
  if (fileName.empty()) return false;
  DWORD shareMode = share == Share::Read ? FILE_SHARE_READ : 0;
  HANDLE h = CreateFileW(fileName.c_str(), GENERIC_READ, shareMode, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  // Device names ("CON", "NUL", pipes) are no files to read records from.
  if (GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    return false;
  }
  handle_ = h;
  return true;
}

bool FileReader::IsOpen() const { return handle_ != nullptr; }

void FileReader::Close() {
  if (handle_) {
    CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
  }
}

int64_t FileReader::Size() const {
  LARGE_INTEGER size;
  if (!handle_ || !GetFileSizeEx(static_cast<HANDLE>(handle_), &size)) return -1;
  return size.QuadPart;
}

int64_t FileReader::Read(void* buffer, size_t n) {
  if (!handle_) return -1;
  char* p = static_cast<char*>(buffer);
  size_t total = 0;
  while (total < n) {
    size_t left = n - total;
    DWORD chunk = left > 0x10000000u ? 0x10000000u : static_cast<DWORD>(left);
    DWORD got = 0;
    if (!ReadFile(static_cast<HANDLE>(handle_), p + total, chunk, &got, nullptr)) return -1;
    if (got == 0) break;  // end of file
    total += got;
  }
  return static_cast<int64_t>(total);
}

namespace {

bool WriteAll(HANDLE h, std::string_view content) {
  size_t done = 0;
  while (done < content.size()) {
    size_t left = content.size() - done;
    DWORD chunk = left > 0x10000000u ? 0x10000000u : static_cast<DWORD>(left);
    DWORD put = 0;
    if (!WriteFile(h, content.data() + done, chunk, &put, nullptr) || put == 0) return false;
    done += put;
  }
  return true;
}

// Creates or truncates fileName and writes content into it.
FileStatus WriteDirect(const std::wstring& fileName, std::string_view content) {
  HANDLE h = CreateFileW(fileName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return FileStatus::CannotOpen();
  bool ok = WriteAll(h, content) && FlushFileBuffers(h);
  ok = CloseHandle(h) && ok;
  return ok ? FileStatus::Done() : FileStatus::WriteError(/*oldFileKept=*/false);
}

}  // namespace

FileStatus ReplaceFileContent(const std::filesystem::path& fileName, std::string_view content) {
  if (fileName.empty()) return FileStatus::CannotOpen();
  const std::wstring& name = fileName.native();
  DWORD need = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
  if (need == 0) return FileStatus::CannotOpen();
  std::wstring full(need, L'\0');
  wchar_t* filePart = nullptr;
  DWORD len = GetFullPathNameW(name.c_str(), need, full.data(), &filePart);
  if (len == 0 || len >= need || !filePart) return FileStatus::CannotOpen();
  full.resize(len);
  std::wstring folder(full.data(), filePart);

  // An existing target that may not be written (read-only, a folder, held
  // by a program that shares it with nobody, no access) is refused as
  // creating it would be, instead of being replaced behind its back.
  DWORD attributes = GetFileAttributesW(full.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))
      return FileStatus::CannotOpen();
    HANDLE probe = CreateFileW(full.c_str(), GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) return FileStatus::CannotOpen();
    CloseHandle(probe);
  }

  wchar_t temp[MAX_PATH + 1];
  if (folder.size() > MAX_PATH - 14 || !GetTempFileNameW(folder.c_str(), L"qv", 0, temp)) {
    // No temporary file can be made here: write the target itself.
    return WriteDirect(full, content);
  }
  // GetTempFileNameW has created the file empty; fill it.
  HANDLE h = CreateFileW(temp, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DeleteFileW(temp);
    return FileStatus::CannotOpen();
  }
  bool ok = WriteAll(h, content) && FlushFileBuffers(h);
  ok = CloseHandle(h) && ok;
  if (ok) {
    ok = MoveFileExW(temp, full.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  }
  if (ok) return FileStatus::Done();
  DeleteFileW(temp);
  return FileStatus::WriteError(/*oldFileKept=*/true);
}

std::string SystemBytesFromPath(const std::filesystem::path& fileName) {
  const std::wstring& w = fileName.native();
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                              nullptr, nullptr);
  std::string out(n > 0 ? n : 0, '\0');
  if (n > 0)
    WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr,
                        nullptr);
  return out;
}

std::filesystem::path PathFromSystemBytes(std::string_view bytes) {
  if (bytes.empty()) return {};
  int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring out(n > 0 ? n : 0, L'\0');
  if (n > 0)
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return std::filesystem::path(std::move(out));
}

#else

// ---------------------------------------------------------------- POSIX

FileReader::~FileReader() { Close(); }

FileReader::FileReader(FileReader&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FileReader& FileReader::operator=(FileReader&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

bool FileReader::Open(const std::filesystem::path& fileName, Share share) {
  Close();
  if (fileName.empty()) return false;
  // O_NONBLOCK so that a FIFO chosen by mistake does not hang the dialog.
  int fd;
  do {
    fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  int lock = (share == Share::None ? LOCK_EX : LOCK_SH) | LOCK_NB;
  int rc;
  do {
    rc = flock(fd, lock);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    ::close(fd);
    return false;
  }
  int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  fd_ = fd;
  return true;
}

bool FileReader::IsOpen() const { return fd_ >= 0; }

void FileReader::Close() {
  if (fd_ >= 0) {
    ::close(fd_);  // also releases the flock
    fd_ = -1;
  }
}

int64_t FileReader::Size() const {
  struct stat st;
  if (fd_ < 0 || fstat(fd_, &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

int64_t FileReader::Read(void* buffer, size_t n) {
  if (fd_ < 0) return -1;
  char* p = static_cast<char*>(buffer);
  size_t total = 0;
  while (total < n) {
    size_t left = n - total;
    if (left > 0x40000000u) left = 0x40000000u;
    ssize_t got = ::read(fd_, p + total, left);
    if (got < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (got == 0) break;  // end of file
    total += static_cast<size_t>(got);
  }
  return static_cast<int64_t>(total);
}

namespace {

bool WriteAll(int fd, std::string_view content) {
  size_t done = 0;
  while (done < content.size()) {
    ssize_t put = ::write(fd, content.data() + done, content.size() - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (put == 0) return false;
    done += static_cast<size_t>(put);
  }
  return true;
}

FileStatus WriteDirect(const std::string& fileName, std::string_view content) {
  int fd = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd < 0) return FileStatus::CannotOpen();
  bool ok = WriteAll(fd, content) && fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  return ok ? FileStatus::Done() : FileStatus::WriteError(/*oldFileKept=*/false);
}

mode_t CurrentUmask() {
  mode_t mask = umask(022);
  umask(mask);
  return mask;
}

}  // namespace

FileStatus ReplaceFileContent(const std::filesystem::path& fileName, std::string_view content) {
  if (fileName.empty()) return FileStatus::CannotOpen();
  std::string target = fileName.native();
  mode_t mode = 0666 & ~CurrentUmask();

  struct stat st;
  if (lstat(target.c_str(), &st) == 0) {
    if (S_ISLNK(st.st_mode)) {
      // Replace the file the link names, not the link.
      if (char* real = realpath(target.c_str(), nullptr)) {
        target = real;
        std::free(real);
      }
    }
    if (stat(target.c_str(), &st) == 0) {
      if (!S_ISREG(st.st_mode)) return FileStatus::CannotOpen();  // folders, pipes, devices
      // A file that may not be written is not replaced behind its back.
      int probe = ::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
      if (probe < 0) return FileStatus::CannotOpen();
      ::close(probe);
      mode = st.st_mode & 07777;
    }
  }

  size_t slash = target.rfind('/');
  std::string folder, base;
  if (slash == std::string::npos) {
    folder.assign(1, '.');
    base = target;
  } else {
    folder = target.substr(0, slash + 1);  // keeps the "/", so "/" stays the root
    base = target.substr(slash + 1);
  }
  std::string temp = folder;
  if (slash == std::string::npos) temp.push_back('/');
  temp += '.';
  temp += base;
  temp += ".XXXXXX";
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) {
    // No temporary file can be made here: write the target itself.
    return WriteDirect(target, content);
  }
  bool ok = WriteAll(fd, content) && fchmod(fd, mode) == 0 && fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (ok) ok = ::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return FileStatus::WriteError(/*oldFileKept=*/true);
  }
  // Make the new directory entry durable as well; a failure here does not
  // undo the replacement.
  int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    fsync(dfd);
    ::close(dfd);
  }
  return FileStatus::Done();
}

std::string SystemBytesFromPath(const std::filesystem::path& fileName) { return fileName.native(); }

std::filesystem::path PathFromSystemBytes(std::string_view bytes) {
  return std::filesystem::path(std::string(bytes));
}

#endif

// ---------------------------------------------------------------- both

FileStatus ReadWholeFile(const std::filesystem::path& fileName, std::string& bytes) {
  FileReader reader;
  if (!reader.Open(fileName, FileReader::Share::Read)) return FileStatus::CannotOpen();
  bytes.clear();
  char buf[64 * 1024];
  for (;;) {
    const int64_t got = reader.Read(buf, sizeof buf);
    if (got < 0) return FileStatus::ReadError(FileStatus::Cause::Io);
    if (got == 0) return FileStatus::Done();
    bytes.append(buf, static_cast<size_t>(got));
  }
}

}  // namespace qv
