#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "PluginLibrary.h"
#include "TextFiles.h"

namespace qv::host {
namespace {

// The test executables are built into the same folder as the libraries.
std::filesystem::path Beside(const char* name) { return ExecutableDir() / name; }

TEST(PluginLibrary, LoadsTheQuelvorLibraryAndResolvesAllExports) {
  PluginLibrary lib;
  std::string error;
  ASSERT_TRUE(lib.Load(DefaultPluginPath(), error)) << error;
  const PluginExports& fn = lib.Fn();
  ASSERT_NE(fn.ZcDebug, nullptr);
  EXPECT_STREQ(fn.GetFilterName(), "\xB7\xD6\xB2\xBC\xB8\xC5\xC2\xCA");  // 分布概率
  EXPECT_STREQ(fn.GetVersion(), "1.01");
  EXPECT_STREQ(fn.GetAuthor(), "Darnveil");
  EXPECT_TRUE(SameFile(lib.Path(), DefaultPluginPath()));

  // Driven only through the exports: the bundled example is accepted and
  // judges numbers.
  const std::string sample(FirstLine(SampleFilterFile()));
  fn.SetFilterStr(sample.c_str());
  EXPECT_EQ(std::string(fn.GetFilterStr()), sample);
  ASSERT_EQ(fn.ZcPrepare() & 0xFF, 1);
  const int32_t v = fn.ZcExecute("1234567");
  EXPECT_TRUE(v == 0 || v == 1 || v == 999998) << v;
  ASSERT_NE(fn.ZcDebug("1234567", 1), nullptr);
  EXPECT_NE(std::strlen(fn.ZcDebug("1234567", 1)), 0u);
}

TEST(PluginLibrary, ALibraryWithoutAllNineExportsIsRefusedByName) {
  PluginLibrary lib;
  std::string error;
  EXPECT_FALSE(lib.Load(Beside(QUELVOR_PARTIAL_PLUGIN), error));
  EXPECT_FALSE(lib.Loaded());
  EXPECT_NE(error.find("missing export(s): ZcExecute, ZcDebug"), std::string::npos) << error;
}

TEST(PluginLibrary, AMissingOrBrokenFileIsAnError) {
  PluginLibrary lib;
  std::string error;
  EXPECT_FALSE(lib.Load(Beside("no-such-plugin.bin"), error));
  EXPECT_NE(error.find("no such file"), std::string::npos) << error;

  // A file that is no library at all: the test's own data.
  error.clear();
  const std::filesystem::path notLib = std::filesystem::temp_directory_path() / "quelvor-not-a-lib.dll";
  {
    std::FILE* f = std::fopen(notLib.string().c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("not a library", f);
    std::fclose(f);
  }
  EXPECT_FALSE(lib.Load(notLib, error));
  EXPECT_NE(error.find("cannot be loaded"), std::string::npos) << error;
  std::filesystem::remove(notLib);
}

TEST(PluginLibrary, ABareFileNameIsNotLookedUpOnTheSearchPath) {
  // Only the current folder counts; a system library of that name must not
  // be picked up.
  PluginLibrary lib;
  std::string error;
#if defined(_WIN32)
  const char* systemLib = "kernel32.dll";
#else
  const char* systemLib = "libc.so.6";
#endif
  const std::filesystem::path here = std::filesystem::current_path() / systemLib;
  if (std::filesystem::exists(here)) GTEST_SKIP();
  EXPECT_FALSE(lib.Load(systemLib, error));
}

// The plug-in next to quelvor wins (a build tree, the Windows folder); an
// installed quelvor takes it from its plug-in folder.
TEST(PluginPathFrom, BesideTheExecutableFirstThenThePluginFolder) {
  namespace fs = std::filesystem;
  const fs::path root = fs::temp_directory_path() /
                        ("quelvor-plugin-path-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  fs::remove_all(root);
  const fs::path bin = root / "bin", plugins = root / "lib" / "arch" / "quelvor";
  fs::create_directories(bin);
  fs::create_directories(plugins);
  const auto touch = [](const fs::path& p) { std::fclose(std::fopen(p.string().c_str(), "wb")); };
  struct Case {
    const char* what;
    bool beside, installed;
    const char* fromBin;
    fs::path expected;
  };
  const Case cases[] = {
      {"only installed", false, true, "../lib/arch/quelvor", plugins / "P.so"},
      {"neither: the installed path, for the message", false, false, "../lib/arch/quelvor",
       plugins / "P.so"},
      {"both: the one beside", true, true, "../lib/arch/quelvor", bin / "P.so"},
      {"same folder", false, false, ".", bin / "P.so"},
  };
  for (const Case& c : cases) {
    fs::remove(bin / "P.so");
    fs::remove(plugins / "P.so");
    if (c.beside) touch(bin / "P.so");
    if (c.installed) touch(plugins / "P.so");
    EXPECT_EQ(PluginPathFrom(bin, c.fromBin, "P.so"), c.expected.lexically_normal()) << c.what;
  }
  fs::remove_all(root);
}

TEST(FirstLine, RemovesTheLineEndOnly) {
  EXPECT_EQ(FirstLine("M7(0-0|0-5)TJ1|\r\nsecond\n"), "M7(0-0|0-5)TJ1|");
  EXPECT_EQ(FirstLine("abc\ndef"), "abc");
  EXPECT_EQ(FirstLine("abc"), "abc");
  EXPECT_EQ(FirstLine("a\rb\r\r\n"), "a\rb\r");
  EXPECT_EQ(FirstLine("\nabc"), "");
  EXPECT_EQ(FirstLine(""), "");
}

TEST(SampleFilter, IsOneLineWithEnoughMediaBetsOfBothForms) {
  const std::string_view file = SampleFilterFile();
  const std::string_view line = FirstLine(file);
  // Nothing but an optional line end after the line.
  EXPECT_LE(file.size() - line.size(), 2u);
  const size_t tj = line.find("TJ");
  ASSERT_NE(tj, std::string_view::npos);
  size_t bets = 0, compound = 0;
  std::string_view rest = line.substr(tj + 2);
  for (size_t bar; (bar = rest.find('|')) != std::string_view::npos; rest.remove_prefix(bar + 1)) {
    ++bets;
    if (rest.substr(0, bar).find(',') != std::string_view::npos) ++compound;
  }
  EXPECT_GE(bets, 50u);
  EXPECT_GE(compound, 10u);
  EXPECT_GE(bets - compound, 10u);
  EXPECT_NE(line.find('E'), std::string_view::npos);
  EXPECT_NE(line.find('S'), std::string_view::npos);
}

}  // namespace
}  // namespace qv::host
