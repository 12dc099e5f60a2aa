// Link between a control object and its native counterpart (backend side).
#pragma once

#include "UiControls.h"

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
};

class Peer {
 public:
  virtual ~Peer() = default;
  // The object changed: bring the window in line.  For kItemAdded and
  // kItemDeleted, index names the item.
  virtual void Changed(int prop, int index) = 0;
  virtual void* Handle() const = 0;
  // Give the window the keyboard focus / take it away.
  virtual void Focus() = 0;
  virtual void Blur() = 0;
  // Simulated typing through the window (so the window's own handling runs).
  virtual void SimulateChar(char c) = 0;
  virtual void SimulateKey(Key k) = 0;
};

}  // namespace qv::ui::detail
