#include "AnalysisWindow.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <exception>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "Backtest.h"
#include "CensusCounts.h"
#include "ChanceTest.h"
#include "ControlIds.h"
#include "DialogFilterStr.h"
#include "Filter.h"
#include "FltSetup.h"
#include "HistoryFile.h"
#include "IntConv.h"
#include "Pipeline.h"
#include "Texts.h"

namespace qv {

using ui::Cp;

namespace {

constexpr int kMargin = 8;
constexpr int kChartWidth = 300;
constexpr int kChartHeight = 130;
constexpr int kWithoutHeight = 16;
constexpr int kCellHeight = kChartHeight + kWithoutHeight + 4;
constexpr int kChartsTop = 48;
constexpr int kHistoryRowHeight = 23;
constexpr int kHistoryListHeight = 150;
constexpr int kHistorySummaryHeight = 44;  // three lines
constexpr int kHistoryHeight = kHistoryRowHeight + 4 + kHistoryListHeight + 4 + kHistorySummaryHeight;

std::string LevelText(int d, const char* tail) {
  return std::string(texts::kLevelHead) + static_cast<char>('0' + d) + tail;
}

// Media bets (the dialog's or a draw's) as the filter string writes them
// after "TJ".
std::string BetsText(const std::vector<std::string>& bets) {
  std::string text;
  for (const std::string& bet : bets) text += bet + '|';
  return text;
}

// The dialog's settings as the engine prepares them, or why they cannot be
// judged.
struct Settings {
  std::string reason;  // GB2312; empty when conds and ranges hold the settings
  std::string bands;   // the filter string up to its media bets
  TArrMD conds;
  MissRanges ranges;
};

Settings JudgeSettings(const TfrmFltSetup& setup) {
  Settings out;
  // The filter string without its bets: preparing it gives the conditions
  // and sections the whole string gives (no bet holds an "M", "E" or "S").
  std::string s = setup.BuildFilterStr();
  s.resize(s.size() - (setup.lbMVDChip->Count() > 0 ? 2 + BetsText(setup.lbMVDChip->Items()).size() : 0));
  out.bands = s;

  // The checked levels in the order their sections are written.
  std::vector<int> written;
  for (ui::Control* c : setup.RzPanel1->Controls())
    for (int d = 0; d < 8; ++d)
      if (c == setup.chkShot[d] && setup.chkShot[d]->Checked()) written.push_back(d);
  // A field that is no integer, or holds a character the string reads as a
  // separator, would make the string say something other than the dialog.
  for (int d : written)
    for (const ui::SpinEdit* e : {setup.edtShotA[d], setup.edtShotB[d], setup.edtCanErrA[d], setup.edtCanErrB[d]})
      if (e->Text().find_first_of("-|)") != std::string::npos || !StrToInt32(e->Text())) {
        out.reason = LevelText(d, texts::kLevelNotNumberTail);
        return out;
      }
  const bool eOk = !setup.chkCanErr->Checked() ||
                   (IsOneDigit(setup.edtCanErr1->Text()) && IsOneDigit(setup.edtCanErr2->Text()));
  const bool sOk = !setup.chkCanSupErr->Checked() ||
                   (IsOneDigit(setup.edtCanSupErr1->Text()) && IsOneDigit(setup.edtCanSupErr2->Text()));
  if (!eOk || !sOk) {
    out.reason = texts::kRangeDigitReason;
    return out;
  }

  FilterState f;
  f.FilterStr = std::move(s);
  const PrepareResult r = f.Prepare();
  switch (r.status) {
    case PrepareStatus::Accepted:
      out.conds = f.MDConds;
      out.ranges = f.Ranges();
      return out;
    case PrepareStatus::Empty:  // nothing checked
    case PrepareStatus::NoCondition: out.reason = texts::kNoConditionReason; return out;
    case PrepareStatus::BandsDoNotNest:
    case PrepareStatus::RangeOutOfOrder:
    case PrepareStatus::OutOfMemory: out.reason = host::reasons::RefusalReason(r, f.MDConds); return out;
    default: out.reason = texts::kNotReadableReason; return out;
  }
}

}  // namespace

std::string KeptText(const VerdictCounts& counts, uint64_t candidates) {
  const uint64_t hundredths = candidates == 0 ? 0 : (counts.passed * 20000 + candidates) / (2 * candidates);
  char share[32];
  std::snprintf(share, sizeof share, "%llu.%02llu", static_cast<unsigned long long>(hundredths / 100),
                static_cast<unsigned long long>(hundredths % 100));
  return texts::kKeptPassed + std::to_string(counts.passed) + texts::kKeptShare + share + texts::kKeptFailed +
         std::to_string(counts.failed) + texts::kKeptHardReject + std::to_string(counts.hardReject) +
         texts::kKeptUnit;
}

// --- the census on its worker -----------------------------------------------------

struct TfrmAnalysis::Job {
  CensusControl control;
  std::atomic<bool> stop{false};  // a calibration's cancelling
  std::thread thread;
};

template <class Body>
std::unique_ptr<TfrmAnalysis::Job> TfrmAnalysis::StartJob(Body body) {
  auto job = std::make_unique<Job>();
  Job* j = job.get();
  try {
    j->thread = std::thread([j, body = std::move(body)]() mutable {
      try {
        body(j);
      } catch (...) {
        // No memory left even to carry the result: the window goes on
        // showing the work as running until the next change.
      }
    });
  } catch (const std::exception&) {
    return nullptr;
  }
  return job;
}

struct TfrmAnalysis::Result {
  CensusStatus status = CensusStatus::Failed;
  Census census;
};

namespace {

// The census of the bets, on the calling thread and the hardware's others.
// progress(percent) after each slice that moved the percent.
CensusStatus CountShares(const std::string& bets, CensusControl& control, Census& out,
                         const std::function<void(int)>& progress) {
  try {
    CensusOptions o;
    o.jobs = std::max(1u, std::thread::hardware_concurrency());
    o.control = &control;
    int last = -1;
    o.onSlice = [&](uint32_t done, uint32_t total) {
      const int percent = total == 0 ? 100 : static_cast<int>(uint64_t{done} * 100 / total);
      if (percent != last) progress(last = percent);
    };
    host::BetsCensus built;
    const CensusStatus status = host::BuildBetsCensus(bets, built, o);
    if (status == CensusStatus::Done) out = std::move(built.census);
    return status;
  } catch (...) {
    return CensusStatus::Failed;
  }
}

}  // namespace

void TfrmAnalysis::StartCensus(const std::string& bets) {
  StopCensus(false);
  census_.reset();
  bets_ = bets;
  pbCensus->SetPosition(0);
  const uint64_t generation = generation_;
  ui::Mailbox* box = mailbox_.get();
  auto job = StartJob([this, box, generation, bets](Job* j) {
    auto result = std::make_shared<Result>();
    result->status = CountShares(bets, j->control, result->census, [&](int percent) {
      box->Post([this, generation, percent] {
        if (generation == generation_) pbCensus->SetPosition(percent);
      });
    });
    box->Post([this, j, result] { CensusEnded(j, *result); });
  });
  if (!job) {
    status_ = CensusStatus::Failed;
    return;
  }
  job_ = std::move(job);
}

void TfrmAnalysis::StopCensus(bool join) {
  ++generation_;  // its progress still queued is dropped
  if (job_) {
    job_->control.Cancel();
    stopped_.push_back(std::move(job_));
    status_ = CensusStatus::Cancelled;
  }
  if (!join) return;
  for (const std::unique_ptr<Job>& j : stopped_)
    if (j->thread.joinable()) j->thread.join();
  stopped_.clear();
}

bool TfrmAnalysis::JoinStopped(Job* job) {
  auto it = std::find_if(stopped_.begin(), stopped_.end(), [&](const auto& j) { return j.get() == job; });
  if (it == stopped_.end()) return false;
  (*it)->thread.join();
  stopped_.erase(it);
  return true;
}

void TfrmAnalysis::CancelCensus() {
  if (!job_) return;
  StopCensus(false);
  ShowState();
}

void TfrmAnalysis::CensusEnded(Job* job, Result& result) {
  // Its worker posted this as its last act: the join returns at once.
  if (job != job_.get()) {
    JoinStopped(job);
    return;
  }
  job_->thread.join();
  job_.reset();
  status_ = result.status;
  if (status_ == CensusStatus::Done) census_ = std::make_unique<Census>(std::move(result.census));
  ShowHistograms(census_ != nullptr);
  ShowState();
}

// --- the window -------------------------------------------------------------------------

TfrmAnalysis::TfrmAnalysis(TfrmFltSetup& setup) : ui::Form("frmAnalysis"), setup_(setup) {
  SetCaption(texts::kAnalysisCaption, Cp::Gb2312);
  SetClientSize(2 * kChartWidth + 3 * kMargin, kChartsTop + 4 * kCellHeight + kHistoryHeight + 2 * kMargin);
  SetBesideOwner();
  SetFont(ui::Font{"SimSun", 12, false, std::nullopt, ui::Charset::Gb2312});

  const int inner = ClientWidth() - 2 * kMargin;
  lblKept = Make<ui::Label>(*this, "lblKept");
  lblKept->SetId(ids::kKept);
  lblKept->SetBounds({kMargin, kMargin, inner, 16});
  pbCensus = Make<ui::ProgressBar>(*this, "pbCensus");
  pbCensus->SetId(ids::kCensusProgress);
  pbCensus->SetBounds({kMargin, kMargin + 20, inner, 14});
  pbCensus->SetVisible(false);

  // Level 7 first, as in the setup dialog: two charts a row.
  for (int d = 7; d >= 0; --d) {
    const int slot = 7 - d;
    const int left = kMargin + (slot % 2) * (kChartWidth + kMargin);
    const int top = kChartsTop + (slot / 2) * kCellHeight;
    const std::string n(1, static_cast<char>('0' + d));
    auto* chart = Make<ui::Chart>(*this, "chtLevel" + n);
    chart->SetId(ids::LevelChart(d));
    chart->SetBounds({left, top, kChartWidth, kChartHeight});
    chart->SetTexts(LevelText(d, texts::kChartCaptionTail), texts::kChartXLabel, texts::kChartYLabel, Cp::Gb2312);
    chart->SetBarColor(kShareBarColor);
    chart->SetCounts(std::vector<uint64_t>(kShareBins, 0));
    chtLevel[d] = chart;
    auto* without = Make<ui::Label>(*this, "lblWithout" + n);
    without->SetId(ids::PassedWithout(d));
    without->SetBounds({left, top + kChartHeight + 2, kChartWidth, kWithoutHeight});
    without->SetVisible(false);
    lblWithout[d] = without;
  }
  MakeHistoryPart(kChartsTop + 4 * kCellHeight + kMargin);

  OnShow = [this](ui::Form&) { Opened(); };
  OnClose = [this](ui::Form&) { Closed(); };
}

TfrmAnalysis::~TfrmAnalysis() {
  OnClose = nullptr;
  if (Modeless()) Close();
  StopHistory();
  StopCensus(true);
  mailbox_.reset();
}

void TfrmAnalysis::Opened() {
  if (!mailbox_) mailbox_ = std::make_unique<ui::Mailbox>();
  // A census that did not finish is counted again.
  if (!census_) bets_.clear();
  SetupChanged();
  if (history_.ok && !HistoryCounted() && !historyJob_) StartHistoryCensuses();
}

void TfrmAnalysis::Closed() {
  StopHistory();
  StopCensus(true);
  mailbox_.reset();
}

void TfrmAnalysis::SetupChanged() {
  if (!Showing() || !mailbox_) return;
  if (setup_.lbMVDChip->Count() == 0) {
    StopCensus(false);
    census_.reset();
    bets_.clear();
    status_ = CensusStatus::Done;
    ShowHistograms(false);
  } else if (std::string bets = BetsText(setup_.lbMVDChip->Items()); bets != bets_) {
    StartCensus(bets);
    ShowHistograms(false);
  }
  ShowState();
  ShowHistory();
}

void TfrmAnalysis::ShowHistograms(bool fromCensus) {
  if (!fromCensus && !chartsFromCensus_) return;
  chartsFromCensus_ = fromCensus;
  LevelHistograms h{};
  if (fromCensus) h = census_->Histograms();
  for (int d = 0; d < 8; ++d)
    chtLevel[d]->SetCounts(std::vector<uint64_t>(h[static_cast<size_t>(d)].begin(), h[static_cast<size_t>(d)].end()));
}

void TfrmAnalysis::ShowState() {
  pbCensus->SetVisible(job_ != nullptr || historyJob_ != nullptr);
  Settings settings;
  if (setup_.lbMVDChip->Count() == 0) {
    settings.reason = texts::kNoBetsReason;
  } else if (job_) {
    settings.reason = texts::kCensusRunning;
  } else if (!census_) {
    settings.reason = host::reasons::CensusReason(status_);
  } else {
    settings = JudgeSettings(setup_);
  }
  std::array<std::vector<ui::ChartBand>, 8> bands;
  std::array<std::optional<uint64_t>, 8> without;
  if (settings.reason.empty()) {
    lblKept->SetCaption(KeptText(census_->Count(settings.conds, settings.ranges), census_->Candidates()), Cp::Gb2312);
    const std::vector<uint64_t> passed = census_->PassedWithout(settings.conds, settings.ranges);
    for (size_t k = 0; k < settings.conds.size(); ++k) {
      const TMD& c = settings.conds[k];
      const auto d = static_cast<size_t>(c.Shot);
      bands[d] = {{c.CanErrA, c.CanErrB, kToleranceBandColor}, {c.ShotA, c.ShotB, kAllowedBandColor}};
      if (k < passed.size()) without[d] = passed[k];
    }
  } else {
    lblKept->SetCaption(settings.reason, Cp::Gb2312);
  }
  for (size_t d = 0; d < 8; ++d) {
    if (chtLevel[d]->Bands() != bands[d]) chtLevel[d]->SetBands(bands[d]);
    if (without[d]) lblWithout[d]->SetCaption(texts::kWithoutHead + std::to_string(*without[d]) + texts::kKeptUnit, Cp::Gb2312);
    lblWithout[d]->SetVisible(without[d].has_value());
  }
}


// --- the history part -----------------------------------------------------------

struct TfrmAnalysis::HistoryResult {
  CensusStatus status = CensusStatus::Failed;
  std::vector<Census> censuses;  // one per draw, when Done
  std::optional<host::CalibrationResult> calibration;  // a calibration's
};

namespace {

// The message for a history file that cannot be used; empty for Done.
const char* HistoryFileMessage(host::HistoryFileStatus s) {
  using S = host::HistoryFileStatus;
  switch (s) {
    case S::Done: return "";
    case S::Directory: return texts::kHistoryDirectoryMessage;
    case S::CannotOpen: return texts::kLoadFailedMessage;
    case S::ReadError: return texts::kHistoryReadErrorMessage;
    case S::Empty: return texts::kHistoryEmptyMessage;
    case S::TooLarge: return texts::kHistoryTooLargeMessage;
    case S::NotUtf8: return texts::kHistoryNotUtf8Message;
  }
  return texts::kHistoryReadErrorMessage;
}

// A reason in UTF-8 for a message box in GB2312: ASCII as it is, any other
// character as "?".
std::string AsciiOnly(std::string_view utf8) {
  std::string out;
  for (unsigned char c : utf8)
    if (c < 0x80) out += static_cast<char>(c);
    else if (c >= 0xC0) out += '?';
  return out;
}

std::string Fixed(double v, int digits) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", digits, v);
  return text;
}

// The percent of a spin edit as the decimal text the calibration reads.
std::string PercentDecimal(int percent) {
  if (percent >= 100) return "1";
  return "0." + std::string(percent < 10 ? "0" : "") + std::to_string(percent);
}

}  // namespace

