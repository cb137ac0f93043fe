// The UI driver against a real program of our own under Wine: every operation is checked against
// what the sample program noticed (its log) and showed.
#include <gtest/gtest.h>

#include "HandoffFileIo.h"
#include "ProgramFolder.h"
#include "UiDriver.h"
#include "UiSampleIds.h"
#include "Wide.h"

using namespace orvex;
using namespace orvex::uidriver;

namespace {

constexpr DWORD kWindowMs = 30000;  // Wine may start slowly on a busy machine
const char kCaption[] = "UIドライバ サンプル";

class SampleTest : public ::testing::Test {
 protected:
  void SetUp() override { program_ = folder_.AddProgram("tools/uidriver/uidriver_sample.exe"); }

  // Starts the sample with its log in the scratch folder and waits for its window.
  void StartSample(const std::string& more = "") {
    std::string error;
    app_ = DrivenProcess::Start(program_, "/log \"" + folder_.PathOf("log.txt") + "\" " + more, {}, {}, false,
                                &error);
    ASSERT_TRUE(app_) << error;
    auto window = WaitWindow(kCaption, app_->pid(), kWindowMs);
    ASSERT_TRUE(window) << DescribeProcess(app_->pid());
    main_ = *window;
    ASSERT_TRUE(WaitLog("ready"));
  }

  std::string Log() const { return folder_.Read("log.txt"); }
  // Whether the log holds the line; the program may still be writing it.
  bool WaitLog(const std::string& line, DWORD timeout_ms = 10000) const {
    const ULONGLONG end = GetTickCount64() + timeout_ms;
    while (("\n" + Log()).find("\n" + line + "\n") == std::string::npos) {
      if (GetTickCount64() >= end) {
        ADD_FAILURE() << "the sample never logged \"" << line << "\"; log:\n" << Log();
        return false;
      }
      Sleep(10);
    }
    return true;
  }
  bool Logged(const std::string& line) const {
    return ("\n" + Log()).find("\n" + line + "\n") != std::string::npos;
  }

  ProgramFolder folder_;
  std::string program_;
  std::optional<DrivenProcess> app_;
  Window main_;
};

}  // namespace

TEST_F(SampleTest, ReadsEveryControl) {
  StartSample();
  EXPECT_EQ(main_.Caption(), kCaption);
  EXPECT_EQ(main_.ClassName(), "#32770");
  ScreenRect rect = main_.Rect();
  EXPECT_GT(rect.Width(), 300);
  EXPECT_GT(rect.Height(), 200);

  auto run = main_.Control(IDC_UI_RUN);
  ASSERT_TRUE(run);
  EXPECT_EQ(run->class_name, "Button");
  EXPECT_EQ(run->text, "実行(&R)");
  EXPECT_TRUE(run->enabled);
  EXPECT_EQ(run->checked, -1);
  EXPECT_EQ(run->depth, 1);
  EXPECT_FALSE(main_.IsEnabled(IDC_UI_DISABLED));
  EXPECT_EQ(main_.CheckState(IDC_UI_CHECK), BST_UNCHECKED);
  EXPECT_FALSE(main_.CheckState(IDC_UI_RUN).has_value());
  EXPECT_EQ(main_.Text(IDC_UI_STATUS), "待機中");
  EXPECT_FALSE(main_.Control(4711).has_value());

  // The list view with its columns and rows, the combo box and the tab control.
  EXPECT_EQ(main_.ListColumns(IDC_UI_LIST), (std::vector<std::string>{"番号", "名前", "状態"}));
  auto rows = main_.ListRows(IDC_UI_LIST);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"1", "ｱﾅﾛｸﾞ局線", "接続"}));
  EXPECT_EQ(rows[3], (std::vector<std::string>{"4", "INS1500", "エラー"}));
  EXPECT_EQ(main_.ItemCount(IDC_UI_LIST), 4);
  EXPECT_TRUE(main_.SelectedRows(IDC_UI_LIST).empty());
  EXPECT_EQ(main_.ComboEntries(IDC_UI_COMBO), (std::vector<std::string>{"読み込み", "書き込み", "リセット"}));
  EXPECT_EQ(main_.ComboSelection(IDC_UI_COMBO), -1);
  EXPECT_EQ(main_.TabTitles(IDC_UI_TAB), (std::vector<std::string>{"基本", "詳細"}));
  EXPECT_EQ(main_.SelectedTab(IDC_UI_TAB), 0);

  // Controls on the tab pages are found too; of two with one id the visible one counts.
  auto page_check = main_.Control(IDC_UI_PAGE1_CHECK);
  ASSERT_TRUE(page_check);
  EXPECT_EQ(page_check->depth, 2);
  EXPECT_EQ(main_.Text(IDC_UI_PAGE_LABEL), "ページ1の設定");
  EXPECT_FALSE(main_.IsVisible(IDC_UI_PAGE2_BUTTON));
  std::vector<ControlRecord> all = main_.Controls();
  EXPECT_EQ(
      std::count_if(all.begin(), all.end(), [](const ControlRecord& c) { return c.id == IDC_UI_PAGE_LABEL; }),
      2);
  auto list =
      std::find_if(all.begin(), all.end(), [](const ControlRecord& c) { return c.id == IDC_UI_LIST; });
  ASSERT_NE(list, all.end());
  EXPECT_EQ(list->rows.size(), 4u);

  std::string dump = DescribeProcess(app_->pid());
  EXPECT_NE(dump.find("[1014] SysListView32"), std::string::npos) << dump;
  EXPECT_NE(dump.find("\"ｱﾅﾛｸﾞ局線\""), std::string::npos) << dump;
  EXPECT_NE(dump.find("[1008] Button \"使用不可\" disabled"), std::string::npos) << dump;
  ASSERT_EQ(Windows(app_->pid()).size(), 1u);
  EXPECT_EQ(Windows(app_->pid())[0].caption, kCaption);
}

