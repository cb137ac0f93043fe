// The settings window made from its templates and a definition, driven in-process with real
// messages: typing, pasting, clicking, keys, the copy dialog and the questions.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <cstring>
#include <memory>
#include <string>

#include "DefinitionLoader.h"
#include "EditorTestSupport.h"
#include "FilteredEdit.h"
#include "ParameterImage.h"
#include "ParameterSettingsWindow.h"
#include "ShowMessage.h"
#include "Wide.h"
#include "WinTestSupport.h"

namespace orvex {
namespace {

using test::Instance;
using test::kEditorDefinition;
using test::MainStandIn;
using test::Pump;
using test::PumpUntil;

// The window's controls by the name of their item.
class SettingsWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DefinitionLoad load = LoadDefinitionFromMemory(kEditorDefinition);
    ASSERT_EQ(load.result, kDefinitionLoaded);
    definition_ = std::move(load.definition);
    image_ = std::make_unique<ParameterImage>();
    BuildImage(*definition_, image_.get());
    ASSERT_TRUE(main_.Create(Instance(), IDD_TEST_MAIN, nullptr));
  }
  void TearDown() override {
    window_.reset();
    main_.End(0);
    Pump();
  }

  ParameterSettingsWindow& Open(int block) {
    window_ = std::make_unique<ParameterSettingsWindow>(block);
    EXPECT_TRUE(window_->Open(Instance(), main_.hwnd(), definition_.get(), image_.get()));
    Pump();
    return *window_;
  }
  HWND Control(ControlType type, const char* name) const {
    const SettingsForm& form = window_->form();
    for (int i = 0; i < form.size(); ++i) {
      const FormControl& c = form.control(i);
      if (c.type == type && c.item != nullptr && c.item->name == name) return window_->ControlWindow(i);
    }
    ADD_FAILURE() << "no control " << name;
    return nullptr;
  }
  HWND Edit(const char* name) const { return Control(ControlType::kEdit, name); }
  HWND Button(const char* name) const { return Control(ControlType::kButton, name); }
  HWND Item(int id) const { return GetDlgItem(window_->hwnd(), id); }
  std::string Text(HWND control) const { return GetWindowTextA932(control); }
  uint8_t* Bytes(int block) { return image_->Block(block).bytes; }
  void Click(int id) { SendMessageW(Item(id), BM_CLICK, 0, 0); }
  void Type(HWND control, const char* keys) {
    for (const char* k = keys; *k != '\0'; ++k) SendMessageW(control, WM_CHAR, static_cast<WPARAM>(*k), 1);
  }
  void SelectPage(int page) {
    SendMessageW(Item(IDC_SETTINGS_TAB), TCM_SETCURFOCUS, static_cast<WPARAM>(page), 0);
    Pump();
  }

  std::unique_ptr<ParameterDefinition> definition_;
  std::unique_ptr<ParameterImage> image_;
  MainStandIn main_;
  std::unique_ptr<ParameterSettingsWindow> window_;
};

bool HasStyle(HWND hwnd, LONG_PTR style) {
  return (GetWindowLongPtrW(hwnd, GWL_STYLE) & style) == style;
}

std::string ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return FromWide(name);
}

