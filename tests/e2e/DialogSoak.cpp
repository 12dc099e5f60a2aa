// Random interaction soak: one sequence of user and automation actions,
// played from a seed against the real setup dialog (ZcOpen of the DLL,
// driven from a second thread through window messages) and, step by step,
// against the same dialog code on the in-memory toolkit.  After every action
// both must show the same: each control's text, checked, enabled and visible
// state, the list's items, caret and selection, the focus, the messages
// shown and, while the analysis window is open, its counts once both
// censuses are done; at the end the same answer and filter string.  A
// diverging sequence is shrunk and printed as a case for the replay table
// below.
//
//   QUELVOR_SOAK_SEEDS=first:count  QUELVOR_SOAK_ACTIONS=n  QUELVOR_SOAK_SECONDS=s
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <sstream>

#include <fstream>
#include <map>
#include <optional>

#include "AnalysisWindow.h"
#include "EntryDialog.h"
#include "SetupCase.h"
#include "SzcBytes.h"
#include "UiMemory.h"

namespace {

using namespace e2e;
namespace fs = std::filesystem;
namespace ui = qv::ui;

// --- actions ------------------------------------------------------------------------

enum class Op { Click, BmClick, SetCheck, FocusEdit, Type, Paste, Key, Wheel, Tab, ListClick,
                SetCaret, SetSel, Button, Add, Save, Load, Import, ShiftClick, SentClick, Clipboard,
                Analysis };
constexpr const char* kOpNames[] = {"click", "bmclick", "setcheck", "focus", "type", "paste", "key", "wheel",
                                    "tab", "lbclick", "lbcaret", "lbsel", "button", "add", "save", "load", "import",
                                    "lbshift", "lbsend", "clip", "analysis"};

struct Action {
  Action() : Action(Op::Tab) {}
  Action(Op o, std::string target = "-", int number = 0, std::string chars = {})
      : op(o), name(std::move(target)), n(number), text(std::move(chars)) {}
  Op op;
  std::string name;  // control, button, file leaf
  int n;             // check state, key, notches, line, mode
  std::string text;  // typed or pasted
};

std::string Escape(const std::string& t) {
  std::string o;
  for (char c : t) o += c == '\b' ? std::string("\\b") : std::string(1, c);
  return o.empty() ? "\"\"" : o;
}
std::string Unescape(const std::string& t) {
  if (t == "\"\"") return {};
  std::string o;
  for (size_t i = 0; i < t.size(); ++i) {
    if (t[i] == '\\' && i + 1 < t.size() && t[i + 1] == 'b') {
      o += '\b';
      ++i;
    } else {
      o += t[i];
    }
  }
  return o;
}
std::string ToText(const std::vector<Action>& v) {
  std::string s;
  for (const Action& a : v)
    s += std::string(s.empty() ? "" : "; ") + kOpNames[static_cast<int>(a.op)] + " " + a.name + " " +
         std::to_string(a.n) + " " + Escape(a.text);
  return s;
}
std::vector<Action> Parse(const std::string& s) {
  std::vector<Action> v;
  std::stringstream all(s);
  std::string one;
  while (std::getline(all, one, ';')) {
    std::istringstream in(one);
    std::string op, text;
    Action a{Op::Tab};
    if (!(in >> op >> a.name >> a.n >> text)) continue;
    a.op = static_cast<Op>(std::find(std::begin(kOpNames), std::end(kOpNames), op) - std::begin(kOpNames));
    a.text = Unescape(text);
    v.push_back(a);
  }
  return v;
}

constexpr UINT kVk[] = {VK_UP, VK_DOWN, VK_PRIOR, VK_NEXT, VK_LEFT, VK_RIGHT, VK_HOME, VK_END, VK_DELETE};
const char* const kLeaves[] = {"c1.txt", "s1.txt", "s2.txt", "bad.txt", "none.txt",
                               "b1.szc", "b2.szc", "short.szc", "none.szc", "-"};

// The files both runs start from, each in a folder of its own.
void FillFolder(const fs::path& dir) {
  fs::create_directories(dir);
  auto put = [&](const char* leaf, const std::string& bytes) {
    std::ofstream(dir / leaf, std::ios::binary) << bytes;
  };
  put("c1.txt", "header\r\nM6(1-2|0-3)E0-1TJ5555555|0,1,2,3,4,5,6|\r\nM2(5-9|0-40)\r\n");
  put("bad.txt", std::string("h\r\nM3(1-1|0-2)TJ3333333|\r\nM4(1-1|0-2)TJ4\0" "44|\r\n", 40));
  put("b1.szc", qv::testing::Szc(3, 16, {"1234567", "7654321", "024,3468,5,2347"}));
  put("b2.szc", qv::testing::Szc(3, 16, {"1111111", "12|4567", "2222222"}));
  put("short.szc", qv::testing::Szc(4, 10, {"1234567"}));
}

// --- what a dialog shows ---------------------------------------------------------------

using View = std::vector<std::string>;

std::string Line(const std::string& name, const std::string& text, int checked, bool en, bool vis) {
  return name + " '" + text + "'" + (checked < 0 ? "" : checked ? " [x]" : " [ ]") + (en ? "" : " disabled") +
         (vis ? "" : " hidden");
}

std::string ListLine(const std::vector<std::string>& items, int caret, const std::vector<bool>& sel) {
  std::string s = "list";
  for (const std::string& i : items) s += " " + i;
  s += " caret " + (items.empty() ? std::string("-") : std::to_string(caret)) + " sel";
  for (size_t i = 0; i < sel.size(); ++i)
    if (sel[i]) s += " " + std::to_string(i);
  return s;
}

// The controls compared: every one with a fixed ID.
std::vector<ui::Control*> Compared(const qv::TfrmFltSetup& d) {
  std::vector<ui::Control*> out;
  for (ui::Component* c : d.Components())
    if (auto* k = dynamic_cast<ui::Control*>(c); k && k->Id() != 0) out.push_back(k);
  return out;
}

View ModelView(qv::TfrmFltSetup& d, ui::MemoryBackend& mem, size_t& shown) {
  View v;
  for (ui::Control* c : Compared(d)) {
    std::string text;
    if (auto* cc = dynamic_cast<ui::CaptionedControl*>(c)) text = cc->Caption();
    if (auto* e = dynamic_cast<ui::Edit*>(c)) text = e->Text();
    auto* chk = dynamic_cast<ui::CheckBox*>(c);
    // Only the active page of a page control is shown.
    auto* sheet = dynamic_cast<ui::TabSheet*>(c);
    const bool shown = c->Visible() && (!sheet || sheet->Pages().ActivePage() == sheet);
    v.push_back(Line(c->Name(), text, chk ? chk->Checked() : -1, c->Enabled(), shown));
  }
  ui::ListBox& lb = *d.lbMVDChip;
  std::vector<bool> sel;
  for (int i = 0; i < lb.Count(); ++i) sel.push_back(lb.Selected(i));
  // A list with items shows its focus rectangle on the first line until it
  // has a current line of its own.
  v.push_back(ListLine(lb.Items(), std::max(lb.ItemIndex(), 0), sel));
  v.push_back("focus " + (d.ActiveControl() ? d.ActiveControl()->Name() : std::string("-")));
  const qv::TfrmAnalysis* w = d.AnalysisWindow();
  v.push_back(w && w->Showing() ? "analysis '" + w->lblKept->Caption() + "'" : "analysis closed");
  for (; shown < mem.Messages().size(); ++shown) v.push_back("message " + mem.Messages()[shown].text);
  return v;
}

bool IsAnalysis(HWND w) { return TextOf(w) == Gb(qv::texts::kAnalysisCaption); }

std::wstring WindowTextOf(HWND h) {
  wchar_t buf[512] = {};
  GetWindowTextW(h, buf, 511);
  return buf;
}

// --- the soak run -------------------------------------------------------------------------

constexpr UINT kMarker = WM_APP + 0x77;
constexpr DWORD kCensusWait = 120000;
std::atomic<long> markersSeen{0};

LRESULT CALLBACK HostProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == kMarker) {
    ++markersSeen;
    return 0;
  }
  return DefWindowProcW(h, m, w, l);
}