// The shipped programs are 32-bit, the driver may be 64-bit (and the other way round): list and
// tab texts come through structures laid out for the target's bitness.
TEST_F(SampleTest, ReadsAProgramOfTheOtherBitness) {
  const char* variable = sizeof(void*) == 8 ? "ORVEX_WIN32_BINARY_DIR" : "ORVEX_WIN64_BINARY_DIR";
  std::string other = OtherBuildPath("tools/uidriver/uidriver_sample.exe");
  if (other.empty()) GTEST_SKIP() << variable << " names no build tree of the other bitness";
  if (GetFileAttributesW(ToWide(other).c_str()) == INVALID_FILE_ATTRIBUTES) GTEST_SKIP() << "no " << other;
  program_ = folder_.AddFile(other, "uidriver_sample_other.exe");
  ASSERT_FALSE(program_.empty());
  StartSample();
  BOOL ours = FALSE, theirs = FALSE;
  ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &ours) && IsWow64Process(app_->handle(), &theirs));
  ASSERT_NE(ours, theirs) << other << " has the driver's own bitness";

  std::string why;
  EXPECT_EQ(main_.ListColumns(IDC_UI_LIST, &why), (std::vector<std::string>{"番号", "名前", "状態"})) << why;
  auto rows = main_.ListRows(IDC_UI_LIST, &why);
  ASSERT_EQ(rows.size(), 4u) << why;
  EXPECT_EQ(rows[1], (std::vector<std::string>{"2", "INS64", "未接続"}));
  EXPECT_EQ(rows[3], (std::vector<std::string>{"4", "INS1500", "エラー"}));
  EXPECT_EQ(main_.TabTitles(IDC_UI_TAB, &why), (std::vector<std::string>{"基本", "詳細"})) << why;
  EXPECT_EQ(why, "");
  std::string dump = DescribeProcess(app_->pid());
  EXPECT_NE(dump.find("2: \"3\" \"ｱﾅﾛｸﾞ内線\" \"接続\""), std::string::npos) << dump;
  EXPECT_NE(dump.find("1: \"詳細\""), std::string::npos) << dump;
  EXPECT_EQ(dump.find("contents not read"), std::string::npos) << dump;

  // Selecting places an LVITEM there, a double click a RECT.
  ASSERT_TRUE(main_.SelectRow(IDC_UI_LIST, 2));
  EXPECT_TRUE(WaitLog("row 2 selected"));
  EXPECT_EQ(main_.SelectedRows(IDC_UI_LIST), std::vector<int>{2});
  ASSERT_TRUE(main_.DoubleClickRow(IDC_UI_LIST, 1));
  EXPECT_TRUE(WaitLog("row 1 double-click"));
}

