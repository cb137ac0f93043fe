// OrvexSet.exe as a technician meets it, driven from outside by the UI driver in a program folder
// of its own and without an adapter: start-up and its files, a settings change saved to a file,
// the close question, a definition update that fails, the unattended runs' ends.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <shlobj.h>

#include <string>

#include "ProgramFolder.h"
#include "ProgramHeader.h"
#include "Settings.h"
#include "UiDriver.h"
#include "Wide.h"

namespace orvex {
namespace {

using uidriver::DrivenProcess;
using uidriver::Match;
using uidriver::MessageBoxInfo;
using uidriver::MessageIcon;
using uidriver::Window;
using uidriver::ProgramFolder;

constexpr DWORD kWaitMs = 20000;
constexpr char kMainCaption[] = "Orvex - ";
constexpr int kLetterB = 2203;
constexpr int kBlockCommon = 2100;
constexpr int kFileSave = 2003;
constexpr int kDefinitionUpdate = 2006;
constexpr int kChannelList = 2005;
constexpr int kFirstEdit = 11000;  // the settings window's first edit: 装置番号 of 共通設定
constexpr int kApply = 3007;
constexpr int kSettingsOk = 3005;

class OrvexSetEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = folder_.AddProgram("paramtool/app/win/OrvexSet.exe");
    ASSERT_FALSE(program_.empty());
    // What the runs rely on in the prefix's settings.
    Settings settings("OrvexSet");
    settings.SetInt("AutoRead", 1);
    settings.SetText("PrgPath", folder_.Path());
    settings.SetText("DefPath", folder_.Path());
  }

  void AddSampleDefinition() {
    ASSERT_FALSE(folder_.AddFile(uidriver::SourcePath("paramtool/model/Cti_par.txt")).empty());
  }

  std::optional<DrivenProcess> Start(const std::string& arguments = {}, bool inherit = false) {
    std::string error;
    auto app = DrivenProcess::Start(program_, arguments, folder_.Path(), {{"ORVEX_SIM", ""}}, inherit, &error);
    EXPECT_TRUE(app) << error;
    return app;
  }

  std::optional<Window> MainWindow(const DrivenProcess& app) {
    auto main = uidriver::WaitWindow(kMainCaption, app.pid(), kWaitMs, Match::kPrefix);
    EXPECT_TRUE(main) << uidriver::DescribeProcess(app.pid());
    return main;
  }

  // A dialog the main window opened (the system's file dialog, the about box): owned by it.
  std::optional<Window> OwnedDialog(const DrivenProcess& app, const Window& main) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < kWaitMs) {
      for (const auto& record : uidriver::Windows(app.pid())) {
        if (record.class_name == "#32770" && record.owner == reinterpret_cast<uintptr_t>(main.hwnd()))
          return Window(reinterpret_cast<HWND>(static_cast<uintptr_t>(record.handle)));
      }
      Sleep(100);
    }
    ADD_FAILURE() << "no dialog over the main window; on screen:\n" << uidriver::DescribeProcess(app.pid());
    return std::nullopt;
  }

  // Types the path into the file name field and presses OK.
  bool ChooseFile(const DrivenProcess& app, const Window& main, const std::string& path) {
    auto dialog = OwnedDialog(app, main);
    if (!dialog) return false;
    Sleep(300);  // the dialog fills its folder view after it shows; a click before is lost
    const int field = dialog->Item(1148) != nullptr ? 1148 : 1152;
    // OK as a command: the dialog's toolbar carries the id 1 as well.
    return dialog->SetEditText(field, path) && dialog->Command(IDOK);
  }

  std::optional<MessageBoxInfo> Box(const DrivenProcess& app) {
    auto box = uidriver::WaitMessageBox(app.pid(), kWaitMs);
    EXPECT_TRUE(box) << uidriver::DescribeProcess(app.pid());
    return box;
  }

  // Closes a window without pending changes and expects the process to end with 0.
  void CloseAndExit(DrivenProcess& app, const Window& main) {
    ASSERT_TRUE(main.Click(2000));
    EXPECT_EQ(app.WaitExit(kWaitMs), std::optional<DWORD>(0));
  }

  ProgramFolder folder_;
  std::string program_;
};

