// The dialogs' component framework: portable control objects that hold the
// state (names, geometry, texts as 8-bit bytes, checked states, list items,
// ranges) and the event handlers.  A backend (UiApplication.h) gives them a
// life on screen: the Win32 backend creates a standard window for every
// control while its form runs modally; while that window exists it is the
// truth for the text, the checked state, the list's caret and selection
// (the object reads them from it, and takes them over when the window goes
// at the end of the run), while enabled and visible states stay the
// object's.  The in-memory backend has no windows at all, and tests drive the objects
// through the methods that stand for the user's actions (Click, TypeChar,
// KeyDown, KillFocus, ClickItem ...).
//
// Ownership: a Form owns every component created on it (Form::Make); the
// pointers stay valid for the form's lifetime.  Controls are placed in a
// container (the form itself, a Panel or a TabSheet) and their positions are
// relative to that container's client area, in pixels.
//
// Texts: every caption and text is 8-bit bytes.  User data (media bets,
// filter strings, spin edit texts, file names) is in the system code page
// (Cp::System).  The dialogs' own Chinese captions are GB2312 literals
// (Cp::Gb2312), which the Win32 backend converts with code page 936
// explicitly so that they also read correctly on a system with another code
// page.  Conversion happens only for display: the bytes kept here are never
// altered by it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::ui {

class Form;
class Container;
class Control;

class Panel;
class TabSheet;
class PageControl;
class Label;
class Bevel;
class Button;
class CheckBox;
class Edit;
class SpinEdit;
class ListBox;
class ProgressBar;
class Chart;
class ListView;

namespace detail {
class Peer;
class PeerFactory;
}

// How the bytes of a text are to be read for display.
enum class Cp : uint8_t {
  System,  // the system (ANSI) code page: user data
  Gb2312,  // GB2312 / code page 936: the dialogs' literal Chinese texts
};

// Position and size within the parent's client area.
struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool operator==(const Rect&) const = default;
};

// 0x00BBGGRR, as a Windows COLORREF.
using Color = uint32_t;
inline constexpr Color kRed = 0x000000FF;
inline constexpr Color kBlack = 0x00000000;

enum class Charset : uint8_t { Default, Ansi, Gb2312 };

struct Font {
  std::string face = "MS Sans Serif";  // ASCII face name
  int height = 11;                     // character height in pixels
  bool bold = false;
  std::optional<Color> color;          // none: the system's text colour
  Charset charset = Charset::Default;
  bool operator==(const Font&) const = default;
};

enum class ModalResult : uint8_t { None, Ok, Cancel };

// Keys without a character.
enum class Key : uint8_t { Up, Down, PageUp, PageDown, Left, Right, Home, End, Delete };

// Base of everything a form owns, visual or not.
class Component {
 public:
  virtual ~Component();
  Component(const Component&) = delete;
  Component& operator=(const Component&) = delete;

  const std::string& Name() const { return name_; }
  Form& OwnerForm() const { return *form_; }

 protected:
  Component(Form& form, std::string name);
  explicit Component(std::string name);  // the form itself

 private:
  friend class Form;
  Form* form_;
  std::string name_;
};

// A visual control inside a container.
class Control : public Component {
 public:
  ~Control() override;

  Container* Parent() const { return parent_; }

  const Rect& Bounds() const { return bounds_; }
  void SetBounds(Rect r);

  bool Enabled() const { return enabled_; }
  // Disabling the focused control takes the focus from it (to nowhere).
  void SetEnabled(bool on);
  bool Visible() const { return visible_; }
  void SetVisible(bool on);

  // Own font; without one the control uses its parent's (ParentFont).
  const std::optional<Font>& OwnFont() const { return font_; }
  void SetFont(Font f);
  Font EffectiveFont() const;