TEST_F(SampleTest, ClicksChecksAndTypes) {
  StartSample();
  ASSERT_TRUE(main_.Click(IDC_UI_RUN));
  EXPECT_TRUE(Logged("run"));  // handled before Click returned
  EXPECT_EQ(main_.Text(IDC_UI_STATUS), "実行しました");
  // What a technician cannot press is not pressed.
  EXPECT_FALSE(main_.Click(IDC_UI_DISABLED));
  EXPECT_FALSE(main_.Click(4711));

  ASSERT_TRUE(main_.Check(IDC_UI_CHECK, true));
  EXPECT_TRUE(WaitLog("check on"));
  EXPECT_TRUE(main_.IsChecked(IDC_UI_CHECK));
  ASSERT_TRUE(main_.Check(IDC_UI_CHECK, true));  // already so: no second click
  ASSERT_TRUE(main_.Check(IDC_UI_CHECK, false));
  EXPECT_TRUE(WaitLog("check off"));
  ASSERT_TRUE(main_.Check(IDC_UI_RADIO_B, true));
  EXPECT_TRUE(WaitLog("radio b"));
  EXPECT_FALSE(main_.Check(IDC_UI_RADIO_B, false));  // a radio button is not clicked off
  ASSERT_TRUE(main_.Check(IDC_UI_RADIO_A, true));
  EXPECT_EQ(main_.CheckState(IDC_UI_RADIO_B), BST_UNCHECKED);

  ASSERT_TRUE(main_.SetEditText(IDC_UI_NAME, "ｱﾅﾛｸﾞ局線 表示"));
  EXPECT_TRUE(WaitLog("name ｱﾅﾛｸﾞ局線 表示"));
  EXPECT_EQ(main_.Text(IDC_UI_NAME), "ｱﾅﾛｸﾞ局線 表示");
  // Typed characters pass the program's own filter.
  ASSERT_TRUE(main_.TypeChars(IDC_UI_DIGITS, "12a3"));
  EXPECT_TRUE(WaitLog("filtered a"));
  EXPECT_TRUE(WaitLog("digits 123"));
  EXPECT_EQ(main_.Text(IDC_UI_DIGITS), "123");
  // As when tabbing into a field: its text is selected, and typing replaces it.
  ASSERT_TRUE(main_.TypeChars(IDC_UI_NAME, "局"));
  EXPECT_EQ(main_.Text(IDC_UI_NAME), "局");
}

TEST_F(SampleTest, PicksRowsEntriesTabsAndMenuCommands) {
  StartSample();
  ASSERT_TRUE(main_.SelectRow(IDC_UI_LIST, 2));
  EXPECT_TRUE(WaitLog("row 2 selected"));
  EXPECT_EQ(main_.SelectedRows(IDC_UI_LIST), std::vector<int>{2});
  ASSERT_TRUE(main_.SelectRow(IDC_UI_LIST, 0));
  EXPECT_EQ(main_.SelectedRows(IDC_UI_LIST), std::vector<int>{0});  // one row at a time, as a click
  EXPECT_FALSE(main_.SelectRow(IDC_UI_LIST, 4));
  ASSERT_TRUE(main_.DoubleClickRow(IDC_UI_LIST, 1));
  EXPECT_TRUE(WaitLog("row 1 double-click"));

  ASSERT_TRUE(main_.SelectCombo(IDC_UI_COMBO, 1));
  EXPECT_TRUE(WaitLog("combo 1 書き込み"));
  EXPECT_EQ(main_.ComboSelection(IDC_UI_COMBO), 1);
  EXPECT_FALSE(main_.SelectCombo(IDC_UI_COMBO, 3));

  ASSERT_TRUE(main_.SelectTab(IDC_UI_TAB, 1));
  EXPECT_TRUE(WaitLog("tab 1"));
  EXPECT_EQ(main_.SelectedTab(IDC_UI_TAB), 1);
  EXPECT_EQ(main_.Text(IDC_UI_PAGE_LABEL), "ページ2の設定");
  ASSERT_TRUE(main_.Click(IDC_UI_PAGE2_BUTTON));
  EXPECT_TRUE(WaitLog("page2 button"));
  EXPECT_FALSE(main_.SelectTab(IDC_UI_TAB, 2));
  ASSERT_TRUE(main_.SelectTab(IDC_UI_TAB, 0));
  ASSERT_TRUE(main_.Check(IDC_UI_PAGE1_CHECK, true));
  EXPECT_TRUE(WaitLog("page1 check on"));

  ASSERT_TRUE(main_.Command(IDM_UI_SAVE));
  EXPECT_TRUE(WaitLog("menu save"));
  ASSERT_TRUE(main_.SysCommand(IDM_UI_SYS_ABOUT));
  EXPECT_TRUE(WaitLog("system about"));
  ASSERT_TRUE(main_.Command(IDM_UI_EXIT));
  EXPECT_EQ(app_->WaitExit(kWindowMs), std::optional<DWORD>(0));
}

