// Encoding and decoding single values, and the image operations built on them.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "DefinitionLoader.h"
#include "ParameterImage.h"
#include "TestSupport.h"
#include "ValueCodec.h"

using namespace orvex;

namespace {

ParameterItem Item(ValueKind kind, int offset, int width, const ParameterItem* head = nullptr) {
  ParameterItem item;
  item.kind = kind;
  item.offset = offset;
  item.width = width;
  item.head = head;
  return item;
}

struct Block {
  BlockImage image{};
  // Encodes a text and gives back the rewritten text, or "(-1)" when nothing was stored.
  std::string Put(const ParameterItem& item, const char* text) {
    ValueText value(text);
    return EncodeValue(image, item, &value) < 0 ? "(-1)" : std::string(value.View());
  }
  std::string Get(const ParameterItem& item) {
    ValueText text;
    return DecodeValue(image, item, &text, nullptr) == DisplayClass::kInvalid ? "(-1)" : std::string(text.View());
  }
  std::string Hex(int offset, int count) const {
    std::string out;
    for (int i = 0; i < count; ++i) {
      static const char kDigits[] = "0123456789ABCDEF";
      out += kDigits[image.bytes[offset + i] >> 4];
      out += kDigits[image.bytes[offset + i] & 15];
    }
    return out;
  }
};

}  // namespace

TEST(ValueCodec, NumberKinds) {
  Block b;
  EXPECT_EQ(b.Put(Item(ValueKind::kBnr, 0, 1), "300"), "255");
  EXPECT_EQ(b.Hex(0, 1), "FF");
  EXPECT_EQ(b.Put(Item(ValueKind::kBnr, 2, 2), "-1"), "65535");
  EXPECT_EQ(b.Hex(2, 2), "FFFF");
  // A four-byte value above 2147483647 shows with "%u" and must read back as itself.
  const ParameterItem wide = Item(ValueKind::kBnr, 4, 4);
  EXPECT_EQ(b.Put(wide, "3000000000"), "3000000000");
  EXPECT_EQ(b.Get(wide), "3000000000");
  EXPECT_EQ(b.Put(wide, "99999999999"), "4294967295");
  EXPECT_EQ(b.Put(Item(ValueKind::kHex, 8, 2), "1a2b3"), "A2B3");
  EXPECT_EQ(b.Hex(8, 2), "B3A2");
  EXPECT_EQ(b.Put(Item(ValueKind::kHex, 8, 3), "f"), "00000F");
  EXPECT_EQ(b.Put(Item(ValueKind::kHex, 8, 2), "0x1F"), "0000");  // the x stops the digits
  EXPECT_EQ(b.Put(Item(ValueKind::kBcd, 12, 2), "1234"), "1234");
  EXPECT_EQ(b.Hex(12, 2), "3412");
  EXPECT_EQ(b.Put(Item(ValueKind::kBcd, 12, 2), "12a4"), "12");
  EXPECT_EQ(b.Hex(12, 2), "1200");
  EXPECT_EQ(b.Put(Item(ValueKind::kTbc1, 12, 2), "0300"), "300");
  EXPECT_EQ(b.Hex(12, 2), "0003");
  EXPECT_EQ(b.Put(Item(ValueKind::kTbn2, 14, 1), "256"), "255");

  // Width 6 is taken as 4 for the value: bytes 4 and 5 stay as they were.
  std::memset(b.image.bytes + 16, 0xEE, 6);
  EXPECT_EQ(b.Put(Item(ValueKind::kBnr, 16, 6), "1"), "1");
  EXPECT_EQ(b.Hex(16, 6), "01000000EEEE");

  const ParameterItem list = Item(ValueKind::kDdwn, 24, 1);
  EXPECT_EQ(EncodeNumber(b.image, list, static_cast<uint32_t>(-1)), kStoredOwnBytes);  // nothing chosen
  EXPECT_EQ(b.Hex(24, 1), "FF");
  EXPECT_EQ(b.Put(list, "a"), "A");
  ValueText text;
  uint32_t number = 0;
  EXPECT_EQ(DecodeValue(b.image, list, &text, &number), DisplayClass::kDropDown);
  EXPECT_EQ(number, 10u);
  EXPECT_EQ(DecodeValue(b.image, Item(ValueKind::kTbc3, 12, 2), nullptr, &number), DisplayClass::kBcd);
  EXPECT_EQ(DecodeValue(b.image, Item(ValueKind::kHex, 8, 2), nullptr, &number), DisplayClass::kHexadecimal);
  EXPECT_EQ(DecodeValue(b.image, Item(ValueKind::kTbn0, 0, 1), nullptr, &number), DisplayClass::kDecimal);
  EXPECT_EQ(DecodeValue(b.image, Item(ValueKind::kTbn0, 0, 1), nullptr, nullptr), DisplayClass::kInvalid);

  // The edit fields' forms; width 0 parses as 0 and shows nothing.
  EXPECT_EQ(ParseNumberText(NumberForm::kDecimal, "70000", 2), 0xFFFFu);
  EXPECT_EQ(ParseNumberText(NumberForm::kHexadecimal, "zz123456789", 4), 0x12345678u);
  EXPECT_EQ(ParseNumberText(NumberForm::kBcd, "1234", 0), 0u);
  ShowNumberText(NumberForm::kHexadecimal, 0xF, 0, &text);
  EXPECT_TRUE(text.Empty());
}