  // Keyboard order: position among the parent's tab stops.  Creation order
  // unless set.
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool on) { tabStop_ = on; }
  void SetTabOrder(int position);
  int TabOrder() const;

  bool Focused() const;
  // The user moves the focus here (the previous control loses it first).
  void SetFocus();
  // The user moves the focus away from this control (to nowhere).
  void KillFocus();

  // The native window while the form runs (HWND in the Win32 backend),
  // nullptr otherwise.
  void* Handle() const;

  // The control's fixed identifier within its form (the window's control
  // ID on Win32); 0: none, the backend picks one that no fixed one uses.
  int Id() const { return id_; }
  void SetId(int id) { id_ = id; }

  // Focus handlers, run after the control's own handling.
  std::function<void(Control&)> OnEnter;
  std::function<void(Control&)> OnExit;

  // --- backend plumbing -------------------------------------------------
  detail::Peer* peer() const { return peer_; }
  void AttachPeer(detail::Peer* p) { peer_ = p; }
  // The backend's peer for this kind of control.
  virtual std::unique_ptr<detail::Peer> MakePeer(detail::PeerFactory& f) = 0;
  // Brings the object's state in line with its window, if it has one.
  void Pull() const;
  // The control's own reaction to gaining and losing the focus.
  virtual void DoEnter();
  virtual void DoExit();

 protected:
  Control(Container& parent, std::string name);
  explicit Control(std::string name);  // the form itself
  // Tells the peer that a property changed.
  void Changed(int what, int index = -1) const;

 private:
  Container* parent_;
  Rect bounds_;
  bool enabled_ = true;
  bool visible_ = true;
  bool tabStop_ = false;
  std::optional<Font> font_;
  int id_ = 0;
  detail::Peer* peer_ = nullptr;
};

// A control that holds other controls.
class Container : public Control {
 public:
  // Children in creation order ("control order").
  const std::vector<Control*>& Controls() const { return children_; }
  // Children in keyboard order.
  const std::vector<Control*>& TabOrderList() const { return tabOrder_; }

  // --- plumbing ---
  void AddChild(Control* c);
  void RemoveChild(Control* c);
  void MoveInTabOrder(Control* c, int position);

 protected:
  Container(Container& parent, std::string name);
  explicit Container(std::string name);  // the form itself

 private:
  std::vector<Control*> children_;
  std::vector<Control*> tabOrder_;
};

// A caption in its code page, for the components that show one; what a
// new caption sets off is each one's own SetCaption.
template <class Base>
class WithCaption : public Base {
 public:
  const std::string& Caption() const { return caption_; }
  Cp CaptionCp() const { return captionCp_; }

 protected:
  using Base::Base;
  // Holds the caption; false when it is the one held already.
  bool StoreCaption(std::string_view bytes, Cp cp) {
    if (bytes == caption_ && cp == captionCp_) return false;
    caption_.assign(bytes);
    captionCp_ = cp;
    return true;
  }

 private:
  std::string caption_;
  Cp captionCp_ = Cp::System;
};

// --- plain controls ------------------------------------------------------

// A control with a caption (labels, buttons, check boxes).
class CaptionedControl : public WithCaption<Control> {
 public:
  void SetCaption(std::string_view bytes, Cp cp);

 protected:
  using WithCaption::WithCaption;
};

// STATIC text.  Lines are separated by "\r" (or "\r\n"); leading blanks are
// kept.  Caption set with SetCaption.
class Label : public CaptionedControl {
 public:
  Label(Container& parent, std::string name);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool on);
  std::unique_ptr<detail::Peer> MakePeer(detail::PeerFactory& f) override;

 private:
  bool wordWrap_ = false;
};

// Push button.  Click() is the user's click (also Enter when it is the
// form's default button or has the focus, Esc when it is the cancel button);
// a disabled or invisible button ignores it.  After OnClick, a button with a
// modal result other than None closes its form with that result.
class Button : public CaptionedControl {
 public:
  Button(Container& parent, std::string name);
  std::function<void(Button&)> OnClick;
  ModalResult GetModalResult() const { return modalResult_; }
  void SetModalResult(ModalResult r) { modalResult_ = r; }
  // The user's mouse click: the focus moves to the button (so a spin edit
  // that had it is clamped), then PerformClick.
  void Click();
  // The click itself, without moving the focus (Enter, Esc, BM_CLICK).
  virtual void PerformClick();
  std::unique_ptr<detail::Peer> MakePeer(detail::PeerFactory& f) override;

