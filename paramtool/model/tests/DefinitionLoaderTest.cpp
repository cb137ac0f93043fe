// The definition file loader: line and field rules, headers, items, groups, results.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "DefinitionLoader.h"
#include "TestSupport.h"

using namespace orvex;

namespace {

class Notes : public DefinitionDiagnostics {
 public:
  void Note(const DefinitionNote& note) override {
    lines.push_back(note.line);
    kinds.push_back(note.kind);
    faults.push_back(note.fault);
  }
  std::vector<int> lines;
  std::vector<DefinitionNoteKind> kinds;
  std::vector<ItemFault> faults;
};

const ParameterTag& Tag(const DefinitionLoad& load, int table, int tag) {
  return *load.definition->Table(table)->tags.at(static_cast<size_t>(tag));
}

const uint8_t* Bytes(const DefinitionLoad& load, int table) {
  return load.definition->Table(table)->default_image.bytes;
}

}  // namespace

TEST(DefinitionLoader, HeadersAndNumberForms) {
  auto load = LoadDefinitionFromMemory(
      "[TITLE]  設定例 , 二番目 ; comment\n"
      "[VER] 0105\n"
      "[CLASS] 300\n"
      "[cmdb2] 局線, par7, 3\n"
      "[CMDB3] 名前が十六バイトを超える長さ, PAR7\n"
      "[CMDB4] , PAR99, 1\n"
      "[CMDB5] x, TBL1, 1\n"
      "[CMDB9] 無効, PAR7, 1\n"
      "[PAR7]\n"
      "[ZERO] 0040-0020, 0100, , 1234-\n");
  ASSERT_EQ(load.result, kDefinitionLoaded);
  const ParameterDefinition& d = *load.definition;
  EXPECT_EQ(d.title, "設定例");
  EXPECT_EQ(d.version, 0x0105);
  EXPECT_EQ(d.class_byte, 255);
  EXPECT_EQ(d.blocks[1].name, "局線");
  EXPECT_EQ(d.blocks[1].table, 7);
  EXPECT_EQ(d.blocks[1].assign_switch, 3);
  EXPECT_EQ(d.blocks[2].name, "名前が十六バイト");  // 16 bytes, never half a character
  EXPECT_EQ(d.blocks[3].table, -1);                 // PAR99 never appears
  EXPECT_EQ(d.blocks[3].assign_switch, 1);
  EXPECT_EQ(d.blocks[4].table, -1);                 // not a PAR word
  EXPECT_EQ(d.blocks[0].name, "");                  // CMDB9 touched nothing
  EXPECT_EQ(d.blocks[0].table, -1);
  for (uint8_t c : d.channel_defaults.channel) ASSERT_EQ(c, 1);

  const ParameterTable& table = *d.Table(7);
  ASSERT_EQ(table.zero_ranges.size(), 3u);
  EXPECT_EQ(table.zero_ranges[0].low, 0x20);
  EXPECT_EQ(table.zero_ranges[0].high, 0x40);
  EXPECT_EQ(table.zero_ranges[1].low, 0x100);
  EXPECT_EQ(table.zero_ranges[1].high, 0x100);
  EXPECT_EQ(table.zero_ranges[2].low, 0);  // "1234-": the empty side reads 0
  EXPECT_EQ(table.zero_ranges[2].high, 0x1234);
  EXPECT_TRUE(table.IsZeroValid(0x30));
  EXPECT_FALSE(table.IsZeroValid(0x1235));
  EXPECT_TRUE(table.IsZeroValid(0x10100));  // compared as 16 bits

  EXPECT_EQ(LoadDefinitionFromMemory("[VER] 0x0105\n").definition->version, 0);
  EXPECT_EQ(LoadDefinitionFromMemory("[VER] 12345\n").definition->version, 0x2345);
  EXPECT_EQ(LoadDefinitionFromMemory("[CLASS] -1\n").definition->class_byte, 255);
  EXPECT_EQ(LoadDefinitionFromMemory("[CLASS] 7\n[CLASS]\n").definition->class_byte, 7);  // empty: unchanged
}