TEST_F(SampleTest, MessageBoxesAreReadAndAnswered) {
  StartSample();
  ASSERT_TRUE(main_.Click(IDC_UI_QUESTION));  // returns while the box waits
  auto box = WaitMessageBox(app_->pid(), kWindowMs);
  ASSERT_TRUE(box) << DescribeProcess(app_->pid());
  EXPECT_EQ(box->caption, "保存確認");
  EXPECT_EQ(box->text, "設定を保存しますか？");
  EXPECT_EQ(box->icon, MessageIcon::kQuestion);
  ASSERT_EQ(box->buttons.size(), 2u);
  EXPECT_EQ(box->buttons[0].id, IDYES);
  EXPECT_EQ(box->buttons[0].text, "はい(&Y)");
  EXPECT_EQ(box->buttons[1].id, IDNO);
  // While the box is up, the window behind it takes no clicks, and a button the box lacks is
  // not pressed.
  EXPECT_FALSE(main_.Click(IDC_UI_RUN));
  EXPECT_FALSE(box->Answer(IDOK));
  ASSERT_TRUE(box->Answer(IDNO));
  EXPECT_FALSE(box->window.IsVisible());
  EXPECT_TRUE(WaitLog("question no"));
  EXPECT_FALSE(Logged("run"));

  ASSERT_TRUE(main_.Click(IDC_UI_QUESTION));
  box = WaitMessageBox(app_->pid(), kWindowMs, std::string("保存確認"));
  ASSERT_TRUE(box);
  ASSERT_TRUE(box->Answer(IDYES));
  EXPECT_TRUE(WaitLog("question yes"));

  ASSERT_TRUE(main_.Click(IDC_UI_FAILURE));
  box = WaitMessageBox(app_->pid(), kWindowMs);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->caption, kCaption);
  EXPECT_EQ(box->text, "ファイルを開けません。\n\nErr = 2 : 指定されたファイルが見つかりません。");
  EXPECT_EQ(box->icon, MessageIcon::kExclamation);
  ASSERT_EQ(box->buttons.size(), 1u);
  // The box carries the program's caption, but a wait for the window finds the window.
  auto window = WaitWindow(kCaption, app_->pid(), kWindowMs);
  ASSERT_TRUE(window);
  EXPECT_EQ(window->hwnd(), main_.hwnd());
  ASSERT_TRUE(box->Answer(IDOK));
  EXPECT_TRUE(WaitLog("failure shown"));

  ASSERT_TRUE(main_.Click(IDC_UI_SUCCESS));
  box = WaitMessageBox(app_->pid(), kWindowMs);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->icon, MessageIcon::kInformation);
  EXPECT_EQ(box->text, "保存しました。");
  ASSERT_TRUE(box->Answer(IDOK));
  EXPECT_TRUE(WaitLog("success shown"));
  // The main window is no message box, and none is left.
  EXPECT_FALSE(ReadMessageBox(main_.hwnd()).has_value());
  EXPECT_FALSE(WaitMessageBox(app_->pid(), 200).has_value());
}

TEST_F(SampleTest, ModalDialogAndFullExitCode) {
  StartSample();
  ASSERT_TRUE(main_.Click(IDC_UI_DETAIL));
  auto detail = WaitWindow("詳細", app_->pid(), kWindowMs, Match::kPrefix);
  ASSERT_TRUE(detail) << DescribeProcess(app_->pid());
  EXPECT_EQ(detail->Caption(), "詳細設定");
  EXPECT_FALSE(main_.IsEnabled());
  ASSERT_TRUE(detail->SetEditText(IDC_UI_DETAIL_EDIT, "メモ 1"));
  ASSERT_TRUE(detail->Click(IDOK));
  EXPECT_TRUE(WaitLog("detail ok メモ 1"));
  EXPECT_TRUE(detail->WaitGone(kWindowMs));
  EXPECT_EQ(main_.Text(IDC_UI_NOTE), "メモ 1");

  ASSERT_TRUE(main_.Click(IDC_UI_DETAIL));
  detail = WaitWindow("詳細設定", app_->pid(), kWindowMs);
  ASSERT_TRUE(detail);
  ASSERT_TRUE(detail->Close());
  EXPECT_TRUE(WaitLog("detail cancel"));

  EXPECT_FALSE(app_->WaitExit(0).has_value());
  ASSERT_TRUE(main_.Click(IDC_UI_EXIT257));
  EXPECT_EQ(app_->WaitExit(kWindowMs), std::optional<DWORD>(257));
}