HWND MakeMarkerHost() { return MakeHostWindow(L"QuelvorSoakHost", HostProc, L"soak host"); }

struct Outcome {
  size_t played = 0;        // actions compared
  int diverged = -1;        // none; else the first diverging action, -3 at the start, -2 at the end
  std::string why;
};

class Soak {
 public:
  Soak(const fs::path& scratch) : winDir_(scratch / "win"), memDir_(scratch / "mem") {}

  // Plays actions (and, with generate, as many new ones as it takes to have
  // count) on both; stops at the first divergence.
  Outcome Play(const std::string& start, std::vector<Action>& actions, std::mt19937* gen = nullptr,
               size_t count = 0) {
    std::error_code ec;
    fs::remove_all(winDir_, ec);
    fs::remove_all(memDir_, ec);
    FillFolder(winDir_);
    FillFolder(memDir_);
    Outcome out;
    Lib().SetFilterStr(start.c_str());
    host_ = MakeMarkerHost();
    tid_ = GetCurrentThreadId();
    std::string modelResult;
    std::thread driver([&] {
      form_ = WaitWindow(tid_, IsSetup, kWait);
      if (!form_) {
        out = {0, 0, "no setup dialog"};
        return;
      }
      ids_.clear();
      for (HWND c : Children(form_)) ids_[GetDlgCtrlID(c)] = c;
      mem_ = &ui::UseMemoryBackend();
      shown_ = 0;
      boxes_.clear();  // what the last run's end showed
      qv::TfrmFltSetup model;
      model_ = &model;
      model.OpenFilterStr(start);
      mem_->WhenShown("frmFltSetup", [&](ui::Form&) {
        if (!Same(-3, out)) return;  // before the first action
        for (size_t i = 0; gen ? i < count : i < actions.size(); ++i) {
          if (gen && i >= actions.size()) actions.push_back(Generate(*gen));
          Step(actions[i]);
          out.played = i + 1;
          if (!Same(static_cast<int>(i), out)) return;
        }
        // Enter, and Esc when Enter was refused.
        Finish(true);
        if (model.GetModalResult() == ui::ModalResult::None) Finish(false);
      });
      model.ShowModal();
      if (model.CancelFlag == 0) modelResult = model.BuildFilterStr(); else modelResult = start;
      mem_->ClearMessages();
      // Whatever is still open after a divergence: the close box.
      WaitUntil([&] {
        if (!IsWindow(form_)) return true;
        if (HWND m = Modal()) Dismiss(m); else PostMessageW(form_, WM_CLOSE, 0, 0);
        Sleep(100);
        return !IsWindow(form_);
      }, kWait);
    });
    Lib().ZcOpen(host_);
    driver.join();
    DestroyWindow(host_);
    if (out.diverged == -1 && modelResult != FilterStr())
      out = {out.played, -2, "filter string: win32 '" + FilterStr() + "' model '" + modelResult + "'"};
    return out;
  }

