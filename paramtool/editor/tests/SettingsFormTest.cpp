// The editing rules of the settings window without a window: edits, group boxes, radio
// selection, lists, reload and store.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "EditorTestSupport.h"
#include "SettingsForm.h"

using namespace orvex;
using namespace orvex::test;

namespace {

class SettingsFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    built_ = BuildForm(kEditorDefinition);
    ASSERT_TRUE(built_->definition);
  }
  SettingsForm& form() { return built_->form; }
  BlockImage& block() { return built_->block; }
  int Edit(const char* name) { return built_->Find(ControlType::kEdit, name); }
  int Button(const char* name) { return built_->Find(ControlType::kButton, name); }
  int List(const char* name) { return built_->Find(ControlType::kList, name); }
  const FormControl& C(int index) { return form().control(index); }

  std::unique_ptr<BuiltForm> built_;
};

}  // namespace

TEST_F(SettingsFormTest, EditsChangeTheirBaselineAndNormaliseWhenLeft) {
  const int number = Edit("数値");
  EXPECT_EQ(C(number).text, "7");
  EXPECT_FALSE(form().TextChanged(number, "7"));
  EXPECT_TRUE(form().TextChanged(number, "1a"));
  EXPECT_FALSE(form().TextChanged(number, "1a"));
  EXPECT_EQ(form().NormalisedText(number), "1");
  form().SetText(number, "300");
  EXPECT_EQ(form().NormalisedText(number), "255");

  const int hex = Edit("十六進");
  EXPECT_EQ(C(hex).text, "00FF");
  form().TextChanged(hex, "f");
  EXPECT_EQ(form().NormalisedText(hex), "000F");
  const int bcd = Edit("局番");
  form().TextChanged(bcd, "12a4");
  EXPECT_EQ(form().NormalisedText(bcd), "12");
  const int text = Edit("名称");
  form().TextChanged(text, " x1a ");
  EXPECT_EQ(form().NormalisedText(text), " x1a ");
}

TEST_F(SettingsFormTest, StoreKeepsBytesTheFieldsCannotShow) {
  // Erased flash in the BCD item, a character outside the decoded ranges in the text item.
  block().bytes[3] = 0xFF;
  block().bytes[4] = 0xFF;
  const char text_bytes[] = "\x8E\x52\xFB\xFC  ";  // 山髙 and two blanks
  std::memcpy(block().bytes + 5, text_bytes, 6);
  form().Reload(block());
  const int bcd = Edit("局番");
  const int text = Edit("名称");
  EXPECT_EQ(C(bcd).text, "FFFF");
  EXPECT_EQ(C(text).text, "山");
  // Passing through the fields writes nothing back either.
  EXPECT_EQ(form().NormalisedText(bcd), "FFFF");

  BlockImage stored = block();
  form().Store(stored);
  EXPECT_EQ(std::memcmp(stored.bytes, block().bytes, kBlockImageSize), 0);

  // An edited field is stored; the other keeps its bytes.
  form().TextChanged(bcd, "12");
  form().Store(stored);
  EXPECT_EQ(stored.bytes[3], 0x12);
  EXPECT_EQ(stored.bytes[4], 0x00);
  EXPECT_EQ(std::memcmp(stored.bytes + 5, text_bytes, 6), 0);

  // After a reload from the initial values the fields differ from the image and are stored.
  form().Reload(built_->table()->default_image);
  EXPECT_EQ(C(bcd).text, "300");
  form().Store(stored);
  EXPECT_EQ(stored.bytes[3], 0x00);
  EXPECT_EQ(stored.bytes[4], 0x03);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(stored.bytes + 5), 6), "ABC   ");
}

TEST_F(SettingsFormTest, StoreComparesWithWhatTheFieldShowsBack) {
  // A field shows some characters differently from the bytes (the window's text conversion).
  const int text = Edit("名称");
  std::memcpy(block().bytes + 5,
              "AB\x85\x40"
              "CD",
              6);  // a pair no character is assigned to
  form().Reload(block());
  auto shown_as = [](std::string_view t) {
    std::string out(t);
    const size_t at = out.find("\x85\x40");
    if (at != std::string::npos) out.replace(at, 2, "\x81\x45");  // shown as a middle dot
    return out;
  };
  form().SetText(text, shown_as(C(text).text));
  BlockImage stored = block();
  form().Store(stored, shown_as);
  EXPECT_EQ(std::memcmp(stored.bytes + 5,
                        "AB\x85\x40"
                        "CD",
                        6),
            0);
  form().Store(stored);
  EXPECT_EQ(std::memcmp(stored.bytes + 5,
                        "AB\x81\x45"
                        "CD",
                        6),
            0);
}

