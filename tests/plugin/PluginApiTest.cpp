// The plug-in as a host sees it: loaded at run time, called only through the
// exported names and the function pointer types of Quelvor.h.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "PluginUnderTest.h"

namespace qvtest {
namespace {

// "分布概率" in GB2312.
const char kNameGb2312[] = "\xB7\xD6\xB2\xBC\xB8\xC5\xC2\xCA";  // 分布概率

// Levels 7, 5 and 0, E 0..1, S 1..2, one single and one compound bet.
const char kExample[] =
    "M7(0-0|0-5)M5(10-30|5-40)M0(20-60|10-70)E0-1S1-2TJ1234567|024,3468,5,2347,05,268,79|";

class PluginApiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(LoadPlugin(lib_));
    api_ = lib_.Fn();
  }
  void TearDown() override { lib_.Unload(); }

  std::string FilterStr() const {
    const char* s = api_.GetFilterStr();
    return s ? std::string(s) : std::string("<null>");
  }
  void Prepared(const char* filter) {
    api_.SetFilterStr(filter);
    ASSERT_EQ(api_.ZcPrepare(), 1) << filter;
  }
  // One report line as the host receives it.
  static std::string Line(const std::string& cand, const std::string& cond, const std::string& share) {
    return cand + "\x07" + kNameGb2312 + "\x07" + cond + "\x07" + share + "\r\n";
  }

  PluginLibrary lib_;
  qv::host::PluginExports api_;
};

TEST_F(PluginApiTest, ConstantTextsAreTheSameAtEveryCall) {
  ASSERT_NE(api_.GetFilterName(), nullptr);
  EXPECT_STREQ(api_.GetFilterName(), kNameGb2312);
  EXPECT_EQ(std::strlen(api_.GetFilterName()), 8u);
  EXPECT_STREQ(api_.GetVersion(), "1.01");
  EXPECT_STREQ(api_.GetAuthor(), "Darnveil");
  EXPECT_EQ(api_.GetFilterName(), api_.GetFilterName());
  EXPECT_EQ(api_.GetVersion(), api_.GetVersion());
  EXPECT_EQ(api_.GetAuthor(), api_.GetAuthor());
  // Still there after other calls change the module state.
  const char* name = api_.GetFilterName();
  Prepared(kExample);
  api_.ZcDebug("1234567", 1);
  EXPECT_EQ(api_.GetFilterName(), name);
  EXPECT_STREQ(name, kNameGb2312);
}

TEST_F(PluginApiTest, FilterStrIsCopiedInAndHandedOut) {
  ASSERT_NE(api_.GetFilterStr(), nullptr);
  EXPECT_EQ(FilterStr(), "");  // before any SetFilterStr

  char buf[] = "M7(0-0|0-5)TJ1234567|";
  api_.SetFilterStr(buf);
  buf[0] = 'X';  // the plug-in keeps its own copy
  EXPECT_EQ(FilterStr(), "M7(0-0|0-5)TJ1234567|");

  // Passing back the pointer GetFilterStr gave leaves the text as it is.
  api_.SetFilterStr(api_.GetFilterStr());
  EXPECT_EQ(FilterStr(), "M7(0-0|0-5)TJ1234567|");
  api_.SetFilterStr(kExample);
  api_.SetFilterStr(api_.GetFilterStr());
  EXPECT_EQ(FilterStr(), kExample);

  api_.SetFilterStr("");
  ASSERT_NE(api_.GetFilterStr(), nullptr);
  EXPECT_EQ(FilterStr(), "");

  api_.SetFilterStr(kExample);
  api_.SetFilterStr(nullptr);
  ASSERT_NE(api_.GetFilterStr(), nullptr);
  EXPECT_EQ(FilterStr(), "");

  // 8-bit text beyond ASCII passes through unchanged.
  api_.SetFilterStr("TJ\xB7\xD6|\xFF\x80|");
  EXPECT_EQ(FilterStr(), "TJ\xB7\xD6|\xFF\x80|");
}

TEST_F(PluginApiTest, HandedOutFilterStrSurvivesCallsThatDoNotChangeIt) {
  api_.SetFilterStr(kExample);
  const char* held = api_.GetFilterStr();
  api_.GetFilterName();
  api_.GetVersion();
  api_.GetAuthor();
  ASSERT_EQ(api_.ZcPrepare(), 1);
  api_.ZcExecute("1234567");
  api_.ZcDebug("1234567", 1);
  api_.ZcDebug("9999999", 0);
  EXPECT_STREQ(held, kExample);
  EXPECT_EQ(api_.GetFilterStr(), held);
}

