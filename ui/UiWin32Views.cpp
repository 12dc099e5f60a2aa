// The peers of the display controls: a standard progress bar, a standard
// report-style list view, and the chart, a window class of ours that draws
// its object with GDI into a memory bitmap and shows it in one copy (no
// flicker), following the layout both toolkits share (LayoutChart).
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>

#include "UiWin32Window.h"

namespace qv::ui::win32 {

namespace {

class ProgressPeer : public WinPeer {
 public:
  ProgressPeer(Session& s, ProgressBar& c) : WinPeer(s, c), bar(c) {}
  void Create(HWND parent) override {
    MakeChild(0, PROGRESS_CLASSW, L"", (BaseStyle() & ~WS_TABSTOP) | PBS_SMOOTH, parent);
    Push(detail::kRange);
    Subclass();
  }
  bool TakesFocus() const override { return false; }

 protected:
  void Read() override { bar.PositionFromWindow(static_cast<int>(SendMessageW(hwnd, PBM_GETPOS, 0, 0))); }
  void Own(int prop, int) override { Push(prop); }

 private:
  void Push(int prop) {
    if (prop == detail::kRange) SendMessageW(hwnd, PBM_SETRANGE32, static_cast<WPARAM>(bar.Min()), bar.Max());
    if (prop == detail::kRange || prop == detail::kPosition) {
      SendMessageW(hwnd, PBM_SETPOS, static_cast<WPARAM>(bar.Position()), 0);
    }
  }
  ProgressBar& bar;
};

class ChartPeer : public WinPeer {
 public:
  ChartPeer(Session& s, Chart& c) : WinPeer(s, c), chart(c) {}
  void Create(HWND parent) override {
    MakeChild(0, kChartClass, L"", BaseStyle() & ~WS_TABSTOP, parent);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  bool TakesFocus() const override { return false; }

  void Paint() {
    PAINTSTRUCT ps;
    HDC screen = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    const int w = std::max<int>(rc.right, 1);
    const int h = std::max<int>(rc.bottom, 1);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    Draw(dc, w, h);
    BitBlt(screen, 0, 0, w, h, dc, 0, 0, SRCCOPY);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    EndPaint(hwnd, &ps);
  }

 protected:
  void Own(int prop, int) override {
    if (prop == detail::kChart) InvalidateRect(hwnd, nullptr, FALSE);
  }

 private:
  static void Fill(HDC dc, const Rect& r, Color c) {
    if (r.width <= 0 || r.height <= 0) return;
    RECT box{r.left, r.top, r.left + r.width, r.top + r.height};
    HBRUSH brush = CreateSolidBrush(c);
    FillRect(dc, &box, brush);
    DeleteObject(brush);
  }
  static void Text(HDC dc, const std::wstring& s, int left, int top, int right, int bottom, UINT format) {
    RECT box{left, top, right, bottom};
    DrawTextW(dc, s.c_str(), static_cast<int>(s.size()), &box, format | DT_SINGLELINE | DT_NOPREFIX);
  }

  void Draw(HDC dc, int w, int h) {
    const RECT all{0, 0, w, h};
    FillRect(dc, &all, GetSysColorBrush(COLOR_WINDOW));
    const ChartLayout l = LayoutChart(chart, w, h);
    for (size_t i = 0; i < l.bands.size(); ++i) Fill(dc, l.bands[i], chart.Bands()[i].color);
    for (const Rect& bar : l.bars) Fill(dc, bar, chart.BarColor());

    const Rect& p = l.plot;
    HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_WINDOWTEXT));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    MoveToEx(dc, p.left, p.top, nullptr);
    LineTo(dc, p.left, p.top + p.height);
    LineTo(dc, p.left + p.width, p.top + p.height);
    for (const ChartTick& t : l.xTicks) {
      MoveToEx(dc, t.pixel, p.top + p.height, nullptr);
      LineTo(dc, t.pixel, p.top + p.height + 4);
    }
    for (const ChartTick& t : l.yTicks) {
      MoveToEx(dc, p.left - 4, t.pixel, nullptr);
      LineTo(dc, p.left, t.pixel);
    }
    SelectObject(dc, oldPen);
    DeleteObject(pen);

