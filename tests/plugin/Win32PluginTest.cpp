// What only a Windows host sees: the standard calling convention of every
// export (the callee removes its arguments), the version resource as the
// system reads it, and thread notifications that leave the state alone.
#include <gtest/gtest.h>
#include "WindowsHeaders.h"

#include <cstdlib>
#include <string>
#include <thread>

#include "PluginUnderTest.h"

namespace qvtest {
namespace {

const char kExample[] =
    "M7(0-0|0-5)M5(10-30|5-40)M0(20-60|10-70)E0-1S1-2TJ1234567|024,3468,5,2347,05,268,79|";

}  // namespace
}  // namespace qvtest

#if defined(__i386__)
// int32_t QvProbeCall(void* fn, uint32_t nargs, const uint32_t* args, uint32_t* eax)
// Pushes the arguments right to left, calls fn and answers how far ESP moved
// over the call: 0 when the callee removed its arguments (stdcall), -4 * nargs
// when it left them for the caller (cdecl).  The stack is restored either way.
extern "C" int32_t QvProbeCall(void* fn, uint32_t nargs, const uint32_t* args, uint32_t* eax);
asm(R"(
  .text
  .globl _QvProbeCall
_QvProbeCall:
  .intel_syntax noprefix
  push ebp
  mov ebp, esp
  push ebx
  push esi
  push edi
  mov esi, [ebp+16]
  mov eax, [ebp+12]
  mov edi, esp
1:
  test eax, eax
  jz 2f
  dec eax
  push dword ptr [esi+eax*4]
  jmp 1b
2:
  call dword ptr [ebp+8]
  mov ecx, [ebp+20]
  mov [ecx], eax
  mov eax, esp
  sub eax, edi
  mov esp, edi
  pop edi
  pop esi
  pop ebx
  pop ebp
  ret
  .att_syntax prefix
)");

extern "C" int __cdecl QvCdeclPair(int a, int b) { return a * 10 + b; }
extern "C" int __stdcall QvStdcallPair(int a, int b) { return a * 10 + b; }

namespace qvtest {
namespace {

struct Probe {
  int32_t espDelta;
  uint32_t eax;
};

Probe Call(void* fn, std::initializer_list<uint32_t> args) {
  uint32_t a[4] = {};
  uint32_t n = 0;
  for (uint32_t v : args) a[n++] = v;
  Probe p{};
  p.espDelta = QvProbeCall(fn, n, a, &p.eax);
  return p;
}

uint32_t Ptr(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

TEST(CallingConvention, ProbeTellsCalleeFromCallerCleanup) {
  Probe c = Call(reinterpret_cast<void*>(&QvCdeclPair), {4, 2});
  EXPECT_EQ(c.eax, 42u);
  EXPECT_EQ(c.espDelta, -8);
  Probe s = Call(reinterpret_cast<void*>(&QvStdcallPair), {4, 2});
  EXPECT_EQ(s.eax, 42u);
  EXPECT_EQ(s.espDelta, 0);
}

TEST(CallingConvention, EveryExportRemovesItsArguments) {
  PluginLibrary lib;
  ASSERT_TRUE(LoadPlugin(lib));
  auto fn = [&](const char* name) { return lib.Symbol(name); };

  Probe p = Call(fn("GetFilterName"), {});
  EXPECT_EQ(p.espDelta, 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(p.eax), "\xB7\xD6\xB2\xBC\xB8\xC5\xC2\xCA");  // 分布概率
  p = Call(fn("GetVersion"), {});
  EXPECT_EQ(p.espDelta, 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(p.eax), "1.01");
  p = Call(fn("GetAuthor"), {});
  EXPECT_EQ(p.espDelta, 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(p.eax), "Darnveil");

  p = Call(fn("SetFilterStr"), {Ptr(kExample)});
  EXPECT_EQ(p.espDelta, 0) << "SetFilterStr";
  p = Call(fn("GetFilterStr"), {});
  EXPECT_EQ(p.espDelta, 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(p.eax), kExample);

  p = Call(fn("ZcPrepare"), {});
  EXPECT_EQ(p.espDelta, 0) << "ZcPrepare";
  EXPECT_EQ(p.eax & 0xFF, 1u);

  p = Call(fn("ZcExecute"), {Ptr("1234567")});
  EXPECT_EQ(p.espDelta, 0) << "ZcExecute";
  EXPECT_EQ(p.eax, 999998u);
  p = Call(fn("ZcExecute"), {Ptr("9999999")});
  EXPECT_EQ(p.eax, 0u);

  p = Call(fn("ZcDebug"), {Ptr("9999999"), 0x100});
  EXPECT_EQ(p.espDelta, 0) << "ZcDebug";
  std::string missed(reinterpret_cast<const char*>(p.eax));
  p = Call(fn("ZcDebug"), {Ptr("9999999"), 1});
  EXPECT_EQ(p.espDelta, 0);
  std::string all(reinterpret_cast<const char*>(p.eax));
  EXPECT_LT(missed.size(), all.size());
}

}  // namespace
}  // namespace qvtest
#endif  // __i386__

namespace qvtest {
namespace {

TEST(VersionResource, SystemReadsFileVersion101) {
  const std::string path = PluginPath();
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  ASSERT_GT(size, 0u) << "no version resource in " << path;
  std::string block(size, '\0');
  ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, &block[0]));