void TfrmAnalysis::MakeHistoryPart(int top) {
  int left = kMargin;
  auto place = [&](ui::Control* c, int width, int dy = 0, int height = kHistoryRowHeight) {
    c->SetBounds({left, top + dy, width, height});
    left += width + 6;
  };
  auto button = [&](const char* name, int id, const char* caption, int width) {
    auto* b = Make<ui::Button>(*this, name);
    b->SetId(id);
    b->SetCaption(caption, Cp::Gb2312);
    place(b, width);
    return b;
  };
  auto label = [&](const char* name, int id, const char* caption, int width) {
    auto* l = Make<ui::Label>(*this, name);
    l->SetId(id);
    l->SetCaption(caption, Cp::Gb2312);
    place(l, width, 4, 16);
    return l;
  };
  auto spin = [&](const char* name, int id, int min, int max, int value) {
    auto* e = Make<ui::SpinEdit>(*this, name);
    e->SetId(id);
    e->SetNumberReader(&StrToClampableInt);
    e->SetMin(min);
    e->SetMax(max);
    e->SetValue(value);
    place(e, 52);
    return e;
  };
  btnHistory = button("btnHistory", ids::kHistoryButton, texts::kHistoryButton, 96);
  btnHistory->OnClick = [this](ui::Button&) { btnHistoryClick(); };
  lblRecall = label("lblRecall", ids::kRecallLabel, texts::kRecallLabel, 84);
  edtRecall = spin("edtRecall", ids::kRecall, 1, 100, 90);
  lblHoldout = label("lblHoldout", ids::kHoldoutLabel, texts::kHoldoutLabel, 64);
  edtHoldout = spin("edtHoldout", ids::kHoldout, 0, 0, 0);
  btnCalibrate = button("btnCalibrate", ids::kCalibrate, texts::kCalibrateButton, 64);
  btnCalibrate->OnClick = [this](ui::Button&) { btnCalibrateClick(); };
  btnApply = button("btnApply", ids::kApply, texts::kApplyButton, 96);
  btnApply->OnClick = [this](ui::Button&) { btnApplyClick(); };

  const int inner = ClientWidth() - 2 * kMargin;
  top += kHistoryRowHeight + 4;
  lvHistory = Make<ui::ListView>(*this, "lvHistory");
  lvHistory->SetId(ids::kHistoryList);
  lvHistory->SetBounds({kMargin, top, inner, kHistoryListHeight});
  lvHistory->AddColumn(texts::kHistoryDrawColumn, Cp::Gb2312, 150);
  lvHistory->AddColumn(texts::kHistoryWinnerColumn, Cp::Gb2312, 100);
  lvHistory->AddColumn(texts::kHistoryBetsColumn, Cp::Gb2312, 80);
  lvHistory->AddColumn(texts::kHistoryResultColumn, Cp::Gb2312, 80);
  lvHistory->AddColumn(texts::kHistoryKeepColumn, Cp::Gb2312, 100);
  top += kHistoryListHeight + 4;
  lblHistory = Make<ui::Label>(*this, "lblHistory");
  lblHistory->SetId(ids::kHistorySummary);
  lblHistory->SetBounds({kMargin, top, inner, kHistorySummaryHeight});
  lblHistory->SetWordWrap(true);
  lblHistory->SetCaption(texts::kHistoryNone, Cp::Gb2312);

  fdlgHistory = Make<ui::OpenDialog>(*this, "fdlgHistory");
  fdlgHistory->SetFilter(texts::kHistoryFileFilter, Cp::Gb2312);
  UpdateButtons();
}

