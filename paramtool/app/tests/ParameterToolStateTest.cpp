// The main window's data and decisions: title, channel rows, block controls, context menu,
// channel assignment and the operations that replace the working image.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "DefinitionLoader.h"
#include "ParameterToolState.h"
#include "ToolIds.h"

using namespace orvex;

namespace {

constexpr char kInitialTitle[] = "Orvex - デバイス・パラメータ設定";
const std::array<std::string, kBlockCount> kCaptions = {"(&P)", "(&A)", "(&B)", "(&C)", "(&D)"};

std::unique_ptr<ParameterDefinition> Load(const std::string& text) {
  DefinitionLoad load = LoadDefinitionFromMemory(text);
  EXPECT_EQ(load.result, kDefinitionLoaded);
  return std::move(load.definition);
}

// Block 1 and 2 with tables, block 2 assignable; block 3 names a table that does not exist.
constexpr char kDefinition[] =
    "[TITLE] 試験用 定義\n[VER] 0102\n[CLASS] 3\n"
    "[CMDB1] 共通, PAR1, 0\n[CMDB2] 局線, PAR2, 1\n[CMDB3] 内線, PAR9, 1\n"
    "[PAR1]\n[TAG] 基本\n0010, 時間, BNR, 2, , 30,\n"
    "[PAR2]\n[TAG] 局線\n0000, 番号, BNR, 1, , 5,\n";

}  // namespace

TEST(MainWindowTexts, TitleFollowsDefinitionAndDevice) {
  auto definition = Load(kDefinition);
  EXPECT_EQ(MainTitle(kInitialTitle, definition.get(), 0, 0, false), "Orvex - 試験用 定義 <0102-0000-0000>");
  EXPECT_EQ(MainTitle(kInitialTitle, definition.get(), 0x1105, 0xABCD, true),
            "Orvex - 試験用 定義 <0102-1105-ABCD>  <自動>");
  // An initial title without a blank contributes nothing.
  EXPECT_EQ(MainTitle("Orvex", definition.get(), 0, 0, false), "試験用 定義 <0102-0000-0000>");
  // A definition without a title keeps the whole initial title.
  auto untitled = Load("[VER] 0A0B\n");
  EXPECT_EQ(MainTitle(kInitialTitle, untitled.get(), 1, 2, false),
            "Orvex - デバイス・パラメータ設定 <0A0B-0001-0002>");
  EXPECT_EQ(MainTitle(kInitialTitle, nullptr, 0, 0x20, false), "Orvex - デバイス・パラメータ設定 <0000-0000-0020>");
}

TEST(MainWindowTexts, ChannelRowsShowBlockAndBoard) {
  ChannelRow plain = ChannelRowView(0, 0, kNoBoard, true);
  EXPECT_EQ(plain.text, "・            ");  // padded to 14 bytes
  EXPECT_EQ(plain.image, 0);

  ChannelRow board = ChannelRowView(4, 2, 0x14, true);
  EXPECT_EQ(board.text, "Ｂ - INS64ST/U");
  EXPECT_EQ(board.image, 64);

  // An unknown board code has no " - " before it.
  ChannelRow unknown = ChannelRowView(2, 4, 0x07, true);
  EXPECT_EQ(unknown.text, "Ｄ unknown(07)");
  EXPECT_EQ(unknown.image, 62);

  ChannelRow hidden = ChannelRowView(2, 1, 0x00, false);
  EXPECT_EQ(hidden.text.substr(0, 2), "Ａ");
  EXPECT_EQ(hidden.image, 2);

  // A value that names no block (from a foreign file) shows a question mark, not a stray byte.
  EXPECT_EQ(ChannelRowView(0, 200, kNoBoard, true).text.substr(0, 2), "？");
  EXPECT_STREQ(BoardName(0x05), "PVﾎﾞｰﾄﾞ");
  EXPECT_EQ(BoardName(0x06), nullptr);
}

