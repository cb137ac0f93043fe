// Where the controls of a page go, from the layout template's dialog-unit measures.
#include <gtest/gtest.h>

#include <vector>

#include "EditorTestSupport.h"
#include "PageLayout.h"
#include "SettingsForm.h"

using namespace orvex;
using namespace orvex::test;

namespace {

std::vector<const FormControl*> OfType(const SettingsForm& form, ControlType type) {
  std::vector<const FormControl*> out;
  for (const FormControl& c : form.controls()) {
    if (c.type == type) out.push_back(&c);
  }
  return out;
}

}  // namespace

TEST(PageLayout, TemplateMeasuresInDialogUnits) {
  // Offsets and pitches come from pairs of samples; 264 / 17 gives the 15 rows of a column.
  const LayoutMeasures m = TemplateMeasures();
  EXPECT_EQ(m.column_pitch, 162);
  EXPECT_EQ(m.row_pitch, 17);
  EXPECT_EQ(m.Rows(), 15);
  EXPECT_EQ(m.wide_value_offset, 140);
  EXPECT_EQ(m.narrow_value_offset, 70);
  EXPECT_EQ(m.unit_offset, 53);
  EXPECT_EQ(m.member_indent, 12);

  // Measured in pixels the rows follow from the pixel sizes, rounded down.
  LayoutSamples pixels = TemplateSamples();
  for (LayoutRect& r : pixels) {
    r.x = r.x * 3 / 2;
    r.y = r.y * 3 / 2;
  }
  EXPECT_EQ(MeasureLayout(pixels, {489, 395}).Rows(), 15);  // 396 / 25
  EXPECT_EQ(MeasureLayout(pixels, {489, 0}).Rows(), 0);
}

TEST(PageLayout, OneColumnShowsWhatFitsAndTwoColumnsShowAll) {
  auto one = BuildForm(OneTable(NumberItems(20, 1)));
  ASSERT_EQ(one->form.pages().size(), 1u);
  EXPECT_FALSE(one->form.pages()[0].two_columns);
  EXPECT_EQ(one->form.pages()[0].shown_items, 15);
  auto edits = OfType(one->form, ControlType::kEdit);
  ASSERT_EQ(edits.size(), 15u);
  for (int i = 0; i < 15; ++i) {
    EXPECT_EQ(edits[i]->item->name, "項目" + std::to_string(i));
    EXPECT_EQ(edits[i]->rect.x, 7 + 140);
    EXPECT_EQ(edits[i]->rect.y, 6 + 17 * i);
    EXPECT_EQ(edits[i]->rect.width, 50);
  }
  auto labels = OfType(one->form, ControlType::kLabel);
  ASSERT_EQ(labels.size(), 15u);
  EXPECT_EQ(labels[14]->caption, "項目14");
  EXPECT_EQ(labels[14]->rect.width, 135);

  auto two = BuildForm(OneTable(NumberItems(20, 2)));
  EXPECT_TRUE(two->form.pages()[0].two_columns);
  EXPECT_EQ(two->form.pages()[0].shown_items, 20);
  edits = OfType(two->form, ControlType::kEdit);
  ASSERT_EQ(edits.size(), 20u);
  for (int i = 0; i < 20; ++i) {
    const int column = i / 15, row = i % 15;
    EXPECT_EQ(edits[i]->rect.x, 7 + 162 * column + 70) << i;
    EXPECT_EQ(edits[i]->rect.y, 6 + 17 * row) << i;
  }
  labels = OfType(two->form, ControlType::kLabel);
  EXPECT_EQ(labels[15]->rect.x, 169);
  EXPECT_EQ(labels[15]->rect.y, 6);
  EXPECT_EQ(labels[15]->rect.width, 67);

  // A two-column page holds 30; the rest of the tag is cut, and the next tag has its own page.
  auto cut = BuildForm(OneTable(NumberItems(35, 2) + NumberItems(2, 1)));
  ASSERT_EQ(cut->form.pages().size(), 2u);
  EXPECT_EQ(cut->form.pages()[0].shown_items, 30);
  EXPECT_EQ(OfType(cut->form, ControlType::kEdit).size(), 32u);
  EXPECT_EQ(OfType(cut->form, ControlType::kEdit)[30]->page, 1);
}

