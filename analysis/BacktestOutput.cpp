#include "BacktestOutput.h"

#include <algorithm>
#include <cstdio>

namespace qv::host {

std::string Number(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.10g", v);
  return buf;
}

std::string ShortNumber(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.7g", v);
  return buf;
}

std::string JsonString(std::string_view s) {
  std::string out = "\"";
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
      ++i;
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
      ++i;
    } else if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
    } else {
      // A well-formed UTF-8 sequence is copied; any other byte becomes U+FFFD.
      const size_t len = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
      bool ok = len > 0 && i + len <= s.size() && c < 0xF5;
      for (size_t k = 1; ok && k < len; ++k) ok = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
      if (ok && len == 3) {
        const unsigned char c1 = static_cast<unsigned char>(s[i + 1]);
        ok = !(c == 0xE0 && c1 < 0xA0) && !(c == 0xED && c1 >= 0xA0);
      } else if (ok && len == 4) {
        const unsigned char c1 = static_cast<unsigned char>(s[i + 1]);
        ok = !(c == 0xF0 && c1 < 0x90) && !(c == 0xF4 && c1 >= 0x90);
      }
      if (ok) {
        out.append(s.substr(i, len));
        i += len;
      } else {
        out += "\\ufffd";
        ++i;
      }
    }
  }
  return out + "\"";
}

std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

namespace {

std::string Opt(const std::optional<double>& v) { return v ? Number(*v) : "null"; }

std::string Pad(std::string s, size_t width, bool right = false) {
  if (s.size() >= width) return s;
  return right ? std::string(width - s.size(), ' ') + s : s + std::string(width - s.size(), ' ');
}

const char* VerdictWord(int32_t v) {
  return v == kPass ? "kept" : v == kFail ? "fails" : v == kHardReject ? "hard reject" : "?";
}

std::string SummaryJson(const Summary& s, const KeepRateOptions& k) {
  std::string out = "{\"draws\": " + std::to_string(s.draws) + ", \"kept\": " + std::to_string(s.kept) +
                    ", \"recall\": " + Number(s.recall) + ", \"mean_keep_rate\": " + Opt(s.meanKeepRate) +
                    ", \"lift\": " + Opt(s.lift);
  const std::optional<ChanceTest>& c = s.chance;
  out += ", \"expected_kept\": " + (c ? Number(c->expectedKept) : std::string("null")) +
         ", \"p_value\": " + (c ? Number(c->pValue) : std::string("null")) +
         ", \"lift_low\": " + (c ? Opt(c->liftLow) : std::string("null")) +
         ", \"lift_high\": " + (c ? Opt(c->liftHigh) : std::string("null")) +
         ", \"verdict\": " + (c ? JsonString(ChanceVerdict(*c)) : std::string("null")) +
         ", \"chance_test_rates\": " +
         (!c ? "null" : k.mode == KeepRateMode::Sample ? "\"sampled\"" : "\"exact\"") + "}";
  return out;
}

std::string KeepRateModeJson(const KeepRateOptions& k) {
  switch (k.mode) {
    case KeepRateMode::Exact: return "\"keep_rate_mode\": \"exact\"";
    case KeepRateMode::Sample:
      return "\"keep_rate_mode\": \"sample\", \"sample\": " + std::to_string(k.sample) +
             ", \"seed\": " + std::to_string(k.seed);
    case KeepRateMode::None: break;
  }
  return "\"keep_rate_mode\": \"none\"";
}

std::string KeepRateCell(const DrawResult& r) {
  if (!r.keepRate) return "-";
  std::string s = ShortNumber(*r.keepRate);
  if (r.keepRateLow) s += " [" + ShortNumber(*r.keepRateLow) + ", " + ShortNumber(*r.keepRateHigh) + "]";
  return s;
}

}  // namespace

std::string SummaryText(const Summary& s, const KeepRateOptions& k) {
  std::string out;
  out += "  draws:          " + std::to_string(s.draws) + "\n";
  out += "  kept:           " + std::to_string(s.kept) + " (winners with verdict 0)\n";
  out += "  recall:         " + ShortNumber(s.recall) + "\n";
  out += "  mean keep rate: " + (s.meanKeepRate ? ShortNumber(*s.meanKeepRate) : std::string("not computed"));
  if (k.mode == KeepRateMode::Sample)
    out += " (sampled, " + std::to_string(k.sample) + " numbers a draw, seed " + std::to_string(k.seed) + ")";
  out += "\n";
  out += "  lift:           " + (s.lift ? ShortNumber(*s.lift) : std::string("n/a"));
  if (s.chance && s.chance->liftLow)
    out += ", 95 % interval " + ShortNumber(*s.chance->liftLow) + " to " + ShortNumber(*s.chance->liftHigh);
  out += "\n";
  if (!s.chance) return out + "  verdict:        no chance test without keep rates\n";
  const ChanceTest& c = *s.chance;
  out += "  by chance:      " + ShortNumber(c.expectedKept) + " kept expected; the chance of keeping " +
         std::to_string(s.kept) + " or more: " + PValueText(c.pValue);
  if (k.mode == KeepRateMode::Sample) out += " (the test uses the sampled keep rates)";
  out += "\n  verdict:        " + ChanceVerdict(c) + "\n";
  return out;
}

