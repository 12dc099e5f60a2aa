// The dialogs' fixed control IDs (the windows' IDs on Win32): each named
// control has one, unique within its dialog, so that tests and automation
// tools find a control by ID (GetDlgItem on its container, or a search of
// the dialog's descendants) instead of by its place.  OK and Cancel are the
// system's IDOK and IDCANCEL.  docs/dialogs.md lists them.
#pragma once

namespace qv::ids {

inline constexpr int kOk = 1;      // IDOK
inline constexpr int kCancel = 2;  // IDCANCEL

// --- the setup dialog (frmFltSetup) ---------------------------------------
inline constexpr int kPageControl = 100;  // RzPageControl1
inline constexpr int kTabSheet1 = 101;
inline constexpr int kTabSheet2 = 102;
inline constexpr int kConditionsPanel = 103;  // RzPanel1
inline constexpr int kBetsPanel = 104;        // RzPanel2
inline constexpr int kButtonsPanel = 105;     // RzPanel3
inline constexpr int kAllowedHeader = 110;    // Label31
inline constexpr int kToleranceHeader = 111;  // Label32
inline constexpr int kERangeLabel = 112;      // Label16
inline constexpr int kSRangeLabel = 113;      // Label33
inline constexpr int kNotes = 114;            // Label2
inline constexpr int kBetsLabel = 115;        // Label1
inline constexpr int kBetCount = 116;         // lblMVDInfo
inline constexpr int kBevel = 117;            // Bevel1

// Per hit level d (0..7).
constexpr int LevelBox(int d) { return 200 + d; }        // chkShot<d>
constexpr int AllowedLow(int d) { return 210 + d; }      // edtShot<d>a
constexpr int AllowedHigh(int d) { return 220 + d; }     // edtShot<d>b
constexpr int ToleranceLow(int d) { return 230 + d; }    // edtCanErr<d>a
constexpr int ToleranceHigh(int d) { return 240 + d; }   // edtCanErr<d>b
constexpr int AllowedDash(int d) { return 250 + d; }     // lblShot<d>To
constexpr int AllowedPct(int d) { return 260 + d; }      // lblShot<d>Pct
constexpr int ToleranceDash(int d) { return 270 + d; }   // lblCanErr<d>To
constexpr int TolerancePct(int d) { return 280 + d; }    // lblCanErr<d>Pct

inline constexpr int kEBox = 300;       // chkCanErr
inline constexpr int kELow = 301;       // edtCanErr1
inline constexpr int kEHigh = 302;      // edtCanErr2
inline constexpr int kSBox = 303;       // chkCanSupErr
inline constexpr int kSLow = 304;       // edtCanSupErr1
inline constexpr int kSHigh = 305;      // edtCanSupErr2
inline constexpr int kMenuButton = 306; // RzMenuButton1
// The operations menu's entry that opens the analysis window: its command
// ID, which a WM_COMMAND sent to the setup dialog's window also reaches.
inline constexpr int kAnalysisMenu = 310;  // mnuAnalysis

inline constexpr int kBetList = 400;    // lbMVDChip
inline constexpr int kImport = 401;     // btnLoad
inline constexpr int kAdd = 402;        // btnAdd
inline constexpr int kDelete = 403;     // btnDelete
inline constexpr int kClear = 404;      // btnClear

// --- the analysis window (frmAnalysis), beside the setup dialog ------------
inline constexpr int kKept = 500;            // lblKept
inline constexpr int kCensusProgress = 501;  // pbCensus
constexpr int LevelChart(int d) { return 510 + d; }     // chtLevel<d>
constexpr int PassedWithout(int d) { return 520 + d; }  // lblWithout<d>
// The history part under the charts.
inline constexpr int kHistoryButton = 530;   // btnHistory
inline constexpr int kHistoryList = 531;     // lvHistory
inline constexpr int kHistorySummary = 532;  // lblHistory
inline constexpr int kRecall = 533;          // edtRecall
inline constexpr int kHoldout = 534;         // edtHoldout
inline constexpr int kCalibrate = 535;       // btnCalibrate
inline constexpr int kApply = 536;           // btnApply
inline constexpr int kRecallLabel = 537;     // lblRecall
inline constexpr int kHoldoutLabel = 538;    // lblHoldout

// --- the entry dialog (frmInputMDChip) -------------------------------------
// OK and Cancel: kOk, kCancel.
inline constexpr int kEntryInput = 100;        // edtInput
inline constexpr int kEntryInstruction = 101;  // Label1

}  // namespace qv::ids
