// Which typed characters a filtered edit field takes. The flags word is set when the field is
// made: the low four bits choose the characters, 0x10 refuses the space, 0x100 keeps a click from
// selecting the whole text.
#pragma once

#include "ValueCodec.h"

namespace orvex {

enum InputFilterFlag : unsigned {
  kAnyCharacter = 0x0,
  kDecimalDigitsOnly = 0x1,
  kHexDigitsOnly = 0x2,
  kFilterModeMask = 0xF,
  kRefuseSpace = 0x10,
  kNoSelectOnClick = 0x100,
};

// `ch` is a UTF-16 code unit as the field receives it. Backspace, Tab and Enter always pass, and
// so do the clipboard and undo keys (Ctrl+A, C, V, X, Z): they edit, they type nothing.
bool FilterAccepts(unsigned flags, unsigned ch);

// The flags of the settings window's edit for a value: digits for decimal and BCD fields,
// hexadecimal digits for hexadecimal ones, anything for text.
unsigned FilterFlagsFor(DisplayClass display);

}  // namespace orvex
