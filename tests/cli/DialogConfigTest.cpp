#include "DialogConfig.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ConditionFile.h"
#include "SzcBytes.h"
#include "TestFiles.h"

namespace qv::host {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using qv::testing::Szc;

using namespace std::string_literals;

const char kExample[] =
    "M7(0-0|0-5)M5(10-30|5-40)M0(20-60|10-70)E0-1S1-2TJ1234567|024,3468,5,2347,05,268,79|";

class DialogConfigTest : public qv::testing::ScratchDir {
 protected:
  // The dialog, set up from c, closes with OK and writes expected.
  static ::testing::AssertionResult Writes(const DialogConfig& c, const std::string& expected) {
    auto r = BuildThroughDialog(c);
    if (!r.ok) return ::testing::AssertionFailure() << r.error;
    if (r.filterString != expected) return ::testing::AssertionFailure() << "wrote " << r.filterString;
    return ::testing::AssertionSuccess();
  }
  // The dialog, set up from c, fails with a message that starts so and
  // holds detail.
  static ::testing::AssertionResult Fails(const DialogConfig& c, const std::string& start, const std::string& detail) {
    auto r = BuildThroughDialog(c);
    if (r.ok) return ::testing::AssertionFailure() << "closed with OK";
    if (r.error.rfind(start, 0) != 0 || r.error.find(detail) == std::string::npos)
      return ::testing::AssertionFailure() << "failed with " << r.error;
    return ::testing::AssertionSuccess();
  }
  // A new dialog that loads the condition file, or imports the bet file.
  static DialogConfig Loading(const std::string& conditionFile) {
    DialogConfig c;
    c.conditionFiles = {conditionFile};
    return c;
  }
  static DialogConfig Importing(const std::string& betFile) {
    DialogConfig c;
    c.betsSzc = betFile;
    return c;
  }
  static ::testing::AssertionResult LoadsAs(const std::string& conditionFile, const std::string& expected) {
    return Writes(Loading(conditionFile), expected);
  }
};

TEST_F(DialogConfigTest, FilterStringAloneComesBackAsTheDialogWritesIt) {
  DialogConfig c;
  c.filterString = kExample;
  auto r = BuildThroughDialog(c);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.filterString, kExample);
  // Sections in another order come back in descending level order.
  c.filterString = "M0(1-2|0-3)M6(4-5|3-6)TJ1|";
  r = BuildThroughDialog(c);
  EXPECT_EQ(r.filterString, "M6(4-5|3-6)M0(1-2|0-3)TJ1|");
  // Nothing at all: a new dialog writes the empty string.
  r = BuildThroughDialog(DialogConfig{});
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.filterString, "");
}

TEST_F(DialogConfigTest, ConditionFilesMergeInOrderThenTheBetFileReplacesTheBets) {
  Put(Name("a.txt"), "header\r\nM5(10-30|5-40)TJ1111111|\r\n");
  Put(Name("b.txt"), "M5(1-2|0-3)E0-1TJ2222222|\nM3(0-9|0-9)\n");
  Put(Name("bets.szc"), Szc(2, 8, {"7654321", "1234567"}));
  DialogConfig c;
  c.filterString = "M7(0-0|0-5)TJ0000000|";
  c.conditionFiles = {Name("a.txt"), Name("b.txt")};
  auto r = BuildThroughDialog(c);
  ASSERT_TRUE(r.ok) << r.error;
  // Level 5 holds the later file's bands; the bets were appended in order.
  EXPECT_EQ(r.filterString,
            "M7(0-0|0-5)M5(1-2|0-3)M3(0-9|0-9)E0-1TJ0000000|1111111|2222222|");
  c.betsSzc = Name("bets.szc");
  r = BuildThroughDialog(c);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.filterString, "M7(0-0|0-5)M5(1-2|0-3)M3(0-9|0-9)E0-1TJ7654321|1234567|");
  EXPECT_THAT(r.notes, IsEmpty());
}