void TfrmAnalysis::btnHistoryClick() {
  if (!fdlgHistory->Execute()) return;
  LoadHistory(fdlgHistory->FileName());
}

bool TfrmAnalysis::LoadHistory(const std::filesystem::path& file) {
  std::string text;
  if (const host::HistoryFileStatus s = host::ReadHistoryFile(file, text); s != host::HistoryFileStatus::Done) {
    ui::ShowMessage(HistoryFileMessage(s));
    return false;
  }
  host::History h = host::ParseHistory(text, file.parent_path());
  if (!h.ok) {
    // The reason after "history line N: ", as the command prints it.
    std::string why = h.error;
    if (const size_t colon = why.find(": "); h.errorLine > 0 && colon != std::string::npos) why.erase(0, colon + 2);
    ui::ShowMessage(texts::kHistoryLineHead + std::to_string(h.errorLine) + texts::kHistoryLineTail + AsciiOnly(why));
    return false;
  }
  StopHistory();
  history_ = std::move(h);
  historyCensus_.reset();
  proposal_.reset();
  historyNote_.clear();
  edtHoldout->SetMax(static_cast<int>(std::min<size_t>(history_.draws.size() - 1, 100000)));
  if (Showing() && mailbox_) StartHistoryCensuses();
  ShowHistory();
  return true;
}

