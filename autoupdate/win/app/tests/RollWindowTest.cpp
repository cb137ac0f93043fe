// OrvexRoll's window and worker in this process, against the simulated adapter, real files in a
// scratch Windows folder, and the test child as both tools. Message boxes are answered through
// the message recorder. What a technician sees from outside is tested end to end (e2e/); these
// look at what only the process itself can: its state, the clipboard, the start-up failures.
#include <gtest/gtest.h>
#include <windows.h>

#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "MainWindow.h"
#include "RollIds.h"
#include "ScratchFolder.h"
#include "ShowMessage.h"
#include "SimFolder.h"
#include "UpdateInfoFile.h"
#include "VersionResource.h"
#include "WinDriverFileSystem.h"
#include "Wide.h"

using namespace orvex;
using namespace orvex::autoupdate;
using orvex::autoupdate::test_support::ReadAll;
using orvex::autoupdate::test_support::ScratchFolder;
using orvex::autoupdate::test_support::WriteAll;
using orvex::autoupdate::test_support::Exists;

namespace {

const std::string kBuild = OwnModuleFolder() + "..\\..\\..\\";
const std::string kStandins = kBuild + "simulator\\standin\\";

bool Copy(const std::string& from, const std::string& to) {
  bool ok = CopyFileW(ToWide(from).c_str(), ToWide(to).c_str(), FALSE) != FALSE;
  EXPECT_TRUE(ok) << from << " -> " << to;
  return ok;
}

// Answers the boxes in order; each planned answer names the start of the text it expects.
class Answers {
 public:
  struct Planned {
    std::string text_start;
    int answer;
    std::function<void()> before;  // runs on the asking thread before the answer
  };

  void Plan(std::string text_start, int answer, std::function<void()> before = nullptr) {
    std::lock_guard<std::mutex> lock(mutex_);
    planned_.push_back({std::move(text_start), answer, std::move(before)});
  }
  int Answer(const MessageCall& call) {
    Planned p;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (planned_.empty()) {
        unexpected_.push_back(call.text);
        return DefaultAnswer(call.type) == IDOK ? IDOK : IDCANCEL;
      }
      p = planned_.front();
      planned_.pop_front();
    }
    if (call.text.rfind(p.text_start, 0) != 0) {
      std::lock_guard<std::mutex> lock(mutex_);
      unexpected_.push_back("expected '" + p.text_start + "', got '" + call.text + "'");
    }
    if (p.before) p.before();
    return p.answer;
  }
  void Check() {
    std::lock_guard<std::mutex> lock(mutex_);
    EXPECT_TRUE(planned_.empty()) << planned_.size() << " planned answers not asked for, first: "
                                  << (planned_.empty() ? "" : planned_.front().text_start);
    for (const std::string& u : unexpected_) ADD_FAILURE() << "unexpected box: " << u;
  }

 private:
  std::mutex mutex_;
  std::deque<Planned> planned_;
  std::vector<std::string> unexpected_;
};

class RollWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pkg_ = scratch_.Sub("pkg");
    scratch_.Sub("pkg\\Bin");
    scratch_.Sub("pkg\\Driver");
    docs_ = scratch_.Sub("docs");
    child_ = scratch_.Sub("child");
    windows_ = scratch_.Sub("win");
    scratch_.Sub("win\\System32");
    drivers_ = scratch_.Sub("win\\System32\\Drivers");
    scratch_.Sub("win\\Inf");
    Copy(OwnModuleFolder() + "roll_test_child.exe", pkg_ + "Bin\\OrvexSet.exe");
    Copy(OwnModuleFolder() + "roll_test_child.exe", pkg_ + "Bin\\OrvexFlash.exe");
    for (const char* name : {"Orvex.sys", "Orvex.inf", "Orvex2.sys", "Orvex2.inf", "Orvex.dll"}) {
      Copy(kStandins + "package\\" + name, pkg_ + "Driver\\" + name);
    }
    Copy(kStandins + "installed\\Orvex.sys", drivers_ + "Orvex.sys");
    Copy(kBuild + "simulator\\Orvex.dll", windows_ + "System32\\Orvex.dll");
    SetEnvironmentVariableW(L"ORVEX_TEST_CHILD", ToWide(child_).c_str());
    // Away long enough after a reset to be seen leaving; the driver answers with Orvex.sys's version.
    sim_.Set("reset_away_ms = 12000\nrestart_ms = 2000\ndriver_file = " + drivers_ + "Orvex.sys\n");
    ini_ = "DeviceName=KV-4100CTIアダプター\nTitleName=自動更新\nDriverUpdate=0\nVerUpProg=Bin\\OrvexFlash.exe\n"
           "ParaProg=Bin\\OrvexSet.exe\nSysFile0=Driver\\Orvex.sys\nSysFile1=Driver\\Orvex.inf\n"
           "SysFile2=Driver\\Orvex2.sys\nSysFile3=Driver\\Orvex2.inf\nDllFile0=Driver\\Orvex.dll\n"
           "PrgFile0=Prg\\McCPU.prg\nDefFile0=Para\\Cti_par.txt\n";
  }

  void TearDown() override {
    SetEnvironmentVariableW(L"ORVEX_TEST_CHILD", nullptr);
    for (const std::string& folder : run_folders_) RemoveTree(folder);
    RemoveDirectoryW(L"C:\\OrvexRoll");  // only when no other run left a folder there
  }

  static void RemoveTree(const std::string& folder) {
    std::wstring base = ToWide(folder);
    for (const wchar_t* sub : {L"Old\\"}) {
      WIN32_FIND_DATAW data;
      HANDLE find = FindFirstFileW((base + sub + L"*").c_str(), &data);
      if (find != INVALID_HANDLE_VALUE) {
        do {
          DeleteFileW((base + sub + data.cFileName).c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
      }
    }
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((base + L"*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        DeleteFileW((base + data.cFileName).c_str());
      } while (FindNextFileW(find, &data));
      FindClose(find);
    }
    RemoveDirectoryW((base + L"Old").c_str());
    RemoveDirectoryW(base.c_str());
  }

  std::string Calls(const char* tool) { return ReadAll(child_ + tool + ".calls"); }

  RollConfig Config() {
    RollConfig config;
    config.program_path = pkg_ + "OrvexRoll.exe";
    config.executable_name = "OrvexRoll";
    config.update_folder = pkg_;
    config.documents_base = docs_;
    config.own_version = 0x02000101;
    EXPECT_EQ(ParseUpdateInfo(ini_, pkg_, &config.info), UpdateInfoStatus::kOk);
    FileSystemToolProbe probe;
    UpdateInfoValidation check = ValidateUpdateInfo(config.info, pkg_, probe);
    EXPECT_TRUE(check.ok) << check.message;
    config.parameter_tool = check.parameter_tool.availability;
    config.windows_directory = windows_.substr(0, windows_.size() - 1);
    return config;
  }

  // One start of OrvexRoll: the window until the worker has ended and the outcome is done (a
  // minute at most), then closed. Returns what the log held.
  struct Result {
    std::vector<std::string> log;
    std::vector<MessageCall> boxes;
    WorkflowState state;
    std::string run_folder;
    bool closed_by_itself = false;
  };
  Result Start(std::function<void(MainWindow&)> while_open = nullptr) {
    Result result;
    MessageRecorder recorder([this](const MessageCall& call) { return answers_.Answer(call); });
    MainWindow window(Config());
    if (!window.Create(GetModuleHandleW(nullptr), IDD_ROLL_MAIN, nullptr)) {
      ADD_FAILURE() << "the window was not created";
      return result;
    }
    const DWORD start = GetTickCount();
    while (!window.Finished() && window.hwnd() != nullptr && GetTickCount() - start < 90000) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
      MSG msg;
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
    EXPECT_TRUE(window.Finished()) << "the run did not end";
    result.closed_by_itself = window.hwnd() == nullptr;
    if (while_open && window.hwnd() != nullptr) while_open(window);
    result.log = window.Log().Items();
    result.boxes = recorder.Calls();
    result.state = window.State();
    result.run_folder = window.Setup().folders.run_folder;
    if (!result.run_folder.empty()) run_folders_.push_back(result.run_folder);
    answers_.Check();
    if (window.hwnd() != nullptr) {
      SendMessageW(window.hwnd(), WM_CLOSE, 0, 0);
      EXPECT_EQ(window.hwnd(), nullptr) << "a finished run closes";
    }
    return result;
  }

  static bool Has(const std::vector<std::string>& log, const std::string& text) {
    for (const std::string& line : log) {
      if (line.size() >= text.size() && line.compare(line.size() - text.size(), text.size(), text) == 0) return true;
    }
    return false;
  }
  static int CodeOf(const std::vector<std::string>& log, const std::string& text) {
    for (const std::string& line : log) {
      if (line.size() > 29 && line.substr(29) == text) return std::stoi(line.substr(23, 4));
    }
    return -1;
  }

  ScratchFolder scratch_;
  test::SimFolder sim_;
  Answers answers_;
  std::string pkg_, docs_, child_, windows_, drivers_, ini_;
  std::vector<std::string> run_folders_;
};

const char kStart[] = "自動更新を開始します。";
const char kFailure[] = "自動更新は異常終了しました。";

}  // namespace

