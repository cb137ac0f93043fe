// OrvexSet's main window from its real template, in a program folder of its own and without a
// device: start-up in each run mode, the channel list and its commands, the questions, the file
// commands through the system's own file dialogs.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>

#include "DefinitionLoader.h"
#include "MainWindowSupport.h"
#include "ParameterSaveFile.h"
#include "Settings.h"
#include "ToolTexts.h"

namespace orvex::test {
namespace {

MessageRecorder::Answerer AnswerAll(int answer) {
  return [answer](const MessageCall&) { return answer; };
}

// The save file `orvex def new` writes for the sample definition: its initial values.
std::string InitialSaveFile() {
  DefinitionLoad load = LoadDefinitionFromMemory(SampleDefinitionBytes());
  EXPECT_EQ(load.result, kDefinitionLoaded);
  ParameterImage image;
  BuildImage(*load.definition, &image);
  auto file = ComposeFileImage(image, load.definition->class_byte, load.definition->version);
  return std::string(reinterpret_cast<const char*>(file->bytes), sizeof file->bytes);
}

TEST_F(MainWindowTest, StartsWithTheSampleDefinitionAndCreatesItsPathFile) {
  InstallSampleDefinition();
  MessageRecorder messages;
  Open();
  ASSERT_TRUE(created_);
  EXPECT_TRUE(messages.Calls().empty());
  EXPECT_EQ(Title(), "Orvex - Orvex CTIアダプタ 標準パラメータ <1003-0000-0000>");
  // The missing definition path file was created with its two default lines.
  EXPECT_EQ(ReadAll(folder_.Path() + "OrvexSet.ini"), "Cti_par.txt\r\nMCPARA.prg\r\n");
  EXPECT_EQ(dialog_->definition_path(), folder_.Path() + "Cti_par.txt");
  EXPECT_EQ(dialog_->save_file_path(), folder_.Path() + "MCPARA.prg");
  // Empty remembered paths point into the program folder for this run only.
  EXPECT_EQ(dialog_->def_path_setting(), folder_.Path() + "Cti_par.txt");
  EXPECT_EQ(dialog_->prg_path_setting(), folder_.Path() + "MCPARA.prg");
  EXPECT_EQ(Settings("OrvexSetTest").GetText("DefPath"), "");

  EXPECT_EQ(Text(IDC_BLOCK_FIRST), "共通設定(&P)");
  EXPECT_EQ(Text(IDC_BLOCK_FIRST + 1), "ｱﾅﾛｸﾞ局線(&A)");
  for (int n = 0; n < 5; ++n) EXPECT_TRUE(Enabled(IDC_BLOCK_FIRST + n)) << n;
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(hwnd(), IDC_LETTER_FIRST)));
  for (int n = 1; n < 5; ++n) EXPECT_TRUE(Enabled(IDC_LETTER_FIRST + n)) << n;
  EXPECT_TRUE(Enabled(IDC_RESET_ALL));
  // No device: neither transfer button, the write button marked bold for later.
  EXPECT_FALSE(Enabled(IDC_DEVICE_WRITE));
  EXPECT_FALSE(Enabled(IDC_DEVICE_READ));
  EXPECT_TRUE(dialog_->IsBold(IDC_DEVICE_WRITE));
  EXPECT_FALSE(dialog_->IsBold(IDC_DEVICE_READ));
  // Every channel starts in block 2 ("Ａ"), with its own image.
  EXPECT_EQ(Row(0), "Ａ            ");
  EXPECT_EQ(dialog_->channel_list().RowImage(59), 59);
}

TEST_F(MainWindowTest, WithoutADefinitionTheWindowStaysUsable) {
  MessageRecorder messages;
  Open();
  ASSERT_TRUE(created_);
  ASSERT_EQ(messages.Calls().size(), 1u);
  EXPECT_EQ(messages.Calls()[0].text,
            "パラメータ定義ファイルのオープンに失敗しました。\n\nパラメータ内容の表示／編集は出来ません。");
  EXPECT_EQ(messages.Calls()[0].icon, static_cast<UINT>(MB_ICONEXCLAMATION));
  EXPECT_EQ(Title(), "Orvex - デバイス・パラメータ設定 <0000-0000-0000>");
  for (int n = 0; n < 5; ++n) EXPECT_FALSE(Enabled(IDC_BLOCK_FIRST + n)) << n;
  for (int n = 1; n < 5; ++n) EXPECT_TRUE(Enabled(IDC_LETTER_FIRST + n)) << n;
  EXPECT_FALSE(Enabled(IDC_RESET_ALL));
  EXPECT_EQ(Row(0).substr(0, 2), "・");  // an all-zero image
}

