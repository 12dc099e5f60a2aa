// End to end: condition files and the bet result import through the real
// setup dialog: its popup menu, the system's file dialogs, the files on
// disk, and the filter string that ZcOpen leaves behind.
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "ConditionFile.h"
#include "SetupCase.h"
#include "SzcBytes.h"

namespace {

using namespace e2e;
namespace fs = std::filesystem;
using qv::testing::Szc;

// 条件 一.txt: a name outside ASCII, with a blank, as users name their files.
const std::wstring kConditionLeaf = L"\x6761\x4EF6 \x4E00.txt";

class FileDialogsE2E : public SetupDialogE2E {
 protected:
  void SetUp() override {
    SetupDialogE2E::SetUp();
    wchar_t tmp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, tmp);
    dir_ = fs::path(tmp) / ("quelvor-e2e-" + std::to_string(GetCurrentProcessId()) + "-" +
                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::error_code ec;
    fs::remove_all(dir_, ec);
    ASSERT_TRUE(fs::create_directories(dir_, ec)) << ec.message();
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  fs::path In(const std::wstring& leaf) const { return dir_ / leaf; }

  static void Put(const fs::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  static std::string Get(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::vector<std::wstring> Leaves() const {
    std::vector<std::wstring> out;
    for (const auto& e : fs::directory_iterator(dir_)) out.push_back(e.path().filename().wstring());
    return out;
  }

  fs::path dir_;
};

// Opens the setup dialog's popup menu with its button and picks an entry.
void PickMenuEntry(ZcOpenCase& c, const SetupWindows& s, const char* caption) {
  Click(s["RzMenuButton1"]);
  HWND popup = WaitPopupMenu(c.tid(), kWait);
  ASSERT_NE(popup, nullptr) << "the popup menu did not open";
  EXPECT_EQ(MenuItems(popup), (std::vector<std::wstring>{Gb(qv::texts::kSaveFltCaption),
                                                         Gb(qv::texts::kLoadFltCaption),
                                                         Gb(qv::texts::kAnalysisMenuCaption)}));
  ASSERT_TRUE(ChooseMenuItem(popup, Gb(caption)));
}

// The file dialog that the last click opened, answered with path.
void AnswerFileDialog(ZcOpenCase& c, const fs::path& path) {
  HWND dlg = WaitFileDialog(c.tid(), kWait);
  ASSERT_NE(dlg, nullptr) << "no file dialog";
  ASSERT_TRUE(ChooseFile(dlg, path.wstring(), kWait));
}

TEST_F(FileDialogsE2E, SaveReplacesTheFileThenLoadMergesIt) {
  const fs::path file = In(kConditionLeaf);
  Put(file, "an older condition file\r\nM1(0-1|0-2)TJ7777777|\r\n");

  // Saved from the worked example; the dialog is then cancelled, which
  // leaves the filter string alone but not the file.
  {
    ZcOpenCase c(kExample);
    c.Run([&](ZcOpenCase& c) {
      SetupWindows s = c.WaitSetup();
      ASSERT_NE(s.form, nullptr);
      PickMenuEntry(c, s, qv::texts::kSaveFltCaption);
      AnswerFileDialog(c, file);
      EXPECT_TRUE(IsWindowVisible(s.form));
      EXPECT_TRUE(IsWindowEnabled(s.form));
      Click(s["btnCancel"]);
      EXPECT_TRUE(WaitGone(s.form, kWait));
    });
    EXPECT_EQ(FilterStr(), kExample);
  }
  EXPECT_EQ(Get(file), qv::ConditionFileContent(kExample));
  EXPECT_EQ(Get(file).substr(0, std::strlen(qv::kConditionFileHeader) + 2),
            std::string(qv::kConditionFileHeader) + "\r\n");
  EXPECT_EQ(Leaves(), std::vector<std::wstring>{kConditionLeaf});  // no temporary file left

  // Loaded into a dialog that has a level and a bet of its own: the file's
  // levels and sections are set, its bets added after the list's.
  ZcOpenCase c("M3(1-2|0-3)TJ1111111|");
  c.Run([&](ZcOpenCase& c) {
    SetupWindows s = c.WaitSetup();
    ASSERT_NE(s.form, nullptr);
    EXPECT_FALSE(IsChecked(s["chkShot7"]));
    PickMenuEntry(c, s, qv::texts::kLoadFltCaption);
    AnswerFileDialog(c, file);
    EXPECT_TRUE(WaitUntil([&] { return ListItems(s["lbMVDChip"]).size() == 3; }, kWait));
    EXPECT_EQ(ListItems(s["lbMVDChip"]),
              (std::vector<std::wstring>{L"1111111", L"1234567", L"024,3468,5,2347,05,268,79"}));
    EXPECT_EQ(TextOf(s["lblMVDInfo"]), Gb(qv::texts::kCountPrefix) + L"3");
    EXPECT_TRUE(IsChecked(s["chkShot7"]));
    EXPECT_TRUE(IsChecked(s["chkShot3"]));
    EXPECT_TRUE(IsChecked(s["chkCanSupErr"]));
    EXPECT_EQ(TextOf(s["edtCanErr5b"]), L"40");
    Click(s["btnOK"]);
    EXPECT_TRUE(WaitGone(s.form, kWait));
  });
  EXPECT_EQ(c.result_, 1);
  EXPECT_EQ(FilterStr(),
            "M7(0-0|0-5)M5(10-30|5-40)M3(1-2|0-3)M0(20-60|10-70)E0-1S1-2"
            "TJ1111111|1234567|024,3468,5,2347,05,268,79|");
}

TEST_F(FileDialogsE2E, FailedSaveAndLoadSayWhyAndKeepTheDialog) {
  // A read-only file cannot be replaced: the save fails, says so, and
  // leaves the file as it was, with no temporary file beside it.
  const fs::path locked = In(L"locked.txt");
  const std::string old = "header\r\nM2(0-1|0-2)TJ7777777|\r\n";
  Put(locked, old);
  ASSERT_TRUE(SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_READONLY));
  const fs::path missing = In(L"absent.txt");
  ZcOpenCase c("M1(0-1|0-2)TJ1234567|");
  c.Run([&](ZcOpenCase& c) {
    SetupWindows s = c.WaitSetup();
    ASSERT_NE(s.form, nullptr);
    PickMenuEntry(c, s, qv::texts::kSaveFltCaption);
    AnswerFileDialog(c, locked);
    MessageBoxSeen box = WaitMessageBox(c.tid(), kWait);
    EXPECT_EQ(box.text, Gb(qv::texts::kSaveFailedMessage));
    EXPECT_TRUE(CloseMessageBox(box));

    PickMenuEntry(c, s, qv::texts::kLoadFltCaption);
    AnswerFileDialog(c, missing);
    box = WaitMessageBox(c.tid(), kWait);
    EXPECT_EQ(box.text, Gb(qv::texts::kLoadFailedMessage));
    EXPECT_TRUE(CloseMessageBox(box));
    EXPECT_TRUE(IsWindowVisible(s.form));
    EXPECT_EQ(ListItems(s["lbMVDChip"]), std::vector<std::wstring>{L"1234567"});
    Click(s["btnOK"]);
    EXPECT_TRUE(WaitGone(s.form, kWait));
  });
  EXPECT_EQ(FilterStr(), "M1(0-1|0-2)TJ1234567|");
  EXPECT_EQ(Get(locked), old);
  EXPECT_EQ(Leaves(), std::vector<std::wstring>{L"locked.txt"});
  SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FileDialogsE2E, ImportReplacesTheListAndCountsSkippedRecords) {
  const fs::path file = In(L"bets.szc");
  Put(file, Szc(4, 16, {"1234567", "12|4567", "TJ34567", "024,3468,5,2347"}));
  ZcOpenCase c("M1(0-1|0-2)TJ1111111|2222222|");
  c.Run([&](ZcOpenCase& c) {
    SetupWindows s = c.WaitSetup();
    ASSERT_NE(s.form, nullptr);
    Click(s["btnLoad"]);
    HWND dlg = WaitFileDialog(c.tid(), kWait);
    ASSERT_NE(dlg, nullptr);
    // The file type box offers the bet result files.
    if (HWND types = GetDlgItem(dlg, 0x470)) {
      EXPECT_EQ(TextOf(types), Gb("\xCD\xB6\xD7\xA2\xBD\xE1\xB9\xFB\xCE\xC4\xBC\xFE(*.szc)"));
    }
    ASSERT_TRUE(ChooseFile(dlg, file.wstring(), kWait));
    MessageBoxSeen box = WaitMessageBox(c.tid(), kWait);
    EXPECT_EQ(box.text, Gb(qv::texts::SkippedBetsMessage(2).c_str()));
    EXPECT_FALSE(box.icon);
    EXPECT_TRUE(CloseMessageBox(box));
    EXPECT_EQ(ListItems(s["lbMVDChip"]), (std::vector<std::wstring>{L"1234567", L"024,3468,5,2347"}));
    EXPECT_EQ(TextOf(s["lblMVDInfo"]), Gb(qv::texts::kCountPrefix) + L"2");
    Click(s["btnOK"]);
    EXPECT_TRUE(WaitGone(s.form, kWait));
  });
  EXPECT_EQ(FilterStr(), "M1(0-1|0-2)TJ1234567|024,3468,5,2347|");
}

TEST_F(FileDialogsE2E, BrokenOrMissingBetResultFileChangesNothing) {
  const fs::path shortFile = In(L"short.szc");
  // Three records announced, two and a half present.
  Put(shortFile, Szc(3, 10, {"1234567", "2345678"}) + "12345");
  const fs::path missing = In(L"absent.szc");
  ZcOpenCase c("TJ1111111|");
  c.Run([&](ZcOpenCase& c) {
    SetupWindows s = c.WaitSetup();
    ASSERT_NE(s.form, nullptr);
    Click(s["btnLoad"]);
    AnswerFileDialog(c, shortFile);
    MessageBoxSeen box = WaitMessageBox(c.tid(), kWait);
    EXPECT_EQ(box.text, L"Stream read error.");
    EXPECT_TRUE(box.icon);
    EXPECT_TRUE(CloseMessageBox(box));
    EXPECT_EQ(ListItems(s["lbMVDChip"]), std::vector<std::wstring>{L"1111111"});
    EXPECT_EQ(TextOf(s["lblMVDInfo"]), Gb(qv::texts::kCountPrefix) + L"1");

    Click(s["btnLoad"]);
    AnswerFileDialog(c, missing);
    box = WaitMessageBox(c.tid(), kWait);
    EXPECT_EQ(box.text.rfind(L"Cannot open file ", 0), 0u) << ToGb(box.text);
    EXPECT_EQ(box.text.back(), L'.');
    EXPECT_TRUE(box.icon);
    EXPECT_TRUE(CloseMessageBox(box));
    EXPECT_EQ(ListItems(s["lbMVDChip"]), std::vector<std::wstring>{L"1111111"});
    Click(s["btnOK"]);
    EXPECT_TRUE(WaitGone(s.form, kWait));
  });
  EXPECT_EQ(FilterStr(), "TJ1111111|");
}

}  // namespace