TEST(DefinitionLoader, LinesFieldsAndItems) {
  const std::string long_name(300, 'x');
  const std::string text =
      "0000, outside, BNR, 1, , 1\n"      // before any table
      "[PAR1]\n"
      "0000, before tag, BNR, 1, , 1\n"   // before the first tag
      "[TAG] 基本, 2\n"
      "0010, 応答時間, TBN1, 2, , 30, 着信から\\n応答まで\n"
      "   \n"                              // blanks only: an empty row
      "  ; a comment after blanks is an empty row too\n"
      "; a comment alone is nothing\n"
      "\n"
      "[ゾ\n"                              // 0x83 0x5D: no real ']', so an item
      "0020, 表n\\表, ASC, 4, , , 表n\\x\x82\n"  // a lone lead byte at the end is dropped
      "0030, " + long_name + "\n"         // split after 259 bytes
      "[UNKNOWN]\n"
      "0040, after unknown, BNR, 1, , 1\n";
  Notes notes;
  auto load = LoadDefinitionFromMemory(text, &notes);
  ASSERT_EQ(load.result, kDefinitionLoaded);
  const ParameterTag& tag = Tag(load, 1, 0);
  EXPECT_EQ(tag.name, "基本");
  EXPECT_EQ(tag.layout, 2);
  ASSERT_EQ(tag.items.size(), 7u);
  EXPECT_EQ(load.valid_items, 2);

  const ParameterItem& timer = tag.items[0];
  EXPECT_EQ(timer.offset, 0x10);
  EXPECT_EQ(timer.kind, ValueKind::kTbn1);
  EXPECT_EQ(timer.width, 2);
  EXPECT_EQ(timer.help, "着信から\r\n応答まで");
  EXPECT_EQ(timer.line, 5);
  EXPECT_EQ(Bytes(load, 1)[0x10], 30);

  EXPECT_EQ(tag.items[1].kind, ValueKind::kUnknown);  // blanks only
  EXPECT_EQ(tag.items[1].offset, -1);
  EXPECT_EQ(tag.items[2].kind, ValueKind::kUnknown);  // blanks before a comment
  EXPECT_EQ(tag.items[3].name, "");                   // the "[ゾ" line
  EXPECT_EQ(tag.items[3].line, 10);

  const ParameterItem& text_item = tag.items[4];
  EXPECT_EQ(text_item.name, "表n\\表");        // the trail byte 0x5C of 表 is no backslash
  EXPECT_EQ(text_item.help, "表n\\x");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(Bytes(load, 1)) + 0x20, 4), "    ");

  // The 300-byte line is read as 259 bytes and the rest, both from line 12.
  EXPECT_EQ(tag.items[5].line, 12);
  EXPECT_EQ(tag.items[5].name.size(), kItemNameLimit);
  EXPECT_EQ(tag.items[6].line, 12);
  EXPECT_EQ(tag.items[6].offset, 0);  // "xxx...": a hex field without digits reads 0

  const std::vector<DefinitionNoteKind> expected = {
      DefinitionNoteKind::kItemOutsideTag, DefinitionNoteKind::kItemOutsideTag,
      DefinitionNoteKind::kInvalidItem,    DefinitionNoteKind::kInvalidItem,
      DefinitionNoteKind::kInvalidItem,    DefinitionNoteKind::kInvalidItem,
      DefinitionNoteKind::kInvalidItem,    DefinitionNoteKind::kUnknownHeader,
      DefinitionNoteKind::kItemOutsideTag};
  EXPECT_EQ(notes.kinds, expected);
  EXPECT_EQ(notes.lines, (std::vector<int>{1, 3, 6, 7, 10, 12, 12, 13, 14}));
  EXPECT_EQ(notes.faults[2], ItemFault::kNoKind);

  // CR LF reads like LF; a Ctrl-Z ends the file.
  std::string crlf;
  for (char c : text) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  auto load_crlf = LoadDefinitionFromMemory(crlf);
  ASSERT_EQ(load_crlf.result, kDefinitionLoaded);
  EXPECT_EQ(Tag(load_crlf, 1, 0).items.size(), 7u);
  EXPECT_EQ(Tag(load_crlf, 1, 0).items[0].help, "着信から\r\n応答まで");
  EXPECT_EQ(load_crlf.valid_items, 2);
  auto cut = LoadDefinitionFromMemory("[PAR1]\n[TAG] a\n0000, x, BNR, 1, , 1\n\x1A" "0001, y, BNR, 1, , 1\n");
  EXPECT_EQ(Tag(cut, 1, 0).items.size(), 1u);
}