TEST_F(SampleTest, StartsWithFolderAndEnvironment) {
  SimFolder adapter;  // names itself in ORVEX_SIM for the programs the test starts
  std::string run = folder_.Sub("run 1");
  std::string error;
  auto app = DrivenProcess::Start(program_, "/hang /log \"" + folder_.PathOf("log.txt") + "\"", run,
                                  {{"ORVEX_UI_ECHO", "値 1"}, {"orvex_sim", ""}}, false, &error);
  ASSERT_TRUE(app) << error;
  EXPECT_TRUE(WaitLog("hanging"));
  std::string cwd = run.substr(0, run.size() - 1);
  EXPECT_TRUE(Logged("cwd " + cwd)) << Log();
  EXPECT_TRUE(Logged("env ORVEX_UI_ECHO=値 1")) << Log();
  EXPECT_EQ(Log().find("env ORVEX_SIM"), std::string::npos) << Log();  // removed for this one

  folder_.Write("log.txt", "");
  app = DrivenProcess::Start(program_, "/hang /log \"" + folder_.PathOf("log.txt") + "\"", {}, {}, false,
                             &error);
  ASSERT_TRUE(app) << error;
  EXPECT_TRUE(WaitLog("hanging"));
  EXPECT_TRUE(Logged("env ORVEX_SIM=" + FromWide(adapter.Path()))) << Log();
  EXPECT_TRUE(Logged("cwd " + folder_.Path().substr(0, folder_.Path().size() - 1)))
      << Log();  // its own folder

  EXPECT_FALSE(DrivenProcess::Start(folder_.PathOf("missing.exe"), "", {}, {}, false, &error).has_value());
  EXPECT_NE(error.find("missing.exe"), std::string::npos) << error;
}

TEST_F(SampleTest, NothingOutlivesTheTest) {
  std::string error;
  UniqueHandle hung, spawned;
  {
    auto app = DrivenProcess::Start(program_, "/spawn /log \"" + folder_.PathOf("log.txt") + "\"", {}, {},
                                    false, &error);
    ASSERT_TRUE(app) << error;
    ASSERT_TRUE(WaitLog("ready"));
    std::string log = Log();
    size_t at = log.find("spawned ");
    ASSERT_NE(at, std::string::npos) << log;
    DWORD child = static_cast<DWORD>(std::stoul(log.substr(at + 8)));
    spawned.Reset(OpenProcess(SYNCHRONIZE, FALSE, child));
    ASSERT_TRUE(spawned) << "no process " << child;
    HANDLE own = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), app->handle(), GetCurrentProcess(), &own, SYNCHRONIZE,
                                FALSE, 0));
    hung.Reset(own);

    // Waits for what never comes give up within their limits.
    EXPECT_FALSE(WaitWindow("存在しない窓", app->pid(), 300).has_value());
    EXPECT_FALSE(WaitMessageBox(app->pid(), 300).has_value());
    EXPECT_FALSE(app->WaitExit(100).has_value());
    EXPECT_TRUE(app->Running());
  }
  // The program and the copy it started are gone with the object.
  EXPECT_EQ(WaitForSingleObject(hung.Get(), 10000), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(spawned.Get(), 10000), WAIT_OBJECT_0);
}

TEST(ReportParentTest, RecordsWhatAChildReports) {
  ProgramFolder folder;
  std::string child = folder.AddProgram("autoupdate/win/autoupdate_child_stub.exe", "OrvexFlash.exe");
  autoupdate::UpdateInfo info;
  info.prg_files = {"C:\\u\\Prg\\McCPU.prg"};
  autoupdate::HandoffFolders folders;
  folders.run_folder = folder.Sub("run 1");
  autoupdate::VersionUpdateStart start;
  start.stage = 3;
  start.resume_value = 0x5;
  autoupdate::HandoffWriteResult written = autoupdate::WriteAutoVerUpFile(info, folders, start);
  ASSERT_EQ(written.count, 1) << written.failure_text;

  ReportParent parent;
  ASSERT_TRUE(parent.Ready());
  parent.ClearText();
  std::string error;
  auto app = DrivenProcess::Start(child, "/a \"" + written.path + "\" /w " + parent.WindowArguments(), {}, {},
                                  true, &error);
  ASSERT_TRUE(app) << error;
  EXPECT_TRUE(parent.WaitReports(2, kWindowMs, &*app));
  EXPECT_EQ(app->WaitExit(kWindowMs), std::optional<DWORD>(0));
  auto reports = parent.Reports();
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0].code, 0u);
  EXPECT_EQ(reports[0].value, 3);
  EXPECT_EQ(reports[0].text, child);
  EXPECT_EQ(reports[0].resume, 0x5u);
  EXPECT_EQ(reports[1].code, 256u);
  EXPECT_EQ(reports[1].text.size(), 1019u);
  EXPECT_EQ(reports[1].resume, 0x20005u);
}
