// The shipped files as a loader sees them: the shared object's dynamic
// symbols, the DLL's export, import and version directories.
//
//   plugin_image_tests [path of a Quelvor.dll to check as well]
//
// Without a path, the Windows build checks the DLL beside the program; the
// native build checks libQuelvor.so beside the program, and the DLL only
// when a path is given.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "BinaryImage.h"
#include "PluginUnderTest.h"

namespace qvtest {
namespace {

std::string g_dllPath;
bool g_dllExpect64 = false;

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

std::vector<std::string> NineNames() {
  return Sorted(std::vector<std::string>(std::begin(kExportNames), std::end(kExportNames)));
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

#if !defined(_WIN32)
TEST(SharedObject, DefinesExactlyTheNineExports) {
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(ReadFileBytes(PluginPath(), bytes)) << PluginPath();
  ElfSymbols syms = ReadElfDynamicSymbols(bytes);
  ASSERT_TRUE(syms.ok) << syms.error;
  EXPECT_EQ(Sorted(syms.defined), NineNames());
}
#endif

class DllImage : public ::testing::Test {
 protected:
  void SetUp() override {
    if (g_dllPath.empty()) GTEST_SKIP() << "no DLL given";
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadFileBytes(g_dllPath, bytes)) << g_dllPath;
    info_ = ReadPeImage(bytes);
    ASSERT_TRUE(info_.ok) << info_.error;
  }
  PeInfo info_;
};

TEST_F(DllImage, IsADllForTheExpectedMachine) {
  EXPECT_TRUE(info_.isDll);
  if (g_dllExpect64) {
    EXPECT_EQ(info_.machine, 0x8664);
    EXPECT_TRUE(info_.pe32plus);
  } else {
    EXPECT_EQ(info_.machine, 0x14C);
    EXPECT_FALSE(info_.pe32plus);
  }
}

TEST_F(DllImage, ExportsExactlyTheNineUndecoratedNames) {
  EXPECT_EQ(Sorted(info_.exportNames), NineNames());
  EXPECT_EQ(info_.exportFunctionCount, 9u);  // nothing exported by ordinal only
  EXPECT_EQ(Lower(info_.exportDllName), "quelvor.dll");
  for (const std::string& n : info_.exportNames) {
    EXPECT_EQ(n.find('@'), std::string::npos) << n;
    EXPECT_NE(n[0], '_') << n;
  }
}

TEST_F(DllImage, ImportsOnlyWindowsSystemDlls) {
  static const std::set<std::string> allowed = {
      "kernel32.dll", "user32.dll", "gdi32.dll",  "comctl32.dll", "comdlg32.dll",
      "advapi32.dll", "shell32.dll", "ole32.dll", "oleaut32.dll", "msvcrt.dll",
      "uxtheme.dll",  "version.dll", "shlwapi.dll", "imm32.dll",
  };
  EXPECT_FALSE(info_.importDlls.empty());
  std::vector<std::string> all = info_.importDlls;
  all.insert(all.end(), info_.delayImportDlls.begin(), info_.delayImportDlls.end());
  for (const std::string& dll : all) {
    const std::string l = Lower(dll);
    EXPECT_TRUE(allowed.count(l)) << "imports " << dll;
    for (const char* runtime : {"libstdc++", "libgcc", "libwinpthread", "api-ms-win-crt", "vcruntime", "ucrtbase"})
      EXPECT_EQ(l.find(runtime), std::string::npos) << "needs the runtime DLL " << dll;
  }
}

TEST_F(DllImage, CarriesVersion101) {
  ASSERT_TRUE(info_.hasVersionResource);
  ASSERT_TRUE(info_.versionStrings.count("FileVersion"));
  EXPECT_EQ(info_.versionStrings["FileVersion"], "1.01");
  EXPECT_EQ(info_.fileVersionMS, 0x00010001u);  // 1.1 in the fixed part
}

TEST(ImageReaders, RefuseTruncatedAndForeignFiles) {
  std::vector<uint8_t> junk(4096, 0x41);
  EXPECT_FALSE(ReadPeImage(junk).ok);
  EXPECT_FALSE(ReadElfDynamicSymbols(junk).ok);
  EXPECT_FALSE(ReadPeImage({}).ok);
  EXPECT_FALSE(ReadElfDynamicSymbols({}).ok);
  std::vector<uint8_t> bytes;
#if defined(_WIN32)
  ASSERT_TRUE(ReadFileBytes(PluginPath(), bytes));
  auto parse = [](const std::vector<uint8_t>& b) { return ReadPeImage(b).ok; };
#else
  ASSERT_TRUE(ReadFileBytes(PluginPath(), bytes));
  auto parse = [](const std::vector<uint8_t>& b) { return ReadElfDynamicSymbols(b).ok; };
#endif
  ASSERT_TRUE(parse(bytes));
  // Cut short anywhere: refused or read within bounds, never a crash.
  for (size_t cut : {size_t(2), size_t(64), size_t(200), size_t(512), bytes.size() / 3, bytes.size() / 2,
                     bytes.size() - 16}) {
    std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<long>(std::min(cut, bytes.size())));
    parse(part);
  }
  EXPECT_FALSE(parse(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 200)));
}

}  // namespace
}  // namespace qvtest

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc > 1) {
    qvtest::g_dllPath = argv[1];
  } else {
#if defined(_WIN32)
    qvtest::g_dllPath = qvtest::PluginPath();
#if defined(_WIN64)
    qvtest::g_dllExpect64 = true;
#endif
#endif
  }
  return RUN_ALL_TESTS();
}