std::string BacktestText(const BacktestRun& run) {
  size_t drawWidth = 4;
  for (const HistoryDraw& d : run.draws) drawWidth = std::max(drawWidth, d.draw.size());
  std::string out = Pad("Draw", drawWidth) + "  Winner   Bets  Verdict            ";
  for (int k = 0; k < kLevels; ++k) out += Pad(std::string(1, 'L') += std::to_string(k), 4, true);
  out += "  Keep rate\n";
  for (size_t i = 0; i < run.draws.size(); ++i) {
    const DrawResult& r = run.results[i];
    out += Pad(run.draws[i].draw, drawWidth) + "  " + run.draws[i].winner + "  " +
           Pad(std::to_string(r.betCount), 4, true) + "  " +
           Pad(std::to_string(r.verdict) + " " + VerdictWord(r.verdict), 19);
    for (int32_t s : r.shares) out += Pad(std::to_string(s), 4, true);
    out += "  " + KeepRateCell(r) + "\n";
  }
  out += "\nShares are percent of the draw's media bets with that many hits (L0..L7).\n";
  if (run.keepRate.mode == KeepRateMode::Sample)
    out += "Keep rates sampled from " + std::to_string(run.keepRate.sample) +
           " numbers a draw (seed " + std::to_string(run.keepRate.seed) +
           "), with the 95 % Wilson interval.\n";
  out += "\nSummary:\n" + SummaryText(run.summary, run.keepRate);
  return out;
}

std::string BacktestJson(const BacktestRun& run) {
  std::string out = "{\"draws\": [";
  for (size_t i = 0; i < run.draws.size(); ++i) {
    const DrawResult& r = run.results[i];
    if (i) out += ",";
    out += "\n  {\"draw\": " + JsonString(run.draws[i].draw) + ", \"winner\": " +
           JsonString(run.draws[i].winner) + ", \"bet_count\": " + std::to_string(r.betCount) +
           ", \"verdict\": " + std::to_string(r.verdict) + ", \"shares\": [";
    for (int k = 0; k < kLevels; ++k) out += (k ? ", " : "") + std::to_string(r.shares[static_cast<size_t>(k)]);
    out += "], \"keep_rate\": " + Opt(r.keepRate);
    if (run.keepRate.mode == KeepRateMode::Sample)
      out += ", \"keep_rate_low\": " + Opt(r.keepRateLow) + ", \"keep_rate_high\": " + Opt(r.keepRateHigh);
    out += "}";
  }
  out += "\n ],\n \"summary\": " + SummaryJson(run.summary, run.keepRate) + ",\n " + KeepRateModeJson(run.keepRate) + "}\n";
  return out;
}

std::string BacktestCsv(const BacktestRun& run) {
  std::string out = "draw,winner,bet_count,verdict";
  for (int k = 0; k < kLevels; ++k) (out += ",share") += std::to_string(k);
  out += ",keep_rate\n";
  for (size_t i = 0; i < run.draws.size(); ++i) {
    const DrawResult& r = run.results[i];
    out += CsvField(run.draws[i].draw) + "," + run.draws[i].winner + "," + std::to_string(r.betCount) +
           "," + std::to_string(r.verdict);
    for (int32_t s : r.shares) (out += ',') += std::to_string(s);
    (out += ',') += r.keepRate ? Number(*r.keepRate) : std::string();
    out += '\n';
  }
  return out;
}

namespace {

std::string BandText(const Band& b) { return std::to_string(b.lo) + "-" + std::to_string(b.hi); }

std::string CalibrationHead(const CalibrationRun& run) {
  const size_t n = run.rows - run.holdout;
  std::string out = "Calibration on " + std::to_string(n) + " of " + std::to_string(run.rows) +
                    " draws" + (run.holdout ? " (the last " + std::to_string(run.holdout) + " held out)" : "") +
                    ": allowed bands hold at least " + std::to_string(run.targets.allowed) + " winners (P " +
                    run.allowed.text + "), tolerance bands at least " + std::to_string(run.targets.tolerance) +
                    " (Q " + run.tolerance.text + "), " + std::to_string(run.targets.recall) +
                    " must pass (R " + run.recall.text + ").\n";
  if (run.objective == Objective::Keep)
    out += "Objective keep: from those bands, the bands, levels and E digit with the smallest mean keep rate "
           "over the calibration draws with which at least " + std::to_string(run.targets.recall) +
           " winners pass.\n";
  return out;
}

}  // namespace