TEST(MainWindowTexts, BlockControlsAndContextMenu) {
  auto definition = Load(kDefinition);
  BlockControls with = BuildBlockControls(definition.get(), kCaptions);
  EXPECT_TRUE(with.reset_enabled);
  EXPECT_FALSE(with.blocks[0].letter_enabled);  // assignment switch 0
  EXPECT_TRUE(with.blocks[0].block_enabled);
  EXPECT_EQ(with.blocks[0].caption, "共通(&P)");
  EXPECT_TRUE(with.blocks[1].letter_enabled);
  EXPECT_EQ(with.blocks[1].caption, "局線(&A)");
  // Block 3 names a table that never appears; blocks 4 and 5 name none.
  for (int i : {2, 3, 4}) {
    EXPECT_FALSE(with.blocks[i].letter_enabled) << i;
    EXPECT_FALSE(with.blocks[i].block_enabled) << i;
    EXPECT_EQ(with.blocks[i].caption, kCaptions[i]);
  }

  BlockControls without = BuildBlockControls(nullptr, kCaptions);
  EXPECT_FALSE(without.reset_enabled);
  for (int i = 0; i < kBlockCount; ++i) {
    EXPECT_TRUE(without.blocks[i].letter_enabled);
    EXPECT_FALSE(without.blocks[i].block_enabled);
    EXPECT_EQ(without.blocks[i].caption, kCaptions[i]);
  }

  std::vector<MenuItem> bare = ChannelMenuItems(nullptr);
  ASSERT_EQ(bare.size(), 7u);
  EXPECT_EQ(bare[0].id, IDC_SELECT_ALL);
  EXPECT_EQ(bare[1].id, IDC_SELECT_SAME_BOARD);
  EXPECT_EQ(bare[2].id, 0);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(bare[3 + i].id, IDC_LETTER_FIRST + 1 + i);
    EXPECT_EQ(bare[3 + i].text, "(&" + std::to_string(i + 1) + ")");
    EXPECT_TRUE(bare[3 + i].enabled);
  }
  std::vector<MenuItem> named = ChannelMenuItems(definition.get());
  EXPECT_EQ(named[3].text, "(&1) 局線");
  EXPECT_TRUE(named[3].enabled);
  EXPECT_EQ(named[4].text, "(&2) 内線");
  EXPECT_FALSE(named[4].enabled);
}

TEST(MainWindowTexts, QuestionsAndUpdateFailures) {
  EXPECT_EQ(ConfirmText("A\n\n", "B?", false), "A\n\nB?");
  EXPECT_EQ(ConfirmText("A\n\n", "B?", true),
            "A\n\nパラメータ内容が更新（もしくはパラメータ設定ウィンドウ内で変更中）されていますが、\n\nB?");
  EXPECT_EQ(WriteConfirmText(false), "パラメータ設定データをデバイスに書き込みます。\n\nよろしいですか？");
  EXPECT_EQ(WriteConfirmText(true),
            "パラメータ設定データをデバイスに書き込みます。\n\n変更中のパラメータ設定ウィンドウがありますが、よろしいですか？");
  EXPECT_EQ(DefinitionUpdateFailureText(kDefinitionLoaded, 0),
            "パラメータ定義ファイルの更新に失敗しました。（有効パラメータ項目無）");
  EXPECT_EQ(DefinitionUpdateFailureText(kDefinitionOpenFailed, 0),
            "パラメータ定義ファイルの更新に失敗しました。（オープンエラー発生）");
  EXPECT_EQ(DefinitionUpdateFailureText(kDefinitionReadFailed, 0),
            "パラメータ定義ファイルの更新に失敗しました。（リードエラー発生）");
}

