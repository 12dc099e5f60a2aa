#include "UiViews.h"

#include <algorithm>

#include "UiApplication.h"
#include "UiPeer.h"

namespace qv::ui {

using detail::Prop;

// --- ProgressBar -------------------------------------------------------------------

ProgressBar::ProgressBar(Container& parent, std::string name) : Control(parent, std::move(name)) {}

std::unique_ptr<detail::Peer> ProgressBar::MakePeer(detail::PeerFactory& f) { return f.Make(*this); }

void ProgressBar::SetRange(int min, int max) {
  min_ = min;
  max_ = std::max(min, max);
  position_ = std::clamp(position_, min_, max_);
  Changed(Prop::kRange);
}

void ProgressBar::SetPosition(int pos) {
  pos = std::clamp(pos, min_, max_);
  if (pos == position_) return;
  position_ = pos;
  Changed(Prop::kPosition);
}

// --- Chart -------------------------------------------------------------------------------

Chart::Chart(Container& parent, std::string name) : Control(parent, std::move(name)) {}

std::unique_ptr<detail::Peer> Chart::MakePeer(detail::PeerFactory& f) { return f.Make(*this); }

void Chart::Redraw() {
  ++revision_;
  Changed(Prop::kChart);
}

void Chart::SetTexts(std::string_view caption, std::string_view xLabel, std::string_view yLabel, Cp cp) {
  caption_.assign(caption);
  xLabel_.assign(xLabel);
  yLabel_.assign(yLabel);
  cp_ = cp;
  Redraw();
}

void Chart::SetCounts(std::vector<uint64_t> counts) {
  counts_ = std::move(counts);
  Redraw();
}

void Chart::SetBands(std::vector<ChartBand> bands) {
  bands_ = std::move(bands);
  Redraw();
}

void Chart::SetBarColor(Color c) {
  barColor_ = c;
  Redraw();
}

namespace {

// The smallest 1, 2 or 5 times a power of ten at or above v.
uint64_t NiceTop(uint64_t v) {
  uint64_t p = 1;
  while (true) {
    for (uint64_t m : {1, 2, 5}) {
      if (m * p >= v) return m * p;
    }
    if (p > UINT64_MAX / 100) return v;
    p *= 10;
  }
}

}  // namespace

ChartLayout LayoutChart(const Chart& chart, int width, int height) {
  constexpr int kLine = 14;     // one line of text
  constexpr int kRight = 14;    // room for half the last x number
  ChartLayout l;
  const std::vector<uint64_t>& counts = chart.Counts();
  const int n = std::max(static_cast<int>(counts.size()), 1);
  const uint64_t most = counts.empty() ? 0 : *std::max_element(counts.begin(), counts.end());
  l.yTop = NiceTop(std::max<uint64_t>(most, 1));
  // Room for the y axis' numbers: the widest is the top one.
  const int kLeft = std::max(52, 12 + 7 * static_cast<int>(std::to_string(l.yTop).size()));

  l.caption = {0, 2, width, kLine};
  l.yLabel = {2, 2 + kLine, kLeft + 60, kLine};
  const int top = 2 + 2 * kLine + 4;
  const int bottom = height - 2 * kLine - 6;  // x numbers, then the x label
  l.plot = {kLeft, top, std::max(width - kLeft - kRight, 1), std::max(bottom - top, 1)};
  l.xLabel = {kLeft, height - kLine - 2, l.plot.width, kLine};

  const Rect& p = l.plot;
  auto xAt = [&](int x) { return p.left + static_cast<int>(static_cast<int64_t>(x) * p.width / n); };
  const int base = p.top + p.height;
  for (int x = 0; x < static_cast<int>(counts.size()); ++x) {
    const int h = static_cast<int>(static_cast<double>(counts[static_cast<size_t>(x)]) / static_cast<double>(l.yTop) *
                                   p.height + 0.5);
    const int left = xAt(x);
    l.bars.push_back({left, base - h, std::max(xAt(x + 1) - left, 1), h});
  }
  for (const ChartBand& b : chart.Bands()) {
    const int from = std::clamp(std::min(b.from, b.to), 0, n);
    const int to = std::clamp(std::max(b.from, b.to) + 1, 0, n);
    l.bands.push_back({xAt(from), p.top, xAt(to) - xAt(from), p.height});
  }
  const int last = n - 1;
  for (int x = 0; x <= last; x += (last >= 50 ? 20 : std::max(last / 5, 1))) {
    l.xTicks.push_back({static_cast<uint64_t>(x), (xAt(x) + xAt(x + 1)) / 2});
  }
  // Up to five ticks, each where its own count is.
  uint64_t shown = UINT64_MAX;
  for (uint64_t k = 0; k <= 4; ++k) {
    const uint64_t v = l.yTop * k / 4;
    if (v == shown) continue;
    shown = v;
    const double y = static_cast<double>(v) / static_cast<double>(l.yTop) * p.height;
    l.yTicks.push_back({v, base - static_cast<int>(y + 0.5)});
  }
  return l;
}

// --- ListView ------------------------------------------------------------------------------

ListView::ListView(Container& parent, std::string name) : Control(parent, std::move(name)) { SetTabStop(true); }

std::unique_ptr<detail::Peer> ListView::MakePeer(detail::PeerFactory& f) { return f.Make(*this); }

void ListView::AddColumn(std::string_view caption, Cp cp, int width) {
  columns_.push_back(Column{std::string(caption), cp, width});
  Changed(Prop::kColumnAdded, static_cast<int>(columns_.size()) - 1);
}

void ListView::AddRow(std::vector<std::string> cells) {
  rows_.push_back(std::move(cells));
  Changed(Prop::kItemAdded, RowCount() - 1);
}

void ListView::ClearRows() {
  rows_.clear();
  selected_ = -1;
  Changed(Prop::kItemsCleared);
}

int ListView::Selected() const {
  Pull();
  return selected_;
}

void ListView::ClickRow(int i) {
  if (!Enabled() || !Visible() || i < 0 || i >= RowCount()) return;
  if (OwnerForm().Showing()) SetFocus();
  if (i == Selected()) return;
  SetSelected(i);
  if (OnSelect) RunGuarded([&] { OnSelect(*this); });
}

void ListView::SelectionChangedInWindow(int row) {
  const int before = selected_;
  SelectedFromWindow(row);
  if (selected_ != before && OnSelect) RunGuarded([&] { OnSelect(*this); });
}

void ListView::SetSelected(int row) {
  selected_ = row >= 0 && row < RowCount() ? row : -1;
  Changed(Prop::kSelection);
}

}  // namespace qv::ui
