#include "InputFilter.h"

namespace orvex {

bool FilterAccepts(unsigned flags, unsigned ch) {
  switch (ch) {
    case 0x08:
    case 0x09:
    case 0x0D:  // Backspace, Tab, Enter
    case 0x01:
    case 0x03:
    case 0x16:
    case 0x18:
    case 0x1A:  // Ctrl+A, C, V, X, Z
      return true;
    case ' ':
      return (flags & kRefuseSpace) == 0;
    default:
      break;
  }
  const bool digit = ch >= '0' && ch <= '9';
  switch (flags & kFilterModeMask) {
    case kDecimalDigitsOnly:
      return digit;
    case kHexDigitsOnly:
      return digit || (ch >= 'A' && ch <= 'F') || (ch >= 'a' && ch <= 'f');
    default:
      return true;
  }
}

unsigned FilterFlagsFor(DisplayClass display) {
  switch (display) {
    case DisplayClass::kDecimal:
    case DisplayClass::kBcd:
      return kDecimalDigitsOnly | kRefuseSpace;
    case DisplayClass::kHexadecimal:
      return kHexDigitsOnly | kRefuseSpace;
    default:
      return kAnyCharacter;
  }
}

}  // namespace orvex