 private:
  ModalResult modalResult_ = ModalResult::None;
};

// Check box.  OnClick runs whenever the checked state changes: by the user's
// Click(), by SetChecked from the program and, with a window, by any
// sender's change of the window's state; setting the state it already has
// does nothing, and reading the state never runs it.
class CheckBox : public CaptionedControl {
 public:
  CheckBox(Container& parent, std::string name);
  std::function<void(CheckBox&)> OnClick;
  bool Checked() const {
    Pull();
    return checked_;
  }
  void SetChecked(bool on);
  void Click();  // the user's click: toggles when enabled
  std::unique_ptr<detail::Peer> MakePeer(detail::PeerFactory& f) override;

  // --- plumbing (Win32 backend) ---
  // The window's checked state, read: no handler runs.
  void CheckedFromWindow(bool on);
  // The window's own notice that its state changed, by whatever sender:
  // runs OnClick, as SetChecked does, for a state it has not yet run for.
  void CheckChangedInWindow(bool on);

 private:
  bool checked_ = false;
  bool announced_ = false;  // the state OnClick last ran for
};

// One-line input box.  OnKeyPress sees every typed character before the box
// handles it (Backspace arrives as 8); the handler may leave it, replace it
// or set it to 0 to drop it.  Pasted text does not pass through the hook.
class Edit : public Control {
 public:
  Edit(Container& parent, std::string name);

  const std::string& Text() const {
    Pull();
    return text_;
  }
  // Sets the text (system code page), caret at its end.
  void SetText(std::string_view bytes);

  int SelStart() const {
    Pull();
    return selStart_;
  }
  int SelLength() const {
    Pull();
    return selLength_;
  }
  void SetSel(int start, int length = 0);

  bool Flat() const { return flat_; }     // plain border, no 3-D frame
  void SetFlat(bool on);
  int MaxLength() const { return maxLength_; }  // 0: no limit
  void SetMaxLength(int n) { maxLength_ = n; }

  std::function<void(Edit&, char& key)> OnKeyPress;
  std::function<void(Edit&)> OnChange;

  // The user types one character (8 = Backspace): runs OnKeyPress, then
  // inserts the character at the caret (replacing the selection) or, for
  // Backspace, deletes the selection or the character before the caret.
  // Other control characters are ignored.
  void TypeChar(char c);
  // The user types several characters one by one.
  void TypeText(std::string_view chars);
  // The user pastes text: no key hook.
  void Paste(std::string_view bytes);
  // Caret keys and Delete.
  virtual void KeyDown(Key k);
  std::unique_ptr<detail::Peer> MakePeer(detail::PeerFactory& f) override;

  // The key rule of both backends: runs OnKeyPress on a typed character,
  // then the box's own refusal.  False: the character is dropped; true: key
  // (perhaps replaced by the hook) goes into the box.
  bool FilterChar(char& key);

  // --- plumbing (Win32 backend): the window's text and caret.  Read from a
  // getter, no handler runs; on the window's own change notice (notice),
  // OnChange runs for a change not yet handled. ---
  void TextFromWindow(std::string bytes, int selStart, int selLength, bool notice);

 protected:
  // Characters the box itself refuses (after OnKeyPress).
  virtual bool AcceptChar(char) const { return true; }
  // Runs after every change of the text.
  virtual void TextReplaced() {}
  void ReplaceSelection(std::string_view bytes);
  void SetTextInternal(std::string bytes, bool notifyPeer, bool runHandler = true);

 private:
  std::string text_;
  int selStart_ = 0;
  int selLength_ = 0;
  int maxLength_ = 0;
  bool flat_ = false;
  bool changePending_ = false;  // read from the window, OnChange not yet run
};