void TfrmAnalysis::StartHistoryCensuses() {
  StopHistory();
  historyCensus_.reset();
  calibrating_ = false;
  std::vector<std::string> bets;
  for (const host::HistoryDraw& d : history_.draws) bets.push_back(BetsText(d.bets));
  pbCensus->SetPosition(0);
  ui::Mailbox* box = mailbox_.get();
  auto job = StartJob([this, box, bets = std::move(bets)](Job* j) {
    auto result = std::make_shared<HistoryResult>();
    result->censuses.resize(bets.size());
    result->status = CensusStatus::Done;
    for (size_t i = 0; i < bets.size() && result->status == CensusStatus::Done; ++i)
      result->status = CountShares(bets[i], j->control, result->censuses[i], [&](int percent) {
        const int overall = static_cast<int>((i * 100 + static_cast<size_t>(percent)) / bets.size());
        box->Post([this, j, overall] {
          if (j == historyJob_.get()) pbCensus->SetPosition(overall);
        });
      });
    box->Post([this, j, result] { HistoryEnded(j, *result); });
  });
  if (!job) {
    historyNote_ = texts::kCensusFailed;
    return;
  }
  historyJob_ = std::move(job);
  ShowState();
}

void TfrmAnalysis::StopHistory() {
  if (historyJob_) {
    historyJob_->control.Cancel();
    historyJob_->stop = true;
    stopped_.push_back(std::move(historyJob_));
    historyNote_ = calibrating_ ? texts::kCalibrationCancelled : texts::kCensusCancelled;
  }
}