TEST_F(SettingsFormTest, LongTextsAreCutWhenStored) {
  const int text = Edit("名称");
  form().TextChanged(text, "ABCDEFGHIJ");
  form().Store(block());
  EXPECT_EQ(std::string(reinterpret_cast<char*>(block().bytes + 5), 6), "ABCDEF");
  form().Reload(block());
  EXPECT_EQ(C(text).text, "ABCDEF");

  // An edit stores at most 254 bytes, whatever the item's width.
  const int long_text = Edit("長文");
  form().TextChanged(long_text, std::string(280, 'x'));
  form().Store(block());
  EXPECT_EQ(block().bytes[0x100 + 253], 'x');
  EXPECT_EQ(block().bytes[0x100 + 254], ' ');
  EXPECT_EQ(block().bytes[0x100 + 299], ' ');
}

TEST_F(SettingsFormTest, GroupHeadBoxEnablesItsMembers) {
  const int head = Button("連動");
  const int a = Button("連動A");
  const int b = Button("連動B");
  EXPECT_EQ(C(head).members, (std::vector<int>{a, b}));
  EXPECT_EQ(C(a).owner, head);
  EXPECT_TRUE(C(a).enabled);
  EXPECT_EQ(block().bytes[0x20], 0x03);

  FormUpdate update = form().ButtonClicked(head, false);
  EXPECT_TRUE(update.changed);
  EXPECT_EQ(update.refresh, (std::vector<int>{a, b}));
  EXPECT_FALSE(C(a).enabled);
  EXPECT_FALSE(C(b).enabled);
  form().Store(block());
  EXPECT_EQ(block().bytes[0x20], 0x02);  // bit 0 clear, the members' bits as they were

  // A reload of a clear head shows its members disabled; of a set one, enabled.
  form().Reload(block());
  EXPECT_FALSE(C(a).enabled);
  EXPECT_TRUE(C(a).checked);
  form().Reload(built_->table()->default_image);
  EXPECT_TRUE(C(head).checked);
  EXPECT_TRUE(C(b).enabled);
}

TEST_F(SettingsFormTest, RadioMembersSelectWithinTheirOwnGroup) {
  const int head = built_->Find(ControlType::kLabel, "選択");
  const int one = Button("選択1");
  const int two = Button("選択2");
  const int v2 = Button("V2");
  EXPECT_EQ(C(head).id, kFirstHeadLabelId);
  EXPECT_EQ(C(head).selected, one);

  FormUpdate again = form().ButtonClicked(one, true);
  EXPECT_FALSE(again.changed);
  EXPECT_TRUE(C(one).checked);

  FormUpdate update = form().ButtonClicked(two, true);
  EXPECT_TRUE(update.changed);
  EXPECT_EQ(update.refresh, (std::vector<int>{one, two}));
  EXPECT_FALSE(C(one).checked);
  EXPECT_TRUE(C(two).checked);
  EXPECT_EQ(C(head).selected, two);
  EXPECT_TRUE(C(v2).checked);  // another group's selection stays

  block().bytes[0x21] = 0;
  form().Store(block());
  EXPECT_EQ(block().bytes[0x21], 0x05);  // head bit set by the head label, member bit 2
  form().Reload(built_->table()->default_image);
  EXPECT_EQ(C(head).selected, one);
}

TEST_F(SettingsFormTest, ReloadDecodesIntoACopyOfTheSource) {
  BlockImage source = built_->table()->default_image;
  source.bytes[0x21] = 0x02;  // GOP head bit clear, member 選択1 set
  form().Reload(source);
  EXPECT_EQ(source.bytes[0x21], 0x02);
  EXPECT_TRUE(C(Button("選択1")).enabled);  // the head label's bit counts as set
  EXPECT_TRUE(C(Button("選択1")).checked);
}

TEST_F(SettingsFormTest, ListsShowAValidEntryAndStoreIt) {
  const int list = List("方式");
  EXPECT_EQ(C(list).choice, 1);
  EXPECT_FALSE(form().ChoiceConfirmed(list, 1));
  EXPECT_TRUE(form().ChoiceConfirmed(list, 2));
  form().Store(block());
  EXPECT_EQ(block().bytes[0x10], 2);

  block().bytes[0x10] = 5;
  form().Reload(block());
  EXPECT_EQ(C(list).choice, 0);
  form().Store(block());
  EXPECT_EQ(block().bytes[0x10], 0);

  // Buttons store their check state.
  const int check = Button("有効");
  form().ButtonClicked(check, true);
  form().Store(block());
  EXPECT_EQ(block().bytes[0x23], 1);
}
