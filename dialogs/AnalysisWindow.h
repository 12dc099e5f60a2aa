// The analysis window beside the setup dialog: what the dialog's present
// state (the filter string it would write now) does to the ten million
// numbers, exactly and at once.
//
// A census of the media bets' share vectors is counted on a worker thread
// of the window's own whenever the bets change (the running one is
// cancelled); its result comes back through a mailbox to the dialog's
// thread.  From the census every change of the bands, E and S is evaluated
// on the dialog's thread in a walk over the distinct vectors.  A cancelled
// census is left to stop on its own and joined when its last word arrives,
// so the dialog never waits for one; every worker is joined when the
// window closes (it closes with the setup dialog), so no thread of the
// window outlives the dialog.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Calibrate.h"
#include "Census.h"
#include "History.h"
#include "Pipeline.h"
#include "UiApplication.h"
#include "UiControls.h"
#include "UiViews.h"

namespace qv {

class TfrmFltSetup;

// The shaded bands of a checked level's chart, as the HTML report colours
// them (0x00BBGGRR).
inline constexpr ui::Color kToleranceBandColor = 0x00A8E8FF;  // #ffe8a8
inline constexpr ui::Color kAllowedBandColor = 0x00A8D39F;    // #9fd3a8
inline constexpr ui::Color kShareBarColor = 0x00976F2A;       // #2a6f97

// The counts label's text: 通过：P 注（S%）  淘汰：F 注  超容错：H 注, the
// share of `candidates` in hundredths of a percent, rounded half up.
std::string KeptText(const VerdictCounts& counts, uint64_t candidates);

class TfrmAnalysis : public ui::Form {
 public:
  // A window for this setup dialog; shown with ShowModeless(setup).
  explicit TfrmAnalysis(TfrmFltSetup& setup);
  ~TfrmAnalysis() override;

  // The setup dialog was edited: a change of the bands, E or S is evaluated
  // at once from the census; a change of the media bets starts a new census
  // and cancels the running one.  Nothing while the window is closed.
  void SetupChanged();

  // True while a census runs on the worker.
  bool CensusRunning() const { return job_ != nullptr; }
  // Stops the running census; the window says it was cancelled, until the
  // next change of the bets (or reopening) starts another.
  void CancelCensus();

  ui::Label* lblKept;
  ui::ProgressBar* pbCensus;
  std::array<ui::Chart*, 8> chtLevel;     // index = level
  std::array<ui::Label*, 8> lblWithout;   // lblWithout<d>, under a checked level's chart

  // --- the history part, under the charts ---
  // Loads a history file (already chosen), as btnHistory does after its open
  // dialog: false, after a message box, when the file or one of its records
  // cannot be used; nothing changes then.  Otherwise the draws are listed
  // and each draw's census counted on the worker.
  bool LoadHistory(const std::filesystem::path& file);
  // True while the history's censuses or a calibration run on the worker.
  bool HistoryRunning() const { return historyJob_ != nullptr; }
  // Stops them; the history label says so.
  void CancelHistory();
  // The loaded history's draws (none before a load).
  const std::vector<host::HistoryDraw>& HistoryDraws() const { return history_.draws; }
  // The last calibration's proposal, which btnApply writes into the dialog.
  const std::optional<host::Proposal>& LastProposal() const { return proposal_; }
  // How btnCalibrate chooses the bands: by default the fewest numbers kept
  // at the recall (a census per calibration draw), or the narrowest bands.
  host::Objective Objective() const { return objective_; }
  void SetObjective(host::Objective o) { objective_ = o; }

  void btnHistoryClick();
  void btnCalibrateClick();
  void btnApplyClick();

  ui::Button* btnHistory;
  ui::ListView* lvHistory;
  ui::Label* lblHistory;
  ui::Label* lblRecall;
  ui::SpinEdit* edtRecall;
  ui::Label* lblHoldout;
  ui::SpinEdit* edtHoldout;
  ui::Button* btnCalibrate;
  ui::Button* btnApply;
  ui::OpenDialog* fdlgHistory;

 private:
  struct Job;
  struct Result;
  struct HistoryResult;
  // A job whose body(job) runs on a worker of its own; null when no thread
  // could be started.
  template <class Body>
  static std::unique_ptr<Job> StartJob(Body body);
  void MakeHistoryPart(int top);
  // Counts the census of every draw of history_ on the worker.
  void StartHistoryCensuses();
  void StopHistory();
  void HistoryEnded(Job* job, HistoryResult& result);
  bool HistoryCounted() const { return historyCensus_ && historyCensus_->size() == history_.draws.size(); }
  // Joins a stopped job whose last word arrived; false when it is none.
  bool JoinStopped(Job* job);
  // The draws' rows and the summary with the dialog's present settings.
  void ShowHistory();
  void UpdateButtons();
  void Opened();
  void Closed();
  void StartCensus(const std::string& bets);
  // Stops the running census at once; its worker is joined once it has
  // ended, or here with join (the window closes).
  void StopCensus(bool join);
  void CensusEnded(Job* job, Result& result);
  // Shows what the census says of the dialog's present settings.
  void ShowState();
  void ShowHistograms(bool fromCensus);

  TfrmFltSetup& setup_;
  std::unique_ptr<ui::Mailbox> mailbox_;  // while the window is open
  std::unique_ptr<Job> job_;              // the running census
  std::vector<std::unique_ptr<Job>> stopped_;  // cancelled, not yet joined
  std::unique_ptr<Census> census_;        // the finished census of bets_
  CensusStatus status_ = CensusStatus::Done;
  std::string bets_;          // the bets (as the filter string writes them) of job_ or census_
  uint64_t generation_ = 0;   // results of older censuses are dropped
  bool chartsFromCensus_ = false;

  host::History history_;                    // ok once loaded
  // One per draw once counted; shared with a calibration that runs on them.
  std::shared_ptr<const std::vector<Census>> historyCensus_;
  std::unique_ptr<Job> historyJob_;          // the draws' censuses or a calibration
  bool calibrating_ = false;                 // what historyJob_ does
  std::string historyNote_;                  // GB2312: why there is no summary, when set
  std::optional<host::Proposal> proposal_;
  host::Objective objective_ = host::Objective::Keep;
};

}  // namespace qv