TEST_F(OrvexSetEndToEnd, StartsWithTheDefinitionVersionAndCreatesItsPathFile) {
  AddSampleDefinition();
  ASSERT_FALSE(folder_.Exists("OrvexSet.ini"));
  auto app = Start();
  ASSERT_TRUE(app);
  auto main = MainWindow(*app);
  ASSERT_TRUE(main);
  EXPECT_EQ(main->Caption(), "Orvex - Orvex CTIアダプタ 標準パラメータ <1003-0000-0000>");
  EXPECT_EQ(folder_.Read("OrvexSet.ini"), "Cti_par.txt\r\nMCPARA.prg\r\n");
  EXPECT_EQ(main->Text(2101), "ｱﾅﾛｸﾞ局線(&A)");
  EXPECT_FALSE(main->IsEnabled(2001));  // no adapter, nothing to write to
  auto rows = main->ListRows(kChannelList);
  ASSERT_EQ(rows.size(), 60u);
  EXPECT_EQ(rows[0][0], "Ａ            ");
  // The about box from the system menu: the program's own version resource.
  ASSERT_TRUE(main->SysCommand(0x10));
  // Looked for by its owner: with an icon and one OK button the driver takes it for a message box.
  auto about = OwnedDialog(*app, *main);
  ASSERT_TRUE(about);
  EXPECT_EQ(about->Caption(), "バージョン情報");
  EXPECT_EQ(about->Text(1001), "OrvexSet.exe Ver 1.1.2.0");
  EXPECT_EQ(about->Text(1000), "Orvex CTIアダプタ 標準パラメータ");
  ASSERT_TRUE(about->Click(IDOK));
  ASSERT_TRUE(about->WaitGone(kWaitMs));
  CloseAndExit(*app, *main);
}

TEST_F(OrvexSetEndToEnd, SettingsChangeAppliedAndSavedDiffersFromTheInitialFileOnlyThere) {
  AddSampleDefinition();
  // What the engineers' command line writes for the same definition.
  const std::string initial = folder_.PathOf("initial.prg");
  {
    std::string error;
    auto orvex = DrivenProcess::Start(uidriver::BuildPath("tools/orvex.exe"),
                                      "def new \"" + folder_.PathOf("Cti_par.txt") + "\" -o \"" + initial + "\"",
                                      folder_.Path(), {}, false, &error);
    ASSERT_TRUE(orvex) << error;
    ASSERT_EQ(orvex->WaitExit(kWaitMs), std::optional<DWORD>(0));
  }
  auto app = Start();
  ASSERT_TRUE(app);
  auto main = MainWindow(*app);
  ASSERT_TRUE(main);
  ASSERT_TRUE(main->Click(kBlockCommon));
  auto settings = uidriver::WaitWindow("共通設定 - パラメータ設定", app->pid(), kWaitMs);
  ASSERT_TRUE(settings) << uidriver::DescribeProcess(app->pid());
  EXPECT_FALSE(main->IsEnabled(kBlockCommon));  // while its window is open
  EXPECT_EQ(settings->Text(kFirstEdit), "1");
  ASSERT_TRUE(settings->SetEditText(kFirstEdit, "42"));
  ASSERT_TRUE(settings->IsEnabled(kApply));
  ASSERT_TRUE(settings->Click(kApply));
  EXPECT_FALSE(settings->IsEnabled(kApply));
  EXPECT_FALSE(settings->IsEnabled(kSettingsOk));  // applied: nothing left to store
  ASSERT_TRUE(settings->Close());
  ASSERT_TRUE(settings->WaitGone(kWaitMs));
  EXPECT_TRUE(main->IsEnabled(kBlockCommon));
  // Without an adapter the write button stays disabled, so no balloon points at it.
  for (const auto& control : main->Controls()) EXPECT_NE(control.class_name, "OrvexBalloonTip");

  const std::string saved = folder_.PathOf("saved.prg");
  ASSERT_TRUE(main->Click(kFileSave));
  ASSERT_TRUE(ChooseFile(*app, *main, saved));
  auto result = Box(*app);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->caption, "ファイル保存結果");
  EXPECT_EQ(result->text, "パラメータ設定データは正常にファイル出力されました。");
  EXPECT_EQ(result->icon, MessageIcon::kInformation);
  ASSERT_TRUE(result->Answer(IDOK));

  std::string expected = folder_.Read("initial.prg");
  ASSERT_EQ(expected.size(), kParameterFileSize);
  expected[32 + 60 + 0] = 42;  // block 1, offset 0
  const uint16_t checksum = FileChecksum(reinterpret_cast<const uint8_t*>(expected.data()), expected.size());
  expected[8] = static_cast<char>(checksum & 0xFF);
  expected[9] = static_cast<char>(checksum >> 8);
  EXPECT_EQ(folder_.Read("saved.prg"), expected);
  CloseAndExit(*app, *main);  // saved: nothing pending
}

