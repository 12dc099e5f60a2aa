// What quelvor census prints: text for the terminal, JSON and CSV for
// scripts, and a page of charts in the style of the HTML reports.
#pragma once

#include <string>

#include "CensusCounts.h"

namespace qv::host {

// The verdict counts, the distinct vectors, the numbers that pass without
// each condition and a table of the numbers by share per level.
std::string CensusText(const FilterCounts& c);
// The verdict counts alone, the lines of `quelvor filter`'s summary.
std::string CensusCountsText(const FilterCounts& c);
// {"passed", "failed", "hard_reject", "candidates", "distinct_vectors",
//  "levels": [{"level", "histogram": [101 counts]}...]}, levels 0 to 7.
std::string CensusJson(const FilterCounts& c);
// The header level,share0,...,share100 and a row per level 0 to 7.
std::string CensusCsv(const FilterCounts& c);
// A chart per level of the numbers by share, the bands of that level's
// conditions shaded, with the counts.
std::string CensusHtml(const FilterCounts& c, const std::string& filterStr);

// "M5(10-30|5-40)": a prepared condition as a filter string section.
std::string ConditionText(const TMD& c);

}  // namespace qv::host
