#include "FltSetup.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <utility>
#include <vector>

#include "AnalysisWindow.h"
#include "BetResultFile.h"
#include "ConditionFile.h"
#include "ControlIds.h"
#include "DialogFilterStr.h"
#include "FilterString.h"
#include "FilterStringWriter.h"
#include "IntConv.h"
#include "Texts.h"
#include "UiApplication.h"
#include "EntryDialog.h"

namespace qv {

using ui::Cp;

namespace {

constexpr int kSheetWidth = 672;
constexpr int kSheetHeight = 367;
constexpr int kConditionsWidth = 424;
constexpr int kBetsWidth = kSheetWidth - kConditionsWidth;  // 248
constexpr int kRowHeight = 21;

ui::Label* MakeLabel(ui::Form& f, ui::Container& parent, std::string name, int id, ui::Rect r,
                     std::string_view caption) {
  auto* l = f.Make<ui::Label>(parent, std::move(name));
  l->SetId(id);
  l->SetBounds(r);
  l->SetCaption(caption, Cp::Gb2312);
  return l;
}

ui::SpinEdit* MakeSpin(ui::Form& f, ui::Container& parent, std::string name, int id, ui::Rect r,
                       int max = 100) {
  auto* s = f.Make<ui::SpinEdit>(parent, std::move(name));
  s->SetId(id);
  s->SetBounds(r);
  s->SetMax(max);
  // A text keeps the value preparation reads from the filter string.
  s->SetNumberReader(&StrToClampableInt);
  s->SetEnabled(false);
  return s;
}

ui::Button* MakeButton(ui::Form& f, ui::Container& parent, std::string name, int id, ui::Rect r,
                       std::string_view caption) {
  auto* b = f.Make<ui::Button>(parent, std::move(name));
  b->SetId(id);
  b->SetBounds(r);
  b->SetCaption(caption, Cp::Gb2312);
  return b;
}

std::string CountText(int count) { return texts::kCountPrefix + std::to_string(count); }

// "命中  7 星的媒体概率：" with the row's digit.
std::string LevelCaption(int d) {
  return std::string(texts::kLevelCaptionHead) + static_cast<char>('0' + d) +
         texts::kLevelCaptionTail;
}

}  // namespace

TfrmFltSetup::TfrmFltSetup() : ui::Form("frmFltSetup") {
  ui::SetAppTitle(texts::kAppTitle, Cp::Gb2312);
  SetCaption(texts::kSetupCaption, Cp::Gb2312);
  SetClientSize(676, 393);
  SetScreenCenter();
  SetFont(ui::Font{"SimSun", 12, false, std::nullopt, ui::Charset::Gb2312});

  RzPageControl1 = Make<ui::PageControl>(*this, "RzPageControl1");
  RzPageControl1->SetId(ids::kPageControl);
  RzPageControl1->SetBounds({0, 0, 676, 393});
  TabSheet1 = Make<ui::TabSheet>(*RzPageControl1, "TabSheet1");
  TabSheet1->SetId(ids::kTabSheet1);
  TabSheet1->SetCaption(texts::kTabSheet1Caption, Cp::Gb2312);
  TabSheet1->SetBounds({0, 0, kSheetWidth, kSheetHeight});
  TabSheet2 = Make<ui::TabSheet>(*RzPageControl1, "TabSheet2");
  TabSheet2->SetId(ids::kTabSheet2);
  TabSheet2->SetCaption(texts::kTabSheet2Caption, Cp::Gb2312);
  TabSheet2->SetBounds({0, 0, kSheetWidth, kSheetHeight});
  TabSheet2->SetTabVisible(false);
  RzPageControl1->SetActivePage(TabSheet1);

  // --- conditions ---------------------------------------------------------
  RzPanel1 = Make<ui::Panel>(*TabSheet1, "RzPanel1");
  RzPanel1->SetId(ids::kConditionsPanel);
  RzPanel1->SetBounds({kBetsWidth, 0, kConditionsWidth, kSheetHeight});
  ui::Panel& p1 = *RzPanel1;

  Label31 = MakeLabel(*this, p1, "Label31", ids::kAllowedHeader, {184, 9, 96, 14}, texts::kAllowedHeader);
  Label32 = MakeLabel(*this, p1, "Label32", ids::kToleranceHeader, {304, 9, 96, 14}, texts::kToleranceHeader);

  for (int d = 7; d >= 0; --d) {
    const int top = 32 + 24 * (7 - d);
    const std::string n(1, static_cast<char>('0' + d));
    auto* chk = Make<ui::CheckBox>(p1, "chkShot" + n);
    chk->SetId(ids::LevelBox(d));
    chk->SetBounds({24, top, 151, 17});
    chk->SetCaption(LevelCaption(d), Cp::Gb2312);
    chk->OnClick = [this](ui::CheckBox& c) { chkShot7Click(c); };
    chkShot[d] = chk;
    edtShotA[d] = MakeSpin(*this, p1, "edtShot" + n + "a", ids::AllowedLow(d), {176, top - 2, 45, kRowHeight});
    MakeLabel(*this, p1, "lblShot" + n + "To", ids::AllowedDash(d), {222, top + 2, 8, 14}, "-");
    edtShotB[d] = MakeSpin(*this, p1, "edtShot" + n + "b", ids::AllowedHigh(d), {230, top - 2, 45, kRowHeight});
    MakeLabel(*this, p1, "lblShot" + n + "Pct", ids::AllowedPct(d), {277, top + 2, 12, 14}, "%");
    edtCanErrA[d] = MakeSpin(*this, p1, "edtCanErr" + n + "a", ids::ToleranceLow(d), {296, top - 2, 45, kRowHeight});
    MakeLabel(*this, p1, "lblCanErr" + n + "To", ids::ToleranceDash(d), {342, top + 2, 8, 14}, "-");
    edtCanErrB[d] = MakeSpin(*this, p1, "edtCanErr" + n + "b", ids::ToleranceHigh(d), {350, top - 2, 45, kRowHeight});
    MakeLabel(*this, p1, "lblCanErr" + n + "Pct", ids::TolerancePct(d), {397, top + 2, 12, 14}, "%");
  }

  Bevel1 = Make<ui::Bevel>(p1, "Bevel1");
  Bevel1->SetId(ids::kBevel);
  Bevel1->SetBounds({29, 224, 377, 2});

  // The filter string carries one character per E and S bound, so those
  // four fields hold one digit.
  chkCanErr = Make<ui::CheckBox>(p1, "chkCanErr");
  chkCanErr->SetId(ids::kEBox);
  chkCanErr->SetBounds({25, 250, 17, 17});
  chkCanErr->OnClick = [this](ui::CheckBox&) { chkCanErrClick(); };
  edtCanErr1 = MakeSpin(*this, p1, "edtCanErr1", ids::kELow, {42, 248, 47, kRowHeight}, 9);
  Label16 = MakeLabel(*this, p1, "Label16", ids::kERangeLabel, {92, 252, 70, 14}, texts::kERangeLabel);
  edtCanErr2 = MakeSpin(*this, p1, "edtCanErr2", ids::kEHigh, {164, 248, 47, kRowHeight}, 9);
  RzMenuButton1 = Make<ui::MenuButton>(p1, "RzMenuButton1");
  RzMenuButton1->SetId(ids::kMenuButton);
  RzMenuButton1->SetBounds({321, 248, 81, 25});
  RzMenuButton1->SetCaption(texts::kMenuButtonCaption, Cp::Gb2312);

  chkCanSupErr = Make<ui::CheckBox>(p1, "chkCanSupErr");
  chkCanSupErr->SetId(ids::kSBox);
  chkCanSupErr->SetBounds({25, 274, 17, 17});
  chkCanSupErr->SetEnabled(false);
  // Its enabling follows at once instead of waiting for the next click on
  // chkCanErr.
  chkCanSupErr->OnClick = [this](ui::CheckBox&) { chkCanErrClick(); };
  edtCanSupErr1 = MakeSpin(*this, p1, "edtCanSupErr1", ids::kSLow, {42, 272, 47, kRowHeight}, 9);
  Label33 = MakeLabel(*this, p1, "Label33", ids::kSRangeLabel, {98, 276, 60, 14}, texts::kSRangeLabel);
  edtCanSupErr2 = MakeSpin(*this, p1, "edtCanSupErr2", ids::kSHigh, {164, 272, 47, kRowHeight}, 9);

  btnOK = MakeButton(*this, p1, "btnOK", ids::kOk, {322, 284, 80, 25}, texts::kOkCaption);
  btnOK->OnClick = [this](ui::Button&) { btnOKClick(); };
  btnCancel = MakeButton(*this, p1, "btnCancel", ids::kCancel, {321, 316, 81, 25}, texts::kCancelCaption);
  btnCancel->SetModalResult(ui::ModalResult::Cancel);

  Label2 = MakeLabel(*this, p1, "Label2", ids::kNotes, {22, 309, 299, 41},
                     std::string(texts::kNotesLine1) + "\r" + texts::kNotesLine2 + "\r" +
                         texts::kNotesLine3);
  Label2->SetWordWrap(true);

  // Keyboard order: the allowed bands, the tolerance bands, the level boxes,
  // then the E and S rows and the buttons.
  {
    std::vector<ui::Control*> order;
    for (int d = 7; d >= 0; --d) {
      order.push_back(edtShotA[d]);
      order.push_back(edtShotB[d]);
    }
    for (int d = 7; d >= 0; --d) {
      order.push_back(edtCanErrA[d]);
      order.push_back(edtCanErrB[d]);
    }
    for (int d = 7; d >= 0; --d) order.push_back(chkShot[d]);
    for (ui::Control* c : {static_cast<ui::Control*>(chkCanErr), static_cast<ui::Control*>(edtCanErr1),
                           static_cast<ui::Control*>(edtCanErr2), static_cast<ui::Control*>(chkCanSupErr),
                           static_cast<ui::Control*>(edtCanSupErr1),
                           static_cast<ui::Control*>(edtCanSupErr2),
                           static_cast<ui::Control*>(RzMenuButton1), static_cast<ui::Control*>(btnOK),
                           static_cast<ui::Control*>(btnCancel)})
      order.push_back(c);
    for (size_t i = 0; i < order.size(); ++i) order[i]->SetTabOrder(static_cast<int>(i));
  }

  // --- media bets ---------------------------------------------------------
  RzPanel2 = Make<ui::Panel>(*TabSheet1, "RzPanel2");
  RzPanel2->SetId(ids::kBetsPanel);
  RzPanel2->SetBounds({0, 0, kBetsWidth, kSheetHeight});
  RzPanel2->SetBorderWidth(4);
  ui::Panel& p2 = *RzPanel2;
  constexpr int inner = kBetsWidth - 8;
  Label1 = MakeLabel(*this, p2, "Label1", ids::kBetsLabel, {4, 4, inner, 18}, texts::kBetsLabel);
  constexpr int panel3Top = kSheetHeight - 4 - 25;
  constexpr int infoTop = panel3Top - 18;
  lbMVDChip = Make<ui::ListBox>(p2, "lbMVDChip");
  lbMVDChip->SetId(ids::kBetList);
  lbMVDChip->SetBounds({4, 22, inner, infoTop - 22});
  lbMVDChip->OnClick = [this](ui::ListBox&) { lbMVDChipClick(); };
  lblMVDInfo = MakeLabel(*this, p2, "lblMVDInfo", ids::kBetCount, {4, infoTop, inner, 18}, texts::kCountInitial);
  RzPanel3 = Make<ui::Panel>(p2, "RzPanel3");
  RzPanel3->SetId(ids::kButtonsPanel);
  RzPanel3->SetBounds({4, panel3Top, inner, 25});
  btnLoad = MakeButton(*this, *RzPanel3, "btnLoad", ids::kImport, {0, 1, 53, 23}, texts::kLoadCaption);
  btnLoad->OnClick = [this](ui::Button&) { btnLoadClick(); };
  btnAdd = MakeButton(*this, *RzPanel3, "btnAdd", ids::kAdd, {56, 1, 53, 23}, texts::kAddCaption);
  btnAdd->OnClick = [this](ui::Button&) { btnAddClick(); };
  btnDelete = MakeButton(*this, *RzPanel3, "btnDelete", ids::kDelete, {112, 1, 53, 23}, texts::kDeleteCaption);
  btnDelete->OnClick = [this](ui::Button&) { btnDeleteClick(); };
  btnClear = MakeButton(*this, *RzPanel3, "btnClear", ids::kClear, {176, 1, 53, 23}, texts::kClearCaption);
  btnClear->OnClick = [this](ui::Button&) { btnClearClick(); };
  RzPanel3->SetTabOrder(0);  // the buttons, then the list
  lbMVDChip->SetTabOrder(1);
  RzPanel1->SetTabOrder(0);  // conditions first

  // --- non-visual ---------------------------------------------------------
  fdlgOpen = Make<ui::OpenDialog>(*this, "fdlgOpen");
  fdlgSave = Make<ui::SaveDialog>(*this, "fdlgSave");
  PopupMenu1 = Make<ui::PopupMenu>(*this, "PopupMenu1");
  mnuSaveFlt = &PopupMenu1->AddItem("mnuSaveFlt", texts::kSaveFltCaption, Cp::Gb2312);
  mnuSaveFlt->OnClick = [this](ui::MenuItem&) { mnuSaveFltClick(); };
  mnuLoadFlt = &PopupMenu1->AddItem("mnuLoadFlt", texts::kLoadFltCaption, Cp::Gb2312);
  mnuLoadFlt->OnClick = [this](ui::MenuItem&) { mnuLoadFltClick(); };
  mnuAnalysis = &PopupMenu1->AddItem("mnuAnalysis", texts::kAnalysisMenuCaption, Cp::Gb2312);
  mnuAnalysis->SetCommandId(ids::kAnalysisMenu);
  mnuAnalysis->OnClick = [this](ui::MenuItem&) { mnuAnalysisClick(); };
  RzMenuButton1->SetMenu(PopupMenu1);

  for (auto* fields : {&edtShotA, &edtShotB, &edtCanErrA, &edtCanErrB})
    for (ui::SpinEdit* e : *fields) e->OnChange = [this](ui::Edit&) { Edited(); };
  for (ui::SpinEdit* e : {edtCanErr1, edtCanErr2, edtCanSupErr1, edtCanSupErr2})
    e->OnChange = [this](ui::Edit&) { Edited(); };

  SetDefaultButton(btnOK);
  SetCancelButton(btnCancel);
  FormCreate();
}

// The analysis window goes first: it joins its worker.
TfrmFltSetup::~TfrmFltSetup() { analysis_.reset(); }

void TfrmFltSetup::FormCreate() { CancelFlag = 1; }

void TfrmFltSetup::Edited() {
  if (analysis_) analysis_->SetupChanged();
}

void TfrmFltSetup::mnuAnalysisClick() {
  if (!analysis_) analysis_ = std::make_unique<TfrmAnalysis>(*this);
  if (analysis_->Showing()) {
    analysis_->BringToFront();
    return;
  }
  analysis_->ShowModeless(*this);
}

// --- enabling ------------------------------------------------------------------

void TfrmFltSetup::chkShot7Click(ui::CheckBox& sender) {
  // The level is the integer of the name's characters from the 8th on.
  const std::string& name = sender.Name();
  const std::string n = name.size() > 7 ? name.substr(7, 2) : std::string();
  const std::optional<int32_t> level = StrToInt32(n);
  if (!level) return;
  const std::string digits = std::to_string(*level);
  const bool on = sender.Checked();
  for (const std::string& edit : {"edtShot" + digits + "a", "edtShot" + digits + "b",
                                  "edtCanErr" + digits + "a", "edtCanErr" + digits + "b"}) {
    if (auto* e = Find<ui::SpinEdit>(edit)) e->SetEnabled(on);
  }
  Edited();
}

void TfrmFltSetup::chkCanErrClick() {
  const bool on = chkCanErr->Checked();
  edtCanErr1->SetEnabled(on);
  edtCanErr2->SetEnabled(on);
  chkCanSupErr->SetEnabled(on);
  const bool sup = chkCanSupErr->Enabled() && chkCanSupErr->Checked();
  edtCanSupErr1->SetEnabled(sup);
  edtCanSupErr2->SetEnabled(sup);
  Edited();
}

// --- the media bet list ------------------------------------------------------

// Every change of the list but an Add ends here.
void TfrmFltSetup::ShowBetCount() {
  lblMVDInfo->SetCaption(CountText(lbMVDChip->Count()), Cp::Gb2312);
  Edited();
}

void TfrmFltSetup::lbMVDChipClick() {
  char buf[128];
  std::snprintf(buf, sizeof buf, texts::kCountPositionFormat, lbMVDChip->Count(),
                lbMVDChip->ItemIndex() + 1);
  lblMVDInfo->SetCaption(buf, Cp::Gb2312);
}

void TfrmFltSetup::btnAddClick() {
  TfrmInputMDChip entry;
  entry.ShowModal();
  if (entry.CancelFlag == 0) {
    lbMVDChip->AddItem(entry.InputText());
    Edited();
  }
}

void TfrmFltSetup::btnDeleteClick() {
  const int i = lbMVDChip->ItemIndex();
  if (lbMVDChip->Count() == 0 || i < 0) return;
  lbMVDChip->DeleteItem(i);
  if (lbMVDChip->Count() > 0) lbMVDChip->SetItemIndex(std::min(i, lbMVDChip->Count() - 1));
  ShowBetCount();
}

void TfrmFltSetup::btnClearClick() {
  lbMVDChip->ClearItems();
  ShowBetCount();
}

// --- OK ----------------------------------------------------------------------------

namespace {
// 命中概率中不能含有符号！请重新输入。
constexpr char kBandSignMessage[] =
    "\xC3\xFC\xD6\xD0\xB8\xC5\xC2\xCA\xD6\xD0\xB2\xBB\xC4\xDC\xBA\xAC\xD3\xD0\xB7\xFB\xBA\xC5"
    "\xA3\xA1\xC7\xEB\xD6\xD8\xD0\xC2\xCA\xE4\xC8\xEB\xA1\xA3";
}  // namespace

bool TfrmFltSetup::CheckRangeDigits() {
  // A "-", "|" or ")" in a checked level's text (a typed sign confirmed with
  // Enter, pasted text) would be read as a separator: the string would no
  // longer read back to what the dialog shows.
  for (int d = 0; d < 8; ++d) {
    if (!chkShot[d]->Checked()) continue;
    for (const ui::SpinEdit* e : {edtShotA[d], edtShotB[d], edtCanErrA[d], edtCanErrB[d]})
      if (e->Text().find_first_of("-|)") != std::string::npos) {
        ui::ShowMessage(kBandSignMessage);
        return false;
      }
  }
  const bool eOk = !chkCanErr->Checked() ||
                   (IsOneDigit(edtCanErr1->Text()) && IsOneDigit(edtCanErr2->Text()));
  const bool sOk = !chkCanSupErr->Checked() ||
                   (IsOneDigit(edtCanSupErr1->Text()) && IsOneDigit(edtCanSupErr2->Text()));
  if (eOk && sOk) return true;
  ui::ShowMessage(texts::kRangeDigitMessage);
  return false;
}

void TfrmFltSetup::btnOKClick() {
  if (lbMVDChip->Count() == 0) {
    ui::MessageBoxArgs box;
    box.text = texts::kEmptyListMessage;
    box.caption = texts::kEmptyListCaption;
    box.icon = ui::MessageIcon::Error;
    ui::ShowMessageBox(box);
    return;
  }
  if (!CheckRangeDigits()) return;
  CancelFlag = 0;
  SetModalResult(ui::ModalResult::Ok);
}

// --- the filter string -----------------------------------------------------------

void TfrmFltSetup::BuildFilterStr(std::string& out) const {
  std::string s;
  for (ui::Control* c : RzPanel1->Controls()) {
    auto* chk = dynamic_cast<ui::CheckBox*>(c);
    if (!chk || !chk->Checked()) continue;
    const std::string& name = chk->Name();
    if (name.size() < 8 || name.compare(3, 4, "Shot") != 0) continue;
    const std::string d(1, name[7]);
    auto text = [this](const std::string& n) -> std::string_view {
      auto* e = Find<ui::SpinEdit>(n);
      return e ? std::string_view(e->Text()) : std::string_view();
    };
    AppendMSection(s, {d, text("edtShot" + d + "a"), text("edtShot" + d + "b"),
                       text("edtCanErr" + d + "a"), text("edtCanErr" + d + "b")});
  }
  if (chkCanErr->Checked()) AppendRange(s, 'E', {edtCanErr1->Text(), edtCanErr2->Text()});
  if (chkCanSupErr->Checked()) AppendRange(s, 'S', {edtCanSupErr1->Text(), edtCanSupErr2->Text()});
  if (lbMVDChip->Count() > 0) AppendMediaBets(s, lbMVDChip->Items());
  out.swap(s);
}

std::string TfrmFltSetup::BuildFilterStr() const {
  std::string s;
  BuildFilterStr(s);
  return s;
}

bool TfrmFltSetup::ApplyFilterStr(std::string_view filterStr, size_t* skippedBets) {
  // Read first, then set every control once: the boxes in section order
  // (their click handling runs before their fields are filled), then the
  // texts of each level's last section, the E row before the S row, and the
  // media bets in one batch.
  const std::string copy(filterStr);
  const DialogFilterStr r = ReadDialogFilterStr(copy);
  for (int d : r.checkOrder) {
    const std::string n(1, static_cast<char>('0' + d));
    if (auto* chk = Find<ui::CheckBox>("chkShot" + n)) chk->SetChecked(true);
  }
  for (int d = 0; d < 8; ++d) {
    if (!r.levels[d]) continue;
    const auto& t = *r.levels[d];
    edtShotA[d]->SetText(t[0]);
    edtShotB[d]->SetText(t[1]);
    edtCanErrA[d]->SetText(t[2]);
    edtCanErrB[d]->SetText(t[3]);
  }
  if (r.e) {
    chkCanErr->SetChecked(true);
    edtCanErr1->SetText(r.e->lo);
    edtCanErr2->SetText(r.e->hi);
  }
  if (r.s) {
    chkCanSupErr->SetChecked(true);
    edtCanSupErr1->SetText(r.s->lo);
    edtCanSupErr2->SetText(r.s->hi);
  }
  size_t skipped = 0;
  if (!r.bets.empty()) {
    auto guard = lbMVDChip->BeginUpdate();
    for (std::string_view bet : r.bets) {
      if (CanCarryMediaBet(bet)) {
        lbMVDChip->AddItem(std::string(bet));
      } else {
        ++skipped;
      }
    }
  }
  ShowBetCount();
  if (skippedBets) *skippedBets = skipped;
  return r.complete;
}

bool TfrmFltSetup::OpenFilterStr(std::string_view filterStr) {
  size_t skipped = 0;
  if (!ApplyFilterStr(filterStr, &skipped)) {
    // A string that no dialog of ours wrote: say so instead of showing half
    // of it.
    ui::ShowMessage(texts::kCannotShowMessage);
    return false;
  }
  if (skipped > 0) ui::ShowMessage(texts::SkippedBetsMessage(skipped));
  return true;
}

// --- files -----------------------------------------------------------------------

void TfrmFltSetup::ShowFileStatus(FileCommand command, const FileStatus& status,
                                  const std::filesystem::path& path) {
  switch (command) {
    case FileCommand::Save:
      if (!status.Ok()) ui::ShowMessage(texts::kSaveFailedMessage);
      return;
    case FileCommand::Load:
      if (!status.Ok()) ui::ShowMessage(texts::kLoadFailedMessage);
      break;
    case FileCommand::Import:
      // The import's failures reach the error display, as an error that
      // escaped the handler would.
      if (status.kind == FileStatus::Kind::CannotOpen) {
        ui::ShowException(texts::kCannotOpenFilePrefix + ui::CurrentBackend().PathToBytes(path));
        return;
      }
      if (!status.Ok()) {
        ui::ShowException(texts::kStreamReadError);
        return;
      }
      break;
  }
  if (status.skipped > 0) ui::ShowMessage(texts::SkippedBetsMessage(status.skipped));
}

FileStatus TfrmFltSetup::WriteFilterStr(const std::filesystem::path& path,
                                        std::string_view filterStr) {
  const FileStatus status = WriteConditionFile(path, filterStr);
  ShowFileStatus(FileCommand::Save, status, path);
  return status;
}

std::optional<FileStatus> TfrmFltSetup::SaveConditionFile(const std::filesystem::path& path) {
  if (!CheckRangeDigits()) return std::nullopt;
  return WriteFilterStr(path, BuildFilterStr());
}

FileStatus TfrmFltSetup::LoadConditionFile(const std::filesystem::path& path) {
  size_t skipped = 0;
  FileStatus status = ReadConditionFile(path, [this, &skipped](std::string_view line) {
    size_t n = 0;
    const bool shown = ApplyFilterStr(line, &n);
    skipped += n;
    return shown;
  });
  status.skipped = skipped;
  ShowFileStatus(FileCommand::Load, status, path);
  return status;
}

FileStatus TfrmFltSetup::ImportBetResultFile(const std::filesystem::path& path) {
  BetResultBets r = ReadBetResultFile(path);
  if (r.status.Ok()) {
    {
      auto guard = lbMVDChip->BeginUpdate();
      lbMVDChip->ClearItems();
      for (std::string& bet : r.bets) lbMVDChip->AddItem(std::move(bet));
    }
    ShowBetCount();
  }
  ShowFileStatus(FileCommand::Import, r.status, path);
  return r.status;
}

void TfrmFltSetup::mnuSaveFltClick() {
  // The string is built, and its ranges checked, before any file dialog.
  if (!CheckRangeDigits()) return;
  const std::string filterStr = BuildFilterStr();
  if (!fdlgSave->Execute()) return;
  WriteFilterStr(fdlgSave->FileName(), filterStr);
}

void TfrmFltSetup::mnuLoadFltClick() {
  if (!fdlgOpen->Execute()) return;
  LoadConditionFile(fdlgOpen->FileName());
}

void TfrmFltSetup::btnLoadClick() {
  fdlgOpen->SetFilter(texts::kBetResultFileFilter, Cp::Gb2312);
  if (!fdlgOpen->Execute()) return;
  ImportBetResultFile(fdlgOpen->FileName());
}

}  // namespace qv