TEST_F(MainWindowTest, DefinitionFoundOnlyInTheDocumentsFolderIsLoadedFromThere) {
  std::string documents = folder_.Sub("Documents Orvex");
  ASSERT_TRUE(WriteAll(documents + "Cti_par.txt", SampleDefinitionBytes()));
  environment_.documents_folder = documents;
  MessageRecorder messages;
  Open();
  EXPECT_TRUE(messages.Calls().empty());
  EXPECT_EQ(dialog_->definition_path(), documents + "Cti_par.txt");
  EXPECT_EQ(dialog_->save_file_path(), documents + "MCPARA.prg");
  EXPECT_NE(Title().find("<1003-"), std::string::npos);
}

TEST_F(MainWindowTest, AssignmentMarksItsLetterAndAsksBeforeClosing) {
  InstallSampleDefinition();
  MessageRecorder messages(AnswerAll(IDNO));
  Open();
  Select({0, 1, 2});
  Command(IDC_LETTER_FIRST + 2);  // Ｂ
  EXPECT_EQ(Row(0), "Ｂ            ");
  EXPECT_EQ(Row(2).substr(0, 2), "Ｂ");
  EXPECT_EQ(Row(3).substr(0, 2), "Ａ");
  EXPECT_TRUE(dialog_->IsBold(IDC_LETTER_FIRST + 2));
  EXPECT_FALSE(dialog_->IsBold(IDC_LETTER_FIRST + 1));
  // Without a device the write button stays disabled, so no balloon points at it.
  EXPECT_FALSE(dialog_->balloon_shown());

  // Pending changes: the close box asks, and "いいえ" keeps the window.
  SendMessageW(hwnd(), WM_CLOSE, 0, 0);
  ASSERT_EQ(messages.Calls().size(), 1u);
  EXPECT_EQ(messages.Calls()[0].caption, "終了確認");
  EXPECT_EQ(messages.Calls()[0].text,
            "パラメータ内容が更新（もしくはパラメータ設定ウィンドウ内で変更中）されていますが、\n\n終了しますか？");
  EXPECT_EQ(messages.Calls()[0].buttons, static_cast<UINT>(MB_YESNO));
  EXPECT_TRUE(IsWindow(hwnd()));
  // Enter and Esc do nothing.
  Command(IDOK);
  Command(IDCANCEL);
  EXPECT_TRUE(IsWindow(hwnd()));

  MessageRecorder yes(AnswerAll(IDYES));
  Command(IDC_CLOSE);
  EXPECT_EQ(yes.Calls().size(), 1u);
  EXPECT_EQ(dialog_->hwnd(), nullptr);
}

TEST_F(MainWindowTest, AssigningTheSameBlockChangesNothing) {
  InstallSampleDefinition();
  MessageRecorder messages;
  Open();
  Select({4});
  Command(IDC_LETTER_FIRST + 1);  // Ａ, which channel 5 already has
  EXPECT_FALSE(dialog_->IsBold(IDC_LETTER_FIRST + 1));
  Command(IDC_CLOSE);  // nothing pending: closes without a question
  EXPECT_TRUE(messages.Calls().empty());
  EXPECT_EQ(dialog_->hwnd(), nullptr);
}

TEST_F(MainWindowTest, FunctionKeysAssignWhileTheirButtonIsEnabled) {
  InstallSampleDefinition();
  MessageRecorder messages;
  Open();
  HWND list = dialog_->channel_list().hwnd();
  Select({7});
  PostMessageW(list, WM_KEYUP, VK_F8, 0xC0000001);  // Ｄ
  Pump();
  EXPECT_EQ(Row(7).substr(0, 2), "Ｄ");

  // F9 to F12 are taken and do nothing; F5 does nothing while Ａ is disabled.
  Select({8});
  PostMessageW(list, WM_KEYUP, VK_F9, 0xC0000001);
  EnableWindow(GetDlgItem(hwnd(), IDC_LETTER_FIRST + 1), FALSE);
  PostMessageW(list, WM_SYSKEYUP, VK_F5, 0xC0000001);
  Pump();
  EXPECT_EQ(Row(8).substr(0, 2), "Ａ");
  PostMessageW(list, WM_KEYUP, VK_F6, 0xC0000001);  // Ｂ, with Alt released as well
  Pump();
  EXPECT_EQ(Row(8).substr(0, 2), "Ｂ");
  EXPECT_TRUE(messages.Calls().empty());
}