TEST_F(OrvexSetEndToEnd, ClosingWithPendingChangesAsksAndNoKeepsTheWindow) {
  AddSampleDefinition();
  auto app = Start();
  ASSERT_TRUE(app);
  auto main = MainWindow(*app);
  ASSERT_TRUE(main);
  ASSERT_TRUE(main->SelectRow(kChannelList, 5));
  ASSERT_TRUE(main->Click(kLetterB));
  EXPECT_EQ(main->ListRows(kChannelList)[5][0].substr(0, 2), "Ｂ");

  ASSERT_TRUE(main->Close());
  auto question = Box(*app);
  ASSERT_TRUE(question);
  EXPECT_EQ(question->caption, "終了確認");
  EXPECT_EQ(question->text,
            "パラメータ内容が更新（もしくはパラメータ設定ウィンドウ内で変更中）されていますが、\n\n終了しますか？");
  EXPECT_EQ(question->icon, MessageIcon::kQuestion);
  ASSERT_TRUE(question->Answer(IDNO));
  EXPECT_TRUE(main->Exists());
  EXPECT_TRUE(app->Running());

  ASSERT_TRUE(main->Click(2000));
  auto again = Box(*app);
  ASSERT_TRUE(again);
  ASSERT_TRUE(again->Answer(IDYES));
  EXPECT_EQ(app->WaitExit(kWaitMs), std::optional<DWORD>(0));
}

TEST_F(OrvexSetEndToEnd, DefinitionUpdateWithoutValidItemsKeepsTheCurrentDefinition) {
  AddSampleDefinition();
  ASSERT_TRUE(folder_.Write("broken.txt", "[TITLE] 壊れた定義\r\n[VER] 2000\r\n[CMDB1] x, PAR1, 1\r\n[PAR1]\r\n"
                                          "[TAG] t\r\n0000, a, XYZ, 1, , 1\r\n"));
  auto app = Start();
  ASSERT_TRUE(app);
  auto main = MainWindow(*app);
  ASSERT_TRUE(main);
  const std::string caption = main->Caption();
  ASSERT_TRUE(main->Click(kDefinitionUpdate));
  ASSERT_TRUE(ChooseFile(*app, *main, folder_.PathOf("broken.txt")));
  auto failure = Box(*app);
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->text, "パラメータ定義ファイルの更新に失敗しました。（有効パラメータ項目無）");
  EXPECT_EQ(failure->icon, MessageIcon::kExclamation);
  ASSERT_TRUE(failure->Answer(IDOK));
  EXPECT_EQ(main->Caption(), caption);
  EXPECT_EQ(main->Text(2101), "ｱﾅﾛｸﾞ局線(&A)");
  EXPECT_FALSE(folder_.Exists("Cti_par.old"));
  CloseAndExit(*app, *main);
}