TEST(ValueCodec, TextKind) {
  Block b;
  const ParameterItem name = Item(ValueKind::kAsc, 0, 8);
  EXPECT_EQ(b.Put(name, "abc"), "abc");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(b.image.bytes), 8), "abc     ");
  EXPECT_EQ(b.Get(name), "abc");
  EXPECT_EQ(b.Put(name, "0123456789"), "0123456789");  // the text itself is not rewritten
  EXPECT_EQ(b.Get(name), "01234567");
  EXPECT_EQ(EncodeNumber(b.image, name, 5), kStoredOwnBytes);  // a number alone stores blanks
  EXPECT_EQ(b.Get(name), "");

  // A double-byte character cut in two leaves a blank, never a lone lead byte.
  const ParameterItem three = Item(ValueKind::kAsc, 16, 3);
  b.Put(three, "あい");
  EXPECT_EQ(b.Hex(16, 3), "82A020");
  b.Put(three, "表表");  // 0x95 0x5C 0x95 0x5C
  EXPECT_EQ(b.Hex(16, 3), "955C20");
  b.Put(Item(ValueKind::kAsc, 20, 1), "あ");
  EXPECT_EQ(b.Hex(20, 1), "20");

  // Decoding: control bytes and undefined pairs become blanks, the ends are trimmed.
  const uint8_t raw[] = {0x01, 'a', 0x00, 'b', 0x98, 0x80, 0x95, 0x5C, 0xFB, 0xFC, 'c', 0x82};
  std::memcpy(b.image.bytes + 32, raw, sizeof raw);
  EXPECT_EQ(b.Get(Item(ValueKind::kAsc, 32, sizeof raw)), "a b  表  c");
  // A lead byte before a control byte, a blank or a digit is no character: no NUL or control
  // byte reaches the shown text, and none ends in half a character.
  const uint8_t stray[] = {'a', 0x82, 0x00, 'b', 0x82, 0x05, 'c', 0x82, '1', 'd', 0x82, ' '};
  std::memcpy(b.image.bytes + 48, stray, sizeof stray);
  EXPECT_EQ(b.Get(Item(ValueKind::kAsc, 48, sizeof stray)), "a  b  c  d");

  // Wider than the text buffer: the first 255 bytes are shown.
  std::memset(b.image.bytes + 100, 'x', 400);
  EXPECT_EQ(b.Get(Item(ValueKind::kAsc, 100, 400)), std::string(255, 'x'));
}