TEST_F(MainWindowTest, ResetAllAsksAndMarksEverything) {
  InstallSampleDefinition();
  MessageRecorder messages(AnswerAll(IDYES));
  Open();
  Select({0, 1});
  Command(IDC_LETTER_FIRST + 4);
  Command(IDC_RESET_ALL);
  ASSERT_EQ(messages.Calls().size(), 1u);
  EXPECT_EQ(messages.Calls()[0].caption, "全初期化確認");
  EXPECT_EQ(messages.Calls()[0].text,
            "全てのパラメータを初期値に戻します。\n\n"
            "パラメータ内容が更新（もしくはパラメータ設定ウィンドウ内で変更中）されていますが、\n\nよろしいですか？");
  EXPECT_EQ(Row(0).substr(0, 2), "Ａ");
  // The letter of the blocks the channels now hold and every block button are bold.
  EXPECT_TRUE(dialog_->IsBold(IDC_LETTER_FIRST + 1));
  for (int n = 0; n < 5; ++n) EXPECT_TRUE(dialog_->IsBold(IDC_BLOCK_FIRST + n)) << n;
  // The reset counts as applied to every block: closing asks.
  MessageRecorder no(AnswerAll(IDNO));
  Command(IDC_CLOSE);
  EXPECT_EQ(no.Calls().size(), 1u);
  EXPECT_TRUE(IsWindow(hwnd()));
}