    HGDIOBJ oldFont = SelectObject(dc, session.FontFor(ctl.EffectiveFont()));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    const int base = p.top + p.height;
    for (const ChartTick& t : l.xTicks) {
      Text(dc, std::to_wstring(t.value), t.pixel - 20, base + 5, t.pixel + 20, base + 19, DT_CENTER);
    }
    for (const ChartTick& t : l.yTicks) {
      Text(dc, std::to_wstring(t.value), 0, t.pixel - 7, p.left - 6, t.pixel + 7, DT_RIGHT);
    }
    const Cp cp = chart.TextCp();
    auto box = [&](const Rect& r, const std::string& s, UINT format) {
      Text(dc, ToWide(s, cp), r.left, r.top, r.left + r.width, r.top + r.height, format);
    };
    box(l.caption, chart.Caption(), DT_CENTER);
    box(l.xLabel, chart.XLabel(), DT_CENTER);
    box(l.yLabel, chart.YLabel(), DT_LEFT);
    SelectObject(dc, oldFont);
  }

  Chart& chart;
};

class ListViewPeer : public WinPeer {
 public:
  ListViewPeer(Session& s, ListView& c) : WinPeer(s, c), view(c) {}
  void Create(HWND parent) override {
    MakeChild(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", BaseStyle() | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
              parent);
    SendMessageW(hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    Writing([&] {
      for (int i = 0; i < static_cast<int>(view.Columns().size()); ++i) InsertColumn(i);
      for (int r = 0; r < view.RowCount(); ++r) InsertRow(r);
      PushSelection();
    });
    Subclass();
  }

  // The window's notice: a row became selected, by whatever sender.  (A
  // row that loses the selection to another reports first; the handling
  // waits for the one that gains it.)
  bool Notify(NMHDR* nm, LRESULT& r) override {
    if (nm->code != LVN_ITEMCHANGED) return false;
    const auto* change = reinterpret_cast<NMLISTVIEW*>(nm);
    if ((change->uChanged & LVIF_STATE) != 0 && !writing() && (change->uNewState & LVIS_SELECTED) != 0 &&
        (change->uOldState & LVIS_SELECTED) == 0) {
      view.SelectionChangedInWindow(WindowSelection());
    }
    r = 0;
    return true;
  }

 protected:
  void Read() override { view.SelectedFromWindow(WindowSelection()); }
  void Own(int prop, int index) override {
    using namespace detail;
    switch (prop) {
      case kColumnAdded: InsertColumn(index); break;
      case kItemAdded: InsertRow(index); break;
      case kItemsCleared: SendMessageW(hwnd, LVM_DELETEALLITEMS, 0, 0); break;
      case kSelection: PushSelection(); break;
      default: break;
    }
  }

 private:
  int WindowSelection() const {
    return static_cast<int>(SendMessageW(hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  }
  void InsertColumn(int i) {
    const ListView::Column& c = view.Columns()[static_cast<size_t>(i)];
    std::wstring text = ToWide(c.caption, c.cp);
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    col.cx = c.width;
    col.pszText = text.data();
    col.iSubItem = i;
    SendMessageW(hwnd, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&col));
  }
  void InsertRow(int r) {
    const std::vector<std::string>& cells = view.Row(r);
    const int columns = static_cast<int>(view.Columns().size());
    for (int c = 0; c < std::max(columns, 1); ++c) {
      std::wstring text = c < static_cast<int>(cells.size()) ? ToWide(cells[static_cast<size_t>(c)], Cp::System) : L"";
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = r;
      item.iSubItem = c;
      item.pszText = text.data();
      if (c == 0) {
        SendMessageW(hwnd, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
      } else {
        SendMessageW(hwnd, LVM_SETITEMTEXTW, static_cast<WPARAM>(r), reinterpret_cast<LPARAM>(&item));
      }
    }
  }
  void PushSelection() {
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = 0;
    SendMessageW(hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
    const int row = view.Selected();
    if (row < 0) return;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(hwnd, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
  }
  ListView& view;
};

}  // namespace

std::unique_ptr<detail::Peer> MakeProgressPeer(Session& s, ProgressBar& c) {
  return std::make_unique<ProgressPeer>(s, c);
}
std::unique_ptr<detail::Peer> MakeChartPeer(Session& s, Chart& c) { return std::make_unique<ChartPeer>(s, c); }
std::unique_ptr<detail::Peer> MakeListViewPeer(Session& s, ListView& c) {
  return std::make_unique<ListViewPeer>(s, c);
}

LRESULT CALLBACK ChartProc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<ChartPeer*>(GetWindowLongPtrW(h, GWLP_USERDATA));
  if (self != nullptr && !self->session.closing) {
    if (msg == WM_PAINT) {
      self->Paint();
      return 0;
    }
    if (msg == WM_ERASEBKGND) return 1;  // the paint covers every pixel
  }
  return DefWindowProcW(h, msg, wp, lp);
}

}  // namespace qv::ui::win32
