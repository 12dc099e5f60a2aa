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
#include <string>
#include <string_view>

#include "UiControls.h"

namespace qv {

class TfrmFltSetup : public ui::Form {
 public:
  TfrmFltSetup();

  // 1 from creation; 0 only once OK has been accepted.
  uint8_t CancelFlag = 1;

  // Replaces out with the filter string of the controls' present state.
  void BuildFilterStr(std::string& out) const;
  std::string BuildFilterStr() const;

  // Shows a filter string in the controls, merging it into what they hold.
  // False when the string is not of the filter string's format: it is read
  // up to the first section the dialog cannot show (a level digit outside
  // 0..7, an "M" with no ")" after it); what came before stays applied.
  // The count label is rewritten either way.  Shows nothing.
  bool ApplyFilterStr(std::string_view filterStr);

  // True when every E and S bound that the filter string would carry is a
  // single digit; otherwise shows why and returns false.
  bool CheckRangeDigits();

  // The file operations behind the menu and the import button, for a file
  // already chosen.  They report to the user as the handlers do (message
  // boxes; ImportBetResultFile throws std::runtime_error with "Cannot open
  // file %s" or "Stream read error", which the handler leaves to the error
  // display).  True on success.
  bool SaveConditionFile(const std::filesystem::path& path);
  bool LoadConditionFile(const std::filesystem::path& path);
  bool ImportBetResultFile(const std::filesystem::path& path);

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
};

}  // namespace qv
