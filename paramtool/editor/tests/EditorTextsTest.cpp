// The window's texts, the input filter and the balloon's shape.
#include <gtest/gtest.h>

#include <string>

#include "BalloonShape.h"
#include "EditorTestSupport.h"
#include "InputFilter.h"
#include "SettingsTexts.h"

using namespace orvex;
using namespace orvex::test;

TEST(SettingsTexts, TitleAndCopySources) {
  auto definition = LoadText(R"([CMDB1] 共通, PAR1, 0
[CMDB2] ｱﾅﾛｸﾞ局線, PAR2, 1
[CMDB3] , PAR3, 1
[CMDB4] INS64, PAR4, 1
[CMDB5] INS1500, PAR9, 1
[PAR1]
[PAR2]
[PAR3]
[PAR4]
)");
  ASSERT_TRUE(definition);
  EXPECT_EQ(SettingsWindowTitle(definition->blocks[1], " - パラメータ設定"), "ｱﾅﾛｸﾞ局線 - パラメータ設定");
  EXPECT_EQ(SettingsWindowTitle(definition->blocks[2], " - パラメータ設定"), "2 - パラメータ設定");

  // Block 5 names a table that does not exist.
  auto sources = CopySources(*definition, 3);
  ASSERT_EQ(sources.size(), 2u);
  EXPECT_EQ(sources[0].block, 2);
  EXPECT_EQ(sources[0].text, "A - ｱﾅﾛｸﾞ局線");
  EXPECT_EQ(sources[1].block, 4);
  EXPECT_EQ(sources[1].text, "C - INS64");
  EXPECT_EQ(CopySources(*definition, 2).size(), 2u);
  EXPECT_EQ(CopySources(*definition, 1).size(), 3u);
  EXPECT_FALSE(CopyAllowed(1));
  EXPECT_TRUE(CopyAllowed(2));

  EXPECT_EQ(InitialValueQuestion("共通"),
            "共通画面のパラメータ入力項目に、初期値を設定します。\n\nよろしいですか？");
  EXPECT_EQ(CopyQuestion("INS64", "ｱﾅﾛｸﾞ局線"),
            "INS64画面のパラメータ入力項目に、「ｱﾅﾛｸﾞ局線」の内容を複写します。\n\nよろしいですか？");
}

TEST(InputFilter, CharactersByMode) {
  const unsigned decimal = FilterFlagsFor(DisplayClass::kBcd);
  const unsigned hex = FilterFlagsFor(DisplayClass::kHexadecimal);
  const unsigned text = FilterFlagsFor(DisplayClass::kText);
  EXPECT_EQ(decimal, 0x11u);
  EXPECT_EQ(FilterFlagsFor(DisplayClass::kDecimal), 0x11u);
  EXPECT_EQ(hex, 0x12u);
  EXPECT_EQ(text, 0u);

  for (unsigned ch : {'0', '5', '9'}) {
    EXPECT_TRUE(FilterAccepts(decimal, ch));
    EXPECT_TRUE(FilterAccepts(hex, ch));
  }
  for (unsigned ch : {'a', 'f', 'A', 'F'}) {
    EXPECT_FALSE(FilterAccepts(decimal, ch));
    EXPECT_TRUE(FilterAccepts(hex, ch));
  }
  for (unsigned ch :
       {unsigned{'g'}, unsigned{'G'}, unsigned{'x'}, unsigned{'-'}, 0xFF10u /* full-width 0 */, 0x3042u}) {
    EXPECT_FALSE(FilterAccepts(decimal, ch));
    EXPECT_FALSE(FilterAccepts(hex, ch));
    EXPECT_TRUE(FilterAccepts(text, ch));
  }
  // Editing keys pass everywhere; the space only where it is not refused.
  for (unsigned ch : {0x08u, 0x09u, 0x0Du, 0x03u, 0x16u, 0x18u, 0x1Au, 0x01u}) {
    EXPECT_TRUE(FilterAccepts(decimal, ch));
    EXPECT_TRUE(FilterAccepts(hex, ch));
  }
  EXPECT_FALSE(FilterAccepts(decimal, 0x1Bu));
  EXPECT_FALSE(FilterAccepts(decimal, ' '));
  EXPECT_TRUE(FilterAccepts(kDecimalDigitsOnly, ' '));
  EXPECT_TRUE(FilterAccepts(text, ' '));
  EXPECT_FALSE(FilterAccepts(kAnyCharacter | kRefuseSpace, ' '));
}

TEST(BalloonShape, SizeTextAndCloseButton) {
  BalloonMargins margins;  // 7, 2, 20, 15
  BalloonLayout plain = LayoutBalloon({200, 12}, {6, 12}, margins, false);
  EXPECT_EQ(plain.width, 214);
  EXPECT_EQ(plain.height, 12 + 14 + 15);
  EXPECT_EQ(plain.text_x, 7);
  EXPECT_EQ(plain.text_y, 22);
  EXPECT_FALSE(plain.has_button);

  BalloonLayout with_button = LayoutBalloon({200, 12}, {6, 12}, margins, true);
  ASSERT_TRUE(with_button.has_button);
  EXPECT_EQ(with_button.button.x, 7 + 200 + 2);
  EXPECT_EQ(with_button.button.width, 4 + 12);  // 2g + the larger of the letter's sides
  EXPECT_EQ(with_button.button.height, 4 + 12);
  EXPECT_EQ(with_button.button.y, 15 + (26 - 16) / 2);
  EXPECT_EQ(with_button.width, 214 + 6 + 12);
  EXPECT_EQ(with_button.button.x + with_button.button.width + margins.margin, with_button.width);
}

TEST(BalloonShape, OutlineStaysInsideWithTheTailOnTop) {
  BalloonMargins margins;
  margins.tail_x = 25;
  margins.tail_height = 10;
  const int width = 120, height = 40;
  auto points = BalloonOutline(width, height, margins);
  ASSERT_GE(points.size(), 8u);
  int tips = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    const BalloonPoint& p = points[i];
    EXPECT_GE(p.x, 0);
    EXPECT_LE(p.x, width);
    EXPECT_GE(p.y, 0);
    EXPECT_LE(p.y, height);
    if (p.y == 0) {
      ++tips;
      EXPECT_TRUE(p.x == 24 || p.x == 25);
    } else {
      EXPECT_GE(p.y, 10);  // everything but the tip lies in the box below the tail
    }
    // Every edge runs straight or is the tail's slope.
    const BalloonPoint& q = points[(i + 1) % points.size()];
    const bool straight = p.x == q.x || p.y == q.y;
    const bool slope = (p.y == 0) != (q.y == 0);
    EXPECT_TRUE(straight || slope) << i;
  }
  EXPECT_EQ(tips, 2);
  // The tail's base runs from the margin to the tip's x.
  EXPECT_EQ(points[1], (BalloonPoint{7, 10}));
  EXPECT_EQ(points[4], (BalloonPoint{25, 10}));
  // Corners step by one pixel three times: the top edge starts 3 in, the side 3 down.
  EXPECT_EQ(points[0], (BalloonPoint{3, 10}));
  EXPECT_EQ(points[26], (BalloonPoint{0, 13}));

  // A tail beyond a narrow balloon is kept on its top edge.
  margins.tail_x = 500;
  for (const BalloonPoint& p : BalloonOutline(30, 30, margins)) EXPECT_LE(p.x, 30);
}