void TfrmAnalysis::CancelHistory() {
  if (!historyJob_) return;
  StopHistory();
  ShowState();
  ShowHistory();
}

void TfrmAnalysis::btnCalibrateClick() {
  if (!history_.ok || (historyJob_ && !calibrating_)) return;  // the draws' censuses first
  StopHistory();
  host::CalibrationRequest request;
  std::string why;
  host::ParseUnitDecimal("0.8", request.allowed, why);
  host::ParseUnitDecimal("1", request.tolerance, why);
  host::ParseUnitDecimal(PercentDecimal(edtRecall->Value()), request.recall, why);
  request.holdout = static_cast<size_t>(std::clamp<int>(edtHoldout->Value(), 0, static_cast<int>(history_.draws.size()) - 1));
  // The keep rates come from the draws' censuses when the bands are shown.
  request.backtest.keepRate.mode = host::KeepRateMode::None;
  request.backtest.jobs = std::max(1u, std::thread::hardware_concurrency());
  request.objective = objective_;
  calibrating_ = true;
  historyNote_.clear();
  pbCensus->SetPosition(0);
  ui::Mailbox* box = mailbox_.get();
  // The draws' censuses, when counted, serve the keep calibration.
  auto job = StartJob([this, box, request, draws = history_.draws, censuses = historyCensus_](Job* j) mutable {
    auto result = std::make_shared<HistoryResult>();
    request.draws = draws;
    if (censuses) request.censuses = *censuses;
    request.backtest.cancel = &j->stop;
    int last = -1;
    request.backtest.tick = [&](uint64_t done, uint64_t total) {
      const int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
      if (percent == last) return;
      last = percent;
      box->Post([this, j, percent] {
        if (j == historyJob_.get()) pbCensus->SetPosition(percent);
      });
    };
    result->calibration = host::RunCalibration(request);
    result->status = CensusStatus::Done;
    box->Post([this, j, result] { HistoryEnded(j, *result); });
  });
  if (!job) {
    calibrating_ = false;
    historyNote_ = texts::kCensusFailed;
    ShowHistory();
    return;
  }
  historyJob_ = std::move(job);
  ShowState();
  ShowHistory();
}

