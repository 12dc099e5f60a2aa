#include "CensusOutput.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "BacktestOutput.h"
#include "HtmlCharts.h"

namespace qv::host {
namespace {

std::string Padded(const std::string& s, size_t width) {
  return s.size() >= width ? s : std::string(width - s.size(), ' ') + s;
}

// "54.27 %": two decimals, as the analysis window shows the share.
std::string Percent(double share) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f %%", 100.0 * share);
  return text;
}

}  // namespace

std::string ConditionText(const TMD& c) {
  return std::string("M") + std::to_string(c.Shot) + "(" + std::to_string(c.ShotA) + "-" + std::to_string(c.ShotB) + "|" +
         std::to_string(c.CanErrA) + "-" + std::to_string(c.CanErrB) + ")";
}

std::string CensusCountsText(const FilterCounts& c) {
  const VerdictCounts& v = c.verdicts;
  return "passed (0):          " + std::to_string(v.passed) + "\nfailed (1):          " + std::to_string(v.failed) +
         "\nhard reject (999998): " + std::to_string(v.hardReject) + "\ncandidates:          " +
         std::to_string(c.candidates) + "\ndistinct vectors:    " + std::to_string(c.distinctVectors) +
         "\nmedia bets:          " + std::to_string(c.betCount) + "\n";
}

std::string CensusText(const FilterCounts& c) {
  std::string s = CensusCountsText(c);
  s += "\nPassed without each condition:\n";
  size_t width = 0;
  for (const TMD& t : c.conditions) width = std::max(width, ConditionText(t).size());
  for (size_t k = 0; k < c.conditions.size(); ++k) {
    const std::string name = ConditionText(c.conditions[k]);
    s += "  " + name + std::string(width - name.size(), ' ') + Padded(std::to_string(c.passedWithout[k]), 10) + "\n";
  }
  s += "\nNumbers by share (%), per level (shares no number has are left out):\nshare";
  for (int k = 0; k < kLevels; ++k) s += Padded("level " + std::to_string(k), 10);
  s += "\n";
  for (size_t p = 0; p < kShareBins; ++p) {
    bool any = false;
    for (const auto& h : c.histograms) any |= h[p] != 0;
    if (!any) continue;
    s += Padded(std::to_string(p), 5);
    for (const auto& h : c.histograms) s += Padded(std::to_string(h[p]), 10);
    s += "\n";
  }
  return s;
}

std::string CensusJson(const FilterCounts& c) {
  const VerdictCounts& v = c.verdicts;
  std::string s = "{\"passed\": " + std::to_string(v.passed) + ", \"failed\": " + std::to_string(v.failed) +
                  ", \"hard_reject\": " + std::to_string(v.hardReject) +
                  ", \"candidates\": " + std::to_string(c.candidates) +
                  ", \"distinct_vectors\": " + std::to_string(c.distinctVectors) + ", \"levels\": [";
  for (int k = 0; k < kLevels; ++k) {
    s += std::string(k ? ",\n" : "\n") + "  {\"level\": " + std::to_string(k) + ", \"histogram\": [";
    for (size_t p = 0; p < kShareBins; ++p) s += (p ? ", " : "") + std::to_string(c.histograms[k][p]);
    s += "]}";
  }
  return s + "\n]}\n";
}

std::string CensusCsv(const FilterCounts& c) {
  std::string s = "level";
  for (size_t p = 0; p < kShareBins; ++p) {
    s += ",share";
    s += std::to_string(p);
  }
  s += "\n";
  for (int k = 0; k < kLevels; ++k) {
    s += std::to_string(k);
    for (uint64_t n : c.histograms[k]) {
      s += ',';
      s += std::to_string(n);
    }
    s += "\n";
  }
  return s;
}

std::string CensusHtml(const FilterCounts& c, const std::string& filterStr) {
  const VerdictCounts& v = c.verdicts;
  const double all = c.candidates ? static_cast<double>(c.candidates) : 1.0;
  std::string body = "<h1>Census of the filter</h1>\n<p class=\"note\">Filter string: <code>" +
                     HtmlEscape(filterStr) + "</code><br>" + std::to_string(c.betCount) + " media bets, " +
                     std::to_string(c.distinctVectors) + " distinct share vectors over " +
                     std::to_string(c.candidates) + " numbers; every count is exact.</p>\n";
  body += "<h2>Verdicts</h2>\n<table><tr><th>Passed (0)</th><th>Failed (1)</th><th>Hard reject (999998)</th>"
          "<th>Candidates</th></tr>\n<tr><td>" + std::to_string(v.passed) + " (" +
          Percent(static_cast<double>(v.passed) / all) + ")</td><td>" + std::to_string(v.failed) +
          "</td><td>" + std::to_string(v.hardReject) + "</td><td>" + std::to_string(c.candidates) +
          "</td></tr></table>\n";
  body += "<table><tr><th>Condition</th><th>Passed without it</th></tr>\n";
  for (size_t k = 0; k < c.conditions.size(); ++k)
    body += "<tr><td class=\"text\"><code>" + ConditionText(c.conditions[k]) + "</code></td><td>" +
            std::to_string(c.passedWithout[k]) + "</td></tr>\n";
  body += "</table>\n";

  std::map<int, std::vector<ChartBand>> bands;
  for (const TMD& t : c.conditions)
    if (t.Shot >= 0 && t.Shot < kLevels)
      bands[t.Shot].push_back({std::clamp(t.ShotA, 0, 100), std::clamp(t.ShotB, 0, 100),
                               std::clamp(t.CanErrA, 0, 100), std::clamp(t.CanErrB, 0, 100)});
  body += "<h2>Numbers by share, per level</h2>\n<p class=\"legend note\"><span style=\"background:#2a6f97\">"
          "</span>numbers<span style=\"background:#9fd3a8\"></span>allowed band"
          "<span style=\"background:#ffe8a8\"></span>tolerance band</p>\n<div class=\"charts\">\n";
  for (int k = kLevels - 1; k >= 0; --k)
    body += "<figure><figcaption>Level " + std::to_string(k) + (bands.count(k) ? "" : " (no condition)") +
            "</figcaption>\n" + ShareChartSvg(k, c.histograms[k], bands[k], {}, "numbers") + "</figure>\n";
  body += "</div>\n";
  return HtmlPage("Census", body);
}

}  // namespace qv::host
