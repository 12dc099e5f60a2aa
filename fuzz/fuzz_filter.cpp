// ZcPrepare, ZcExecute and ZcDebug on arbitrary filter strings and
// candidates, held against the literal evaluation.
//
// Input: the filter string up to the first zero byte, then candidate numbers
// separated by zero bytes (neither can hold a zero byte where it crosses the
// plug-in boundary).
//
// Each input is prepared twice: on the state that load leaves, and on top of
// a state prepared from a full string, so that what a refusal must leave
// untouched is checked as well.  After every call the module state is
// compared with the literal one, and for every candidate each hit counting
// kernel's verdict, and its tally of every level through the report, with
// the literal ones.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "HitCount.h"
#include "LiteralFilter.h"
#include "ModuleState.h"
#include "Quelvor.h"
#include "ThreadScratch.h"

namespace {

constexpr const char* kFull =
    "M7(0-0|0-5)M5(10-30|5-40)M0(20-60|10-70)E0-1S1-2TJ1234567|024,3468,5,2347,05,268,79|";

void CheckState(const qvref::State& want, const qv::FilterState& got, const char* where) {
  const qvref::State g = qvref::StateOf(got);
  QV_CHECK(g.MDConds == want.MDConds, where);
  QV_CHECK(g.MediaBets == want.MediaBets, where);
  for (size_t i = 8; i < 12; ++i) QV_CHECK(g.Tally[i] == want.Tally[i], where);
  QV_CHECK(g.CanErrOn == want.CanErrOn, where);
  QV_CHECK(g.CanSupErrOn == want.CanSupErrOn, where);
}

// Prepares through the export and checks answer and state.  True when the
// string was accepted.
bool PrepareBoth(const std::string& filter, qvref::State& ref) {
  qv::Module* m = qv::CurrentModule();
  SetFilterStr(filter.c_str());
  QV_CHECK(filter == GetFilterStr(), "SetFilterStr copies the text");
  const qvref::PrepareOutcome want = qvref::Prepare(ref, filter);
  const QvBool got = ZcPrepare();
  QV_CHECK(got == (want.answer == qvref::Answer::Accepted ? 1 : 0), "ZcPrepare answer");
  const bool conversion = m->lastPrepare.status == qv::PrepareStatus::ConversionError;
  QV_CHECK(conversion == (want.answer == qvref::Answer::ConversionError), "conversion error");
  if (conversion) QV_CHECK(m->lastPrepare.message == want.message, "conversion message");
  CheckState(ref, m->filter, "state after ZcPrepare");
  return got == 1;
}

void Candidates(const std::vector<std::string>& cands, qvref::State& ref) {
  qv::Module* m = qv::CurrentModule();
  const std::string name = GetFilterName();

  // The whole evaluation once per kernel.
  for (const QvKernel& k : QvKernels()) {
    m->filter.UseKernel(k.kernel);
    for (const std::string& c : cands) {
      const int32_t want = qvref::Execute(ref, c);
      // ZcExecute counts only the levels the conditions read; the report
      // counts them all.
      QV_CHECK(ZcExecute(c.c_str()) == want, k.name);

      // Only the lowest byte of ShowAll counts.
      for (uint32_t showAll : {0x100u, 0xFFFFFF01u}) {
        const std::string report = qvref::Debug(ref, c, (showAll & 0xFF) != 0, name);
        const char* got = ZcDebug(c.c_str(), showAll);
        QV_CHECK(got != nullptr, "ZcDebug never answers null");
        QV_CHECK(report == got, k.name);
        for (int l = 0; l < qv::kLevels; ++l)
          QV_CHECK(qv::CurrentScratch()->tally[static_cast<size_t>(l)] == ref.Tally[static_cast<size_t>(l)], k.name);
      }
    }
    // A null candidate reads as the empty text.
    QV_CHECK(ZcExecute(nullptr) == qvref::Execute(ref, ""), "ZcExecute(null)");
    QV_CHECK(qvref::Debug(ref, "", true, name) == ZcDebug(nullptr, 1), "ZcDebug(null)");
  }
  m->filter.UseKernel(qv::BestKernel());
  CheckState(ref, m->filter, "state after evaluation");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> parts(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) parts.emplace_back();
    else parts.back().push_back(static_cast<char>(data[i]));
  }
  const std::string filter = parts[0];
  std::vector<std::string> cands(parts.begin() + 1, parts.end());
  if (cands.empty()) cands = {"1234567", "", "7654321"};

  qv::Module* m = qv::CurrentModule();
  QV_CHECK(m != nullptr, "module attached at load");

  // 1. On the state that load leaves.
  m->filter = qv::FilterState();
  qvref::State ref;
  PrepareBoth(filter, ref);
  Candidates(cands, ref);

  // 2. On top of a full preparation.
  m->filter = qv::FilterState();
  qvref::State ref2;
  QV_CHECK(PrepareBoth(kFull, ref2), "the full string is accepted");
  if (PrepareBoth(filter, ref2)) Candidates(cands, ref2);
  return 0;
}
