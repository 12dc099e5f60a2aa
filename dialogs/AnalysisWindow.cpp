#include "AnalysisWindow.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <new>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "ControlIds.h"
#include "DialogFilterStr.h"
#include "Filter.h"
#include "FltSetup.h"
#include "IntConv.h"
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

std::string LevelText(int d, const char* tail) {
  return std::string(texts::kChartCaptionHead) + static_cast<char>('0' + d) + tail;
}

// The media bets as BuildFilterStr writes them after "TJ".
std::string BetsText(const TfrmFltSetup& setup) {
  std::string bets;
  for (const std::string& bet : setup.lbMVDChip->Items()) {
    bets += bet;
    bets += '|';
  }
  return bets;
}

// The dialog's settings as the engine prepares them, or why they cannot be
// judged.
struct Settings {
  std::string reason;  // GB2312; empty when conds and ranges hold the settings
  TArrMD conds;
  MissRanges ranges;
};

Settings JudgeSettings(const TfrmFltSetup& setup) {
  Settings out;
  // The filter string without its bets: preparing it gives the conditions
  // and sections the whole string gives (no bet holds an "M", "E" or "S").
  std::string s = setup.BuildFilterStr();
  s.resize(s.size() - (setup.lbMVDChip->Count() > 0 ? 2 + BetsText(setup).size() : 0));

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
    case PrepareStatus::Empty:
    case PrepareStatus::NoCondition: out.reason = texts::kNoConditionReason; return out;
    case PrepareStatus::BandsDoNotNest:
      if (r.section < written.size() && r.section < f.MDConds.size()) {
        const TMD& c = f.MDConds[r.section];
        out.reason = LevelText(written[r.section], c.ShotA > c.ShotB ? texts::kLevelReversedTail
                                                                     : texts::kLevelNotNestedTail);
        return out;
      }
      break;
    case PrepareStatus::RangeOutOfOrder: {
      auto value = [](const ui::SpinEdit* e) { return e->Text()[0] - '0'; };
      if (setup.chkCanErr->Checked() && value(setup.edtCanErr1) > value(setup.edtCanErr2))
        out.reason = texts::kERangeReversedReason;
      else if (setup.chkCanSupErr->Checked() && value(setup.edtCanSupErr1) > value(setup.edtCanSupErr2))
        out.reason = texts::kSRangeReversedReason;
      else
        out.reason = texts::kRangesOutOfOrderReason;
      return out;
    }
    case PrepareStatus::OutOfMemory: out.reason = texts::kOutOfMemoryReason; return out;
    default: break;
  }
  out.reason = texts::kNotReadableReason;
  return out;
}

const char* CensusStatusReason(CensusStatus s) {
  switch (s) {
    case CensusStatus::Cancelled: return texts::kCensusCancelled;
    case CensusStatus::OutOfMemory: return texts::kCensusOutOfMemory;
    default: return texts::kCensusFailed;
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
  std::thread thread;
};

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
    // The bets prepared with a condition that every number meets: the
    // census depends on the bets alone.
    FilterState prepared;
    prepared.FilterStr = "M0(0-100|0-100)TJ" + bets;
    const PrepareResult r = prepared.Prepare();
    if (r.status == PrepareStatus::OutOfMemory) return CensusStatus::OutOfMemory;
    if (!r.accepted()) return CensusStatus::Failed;
    CensusOptions o;
    o.jobs = std::max(1u, std::thread::hardware_concurrency());
    o.control = &control;
    int last = -1;
    o.onSlice = [&](uint32_t done, uint32_t total) {
      const int percent = total == 0 ? 100 : static_cast<int>(uint64_t{done} * 100 / total);
      if (percent != last) progress(last = percent);
    };
    return out.Build(prepared, o);
  } catch (const std::bad_alloc&) {
    return CensusStatus::OutOfMemory;
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
  auto job = std::make_unique<Job>();
  Job* j = job.get();
  ui::Mailbox* box = mailbox_.get();
  try {
    j->thread = std::thread([this, j, box, generation, bets] {
      auto result = std::make_shared<Result>();
      try {
        result->status = CountShares(bets, j->control, result->census, [&](int percent) {
          box->Post([this, generation, percent] {
            if (generation == generation_) pbCensus->SetPosition(percent);
          });
        });
        box->Post([this, j, result] { CensusEnded(j, *result); });
      } catch (...) {
        // No memory left even to carry the result: the window goes on
        // showing the census as running until the next change.
      }
    });
  } catch (const std::exception&) {
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

void TfrmAnalysis::CancelCensus() {
  if (!job_) return;
  StopCensus(false);
  ShowState();
}

void TfrmAnalysis::CensusEnded(Job* job, Result& result) {
  // Its worker posted this as its last act: the join returns at once.
  if (job != job_.get()) {
    auto it = std::find_if(stopped_.begin(), stopped_.end(), [&](const auto& j) { return j.get() == job; });
    if (it == stopped_.end()) return;
    (*it)->thread.join();
    stopped_.erase(it);
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
  SetClientSize(2 * kChartWidth + 3 * kMargin, kChartsTop + 4 * kCellHeight + kMargin);
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

  OnShow = [this](ui::Form&) { Opened(); };
  OnClose = [this](ui::Form&) { Closed(); };
}

TfrmAnalysis::~TfrmAnalysis() {
  OnClose = nullptr;
  if (Modeless()) Close();
  StopCensus(true);
  mailbox_.reset();
}

void TfrmAnalysis::Opened() {
  if (!mailbox_) mailbox_ = std::make_unique<ui::Mailbox>();
  // A census that did not finish is counted again.
  if (!census_) bets_.clear();
  SetupChanged();
}

void TfrmAnalysis::Closed() {
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
  } else if (std::string bets = BetsText(setup_); bets != bets_) {
    StartCensus(bets);
    ShowHistograms(false);
  }
  ShowState();
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
  pbCensus->SetVisible(job_ != nullptr);
  Settings settings;
  if (setup_.lbMVDChip->Count() == 0) {
    settings.reason = texts::kNoBetsReason;
  } else if (job_) {
    settings.reason = texts::kCensusRunning;
  } else if (!census_) {
    settings.reason = CensusStatusReason(status_);
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

}  // namespace qv