void TfrmAnalysis::HistoryEnded(Job* job, HistoryResult& result) {
  if (job != historyJob_.get()) {
    JoinStopped(job);
    return;
  }
  historyJob_->thread.join();
  historyJob_.reset();
  historyNote_.clear();
  if (calibrating_) {
    calibrating_ = false;
    using S = host::CalibrationResult::Status;
    const S status = result.calibration ? result.calibration->status : S::Failed;
    if (status == S::Cancelled) {
      historyNote_ = texts::kCalibrationCancelled;
    } else if (status == S::NoLevels) {
      historyNote_ = texts::kCalibrationNoLevels;
    } else if (status != S::Done) {
      historyNote_ = texts::kCensusFailed;
    } else {
      proposal_ = result.calibration->run.proposal;
      const host::CalibrationRun& run = result.calibration->run;
      // A blank between sections, so that the label can wrap the line.
      historyNote_ = texts::kProposalHead;
      for (char ch : proposal_->filterString) {
        if ((ch == 'M' || ch == 'E') && historyNote_.size() > sizeof texts::kProposalHead - 1) historyNote_ += ' ';
        historyNote_ += ch;
      }
      if (!proposal_->eReached) historyNote_ += texts::kProposalEMissed;
      if (run.holdout > 0)
        historyNote_ += texts::kProposalHeldOutHead + std::to_string(run.holdout) + texts::kProposalHeldOutKept +
                        std::to_string(run.outOfSample.summary.kept) + texts::kProposalHeldOutTail;
    }
  } else if (result.status == CensusStatus::Done) {
    historyCensus_ = std::make_shared<const std::vector<Census>>(std::move(result.censuses));
  } else {
    historyNote_ = host::reasons::CensusReason(result.status);
  }
  ShowState();
  ShowHistory();
}