TEST_F(RollWindowTest, NotClosableUntilTheEndAndCopyAllGivesBothTextForms) {
  HWND seen = nullptr;
  answers_.Plan(kStart, IDCANCEL, [&] {
    // Asked from the worker: the window is up and refuses every way of closing.
    seen = FindWindowW(nullptr, ToWide("KV-4100CTIアダプター自動更新 <Win98>").c_str());
    SendMessageW(seen, WM_CLOSE, 0, 0);
    SendMessageW(seen, WM_COMMAND, IDC_ROLL_CLOSE, 0);
    SendMessageW(seen, WM_COMMAND, IDCANCEL, 0);
    SendMessageW(seen, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(IsWindow(seen));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(seen, IDC_ROLL_CLOSE)));
  });
  answers_.Plan(kFailure, IDOK);
  Result r = Start([&](MainWindow& window) {
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window.hwnd(), IDC_ROLL_CLOSE)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(window.hwnd(), IDC_ROLL_SPARE1)));
    SendMessageW(window.hwnd(), WM_COMMAND, IDM_ROLL_COPY_ALL, 0);
    ASSERT_TRUE(OpenClipboard(window.hwnd()));
    std::string narrow, wide;
    if (HANDLE h = GetClipboardData(CF_TEXT)) narrow = static_cast<const char*>(GlobalLock(h)), GlobalUnlock(h);
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
      wide = FromWide(static_cast<const wchar_t*>(GlobalLock(h)));
      GlobalUnlock(h);
    }
    CloseClipboard();
    std::string expected;
    for (const std::string& line : window.Log().Items()) expected += line + "\r\n";
    EXPECT_EQ(narrow, expected);
    EXPECT_EQ(wide, expected);
    EXPECT_NE(expected.find("自動更新開始キャンセル"), std::string::npos);
  });
  EXPECT_NE(seen, nullptr);
}

TEST_F(RollWindowTest, StartUpStopsAndTheWindowClosesItself) {
  // Asked for the install folder, the user cancels: logged, and the window closes once the log
  // is saved. (Nothing registers an install folder for these tests.)
  ini_ += "InstNotExistMsg=1\n";
  answers_.Plan("KV-4100CTIアダプター用ツールをインストールしたフォルダが見つかりません。", IDCANCEL);
  Result cancelled = Start();
  EXPECT_TRUE(cancelled.closed_by_itself);
  EXPECT_EQ(CodeOf(cancelled.log, "インストール先フォルダ指定キャンセル"), 2);
  EXPECT_EQ(cancelled.boxes.size(), 1u);
  EXPECT_NE(ReadAll(cancelled.run_folder + "OrvexRoll.log").find("インストール先フォルダ指定キャンセル"), std::string::npos);

  // No driver installed.
  DeleteFileW(ToWide(drivers_ + "Orvex.sys").c_str());
  answers_.Plan("KV-4100CTIアダプター用のドライバがインストールされていません。", IDOK);
  Result r = Start();
  EXPECT_TRUE(r.closed_by_itself);
  EXPECT_EQ(CodeOf(r.log, "デバイスドライバが見つかりません。"), 2);
  EXPECT_TRUE(Has(r.log, "KV-4100CTIアダプター自動更新異常終了"));
  EXPECT_NE(ReadAll(r.run_folder + "OrvexRoll.log").find("ドライバがインストールされていません"), std::string::npos);
  EXPECT_TRUE(Calls("OrvexSet").empty());
}

// The driver step's copies: the new file takes the target's name in one step and nothing is left
// beside it, also when a run cut off after its copy left one there (read-only, as CopyFile keeps a
// source's attribute, which Windows then refuses to overwrite); a copy that fails leaves the
// target as it was. That a cut-off copy never leaves a target half written is shown by the
// recovery matrix's file step points.
TEST(WinDriverFileSystem, CopyReplacesInOneStepPastALeftoverCopy) {
  ScratchFolder scratch;
  const std::string source = scratch.Path() + "new.sys", target = scratch.Path() + "Orvex.sys";
  const std::string beside = target + ".OrvexRoll.tmp";
  ASSERT_TRUE(WriteAll(source, "new driver") && WriteAll(target, "old driver") && WriteAll(beside, "half"));
  SetFileAttributesW(ToWide(beside).c_str(), FILE_ATTRIBUTE_READONLY);
  WinDriverFileSystem fs;
  EXPECT_EQ(fs.Copy(source, target), 0u);
  EXPECT_EQ(ReadAll(target), "new driver");
  EXPECT_FALSE(Exists(beside));
  EXPECT_EQ(fs.Copy(scratch.Path() + "missing.sys", target), static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(ReadAll(target), "new driver");
  EXPECT_FALSE(Exists(beside));
}