std::string CalibrationText(const CalibrationRun& run, bool withLevelTable) {
  const Proposal& p = run.proposal;
  std::string out;
  if (run.holdout)
    out += "Out-of-sample, the last " + std::to_string(run.holdout) + " draws:\n" +
           SummaryText(run.outOfSample.summary, run.outOfSample.keepRate) + "\n";
  out += CalibrationHead(run) + "\nProposed filter string:\n" + run.filterString + "\n\n";
  if (withLevelTable) {
    out += "Level  Min  Median  Max  Allowed  Tolerance\n";
    for (const LevelProposal& l : p.levels)
      out += Pad(std::to_string(l.level), 5, true) + Pad(std::to_string(l.min), 5, true) +
             Pad(std::to_string(l.median), 8, true) + Pad(std::to_string(l.max), 5, true) + "  " +
             Pad(BandText(l.allowed), 7) + "  " + BandText(l.tolerance) + "\n";
    out += "\n";
  }
  out += "E0-" + std::to_string(p.e) + ": " + std::to_string(p.passing) + " of " +
         std::to_string(run.rows - run.holdout) + " calibration winners pass (" +
         std::to_string(run.targets.recall) + " needed)" +
         (p.eReached ? "" : "; no E digit reaches the recall target, so E is 0-9") + "\n\n";
  out += "In-sample, the " + std::to_string(run.rows - run.holdout) + " calibration draws:\n" +
         SummaryText(run.inSample.summary, run.inSample.keepRate);
  if (run.inSample.summary.chance)
    out += "  (the bands were fitted to these winners, so this test flatters them";
  if (run.inSample.summary.chance) out += run.holdout ? "; the held-out test is the honest one)\n" : ")\n";
  return out;
}

std::string CalibrationJson(const CalibrationRun& run) {
  const Proposal& p = run.proposal;
  std::string out = "{\"levels\": [";
  for (size_t i = 0; i < p.levels.size(); ++i) {
    const LevelProposal& l = p.levels[i];
    out += std::string(i ? "," : "") + "\n  {\"level\": " + std::to_string(l.level) +
           ", \"min\": " + std::to_string(l.min) + ", \"median\": " + std::to_string(l.median) +
           ", \"max\": " + std::to_string(l.max) + ", \"allowed\": [" + std::to_string(l.allowed.lo) +
           ", " + std::to_string(l.allowed.hi) + "], \"tolerance\": [" + std::to_string(l.tolerance.lo) +
           ", " + std::to_string(l.tolerance.hi) + "]}";
  }
  out += "\n ],\n \"e\": " + std::to_string(p.e) + ", \"e_reached\": " + (p.eReached ? "true" : "false") +
         ", \"passing\": " + std::to_string(p.passing) + ",\n \"filter_string\": " +
         JsonString(run.filterString) + ",\n \"calibration_draws\": " +
         std::to_string(run.rows - run.holdout) + ", \"targets\": {\"allowed\": " +
         std::to_string(run.targets.allowed) + ", \"tolerance\": " + std::to_string(run.targets.tolerance) +
         ", \"recall\": " + std::to_string(run.targets.recall) + "},\n \"backtest\": " +
         SummaryJson(run.inSample.summary, run.inSample.keepRate);
  if (run.holdout) out += ",\n \"holdout\": " + SummaryJson(run.outOfSample.summary, run.outOfSample.keepRate);
  out += ",\n \"objective\": " + JsonString(ObjectiveName(run.objective)) + ", " +
         KeepRateModeJson(run.inSample.keepRate) + "}\n";
  return out;
}

std::string CalibrationCsv(const CalibrationRun& run) {
  std::string out = "level,min,median,max,allowed_lo,allowed_hi,tolerance_lo,tolerance_hi\n";
  for (const LevelProposal& l : run.proposal.levels)
    out += std::to_string(l.level) + "," + std::to_string(l.min) + "," + std::to_string(l.median) + "," +
           std::to_string(l.max) + "," + std::to_string(l.allowed.lo) + "," + std::to_string(l.allowed.hi) +
           "," + std::to_string(l.tolerance.lo) + "," + std::to_string(l.tolerance.hi) + "\n";
  return out;
}

}  // namespace qv::host
