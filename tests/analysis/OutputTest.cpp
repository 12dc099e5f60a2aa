#include "BacktestOutput.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>

namespace qv::host {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class OutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    // Two conditions at level 5, one at level 0.
    ASSERT_TRUE(BandsOf("M5(10-30|5-40)M0(20-60|10-70)M5(0-50|0-60)E0-1", bands, why)) << why;
    draws.resize(2);
    draws[0].draw = "a, \"first\" <draw>";
    draws[0].winner = "1234567";
    draws[1].draw = "\xE7\xAC\xAC\xE4\xBA\x8C\xFF";  // 第二 and a byte that is no UTF-8
    draws[1].winner = "7654321";
    run.draws = draws;
    run.results.resize(2);
    run.results[0].verdict = kPass;
    run.results[0].shares = {50, 0, 0, 0, 0, 25, 0, 25};
    run.results[0].betCount = 4;
    run.results[1].verdict = kHardReject;
    run.results[1].betCount = 3;
    run.keepRate = {KeepRateMode::Sample, 1000, 5};
    for (DrawResult& r : run.results) {
      r.kept = 250;
      r.examined = 1000;
      r.keepRate = 0.25;
      r.keepRateLow = 0.2;
      r.keepRateHigh = 0.3;
    }
    run.summary = Summarize(run.results);
  }
  Bands bands;
  std::vector<HistoryDraw> draws;
  BacktestRun run;
};

TEST_F(OutputTest, BacktestJsonKeys) {
  const std::string json = BacktestJson(run);
  for (const char* key : {"\"draws\": [", "\"draw\": ", "\"winner\": ", "\"bet_count\": 4", "\"verdict\": 999998",
                          "\"shares\": [50, 0, 0, 0, 0, 25, 0, 25]", "\"keep_rate\": 0.25", "\"keep_rate_low\": 0.2",
                          "\"keep_rate_high\": 0.3", "\"summary\": {\"draws\": 2, \"kept\": 1, \"recall\": 0.5, "
                          "\"mean_keep_rate\": 0.25, \"lift\": 2, \"expected_kept\": 0.5, \"p_value\": 0.4375, ",
                          "\"verdict\": \"consistent with chance\", \"chance_test_rates\": \"sampled\"}",
                          "\"seed\": 5"})
    EXPECT_THAT(json, HasSubstr(key));
  EXPECT_THAT(json, HasSubstr("\"a, \\\"first\\\" <draw>\""));
  EXPECT_THAT(json, HasSubstr("\"\xE7\xAC\xAC\xE4\xBA\x8C\\ufffd\""));
  // Without a sample, no interval keys; without keep rates, nulls.
  run.keepRate.mode = KeepRateMode::None;
  for (DrawResult& r : run.results) r.keepRate.reset();
  run.summary = Summarize(run.results);
  const std::string none = BacktestJson(run);
  EXPECT_THAT(none, Not(HasSubstr("keep_rate_low")));
  EXPECT_THAT(none, HasSubstr("\"keep_rate\": null"));
  EXPECT_THAT(none, HasSubstr("\"mean_keep_rate\": null, \"lift\": null, \"expected_kept\": null, \"p_value\": null"));
  EXPECT_THAT(SummaryText(run.summary, run.keepRate), HasSubstr("no chance test without keep rates"));
}

TEST_F(OutputTest, BacktestCsvHeaderAndQuoting) {
  const std::string csv = BacktestCsv(run);
  EXPECT_EQ(csv.substr(0, csv.find('\n')),
            "draw,winner,bet_count,verdict,share0,share1,share2,share3,share4,share5,share6,share7,keep_rate");
  EXPECT_THAT(csv, HasSubstr("\n\"a, \"\"first\"\" <draw>\",1234567,4,0,50,0,0,0,0,25,0,25,0.25\n"));
  EXPECT_EQ(Count(csv, "\n"), 3u);
}

