// The pieces of the HTML reports that other reports share: the page with
// the reports' style, and the chart of a histogram over the shares 0..100 %
// with the allowed and tolerance bands shaded behind the bars.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qv::host {

// A condition's bands, whole percents within 0..100.
struct ChartBand {
  int allowedLo, allowedHi, tolLo, tolHi;
};

// One SVG chart: count[s] of `unit` (a plural noun: "winners", "numbers")
// at the share s of level `level`, scaled to the highest bar; marks are
// shares flagged by small triangles under the axis.
std::string ShareChartSvg(int level, std::span<const uint64_t, 101> count, const std::vector<ChartBand>& bands,
                          const std::vector<int32_t>& marks, const std::string& unit);

// A whole self-contained page: the reports' inline style, the title, the body.
std::string HtmlPage(const std::string& title, const std::string& body);

}  // namespace qv::host
