// The dialogs' captions and messages, GB2312 bytes as they reach the screen
// and the files.  The UTF-8 text stands beside each one.
#pragma once

#include <cstddef>
#include <string>

#include "CensusReasons.h"

namespace qv::texts {

// 分布概率: the filter's display name, the caption of the plain message
// boxes and of the error display.
inline constexpr char kAppTitle[] = "\xB7\xD6\xB2\xBC\xB8\xC5\xC2\xCA";

// 媒体个数
inline constexpr char kCountPrefix[] =
    "\xC3\xBD\xCC\xE5\xB8\xF6\xCA\xFD";
// 媒体个数： %d, 当前序号： %d
inline constexpr char kCountPositionFormat[] =
    "\xC3\xBD\xCC\xE5\xB8\xF6\xCA\xFD\xA3\xBA %d, \xB5\xB1\xC7\xB0\xD0\xF2\xBA\xC5\xA3\xBA %d";
//  媒体个数： 0
inline constexpr char kCountInitial[] =
    " \xC3\xBD\xCC\xE5\xB8\xF6\xCA\xFD\xA3\xBA 0";
// 命中分布概率过滤
inline constexpr char kSetupCaption[] =
    "\xC3\xFC\xD6\xD0\xB7\xD6\xB2\xBC\xB8\xC5\xC2\xCA\xB9\xFD\xC2\xCB";
//  普通命中分布概率过滤 
inline constexpr char kTabSheet1Caption[] =
    " \xC6\xD5\xCD\xA8\xC3\xFC\xD6\xD0\xB7\xD6\xB2\xBC\xB8\xC5\xC2\xCA\xB9\xFD\xC2\xCB ";
//  分组命中分布过滤 
inline constexpr char kTabSheet2Caption[] =
    " \xB7\xD6\xD7\xE9\xC3\xFC\xD6\xD0\xB7\xD6\xB2\xBC\xB9\xFD\xC2\xCB ";
// 允许概率范围
inline constexpr char kAllowedHeader[] =
    "\xD4\xCA\xD0\xED\xB8\xC5\xC2\xCA\xB7\xB6\xCE\xA7";
// 容错概率范围
inline constexpr char kToleranceHeader[] =
    "\xC8\xDD\xB4\xED\xB8\xC5\xC2\xCA\xB7\xB6\xCE\xA7";
// 命中  
inline constexpr char kLevelCaptionHead[] =
    "\xC3\xFC\xD6\xD0  ";
//  星的媒体概率：
inline constexpr char kLevelCaptionTail[] =
    " \xD0\xC7\xB5\xC4\xC3\xBD\xCC\xE5\xB8\xC5\xC2\xCA\xA3\xBA";
// ≤本级容错≤
inline constexpr char kERangeLabel[] =
    "\xA1\xDC\xB1\xBE\xBC\xB6\xC8\xDD\xB4\xED\xA1\xDC";
// 操作列表
inline constexpr char kMenuButtonCaption[] =
    "\xB2\xD9\xD7\xF7\xC1\xD0\xB1\xED";
// ≤超容错≤
inline constexpr char kSRangeLabel[] =
    "\xA1\xDC\xB3\xAC\xC8\xDD\xB4\xED\xA1\xDC";
// 确定
inline constexpr char kOkCaption[] =
    "\xC8\xB7\xB6\xA8";
// 取消
inline constexpr char kCancelCaption[] =
    "\xC8\xA1\xCF\xFB";
// [注意事项]
inline constexpr char kNotesLine1[] =
    "[\xD7\xA2\xD2\xE2\xCA\xC2\xCF\xEE]";
// 1、媒体命中个数是按非连续命中统计。
inline constexpr char kNotesLine2[] =
    "1\xA1\xA2\xC3\xBD\xCC\xE5\xC3\xFC\xD6\xD0\xB8\xF6\xCA\xFD\xCA\xC7\xB0\xB4\xB7\xC7\xC1\xAC\xD0\xF8\xC3\xFC\xD6\xD0\xCD\xB3\xBC\xC6\xA1\xA3";
// 2、该过滤插件仅适用于七星彩及其他七位数玩法。
inline constexpr char kNotesLine3[] =
    "2\xA1\xA2\xB8\xC3\xB9\xFD\xC2\xCB\xB2\xE5\xBC\xFE\xBD\xF6\xCA\xCA\xD3\xC3\xD3\xDA\xC6\xDF\xD0\xC7\xB2\xCA\xBC\xB0\xC6\xE4\xCB\xFB\xC6\xDF\xCE\xBB\xCA\xFD\xCD\xE6\xB7\xA8\xA1\xA3";
// 保存条件
inline constexpr char kSaveFltCaption[] =
    "\xB1\xA3\xB4\xE6\xCC\xF5\xBC\xFE";
// 导入条件
inline constexpr char kLoadFltCaption[] =
    "\xB5\xBC\xC8\xEB\xCC\xF5\xBC\xFE";
//  媒体推荐投注：
inline constexpr char kBetsLabel[] =
    " \xC3\xBD\xCC\xE5\xCD\xC6\xBC\xF6\xCD\xB6\xD7\xA2\xA3\xBA";
// 导入
inline constexpr char kLoadCaption[] =
    "\xB5\xBC\xC8\xEB";
// 添加
inline constexpr char kAddCaption[] =
    "\xCC\xED\xBC\xD3";
// 删除
inline constexpr char kDeleteCaption[] =
    "\xC9\xBE\xB3\xFD";
// 清空
inline constexpr char kClearCaption[] =
    "\xC7\xE5\xBF\xD5";
//  对不起，媒体推荐投注不能为空！
inline constexpr char kEmptyListMessage[] =
    " \xB6\xD4\xB2\xBB\xC6\xF0\xA3\xAC\xC3\xBD\xCC\xE5\xCD\xC6\xBC\xF6\xCD\xB6\xD7\xA2\xB2\xBB\xC4\xDC\xCE\xAA\xBF\xD5\xA3\xA1";
// 错误的操作
inline constexpr char kEmptyListCaption[] =
    "\xB4\xED\xCE\xF3\xB5\xC4\xB2\xD9\xD7\xF7";
// 文件保存发生错误！
inline constexpr char kSaveFailedMessage[] =
    "\xCE\xC4\xBC\xFE\xB1\xA3\xB4\xE6\xB7\xA2\xC9\xFA\xB4\xED\xCE\xF3\xA3\xA1";
// 打开文件发生错误！
inline constexpr char kLoadFailedMessage[] =
    "\xB4\xF2\xBF\xAA\xCE\xC4\xBC\xFE\xB7\xA2\xC9\xFA\xB4\xED\xCE\xF3\xA3\xA1";
// 容错范围只能是0到9之间的一位数字！请重新输入。
inline constexpr char kRangeDigitMessage[] =
    "\xC8\xDD\xB4\xED\xB7\xB6\xCE\xA7\xD6\xBB\xC4\xDC\xCA\xC7" "0\xB5\xBD" "9\xD6\xAE\xBC\xE4\xB5\xC4\xD2\xBB\xCE\xBB\xCA\xFD\xD7\xD6\xA3\xA1\xC7\xEB\xD6\xD8\xD0\xC2\xCA\xE4\xC8\xEB\xA1\xA3";
// 保存的过滤条件格式不正确，无法显示！
inline constexpr char kCannotShowMessage[] =
    "\xB1\xA3\xB4\xE6\xB5\xC4\xB9\xFD\xC2\xCB\xCC\xF5\xBC\xFE\xB8\xF1\xCA\xBD\xB2\xBB\xD5\xFD\xC8\xB7\xA3\xAC\xCE\xDE\xB7\xA8\xCF\xD4\xCA\xBE\xA3\xA1";
// 确  定
inline constexpr char kEntryOkCaption[] =
    "\xC8\xB7  \xB6\xA8";
// 取  消
inline constexpr char kEntryCancelCaption[] =
    "\xC8\xA1  \xCF\xFB";
// 请输入媒体推荐投注！
inline constexpr char kEntryEmptyMessage[] =
    "\xC7\xEB\xCA\xE4\xC8\xEB\xC3\xBD\xCC\xE5\xCD\xC6\xBC\xF6\xCD\xB6\xD7\xA2\xA3\xA1";
// 您输入的投注复式不正确！请重新输入。
inline constexpr char kEntryWrongFormMessage[] =
    "\xC4\xFA\xCA\xE4\xC8\xEB\xB5\xC4\xCD\xB6\xD7\xA2\xB8\xB4\xCA\xBD\xB2\xBB\xD5\xFD\xC8\xB7\xA3\xA1\xC7\xEB\xD6\xD8\xD0\xC2\xCA\xE4\xC8\xEB\xA1\xA3";

// The entry dialog's instruction: nine lines, each ended by one carriage
// return but the last; leading blanks set the indentation.
inline constexpr char kEntryInstruction[] =
    "                              \r"  // 30 blanks
    "                              "
    "\xC3\xBD\xCC\xE5\xCD\xC6\xBC\xF6\xCD\xB6\xD7\xA2\xCA\xE4\xC8\xEB\r"  // 媒体推荐投注输入
    "\r"
    "        "
    "\xC7\xEB\xB0\xB4\xD5\xD5\xB8\xB4\xCA\xD4\xCD\xB6\xD7\xA2\xB5\xC4\xB7\xBD\xCA\xBD\xCA\xE4"
    "\xC8\xEB\xC3\xBD\xCC\xE5\xCD\xC6\xBC\xF6\xCD\xB6\xD7\xA2\xA3\xAC\xC3\xBF\xB8\xF6\r"
    // 请按照复试投注的方式输入媒体推荐投注，每个
    "\xBA\xC5\xC2\xEB\xD6\xAE\xBC\xE4\xD3\xC3\xB6\xBA\xBA\xC5\xB8\xF4\xBF\xAA\xA3\xAC\xC0\xFD"
    "\xC8\xE7\xA3\xBA\r"  // 号码之间用逗号隔开，例如：
    "              "
    "024 \xA3\xAC" "3468\xA3\xAC 5\xA3\xAC 2347 \xA3\xAC" "05\xA3\xAC 268 \xA3\xAC" "79\r"
    // 024 ，3468， 5， 2347 ，05， 268 ，79
    "        "
    "\xBB\xF2\xD5\xDF\xD2\xD4\xB5\xA5\xCA\xBD\xCD\xB6\xD7\xA2\xB5\xC4\xB7\xBD\xCA\xBD\xCA\xE4"
    "\xC8\xEB\xA3\xAC\xC0\xFD\xC8\xE7\xA3\xBA" "1234567\r"  // 或者以单式投注的方式输入，例如：1234567
    "        "
    "\xC8\xBB\xBA\xF3\xB5\xA5\xBB\xF7\xC8\xB7\xB6\xA8\xB0\xB4\xC5\xA5\xBB\xF2\xD5\xDF\xB0\xB4"
    "\xBB\xD8\xB3\xB5\xBC\xFC\xA3\xAC\xBC\xB4\xBF\xC9\xCD\xEA\xB3\xC9\xCA\xD6\xB9\xA4\r"
    // 然后单击确定按钮或者按回车键，即可完成手工
    "\xCA\xE4\xC8\xEB\xCD\xB6\xD7\xA2\xA1\xA3";  // 输入投注。

// The open-file dialog's filter while importing: 投注结果文件(*.szc)|*.szc
inline constexpr char kBetResultFileFilter[] =
    "\xCD\xB6\xD7\xA2\xBD\xE1\xB9\xFB\xCE\xC4\xBC\xFE(*.szc)|*.szc";

// The bet result import's messages through the error display, as the
// run-time library words them (ASCII; the file name in system bytes).
inline constexpr char kCannotOpenFilePrefix[] = "Cannot open file ";
inline constexpr char kStreamReadError[] = "Stream read error";

// 导入时跳过了 N 条含有非法字符的投注记录！ -- after an import, a load or an
// opened filter string that left out bets the filter string cannot carry.
inline std::string SkippedBetsMessage(size_t skipped) {
  return "\xB5\xBC\xC8\xEB\xCA\xB1\xCC\xF8\xB9\xFD\xC1\xCB " + std::to_string(skipped) +
         " \xCC\xF5\xBA\xAC\xD3\xD0\xB7\xC7\xB7\xA8\xD7\xD6\xB7\xFB\xB5\xC4\xCD\xB6\xD7\xA2"
         "\xBC\xC7\xC2\xBC\xA3\xA1";
}


// --- the analysis window -----------------------------------------------------

// 效果分析...: the operations menu's entry that opens the analysis window
inline constexpr char kAnalysisMenuCaption[] = "\xD0\xA7\xB9\xFB\xB7\xD6\xCE\xF6...";
// 过滤效果分析
inline constexpr char kAnalysisCaption[] = "\xB9\xFD\xC2\xCB\xD0\xA7\xB9\xFB\xB7\xD6\xCE\xF6";
// The counts label, 通过：N 注（P%）  淘汰：N 注  超容错：N 注, in pieces.
// 通过：
inline constexpr char kKeptPassed[] = "\xCD\xA8\xB9\xFD\xA3\xBA";
//  注（
inline constexpr char kKeptShare[] = " \xD7\xA2\xA3\xA8";
// %）  淘汰：
inline constexpr char kKeptFailed[] = "%\xA3\xA9  \xCC\xD4\xCC\xAD\xA3\xBA";
//  注  超容错：
inline constexpr char kKeptHardReject[] = " \xD7\xA2  \xB3\xAC\xC8\xDD\xB4\xED\xA3\xBA";
//  注
inline constexpr char kKeptUnit[] = " \xD7\xA2";
// Under a checked level's chart: 去掉本条件：N 注
// 去掉本条件：
inline constexpr char kWithoutHead[] = "\xC8\xA5\xB5\xF4\xB1\xBE\xCC\xF5\xBC\xFE\xA3\xBA";
// A level's chart: the caption 命中N星 (kLevelHead, the digit, 星) and the
// axis labels.
// 星
inline constexpr char kChartCaptionTail[] = "\xD0\xC7";
// 媒体概率（%）
inline constexpr char kChartXLabel[] = "\xC3\xBD\xCC\xE5\xB8\xC5\xC2\xCA\xA3\xA8%\xA3\xA9";
// 注数
inline constexpr char kChartYLabel[] = "\xD7\xA2\xCA\xFD";
// Why the analysis window shows no counts: the list of analysis, which
// also gives them to the command line.
using namespace host::reasons;

// --- the history part under the charts --------------------
// 历史数据...
inline constexpr char kHistoryButton[] = "\xC0\xFA\xCA\xB7\xCA\xFD\xBE\xDD...";
// The open dialog's filter for a history file.
// 历史数据 (*.csv)|*.csv
inline constexpr char kHistoryFileFilter[] = "\xC0\xFA\xCA\xB7\xCA\xFD\xBE\xDD (*.csv)|*.csv";
// 期号
inline constexpr char kHistoryDrawColumn[] = "\xC6\xDA\xBA\xC5";
// 开奖号码
inline constexpr char kHistoryWinnerColumn[] = "\xBF\xAA\xBD\xB1\xBA\xC5\xC2\xEB";
// 媒体个数
inline constexpr char kHistoryBetsColumn[] = "\xC3\xBD\xCC\xE5\xB8\xF6\xCA\xFD";
// 结果
inline constexpr char kHistoryResultColumn[] = "\xBD\xE1\xB9\xFB";
// 保留率
inline constexpr char kHistoryKeepColumn[] = "\xB1\xA3\xC1\xF4\xC2\xCA";
// A draw's result: its winner passes, fails, fails beyond every tolerance.
// 保留
inline constexpr char kHistoryKept[] = "\xB1\xA3\xC1\xF4";
// 淘汰
inline constexpr char kHistoryFailed[] = "\xCC\xD4\xCC\xAD";
// 超容错
inline constexpr char kHistoryHardReject[] = "\xB3\xAC\xC8\xDD\xB4\xED";
// 召回率（%）：
inline constexpr char kRecallLabel[] = "\xD5\xD9\xBB\xD8\xC2\xCA\xA3\xA8%\xA3\xA9\xA3\xBA";
// 留出期数：
inline constexpr char kHoldoutLabel[] = "\xC1\xF4\xB3\xF6\xC6\xDA\xCA\xFD\xA3\xBA";
// 校准
inline constexpr char kCalibrateButton[] = "\xD0\xA3\xD7\xBC";
// 应用到设置
inline constexpr char kApplyButton[] = "\xD3\xA6\xD3\xC3\xB5\xBD\xC9\xE8\xD6\xC3";
// The history label before a history is loaded, and while its counts run.
// 尚未载入历史数据。
inline constexpr char kHistoryNone[] = "\xC9\xD0\xCE\xB4\xD4\xD8\xC8\xEB\xC0\xFA\xCA\xB7\xCA\xFD\xBE\xDD\xA1\xA3";
// 正在统计历史数据……
inline constexpr char kHistoryRunning[] = "\xD5\xFD\xD4\xDA\xCD\xB3\xBC\xC6\xC0\xFA\xCA\xB7\xCA\xFD\xBE\xDD\xA1\xAD\xA1\xAD";
// 正在校准……
inline constexpr char kCalibrationRunning[] = "\xD5\xFD\xD4\xDA\xD0\xA3\xD7\xBC\xA1\xAD\xA1\xAD";
// The history's summary, 保留 K / N 期，平均保留率 X%，提升 L，verdict, in pieces.
// 保留 
inline constexpr char kHistorySummaryKept[] = "\xB1\xA3\xC1\xF4 ";
//  / 
inline constexpr char kHistorySummaryOf[] = " / ";
//  期，平均保留率 
inline constexpr char kHistorySummaryMean[] = " \xC6\xDA\xA3\xAC\xC6\xBD\xBE\xF9\xB1\xA3\xC1\xF4\xC2\xCA ";
// %，提升 
inline constexpr char kHistorySummaryLift[] = "%\xA3\xAC\xCC\xE1\xC9\xFD ";
// ，
inline constexpr char kHistorySummaryComma[] = "\xA3\xAC";
// The chance test's verdict: 与随机相当, or 优于随机（p = 0.012）.
// 与随机相当
inline constexpr char kChanceConsistent[] = "\xD3\xEB\xCB\xE6\xBB\xFA\xCF\xE0\xB5\xB1";
// 优于随机（
inline constexpr char kChanceBetterHead[] = "\xD3\xC5\xD3\xDA\xCB\xE6\xBB\xFA\xA3\xA8";
// ）
inline constexpr char kChanceBetterTail[] = "\xA3\xA9";
// No lift: no number was kept.
// 无
inline constexpr char kNoLiftText[] = "\xCE\xDE";
// After a calibration: 校准建议：<the proposed sections>.
// 校准建议：
inline constexpr char kProposalHead[] = "\xD0\xA3\xD7\xBC\xBD\xA8\xD2\xE9\xA3\xBA";
// （召回率未达到目标）
inline constexpr char kProposalEMissed[] = "\xA3\xA8\xD5\xD9\xBB\xD8\xC2\xCA\xCE\xB4\xB4\xEF\xB5\xBD\xC4\xBF\xB1\xEA\xA3\xA9";
// ；留出 K 期保留 N 期 (with a holdout).
// ；留出 
inline constexpr char kProposalHeldOutHead[] = "\xA3\xBB\xC1\xF4\xB3\xF6 ";
//  期保留 
inline constexpr char kProposalHeldOutKept[] = " \xC6\xDA\xB1\xA3\xC1\xF4 ";
//  期
inline constexpr char kProposalHeldOutTail[] = " \xC6\xDA";
// 没有可校准的命中级别，校准未能完成。
inline constexpr char kCalibrationNoLevels[] = "\xC3\xBB\xD3\xD0\xBF\xC9\xD0\xA3\xD7\xBC\xB5\xC4\xC3\xFC\xD6\xD0\xBC\xB6\xB1\xF0\xA3\xAC\xD0\xA3\xD7\xBC\xCE\xB4\xC4\xDC\xCD\xEA\xB3\xC9\xA1\xA3";
// 校准已取消。
inline constexpr char kCalibrationCancelled[] = "\xD0\xA3\xD7\xBC\xD2\xD1\xC8\xA1\xCF\xFB\xA1\xA3";
// A history record the window cannot use: 历史数据第 N 行有误：why.
// 历史数据第 
inline constexpr char kHistoryLineHead[] = "\xC0\xFA\xCA\xB7\xCA\xFD\xBE\xDD\xB5\xDA ";
//  行有误：
inline constexpr char kHistoryLineTail[] = " \xD0\xD0\xD3\xD0\xCE\xF3\xA3\xBA";
// A chosen history file that cannot be used.
// 所选的是文件夹，不是历史数据文件！
inline constexpr char kHistoryDirectoryMessage[] = "\xCB\xF9\xD1\xA1\xB5\xC4\xCA\xC7\xCE\xC4\xBC\xFE\xBC\xD0\xA3\xAC\xB2\xBB\xCA\xC7\xC0\xFA\xCA\xB7\xCA\xFD\xBE\xDD\xCE\xC4\xBC\xFE\xA3\xA1";
// 读取历史数据文件发生错误！
inline constexpr char kHistoryReadErrorMessage[] = "\xB6\xC1\xC8\xA1\xC0\xFA\xCA\xB7\xCA\xFD\xBE\xDD\xCE\xC4\xBC\xFE\xB7\xA2\xC9\xFA\xB4\xED\xCE\xF3\xA3\xA1";
// 历史数据文件是空的！
inline constexpr char kHistoryEmptyMessage[] = "\xC0\xFA\xCA\xB7\xCA\xFD\xBE\xDD\xCE\xC4\xBC\xFE\xCA\xC7\xBF\xD5\xB5\xC4\xA3\xA1";
// 历史数据文件超过 16 MB，无法载入！
inline constexpr char kHistoryTooLargeMessage[] = "\xC0\xFA\xCA\xB7\xCA\xFD\xBE\xDD\xCE\xC4\xBC\xFE\xB3\xAC\xB9\xFD 16 MB\xA3\xAC\xCE\xDE\xB7\xA8\xD4\xD8\xC8\xEB\xA3\xA1";
// 历史数据文件不是 UTF-8 编码，无法载入！
inline constexpr char kHistoryNotUtf8Message[] = "\xC0\xFA\xCA\xB7\xCA\xFD\xBE\xDD\xCE\xC4\xBC\xFE\xB2\xBB\xCA\xC7 UTF-8 \xB1\xE0\xC2\xEB\xA3\xAC\xCE\xDE\xB7\xA8\xD4\xD8\xC8\xEB\xA3\xA1";

}  // namespace qv::texts