 private:
  ui::Control* Named(const std::string& n) const { return model_->Find<ui::Control>(n); }
  HWND Win(const ui::Control* c) const {
    auto it = ids_.find(c->Id());
    return it == ids_.end() ? nullptr : it->second;
  }
  HWND FocusWin() const {
    HWND f = FocusOf(tid_);
    return f ? f : form_;
  }

  // The enabled top-level window of the dialog's thread other than the
  // dialog and its host: a message box, file dialog, popup menu or entry.
  HWND Modal() const {
    for (HWND w : ThreadWindows(tid_))
      if (w != form_ && w != host_ && IsWindowEnabled(w) && !IsAnalysis(w)) return w;
    return nullptr;
  }
  HWND AnalysisWin() const {
    for (HWND w : ThreadWindows(tid_))
      if (IsAnalysis(w)) return w;
    return nullptr;
  }

  // Waits until the dialog's thread has handled everything posted so far,
  // answering each window that comes up: message boxes are noted and closed,
  // the others go to answer (false: not wanted, closed the way a user
  // would). Waits for the file dialogs the model has shown.
  void Settle(const std::function<bool(HWND)>& answer, size_t fileDialogs) {
    const auto deadline = GetTickCount() + kWait;
    // As many file dialogs and message boxes as the model has shown.
    const size_t boxes = boxes_.size() + mem_->Messages().size() - shown_;
    size_t files = 0;
    int quiet = 0;
    while (GetTickCount() < deadline && IsWindow(form_)) {
      const long want = ++markersPosted_;
      PostMessageW(host_, kMarker, 0, 0);
      // Every loop of the thread delivers the marker, except a popup menu's.
      for (DWORD t0 = GetTickCount(); GetTickCount() - t0 < kWait; Sleep(1)) {
        if (markersSeen >= want) break;
        HWND m = Modal();
        if (m && ClassOf(m) == L"#32768") break;
      }
      HWND m = Modal();
      // Two quiet rounds: a window being made may let the marker through
      // before it shows.
      if (!m) {
        if (markersSeen >= want && files >= fileDialogs && boxes_.size() >= boxes && ++quiet >= 2) return;
        continue;
      }
      quiet = 0;
      if (IsFileDialog(m)) ++files;
      if (ClassOf(m) == L"#32770" && !IsFileDialog(m)) {
        MessageBoxSeen box = WaitMessageBox(tid_, kWait);
        boxes_.push_back(ToGb(box.text));
        CloseMessageBox(box);
      } else if (!answer || !answer(m)) {
        Dismiss(m);
      }
    }
  }

