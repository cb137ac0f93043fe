// Moves single settings between texts or numbers and the bytes of a block image. Works on fixed
// buffers only: nothing here allocates.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ParameterDefinition.h"
#include "ParameterImage.h"

namespace orvex {

// A value as text: at most 255 bytes, kept in place.
class ValueText {
 public:
  static constexpr size_t kCapacity = 255;

  ValueText() { text_[0] = '\0'; }
  explicit ValueText(std::string_view text) { Assign(text); }

  // Takes at most 255 bytes, never half a double-byte character.
  void Assign(std::string_view text);
  void Clear() { size_ = 0; text_[0] = '\0'; }
  void Append(char c);

  std::string_view View() const { return std::string_view(text_, size_); }
  const char* CStr() const { return text_; }
  size_t Size() const { return size_; }
  bool Empty() const { return size_ == 0; }

 private:
  char text_[kCapacity + 1];
  size_t size_ = 0;
};

// Which control shows a decoded value.
enum class DisplayClass : int {
  kInvalid = -1,
  kDecimal = 1,        // BNR, TBN0..3
  kHexadecimal = 2,    // HEX
  kBcd = 3,            // BCD, TBC0..3
  kText = 4,           // ASC
  kCheckBox = 5,       // CHB
  kGroupLabel = 6,     // GCH, GOP
  kGroupCheckBox = 7,  // GCHV, GOPV
  kMemberEnabled = 8,  // GCHL, GOPL while the head's bit 0 is set
  kMemberDisabled = 9, // ... while it is clear
  kDropDown = 10,      // DDWN
  kDropDownEntry = 11, // DLST
};

// Where an item's value lives.
enum ItemLocation : int {
  kItemNotLocated = -1,  // unknown kind, missing head, bytes outside the block
  kItemOwnBytes = 0,
  kItemHeadBytes = 1,    // a member: the value lives in its head's bytes
};
int LocateItem(const ParameterItem& item);

// Why an item has no usable bytes (for reports).
enum class ItemFault {
  kNone,
  kNoKind,            // blank kind column: an empty row (told apart by the loader)
  kUnknownKind,
  kOffsetMissing,
  kWidthMissing,      // width 0 or below
  kOutsideBlock,      // offset + width beyond the 3072-byte block
  kMemberWithoutHead,
  kHeadOutsideBlock,
  kBitOutOfRange,     // member bit 0, or not below 8 x head width
};
ItemFault DiagnoseItem(const ParameterItem& item);

// Results of EncodeValue / EncodeNumber.
enum EncodeResult : int {
  kNotStored = -1,
  kStoredOwnBytes = 0,
  kStoredHeadBytes = 1,  // also a DLST with a valid head, which stores nothing
};

// Stores a text into the item's bytes (own or its head's). For the number kinds the text is
// rewritten to the normalised show form of the stored value.
int EncodeValue(BlockImage& block, const ParameterItem& item, ValueText* text);
// The same, leaving the text as it is (the loader has no use for the normalised form).
int EncodeText(BlockImage& block, const ParameterItem& item, std::string_view text);
// Stores a number (a check state, a list index, or -1 cast to 32 bits for "nothing chosen").
int EncodeNumber(BlockImage& block, const ParameterItem& item, uint32_t number);

// Reads an item's value as text and/or number (at least one must be asked for). Decoding a GCH
// or GOP head sets its bit 0 in the block, as the head bit is always set.
DisplayClass DecodeValue(BlockImage& block, const ParameterItem& item, ValueText* text, uint32_t* number);

// The number text forms the edit fields use. Width 0 or below parses as 0 and shows empty.
enum class NumberForm { kDecimal, kHexadecimal, kBcd };
int EffectiveLength(int width);        // width, at most 4; 0 when width <= 0
uint32_t WidthMaximum(int width);      // 0xFF, 0xFFFF, 0xFFFFFF, 0xFFFFFFFF (0 for width <= 0)
uint32_t ParseNumberText(NumberForm form, std::string_view text, int width);
void ShowNumberText(NumberForm form, uint32_t value, int width, ValueText* out);

// Unit label shown after an edit: "[HEX]", "ms", "×10ms", "×100ms", "秒"; nullptr for none.
const char* UnitLabel(ValueKind kind);

// A lead and a trail byte whose 16-bit code the device's text handling accepts.
bool IsDefinedDoubleByte(uint8_t lead, uint8_t trail);

}  // namespace orvex
