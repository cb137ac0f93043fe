#include "ValueCodec.h"

#include <cstring>

#include "Cp932Text.h"
#include "NumberText.h"

namespace orvex {

void ValueText::Assign(std::string_view text) {
  text = CutText(text, kCapacity);
  if (!text.empty()) std::memcpy(text_, text.data(), text.size());
  size_ = text.size();
  text_[size_] = '\0';
}

void ValueText::Append(char c) {
  if (size_ >= kCapacity) return;
  text_[size_++] = c;
  text_[size_] = '\0';
}

namespace {

void AppendDecimal(ValueText* out, uint32_t value) {
  char digits[10];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (n > 0) out->Append(digits[--n]);
}

void AppendHex(ValueText* out, uint32_t value, int min_digits) {
  static const char kDigits[] = "0123456789ABCDEF";
  char digits[8];
  int n = 0;
  do {
    digits[n++] = kDigits[value & 0xF];
    value >>= 4;
  } while (value != 0);
  while (n < min_digits) digits[n++] = '0';
  while (n > 0) out->Append(digits[--n]);
}

// Positive values keep their full unsigned range: a four-byte value shown with "%u" must read
// back as itself.
uint32_t DecimalValue(std::string_view text) { return UnsignedDecimalFullRange(text); }

uint32_t ReadLittleEndian(const uint8_t* p, int length) {
  uint32_t value = 0;
  for (int i = length - 1; i >= 0; --i) value = (value << 8) | p[i];
  return value;
}

void WriteLittleEndian(uint8_t* p, int length, uint32_t value) {
  for (int i = 0; i < length; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

bool OwnBytesFit(const ParameterItem& item) {
  return item.offset >= 0 && item.width > 0 &&
         static_cast<size_t>(item.offset) + static_cast<size_t>(item.width) <= kBlockImageSize;
}

bool IsKnownKind(ValueKind kind) {
  return static_cast<int>(kind) >= 0 && static_cast<int>(kind) < kValueKindCount;
}

NumberForm FormOf(ValueKind kind) {
  if (kind == ValueKind::kHex || kind == ValueKind::kDdwn) return NumberForm::kHexadecimal;
  if (kind == ValueKind::kBcd || IsTimerBcdKind(kind)) return NumberForm::kBcd;
  return NumberForm::kDecimal;
}

// The member's bit inside its head's bytes, or -1 when the bit number is out of range.
int MemberBit(const ParameterItem& member) {
  int bit = member.offset;
  if (bit < 1 || member.head == nullptr || bit >= 8 * member.head->width) return -1;
  return bit;
}

}  // namespace

int EffectiveLength(int width) {
  if (width <= 0) return 0;
  return width > 4 ? 4 : width;
}

uint32_t WidthMaximum(int width) {
  switch (EffectiveLength(width)) {
    case 1: return 0xFFu;
    case 2: return 0xFFFFu;
    case 3: return 0xFFFFFFu;
    case 4: return 0xFFFFFFFFu;
    default: return 0;
  }
}

uint32_t ParseNumberText(NumberForm form, std::string_view text, int width) {
  const uint32_t max = WidthMaximum(width);
  switch (form) {
    case NumberForm::kDecimal: {
      uint32_t value = DecimalValue(text);
      return value > max ? max : value;
    }
    case NumberForm::kHexadecimal:
      return HexValueLoose(text) & max;
    case NumberForm::kBcd:
      return BcdValue(text, 8) & max;
  }
  return 0;
}

void ShowNumberText(NumberForm form, uint32_t value, int width, ValueText* out) {
  out->Clear();
  const int length = EffectiveLength(width);
  if (length == 0) return;
  switch (form) {
    case NumberForm::kDecimal: AppendDecimal(out, value); break;
    case NumberForm::kHexadecimal: AppendHex(out, value, 2 * length); break;
    case NumberForm::kBcd: AppendHex(out, value, 1); break;
  }
}

const char* UnitLabel(ValueKind kind) {
  static const char* const kTimerUnits[4] = {"ms", "×10ms", "×100ms", "秒"};
  if (kind == ValueKind::kHex) return "[HEX]";
  if (IsTimerBinaryKind(kind)) return kTimerUnits[static_cast<int>(kind) - static_cast<int>(ValueKind::kTbn0)];
  if (IsTimerBcdKind(kind)) return kTimerUnits[static_cast<int>(kind) - static_cast<int>(ValueKind::kTbc0)];
  return nullptr;
}

bool IsDefinedDoubleByte(uint8_t lead, uint8_t trail) {
  // The code ranges alone would take a lead byte before a control byte, a blank or a digit for
  // a character, and a shown text would keep a NUL or end in half a character.
  if (!IsTrailByte(trail)) return false;
  const unsigned code = (static_cast<unsigned>(lead) << 8) | trail;
  return (code >= 0x8140 && code <= 0x9872) || (code >= 0x989F && code <= 0xEA9E);
}

int LocateItem(const ParameterItem& item) {
  if (!IsKnownKind(item.kind)) return kItemNotLocated;
  if (IsMemberKind(item.kind)) {
    return item.head != nullptr && OwnBytesFit(*item.head) ? kItemHeadBytes : kItemNotLocated;
  }
  return OwnBytesFit(item) ? kItemOwnBytes : kItemNotLocated;
}

ItemFault DiagnoseItem(const ParameterItem& item) {
  if (!IsKnownKind(item.kind)) return ItemFault::kUnknownKind;
  if (IsMemberKind(item.kind)) {
    if (item.head == nullptr) return ItemFault::kMemberWithoutHead;
    if (!OwnBytesFit(*item.head)) return ItemFault::kHeadOutsideBlock;
    if (item.kind != ValueKind::kDlst && MemberBit(item) < 0) return ItemFault::kBitOutOfRange;
    return ItemFault::kNone;
  }
  if (item.offset < 0) return ItemFault::kOffsetMissing;
  if (item.width <= 0) return ItemFault::kWidthMissing;
  if (!OwnBytesFit(item)) return ItemFault::kOutsideBlock;
  return ItemFault::kNone;
}

namespace {

// The text wins when given; `shown` (when given) receives the normalised text of number kinds.
int Encode(BlockImage& block, const ParameterItem& item, const std::string_view* text, uint32_t number,
           ValueText* shown) {
  const int location = LocateItem(item);
  if (location == kItemNotLocated) return kNotStored;
  const ValueKind kind = item.kind;

  if (IsMemberKind(kind)) {
    if (kind == ValueKind::kDlst) return kStoredHeadBytes;
    const int bit = MemberBit(item);
    if (bit < 0) return kNotStored;
    const uint32_t value = text ? DecimalValue(*text) : number;
    uint8_t& byte = block.bytes[item.head->offset + bit / 8];
    const uint8_t mask = static_cast<uint8_t>(1u << (bit % 8));
    byte = value != 0 ? static_cast<uint8_t>(byte | mask) : static_cast<uint8_t>(byte & ~mask);
    return kStoredHeadBytes;
  }

  uint8_t* bytes = block.bytes + item.offset;
  const int length = EffectiveLength(item.width);
  switch (kind) {
    case ValueKind::kBnr:
    case ValueKind::kTbn0: case ValueKind::kTbn1: case ValueKind::kTbn2: case ValueKind::kTbn3:
    case ValueKind::kHex:
    case ValueKind::kDdwn:
    case ValueKind::kBcd:
    case ValueKind::kTbc0: case ValueKind::kTbc1: case ValueKind::kTbc2: case ValueKind::kTbc3: {
      const NumberForm form = FormOf(kind);
      uint32_t value;
      if (text) {
        value = ParseNumberText(form, *text, item.width);
      } else {
        const uint32_t max = WidthMaximum(item.width);
        value = form == NumberForm::kDecimal ? (number > max ? max : number) : (number & max);
      }
      WriteLittleEndian(bytes, length, value);
      if (shown) {
        // A list index is shown without padding, whatever its width.
        if (kind == ValueKind::kDdwn) {
          shown->Clear();
          AppendHex(shown, value, 1);
        } else {
          ShowNumberText(form, value, item.width, shown);
        }
      }
      return kStoredOwnBytes;
    }
    case ValueKind::kAsc: {
      std::memset(bytes, ' ', static_cast<size_t>(item.width));
      if (text && !text->empty()) {
        const size_t n = text->size() < static_cast<size_t>(item.width) ? text->size() : static_cast<size_t>(item.width);
        std::memcpy(bytes, text->data(), n);
        // A double-byte character cut in two leaves its lead byte alone at the end: blank it,
        // so the device never holds half a character.
        size_t i = 0;
        while (i < n) {
          if (IsLeadByte(bytes[i])) {
            if (i + 1 >= n) {
              bytes[i] = ' ';
              break;
            }
            i += 2;
          } else {
            ++i;
          }
        }
      }
      return kStoredOwnBytes;
    }
    case ValueKind::kChb: {
      const uint32_t value = text ? DecimalValue(*text) : number;
      bytes[0] = value != 0 ? 1 : 0;
      return kStoredOwnBytes;
    }
    case ValueKind::kGch:
    case ValueKind::kGop:
      bytes[0] |= 1;
      return kStoredOwnBytes;
    case ValueKind::kGchv:
    case ValueKind::kGopv: {
      const uint32_t value = text ? DecimalValue(*text) : number;
      bytes[0] = value != 0 ? static_cast<uint8_t>(bytes[0] | 1) : static_cast<uint8_t>(bytes[0] & ~1);
      return kStoredOwnBytes;
    }
    default:
      return kNotStored;
  }
}

void DecodeText(const uint8_t* bytes, int width, ValueText* out) {
  // Wider texts show their first 255 bytes.
  const size_t n = width < static_cast<int>(ValueText::kCapacity) ? static_cast<size_t>(width) : ValueText::kCapacity;
  char shown[ValueText::kCapacity];
  size_t i = 0;
  while (i < n) {
    const uint8_t c = bytes[i];
    if (IsLeadByte(c)) {
      if (i + 1 >= n) {
        shown[i++] = ' ';
      } else if (IsDefinedDoubleByte(c, bytes[i + 1])) {
        shown[i] = static_cast<char>(c);
        shown[i + 1] = static_cast<char>(bytes[i + 1]);
        i += 2;
      } else {
        shown[i] = ' ';
        shown[i + 1] = ' ';
        i += 2;
      }
    } else {
      shown[i++] = c < 0x20 ? ' ' : static_cast<char>(c);
    }
  }
  out->Assign(TrimControl(std::string_view(shown, n)));
}

void SetNumber(uint32_t value, ValueText* text, uint32_t* number) {
  if (number) *number = value;
  if (text) {
    text->Clear();
    AppendDecimal(text, value);
  }
}

}  // namespace

int EncodeValue(BlockImage& block, const ParameterItem& item, ValueText* text) {
  if (text == nullptr) return kNotStored;
  // The text is read before its show form is written over it.
  const std::string_view view = text->View();
  return Encode(block, item, &view, 0, text);
}

int EncodeText(BlockImage& block, const ParameterItem& item, std::string_view text) {
  return Encode(block, item, &text, 0, nullptr);
}

int EncodeNumber(BlockImage& block, const ParameterItem& item, uint32_t number) {
  return Encode(block, item, nullptr, number, nullptr);
}

DisplayClass DecodeValue(BlockImage& block, const ParameterItem& item, ValueText* text, uint32_t* number) {
  if (text == nullptr && number == nullptr) return DisplayClass::kInvalid;
  const int location = LocateItem(item);
  if (location == kItemNotLocated) return DisplayClass::kInvalid;
  const ValueKind kind = item.kind;

  if (IsMemberKind(kind)) {
    if (kind == ValueKind::kDlst) return DisplayClass::kDropDownEntry;
    const int bit = MemberBit(item);
    if (bit < 0) return DisplayClass::kInvalid;
    const uint8_t* head = block.bytes + item.head->offset;
    SetNumber((head[bit / 8] >> (bit % 8)) & 1u, text, number);
    return (head[0] & 1) ? DisplayClass::kMemberEnabled : DisplayClass::kMemberDisabled;
  }

  uint8_t* bytes = block.bytes + item.offset;
  const int length = EffectiveLength(item.width);
  switch (kind) {
    case ValueKind::kBnr:
    case ValueKind::kTbn0: case ValueKind::kTbn1: case ValueKind::kTbn2: case ValueKind::kTbn3:
    case ValueKind::kHex:
    case ValueKind::kDdwn:
    case ValueKind::kBcd:
    case ValueKind::kTbc0: case ValueKind::kTbc1: case ValueKind::kTbc2: case ValueKind::kTbc3: {
      const uint32_t value = ReadLittleEndian(bytes, length);
      if (number) *number = value;
      const NumberForm form = FormOf(kind);
      if (text) {
        if (kind == ValueKind::kDdwn) {
          text->Clear();
          AppendHex(text, value, 1);
        } else {
          ShowNumberText(form, value, item.width, text);
        }
      }
      if (kind == ValueKind::kDdwn) return DisplayClass::kDropDown;
      if (form == NumberForm::kHexadecimal) return DisplayClass::kHexadecimal;
      if (form == NumberForm::kBcd) return DisplayClass::kBcd;
      return DisplayClass::kDecimal;
    }
    case ValueKind::kAsc:
      if (text) DecodeText(bytes, item.width, text);
      return DisplayClass::kText;
    case ValueKind::kChb: {
      uint32_t on = 0;
      for (int i = 0; i < item.width; ++i) on |= bytes[i] != 0;
      SetNumber(on, text, number);
      return DisplayClass::kCheckBox;
    }
    case ValueKind::kGch:
    case ValueKind::kGop:
      bytes[0] |= 1;
      SetNumber(1, text, number);
      return DisplayClass::kGroupLabel;
    case ValueKind::kGchv:
    case ValueKind::kGopv:
      SetNumber(bytes[0] & 1u, text, number);
      return DisplayClass::kGroupCheckBox;
    default:
      return DisplayClass::kInvalid;
  }
}

}  // namespace orvex