  // Closes a window the way its user would without choosing anything.
  static void Dismiss(HWND m) {
    if (IsFileDialog(m)) CancelFileDialog(m);
    else if (ClassOf(m) == L"#32768") PressKey(m, VK_ESCAPE);
    else if (IsEntry(m)) Click(ChildById(m, qv::ids::kCancel));
    else PostMessageW(m, WM_COMMAND, IDOK, 0);
    WaitGone(m, kWait);
  }

  View WinView() {
    View v;
    for (ui::Control* c : Compared(*model_)) {
      HWND h = Win(c);
      // Only an edit box keeps its text apart from the window's own.
      std::wstring w = !h ? L"?" : dynamic_cast<ui::Edit*>(c) ? TextOf(h) : WindowTextOf(h);
      for (size_t p; (p = w.find(L"\r\n")) != std::wstring::npos;) w.erase(p + 1, 1);
      std::string text = ToGb(w);
      if (dynamic_cast<ui::Panel*>(c) || dynamic_cast<ui::TabSheet*>(c) || dynamic_cast<ui::PageControl*>(c) ||
          dynamic_cast<ui::Bevel*>(c))
        text.clear();
      const int checked = dynamic_cast<ui::CheckBox*>(c) ? IsChecked(h) : -1;
      v.push_back(Line(c->Name(), text, checked, h && IsWindowEnabled(h),
                       h && (GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE) != 0));
    }
    HWND list = Win(model_->lbMVDChip);
    std::vector<std::string> items;
    for (const std::wstring& i : ListItems(list)) items.push_back(ToAcp(i));
    std::vector<bool> sel;
    for (size_t i = 0; i < items.size(); ++i) sel.push_back(SendMessageW(list, LB_GETSEL, i, 0) > 0);
    v.push_back(ListLine(items, ListCaret(list), sel));
    const int focusId = GetDlgCtrlID(FocusOf(tid_));
    std::string focus = "-";
    for (ui::Control* c : Compared(*model_))
      if (c->Id() == focusId && FocusOf(tid_) == Win(c)) focus = c->Name();
    v.push_back("focus " + focus);
    HWND w = AnalysisWin();
    v.push_back(w ? "analysis '" + ToGb(TextOf(ChildById(w, qv::ids::kKept))) + "'" : "analysis closed");
    for (const std::string& b : boxes_) v.push_back("message " + b);
    boxes_.clear();
    return v;
  }

  // The file paths differ only by their folder.
  static void Neutral(View& v, const fs::path& dir) {
    const std::string d = ToAcp(dir.wstring());
    for (std::string& l : v)
      for (size_t p; (p = l.find(d)) != std::string::npos;) l.replace(p, d.size(), "<dir>");
  }

  // With the analysis window open: once both censuses are done.
  void WaitCensus() {
    qv::TfrmAnalysis* a = model_->AnalysisWindow();
    if (!a || !a->Showing()) return;
    WaitUntil([&] {
      ui::RunPostedTasks();
      return !a->CensusRunning();
    }, kCensusWait);
    const std::wstring want = FromGb(a->lblKept->Caption());
    WaitUntil([&] {
      HWND w = AnalysisWin();
      return !w || TextOf(ChildById(w, qv::ids::kKept)) == want;
    }, kCensusWait);
  }

  bool Same(int index, Outcome& out) {
    WaitCensus();
    View m = ModelView(*model_, *mem_, shown_), w = WinView();
    Neutral(m, memDir_);
    Neutral(w, winDir_);
    if (m == w) return true;
    std::string why;
    for (size_t i = 0; i < std::max(m.size(), w.size()); ++i) {
      const std::string a = i < w.size() ? w[i] : "(none)", b = i < m.size() ? m[i] : "(none)";
      if (a != b) why += "\n  win32: " + a + "\n  model: " + b;
    }
    out.diverged = index;
    out.why = why;
    return false;
  }