TEST(PageLayout, IdentifiersByClassInCreationOrder) {
  auto built = BuildForm(OneTable(R"([TAG] 全種, 2
0000, 見出し, GCH, 1, , ,
1, 機能A, GCHL, , , 1
0001, 数値, BNR, 1, , 5
0002, 有効, CHB, 1, , 1
0003, 方式, DDWN, 1, , 1
0, 方式1, DLST
0, 方式2, DLST
0004, 選択, GOP, 1, , ,
1, 選択1, GOPL, , , 1
0005, 十六進, HEX, 2, , 1F
0006, 連動, GCHV, 1, , 1
1, 連動A, GCHL, , , 0
0007, 種別, DDWN, 1, , 0
0, 種別1, DLST
[TAG] 次, 1
0010, 名称, ASC, 4, , AB
0011, 時間, TBN1, 2, , 30
)"));
  const SettingsForm& form = built->form;
  std::vector<int> ids;
  for (const FormControl& c : form.controls()) {
    ids.push_back(c.id);
    EXPECT_EQ(c.id == kPlainLabelId ? 0 : ControlTypeDigit(c.id), static_cast<int>(c.type)) << c.id;
  }
  const int L = kPlainLabelId;
  EXPECT_EQ(ids, (std::vector<int>{10000, 12000,        // GCH, GCHL
                                   L,     11000,        // BNR
                                   12001,               // CHB
                                   L,     13000,        // DDWN (entries make nothing)
                                   10001, 12002,        // GOP, GOPL
                                   L,     11001, L,     // HEX with its unit
                                   12003, 12004,        // GCHV, GCHL
                                   L,     13001,        // DDWN
                                   L,     11002,        // ASC, counted on across pages
                                   L,     11003, L}));  // TBN1 with its unit

  const FormControl& hex_unit = form.control(11);
  EXPECT_EQ(hex_unit.caption, "[HEX]");
  EXPECT_EQ(hex_unit.rect.x, form.control(10).rect.x + 53);
  EXPECT_EQ(form.controls().back().caption, "×10ms");
  // Members stand indented; only CHB and GCHV boxes start a tab group.
  EXPECT_EQ(form.control(1).rect.x, 7 + 12);
  EXPECT_TRUE(form.control(4).group_start);
  EXPECT_TRUE(form.control(12).group_start);
  EXPECT_FALSE(form.control(1).group_start);
  EXPECT_FALSE(form.control(13).group_start);
  // A one-column text edit is wide, a two-column list narrow in its dropped size.
  EXPECT_EQ(form.control(17).rect.width, 135);
  EXPECT_EQ(form.control(6).rect.width, 80);
  EXPECT_EQ(form.control(6).rect.height, 90);
}

TEST(PageLayout, ListEntriesJoinTheirListAndTakeNoSlot) {
  std::string body = "[TAG] 一覧, 1\n";
  for (int i = 0; i < 14; ++i)
    body += "00" + std::to_string(10 + i) + ", 数" + std::to_string(i) + ", BNR, 1, , 0\n";
  // The list takes the last slot; its entries still join it, the item after them is cut.
  body += "0000, 方式, DDWN, 1, , 2\n0, 甲, DLST\n0, 乙, DLST\n0, 丙, DLST\n0030, 後, BNR, 1, , 0\n";
  auto built = BuildForm(OneTable(body));
  const int list = built->Find(ControlType::kList, "方式");
  ASSERT_GE(list, 0);
  const FormControl& c = built->form.control(list);
  EXPECT_EQ(c.rect.y, 6 + 17 * 14);
  EXPECT_EQ(c.entries, (std::vector<std::string>{"甲", "乙", "丙"}));
  EXPECT_EQ(c.choice, 2);
  EXPECT_EQ(built->Find(ControlType::kEdit, "後"), -1);
  EXPECT_EQ(built->form.pages()[0].shown_items, 18);

  // Entries after a row in between still belong to their list; an entry under a group head is
  // no entry of the list before it.
  auto mixed = BuildForm(OneTable(R"([TAG] 混在, 1
0000, 方式, DDWN, 1, , 0
0, 甲, DLST
0001, 見出し, GCH, 1, , ,
0, 迷子, DLST
0002, 次, BNR, 1, , 0
)"));
  const FormControl& list2 = mixed->form.control(mixed->Find(ControlType::kList, "方式"));
  EXPECT_EQ(list2.entries, (std::vector<std::string>{"甲"}));
  EXPECT_EQ(mixed->form.control(mixed->Find(ControlType::kEdit, "次")).rect.y, 6 + 17 * 2);
}

TEST(PageLayout, EmptyTagsTablesAndInvalidItems) {
  auto built =
      BuildForm(OneTable("[TAG] , 1\n[TAG] 空, 2\n[TAG] 壊れ, 1\n"
                         "0BFF, 外, HEX, 2, , 0\n"  // beyond the block
                         "0000, 謎, XYZ, 1, , 0\n"  // unknown kind
                         "  \n"                     // an empty row
                         "0001, 後, BNR, 1, , 0\n"));
  const SettingsForm& form = built->form;
  ASSERT_EQ(form.pages().size(), 3u);
  EXPECT_EQ(form.pages()[0].caption, " Page1 ");
  EXPECT_EQ(form.pages()[1].caption, " 空 ");
  EXPECT_EQ(form.pages()[0].shown_items, 0);
  // Unusable items are labels in their own rows; a known kind shows them disabled.
  ASSERT_EQ(form.size(), 5);
  EXPECT_EQ(form.control(0).caption, "外");
  EXPECT_FALSE(form.control(0).enabled);
  EXPECT_EQ(form.control(1).caption, "謎");
  EXPECT_TRUE(form.control(1).enabled);
  EXPECT_EQ(form.control(2).caption, "");
  EXPECT_EQ(form.control(3).rect.y, 6 + 17 * 3);
  EXPECT_TRUE(form.HasValueControls());

  // A table without tags has no page; a page of labels only has no value control.
  auto no_tags = BuildForm(OneTable(""));
  EXPECT_TRUE(no_tags->form.pages().empty());
  EXPECT_FALSE(no_tags->form.HasValueControls());
  auto labels_only = BuildForm(OneTable("[TAG] 見出し, 1\n0000, 謎, XYZ, 1, , 0\n"));
  EXPECT_FALSE(labels_only->form.HasValueControls());
}
