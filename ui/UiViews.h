// Display controls that show what the program computed: a progress bar, a
// chart of counts by a whole-percent x, and a report-style list view.  The
// user does not edit them; their state is the object's, and the Win32
// backend shows it with a standard control (or, for the chart, a window
// class of ours drawing with GDI).  The in-memory backend has no windows:
// what a chart would draw is its data and ChartLayout below.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "UiControls.h"

namespace qv::ui {

// A standard progress bar: Position within Min..Max (0..100 unless set).
// With a window, the window's position is the truth.
class ProgressBar : public Control {
 public:
  ProgressBar(Container& parent, std::string name);
  int Min() const { return min_; }
  int Max() const { return max_; }
  int Position() const {
    Pull();
    return position_;
  }
  void SetRange(int min, int max);
  // Clamped into the range.
  void SetPosition(int pos);
  std::unique_ptr<detail::Peer> MakePeer(detail::PeerFactory& f) override;

  // --- plumbing: the window's position (Win32 backend) ---
  void PositionFromWindow(int pos) { position_ = std::clamp(pos, min_, max_); }

 private:
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
};

// A shaded span of x, both ends included, drawn behind the bars.
struct ChartBand {
  int from = 0;
  int to = 0;
  Color color = 0;
  bool operator==(const ChartBand&) const = default;
};

// Bars of counts by x = 0 .. Counts().size() - 1 (0..100 for percents),
// with shaded x bands in the caller's colours, a caption above the plot and
// labels under the x axis and beside the y axis.
class Chart : public Control {
 public:
  Chart(Container& parent, std::string name);

  const std::string& Caption() const { return caption_; }
  const std::string& XLabel() const { return xLabel_; }
  const std::string& YLabel() const { return yLabel_; }
  Cp TextCp() const { return cp_; }
  void SetTexts(std::string_view caption, std::string_view xLabel, std::string_view yLabel, Cp cp);

  const std::vector<uint64_t>& Counts() const { return counts_; }
  void SetCounts(std::vector<uint64_t> counts);
  // Drawn in this order, each over the ones before.
  const std::vector<ChartBand>& Bands() const { return bands_; }
  void SetBands(std::vector<ChartBand> bands);
  Color BarColor() const { return barColor_; }
  void SetBarColor(Color c);

  // Times the chart was asked to redraw (a change of data or texts).
  int Revision() const { return revision_; }
  std::unique_ptr<detail::Peer> MakePeer(detail::PeerFactory& f) override;

 private:
  void Redraw();
  std::string caption_;
  std::string xLabel_;
  std::string yLabel_;
  Cp cp_ = Cp::System;
  std::vector<uint64_t> counts_;
  std::vector<ChartBand> bands_;
  Color barColor_ = 0x00A06040;
  int revision_ = 0;
};

// Where a chart of the given client size draws its parts, in client
// pixels: the one drawing rule of both backends.
struct ChartTick {
  uint64_t value = 0;
  int pixel = 0;  // x for the x axis, y for the y axis
};
struct ChartLayout {
  Rect caption;                // the caption's line, above the plot
  Rect plot;                   // the axes' corner is its left bottom
  std::vector<Rect> bars;      // one per x (height 0 for a zero count)
  std::vector<Rect> bands;     // one per band, clipped to the plot
  std::vector<ChartTick> xTicks;
  std::vector<ChartTick> yTicks;
  uint64_t yTop = 1;           // the count at the plot's top
  Rect xLabel;
  Rect yLabel;                 // above the y axis' ticks
};
ChartLayout LayoutChart(const Chart& chart, int width, int height);

// A report-style list view: captioned columns and rows of cell texts
// (system code page bytes, kept exactly).  One row can be selected by the
// user; with a window the window's selection is the truth.
class ListView : public Control {
 public:
  ListView(Container& parent, std::string name);

  struct Column {
    std::string caption;
    Cp cp = Cp::System;
    int width = 80;
  };
  const std::vector<Column>& Columns() const { return columns_; }
  void AddColumn(std::string_view caption, Cp cp, int width);

  int RowCount() const { return static_cast<int>(rows_.size()); }
  const std::vector<std::string>& Row(int i) const { return rows_.at(static_cast<size_t>(i)); }
  // Cells beyond the columns are kept but not shown; missing ones are empty.
  void AddRow(std::vector<std::string> cells);
  void ClearRows();

  // The selected row, -1 for none.
  int Selected() const;
  void SetSelected(int row);

  // Runs when the user (or any sender, with a window) selects another row;
  // not for the program's SetSelected.
  std::function<void(ListView&)> OnSelect;
  // The user clicks row i: it becomes the selected one.
  void ClickRow(int i);

  std::unique_ptr<detail::Peer> MakePeer(detail::PeerFactory& f) override;

  // --- plumbing (Win32 backend): the window's selection, read; and its
  // notice that the selection changed, which runs OnSelect ---
  void SelectedFromWindow(int row) { selected_ = row >= 0 && row < RowCount() ? row : -1; }
  void SelectionChangedInWindow(int row);

 private:
  std::vector<Column> columns_;
  std::vector<std::vector<std::string>> rows_;
  int selected_ = -1;
};

}  // namespace qv::ui