TEST_F(DialogConfigTest, SavedConditionFileReadsBackTheSame) {
  DialogConfig c;
  c.filterString = kExample;
  c.saveConditionFile = Name("saved.txt");
  ASSERT_TRUE(Writes(c, kExample));
  EXPECT_EQ(Get(Name("saved.txt")), std::string(kConditionFileHeader) + "\r\n" + kExample + "\r\n");
  EXPECT_TRUE(LoadsAs(Name("saved.txt"), kExample));
}

TEST_F(DialogConfigTest, ImportSaveAndLoadGiveBackTheSameString) {
  Put(Name("bets.szc"), Szc(2, 32, {"1234567", "024,3468,5,2347,05,268,79"}));
  DialogConfig c;
  c.filterString = "M7(0-0|0-5)M5(10-30|5-40)M0(20-60|10-70)E0-1S1-2TJ9999999|";
  c.betsSzc = Name("bets.szc");
  c.saveConditionFile = Name("saved.txt");
  ASSERT_TRUE(Writes(c, kExample));
  EXPECT_TRUE(LoadsAs(Name("saved.txt"), kExample));
}

TEST_F(DialogConfigTest, SkippedRecordsAreANoteNotAFailure) {
  Put(Name("mixed.szc"), Szc(4, 8, {"1234567", "12|4567", "7654321", "12\n4567"}));
  DialogConfig c;
  c.betsSzc = Name("mixed.szc");
  auto r = BuildThroughDialog(c);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.filterString, "TJ1234567|7654321|");
  EXPECT_THAT(r.notes, ElementsAre("导入时跳过了 2 条含有非法字符的投注记录！"));
  // A filter string whose bets hold control characters opens repaired.
  DialogConfig ctl;
  ctl.filterString = "M1(0-1|0-2)TJ1\r|1234567|";
  r = BuildThroughDialog(ctl);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.filterString, "M1(0-1|0-2)TJ1234567|");
  EXPECT_THAT(r.notes, ElementsAre("导入时跳过了 1 条含有非法字符的投注记录！"));
}

TEST_F(DialogConfigTest, FailuresCarryTheDialogsMessageAndADetail) {
  const std::string openError = "打开文件发生错误！";
  EXPECT_TRUE(Fails(Loading(Name("missing.txt")), openError, "cannot be opened"));
  Put(Name("bad.txt"), "M1(0-1|0-2)\r\nM9(0-1|0-2)\r\n");
  EXPECT_TRUE(Fails(Loading(Name("bad.txt")), openError, "line 2 cannot be shown"));
  Put(Name("zero.txt"), "M1(0-1|0-2)\r\nM2(0-1|0-2)TJ1\0" "2|\r\n"s);
  EXPECT_TRUE(Fails(Loading(Name("zero.txt")), openError, "line 2 holds a zero byte"));

  Put(Name("short.szc"), Szc(3, 10, {"1234567", "2345678"}) + "12345");
  EXPECT_TRUE(Fails(Importing(Name("short.szc")), "Stream read error. (bet result file ",
                    "ends before the records its header announces"));
  EXPECT_TRUE(Fails(Importing(Name("absent.szc")), "Cannot open file " + Name("absent.szc") + ".", ""));

  DialogConfig save;
  save.filterString = kExample;
  save.saveConditionFile = Name("no-dir/saved.txt");
  EXPECT_TRUE(Fails(save, "文件保存发生错误！", ""));

  DialogConfig digit;
  digit.filterString = "M9(0-1|0-2)";
  EXPECT_FALSE(BuildThroughDialog(digit).ok);
}

TEST_F(DialogConfigTest, RefusedSaveWritesNothing) {
  // An E bound that is no digit: the dialog refuses before its file dialog,
  // nothing is written, and the refusal is the failure.
  DialogConfig c;
  c.filterString = "M1(0-1|0-2)E1-xTJ1|";
  c.saveConditionFile = Name("saved.txt");
  auto r = BuildThroughDialog(c);
  EXPECT_FALSE(r.ok);
  EXPECT_THAT(r.error, HasSubstr("not saved"));
  EXPECT_THAT(Entries(), IsEmpty());
  // Without the save the same string is printed as the dialog writes it.
  c.saveConditionFile.reset();
  r = BuildThroughDialog(c);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.filterString, "M1(0-1|0-2)E1-xTJ1|");
}

}  // namespace
}  // namespace qv::host
