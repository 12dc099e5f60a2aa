#include "FileAccess.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "HeldFile.h"
#include "TestFiles.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace qv {
namespace {

using ::testing::ElementsAre;

using Kind = FileStatus::Kind;

class ReplaceFileTest : public testing::ScratchDir {};

TEST_F(ReplaceFileTest, CreatesAndReplacesWithoutLeftovers) {
  std::string name = Name("out.txt");
  ASSERT_TRUE(ReplaceFileContent(name, "first").Ok());
  EXPECT_EQ(Get(name), "first");
  ASSERT_TRUE(ReplaceFileContent(name, "second, longer content").Ok());
  EXPECT_EQ(Get(name), "second, longer content");
  ASSERT_TRUE(ReplaceFileContent(name, "").Ok());
  EXPECT_EQ(Get(name), "");
  EXPECT_THAT(Entries(), ElementsAre("out.txt"));
}

TEST_F(ReplaceFileTest, RelativeNameInTheCurrentFolder) {
  auto old = std::filesystem::current_path();
  std::filesystem::current_path(dir_);
  bool ok = ReplaceFileContent("plain.txt", "here").Ok();
  std::filesystem::current_path(old);
  ASSERT_TRUE(ok);
  EXPECT_EQ(Get(Name("plain.txt")), "here");
  EXPECT_THAT(Entries(), ElementsAre("plain.txt"));
}

TEST_F(ReplaceFileTest, FailuresLeaveNoTraces) {
  EXPECT_EQ(ReplaceFileContent(Name("none/out.txt"), "x").kind, Kind::CannotOpen);
  EXPECT_EQ(ReplaceFileContent("", "x").kind, Kind::CannotOpen);
  // A folder in the target's place is neither replaced nor filled.
  std::filesystem::create_directory(dir_ / "sub");
  Put(Name("sub/keep"), "kept");
  EXPECT_EQ(ReplaceFileContent(Name("sub"), "x").kind, Kind::CannotOpen);
  EXPECT_EQ(Get(Name("sub/keep")), "kept");
  EXPECT_THAT(Entries(), ElementsAre("sub"));
}

#ifdef _WIN32

TEST_F(ReplaceFileTest, ReadOnlyTargetStaysAsItWas) {
  std::string name = Name("ro.txt");
  Put(name, "old content");
  ASSERT_TRUE(SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(ReplaceFileContent(name, "new").kind, Kind::CannotOpen);
  SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(Get(name), "old content");
  EXPECT_THAT(Entries(), ElementsAre("ro.txt"));
}

TEST_F(ReplaceFileTest, TargetHeldOpenByAnotherProgramStaysAsItWas) {
  std::string name = Name("held.txt");
  Put(name, "old content");
  testing::HeldFile held(name, testing::HeldFile::Hold::Exclusive);
  ASSERT_TRUE(held.held());
  EXPECT_EQ(ReplaceFileContent(name, "new").kind, Kind::CannotOpen);
  held.Release();
  EXPECT_EQ(Get(name), "old content");
  EXPECT_THAT(Entries(), ElementsAre("held.txt"));
}

#else

// Runs fn in a child process without the privileges of root, which would
// ignore every permission these tests rely on.  fn returns an empty string
// on success, else what went wrong.
std::string InChild(const std::function<std::string()>& fn, bool dropRoot) {
  int pipefd[2];
  if (pipe(pipefd) != 0) return "pipe failed";
  pid_t pid = fork();
  if (pid == 0) {
    close(pipefd[0]);
    std::string result;
    if (dropRoot && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) result = "cannot drop root";
    if (result.empty()) result = fn();
    if (write(pipefd[1], result.data(), result.size()) < 0) _exit(2);
    _exit(0);
  }
  close(pipefd[1]);
  std::string out;
  char buf[256];
  for (ssize_t n; (n = read(pipefd[0], buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
  close(pipefd[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) out += " (child failed)";
  return out;
}

std::string Unprivileged(const std::function<std::string()>& fn) { return InChild(fn, true); }

class UnprivilegedReplaceTest : public testing::ScratchDir {
 protected:
  void SetUp() override {
    ScratchDir::SetUp();
    // The child may work in the scratch folder.
    if (geteuid() == 0) {
      ASSERT_EQ(chown(dir_.c_str(), 65534, 65534), 0);
    }
  }
};

TEST_F(UnprivilegedReplaceTest, ReadOnlyFolderWithWritableTargetIsWrittenDirectly) {
  std::string name = Name("cond.txt");
  std::string result = Unprivileged([&]() -> std::string {
    Put(name, "old");
    if (chmod(dir_.c_str(), 0555) != 0) return "chmod failed";
    if (!ReplaceFileContent(name, "new content").Ok()) return "write refused";
    if (Get(name) != "new content") return "content is " + Get(name);
    return "";
  });
  EXPECT_EQ(result, "");
  chmod(dir_.c_str(), 0755);
  EXPECT_THAT(Entries(), ElementsAre("cond.txt"));
}

TEST_F(UnprivilegedReplaceTest, ReadOnlyFolderWithoutTargetFails) {
  std::string name = Name("cond.txt");
  std::string result = Unprivileged([&]() -> std::string {
    if (chmod(dir_.c_str(), 0555) != 0) return "chmod failed";
    if (ReplaceFileContent(name, "new").kind != Kind::CannotOpen) return "not refused";
    return "";
  });
  EXPECT_EQ(result, "");
  chmod(dir_.c_str(), 0755);
  EXPECT_TRUE(Entries().empty());
}

TEST_F(UnprivilegedReplaceTest, ReadOnlyTargetIsNotReplaced) {
  std::string name = Name("ro.txt");
  std::string result = Unprivileged([&]() -> std::string {
    Put(name, "old content");
    if (chmod(name.c_str(), 0444) != 0) return "chmod failed";
    if (ReplaceFileContent(name, "new").kind != Kind::CannotOpen) return "not refused";
    return "";
  });
  EXPECT_EQ(result, "");
  EXPECT_EQ(Get(name), "old content");
  EXPECT_THAT(Entries(), ElementsAre("ro.txt"));
}

TEST_F(ReplaceFileTest, FailedWriteKeepsTheOldFileAndRemovesTheTemporary) {
  std::string name = Name("big.txt");
  Put(name, "old content");
  std::string big(1 << 20, 'x');
  // Let the file system refuse every byte beyond 64 KB, as a full disk would.
  std::string result = InChild([&]() -> std::string {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit lim = {64 * 1024, 64 * 1024};
    if (setrlimit(RLIMIT_FSIZE, &lim) != 0) return "setrlimit failed";
    const FileStatus s = ReplaceFileContent(name, big);
    if (s.kind != Kind::WriteError) return "no write error";
    if (!s.oldFileKept) return "says the old file is lost";
    return "";
  }, /*dropRoot=*/false);
  EXPECT_EQ(result, "");
  EXPECT_EQ(Get(name), "old content");
  EXPECT_THAT(Entries(), ElementsAre("big.txt"));
}

TEST_F(UnprivilegedReplaceTest, FailedDirectWriteSaysTheOldFileIsGone) {
  // No temporary file in a read-only folder: the target itself is written,
  // so a failure in the middle cannot keep the old content, and says so.
  std::string name = Name("cond.txt");
  std::string result = Unprivileged([&]() -> std::string {
    Put(name, "old");
    if (chmod(dir_.c_str(), 0555) != 0) return "chmod failed";
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit lim = {64 * 1024, 64 * 1024};
    if (setrlimit(RLIMIT_FSIZE, &lim) != 0) return "setrlimit failed";
    const FileStatus s = ReplaceFileContent(name, std::string(1 << 20, 'x'));
    if (s.kind != Kind::WriteError) return "no write error";
    if (s.oldFileKept) return "says the old file is kept";
    return "";
  });
  EXPECT_EQ(result, "");
  chmod(dir_.c_str(), 0755);
}

TEST_F(ReplaceFileTest, KeepsPermissionsAndFollowsLinks) {
  std::string name = Name("perm.txt");
  Put(name, "old");
  ASSERT_EQ(chmod(name.c_str(), 0640), 0);
  ASSERT_TRUE(ReplaceFileContent(name, "new").Ok());
  struct stat st;
  ASSERT_EQ(stat(name.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  std::string link = Name("link.txt");
  ASSERT_EQ(symlink(name.c_str(), link.c_str()), 0);
  ASSERT_TRUE(ReplaceFileContent(link, "through the link").Ok());
  EXPECT_EQ(Get(name), "through the link");
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_THAT(Entries(), ElementsAre("link.txt", "perm.txt"));
}

TEST_F(ReplaceFileTest, PipeInTheTargetsPlaceIsRefusedWithoutBlocking) {
  std::string name = Name("fifo");
  ASSERT_EQ(mkfifo(name.c_str(), 0600), 0);
  EXPECT_EQ(ReplaceFileContent(name, "x").kind, Kind::CannotOpen);
}

#endif

// ------------------------------------------------------------ reading

class FileReaderTest : public testing::ScratchDir {};

TEST_F(FileReaderTest, ReadsSizeAndBytes) {
  std::string name = Name("data");
  Put(name, std::string("ab\0cd", 5));
  FileReader r;
  ASSERT_TRUE(r.Open(name, FileReader::Share::Read));
  EXPECT_EQ(r.Size(), 5);
  char buf[8] = {};
  EXPECT_EQ(r.Read(buf, 3), 3);
  EXPECT_EQ(r.Read(buf + 3, 8), 2);
  EXPECT_EQ(std::string(buf, 5), std::string("ab\0cd", 5));
  EXPECT_EQ(r.Read(buf, 8), 0);
  FileReader moved(std::move(r));
  EXPECT_FALSE(r.IsOpen());
  EXPECT_TRUE(moved.IsOpen());
  moved.Close();
  EXPECT_EQ(moved.Read(buf, 1), -1);
}

TEST_F(FileReaderTest, NoSharingKeepsOthersOutUntilClosed) {
  std::string name = Name("locked");
  Put(name, "x");
  FileReader first;
  ASSERT_TRUE(first.Open(name, FileReader::Share::None));
  FileReader second;
  EXPECT_FALSE(second.Open(name, FileReader::Share::None));
  EXPECT_FALSE(second.Open(name, FileReader::Share::Read));
  first.Close();
  EXPECT_TRUE(second.Open(name, FileReader::Share::None));
}

TEST_F(FileReaderTest, SharedReadersMeetButKeepNoSharingOut) {
  std::string name = Name("shared");
  Put(name, "x");
  FileReader a, b, c;
  ASSERT_TRUE(a.Open(name, FileReader::Share::Read));
  EXPECT_TRUE(b.Open(name, FileReader::Share::Read));
  EXPECT_FALSE(c.Open(name, FileReader::Share::None));
}

TEST_F(FileReaderTest, OnlyRegularFilesOpen) {
  FileReader r;
  EXPECT_FALSE(r.Open(Name("missing"), FileReader::Share::Read));
  EXPECT_FALSE(r.Open(dir_.string(), FileReader::Share::Read));
  EXPECT_FALSE(r.Open("", FileReader::Share::Read));
#ifdef _WIN32
  EXPECT_FALSE(r.Open("NUL", FileReader::Share::Read));
#else
  EXPECT_FALSE(r.Open("/dev/null", FileReader::Share::Read));
  std::string fifo = Name("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(r.Open(fifo, FileReader::Share::None));
#endif
  EXPECT_FALSE(r.IsOpen());
}

}  // namespace
}  // namespace qv