  // --- one action on both ---
  void Step(const Action& a) {
    ui::Control* c = Named(a.name);
    ui::Control* focus = model_->ActiveControl();
    auto* edit = dynamic_cast<ui::SpinEdit*>(focus);
    const size_t files = mem_->FileDialogs().size();
    std::function<bool(HWND)> answer;
    bool entryTyped = false;
    switch (a.op) {
      case Op::Click:  // the user's mouse on an enabled box
        if (!c || !c->Enabled()) return;
        static_cast<ui::CheckBox*>(c)->Click();
        MouseClick(Win(c), 0);
        break;
      case Op::BmClick:  // sent from this thread
        static_cast<ui::CheckBox*>(c)->Click();
        SendMessageTimeoutW(Win(c), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, kWait, nullptr);
        break;
      case Op::SetCheck:
        static_cast<ui::CheckBox*>(c)->SetChecked(a.n != 0);
        SendMessageTimeoutW(Win(c), BM_SETCHECK, a.n ? BST_CHECKED : BST_UNCHECKED, 0, SMTO_ABORTIFHUNG,
                            kWait, nullptr);
        break;
      case Op::FocusEdit: {  // a click right of the text: the caret at its end
        if (!c || !c->Enabled()) return;
        auto* e = static_cast<ui::Edit*>(c);
        e->SetFocus();
        e->SetSel(static_cast<int>(e->Text().size()));
        RECT r;
        GetClientRect(Win(c), &r);
        MouseClick(Win(c), MAKELPARAM(r.right - 2, r.bottom / 2));
        break;
      }
      case Op::Type:
        if (!edit) return;
        edit->TypeText(a.text);
        TypeChars(FocusWin(), FromAcp(a.text));
        break;
      case Op::Paste:
        if (!edit) return;
        edit->Paste(a.text);
        SendMessageTimeoutW(FocusWin(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(FromAcp(a.text).c_str()),
                            SMTO_ABORTIFHUNG, kWait, nullptr);
        break;
      case Op::Key:
        if (!edit) return;
        edit->KeyDown(static_cast<ui::Key>(a.n));
        PressKey(FocusWin(), kVk[a.n]);
        break;
      case Op::Wheel:
        if (!edit) return;
        edit->Wheel(a.n / 2 - 4, a.n % 2 != 0);  // n: (notches + 4) * 2 + ctrl
        SendMessageTimeoutW(FocusWin(), WM_MOUSEWHEEL,
                            MAKEWPARAM(a.n % 2 ? MK_CONTROL : 0, static_cast<WORD>((a.n / 2 - 4) * WHEEL_DELTA)),
                            0, SMTO_ABORTIFHUNG, kWait, nullptr);
        break;
      case Op::Tab:
        model_->PressTab();
        PressKey(FocusWin(), VK_TAB);
        break;
      case Op::ListClick:  // n: line * 2 + ctrl; posted, Shift held, or sent from this thread
      case Op::ShiftClick:
      case Op::SentClick: {
        ui::ListBox& lb = *model_->lbMVDChip;
        const int line = a.n / 2;
        if (line >= lb.Count()) return;
        const bool shift = a.op == Op::ShiftClick;
        lb.ClickItem(line, a.n % 2 != 0, shift);
        HWND list = Win(&lb);
        SendMessageW(list, LB_SETTOPINDEX, line, 0);  // only the view scrolls
        RECT item{};
        SendMessageW(list, LB_GETITEMRECT, line, reinterpret_cast<LPARAM>(&item));
        const LPARAM at = MAKELPARAM(item.left + 4, item.top + 2);
        const WPARAM keys = (a.n % 2 ? MK_CONTROL : 0) | (shift ? MK_SHIFT : 0);
        for (const auto& [msg, wp] : {std::pair<UINT, WPARAM>{WM_LBUTTONDOWN, MK_LBUTTON | keys}, {WM_LBUTTONUP, keys}}) {
          if (a.op == Op::SentClick)
            SendMessageTimeoutW(list, msg, wp, at, SMTO_ABORTIFHUNG, kWait, nullptr);
          else
            PostMessageW(list, msg, wp, at);
        }
        break;
      }
      case Op::Clipboard:  // the real clipboard, pasted into the focused field
        if (!edit) return;
        edit->Paste(a.text);
        PutClipboard(host_, FromAcp(a.text));
        SendMessageTimeoutW(FocusWin(), WM_PASTE, 0, 0, SMTO_ABORTIFHUNG, kWait, nullptr);
        break;
      case Op::Analysis:  // n: 0 open (the menu's command), 1 its close box
        if (a.n == 0) {
          model_->mnuAnalysis->Click();
          SendMessageTimeoutW(form_, WM_COMMAND, qv::ids::kAnalysisMenu, 0, SMTO_ABORTIFHUNG, kWait, nullptr);
        } else {
          if (qv::TfrmAnalysis* w = model_->AnalysisWindow(); w && w->Showing()) w->Close();
          if (HWND w = AnalysisWin()) PostMessageW(w, WM_CLOSE, 0, 0);
        }
        break;
      case Op::SetCaret:  // the list box refuses a line it does not have
        if (a.n < model_->lbMVDChip->Count()) model_->lbMVDChip->SetItemIndex(a.n);
        SendMessageTimeoutW(Win(model_->lbMVDChip), LB_SETCARETINDEX, a.n, FALSE, SMTO_ABORTIFHUNG, kWait, nullptr);
        break;
      case Op::SetSel:  // n: (line + 1) * 2 + on, line -1: all
        model_->lbMVDChip->SetSelected(a.n / 2 - 1, a.n % 2 != 0);
        SendMessageTimeoutW(Win(model_->lbMVDChip), LB_SETSEL, a.n % 2, a.n / 2 - 1, SMTO_ABORTIFHUNG, kWait,
                            nullptr);
        break;
      case Op::Button:
        static_cast<ui::Button*>(c)->Click();
        Click(Win(c));
        break;
      case Op::Add:  // n: 0 Enter, 1 Cancel
        mem_->WhenShown("frmInputMDChip", [&](ui::Form& f) {
          auto& entry = static_cast<qv::TfrmInputMDChip&>(f);
          entry.edtInput->TypeText(a.text);
          if (a.n == 0) entry.PressEnter();
          if (entry.GetModalResult() == ui::ModalResult::None) entry.btnCancel->Click();
        });
        model_->btnAdd->Click();
        answer = [&](HWND m) {
          if (!IsEntry(m)) return false;
          if (entryTyped) return false;
          entryTyped = true;
          AnswerEntry(m, FromAcp(a.text), a.n == 0 ? VK_RETURN : IDCANCEL);
          return true;
        };
        Click(Win(model_->btnAdd));
        break;
      case Op::Save:
      case Op::Load:
      case Op::Import: {
        const bool menu = a.op != Op::Import;
        const char* item = a.op == Op::Save ? "mnuSaveFlt" : "mnuLoadFlt";
        if (menu) mem_->QueueMenuChoice(item);
        mem_->QueueFileAnswer(a.name.empty() || a.name == "-" ? std::nullopt
                                                               : std::optional<fs::path>(memDir_ / a.name));
        ui::Button* b = menu ? static_cast<ui::Button*>(model_->RzMenuButton1) : model_->btnLoad;
        b->Click();
        answer = [&, item](HWND m) {
          if (ClassOf(m) == L"#32768")
            return ChooseMenuItem(m, Gb(item == std::string("mnuSaveFlt") ? qv::texts::kSaveFltCaption
                                                                          : qv::texts::kLoadFltCaption));
          if (!IsFileDialog(m) || a.name == "-") return false;
          return ChooseFile(m, (winDir_ / a.name).wstring(), kWait);
        };
        Click(Win(b));
        break;
      }
    }
    Settle(answer, mem_->FileDialogs().size() - files);
  }

  void Finish(bool enter) {
    if (enter) model_->PressEnter(); else model_->PressEscape();
    PressKey(FocusWin(), enter ? VK_RETURN : VK_ESCAPE);
    if (model_->GetModalResult() == ui::ModalResult::None) Settle(nullptr, 0);
  }

  static void MouseClick(HWND h, LPARAM at) {
    if (!at) {
      RECT r;
      GetClientRect(h, &r);
      at = MAKELPARAM(r.right / 2, r.bottom / 2);
    }
    PostMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(h, WM_LBUTTONUP, 0, at);
  }

  // The next action, from the model's present state; the most fault-prone
  // kinds (messages from this thread, typing then leaving, the list's caret
  // and selection) weigh most.
  Action Generate(std::mt19937& g) {
    auto pick = [&](int n) { return static_cast<int>(g() % static_cast<unsigned>(n)); };
    const int bets = model_->lbMVDChip->Count();
    static const char* boxes[] = {"chkShot0", "chkShot1", "chkShot2", "chkShot3", "chkShot4", "chkShot5",
                                  "chkShot6", "chkShot7", "chkCanErr", "chkCanSupErr"};
    static const char* typed[] = {"1", "25", "-", "+3", "\b", "\b\b", "7\b8", "100", "x", "05"};
    static const char* pasted[] = {"12", "", "$10", " 7 ", "-4", "999"};
    static const char* entries[] = {"1234567", "0224,33468,5,2347,05,268,79", "", "12", "1,2,3,4,5,6,7",
                                    "76543210", "9876543"};
    std::vector<std::string> edits;
    for (ui::Control* c : Compared(*model_))
      if (dynamic_cast<ui::SpinEdit*>(c) && c->Enabled()) edits.push_back(c->Name());
    const int r = pick(100);
    if (r < 10) return {Op::Click, boxes[pick(10)]};
    if (r < 16) return {Op::BmClick, boxes[pick(10)]};
    if (r < 24) return {Op::SetCheck, boxes[pick(10)], pick(2)};
    if (r < 34 && !edits.empty()) return {Op::FocusEdit, edits[static_cast<size_t>(pick(static_cast<int>(edits.size())))]};
    if (r < 46) return {Op::Type, "-", 0, typed[pick(10)]};
    if (r < 49) return {pick(2) ? Op::Paste : Op::Clipboard, "-", 0, pasted[pick(6)]};
    if (r < 55) return {Op::Key, "-", pick(9)};
    if (r < 58) return {Op::Wheel, "-", (4 + (pick(2) ? 1 : -1) * (1 + pick(2))) * 2 + pick(2)};
    if (r < 63) return {Op::Tab};
    if (r < 70 && bets > 0) {
      const Op kinds[] = {Op::ListClick, Op::ShiftClick, Op::SentClick};
      return {kinds[pick(3)], "-", pick(bets) * 2 + pick(2)};
    }
    if (r < 75) return {Op::SetCaret, "-", pick(bets + 1)};  // one past the end too
    if (r < 80) return {Op::SetSel, "-", pick(bets + 2) * 2 + pick(2)};
    if (r < 84) return {Op::Button, pick(3) ? "btnDelete" : "btnClear"};
    if (r < 89) return {Op::Add, "-", pick(4) == 0, entries[pick(7)]};
    if (r < 91) {  // the analysis window stays open for a few actions
      const qv::TfrmAnalysis* w = model_->AnalysisWindow();
      const bool open = w && w->Showing();
      if (open || pick(3) == 0) return {Op::Analysis, "-", open};
    }
    if (r < 94) return {Op::Save, kLeaves[pick(3)]};
    if (r < 97) return {Op::Load, kLeaves[pick(5)]};
    return {Op::Import, kLeaves[5 + pick(5)]};
  }

  fs::path winDir_, memDir_;
  HWND host_ = nullptr, form_ = nullptr;
  DWORD tid_ = 0;
  std::map<int, HWND> ids_;
  ui::MemoryBackend* mem_ = nullptr;
  qv::TfrmFltSetup* model_ = nullptr;
  size_t shown_ = 0;
  std::vector<std::string> boxes_;
  long markersPosted_ = 0;
};

const char* const kStarts[] = {"", kExample, "M3(1-2|0-3)TJ1111111|2222222|3333333|",
                               "M5($10-x1E|0x5- 40 )E1-2TJ1234567|"};

// Removes actions while the sequence still diverges.
std::vector<Action> Shrink(Soak& soak, const std::string& start, std::vector<Action> v, size_t budget) {
  for (size_t chunk = std::max<size_t>(v.size() / 2, 1); chunk >= 1 && budget > 0; chunk /= 2) {
    for (size_t at = 0; at < v.size() && budget > 0; --budget) {
      std::vector<Action> t = v;
      t.erase(t.begin() + static_cast<long>(at), t.begin() + static_cast<long>(std::min(at + chunk, t.size())));
      // Kept only when the shorter one diverges at its last action again.
      if (Outcome o = soak.Play(start, t); o.diverged != -1 && soak.Play(start, t).diverged == o.diverged) {
        t.resize(std::min(t.size(), o.played));
        v = t;
      } else {
        at += chunk;
      }
    }
    if (chunk == 1) break;
  }
  return v;
}

fs::path Scratch() {
  wchar_t tmp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, tmp);
  return fs::path(tmp) / ("quelvor-soak-" + std::to_string(GetCurrentProcessId()));
}