TEST_F(MainWindowTest, SettingsWindowAppliedMarksItsBlockAndTakesResets) {
  InstallSampleDefinition();
  MessageRecorder messages(AnswerAll(IDYES));
  Open();
  Command(IDC_BLOCK_FIRST);  // 共通設定
  ParameterSettingsWindow& window = dialog_->settings_window(1);
  ASSERT_TRUE(window.IsOpen());
  EXPECT_FALSE(Enabled(IDC_BLOCK_FIRST));
  HWND first_edit = GetDlgItem(window.PageWindow(0), 11000);  // 装置番号, initially 1
  ASSERT_NE(first_edit, nullptr);
  SetWindowTextW(first_edit, L"42");
  Pump();

  // An edit not yet applied: the definition update wants every window closed first, and a
  // save asks before it goes on (no: nothing is asked of the file dialog).
  Command(IDC_DEFINITION_UPDATE);
  ASSERT_EQ(messages.Calls().size(), 1u);
  EXPECT_EQ(messages.Calls()[0].text, "パラメータ設定ウィンドウを全て閉じて下さい。");
  EXPECT_EQ(messages.Calls()[0].icon, static_cast<UINT>(MB_ICONINFORMATION));
  {
    MessageRecorder no(AnswerAll(IDNO));
    Command(IDC_FILE_SAVE);
    ASSERT_EQ(no.Calls().size(), 1u);
    EXPECT_EQ(no.Calls()[0].caption, "ファイル保存確認");
  }

  SendMessageW(window.hwnd(), WM_COMMAND, MAKEWPARAM(3007, BN_CLICKED), 0);  // 適用
  const ParameterImage& image = dialog_->state().image();
  EXPECT_EQ(image.Block(1).bytes[0], 42);

  // Reset all reloads the open window from the initial values.
  Command(IDC_RESET_ALL);
  EXPECT_EQ(image.Block(1).bytes[0], 1);
  EXPECT_EQ(GetWindowTextA932(first_edit), "1");

  // Closing the window gives its button back, bold for the applied change.
  SendMessageW(window.hwnd(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(PumpUntil([&] { return !window.IsOpen(); }));
  EXPECT_TRUE(Enabled(IDC_BLOCK_FIRST));
  EXPECT_TRUE(dialog_->IsBold(IDC_BLOCK_FIRST));
}

TEST_F(MainWindowTest, SelectAllAndSameBoard) {
  InstallSampleDefinition();
  Open();
  Command(IDC_SELECT_ALL);
  EXPECT_EQ(dialog_->channel_list().SelectedRows().size(), 60u);
  Select({});
  ListView_SetItemState(dialog_->channel_list().hwnd(), 3, LVIS_FOCUSED, LVIS_FOCUSED);
  Command(IDC_SELECT_SAME_BOARD);  // no device: every row shares "no board"
  EXPECT_EQ(dialog_->channel_list().SelectedRows().size(), 60u);
}

TEST_F(MainWindowTest, SystemMenuTogglesAutoReadAtOnceAndReportsAMissingHelpFile) {
  InstallSampleDefinition();
  MessageRecorder messages;
  Open();
  EXPECT_TRUE(dialog_->auto_read());
  EXPECT_EQ(Settings("OrvexSetTest").GetInt("AutoRead", 7), 1);  // written back when missing
  HMENU menu = GetSystemMenu(hwnd(), FALSE);
  EXPECT_EQ(GetMenuState(menu, IDM_AUTO_READ, MF_BYCOMMAND) & MF_CHECKED, static_cast<UINT>(MF_CHECKED));
  SendMessageW(hwnd(), WM_SYSCOMMAND, IDM_AUTO_READ, 0);
  EXPECT_EQ(Settings("OrvexSetTest").GetInt("AutoRead", 7), 0);
  EXPECT_EQ(GetMenuState(menu, IDM_AUTO_READ, MF_BYCOMMAND) & MF_CHECKED, 0u);
  SendMessageW(hwnd(), WM_SYSCOMMAND, IDM_AUTO_READ, 0);
  EXPECT_EQ(Settings("OrvexSetTest").GetInt("AutoRead", 7), 1);

  SendMessageW(hwnd(), WM_SYSCOMMAND, IDM_HELP, 0);
  ASSERT_EQ(messages.Calls().size(), 1u);
  EXPECT_EQ(messages.Calls()[0].text,
            "ヘルプファイルが見つからないか、もしくは壊れています。\n\n" + folder_.Path() + "OrvexSet.chm");
}

TEST_F(MainWindowTest, SaveWritesTheWorkingImageAndClearsTheMarks) {
  InstallSampleDefinition();
  MessageRecorder messages;
  Open();
  Select({59});
  Command(IDC_LETTER_FIRST + 3);  // channel 60 to block 4 ("Ｃ")
  const std::string target = folder_.Path() + "saved.prg";
  {
    FileDialogAnswer answer(hwnd(), target);
    Command(IDC_FILE_SAVE);
    EXPECT_TRUE(answer.answered());
  }
  ASSERT_EQ(messages.Calls().size(), 1u);
  EXPECT_EQ(messages.Calls()[0].caption, "ファイル保存結果");
  EXPECT_EQ(messages.Calls()[0].text, "パラメータ設定データは正常にファイル出力されました。");
  // Byte for byte the initial-value file, except channel 60's byte and the checksum.
  std::string expected = InitialSaveFile();
  expected[32 + 59] = 3;
  const uint16_t checksum = FileChecksum(reinterpret_cast<const uint8_t*>(expected.data()), expected.size());
  expected[8] = static_cast<char>(checksum & 0xFF);
  expected[9] = static_cast<char>(checksum >> 8);
  EXPECT_EQ(ReadAll(target), expected);
  EXPECT_EQ(Settings("OrvexSetTest").GetText("PrgPath"), target);
  EXPECT_FALSE(dialog_->IsBold(IDC_LETTER_FIRST + 3));
  Command(IDC_CLOSE);  // saved: nothing pending
  EXPECT_EQ(dialog_->hwnd(), nullptr);
}

TEST_F(MainWindowTest, SaveOntoAReadOnlyFileIsRefused) {
  InstallSampleDefinition();
  MessageRecorder messages;
  Open();
  const std::string target = folder_.Path() + "locked.prg";
  ASSERT_TRUE(WriteAll(target, "old"));
  SetFileAttributesW(ToWide(target).c_str(), FILE_ATTRIBUTE_READONLY);
  {
    FileDialogAnswer answer(hwnd(), target);
    Command(IDC_FILE_SAVE);
  }
  ASSERT_EQ(messages.Calls().size(), 1u);
  EXPECT_EQ(messages.Calls()[0].text,
            "このファイルは読み取り専用属性が設定されているため、上書き保存できません。\n\n" + target);
  EXPECT_EQ(ReadAll(target), "old");
}

TEST_F(MainWindowTest, LoadTakesTheFileOverAndRefusesOtherFiles) {
  InstallSampleDefinition();
  MessageRecorder messages(AnswerAll(IDYES));
  Open();
  std::string file = InitialSaveFile();
  file[32 + 10] = 4;  // channel 11 in block 5
  file[16] = 0x34;    // another version
  file[17] = 0x12;
  const uint16_t checksum = FileChecksum(reinterpret_cast<const uint8_t*>(file.data()), file.size());
  file[8] = static_cast<char>(checksum & 0xFF);
  file[9] = static_cast<char>(checksum >> 8);
  const std::string path = folder_.Path() + "other.prg";
  ASSERT_TRUE(WriteAll(path, file));
  {
    FileDialogAnswer answer(hwnd(), path);
    Command(IDC_FILE_LOAD);
  }
  ASSERT_EQ(messages.Calls().size(), 1u);
  EXPECT_EQ(messages.Calls()[0].text,
            "パラメータ設定データは正常にファイル入力されました。\n\nパラメータ・バージョン番号 : 1234");
  EXPECT_EQ(Row(10).substr(0, 2), "Ｄ");

  // A file with a broken checksum changes nothing.
  file[32 + 11] = 4;
  const std::string broken = folder_.Path() + "broken.prg";
  ASSERT_TRUE(WriteAll(broken, file));
  {
    FileDialogAnswer answer(hwnd(), broken);
    Command(IDC_FILE_LOAD);
  }
  ASSERT_EQ(messages.Calls().size(), 2u);
  EXPECT_EQ(messages.Calls()[1].text,
            "指定のファイル形式は、パラメータ設定データ用ではありません。\n\n処理を中断します。");
  EXPECT_EQ(Row(11).substr(0, 2), "Ａ");
}

TEST_F(MainWindowTest, DefinitionUpdateKeepsTheCurrentOneWhenTheNewHasNoValidItem) {
  InstallSampleDefinition();
  MessageRecorder messages(AnswerAll(IDYES));
  Open();
  const std::string title = Title();
  const std::string empty = folder_.Path() + "empty.txt";
  ASSERT_TRUE(WriteAll(empty, "[TITLE] 空\r\n[VER] 2000\r\n[CMDB1] x, PAR1, 1\r\n[PAR1]\r\n[TAG] t\r\n0000, a, XYZ, 1\r\n"));
  {
    FileDialogAnswer answer(hwnd(), empty);
    Command(IDC_DEFINITION_UPDATE);
  }
  ASSERT_EQ(messages.Calls().size(), 1u);
  EXPECT_EQ(messages.Calls()[0].text, "パラメータ定義ファイルの更新に失敗しました。（有効パラメータ項目無）");
  EXPECT_EQ(Title(), title);
  EXPECT_EQ(Text(IDC_BLOCK_FIRST + 1), "ｱﾅﾛｸﾞ局線(&A)");
  EXPECT_EQ(Settings("OrvexSetTest").GetText("DefPath"), empty);
  EXPECT_FALSE(Exists(folder_.Path() + "Cti_par.old"));
}

TEST_F(MainWindowTest, DefinitionUpdateStoredIsInstalledWithABackup) {
  InstallSampleDefinition();
  MessageRecorder messages(AnswerAll(IDYES));
  Open();
  const std::string newer = folder_.Path() + "newer.txt";
  const std::string text = "[TITLE] 新定義\r\n[VER] 2001\r\n[CMDB2] 新局線, PAR2, 1\r\n[PAR2]\r\n[TAG] t\r\n0000, a, BNR, 1, , 5\r\n";
  ASSERT_TRUE(WriteAll(newer, text));
  {
    FileDialogAnswer answer(hwnd(), newer);
    Command(IDC_DEFINITION_UPDATE);
  }
  ASSERT_EQ(messages.Calls().size(), 1u);
  EXPECT_EQ(messages.Calls()[0].caption, "定義ファイル更新確認");
  EXPECT_EQ(messages.Calls()[0].buttons, static_cast<UINT>(MB_YESNOCANCEL));
  EXPECT_EQ(Title(), "Orvex - 新定義 <2001-0000-0000>");
  EXPECT_EQ(Text(IDC_BLOCK_FIRST + 1), "新局線(&A)");
  EXPECT_FALSE(Enabled(IDC_BLOCK_FIRST));  // block 1 has no table now
  EXPECT_EQ(ReadAll(folder_.Path() + "Cti_par.txt"), text);
  EXPECT_EQ(ReadAll(folder_.Path() + "Cti_par.old"), SampleDefinitionBytes());
}

TEST_F(MainWindowTest, DefinitionUpdateOfTheInstalledFileItselfCopiesNothing) {
  InstallSampleDefinition();
  MessageRecorder messages(AnswerAll(IDYES));
  Open();
  const std::string same = folder_.Path() + "CTI_PAR.TXT";  // the installed file in other letters
  {
    FileDialogAnswer answer(hwnd(), same);
    Command(IDC_DEFINITION_UPDATE);
  }
  ASSERT_EQ(messages.Calls().size(), 1u);
  EXPECT_EQ(messages.Calls()[0].caption, "定義ファイル更新確認");
  EXPECT_FALSE(Exists(folder_.Path() + "Cti_par.old"));
  EXPECT_EQ(ReadAll(folder_.Path() + "Cti_par.txt"), SampleDefinitionBytes());
}

TEST_F(MainWindowTest, AboutBoxNamesTheDefinitionInUse) {
  InstallSampleDefinition();
  Open();
  std::string title, definition;
  {
    Answer answer("バージョン情報", [&](HWND box) {
      title = GetDlgItemTextA932(box, 1000);
      definition = GetDlgItemTextA932(box, 1007);
      PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    SendMessageW(hwnd(), WM_SYSCOMMAND, IDM_ABOUT, 0);
  }
  EXPECT_EQ(title, "Orvex CTIアダプタ 標準パラメータ");
  EXPECT_EQ(definition, folder_.Path() + "Cti_par.txt");
}

TEST_F(MainWindowTest, DefinitionUpdateForThisRunOnlyCopiesNothing) {
  InstallSampleDefinition();
  MessageRecorder messages(AnswerAll(IDNO));
  Open();
  const std::string newer = folder_.Path() + "newer.txt";
  ASSERT_TRUE(WriteAll(newer, "[TITLE] 今回\r\n[VER] 2002\r\n[CMDB2] a, PAR2, 1\r\n[PAR2]\r\n[TAG] t\r\n0000, a, BNR, 1, , 5\r\n"));
  {
    FileDialogAnswer answer(hwnd(), newer);
    Command(IDC_DEFINITION_UPDATE);
  }
  EXPECT_EQ(Title(), "Orvex - 今回 <2002-0000-0000>");
  EXPECT_EQ(ReadAll(folder_.Path() + "Cti_par.txt"), SampleDefinitionBytes());
  EXPECT_FALSE(Exists(folder_.Path() + "Cti_par.old"));
}

// ---- Unattended runs ------------------------------------------------------------------------------

struct Report {
  WPARAM code;
  LPARAM value;
  std::string text;
};
std::vector<Report>* reports = nullptr;
const char* report_buffer = nullptr;

LRESULT CALLBACK ReportWindow(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == 0x8102 && reports != nullptr) {
    reports->push_back({wparam, lparam, report_buffer ? std::string(report_buffer) : std::string()});
    return 0;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

// A parent as the automatic update tool is: a window for the report message and an inheritable
// 1024-byte report buffer.
class ReportParent {
 public:
  ReportParent() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = ReportWindow;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"OrvexSetTestParent";
    RegisterClassW(&wc);
    window_ = CreateWindowExW(0, wc.lpszClassName, L"parent", 0, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
    mapping_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 1024, nullptr);
    view_ = static_cast<char*>(MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, 0));
    reports = &received;
    report_buffer = view_;
  }
  ~ReportParent() {
    reports = nullptr;
    report_buffer = nullptr;
    UnmapViewOfFile(view_);
    CloseHandle(mapping_);
    DestroyWindow(window_);
  }
  std::vector<std::string> Arguments() const {
    char w[32], m[32];
    std::snprintf(w, sizeof w, "%llX", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window_)));
    std::snprintf(m, sizeof m, "%llX", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(mapping_)));
    return {"/w", w, "8102", m, "400"};
  }
  std::vector<Report> received;

 private:
  HWND window_ = nullptr;
  HANDLE mapping_ = nullptr;
  char* view_ = nullptr;
};

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(MainWindowTest, TestFailureOptionSendsExactlyOneReport) {
  ReportParent parent;
  const std::string handoff = folder_.Path() + "AutoPara.def";
  ASSERT_TRUE(WriteAll(handoff, "0\r\n60,1,0\r\n|\r\n" + folder_.Path() + "\r\nMCPARA.prg\r\n" + folder_.Path() +
                                    "Cti_par.txt\r\n"));
  MessageRecorder messages;
  Open(Join({"/a", handoff}, Join(parent.Arguments(), {"/e", "7"})));
  ASSERT_EQ(parent.received.size(), 1u);
  EXPECT_EQ(parent.received[0].code, 3u);
  EXPECT_EQ(parent.received[0].value, 7);
  EXPECT_EQ(parent.received[0].text, "デバッグ自動更新失敗終了(7)");
  EXPECT_EQ(dialog_->hwnd(), nullptr);  // ended at once
  EXPECT_TRUE(messages.Calls().empty());
}