TEST(ValueCodec, ChecksGroupsAndLists) {
  Block b;
  const ParameterItem check = Item(ValueKind::kChb, 0, 2);
  b.image.bytes[1] = 0x40;
  EXPECT_EQ(b.Put(check, "7"), "7");
  EXPECT_EQ(b.Hex(0, 2), "0140");  // the second byte is left as it is
  EXPECT_EQ(b.Put(check, "0"), "0");
  EXPECT_EQ(b.Get(check), "1");    // any byte of the width counts

  const ParameterItem head = Item(ValueKind::kGchv, 4, 1);
  const ParameterItem member = Item(ValueKind::kGchl, 1, 0, &head);
  const ParameterItem bit0 = Item(ValueKind::kGchl, 0, 0, &head);
  const ParameterItem bit8 = Item(ValueKind::kGopl, 8, 0, &head);
  b.image.bytes[4] = 0x80;
  EXPECT_EQ(b.Put(head, "1"), "1");
  EXPECT_EQ(b.Put(member, "1"), "1");
  EXPECT_EQ(b.Hex(4, 1), "83");
  EXPECT_EQ(b.Put(bit0, "0"), "(-1)");
  EXPECT_EQ(b.Put(bit8, "1"), "(-1)");
  EXPECT_EQ(b.Hex(4, 2), "8300");
  EXPECT_EQ(LocateItem(member), kItemHeadBytes);
  EXPECT_EQ(DiagnoseItem(bit8), ItemFault::kBitOutOfRange);
  uint32_t number = 9;
  EXPECT_EQ(DecodeValue(b.image, member, nullptr, &number), DisplayClass::kMemberEnabled);
  EXPECT_EQ(number, 1u);
  b.Put(head, "0");
  EXPECT_EQ(b.Hex(4, 1), "82");
  EXPECT_EQ(DecodeValue(b.image, member, nullptr, &number), DisplayClass::kMemberDisabled);
  EXPECT_EQ(DecodeValue(b.image, head, nullptr, &number), DisplayClass::kGroupCheckBox);

  // A two-byte head takes bit 9 in its second byte.
  const ParameterItem label = Item(ValueKind::kGch, 8, 2);
  const ParameterItem high = Item(ValueKind::kGopl, 9, 0, &label);
  EXPECT_EQ(b.Put(high, "1"), "1");
  EXPECT_EQ(b.Hex(8, 2), "0002");
  ValueText text;
  EXPECT_EQ(DecodeValue(b.image, label, &text, nullptr), DisplayClass::kGroupLabel);  // sets the head bit
  EXPECT_EQ(b.Hex(8, 2), "0102");
  EXPECT_EQ(text.View(), "1");

  const ParameterItem list = Item(ValueKind::kDdwn, 12, 1);
  const ParameterItem entry = Item(ValueKind::kDlst, 0, 0, &list);
  EXPECT_EQ(EncodeNumber(b.image, entry, 3), kStoredHeadBytes);
  EXPECT_EQ(b.Hex(12, 1), "00");
  EXPECT_EQ(DecodeValue(b.image, entry, &text, nullptr), DisplayClass::kDropDownEntry);
  EXPECT_EQ(LocateItem(Item(ValueKind::kDlst, 0, 0)), kItemNotLocated);
  EXPECT_EQ(LocateItem(Item(ValueKind::kBnr, 3071, 2)), kItemNotLocated);
  EXPECT_EQ(LocateItem(Item(ValueKind::kBnr, 3071, 1)), kItemOwnBytes);
  EXPECT_EQ(LocateItem(Item(ValueKind::kUnknown, 0, 1)), kItemNotLocated);
  const ParameterItem outside_head = Item(ValueKind::kGch, 3070, 4);
  EXPECT_EQ(b.Put(Item(ValueKind::kGchl, 1, 0, &outside_head), "1"), "(-1)");
}