void TfrmAnalysis::btnApplyClick() {
  if (!proposal_) return;
  const host::Proposal p = *proposal_;  // the edits below show the history again
  // As a user does it: a level's box first (it enables the fields), then
  // its fields; the E range checked, the S range cleared.
  for (int d = 7; d >= 0; --d) {
    const auto it = std::find_if(p.levels.begin(), p.levels.end(), [d](const host::LevelProposal& l) { return l.level == d; });
    const bool want = it != p.levels.end();
    if (setup_.chkShot[d]->Checked() != want) setup_.chkShot[d]->Click();
    if (!want) continue;
    setup_.edtShotA[d]->SetValue(it->allowed.lo);
    setup_.edtShotB[d]->SetValue(it->allowed.hi);
    setup_.edtCanErrA[d]->SetValue(it->tolerance.lo);
    setup_.edtCanErrB[d]->SetValue(it->tolerance.hi);
  }
  if (!setup_.chkCanErr->Checked()) setup_.chkCanErr->Click();
  setup_.edtCanErr1->SetValue(0);
  setup_.edtCanErr2->SetValue(p.e);
  if (setup_.chkCanSupErr->Checked()) setup_.chkCanSupErr->Click();
  SetupChanged();
}

void TfrmAnalysis::UpdateButtons() {
  btnCalibrate->SetEnabled(history_.ok);
  btnApply->SetEnabled(proposal_.has_value());
}

void TfrmAnalysis::ShowHistory() {
  UpdateButtons();
  lvHistory->ClearRows();
  if (!history_.ok) {
    lblHistory->SetCaption(texts::kHistoryNone, Cp::Gb2312);
    return;
  }
  const bool counted = HistoryCounted();
  Settings settings;
  if (counted) settings = JudgeSettings(setup_);
  const bool judged = counted && settings.reason.empty();
  std::vector<host::DrawResult> results;
  for (size_t i = 0; i < history_.draws.size(); ++i) {
    const host::HistoryDraw& d = history_.draws[i];
    std::vector<std::string> row{d.draw, d.winner, std::to_string(d.bets.size()), "", ""};
    if (judged) {
      FilterState state;
      state.FilterStr = host::WithBets(settings.bands, d.bets);
      host::DrawResult r;
      if (state.Prepare().accepted()) {
        host::JudgeWinner(state, d.winner, r);
        const Census& c = (*historyCensus_)[i];
        r.betCount = d.bets.size();
        r.examined = c.Candidates();
        r.kept = c.Count(settings.conds, settings.ranges).passed;
        r.keepRate = r.examined ? static_cast<double>(r.kept) / static_cast<double>(r.examined) : 0.0;
        row[3] = r.verdict == 0 ? texts::kHistoryKept : r.verdict == 1 ? texts::kHistoryFailed : texts::kHistoryHardReject;
        row[4] = Fixed(*r.keepRate * 100, 2) + "%";
      }
      results.push_back(r);
    }
    lvHistory->AddRow(std::move(row));
  }
  std::string text;
  if (historyJob_) {
    text = calibrating_ ? texts::kCalibrationRunning : texts::kHistoryRunning;
  } else if (!counted) {
    text = historyNote_.empty() ? std::string(texts::kHistoryRunning) : historyNote_;
  } else if (!judged) {
    text = settings.reason;
  } else {
    const host::Summary s = host::Summarize(results);
    text = texts::kHistorySummaryKept + std::to_string(s.kept) + texts::kHistorySummaryOf + std::to_string(s.draws) +
           texts::kHistorySummaryMean + Fixed(s.meanKeepRate.value_or(0) * 100, 2) + texts::kHistorySummaryLift +
           (s.lift ? Fixed(*s.lift, 2) : std::string(texts::kNoLiftText));
    if (s.chance) {
      text += texts::kHistorySummaryComma;
      text += s.chance->BetterThanChance()
                  ? texts::kChanceBetterHead + host::PValueText(s.chance->pValue) + texts::kChanceBetterTail
                  : std::string(texts::kChanceConsistent);
    }
    if (!historyNote_.empty()) text += "\r\n" + historyNote_;
  }
  lblHistory->SetCaption(text, Cp::Gb2312);
}

}  // namespace qv