long EnvInt(const char* name, long fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::strtol(v, nullptr, 10) : fallback;
}

TEST_F(SetupDialogE2E, RandomSoakMatchesTheModel) {
  const char* seeds = std::getenv("QUELVOR_SOAK_SEEDS");
  long first = 1, count = 8;
  if (seeds && *seeds) std::sscanf(seeds, "%ld:%ld", &first, &count);
  const size_t actions = static_cast<size_t>(EnvInt("QUELVOR_SOAK_ACTIONS", 250));
  const long seconds = EnvInt("QUELVOR_SOAK_SECONDS", 0);
  const auto began = std::chrono::steady_clock::now();
  Soak soak(Scratch());
  size_t total = 0;
  int divergences = 0;
  std::vector<size_t> kinds(std::size(kOpNames));
  for (long seed = first; seed < first + count || seconds > 0; ++seed) {
    if (seconds > 0 && std::chrono::steady_clock::now() - began > std::chrono::seconds(seconds)) break;
    std::mt19937 gen(static_cast<unsigned>(seed));
    const std::string start = kStarts[seed % 4];
    std::vector<Action> v;
    Outcome o = soak.Play(start, v, &gen, actions);
    total += o.played;
    for (size_t i = 0; i < std::min(v.size(), o.played); ++i) ++kinds[static_cast<size_t>(v[i].op)];
    std::printf("seed %ld: %zu actions, %s\n", seed, o.played, o.diverged == -1 ? "same" : "diverged");
    std::fflush(stdout);
    if (o.diverged == -1) continue;
    ++divergences;
    v.resize(std::min(v.size(), o.played));
    const std::vector<Action> small = Shrink(soak, start, v, 80);
    const Outcome again = soak.Play(start, *const_cast<std::vector<Action>*>(&small));
    ADD_FAILURE() << "seed " << seed << " diverged at action " << o.diverged << " ("
                  << (o.diverged >= 0 ? ToText({v[static_cast<size_t>(o.diverged)]}) : "") << "):" << o.why
                  << "\nshrunk to " << small.size() << " actions:" << again.why << "\n  {\"seed " << seed
                  << "\", \"" << start << "\", \"" << ToText(small) << "\"},";
  }
  std::error_code ec;
  fs::remove_all(Scratch(), ec);
  std::string tally;
  for (size_t k = 0; k < kinds.size(); ++k) tally += std::string(" ") + kOpNames[k] + " " + std::to_string(kinds[k]);
  std::printf("actions by kind:%s\n", tally.c_str());
  std::printf("soak: %zu actions run, %d divergences found\n", total, divergences);
}