TEST_F(OutputTest, CalibrationJsonAndCsv) {
  CalibrationRun cal;
  cal.rows = 2;
  cal.holdout = 1;
  std::string why;
  ASSERT_TRUE(ParseUnitDecimal("0.8", cal.allowed, why));
  ASSERT_TRUE(ParseUnitDecimal("1.0", cal.tolerance, why));
  ASSERT_TRUE(ParseUnitDecimal("0.9", cal.recall, why));
  cal.proposal.levels = {{5, 10, 20, 30, {10, 20}, {10, 30}}, {0, 1, 2, 3, {1, 2}, {0, 3}}};
  cal.proposal.e = 1;
  cal.proposal.eReached = true;
  cal.filterString = "M5(10-20|10-30)M0(1-2|0-3)E0-1TJ1234567|";
  cal.inSample = run;
  cal.outOfSample = run;
  const std::string json = CalibrationJson(cal);
  for (const char* key :
       {"\"levels\": [", "{\"level\": 5, \"min\": 10, \"median\": 20, \"max\": 30, \"allowed\": [10, 20], "
                        "\"tolerance\": [10, 30]}", "\"e\": 1", "\"e_reached\": true",
        "\"filter_string\": \"M5(10-20|10-30)M0(1-2|0-3)E0-1TJ1234567|\"", "\"backtest\": {\"draws\": 2",
        "\"holdout\": {\"draws\": 2"})
    EXPECT_THAT(json, HasSubstr(key));
  cal.holdout = 0;
  EXPECT_THAT(CalibrationJson(cal), Not(HasSubstr("\"holdout\"")));
  EXPECT_EQ(CalibrationCsv(cal),
            "level,min,median,max,allowed_lo,allowed_hi,tolerance_lo,tolerance_hi\n"
            "5,10,20,30,10,20,10,30\n0,1,2,3,1,2,0,3\n");
}

void ExpectSelfContained(const std::string& html) {
  EXPECT_THAT(html, HasSubstr("<!DOCTYPE html>"));
  EXPECT_THAT(html, HasSubstr("<style>"));
  EXPECT_THAT(html, HasSubstr("<meta charset=\"utf-8\">"));
  for (const char* outside : {"<script", "http:", "https:", "src=", "href=", "url(", "@import", "<link", "<img"})
    EXPECT_THAT(html, Not(HasSubstr(outside))) << outside;
}

TEST_F(OutputTest, BacktestHtmlOneChartPerLevel) {
  const std::string html = BacktestHtml(run, bands, "History: h.csv");
  ExpectSelfContained(html);
  EXPECT_EQ(Count(html, "<svg "), 2u);
  EXPECT_EQ(Count(html, "<svg data-level=\"5\""), 1u);
  EXPECT_EQ(Count(html, "<svg data-level=\"0\""), 1u);
  EXPECT_EQ(Count(html, "class=\"allow\""), 3u);  // both level-5 conditions are shaded
  EXPECT_EQ(Count(html, "<tr class=\"kept\">"), 1u);
  EXPECT_THAT(html, HasSubstr("a, &quot;first&quot; &lt;draw&gt;"));
  EXPECT_THAT(html, Not(HasSubstr("<draw>")));
}

TEST_F(OutputTest, CalibrationHtmlShowsOutOfSampleFirst) {
  CalibrationRun cal;
  cal.history = "h.csv";
  cal.rows = 4;
  cal.holdout = 2;
  cal.proposal.levels = {{7, 0, 0, 25, {0, 0}, {0, 25}}, {5, 0, 25, 25, {0, 25}, {0, 25}}, {0, 0, 0, 50, {0, 50}, {0, 50}}};
  cal.filterString = "M7(0-0|0-25)M5(0-25|0-25)M0(0-50|0-50)E0-1";
  cal.inSample = run;
  cal.outOfSample = run;
  const std::string html = CalibrationHtml(cal);
  ExpectSelfContained(html);
  EXPECT_EQ(Count(html, "<svg "), 3u);
  for (const char* level : {"7", "5", "0"})
    EXPECT_EQ(Count(html, std::string("<svg data-level=\"") + level + "\""), 1u) << level;
  EXPECT_LT(html.find("Out-of-sample"), html.find("In-sample"));
  EXPECT_LT(html.find("Out-of-sample"), html.find("Proposal"));
  EXPECT_EQ(Count(html, "class=\"held\""), 6u);  // two held-out winners on each of three charts
  EXPECT_EQ(Count(html, "<td class=\"verdict\">consistent with chance</td>"), 2u);  // beside each lift
  EXPECT_EQ(Count(html, "The chance test uses the sampled keep rates."), 2u);
  EXPECT_THAT(CalibrationText(cal), HasSubstr("the test uses the sampled keep rates"));
}

}  // namespace
}  // namespace qv::host