TEST_F(MainWindowTest, UnreadableHandOffFileEndsTheAutomaticRunWithItsReason) {
  ReportParent parent;
  MessageRecorder messages;
  Open(Join({"/a", folder_.Path() + "missing.def"}, parent.Arguments()));
  ASSERT_EQ(parent.received.size(), 1u);
  EXPECT_EQ(parent.received[0].code, 2u);
  // The buffer is mapped before the file is read, so the reason arrives with the report.
  EXPECT_EQ(parent.received[0].text.rfind("自動更新定義ファイルがオープンできません。", 0), 0u);
  EXPECT_EQ(dialog_->hwnd(), nullptr);
}

TEST_F(MainWindowTest, AutomaticRunGivesUpWaitingForTheDevice) {
  ReportParent parent;
  const std::string handoff = folder_.Path() + "AutoPara.def";
  ASSERT_TRUE(WriteAll(handoff, "0\r\n1,1,0\r\n|\r\n" + folder_.Path() + "\r\nMCPARA.prg\r\n" + folder_.Path() +
                                    "Cti_par.txt\r\n"));
  MessageRecorder messages;
  Open(Join({"/a", handoff}, parent.Arguments()));
  ASSERT_NE(dialog_->hwnd(), nullptr);
  EXPECT_FALSE(IsWindowEnabled(hwnd()));  // unattended: the user keeps out
  EXPECT_NE(Title().find("  <自動>"), std::string::npos);
  EXPECT_EQ(dialog_->context().report_value, -1);
  ASSERT_TRUE(PumpUntil([&] { return dialog_->hwnd() == nullptr; }, 10000));
  ASSERT_EQ(parent.received.size(), 1u);
  EXPECT_EQ(parent.received[0].code, 256u);
  EXPECT_EQ(parent.received[0].value, -1);
  EXPECT_EQ(parent.received[0].text, "デバイス接続待機時間オーバー(1秒)");
}

TEST_F(MainWindowTest, FileModesEndAtOnceWithoutADevice) {
  MessageRecorder messages;
  Open({"/s", folder_.Path() + "out.prg"});
  EXPECT_EQ(dialog_->hwnd(), nullptr);
  EXPECT_EQ(dialog_->context().exit_code, kExitNoDevice);
  auto message = FinalMessageFor(dialog_->context());
  ASSERT_TRUE(message);
  EXPECT_EQ(message->text, "デバイスが接続されていません。");
  EXPECT_EQ(message->caption, "パラメータ読込");
  EXPECT_TRUE(messages.Calls().empty());
  EXPECT_FALSE(Exists(folder_.Path() + "out.prg"));

  // Without a value /s leaves the run interactive.
  InstallSampleDefinition();
  Open({"/s"});
  EXPECT_NE(dialog_->hwnd(), nullptr);
  EXPECT_TRUE(IsWindowEnabled(hwnd()));
}

}  // namespace
}  // namespace orvex::test
