#include "UiControls.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <limits>
#include <stdexcept>

#include "UiApplication.h"
#include "UiPeer.h"

namespace qv::ui {

using detail::Prop;

// --- Component -----------------------------------------------------------------

Component::Component(Form& form, std::string name) : form_(&form), name_(std::move(name)) {
  form_->RegisterComponent(this);
}

Component::Component(std::string name) : form_(nullptr), name_(std::move(name)) {}

Component::~Component() {
  if (form_ != nullptr && static_cast<Component*>(form_) != this) form_->UnregisterComponent(this);
}

// --- Control -----------------------------------------------------------------------

Control::Control(Container& parent, std::string name)
    : Component(parent.OwnerForm(), std::move(name)), parent_(&parent) {
  parent.AddChild(this);
}

Control::Control(std::string name) : Component(std::move(name)), parent_(nullptr) {}

Control::~Control() {
  Form& f = OwnerForm();
  if (static_cast<Control*>(&f) != this) {
    if (f.ActiveControl() == this) f.SetActiveControl(nullptr);
    if (f.DefaultButton() == this) f.SetDefaultButton(nullptr);
    if (f.CancelButton() == this) f.SetCancelButton(nullptr);
    if (f.InitialFocus() == this) f.SetInitialFocus(nullptr);
  }
  if (parent_ != nullptr) parent_->RemoveChild(this);
}

void Control::Changed(int what, int index) const {
  if (peer_ != nullptr) peer_->Changed(what, index);
}

void Control::Pull() const {
  if (peer_ != nullptr) peer_->Pull();
}

void Control::SetBounds(Rect r) {
  if (r == bounds_) return;
  bounds_ = r;
  Changed(Prop::kBounds);
}

void Control::SetEnabled(bool on) {
  if (on == enabled_) return;
  // A disabled control cannot keep the focus: it goes nowhere, after the
  // control's exit handling, as the system takes it from a disabled window.
  if (!on && Focused()) OwnerForm().MoveFocus(nullptr);
  enabled_ = on;
  Changed(Prop::kEnabled);
}

void Control::SetVisible(bool on) {
  if (on == visible_) return;
  visible_ = on;
  Changed(Prop::kVisible);
}

void Control::SetFont(Font f) {
  font_ = std::move(f);
  Changed(Prop::kFont);
}

Font Control::EffectiveFont() const {
  if (font_) return *font_;
  if (parent_ != nullptr) return parent_->EffectiveFont();
  return Font{};
}

void Control::SetTabOrder(int position) {
  if (parent_ != nullptr) parent_->MoveInTabOrder(this, position);
}

int Control::TabOrder() const {
  if (parent_ == nullptr) return 0;
  const auto& order = parent_->TabOrderList();
  auto it = std::find(order.begin(), order.end(), this);
  return static_cast<int>(it - order.begin());
}

bool Control::Focused() const { return OwnerForm().ActiveControl() == this; }

void Control::SetFocus() {
  if (peer_ != nullptr) {
    peer_->Focus();
  } else {
    OwnerForm().MoveFocus(this);
  }
}

void Control::KillFocus() {
  if (!Focused()) return;
  if (peer_ != nullptr) {
    peer_->Blur();
  } else {
    OwnerForm().MoveFocus(nullptr);
  }
}

void* Control::Handle() const { return peer_ != nullptr ? peer_->Handle() : nullptr; }

void Control::DoEnter() {}
void Control::DoExit() {}

// --- Container ---------------------------------------------------------------------

Container::Container(Container& parent, std::string name) : Control(parent, std::move(name)) {}
Container::Container(std::string name) : Control(std::move(name)) {}

void Container::AddChild(Control* c) {
  children_.push_back(c);
  tabOrder_.push_back(c);
}

void Container::RemoveChild(Control* c) {
  std::erase(children_, c);
  std::erase(tabOrder_, c);
}

void Container::MoveInTabOrder(Control* c, int position) {
  auto it = std::find(tabOrder_.begin(), tabOrder_.end(), c);
  if (it == tabOrder_.end()) return;
  tabOrder_.erase(it);
  position = std::clamp(position, 0, static_cast<int>(tabOrder_.size()));
  tabOrder_.insert(tabOrder_.begin() + position, c);
}

// --- captions -------------------------------------------------------------------------

void CaptionedControl::SetCaption(std::string_view bytes, Cp cp) {
  if (StoreCaption(bytes, cp)) Changed(Prop::kCaption);
}

Label::Label(Container& parent, std::string name) : CaptionedControl(parent, std::move(name)) {}

std::unique_ptr<detail::Peer> Label::MakePeer(detail::PeerFactory& f) { return f.Make(*this); }

void Label::SetWordWrap(bool on) {
  if (on == wordWrap_) return;
  wordWrap_ = on;
  Changed(Prop::kCaption);
}

// --- buttons -------------------------------------------------------------------------------

Button::Button(Container& parent, std::string name) : CaptionedControl(parent, std::move(name)) {
  SetTabStop(true);
}

void Button::Click() {
  if (!Enabled() || !Visible()) return;
  if (OwnerForm().Showing() && TabStop()) SetFocus();
  PerformClick();
}

void Button::PerformClick() {
  if (!Enabled() || !Visible()) return;
  if (OnClick) RunGuarded([&] { OnClick(*this); });
  if (modalResult_ != ModalResult::None) OwnerForm().SetModalResult(modalResult_);
}

std::unique_ptr<detail::Peer> Button::MakePeer(detail::PeerFactory& f) { return f.Make(*this); }

MenuButton::MenuButton(Container& parent, std::string name) : Button(parent, std::move(name)) {}

void MenuButton::PerformClick() {
  if (!Enabled() || !Visible()) return;
  Button::PerformClick();
  if (menu_ != nullptr) RunGuarded([&] { CurrentBackend().RunPopupMenu(*this); });
}

CheckBox::CheckBox(Container& parent, std::string name) : CaptionedControl(parent, std::move(name)) {
  SetTabStop(true);
}

std::unique_ptr<detail::Peer> CheckBox::MakePeer(detail::PeerFactory& f) { return f.Make(*this); }

void CheckBox::SetChecked(bool on) {
  if (on == Checked()) return;
  checked_ = on;
  announced_ = on;
  Changed(Prop::kChecked);
  if (OnClick) RunGuarded([&] { OnClick(*this); });
}

void CheckBox::CheckedFromWindow(bool on) { checked_ = on; }

void CheckBox::CheckChangedInWindow(bool on) {
  checked_ = on;
  if (on == announced_) return;
  announced_ = on;
  if (OnClick) RunGuarded([&] { OnClick(*this); });
}

void CheckBox::Click() {
  if (!Enabled() || !Visible()) return;
  if (OwnerForm().Showing()) SetFocus();
  SetChecked(!Checked());
}

// --- Edit ------------------------------------------------------------------------------------

Edit::Edit(Container& parent, std::string name) : Control(parent, std::move(name)) { SetTabStop(true); }

std::unique_ptr<detail::Peer> Edit::MakePeer(detail::PeerFactory& f) { return f.Make(*this); }

void Edit::SetTextInternal(std::string bytes, bool notifyPeer, bool runHandler) {
  const bool differs = bytes != text_;
  text_ = std::move(bytes);
  const int len = static_cast<int>(text_.size());
  selStart_ = std::clamp(selStart_, 0, len);
  selLength_ = std::clamp(selLength_, 0, len - selStart_);
  if (notifyPeer) Changed(Prop::kText);
  if (differs) TextReplaced();
  if (!runHandler) {
    changePending_ = changePending_ || differs;
    return;
  }
  if (differs || changePending_) {
    changePending_ = false;
    if (OnChange) RunGuarded([&] { OnChange(*this); });
  }
}

void Edit::SetText(std::string_view bytes) {
  selStart_ = static_cast<int>(bytes.size());
  selLength_ = 0;
  SetTextInternal(std::string(bytes), true);
}

void Edit::SetSel(int start, int length) {
  Pull();
  const int len = static_cast<int>(text_.size());
  selStart_ = std::clamp(start, 0, len);
  selLength_ = std::clamp(length, 0, len - selStart_);
  Changed(Prop::kSel);
}

void Edit::SetFlat(bool on) {
  if (on == flat_) return;
  flat_ = on;
  Changed(Prop::kFont);
}

void Edit::TextFromWindow(std::string bytes, int selStart, int selLength, bool notice) {
  selStart_ = selStart;
  selLength_ = selLength;
  SetTextInternal(std::move(bytes), false, notice);
}

bool Edit::FilterChar(char& key) {
  if (OnKeyPress) RunGuarded([&] { OnKeyPress(*this, key); });
  if (key == 0) return false;
  // Control characters other than Backspace are the box's own editing keys.
  if (static_cast<unsigned char>(key) < 32 && key != 8) return true;
  return AcceptChar(key);
}

void Edit::ReplaceSelection(std::string_view bytes) {
  Pull();
  std::string t = text_;
  t.replace(static_cast<size_t>(selStart_), static_cast<size_t>(selLength_), bytes);
  if (maxLength_ > 0 && static_cast<int>(t.size()) > maxLength_) return;
  const int caret = selStart_ + static_cast<int>(bytes.size());
  selStart_ = caret;
  selLength_ = 0;
  SetTextInternal(std::move(t), true);
  selStart_ = caret;
}

void Edit::TypeChar(char c) {
  if (!Enabled() || !Visible()) return;
  if (detail::Peer* p = peer()) {
    p->SimulateChar(c);
    return;
  }
  char key = c;
  if (!FilterChar(key)) return;
  if (key == 8) {
    if (selLength_ == 0) {
      if (selStart_ == 0) return;
      --selStart_;
      selLength_ = 1;
    }
    ReplaceSelection({});
    return;
  }
  if (static_cast<unsigned char>(key) < 32) return;
  ReplaceSelection(std::string_view(&key, 1));
}

void Edit::TypeText(std::string_view chars) {
  for (char c : chars) TypeChar(c);
}

void Edit::Paste(std::string_view bytes) {
  if (!Enabled() || !Visible()) return;
  ReplaceSelection(bytes);
}

void Edit::KeyDown(Key k) {
  if (!Enabled() || !Visible()) return;
  if (detail::Peer* p = peer()) {
    p->SimulateKey(k);
    return;
  }
  const int len = static_cast<int>(text_.size());
  switch (k) {
    case Key::Left: SetSel(selLength_ > 0 ? selStart_ : std::max(0, selStart_ - 1)); break;
    case Key::Right: SetSel(selLength_ > 0 ? selStart_ + selLength_ : std::min(len, selStart_ + 1)); break;
    case Key::Home: SetSel(0); break;
    case Key::End: SetSel(len); break;
    case Key::Delete:
      if (selLength_ == 0) {
        if (selStart_ >= len) return;
        selLength_ = 1;
      }
      ReplaceSelection({});
      break;
    default: break;
  }
}

// --- SpinEdit ------------------------------------------------------------------------------

SpinEdit::SpinEdit(Container& parent, std::string name) : Edit(parent, std::move(name)) {
  SetText("0");
}

std::unique_ptr<detail::Peer> SpinEdit::MakePeer(detail::PeerFactory& f) { return f.Make(*this); }

bool SpinEdit::AcceptsChar(char c) {
  return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == 8;
}

void SpinEdit::SetNumberReader(NumberReader reader) {
  reader_ = reader;
  TextReplaced();
}

std::optional<int64_t> SpinEdit::Read(std::string_view text) const {
  if (reader_ == nullptr) return std::nullopt;
  return reader_(text);
}

int SpinEdit::Clamp(long long v) const {
  return static_cast<int>(std::clamp<long long>(v, min_, max_));
}

void SpinEdit::TextReplaced() {
  if (auto v = Read(Text())) lastValue_ = Clamp(*v);
}

int SpinEdit::Value() const {
  Pull();
  return lastValue_;
}

void SpinEdit::SetValue(int v) {
  lastValue_ = Clamp(v);
  SetText(std::to_string(lastValue_));
}

void SpinEdit::SetMin(int v) {
  min_ = v;
  if (max_ < min_) max_ = min_;
  lastValue_ = Clamp(lastValue_);
  Changed(Prop::kRange);
}

void SpinEdit::SetMax(int v) {
  max_ = v;
  if (min_ > max_) min_ = max_;
  lastValue_ = Clamp(lastValue_);
  Changed(Prop::kRange);
}

void SpinEdit::StepBy(int delta) {
  if (!Enabled() || !Visible()) return;
  auto parsed = Read(Text());
  const long long base = parsed ? Clamp(*parsed) : lastValue_;
  SetValue(Clamp(base + delta));
}

void SpinEdit::ClickUp(int n) {
  for (int i = 0; i < n; ++i) StepBy(increment_);
}

void SpinEdit::ClickDown(int n) {
  for (int i = 0; i < n; ++i) StepBy(-increment_);
}

void SpinEdit::Wheel(int notches, bool ctrl) {
  const int step = ctrl ? pageIncrement_ : increment_;
  if (notches > 0) {
    for (int i = 0; i < notches; ++i) StepBy(step);
  } else {
    for (int i = 0; i < -notches; ++i) StepBy(-step);
  }
}

int SpinEdit::StepOf(Key k) const {
  switch (k) {
    case Key::Up: return increment_;
    case Key::Down: return -increment_;
    case Key::PageUp: return pageIncrement_;
    case Key::PageDown: return -pageIncrement_;
    default: return 0;
  }
}

void SpinEdit::KeyDown(Key k) {
  if (!Enabled() || !Visible()) return;
  const int step = StepOf(k);
  if (peer() == nullptr && step != 0) {
    StepBy(step);
  } else {
    Edit::KeyDown(k);  // through the window when there is one
  }
}

void SpinEdit::DoExit() {
  // The text is reformatted and clamped only here.  A text that is no
  // integer (empty, a lone sign) gives back the last good value.
  auto parsed = Read(Text());
  const int v = parsed ? Clamp(*parsed) : lastValue_;
  lastValue_ = v;
  const std::string t = std::to_string(v);
  if (t != Text()) SetText(t);
}

// --- ListBox --------------------------------------------------------------------------------

ListBox::ListBox(Container& parent, std::string name) : Control(parent, std::move(name)) {
  SetTabStop(true);
}

std::unique_ptr<detail::Peer> ListBox::MakePeer(detail::PeerFactory& f) { return f.Make(*this); }

void ListBox::AddItem(std::string bytes) {
  items_.push_back(std::move(bytes));
  selected_.push_back(false);
  Changed(Prop::kItemAdded, Count() - 1);
}

void ListBox::DeleteItem(int i) {
  Pull();
  if (i < 0 || i >= Count()) return;
  items_.erase(items_.begin() + i);
  selected_.erase(selected_.begin() + i);
  if (caret_ > i) {
    --caret_;
  } else if (caret_ == i && caret_ >= Count()) {
    caret_ = Count() - 1;
  }
  if (Count() == 0) {
    anchor_ = -1;
  } else if (anchor_ == Count()) {
    --anchor_;
  }
  Changed(Prop::kItemDeleted, i);
  Changed(Prop::kSelection);
}

void ListBox::ClearItems() {
  items_.clear();
  selected_.clear();
  caret_ = -1;
  anchor_ = -1;
  Changed(Prop::kItemsCleared);
}

int ListBox::ItemIndex() const {
  Pull();
  return caret_ < Count() ? caret_ : -1;
}

void ListBox::SetItemIndex(int i) {
  caret_ = (i >= 0 && i < Count()) ? i : -1;
  Changed(Prop::kSelection);
}

bool ListBox::Selected(int i) const {
  Pull();
  return i >= 0 && i < Count() && selected_[static_cast<size_t>(i)];
}

void ListBox::SetSelected(int i, bool on) {
  Pull();
  if (i == -1) {
    std::fill(selected_.begin(), selected_.end(), on);
  } else if (i < 0 || i >= Count()) {
    return;
  } else {
    selected_[static_cast<size_t>(i)] = on;
    if (on) caret_ = i;
  }
  if (on) anchor_ = i;
  // From now on the list reports its caret line: the first one, until it
  // has another.
  if (caret_ < 0 && Count() > 0) caret_ = 0;
  Changed(Prop::kSelection);
}

int ListBox::SelCount() const {
  Pull();
  return static_cast<int>(std::count(selected_.begin(), selected_.end(), true));
}

void ListBox::ClickItem(int i, bool ctrlClick, bool shiftClick) {
  if (!Enabled() || !Visible() || i < 0 || i >= Count()) return;
  if (OwnerForm().Showing()) SetFocus();
  Pull();
  if (!shiftClick) anchor_ = i;
  if (ctrlClick) {
    selected_[static_cast<size_t>(i)] = !selected_[static_cast<size_t>(i)];
  } else if (anchor_ >= 0) {
    for (int k = 0; k < Count(); ++k)
      selected_[static_cast<size_t>(k)] = k >= std::min(i, anchor_) && k <= std::max(i, anchor_);
  }
  caret_ = i;
  Changed(Prop::kSelection);
  if (OnClick) RunGuarded([&] { OnClick(*this); });
}

void ListBox::DoEnter() {
  if (peer() == nullptr && caret_ < 0 && Count() > 0) caret_ = 0;
}

int ListBox::Anchor() const {
  Pull();
  return anchor_;
}

void ListBox::SelectionFromWindow(std::vector<bool> selected, int caret, int anchor) {
  if (selected.size() == selected_.size()) selected_ = std::move(selected);
  caret_ = (caret >= 0 && caret < Count()) ? caret : -1;
  anchor_ = (anchor >= 0 && anchor < Count()) ? anchor : -1;
}

ListBox::UpdateGuard::UpdateGuard(ListBox& lb) : lb_(lb) {
  if (lb_.updateDepth_++ == 0) lb_.Changed(Prop::kRedrawOff);
}

ListBox::UpdateGuard::~UpdateGuard() {
  if (--lb_.updateDepth_ == 0) {
    ++lb_.redraws_;
    lb_.Changed(Prop::kRedrawOn);
  }
}

// --- containers -----------------------------------------------------------------------------

Panel::Panel(Container& parent, std::string name) : Container(parent, std::move(name)) {}

std::unique_ptr<detail::Peer> Panel::MakePeer(detail::PeerFactory& f) { return f.Make(*this); }

Bevel::Bevel(Container& parent, std::string name) : Control(parent, std::move(name)) {}

std::unique_ptr<detail::Peer> Bevel::MakePeer(detail::PeerFactory& f) { return f.Make(*this); }

TabSheet::TabSheet(PageControl& parent, std::string name) : WithCaption(parent, std::move(name)) {
  if (parent.ActivePage() == nullptr) parent.SetActivePage(this);
}

void TabSheet::SetCaption(std::string_view bytes, Cp cp) {
  StoreCaption(bytes, cp);
  Changed(Prop::kCaption);
}

std::unique_ptr<detail::Peer> TabSheet::MakePeer(detail::PeerFactory& f) { return f.Make(*this); }

PageControl& TabSheet::Pages() const { return static_cast<PageControl&>(*Parent()); }

PageControl::PageControl(Container& parent, std::string name) : Container(parent, std::move(name)) {
  SetTabStop(true);
}

std::unique_ptr<detail::Peer> PageControl::MakePeer(detail::PeerFactory& f) { return f.Make(*this); }

std::vector<TabSheet*> PageControl::PagesList() const {
  std::vector<TabSheet*> pages;
  for (Control* c : Controls()) {
    if (auto* t = dynamic_cast<TabSheet*>(c)) pages.push_back(t);
  }
  return pages;
}

void PageControl::SetActivePage(TabSheet* page) {
  if (page == active_) return;
  active_ = page;
  Changed(Prop::kActivePage);
}

// --- menus ---------------------------------------------------------------------------------------

namespace {
std::atomic<int> nextCommandId{40000};
}

MenuItem::MenuItem(Form& form, std::string name)
    : WithCaption(form, std::move(name)), commandId_(nextCommandId++) {}

void MenuItem::SetCaption(std::string_view bytes, Cp cp) { StoreCaption(bytes, cp); }

void MenuItem::Click() {
  if (OnClick) RunGuarded([&] { OnClick(*this); });
}

PopupMenu::PopupMenu(Form& form, std::string name) : Component(form, std::move(name)) {}

MenuItem& PopupMenu::AddItem(std::string name, std::string_view caption, Cp cp) {
  MenuItem* item = OwnerForm().Make<MenuItem>(OwnerForm(), std::move(name));
  item->SetCaption(caption, cp);
  items_.push_back(item);
  return *item;
}

// --- file dialogs -------------------------------------------------------------------------------

FileDialog::FileDialog(Form& form, std::string name, bool save)
    : Component(form, std::move(name)), save_(save) {}

void FileDialog::SetFilter(std::string_view bytes, Cp cp) {
  filter_.assign(bytes);
  filterCp_ = cp;
}

void FileDialog::SetTitle(std::string_view bytes, Cp cp) {
  title_.assign(bytes);
  titleCp_ = cp;
}

std::string FileDialog::FileNameBytes() const { return CurrentBackend().PathToBytes(fileName_); }

bool FileDialog::Execute() { return CurrentBackend().RunFileDialog(*this); }

// --- Form -------------------------------------------------------------------------------------------

Form::Form(std::string name) : WithCaption(std::move(name)) {
  Component::form_ = this;
  SetTabStop(false);
}

Form::~Form() {
  CloseOwnedForms();
  if (Modeless()) Close();
  // Components go in reverse order of creation: children before parents.
  active_ = nullptr;
  while (!owned_.empty()) owned_.pop_back();
}

void Form::RegisterComponent(Component* c) { components_.push_back(c); }

void Form::UnregisterComponent(Component* c) { std::erase(components_, c); }

Component* Form::FindComponent(std::string_view name) const {
  for (Component* c : components_) {
    if (c->Name() == name) return c;
  }
  return nullptr;
}

std::vector<Component*> Form::Components() const { return components_; }

void Form::SetCaption(std::string_view bytes, Cp cp) {
  StoreCaption(bytes, cp);
  Changed(Prop::kCaption);
}

void Form::SetClientSize(int width, int height) {
  clientWidth_ = width;
  clientHeight_ = height;
  SetBounds(Rect{Bounds().left, Bounds().top, width, height});
}

void Form::SetDesignedPosition(int left, int top) {
  position_ = FormPosition::Designed;
  designedLeft_ = left;
  designedTop_ = top;
}

ModalResult Form::ShowModal() {
  if (showing_) throw std::logic_error("form is already showing");
  modalResult_ = ModalResult::None;
  struct ShowingScope {
    Form& f;
    ~ShowingScope() {
      f.showing_ = false;
      f.active_ = nullptr;
    }
  } scope{*this};
  struct OwnedScope {
    Form& f;
    ~OwnedScope() { f.CloseOwnedForms(); }
  } owned{*this};
  showing_ = true;
  ModalResult r = CurrentBackend().RunModal(*this);
  if (r == ModalResult::None) r = ModalResult::Cancel;
  modalResult_ = r;
  return r;
}

void Form::Close() {
  if (!Modeless()) {
    SetModalResult(ModalResult::Cancel);
    return;
  }
  CurrentBackend().CloseModeless(*this);
  if (Modeless()) ModelessClosed();  // a backend that kept no windows
}

void Form::ShowModeless(Form& owner) {
  if (showing_) throw std::logic_error("form is already showing");
  if (!owner.Showing()) throw std::logic_error("the owner of a modeless form must be showing");
  modalResult_ = ModalResult::None;
  modelessOwner_ = &owner;
  owner.ownedForms_.push_back(this);
  showing_ = true;
  try {
    CurrentBackend().OpenModeless(*this, owner);
  } catch (...) {
    ModelessClosed();
    throw;
  }
}

void Form::BringToFront() {
  if (Modeless()) CurrentBackend().BringToFront(*this);
}

bool Form::RunCommand(int commandId) {
  for (Component* c : components_) {
    auto* item = dynamic_cast<MenuItem*>(c);
    if (item != nullptr && item->CommandId() == commandId) {
      item->Click();
      return true;
    }
  }
  return false;
}

void Form::CloseOwnedForms() {
  while (!ownedForms_.empty()) ownedForms_.back()->Close();
}

void Form::ModelessClosed() {
  if (modelessOwner_ == nullptr) return;
  CloseOwnedForms();
  std::erase(modelessOwner_->ownedForms_, this);
  modelessOwner_ = nullptr;
  showing_ = false;
  active_ = nullptr;
  if (OnClose) RunGuarded([&] { OnClose(*this); });
}

void Form::SetModalResult(ModalResult r) {
  modalResult_ = r;
  Changed(Prop::kModalResult);
}

std::unique_ptr<detail::Peer> Form::MakePeer(detail::PeerFactory& f) { return f.Make(*this); }

void Form::MoveFocus(Control* to) {
  if (to == active_) return;
  Control* from = active_;
  active_ = to;
  if (from != nullptr) {
    RunGuarded([&] { from->DoExit(); });
    if (from->OnExit) RunGuarded([&] { from->OnExit(*from); });
  }
  if (to != nullptr && active_ == to) {
    RunGuarded([&] { to->DoEnter(); });
    if (to->OnEnter) RunGuarded([&] { to->OnEnter(*to); });
  }
}

void Form::PressEnter() {
  if (auto* b = dynamic_cast<Button*>(active_)) {
    b->PerformClick();
  } else if (defaultButton_ != nullptr) {
    defaultButton_->PerformClick();
  }
}

namespace {

void CollectTabStops(const Container& c, std::vector<Control*>& out) {
  for (Control* child : c.TabOrderList()) {
    if (!child->Enabled() || !child->Visible()) continue;
    if (auto* pc = dynamic_cast<PageControl*>(child)) {
      if (TabSheet* page = pc->ActivePage(); page && page->Enabled() && page->Visible()) CollectTabStops(*page, out);
    } else if (auto* sub = dynamic_cast<Container*>(child)) {
      if (dynamic_cast<TabSheet*>(child) == nullptr) CollectTabStops(*sub, out);
    } else if (child->TabStop()) {
      out.push_back(child);
    }
  }
}

}  // namespace

void Form::PressTab() {
  std::vector<Control*> stops;
  CollectTabStops(*this, stops);
  if (stops.empty()) return;
  auto at = std::find(stops.begin(), stops.end(), active_);
  Control* next = at == stops.end() || at + 1 == stops.end() ? stops.front() : *(at + 1);
  next->SetFocus();
  if (auto* e = dynamic_cast<Edit*>(next)) e->SetSel(0, static_cast<int>(e->Text().size()));
}

void Form::PressEscape() {
  if (cancelButton_ != nullptr) cancelButton_->PerformClick();
}

}  // namespace qv::ui