// Each shrunk sequence the soak found, replayed on both.
struct Replay {
  const char* name;
  const char* start;
  const char* actions;
};
const Replay kReplays[] = {
    {"Enter refused at the end, then the next run", "", ""},
    {"caret of a new edit window", kExample, "type - 0 05"},
    {"focus back after a file dialog", kExample, "load s2.txt 0 \"\""},
    {"caret message past the end", kExample, "lbclick - 3 \"\"; lbcaret - 2 \"\""},
    {"focused field disabled", kExample,
     "click chkCanErr 0 \"\"; bmclick chkCanErr 0 \"\"; focus edtCanErr2 0 \"\"; setcheck chkCanErr 0 \"\""},
    {"deselection message then Delete", kExample, "lbsel - 4 \"\"; button btnDelete 0 \"\""},
    {"selection message moves the caret", "M3(1-2|0-3)TJ1111111|2222222|3333333|", "lbsel - 5 \"\""},
    {"refused caret message then Delete", "M5($10-x1E|0x5- 40 )E1-2TJ1234567|",
     "type - 0 -; lbcaret - 1 \"\"; button btnDelete 0 \"\""},
    {"Shift click after a Delete re-selected the lines", "M3(1-2|0-3)TJ1111111|2222222|3333333|",
     "lbclick - 4 \"\"; lbclick - 1 \"\"; button btnDelete 0 \"\"; lbshift - 2 \"\""},
};

TEST_F(SetupDialogE2E, ReplayedSoakSequencesMatchTheModel) {
  Soak soak(Scratch());
  for (const Replay& r : kReplays) {
    std::vector<Action> v = Parse(r.actions);
    const Outcome o = soak.Play(r.start, v);
    EXPECT_EQ(o.diverged, -1) << r.name << " at action " << o.diverged << ":" << o.why;
  }
  std::error_code ec;
  fs::remove_all(Scratch(), ec);
}

}  // namespace
