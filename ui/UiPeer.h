// Link between a control object and its native counterpart (backend side).
#pragma once

#include <memory>

#include "UiControls.h"
#include "UiViews.h"

namespace qv::ui::detail {

// What changed on the object side.
enum Prop : int {
  kBounds,
  kEnabled,
  kVisible,
  kFont,
  kCaption,
  kText,      // Edit text (and caret)
  kSel,       // Edit caret / selection only
  kChecked,
  kItemAdded,
  kItemDeleted,  // followed by kSelection
  kItemsCleared,
  kSelection,    // list selection and current line
  kRedrawOff,
  kRedrawOn,
  kActivePage,
  kRange,        // spin edit minimum and maximum
  kModalResult,  // the form has its result: the modal run ends
  kPosition,     // progress bar position
  kChart,        // a chart's data or texts: redraw
  kColumnAdded,  // list view column (index)
};

// A control's native counterpart.  While it exists, the window it owns is
// the truth for what the user can change (texts, checked states, the list's
// selection and caret): the object asks with Pull before it answers or
// changes anything, and the peer writes the window's state into the object
// without running a handler.  Handlers run from the window's own notices.
class Peer {
 public:
  virtual ~Peer() = default;
  // The object changed: bring the window in line.  For kItemAdded and
  // kItemDeleted, index names the item.
  virtual void Changed(int prop, int index) = 0;
  // Writes the window's state into the object.
  virtual void Pull() {}
  virtual void* Handle() const = 0;
  // Give the window the keyboard focus / take it away.
  virtual void Focus() = 0;
  virtual void Blur() = 0;
  // Simulated typing through the window (so the window's own handling runs).
  virtual void SimulateChar(char) {}
  virtual void SimulateKey(Key) {}
};

// Makes the peer of each kind of control (double dispatch through
// Control::MakePeer, so that a backend needs no type tests).
class PeerFactory {
 public:
  virtual ~PeerFactory() = default;
  virtual std::unique_ptr<Peer> Make(Form& c) = 0;
  virtual std::unique_ptr<Peer> Make(Panel& c) = 0;
  virtual std::unique_ptr<Peer> Make(TabSheet& c) = 0;
  virtual std::unique_ptr<Peer> Make(PageControl& c) = 0;
  virtual std::unique_ptr<Peer> Make(Label& c) = 0;
  virtual std::unique_ptr<Peer> Make(Bevel& c) = 0;
  virtual std::unique_ptr<Peer> Make(Button& c) = 0;
  virtual std::unique_ptr<Peer> Make(CheckBox& c) = 0;
  virtual std::unique_ptr<Peer> Make(Edit& c) = 0;
  virtual std::unique_ptr<Peer> Make(SpinEdit& c) = 0;
  virtual std::unique_ptr<Peer> Make(ListBox& c) = 0;
  virtual std::unique_ptr<Peer> Make(ProgressBar& c) = 0;
  virtual std::unique_ptr<Peer> Make(Chart& c) = 0;
  virtual std::unique_ptr<Peer> Make(ListView& c) = 0;
};

}  // namespace qv::ui::detail