TEST(ValueCodec, BuildAndMergeImages) {
  const char* kOld =
      "[CMDB2] a, PAR1\n[CMDB3] b, PAR2\n"
      "[PAR1]\n[TAG] t\n0000, x, BNR, 1, , 5\n0004, y, HEX, 2, , 1234\n"
      "[PAR2]\n[TAG] t\n0010, z, BNR, 1, , 9\n";
  const char* kNew =
      "[CMDB2] a, PAR1\n[CMDB3] b, PAR2\n[CMDB5] c, PAR3\n"
      "[PAR1]\n[TAG] t\n0000, x, BNR, 1, , 6\n0004, y2, BNR, 4, , 7\n0008, added, BNR, 2, , 300\n"
      "0030, head, GCHV, 1, , 1\n01, m, GCHL, , , 1\n"
      "[PAR2]\n[TAG] t\n0010, z, BNR, 1, , 9\n"
      "[PAR3]\n[TAG] t\n0000, fresh, BNR, 1, , 4\n";
  auto old_load = LoadDefinitionFromMemory(kOld);
  auto new_load = LoadDefinitionFromMemory(kNew);
  ASSERT_EQ(old_load.result, kDefinitionLoaded);
  ASSERT_EQ(new_load.result, kDefinitionLoaded);

  auto image = std::make_unique<ParameterImage>();
  std::memset(image.get(), 0xAA, sizeof *image);
  BuildImage(*old_load.definition, image.get());
  for (uint8_t c : image->channels.channel) ASSERT_EQ(c, 1);
  EXPECT_EQ(image->Block(2).bytes[0], 5);
  EXPECT_EQ(image->Bytes()[BlockImageOffset(2) + 4], 0x34);
  EXPECT_EQ(image->Block(3).bytes[0x10], 9);
  EXPECT_EQ(image->Block(1).bytes[0], 0);  // blocks without a table stay zero

  auto same = *image;
  EXPECT_EQ(MergeNewItemDefaults(same.blocks, old_load.definition.get(), *old_load.definition), 0);
  EXPECT_EQ(std::memcmp(&same, image.get(), sizeof same), 0);

  // Only items at offsets the old block did not use get their initial values.
  EXPECT_EQ(MergeNewItemDefaults(image->blocks, old_load.definition.get(), *new_load.definition), 3);
  EXPECT_EQ(image->Block(2).bytes[0], 5);     // kept, although the initial value changed
  EXPECT_EQ(image->Block(2).bytes[4], 0x34);  // kept: same offset, other kind and width
  EXPECT_EQ(image->Block(2).bytes[8], 0x2C);  // 300
  EXPECT_EQ(image->Block(2).bytes[9], 0x01);
  EXPECT_EQ(image->Block(2).bytes[0x30], 0x03);
  EXPECT_EQ(image->Block(5).bytes[0], 4);     // a block the old definition had no table for

  auto fresh = std::make_unique<ParameterImage>();
  std::memset(fresh.get(), 0, sizeof *fresh);
  EXPECT_EQ(MergeNewItemDefaults(fresh->blocks, nullptr, *new_load.definition), 6);
}

TEST(ValueCodec, SampleImageRoundTrips) {
  auto load = LoadDefinition(test::SampleDefinitionPath());
  ASSERT_EQ(load.result, kDefinitionLoaded);
  auto image = std::make_unique<ParameterImage>();
  BuildImage(*load.definition, image.get());

  // Decode every item's text, encode the texts into an empty image: the same bytes come back.
  auto rebuilt = std::make_unique<ParameterImage>();
  std::memset(rebuilt.get(), 0, sizeof *rebuilt);
  rebuilt->channels = image->channels;
  int decoded = 0;
  for (int n = 1; n <= kBlockCount; ++n) {
    const ParameterTable* table = load.definition->BlockTable(n);
    ASSERT_NE(table, nullptr);
    for (const auto& tag : table->tags) {
      for (const ParameterItem& item : tag->items) {
        ValueText text;
        uint32_t number = 0;
        const DisplayClass shown = DecodeValue(image->Block(n), item, &text, &number);
        ASSERT_NE(shown, DisplayClass::kInvalid) << item.name;
        ASSERT_GE(EncodeValue(rebuilt->Block(n), item, &text), 0) << item.name;
        ++decoded;
      }
    }
  }
  EXPECT_EQ(decoded, load.valid_items);
  EXPECT_EQ(std::memcmp(rebuilt.get(), image.get(), sizeof *image), 0);
}