// Integer field with up and down buttons.  Range Min..Max (0..100 unless
// set), starts with the value 0 and the text "0"; the text is read by the
// reader its owner gives (SetNumberReader).  Up and Down (keys,
// buttons, wheel) step by 1, PageUp, PageDown and Ctrl+wheel by 10.  Typing
// accepts digits and the signs "+" "-" (Backspace too); everything else is
// refused.  The text is parsed and clamped into the range only when the
// focus leaves (KillFocus or focus moving to another control); until then
// Text() returns it exactly as typed.  SetText shows a text unchanged,
// without clamping.
class SpinEdit : public Edit {
 public:
  SpinEdit(Container& parent, std::string name);

  int Min() const { return min_; }
  int Max() const { return max_; }
  void SetMin(int v);
  void SetMax(int v);
  int Increment() const { return increment_; }
  int PageIncrement() const { return pageIncrement_; }

  // The value: the text read as an integer and clamped into the range, or
  // the last good value when the text is no integer.
  int Value() const;
  // Sets the value clamped into the range and shows it in decimal.
  void SetValue(int v);

  // The up (+1) or down (-1) button, n times.
  void ClickUp(int n = 1);
  void ClickDown(int n = 1);
  // The mouse wheel: notches > 0 up, < 0 down; with Ctrl each notch is 10.
  void Wheel(int notches, bool ctrl);
  // Up, Down, PageUp, PageDown step; other keys as in Edit.
  void KeyDown(Key k) override;
  // Steps the value by delta from the text's present value, clamped.
  void StepBy(int delta);
  // The step a key gives (0: the key does not step).
  int StepOf(Key k) const;
  std::unique_ptr<detail::Peer> MakePeer(detail::PeerFactory& f) override;

  void DoExit() override;

  // How the text reads as an integer (nullopt: it is no integer).  The
  // field's owner gives the reader, so that a text keeps the value its own
  // data format reads from it; values beyond the range are clamped.  With
  // none, no text reads as an integer and the value changes only by
  // SetValue and the steps.
  using NumberReader = std::optional<int64_t> (*)(std::string_view text);
  void SetNumberReader(NumberReader reader);
  NumberReader GetNumberReader() const { return reader_; }

  // The acceptance rule of the key hook (digits, signs, Backspace).
  static bool AcceptsChar(char c);

 protected:
  bool AcceptChar(char c) const override { return AcceptsChar(c); }
  void TextReplaced() override;

 private:
  int Clamp(long long v) const;
  std::optional<int64_t> Read(std::string_view text) const;
  NumberReader reader_ = nullptr;
  int min_ = 0;
  int max_ = 100;
  int increment_ = 1;
  int pageIncrement_ = 10;
  int lastValue_ = 0;
};

// List box: items in insertion order (not sorted), several lines selectable
// (extended selection), one current line (the one with the focus rectangle,
// selected or not).  The items keep their bytes exactly (system code page).
class ListBox : public Control {
 public:
  ListBox(Container& parent, std::string name);

  const std::vector<std::string>& Items() const { return items_; }
  int Count() const { return static_cast<int>(items_.size()); }
  const std::string& Item(int i) const { return items_.at(static_cast<size_t>(i)); }

  void AddItem(std::string bytes);
  // Removes item i (exactly one); selection and the current line follow the
  // remaining items.  Out-of-range indexes are ignored.
  void DeleteItem(int i);
  void ClearItems();

  // Current line: -1 when the list is empty or none is current.  With a
  // window: the window's caret item once the list has had the focus, a
  // click, or a caret or selection message since it was last empty.
  int ItemIndex() const;
  // Makes line i current (the selection stays as it is); -1 for none.
  void SetItemIndex(int i);

  bool Selected(int i) const;
  // Selects or deselects line i (-1: every line), as LB_SETSEL does: a
  // line selected becomes the current one and the anchor (every line
  // selected: no anchor), and a list without a current line has its first
  // one.
  void SetSelected(int i, bool on);
  int SelCount() const;

  std::function<void(ListBox&)> OnClick;

