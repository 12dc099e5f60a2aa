// The setup dialog: the hit-level conditions with their bands, the E and S
// ranges and the media bet list, and the mapping between these controls and
// the filter string.
//
// The dialog runs on whatever backend the framework has: the Win32 one in
// the plug-in, the in-memory one in tests and in quelvor's configuration
// commands, which drive the state operations below without any window.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "FileStatus.h"
#include "UiControls.h"

namespace qv {

class TfrmAnalysis;

class TfrmFltSetup : public ui::Form {
 public:
  TfrmFltSetup();
  ~TfrmFltSetup() override;

  // 1 from creation; 0 only once OK has been accepted.
  uint8_t CancelFlag = 1;

  // Replaces out with the filter string of the controls' present state.
  void BuildFilterStr(std::string& out) const;
  std::string BuildFilterStr() const;

  // Shows a filter string in the controls, merging it into what they hold.
  // False when the string is not of the filter string's format: it is read
  // up to the first section the dialog cannot show (a level digit outside
  // 0..7, an "M" with no ")" after it); what came before stays applied.
  // Media bets the filter string cannot carry (only a host or a hand-edited
  // string holds them) are left out and counted in *skippedBets.  The count
  // label is rewritten either way.  Shows nothing.
  bool ApplyFilterStr(std::string_view filterStr, size_t* skippedBets = nullptr);

  // ZcOpen's filling of a newly created dialog from FilterStr: ApplyFilterStr,
  // then the message for what it could not show.  False, after the message,
  // for a string the dialog cannot show at all; the dialog must not run then.
  bool OpenFilterStr(std::string_view filterStr);

  // True when every E and S bound that the filter string would carry is a
  // single digit; otherwise shows why and returns false.
  bool CheckRangeDigits();

  // The file operations behind the menu and the import button, for a file
  // already chosen.  Each answers with what the file reader or writer did
  // and has shown the dialog's message for it, as the handlers do.  A load
  // counts in skipped the media bets its lines held that the filter string
  // cannot carry.  SaveConditionFile answers nothing, after the message,
  // when the dialog refused its own state before writing (bounds the filter
  // string cannot carry).
  std::optional<FileStatus> SaveConditionFile(const std::filesystem::path& path);
  FileStatus LoadConditionFile(const std::filesystem::path& path);
  FileStatus ImportBetResultFile(const std::filesystem::path& path);

  // The count label's text for the list's present count.
  void ShowBetCount();

  // --- event handlers ---
  void FormCreate();
  void chkShot7Click(ui::CheckBox& sender);
  void chkCanErrClick();
  void lbMVDChipClick();
  void btnAddClick();
  void btnDeleteClick();
  void btnClearClick();
  void btnOKClick();
  void btnLoadClick();
  void mnuSaveFltClick();
  void mnuLoadFltClick();
  // Opens the analysis window beside the dialog, or brings it forward.
  void mnuAnalysisClick();

  // The analysis window once it was first opened (nullptr until then).
  TfrmAnalysis* AnalysisWindow() const { return analysis_.get(); }

  // --- controls ---
  ui::PageControl* RzPageControl1;
  ui::TabSheet* TabSheet1;
  ui::TabSheet* TabSheet2;
  ui::Panel* RzPanel1;
  ui::Panel* RzPanel2;
  ui::Panel* RzPanel3;
  ui::Label* Label31;
  ui::Label* Label32;
  std::array<ui::CheckBox*, 8> chkShot;       // index = level
  std::array<ui::SpinEdit*, 8> edtShotA;      // edtShot<d>a
  std::array<ui::SpinEdit*, 8> edtShotB;      // edtShot<d>b
  std::array<ui::SpinEdit*, 8> edtCanErrA;    // edtCanErr<d>a
  std::array<ui::SpinEdit*, 8> edtCanErrB;    // edtCanErr<d>b
  ui::Bevel* Bevel1;
  ui::CheckBox* chkCanErr;
  ui::SpinEdit* edtCanErr1;
  ui::Label* Label16;
  ui::SpinEdit* edtCanErr2;
  ui::MenuButton* RzMenuButton1;
  ui::CheckBox* chkCanSupErr;
  ui::SpinEdit* edtCanSupErr1;
  ui::Label* Label33;
  ui::SpinEdit* edtCanSupErr2;
  ui::Button* btnOK;
  ui::Button* btnCancel;
  ui::Label* Label2;
  ui::Label* Label1;
  ui::ListBox* lbMVDChip;
  ui::Label* lblMVDInfo;
  ui::Button* btnLoad;
  ui::Button* btnAdd;
  ui::Button* btnDelete;
  ui::Button* btnClear;
  ui::OpenDialog* fdlgOpen;
  ui::SaveDialog* fdlgSave;
  ui::PopupMenu* PopupMenu1;
  ui::MenuItem* mnuSaveFlt;
  ui::MenuItem* mnuLoadFlt;
  ui::MenuItem* mnuAnalysis;

 private:
  // Every edit of the state that the filter string carries ends here: the
  // analysis window follows it.
  void Edited();
  std::unique_ptr<TfrmAnalysis> analysis_;

  enum class FileCommand { Save, Load, Import };
  // The one place where a file command's status becomes what the user sees.
  void ShowFileStatus(FileCommand command, const FileStatus& status,
                      const std::filesystem::path& path);
  FileStatus WriteFilterStr(const std::filesystem::path& path, std::string_view filterStr);
};

}  // namespace qv