TEST(DefinitionLoader, GroupLinking) {
  Notes notes;
  auto load = LoadDefinitionFromMemory(
      "[PAR2]\n"
      "[TAG] p\n"
      "01, 先頭前, GCHL, , , 1\n"        // no head yet
      "0, 項目前, DLST\n"
      "0020, 機能, GCHV, 1, , 1\n"
      "01, 機能A, GCHL, 0, , 0\n"
      "02, 機能B, GCHL, 0, , 1\n"
      "0, 混在, DLST\n"                  // kinds are not checked against the head
      "0021, 数, BNR, 1, , 5\n"          // clears the head
      "03, 後, GCHL, , , 1\n"
      "0030, 方式, DDWN, 1, , 1\n"
      "0, 方式1, DLST\n"
      "0, 方式2, DLST\n"
      "[ZERO] 0030\n"                    // changes nothing of the context
      "0, 方式3, DLST\n"
      "[TAG] q\n"
      "0, 次頁, DLST\n",                 // a new tag clears the head
      &notes);
  ASSERT_EQ(load.result, kDefinitionLoaded);
  const auto& items = Tag(load, 2, 0).items;
  ASSERT_EQ(items.size(), 12u);
  EXPECT_EQ(items[0].head, nullptr);
  EXPECT_EQ(items[1].head, nullptr);
  EXPECT_EQ(items[2].member_count, 3);
  EXPECT_EQ(items[3].head, &items[2]);
  EXPECT_EQ(items[5].head, &items[2]);
  EXPECT_EQ(items[7].head, nullptr);
  EXPECT_EQ(items[8].member_count, 3);
  EXPECT_EQ(items[11].head, &items[8]);
  EXPECT_EQ(Tag(load, 2, 1).items[0].head, nullptr);
  EXPECT_EQ(Bytes(load, 2)[0x20], 0x05);  // check bit 0 and member bit 2
  EXPECT_EQ(Bytes(load, 2)[0x30], 0x01);
  // 3 + the head, its 2 bits and DLST + BNR + DDWN and its 3 entries.
  EXPECT_EQ(load.valid_items, 9);
  std::vector<ItemFault> faults;
  for (size_t i = 0; i < notes.kinds.size(); ++i) faults.push_back(notes.faults[i]);
  EXPECT_EQ(faults, (std::vector<ItemFault>{ItemFault::kMemberWithoutHead, ItemFault::kMemberWithoutHead,
                                            ItemFault::kMemberWithoutHead, ItemFault::kMemberWithoutHead}));
}