  // The user clicks line i: plain click selects only it, ctrlClick toggles
  // it keeping the others; either makes it current and the anchor, and runs
  // OnClick.  With shiftClick the anchor stays: alone it selects the lines
  // from the anchor to i and only those (nothing changes with no anchor);
  // with ctrlClick it toggles i, as the system's list does.
  void ClickItem(int i, bool ctrlClick = false, bool shiftClick = false);
  // The line a Shift click extends from: -1 for none (a new or emptied
  // list); the line before when the anchor was the last and it is deleted.
  int Anchor() const;

  // Suspends redrawing while a batch of changes runs; resumed (and the list
  // redrawn once) when the last guard goes, on every path.
  class UpdateGuard {
   public:
    explicit UpdateGuard(ListBox& lb);
    ~UpdateGuard();
    UpdateGuard(const UpdateGuard&) = delete;
    UpdateGuard& operator=(const UpdateGuard&) = delete;

   private:
    ListBox& lb_;
  };
  [[nodiscard]] UpdateGuard BeginUpdate() { return UpdateGuard(*this); }
  bool Updating() const { return updateDepth_ > 0; }
  int RedrawCount() const { return redraws_; }  // times redrawing resumed
  std::unique_ptr<detail::Peer> MakePeer(detail::PeerFactory& f) override;
  // Gaining the focus gives a list with items and no current line its first
  // line as current (the one with the focus rectangle).
  void DoEnter() override;

  // --- plumbing: the window's selection changed (Win32 backend) ---
  void SelectionFromWindow(std::vector<bool> selected, int caret, int anchor);

 private:
  std::vector<std::string> items_;
  std::vector<bool> selected_;
  int caret_ = -1;
  int anchor_ = -1;
  int updateDepth_ = 0;
  int redraws_ = 0;
};

// A group of controls, optionally with a border.
class Panel : public Container {
 public:
  Panel(Container& parent, std::string name);
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int px) { borderWidth_ = px; }
  std::unique_ptr<detail::Peer> MakePeer(detail::PeerFactory& f) override;

 private:
  int borderWidth_ = 0;
};

// A horizontal or vertical etched line.
class Bevel : public Control {
 public:
  Bevel(Container& parent, std::string name);
  std::unique_ptr<detail::Peer> MakePeer(detail::PeerFactory& f) override;
};

// One page of a page control; its tab can be hidden.
class TabSheet : public WithCaption<Container> {
 public:
  TabSheet(PageControl& parent, std::string name);
  void SetCaption(std::string_view bytes, Cp cp);
  bool TabVisible() const { return tabVisible_; }
  void SetTabVisible(bool on) { tabVisible_ = on; }
  PageControl& Pages() const;
  std::unique_ptr<detail::Peer> MakePeer(detail::PeerFactory& f) override;

 private:
  bool tabVisible_ = true;
};

// Tab control whose pages are TabSheets created on it; only the active page
// is shown, and only pages with a visible tab get a tab.
class PageControl : public Container {
 public:
  PageControl(Container& parent, std::string name);
  std::vector<TabSheet*> PagesList() const;
  TabSheet* ActivePage() const { return active_; }
  void SetActivePage(TabSheet* page);
  std::unique_ptr<detail::Peer> MakePeer(detail::PeerFactory& f) override;

 private:
  TabSheet* active_ = nullptr;
};

// --- menus ----------------------------------------------------------------

class MenuItem : public WithCaption<Component> {
 public:
  MenuItem(Form& form, std::string name);
  void SetCaption(std::string_view bytes, Cp cp);
  std::function<void(MenuItem&)> OnClick;
  void Click();  // the user chose this entry
  int CommandId() const { return commandId_; }  // WM_COMMAND id on Win32
  // A fixed command ID (below 0x8000, unique within the form) instead of
  // the one given at creation, so that a WM_COMMAND sent to the form's
  // window by another program reaches the item as its menu's would.
  void SetCommandId(int id) { commandId_ = id; }

 private:
  int commandId_;
};

