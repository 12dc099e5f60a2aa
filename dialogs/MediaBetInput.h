// The rules of the media bet entry dialog that need no window: which typed
// characters the input box takes, and the check and normalisation of OK.
#pragma once

#include <string>
#include <string_view>

namespace qv {

// What the input box does with one typed character.
enum class BetKey {
  Pass,        // "0".."9" and ",": inserted at the caret as usual
  RemoveLast,  // Backspace: the text loses its last character (if any)
  Drop,        // everything else: refused silently
};
BetKey ClassifyBetKey(char c);

// Applies one typed character to the box's text.  Returns true when the box
// should insert the character itself (Pass); otherwise the text has been
// updated here (or left alone) and the character is swallowed.
bool FilterBetKey(char c, std::string& text);

// The outcome of OK on the text of the input box.
struct BetCheck {
  enum class Kind {
    Accepted,   // close with CancelFlag 0; text is what the box shows
    Empty,      // "please enter a bet"; the box keeps its (empty) text
    WrongForm,  // "wrong form"; the box is emptied
  };
  Kind kind = Kind::Empty;
  std::string text;  // the accepted, normalised text
};

// Single form: exactly seven characters without a comma, handed back
// unchanged.  Compound form: exactly seven comma-separated groups, each
// group keeping every character once at its first occurrence (letters
// compared without regard to case).  A text that the filter string cannot
// carry as a media bet (CanCarryMediaBet) is of the wrong form whatever its
// shape; only pasted text can be one.
BetCheck CheckBetInput(std::string_view text);

}  // namespace qv