  struct LangCp {
    WORD lang, cp;
  }* tr = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueA(&block[0], "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&tr), &len));
  ASSERT_GE(len, sizeof(LangCp));
  char key[64];
  wsprintfA(key, "\\StringFileInfo\\%04x%04x\\FileVersion", tr->lang, tr->cp);
  char* value = nullptr;
  ASSERT_TRUE(VerQueryValueA(&block[0], key, reinterpret_cast<void**>(&value), &len)) << key;
  EXPECT_STREQ(value, "1.01");

  VS_FIXEDFILEINFO* fixed = nullptr;
  ASSERT_TRUE(VerQueryValueA(&block[0], "\\", reinterpret_cast<void**>(&fixed), &len));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), 1);
  EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), 1);
}

TEST(ThreadNotifications, LeaveTheModuleStateAlone) {
  PluginLibrary lib;
  ASSERT_TRUE(LoadPlugin(lib));
  lib.Fn().SetFilterStr(kExample);
  ASSERT_EQ(lib.Fn().ZcPrepare(), 1);
  // Each new thread sends thread attach and detach to the library.
  for (int i = 0; i < 3; ++i) {
    std::thread t([] {});
    t.join();
  }
  EXPECT_STREQ(lib.Fn().GetFilterStr(), kExample);
  EXPECT_EQ(lib.Fn().ZcExecute("1234567"), 999998);
  EXPECT_EQ(lib.Fn().ZcExecute("9999999"), 0);
}

}  // namespace
}  // namespace qvtest

namespace qvtest {
namespace {

// The test environment: the dialogs' texts are GB2312 in the ANSI code page,
// and the dialog font names must reach a font with Chinese glyphs.  Checked
// only inside the prepared wine environment (QUELVOR_WINE_ENV=1).
class WineEnvironment : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* env = std::getenv("QUELVOR_WINE_ENV");
    if (!env || std::string(env) != "1") GTEST_SKIP() << "not inside the prepared wine environment";
  }
};

TEST_F(WineEnvironment, AnsiCodePageIs936) { EXPECT_EQ(GetACP(), 936u); }

TEST_F(WineEnvironment, DialogFontsShowChinese) {
  const wchar_t text[] = L"\u5206\u5e03\u6982\u7387";  // 分布概率
  const wchar_t* faces[] = {L"MS Shell Dlg", L"MS Shell Dlg 2", L"MS Sans Serif", L"SimSun",
                            L"\u5b8b\u4f53"};  // 宋体
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  for (const wchar_t* face : faces) {
    LOGFONTW lf{};
    lf.lfHeight = -12;
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
    HFONT font = CreateFontIndirectW(&lf);
    ASSERT_NE(font, nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    WORD glyphs[4] = {};
    ASSERT_EQ(GetGlyphIndicesW(dc, text, 4, glyphs, GGI_MARK_NONEXISTING_GLYPHS), 4u);
    char name[64];
    WideCharToMultiByte(CP_UTF8, 0, face, -1, name, sizeof name, nullptr, nullptr);
    for (WORD g : glyphs) EXPECT_NE(g, 0xFFFF) << "no Chinese glyphs behind " << name;
    SelectObject(dc, old);
    DeleteObject(font);
  }
  DeleteDC(dc);
}

}  // namespace
}  // namespace qvtest