class PopupMenu : public Component {
 public:
  PopupMenu(Form& form, std::string name);
  const std::vector<MenuItem*>& Items() const { return items_; }
  MenuItem& AddItem(std::string name, std::string_view caption, Cp cp);

 private:
  std::vector<MenuItem*> items_;
};

// A push button that opens its popup menu below itself.
class MenuButton : public Button {
 public:
  MenuButton(Container& parent, std::string name);
  PopupMenu* Menu() const { return menu_; }
  void SetMenu(PopupMenu* m) { menu_ = m; }
  void PerformClick() override;  // OnClick, then the popup menu

 private:
  PopupMenu* menu_ = nullptr;
};

// --- file dialogs -----------------------------------------------------------

// Common open and save dialogs.  Filter: "desc|pattern|desc|pattern...";
// it stays set on the object between uses.  No default extension; the open
// dialog does not insist that the file exists.
class FileDialog : public Component {
 public:
  const std::string& Filter() const { return filter_; }
  Cp FilterCp() const { return filterCp_; }
  void SetFilter(std::string_view bytes, Cp cp);
  const std::string& Title() const { return title_; }
  void SetTitle(std::string_view bytes, Cp cp);
  Cp TitleCp() const { return titleCp_; }

  const std::filesystem::path& FileName() const { return fileName_; }
  void SetFileName(std::filesystem::path p) { fileName_ = std::move(p); }
  // The file name as 8-bit bytes in the system code page.
  std::string FileNameBytes() const;

  bool IsSave() const { return save_; }
  // Shows the dialog; true with FileName set when the user chose a file.
  bool Execute();

 protected:
  FileDialog(Form& form, std::string name, bool save);

 private:
  std::string filter_;
  Cp filterCp_ = Cp::System;
  std::string title_;
  Cp titleCp_ = Cp::System;
  std::filesystem::path fileName_;
  bool save_;
};

class OpenDialog : public FileDialog {
 public:
  OpenDialog(Form& form, std::string name) : FileDialog(form, std::move(name), false) {}
};

class SaveDialog : public FileDialog {
 public:
  SaveDialog(Form& form, std::string name) : FileDialog(form, std::move(name), true) {}
};

// --- forms ----------------------------------------------------------------------

// BesideOwner: a modeless form right of its owner's window, top edges
// level (left of it when the screen has no room on the right).
enum class FormPosition : uint8_t { ScreenCenter, Designed, BesideOwner };

// A top-level window that runs modally.  Derive the dialogs from it and
// create their components with Make in the constructor.
class Form : public WithCaption<Container> {
 public:
  explicit Form(std::string name);
  ~Form() override;

  // Creates a component owned by this form.  For controls the first
  // argument is the parent container (the form itself, a panel, a tab sheet).
  template <class T, class... Args>
  T* Make(Args&&... args) {
    auto owned = std::make_unique<T>(std::forward<Args>(args)...);
    T* raw = owned.get();
    owned_.push_back(std::move(owned));
    return raw;
  }

  void SetCaption(std::string_view bytes, Cp cp);

  int ClientWidth() const { return clientWidth_; }
  int ClientHeight() const { return clientHeight_; }
  void SetClientSize(int width, int height);

  FormPosition Position() const { return position_; }
  // Designed position: the window's left top corner on the screen.
  void SetDesignedPosition(int left, int top);
  void SetScreenCenter() { position_ = FormPosition::ScreenCenter; }
  void SetBesideOwner() { position_ = FormPosition::BesideOwner; }
  int DesignedLeft() const { return designedLeft_; }
  int DesignedTop() const { return designedTop_; }

  // Title-bar buttons: with a system menu the title bar shows the close box;
  // without, it shows no button at all (and the window cannot be closed from
  // the title bar).
  bool SystemMenu() const { return systemMenu_; }
  void SetSystemMenu(bool on) { systemMenu_ = on; }