TEST(DefinitionLoader, TablesResultsAndFaults) {
  Notes notes;
  auto load = LoadDefinitionFromMemory(
      "[CMDB1] a, PAR3\n"
      "[PAR3]\n"
      "[TAG] one\n"
      "0000, first, BNR, 1, , 11\n"
      "[PAR3]\n"                         // used again: goes on with the same table
      "[TAG] two\n"
      "0001, second, BNR, 1, , 22\n"
      "[PAR101]\n"
      "[TAG] lost\n"
      "[ZERO] 0001\n"
      "0002, outside, BNR, 1, , 1\n"
      "[PAR3]\n"
      "[TAG] three\n"
      "0BFF, end, BNR, 2, , 1\n"         // one byte beyond the block
      "0010, wide, HEX, 0, , 1\n"
      ", none, BNR, 1, , 1\n"
      "0, bit0, GCHL, , , 1\n"
      "0011, kind, XYZ, 1, , 1\n",
      &notes);
  ASSERT_EQ(load.result, kDefinitionLoaded);
  const ParameterTable& table = *load.definition->Table(3);
  ASSERT_EQ(table.tags.size(), 3u);
  EXPECT_EQ(table.default_image.bytes[0], 11);  // the first part's value stays
  EXPECT_EQ(table.default_image.bytes[1], 22);
  EXPECT_EQ(load.definition->BlockTable(1), &table);
  EXPECT_EQ(load.valid_items, 2);
  const std::vector<DefinitionNoteKind> kinds = {
      DefinitionNoteKind::kTableReused,  DefinitionNoteKind::kTableNumberOutOfRange,
      DefinitionNoteKind::kTagOutsideTable, DefinitionNoteKind::kZeroOutsideTable,
      DefinitionNoteKind::kItemOutsideTag, DefinitionNoteKind::kTableReused,
      DefinitionNoteKind::kInvalidItem,  DefinitionNoteKind::kInvalidItem,
      DefinitionNoteKind::kInvalidItem,  DefinitionNoteKind::kInvalidItem,
      DefinitionNoteKind::kInvalidItem};
  EXPECT_EQ(notes.kinds, kinds);
  EXPECT_EQ(std::vector<ItemFault>(notes.faults.begin() + 6, notes.faults.end()),
            (std::vector<ItemFault>{ItemFault::kOutsideBlock, ItemFault::kWidthMissing, ItemFault::kOffsetMissing,
                                    ItemFault::kMemberWithoutHead, ItemFault::kUnknownKind}));

  // Kind keywords are whole words in any case.
  for (int n = 0; n < kValueKindCount; ++n) {
    std::string word = ValueKindKeyword(static_cast<ValueKind>(n));
    word[1] = static_cast<char>(word[1] - 'A' + 'a');
    EXPECT_EQ(ValueKindFromKeyword(word), static_cast<ValueKind>(n)) << word;
  }
  EXPECT_EQ(ValueKindFromKeyword("BNRX"), ValueKind::kUnknown);
  EXPECT_EQ(ValueKindFromKeyword("TBN4"), ValueKind::kUnknown);
  EXPECT_EQ(ValueKindFromKeyword("BN"), ValueKind::kUnknown);

  // Nothing valid still loads; a missing file and a failing read report their codes.
  auto empty = LoadDefinitionFromMemory("[PAR1]\n[TAG] x\n0000, a, FOO, 1, , 1\n");
  EXPECT_EQ(empty.result, kDefinitionLoaded);
  EXPECT_EQ(empty.valid_items, 0);
  test::TempFolder folder;
  auto missing = LoadDefinition(folder.File("none.txt"));
  EXPECT_EQ(missing.result, kDefinitionOpenFailed);
  EXPECT_NE(missing.system_error, 0);
  EXPECT_EQ(missing.definition, nullptr);

  class FailingFile : public InputFile {
   public:
    bool Read(void* buffer, size_t size, size_t* got, int* error) override {
      if (calls_++ > 0) {
        *error = 5;
        return false;
      }
      static const char kStart[] = "[TITLE] t\n[PAR1]\n";
      *got = std::min(size, sizeof kStart - 1);
      std::memcpy(buffer, kStart, *got);
      return true;
    }
    int calls_ = 0;
  } failing;
  auto failed = LoadDefinitionFrom(failing);
  EXPECT_EQ(failed.result, kDefinitionReadFailed);
  EXPECT_EQ(failed.system_error, 5);
  EXPECT_EQ(failed.definition, nullptr);
}

TEST(DefinitionLoader, SampleFileLoadsCompletely) {
  Notes notes;
  auto load = LoadDefinition(test::SampleDefinitionPath(), &notes);
  ASSERT_EQ(load.result, kDefinitionLoaded) << test::SampleDefinitionPath();
  EXPECT_TRUE(notes.kinds.empty());
  const ParameterDefinition& d = *load.definition;
  EXPECT_FALSE(d.title.empty());
  EXPECT_NE(d.version, 0);
  int items = 0;
  std::set<ValueKind> kinds;
  bool two_columns = false, one_column = false;
  for (const CommandBlock& block : d.blocks) {
    ASSERT_NE(d.BlockTable(block.number), nullptr) << block.number;
    EXPECT_EQ(block.assign_switch != 0, block.number > 1);
    const ParameterTable& table = *d.BlockTable(block.number);
    EXPECT_FALSE(table.zero_ranges.empty());
    for (const auto& tag : table.tags) {
      (tag->layout == 2 ? two_columns : one_column) = true;
      for (const ParameterItem& item : tag->items) {
        ++items;
        kinds.insert(item.kind);
      }
    }
  }
  EXPECT_EQ(load.valid_items, items);
  EXPECT_EQ(kinds.size(), static_cast<size_t>(kValueKindCount));
  EXPECT_TRUE(two_columns && one_column);
}