TEST_F(PluginApiTest, NothingFailsBeforeTheFirstPreparation) {
  EXPECT_EQ(api_.ZcExecute("1234567"), 0);
  EXPECT_EQ(api_.ZcExecute(""), 0);
  const char* report = api_.ZcDebug("1234567", 1);
  ASSERT_NE(report, nullptr);
  EXPECT_STREQ(report, "");
  report = api_.ZcDebug("1234567", 0);
  ASSERT_NE(report, nullptr);
  EXPECT_STREQ(report, "");
}

TEST_F(PluginApiTest, PreparationAcceptsTheExampleAndRefusesBrokenStrings) {
  api_.SetFilterStr(kExample);
  EXPECT_EQ(api_.ZcPrepare(), 1);
  EXPECT_EQ(FilterStr(), kExample);  // preparation does not touch FilterStr

  const char* refused[] = {
      "",                                  // empty
      "TJ1234567|",                        // no condition
      "M5(30-10|0-100)TJ1234567|",         // allowed band upside down
      "M5(10-30|15-100)TJ1234567|",        // tolerance starts inside the allowed band
      "M5(10-30|0-25)TJ1234567|",          // tolerance ends inside the allowed band
      "M5(10-30|0-100)E2-1TJ1234567|",     // E range upside down
      "M5(10-30|0-100)E2-3S1-4TJ1234567|", // E lo above S lo
      "M5(10-30|0-100)E1-3S1-2TJ1234567|", // E hi above S hi
      "M5(1x-30|0-100)TJ1234567|",         // no integer
      "M5(-30|0-100)TJ1234567|",           // empty field
      "M5(10-30|0-100)E12-15TJ1234567|",   // "-" read as the E upper bound
      "M5(10-30|0-100",                    // an "M" with no ")" after it
      "M9(10-30|0-100)TJ1234567|",         // no such hit level
  };
  for (const char* s : refused) {
    api_.SetFilterStr(s);
    EXPECT_EQ(api_.ZcPrepare(), 0) << '"' << s << '"';
    EXPECT_EQ(FilterStr(), s);
  }

  // A refusal leaves the plug-in usable: the next good string is accepted.
  api_.SetFilterStr("M5(20-20|20-20)");
  EXPECT_EQ(api_.ZcPrepare(), 1);
}

TEST_F(PluginApiTest, VerdictsOfTheExample) {
  Prepared(kExample);
  // 1234567: the single bet hits 7 times, the compound bet 4 times, so no
  // bet has 0 hits and all three conditions leave their tolerance bands:
  // three above the S range 1..2.
  EXPECT_EQ(api_.ZcExecute("1234567"), 999998);
  // 9999999: 0 and 1 hits.  Level 7 (share 0) and level 0 (share 50) are
  // met, level 5 (share 0) misses both bands: 1 miss in E 0..1, 1 in S 1..2.
  EXPECT_EQ(api_.ZcExecute("9999999"), 0);
  // 0000000: the compound bet's groups 1 and 5 hold a 0, the single bet
  // none: hit counts 0 and 2, the same shares for levels 7, 5 and 0.
  EXPECT_EQ(api_.ZcExecute("0000000"), 0);
  // An empty candidate: every bet 0 hits, level 0 at 100 leaves its
  // tolerance band too: 2 outside tolerance, still in S 1..2; 2 misses
  // exceed E 0..1.
  EXPECT_EQ(api_.ZcExecute(""), 1);

  // One condition with a wide tolerance band and no E or S section.
  Prepared("M7(0-0|0-100)TJ1234567|7654321|");
  EXPECT_EQ(api_.ZcExecute("1234567"), 1);  // level 7 at 50: outside 0..0, inside 0..100
  EXPECT_EQ(api_.ZcExecute("0000000"), 0);
  EXPECT_EQ(api_.ZcExecute("7654321"), 1);
}

TEST_F(PluginApiTest, NewFilterStrTakesEffectAtTheNextPreparation) {
  Prepared(kExample);
  ASSERT_EQ(api_.ZcExecute("1234567"), 999998);
  api_.SetFilterStr("M7(0-0|0-100)TJ1234567|7654321|");
  EXPECT_EQ(api_.ZcExecute("1234567"), 999998);
  EXPECT_EQ(api_.ZcDebug("9999999", 0), Line("9999999", "5:10%-30%|5%-40%", "0%"));
  ASSERT_EQ(api_.ZcPrepare(), 1);
  EXPECT_EQ(api_.ZcExecute("1234567"), 1);
}