  // Enter clicks the default button unless the focus is on another push
  // button (then that one); Esc clicks the cancel button.  nullptr: none.
  Button* DefaultButton() const { return defaultButton_; }
  void SetDefaultButton(Button* b) { defaultButton_ = b; }
  Button* CancelButton() const { return cancelButton_; }
  void SetCancelButton(Button* b) { cancelButton_ = b; }

  // The control with the focus (nullptr: none), and the one that gets it
  // when the form is shown (nullptr: the first tab stop).
  Control* ActiveControl() const { return active_; }
  void SetInitialFocus(Control* c) { initialFocus_ = c; }
  Control* InitialFocus() const { return initialFocus_; }

  // Component lookup by name; nullptr when absent or of another type.
  Component* FindComponent(std::string_view name) const;
  template <class T>
  T* Find(std::string_view name) const {
    return dynamic_cast<T*>(FindComponent(name));
  }
  // Every component, in creation order.
  std::vector<Component*> Components() const;

  // Runs the form modally over the application's owner window (or over the
  // form running modally at the moment); returns the result that closed it
  // (Cancel when it was closed otherwise).
  ModalResult ShowModal();
  bool Showing() const { return showing_; }
  ModalResult GetModalResult() const { return modalResult_; }
  // Closes a modally running form with the given result (whatever sets it:
  // a handler, a posted or sent click, Escape, the program).
  void SetModalResult(ModalResult r);
  // A modeless form closes; a modal one ends with Cancel.
  void Close();

  // Shows the form beside owner, which is on screen (modal or modeless),
  // without waiting: it stays until it is closed (Close, its close box) and
  // closes, before its owner, when its owner goes.  Events of both reach
  // their handlers through whichever message loop runs.
  void ShowModeless(Form& owner);
  bool Modeless() const { return modelessOwner_ != nullptr; }
  Form* ModelessOwner() const { return modelessOwner_; }
  const std::vector<Form*>& OwnedForms() const { return ownedForms_; }
  // Runs when a modeless form has closed, by whatever means.
  std::function<void(Form&)> OnClose;

  // Runs once the form is on screen, before the user acts (Win32: the
  // windows exist).
  std::function<void(Form&)> OnShow;

  // Brings a showing modeless form in front of the other windows.
  void BringToFront();
  // A menu command (WM_COMMAND from a menu, or sent by any sender, on
  // Win32): clicks the form's menu item with that command ID; false when
  // it has none.
  bool RunCommand(int commandId);

  // The user presses Enter or Esc: the rule of both backends.
  void PressEnter();
  void PressEscape();
  // The user presses Tab: the focus goes to the next enabled, visible tab
  // stop in keyboard order (through the containers, the active page only),
  // after the last to the first, and an edit box it lands on has its whole
  // text selected, as the dialog manager does.
  void PressTab();
  std::unique_ptr<detail::Peer> MakePeer(detail::PeerFactory& f) override;

  // --- plumbing ---
  void RegisterComponent(Component* c);
  void UnregisterComponent(Component* c);
  void SetActiveControl(Control* c) { active_ = c; }
  void SetShowing(bool on) { showing_ = on; }
  // Moves the focus (model side): runs the old control's exit handling.
  void MoveFocus(Control* to);
  // Closes the modeless forms this one owns (backends: before its windows go).
  void CloseOwnedForms();
  // A modeless form's windows are gone (backends, after CloseModeless).
  void ModelessClosed();

 private:
  std::vector<std::unique_ptr<Component>> owned_;
  std::vector<Component*> components_;
  int clientWidth_ = 0;
  int clientHeight_ = 0;
  FormPosition position_ = FormPosition::ScreenCenter;
  int designedLeft_ = 0;
  int designedTop_ = 0;
  bool systemMenu_ = true;
  Button* defaultButton_ = nullptr;
  Button* cancelButton_ = nullptr;
  Control* active_ = nullptr;
  Control* initialFocus_ = nullptr;
  bool showing_ = false;
  ModalResult modalResult_ = ModalResult::None;
  Form* modelessOwner_ = nullptr;
  std::vector<Form*> ownedForms_;
};

}  // namespace qv::ui