TEST_F(SettingsWindowTest, BuildsPagesFromTheDefinition) {
  ParameterSettingsWindow& window = Open(1);
  ASSERT_TRUE(window.IsOpen());
  EXPECT_TRUE(IsWindowVisible(window.hwnd()));
  EXPECT_EQ(window.GetText(), "共通 - パラメータ設定");
  EXPECT_NE(SendMessageW(window.hwnd(), WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_EQ(window.command_block(), 1);

  HWND tab = Item(IDC_SETTINGS_TAB);
  ASSERT_EQ(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0), 2);
  wchar_t caption[64] = {};
  TCITEMW item = {};
  item.mask = TCIF_TEXT;
  item.pszText = caption;
  item.cchTextMax = 64;
  SendMessageW(tab, TCM_GETITEMW, 1, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(FromWide(caption), " 群 ");

  // Page 0 shows, page 1 waits hidden and disabled.
  HWND page0 = window.PageWindow(0);
  HWND page1 = window.PageWindow(1);
  EXPECT_TRUE(IsWindowVisible(page0));
  EXPECT_TRUE(IsWindowEnabled(page0));
  EXPECT_FALSE(IsWindowVisible(page1));
  EXPECT_FALSE(IsWindowEnabled(page1));

  // Controls by class, with the identifiers and texts of their items.
  HWND number = GetDlgItem(page0, 11000);
  EXPECT_EQ(number, Edit("数値"));
  EXPECT_EQ(ClassOf(number), "Edit");
  EXPECT_EQ(Text(number), "7");
  EXPECT_TRUE(HasStyle(number, ES_UPPERCASE | ES_AUTOHSCROLL | WS_TABSTOP));
  EXPECT_TRUE(GetWindowLongPtrW(number, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  EXPECT_FALSE(HasStyle(Edit("名称"), ES_UPPERCASE));
  EXPECT_EQ(Text(Edit("十六進")), "00FF");
  EXPECT_EQ(Text(Edit("局番")), "300");
  EXPECT_EQ(Text(Edit("名称")), "ABC");
  HWND list = GetDlgItem(page0, 13000);
  EXPECT_EQ(ClassOf(list), "ComboBox");
  EXPECT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(SendMessageW(list, CB_GETITEMDATA, 2, 0), 2);
  // The second page gets its controls when it is first shown.
  EXPECT_EQ(GetWindow(page1, GW_CHILD), nullptr);

  // The unit label stands after its edit, both placed from the template's measures.
  const LayoutMeasures& m = window.measures();
  EXPECT_EQ(m.Rows(), 15);
  RECT edit_rect = {}, unit_rect = {};
  GetWindowRect(Edit("時間"), &edit_rect);
  HWND unit = nullptr;
  for (HWND child = GetWindow(page0, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if (Text(child) == "×10ms") unit = child;
  }
  ASSERT_NE(unit, nullptr);
  GetWindowRect(unit, &unit_rect);
  EXPECT_EQ(unit_rect.left - edit_rect.left, m.unit_offset);
  RECT first = {}, second = {};
  GetWindowRect(Edit("数値"), &first);
  GetWindowRect(Edit("十六進"), &second);
  EXPECT_EQ(second.top - first.top, m.row_pitch);
  // The template's dialog units through the page's own conversion.
  RECT pitch = {0, 0, 162, 17};
  MapDialogRect(page0, &pitch);
  EXPECT_NEAR(m.column_pitch, pitch.right, 1);
  EXPECT_NEAR(m.row_pitch, pitch.bottom, 1);

  // Buttons: nothing changed yet, block 1 never copies.
  EXPECT_FALSE(window.changed());
  EXPECT_FALSE(IsWindowEnabled(Item(IDC_SETTINGS_OK)));
  EXPECT_FALSE(IsWindowEnabled(Item(IDC_SETTINGS_APPLY)));
  EXPECT_TRUE(IsWindowEnabled(Item(IDC_SETTINGS_INITIAL)));
  EXPECT_FALSE(IsWindowEnabled(Item(IDC_SETTINGS_COPY)));

  // Another tab: the pages swap, the help area is cleared.
  SetFocus(Edit("数値"));
  EXPECT_EQ(window.GetItemText(IDC_SETTINGS_HELP_NAME), "数値");
  SelectPage(1);
  EXPECT_EQ(window.current_page(), 1);
  EXPECT_FALSE(IsWindowVisible(page0));
  EXPECT_FALSE(IsWindowEnabled(page0));
  EXPECT_TRUE(IsWindowVisible(page1));
  EXPECT_EQ(GetFocus(), tab);
  EXPECT_EQ(window.GetItemText(IDC_SETTINGS_HELP_NAME), "");
  EXPECT_EQ(ClassOf(GetDlgItem(page1, 12000)), "Button");
  EXPECT_EQ(GetDlgItem(page1, 12000), Button("連動"));
  EXPECT_EQ(GetDlgItem(page1, 10000), Control(ControlType::kLabel, "選択"));
  EXPECT_EQ(Text(GetDlgItem(page1, 10000)), "選択");
  EXPECT_EQ(SendMessageW(Button("選択1"), BM_GETCHECK, 0, 0), BST_CHECKED);
  // Back to the first page: its controls stay as they were.
  SelectPage(0);
  EXPECT_EQ(GetDlgItem(page0, 11000), Edit("数値"));
  EXPECT_TRUE(IsWindowVisible(page0));
}

TEST_F(SettingsWindowTest, TablesWithoutPagesAndBlocksWithoutTables) {
  ParameterSettingsWindow& window = Open(5);
  EXPECT_EQ(SendMessageW(Item(IDC_SETTINGS_TAB), TCM_GETITEMCOUNT, 0, 0), 1);
  wchar_t caption[64] = {};
  TCITEMW item = {};
  item.mask = TCIF_TEXT;
  item.pszText = caption;
  item.cchTextMax = 64;
  SendMessageW(Item(IDC_SETTINGS_TAB), TCM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(FromWide(caption), " パラメータ項目無 ");
  EXPECT_EQ(window.PageWindow(0), nullptr);
  EXPECT_FALSE(IsWindowEnabled(Item(IDC_SETTINGS_INITIAL)));
  EXPECT_FALSE(IsWindowEnabled(Item(IDC_SETTINGS_COPY)));
  window.Destroy();
  EXPECT_FALSE(window.IsOpen());

  // A block whose table never appeared cannot be opened, and says nothing.
  DefinitionLoad load = LoadDefinitionFromMemory("[CMDB2] 局線, PAR7, 1\n[PAR1]\n[TAG] a, 1\n");
  MessageRecorder recorder;
  ParameterSettingsWindow missing(2);
  EXPECT_FALSE(missing.Open(Instance(), main_.hwnd(), load.definition.get(), image_.get()));
  EXPECT_FALSE(missing.IsOpen());
  EXPECT_TRUE(recorder.Calls().empty());
}

TEST_F(SettingsWindowTest, DecimalEditRefusesLettersAndNormalisesAPaste) {
  ParameterSettingsWindow& window = Open(1);
  HWND number = Edit("数値");
  SetFocus(number);
  {
    RefusalRecorder refusals;
    Type(number, "a");
    EXPECT_EQ(refusals.refusals().size(), 1u);
    EXPECT_EQ(Text(number), "7");
    EXPECT_FALSE(window.changed());
    SendMessageW(number, EM_SETSEL, 0, -1);
    Type(number, "4\b2");
    EXPECT_EQ(refusals.refusals().size(), 1u);
  }
  EXPECT_EQ(Text(number), "2");
  EXPECT_TRUE(window.changed());
  EXPECT_TRUE(IsWindowEnabled(Item(IDC_SETTINGS_OK)));
  EXPECT_TRUE(IsWindowEnabled(Item(IDC_SETTINGS_APPLY)));

  // A paste is no typing: the field takes "1a" and makes "1" of it when left.
  ASSERT_TRUE(OpenClipboard(window.hwnd()));
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, 3 * sizeof(wchar_t));
  std::memcpy(GlobalLock(memory), L"1a", 3 * sizeof(wchar_t));
  GlobalUnlock(memory);
  SetClipboardData(CF_UNICODETEXT, memory);
  CloseClipboard();
  SendMessageW(number, EM_SETSEL, 0, -1);
  SendMessageW(number, WM_PASTE, 0, 0);
  EXPECT_EQ(Text(number), "1A");  // the field shows letters in upper case
  SetFocus(Edit("名称"));
  EXPECT_EQ(Text(number), "1");

  Click(IDC_SETTINGS_APPLY);
  EXPECT_EQ(Bytes(1)[0], 1);
  EXPECT_TRUE(window.applied());
  EXPECT_FALSE(window.changed());
  EXPECT_FALSE(IsWindowEnabled(Item(IDC_SETTINGS_APPLY)));
}

TEST_F(SettingsWindowTest, HexEditTakesLowerCaseAndShowsTheWidth) {
  ParameterSettingsWindow& window = Open(1);
  HWND hex = Edit("十六進");
  SetFocus(hex);
  SendMessageW(hex, EM_SETSEL, 0, -1);
  RefusalRecorder refusals;
  Type(hex, "g f");
  EXPECT_EQ(refusals.refusals().size(), 2u);  // g and the space
  EXPECT_EQ(Text(hex), "F");
  SetFocus(Edit("数値"));
  EXPECT_EQ(Text(hex), "000F");
  window.Store();
  EXPECT_EQ(Bytes(1)[1], 0x0F);
  EXPECT_EQ(Bytes(1)[2], 0x00);
}

TEST_F(SettingsWindowTest, LongTextIsCutWhenStoredAndReloaded) {
  ParameterSettingsWindow& window = Open(1);
  HWND text = Edit("名称");
  SetWindowTextA932(text, "ABCDEFGHIJ");
  EXPECT_TRUE(window.changed());
  Click(IDC_SETTINGS_APPLY);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(Bytes(1) + 5), 6), "ABCDEF");
  EXPECT_EQ(Text(text), "ABCDEFGHIJ");
  SetWindowTextA932(Edit("数値"), "9");
  EXPECT_TRUE(window.changed());
  window.Reload(image_->Block(1));
  EXPECT_EQ(Text(text), "ABCDEF");
  EXPECT_EQ(Text(Edit("数値")), "7");
  EXPECT_FALSE(window.changed());
}

TEST_F(SettingsWindowTest, GroupHeadDisablesItsMembersAndStoresOnlyItsBit) {
  ParameterSettingsWindow& window = Open(1);
  SelectPage(1);
  HWND head = Button("連動");
  HWND a = Button("連動A");
  HWND b = Button("連動B");
  EXPECT_EQ(Bytes(1)[0x20], 0x03);
  SendMessageW(head, BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageW(head, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_FALSE(IsWindowEnabled(a));
  EXPECT_FALSE(IsWindowEnabled(b));
  EXPECT_TRUE(window.changed());
  Click(IDC_SETTINGS_APPLY);
  EXPECT_EQ(Bytes(1)[0x20], 0x02);
  SendMessageW(head, BM_CLICK, 0, 0);
  EXPECT_TRUE(IsWindowEnabled(a));

  // Radio members keep one selection per group; the selected one clicked again changes nothing.
  HWND one = Button("選択1");
  HWND two = Button("選択2");
  Click(IDC_SETTINGS_APPLY);
  SendMessageW(one, BM_CLICK, 0, 0);
  EXPECT_FALSE(window.changed());
  EXPECT_EQ(SendMessageW(one, BM_GETCHECK, 0, 0), BST_CHECKED);
  SendMessageW(two, BM_CLICK, 0, 0);
  EXPECT_TRUE(window.changed());
  EXPECT_EQ(SendMessageW(one, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageW(two, BM_GETCHECK, 0, 0), BST_CHECKED);
  window.Store();
  EXPECT_EQ(Bytes(1)[0x21], 0x05);
}

TEST_F(SettingsWindowTest, APageMadeLaterShowsTheLatestValues) {
  ParameterSettingsWindow& window = Open(1);
  BlockImage source = image_->Block(1);
  source.bytes[0x20] = 0x04;  // head clear, member B set
  source.bytes[0x23] = 1;
  window.Reload(source);
  // Stored before its page was ever shown, the page's values go in as the reload left them.
  window.Store();
  EXPECT_EQ(Bytes(1)[0x20], 0x04);
  EXPECT_EQ(Bytes(1)[0x23], 1);
  SelectPage(1);
  EXPECT_EQ(SendMessageW(Button("連動"), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_FALSE(IsWindowEnabled(Button("連動A")));
  EXPECT_EQ(SendMessageW(Button("連動B"), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(Button("有効"), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_FALSE(window.changed());
}

TEST_F(SettingsWindowTest, ListWithAnUnknownIndexShowsItsFirstEntry) {
  Bytes(1)[0x10] = 5;
  ParameterSettingsWindow& window = Open(1);
  HWND list = GetDlgItem(window.PageWindow(0), 13000);
  EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 0);

  // OK stores, marks the window applied and tells the main window, which destroys it.
  SetWindowTextA932(Edit("数値"), "8");
  Click(IDC_SETTINGS_OK);
  EXPECT_EQ(Bytes(1)[0x10], 0);
  EXPECT_EQ(Bytes(1)[0], 8);
  EXPECT_TRUE(window.applied());
  EXPECT_FALSE(window.changed());
  EXPECT_FALSE(IsWindowVisible(window.hwnd()));
  ASSERT_TRUE(PumpUntil([&] { return !main_.closed.empty(); }));
  EXPECT_EQ(main_.closed[0].block, 1u);
  EXPECT_EQ(main_.closed[0].window, reinterpret_cast<LPARAM>(&window));
  EXPECT_FALSE(window.IsOpen());

  // A choice made in the list is stored.
  Open(1);
  list = GetDlgItem(window_->PageWindow(0), 13000);
  SendMessageW(list, CB_SETCURSEL, 2, 0);
  SendMessageW(window_->PageWindow(0), WM_COMMAND, MAKEWPARAM(13000, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(list));
  EXPECT_TRUE(window_->changed());
  window_->Store();
  EXPECT_EQ(Bytes(1)[0x10], 2);
}

TEST_F(SettingsWindowTest, CancelAndTheCloseBoxStoreNothing) {
  ParameterSettingsWindow& window = Open(1);
  SetWindowTextA932(Edit("数値"), "99");
  Click(IDC_SETTINGS_CANCEL);
  EXPECT_EQ(Bytes(1)[0], 7);
  EXPECT_FALSE(window.applied());
  ASSERT_TRUE(PumpUntil([&] { return !main_.closed.empty(); }));

  Open(1);
  SetWindowTextA932(Edit("数値"), "99");
  SendMessageW(window_->hwnd(), WM_CLOSE, 0, 0);
  SendMessageW(window_->hwnd(), WM_CLOSE, 0, 0);  // closing twice tells the main window once
  ASSERT_TRUE(PumpUntil([&] { return main_.closed.size() >= 2; }));
  Pump();
  EXPECT_EQ(main_.closed.size(), 2u);
  EXPECT_EQ(Bytes(1)[0], 7);
}

TEST_F(SettingsWindowTest, HelpForFocusAndToolTips) {
  ParameterSettingsWindow& window = Open(1);
  SetFocus(Edit("十六進"));
  EXPECT_EQ(window.GetItemText(IDC_SETTINGS_HELP_NAME), "十六進");
  EXPECT_EQ(window.GetItemText(IDC_SETTINGS_HELP_TEXT), "十六進の説明\r\n二行目");
  SetFocus(GetDlgItem(window.PageWindow(0), 13000));
  EXPECT_EQ(window.GetItemText(IDC_SETTINGS_HELP_NAME), "方式");

  // The page's tool tip asks for a control's text when the mouse rests on it.
  HWND number = Edit("数値");
  NMTTDISPINFOW info = {};
  info.hdr.hwndFrom = nullptr;
  info.hdr.idFrom = reinterpret_cast<UINT_PTR>(number);
  info.hdr.code = TTN_GETDISPINFOW;
  info.uFlags = TTF_IDISHWND;
  SendMessageW(window.PageWindow(0), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(window.GetItemText(IDC_SETTINGS_HELP_NAME), "数値");
  EXPECT_EQ(window.GetItemText(IDC_SETTINGS_HELP_TEXT), "数値の説明です。");
  EXPECT_EQ(info.lpszText[0], L'\0');

  // The help name is shown in bold.
  LOGFONTW font = {};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(Item(IDC_SETTINGS_HELP_NAME), WM_GETFONT, 0, 0)),
             sizeof font, &font);
  EXPECT_EQ(font.lfWeight, FW_BOLD);
}

TEST_F(SettingsWindowTest, InitialValuesAfterTheQuestion) {
  Bytes(1)[0] = 50;
  ParameterSettingsWindow& window = Open(1);
  {
    MessageRecorder no([](const MessageCall&) { return IDNO; });
    Click(IDC_SETTINGS_INITIAL);
    ASSERT_EQ(no.Calls().size(), 1u);
    EXPECT_EQ(no.Calls()[0].text, "共通画面のパラメータ入力項目に、初期値を設定します。\n\nよろしいですか？");
    EXPECT_EQ(no.Calls()[0].caption, "共通");
    EXPECT_EQ(no.Calls()[0].buttons, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(no.Calls()[0].icon, static_cast<UINT>(MB_ICONQUESTION));
  }
  EXPECT_EQ(Text(Edit("数値")), "50");
  EXPECT_FALSE(window.changed());
  MessageRecorder yes([](const MessageCall&) { return IDYES; });
  Click(IDC_SETTINGS_INITIAL);
  EXPECT_EQ(Text(Edit("数値")), "7");
  EXPECT_TRUE(window.changed());
  EXPECT_EQ(Bytes(1)[0], 50);  // nothing stored until Apply or OK
}

// Answers the copy dialog from inside its modal loop: picks an entry and presses OK.
struct CopyDialogScript {
  static inline std::vector<std::string> entries;
  static inline int pick = 0;
  static inline bool seen = false;
  static inline int tries = 0;

  static BOOL CALLBACK FindCopyDialog(HWND hwnd, LPARAM out) {
    if (GetDlgItem(hwnd, IDC_COPY_SOURCE_LIST) != nullptr) {
      *reinterpret_cast<HWND*>(out) = hwnd;
      return FALSE;
    }
    return TRUE;
  }

  // A thread timer: it fires in whichever loop runs, the dialog's own once it is up.
  static void CALLBACK Run(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindCopyDialog, reinterpret_cast<LPARAM>(&dialog));
    if (dialog == nullptr && ++tries < 500) return;
    KillTimer(nullptr, timer);
    if (dialog == nullptr) return;
    seen = true;
    HWND list = GetDlgItem(dialog, IDC_COPY_SOURCE_LIST);
    entries.clear();
    const int count = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      wchar_t text[64] = {};
      SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
      entries.push_back(FromWide(text));
    }
    entries.push_back(std::to_string(SendMessageW(list, CB_GETCURSEL, 0, 0)));
    entries.push_back(GetWindowTextA932(dialog));
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(pick), 0);
    SendMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  }
};

TEST_F(SettingsWindowTest, CopyTakesTheValuesOfAnotherBlock) {
  Bytes(4)[0] = 44;
  ParameterSettingsWindow& window = Open(3);
  ASSERT_TRUE(IsWindowEnabled(Item(IDC_SETTINGS_COPY)));
  CopyDialogScript::pick = 1;
  CopyDialogScript::seen = false;
  CopyDialogScript::tries = 0;
  SetTimer(nullptr, 0, 10, CopyDialogScript::Run);
  MessageRecorder yes([](const MessageCall&) { return IDYES; });
  Click(IDC_SETTINGS_COPY);
  ASSERT_TRUE(CopyDialogScript::seen);
  EXPECT_EQ(CopyDialogScript::entries,
            (std::vector<std::string>{"A - 局線", "C - INS64", "D - INS1500", "0", "パラメータ複写"}));
  ASSERT_EQ(yes.Calls().size(), 1u);
  EXPECT_EQ(yes.Calls()[0].text,
            "内線画面のパラメータ入力項目に、「INS64」の内容を複写します。\n\nよろしいですか？");
  EXPECT_EQ(yes.Calls()[0].caption, "内線");
  // Block 4's bytes read with block 3's items.
  EXPECT_EQ(Text(Edit("内値")), "44");
  EXPECT_EQ(Text(Edit("内名称")), "");
  EXPECT_TRUE(window.changed());
  EXPECT_EQ(Bytes(3)[0], 3);
}

TEST_F(SettingsWindowTest, UntouchedFieldsKeepBytesTheyCannotShow) {
  uint8_t* block = Bytes(1);
  block[3] = 0xFF;  // erased flash in the BCD item
  block[4] = 0xFF;
  const char text[] = "\x8E\x52\xFB\xFC  ";  // 山髙: the second is outside the decoded ranges
  std::memcpy(block + 5, text, 6);
  Open(1);
  EXPECT_EQ(Text(Edit("局番")), "FFFF");
  EXPECT_EQ(Text(Edit("名称")), "山");
  // Passing through both fields and storing another changes neither.
  SetFocus(Edit("局番"));
  SetFocus(Edit("名称"));
  SetFocus(Edit("数値"));
  EXPECT_EQ(Text(Edit("局番")), "FFFF");
  SetWindowTextA932(Edit("数値"), "3");
  Click(IDC_SETTINGS_OK);
  EXPECT_EQ(block[0], 3);
  EXPECT_EQ(block[3], 0xFF);
  EXPECT_EQ(block[4], 0xFF);
  EXPECT_EQ(std::memcmp(block + 5, text, 6), 0);
  ASSERT_TRUE(PumpUntil([&] { return !main_.closed.empty(); }));

  // After the initial values they are stored like any other.
  Open(1);
  MessageRecorder yes([](const MessageCall&) { return IDYES; });
  Click(IDC_SETTINGS_INITIAL);
  Click(IDC_SETTINGS_OK);
  EXPECT_EQ(block[3], 0x00);
  EXPECT_EQ(block[4], 0x03);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(block + 5), 6), "ABC   ");
}

TEST_F(SettingsWindowTest, EnterMovesThroughThePageAndEscapeDoesNothing) {
  ASSERT_TRUE(InstallSettingsWindowKeys());
  ParameterSettingsWindow& window = Open(1);
  auto press = [&](WPARAM key, bool shift) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
    Pump();
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
  };
  // From the tab control Enter goes into the page.
  ASSERT_EQ(GetFocus(), Item(IDC_SETTINGS_TAB));
  press(VK_RETURN, false);
  EXPECT_EQ(GetFocus(), Edit("数値"));
  press(VK_RETURN, false);
  EXPECT_EQ(GetFocus(), Edit("十六進"));
  press(VK_RETURN, true);
  EXPECT_EQ(GetFocus(), Edit("数値"));
  press(VK_ESCAPE, false);
  EXPECT_TRUE(IsWindowVisible(window.hwnd()));
  EXPECT_TRUE(main_.closed.empty());
  RemoveSettingsWindowKeys();
}

TEST_F(SettingsWindowTest, KeysReachTheWindowWhileTheMainWindowIsModal) {
  // The modal loop of the main window serves only its own window: without the hook Tab does
  // nothing in the settings window, with it the focus moves on.
  for (bool hooked : {false, true}) {
    if (hooked) {
      ASSERT_TRUE(InstallSettingsWindowKeys());
    }
    MainStandIn modal;
    HWND focus_after = nullptr;
    HWND number = nullptr;
    HWND hex = nullptr;
    modal.script = [&](MainStandIn& m) {
      window_ = std::make_unique<ParameterSettingsWindow>(1);
      if (!window_->Open(Instance(), m.hwnd(), definition_.get(), image_.get())) {
        m.End(-1);
        return;
      }
      number = Edit("数値");
      hex = Edit("十六進");
      SetFocus(number);
      PostMessageW(number, WM_KEYDOWN, VK_TAB, 1);
      PostMessageW(number, WM_KEYUP, VK_TAB, 1);
      // Handled after the key, in the modal loop's turn.
      m.later = [&](MainStandIn& self) {
        focus_after = GetFocus();
        window_->Destroy();
        self.End(1);
      };
      PostMessageW(m.hwnd(), MainStandIn::kLater, 0, 0);
    };
    ASSERT_EQ(modal.RunModal(Instance(), IDD_TEST_MAIN, nullptr), 1);
    EXPECT_EQ(focus_after, hooked ? hex : number) << (hooked ? "with" : "without") << " the hook";
  }
  RemoveSettingsWindowKeys();
}

}  // namespace
}  // namespace orvex