TEST(ParameterToolState, AssignmentChangesOnlyWhatDiffers) {
  ParameterToolState state;
  state.StartWith(Load(kDefinition));
  EXPECT_EQ(state.image().channels.channel[0], 1);  // the definition's default
  EXPECT_TRUE(state.Assign({0, 1, 2}, 1).empty());  // already block 2
  EXPECT_FALSE(state.modified());
  EXPECT_EQ(state.Assign({1, 2, 60, -1}, 3), (std::vector<int>{1, 2}));
  EXPECT_TRUE(state.modified());
  EXPECT_EQ(state.Row(1).text.substr(0, 2), "Ｃ");
}

TEST(ParameterToolState, SameBoardSelection) {
  ParameterToolState state;
  state.set_board(0, 0x02);
  state.set_board(3, 0x02);
  state.set_board(5, 0x00);
  EXPECT_EQ(state.SameBoardRows(3), (std::vector<int>{0, 3}));
  std::vector<int> unboarded = state.SameBoardRows(1);
  EXPECT_EQ(unboarded.size(), 57u);  // every row without a board shares 0xFF
  EXPECT_TRUE(state.SameBoardRows(-1).empty());
  state.ClearBoards();
  EXPECT_EQ(state.SameBoardRows(0).size(), 60u);
}

TEST(ParameterToolState, ImagesReplacedWhole) {
  ParameterToolState state;
  state.StartWith(Load(kDefinition));
  const ParameterImage initial = state.image();
  EXPECT_EQ(state.image().Block(1).bytes[0x10], 30);

  // A loaded file replaces the image and remembers its class and version, which saves use only
  // while no definition is loaded.
  LoadedSaveFile file;
  std::memset(&file.image, 0, sizeof file.image);
  file.image.channels.channel[7] = 4;
  file.class_byte = 9;
  file.version = 0x0777;
  state.Assign({0}, 2);
  state.TakeOverFile(file);
  EXPECT_FALSE(state.modified());
  EXPECT_TRUE(state.image_loaded());
  EXPECT_EQ(state.image().channels.channel[7], 4);
  EXPECT_EQ(state.SaveClassByte(), 3);
  EXPECT_EQ(state.SaveVersion(), 0x0102);
  ParameterToolState bare;
  bare.StartWith(nullptr);
  bare.TakeOverFile(file);
  EXPECT_EQ(bare.SaveClassByte(), 9);
  EXPECT_EQ(bare.SaveVersion(), 0x0777);

  // Reset all: initial values, and the blocks the channels now hold.
  std::array<bool, kBlockCount> used = state.ResetAll();
  EXPECT_EQ(std::memcmp(&state.image(), &initial, sizeof initial), 0);
  EXPECT_FALSE(state.modified());
  EXPECT_EQ(used, (std::array<bool, kBlockCount>{false, true, false, false, false}));

  // The device copy comes back without device traffic.
  state.device_copy().channels.channel[0] = 0;
  state.Assign({5}, 3);
  state.RestoreDeviceCopy();
  EXPECT_FALSE(state.modified());
  EXPECT_EQ(state.image().channels.channel[0], 0);
  EXPECT_EQ(state.image().channels.channel[5], 0);
}

TEST(ParameterToolState, NewerDefinitionFillsOnlyItsNewItems) {
  ParameterToolState state;
  state.StartWith(Load(kDefinition));
  state.image().Block(1).bytes[0x10] = 99;  // a setting the user made
  auto newer = Load(std::string(kDefinition) + "[PAR1]\n[TAG] 追加\n0010, 時間, BNR, 2, , 30,\n"
                                                "0020, 新項目, BNR, 1, , 7,\n");
  // The second [PAR1] continues table 1 with a cleared default image; the re-listed item keeps
  // the user's value, the new item gets its initial value.
  EXPECT_EQ(state.ReplaceDefinition(std::move(newer)), 1);
  EXPECT_EQ(state.image().Block(1).bytes[0x10], 99);
  EXPECT_EQ(state.image().Block(1).bytes[0x20], 7);
  ASSERT_NE(state.definition(), nullptr);
  EXPECT_EQ(state.definition()->Table(1)->tags.size(), 2u);
}