TEST_F(PluginApiTest, ReportListsConditionsInOrder) {
  Prepared(kExample);
  const std::string all = Line("9999999", "7:0%-0%|0%-5%", "0%") +
                          Line("9999999", "5:10%-30%|5%-40%", "0%") +
                          Line("9999999", "0:20%-60%|10%-70%", "50%");
  EXPECT_EQ(std::string(api_.ZcDebug("9999999", 1)), all);
  // Only the conditions outside their allowed band.
  const std::string missed = Line("9999999", "5:10%-30%|5%-40%", "0%");
  EXPECT_EQ(std::string(api_.ZcDebug("9999999", 0)), missed);

  EXPECT_EQ(std::string(api_.ZcDebug("1234567", 0)),
            Line("1234567", "7:0%-0%|0%-5%", "50%") + Line("1234567", "5:10%-30%|5%-40%", "0%") +
                Line("1234567", "0:20%-60%|10%-70%", "0%"));

  // Every condition met: an empty text, not null.
  Prepared("M7(0-0|0-100)TJ1234567|7654321|");
  const char* empty = api_.ZcDebug("0000000", 0);
  ASSERT_NE(empty, nullptr);
  EXPECT_STREQ(empty, "");
}

TEST_F(PluginApiTest, ShowAllReadsOnlyItsLowestByte) {
  Prepared(kExample);
  const std::string missed(api_.ZcDebug("9999999", 0));
  const std::string all(api_.ZcDebug("9999999", 1));
  ASSERT_NE(missed, all);
  EXPECT_EQ(std::string(api_.ZcDebug("9999999", 0x100)), missed);
  EXPECT_EQ(std::string(api_.ZcDebug("9999999", 0xFFFFFF00u)), missed);
  EXPECT_EQ(std::string(api_.ZcDebug("9999999", 0x101)), all);
  EXPECT_EQ(std::string(api_.ZcDebug("9999999", 0x80)), all);
  EXPECT_EQ(std::string(api_.ZcDebug("9999999", 0xFFFFFFFFu)), all);
}

TEST_F(PluginApiTest, ReportStaysReadableUntilTheNextReport) {
  Prepared(kExample);
  const char* report = api_.ZcDebug("9999999", 1);
  const std::string copy(report);
  api_.ZcExecute("1234567");
  api_.ZcExecute("0000000");
  api_.GetFilterStr();
  EXPECT_EQ(std::string(report), copy);
  // The candidate text is taken as it stands, whatever its length.
  // "99": no bet hits, so level 0 stands at 100.
  EXPECT_EQ(std::string(api_.ZcDebug("99", 0)),
            Line("99", "5:10%-30%|5%-40%", "0%") + Line("99", "0:20%-60%|10%-70%", "100%"));
}

#ifndef _WIN32
// Natively the setup dialog runs on the in-memory toolkit, whose modal run
// without a script ends at once as cancelled: ZcOpen answers true and
// leaves FilterStr alone.
TEST_F(PluginApiTest, ZcOpenCancelledLeavesTheFilterString) {
  api_.SetFilterStr(kExample);
  const char* before = api_.GetFilterStr();
  EXPECT_EQ(api_.ZcOpen(nullptr), 1);
  EXPECT_EQ(FilterStr(), kExample);
  EXPECT_EQ(api_.GetFilterStr(), before);
  api_.SetFilterStr("");
  EXPECT_EQ(api_.ZcOpen(reinterpret_cast<void*>(0x1234)), 1);
  EXPECT_EQ(FilterStr(), "");
}
#endif

TEST(PluginLifetime, UnloadingReleasesTheModuleState) {
  PluginLibrary lib;
  ASSERT_TRUE(LoadPlugin(lib));
  lib.Fn().SetFilterStr(kExample);
  ASSERT_EQ(lib.Fn().ZcPrepare(), 1);
  lib.Unload();
  // A fresh load starts from the empty state.
  ASSERT_TRUE(LoadPlugin(lib));
  EXPECT_STREQ(lib.Fn().GetFilterStr(), "");
  EXPECT_EQ(lib.Fn().ZcExecute("1234567"), 0);
  EXPECT_STREQ(lib.Fn().ZcDebug("1234567", 1), "");
  lib.Unload();
  // Loading and unloading many times neither crashes nor keeps state.
  for (int i = 0; i < 20; ++i) {
    ASSERT_TRUE(LoadPlugin(lib));
    EXPECT_STREQ(lib.Fn().GetFilterStr(), "");
    lib.Fn().SetFilterStr(kExample);
    lib.Fn().ZcPrepare();
    lib.Fn().ZcDebug("1234567", 1);
    lib.Unload();
  }
}

TEST(PluginLifetime, OnlyTheNineNamesResolve) {
  PluginLibrary lib;
  ASSERT_TRUE(LoadPlugin(lib));
  for (const char* name : kExportNames) EXPECT_NE(lib.Symbol(name), nullptr) << name;
  // Decorated or internal names are not reachable.
  for (const char* name : {"_GetFilterName@0", "GetFilterName@0", "ZcDebug@8", "_ZcDebug@8", "DllMain",
                           "DllMain@12", "CurrentModule", "getfiltername"})
    EXPECT_EQ(lib.Symbol(name), nullptr) << name;
}

}  // namespace
}  // namespace qvtest