// The prefix's own documents folder with an Orvex folder in it, removed again at the end.
class DocumentsOrvexFolder {
 public:
  DocumentsOrvexFolder() {
    wchar_t documents[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents)))
      folder_ = FromWide(documents) + "\\Orvex\\";
    existed_ = GetFileAttributesW(ToWide(folder_).c_str()) != INVALID_FILE_ATTRIBUTES;
    CreateDirectoryW(ToWide(folder_).c_str(), nullptr);
  }
  ~DocumentsOrvexFolder() {
    DeleteFileW(ToWide(folder_ + "Cti_par.txt").c_str());
    if (!existed_) RemoveDirectoryW(ToWide(folder_).c_str());
  }
  const std::string& Path() const { return folder_; }

 private:
  std::string folder_;
  bool existed_ = false;
};

TEST_F(OrvexSetEndToEnd, DefinitionOnlyInTheDocumentsFolderIsLoadedFromThere) {
  DocumentsOrvexFolder documents;
  ASSERT_FALSE(documents.Path().empty());
  ASSERT_TRUE(CopyFileW(ToWide(uidriver::SourcePath("paramtool/model/Cti_par.txt")).c_str(),
                        ToWide(documents.Path() + "Cti_par.txt").c_str(), FALSE));
  auto app = Start();
  ASSERT_TRUE(app);
  auto main = MainWindow(*app);
  ASSERT_TRUE(main);
  EXPECT_EQ(main->Caption(), "Orvex - Orvex CTIアダプタ 標準パラメータ <1003-0000-0000>");
  EXPECT_TRUE(main->IsEnabled(kBlockCommon));
  EXPECT_FALSE(folder_.Exists("Cti_par.txt"));
  CloseAndExit(*app, *main);
}

TEST_F(OrvexSetEndToEnd, FileModeOptionWithoutAValueStaysInteractive) {
  AddSampleDefinition();
  auto app = Start("/s");
  ASSERT_TRUE(app);
  auto main = MainWindow(*app);
  ASSERT_TRUE(main);
  EXPECT_TRUE(main->IsEnabled());
  EXPECT_EQ(main->Caption().find("<自動>"), std::string::npos);
  Sleep(500);
  EXPECT_TRUE(app->Running());
  CloseAndExit(*app, *main);
}

TEST_F(OrvexSetEndToEnd, FileModeWithoutAnAdapterEndsWith256) {
  // With the final message: its caption, text and icon, then the full exit code.
  auto app = Start("/s \"" + folder_.PathOf("out.prg") + "\"");
  ASSERT_TRUE(app);
  auto box = Box(*app);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->caption, "パラメータ読込");
  EXPECT_EQ(box->text, "デバイスが接続されていません。");
  EXPECT_EQ(box->icon, MessageIcon::kExclamation);
  ASSERT_TRUE(box->Answer(IDOK));
  EXPECT_EQ(app->WaitExit(kWaitMs), std::optional<DWORD>(256));
  EXPECT_FALSE(folder_.Exists("out.prg"));

  // /m: no message, the same code.
  auto quiet = Start("/f \"" + folder_.PathOf("in.prg") + "\" /m");
  ASSERT_TRUE(quiet);
  EXPECT_EQ(quiet->WaitExit(kWaitMs), std::optional<DWORD>(256));
}

TEST_F(OrvexSetEndToEnd, TestFailureOptionSendsOneReportToItsParent) {
  uidriver::ReportParent parent;
  ASSERT_TRUE(parent.Ready());
  ASSERT_TRUE(folder_.Write("AutoPara.def", "0\r\n60,1,0\r\n|\r\n" + folder_.Path() + "\r\nMCPARA.prg\r\n" +
                                                folder_.PathOf("Cti_par.txt") + "\r\n"));
  auto app = Start("/a \"" + folder_.PathOf("AutoPara.def") + "\" /w " + parent.WindowArguments() + " /e 7", true);
  ASSERT_TRUE(app);
  EXPECT_EQ(app->WaitExit(kWaitMs), std::optional<DWORD>(0));
  auto reports = parent.Reports();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].code, 3u);
  EXPECT_EQ(reports[0].value, 7);
  EXPECT_EQ(reports[0].text, "デバッグ自動更新失敗終了(7)");
}

}  // namespace
}  // namespace orvex
