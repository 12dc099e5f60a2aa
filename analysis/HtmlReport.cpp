// The HTML reports of backtest and calibrate: one file, inline CSS and SVG,
// no script and nothing fetched, legible on screen and on paper.
#include <algorithm>
#include <map>

#include "BacktestOutput.h"

namespace qv::host {

std::string HtmlEscape(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

namespace {

constexpr const char* kStyle = R"(
body { font-family: "Helvetica Neue", Arial, sans-serif; color: #1b1f24; margin: 2em auto; max-width: 60em; padding: 0 1em; }
h1 { font-size: 1.6em; margin-bottom: 0.2em; }
h2 { font-size: 1.2em; margin-top: 1.6em; border-bottom: 1px solid #c8ccd1; }
.note { color: #555; font-size: 0.9em; }
code { font-family: Consolas, "DejaVu Sans Mono", monospace; background: #f1f3f5; padding: 0.1em 0.3em; word-break: break-all; }
table { border-collapse: collapse; font-size: 0.9em; margin: 0.6em 0; }
th, td { border: 1px solid #c8ccd1; padding: 0.2em 0.5em; text-align: right; }
th { background: #eef1f4; }
td.text { text-align: left; }
tr.kept td { background: #e3f4e4; }
td.lift, td.verdict { font-size: 1.25em; font-weight: bold; }
td.verdict { text-align: left; }
td.better { color: #1d6b2f; }
.honest { border: 2px solid #2a6f97; padding: 0.3em 0.8em; }
.charts { display: grid; grid-template-columns: repeat(auto-fill, minmax(22em, 1fr)); gap: 0.8em 1.2em; }
figure { margin: 0; break-inside: avoid; }
figcaption { font-size: 0.9em; margin-bottom: 0.2em; }
svg { width: 100%; height: auto; }
svg text { font-size: 11px; fill: #333; }
.tol { fill: #ffe8a8; }
.allow { fill: #9fd3a8; }
.bar { fill: #2a6f97; }
.held { fill: #c0392b; }
.axis { stroke: #333; stroke-width: 1; }
.legend span { display: inline-block; width: 0.9em; height: 0.9em; vertical-align: middle; margin: 0 0.3em 0 1em; border: 1px solid #999; }
@media print { body { margin: 0; max-width: none; } h2 { break-after: avoid; } .charts { grid-template-columns: 1fr 1fr; } }
)";

// A band to shade on a chart.
struct Shade {
  int allowedLo, allowedHi, tolLo, tolHi;
};

// Histogram of whole-percent shares over 0..100 with the bands behind it;
// marks (held-out winners) as small triangles under the axis.
std::string Chart(int level, const std::vector<int32_t>& shares, const std::vector<Shade>& shades,
                  const std::vector<int32_t>& marks) {
  constexpr int kLeft = 34, kTop = 10, kWidth = 505, kHeight = 120;  // 5 px a percent
  int peak = 1;
  std::array<int, 101> count{};
  for (int32_t s : shares)
    if (s >= 0 && s <= 100) peak = std::max(peak, ++count[static_cast<size_t>(s)]);
  auto x = [](int percent) { return kLeft + percent * 5; };
  std::string svg = "<svg data-level=\"" + std::to_string(level) + "\" viewBox=\"0 0 " +
                    std::to_string(kLeft + kWidth + 12) + " " + std::to_string(kTop + kHeight + 44) +
                    "\" role=\"img\" aria-label=\"Level " + std::to_string(level) +
                    ": winners' shares with the allowed and tolerance bands\">\n";
  for (const Shade& b : shades) {
    svg += "<rect class=\"tol\" x=\"" + std::to_string(x(b.tolLo)) + "\" y=\"" + std::to_string(kTop) +
           "\" width=\"" + std::to_string((b.tolHi - b.tolLo + 1) * 5) + "\" height=\"" +
           std::to_string(kHeight) + "\"/>\n";
    svg += "<rect class=\"allow\" x=\"" + std::to_string(x(b.allowedLo)) + "\" y=\"" + std::to_string(kTop) +
           "\" width=\"" + std::to_string((b.allowedHi - b.allowedLo + 1) * 5) + "\" height=\"" +
           std::to_string(kHeight) + "\"/>\n";
  }
  for (int p = 0; p <= 100; ++p) {
    if (!count[static_cast<size_t>(p)]) continue;
    const int h = count[static_cast<size_t>(p)] * kHeight / peak;
    svg += "<rect class=\"bar\" x=\"" + std::to_string(x(p) + 1) + "\" y=\"" +
           std::to_string(kTop + kHeight - h) + "\" width=\"3\" height=\"" + std::to_string(h) +
           "\"><title>" + std::to_string(p) + " %: " + std::to_string(count[static_cast<size_t>(p)]) +
           " winners</title></rect>\n";
  }
  const std::string base = std::to_string(kTop + kHeight);
  svg += "<line class=\"axis\" x1=\"" + std::to_string(kLeft) + "\" y1=\"" + base + "\" x2=\"" +
         std::to_string(kLeft + kWidth) + "\" y2=\"" + base + "\"/>\n";
  svg += "<line class=\"axis\" x1=\"" + std::to_string(kLeft) + "\" y1=\"" + std::to_string(kTop) +
         "\" x2=\"" + std::to_string(kLeft) + "\" y2=\"" + base + "\"/>\n";
  for (int p = 0; p <= 100; p += 10)
    svg += "<text x=\"" + std::to_string(x(p) + 2) + "\" y=\"" + std::to_string(kTop + kHeight + 14) +
           "\" text-anchor=\"middle\">" + std::to_string(p) + "</text>\n";
  svg += "<text x=\"" + std::to_string(kLeft - 4) + "\" y=\"" + std::to_string(kTop + 8) +
         "\" text-anchor=\"end\">" + std::to_string(peak) + "</text>\n";
  svg += "<text x=\"" + std::to_string(kLeft - 4) + "\" y=\"" + base + "\" text-anchor=\"end\">0</text>\n";
  for (int32_t m : marks) {
    if (m < 0 || m > 100) continue;
    const int cx = x(m) + 2, top = kTop + kHeight + 18;
    svg += "<path class=\"held\" d=\"M" + std::to_string(cx) + " " + std::to_string(top) + " l-4 8 h8 z\"/>\n";
  }
  svg += "<text x=\"" + std::to_string(kLeft + kWidth / 2) + "\" y=\"" + std::to_string(kTop + kHeight + 40) +
         "\" text-anchor=\"middle\">share of media bets with " + std::to_string(level) + " hits (%)</text>\n";
  return svg + "</svg>";
}

std::string Page(const std::string& title, const std::string& body) {
  return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + HtmlEscape(title) +
         "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n" + body + "</body>\n</html>\n";
}

std::string Legend(bool held) {
  std::string s = "<p class=\"legend note\"><span class=\"bar\" style=\"background:#2a6f97\"></span>winners"
                  "<span style=\"background:#9fd3a8\"></span>allowed band"
                  "<span style=\"background:#ffe8a8\"></span>tolerance band";
  if (held) s += "<span style=\"background:#c0392b\"></span>held-out winners";
  return s + "</p>\n";
}

std::string SummaryTable(const Summary& s, const KeepRateOptions& k) {
  std::string lift = s.lift ? ShortNumber(*s.lift) : std::string("-");
  std::string verdict = "no chance test without keep rates", chance = "-", p = "-";
  if (s.chance) {
    const ChanceTest& c = *s.chance;
    if (c.liftLow) lift += " <span class=\"note\">(" + ShortNumber(*c.liftLow) + " to " + ShortNumber(*c.liftHigh) + ")</span>";
    verdict = ChanceVerdict(c);
    chance = ShortNumber(c.expectedKept);
    p = ShortNumber(c.pValue);
  }
  const std::string cls = s.chance && s.chance->BetterThanChance() ? "verdict better" : "verdict";
  std::string out =
      "<table><tr><th>Draws</th><th>Kept</th><th>Recall</th><th>Mean keep rate</th><th>Lift (95 %)</th>"
      "<th>Against chance</th><th>Kept by chance</th><th>p-value</th></tr>"
      "<tr><td>" + std::to_string(s.draws) + "</td><td>" + std::to_string(s.kept) + "</td><td>" +
      ShortNumber(s.recall) + "</td><td>" + (s.meanKeepRate ? ShortNumber(*s.meanKeepRate) : std::string("-")) +
      "</td><td class=\"lift\">" + lift + "</td><td class=\"" + cls + "\">" + HtmlEscape(verdict) + "</td><td>" +
      chance + "</td><td>" + p + "</td></tr></table>\n";
  if (s.chance && k.mode == KeepRateMode::Sample)
    out += "<p class=\"note\">The chance test uses the sampled keep rates.</p>\n";
  return out;
}

std::string ChanceNote() {
  return "<p class=\"note\">Against chance: were the bands no better than picking numbers at random, each "
         "draw's winner would be kept with that draw's keep rate.  Kept by chance is the sum of the keep rates; "
         "the p-value is the exact probability of keeping at least as many winners that way (Poisson-binomial); "
         "the lift's interval is the 95 % Wilson interval of the recall over the mean keep rate.  Below 0.05 "
         "reads as better than chance.</p>\n";
}

std::string KeepRateNote(const KeepRateOptions& k) {
  switch (k.mode) {
    case KeepRateMode::Exact: return "Exact keep rates, over all 10,000,000 numbers.";
    case KeepRateMode::Sample:
      return "Keep rates estimated from " + std::to_string(k.sample) + " numbers drawn per draw (seed " +
             std::to_string(k.seed) + "), with the 95 % Wilson interval.";
    case KeepRateMode::None: break;
  }
  return "Keep rates not computed.";
}

std::vector<int32_t> SharesAt(const std::vector<DrawResult>& results, int level) {
  std::vector<int32_t> v;
  for (const DrawResult& r : results) v.push_back(r.shares[static_cast<size_t>(level)]);
  return v;
}

}  // namespace

std::string BacktestHtml(const BacktestRun& run, const Bands& bands, const std::string& title) {
  std::string body = "<h1>Back-test</h1>\n<p class=\"note\">" + HtmlEscape(title) + "<br>Bands: <code>" +
                     HtmlEscape(bands.text) + "</code><br>" + KeepRateNote(run.keepRate) + "</p>\n";
  body += "<h2>Summary</h2>\n" + SummaryTable(run.summary, run.keepRate);
  // One chart per configured level, with every condition of that level shaded.
  std::map<int, std::vector<Shade>, std::greater<int>> levels;
  for (const TMD& c : bands.conditions)
    levels[c.Shot].push_back({std::clamp(c.ShotA, 0, 100), std::clamp(c.ShotB, 0, 100),
                              std::clamp(c.CanErrA, 0, 100), std::clamp(c.CanErrB, 0, 100)});
  body += "<h2>Winners' shares per level</h2>\n" + Legend(false) + "<div class=\"charts\">\n";
  for (const auto& [level, shades] : levels)
    body += "<figure><figcaption>Level " + std::to_string(level) + "</figcaption>\n" +
            Chart(level, SharesAt(run.results, level), shades, {}) + "</figure>\n";
  body += "</div>\n<h2>Draws</h2>\n<table><tr><th>Draw</th><th>Winner</th><th>Bets</th><th>Verdict</th>";
  for (int k = 0; k < kLevels; ++k) body += "<th>L" + std::to_string(k) + "</th>";
  body += "<th>Keep rate</th></tr>\n";
  for (size_t i = 0; i < run.draws.size(); ++i) {
    const DrawResult& r = run.results[i];
    const bool kept = r.verdict == kPass;
    body += std::string(kept ? "<tr class=\"kept\">" : "<tr>") + "<td class=\"text\">" +
            HtmlEscape(run.draws[i].draw) + "</td><td>" + run.draws[i].winner + "</td><td>" +
            std::to_string(r.betCount) + "</td><td>" + std::to_string(r.verdict) +
            (kept ? " &#10003; kept" : "") + "</td>";
    for (int32_t s : r.shares) body += "<td>" + std::to_string(s) + "</td>";
    std::string rate = r.keepRate ? ShortNumber(*r.keepRate) : std::string("-");
    if (r.keepRateLow) rate += " [" + ShortNumber(*r.keepRateLow) + ", " + ShortNumber(*r.keepRateHigh) + "]";
    body += "<td>" + rate + "</td></tr>\n";
  }
  body += "</table>\n<p class=\"note\">Shares are percent of the draw's media bets with that many hits. "
          "Kept: the winner gets verdict 0.</p>\n" + ChanceNote();
  return Page("Back-test", body);
}

std::string CalibrationHtml(const CalibrationRun& run) {
  const Proposal& p = run.proposal;
  const size_t n = run.rows - run.holdout;
  std::string body = "<h1>Band calibration</h1>\n<p class=\"note\">" + HtmlEscape(run.history) + ": " +
                     std::to_string(n) + " calibration draws of " + std::to_string(run.rows) +
                     (run.holdout ? ", the last " + std::to_string(run.holdout) + " held out" : std::string()) +
                     ". " + KeepRateNote(run.inSample.keepRate) + "</p>\n";
  if (run.holdout)
    body += "<div class=\"honest\"><h2>Out-of-sample: the last " + std::to_string(run.holdout) +
            " draws</h2>\n" + SummaryTable(run.outOfSample.summary, run.outOfSample.keepRate) + "</div>\n";
  body += "<h2>Proposal</h2>\n<p><code>" + HtmlEscape(run.filterString) + "</code></p>\n<p class=\"note\">" +
          "Allowed bands hold at least " + std::to_string(run.targets.allowed) + " of " + std::to_string(n) +
          " winners (P " + HtmlEscape(run.allowed.text) + "), tolerance bands at least " +
          std::to_string(run.targets.tolerance) + " (Q " + HtmlEscape(run.tolerance.text) + "). E0-" +
          std::to_string(p.e) + ": " + std::to_string(p.passing) + " of " + std::to_string(n) +
          " calibration winners pass, " + std::to_string(run.targets.recall) + " needed (R " +
          HtmlEscape(run.recall.text) + ")" +
          (p.eReached ? "." : "; no E digit reaches that, so E is 0-9.") +
          (run.objective == Objective::Keep
               ? " Objective keep: from the narrowest such bands, the bands, levels and E digit that keep the "
                 "fewest numbers over the calibration draws with that many winners passing."
               : "") +
          "</p>\n";
  body += "<table><tr><th>Level</th><th>Min</th><th>Median</th><th>Max</th><th>Allowed</th><th>Tolerance</th></tr>\n";
  for (const LevelProposal& l : p.levels)
    body += "<tr><td>" + std::to_string(l.level) + "</td><td>" + std::to_string(l.min) + "</td><td>" +
            std::to_string(l.median) + "</td><td>" + std::to_string(l.max) + "</td><td>" +
            std::to_string(l.allowed.lo) + "-" + std::to_string(l.allowed.hi) + "</td><td>" +
            std::to_string(l.tolerance.lo) + "-" + std::to_string(l.tolerance.hi) + "</td></tr>\n";
  body += "</table>\n<h2>In-sample: the " + std::to_string(n) + " calibration draws</h2>\n" +
          SummaryTable(run.inSample.summary, run.inSample.keepRate) +
          "<p class=\"note\">The bands were fitted to these winners, so this test flatters them" +
          (run.holdout ? "; the held-out test is the honest one.</p>\n" : ".</p>\n");
  body += ChanceNote() + "<h2>Winners' shares per level</h2>\n" + Legend(run.holdout > 0) + "<div class=\"charts\">\n";
  for (const LevelProposal& l : p.levels)
    body += "<figure><figcaption>Level " + std::to_string(l.level) + ": allowed " +
            std::to_string(l.allowed.lo) + "-" + std::to_string(l.allowed.hi) + " %, tolerance " +
            std::to_string(l.tolerance.lo) + "-" + std::to_string(l.tolerance.hi) + " %</figcaption>\n" +
            Chart(l.level, SharesAt(run.inSample.results, l.level),
                  {{l.allowed.lo, l.allowed.hi, l.tolerance.lo, l.tolerance.hi}},
                  run.holdout ? SharesAt(run.outOfSample.results, l.level) : std::vector<int32_t>{}) +
            "</figure>\n";
  body += "</div>\n";
  return Page("Band calibration", body);
}

}  // namespace qv::host
