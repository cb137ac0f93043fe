// The real OrvexRoll.exe, driven from outside through the UI driver as a technician would: an
// update package in a scratch folder, the driver and library installed in this Wine prefix's
// system folder, the install folder registered as Windows Installer does, the simulated adapter,
// and as the two tools either the real OrvexSet and OrvexFlash or the scripted test child.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "AdapterPaces.h"
#include "DefinitionLoader.h"
#include "DeviceDriver.h"
#include "ParameterSaveFile.h"
#include "ProcessBitness.h"
#include "ProgramFolder.h"
#include "ProgramHeader.h"
#include "RecoveryFile.h"
#include "RollIds.h"
#include "SimDriver.h"
#include "TestImages.h"
#include "UiDriver.h"
#include "UpdateInfoFile.h"
#include "Wide.h"
#include "WindowsVersionOf.h"

using namespace orvex;
using namespace orvex::uidriver;
using orvex::autoupdate::test_support::ReadAll;
using orvex::autoupdate::test_support::WriteAll;
namespace au = orvex::autoupdate;

namespace {

const char kTitle[] = "KV-4100CTIアダプター自動更新";
const char kWindow[] = "KV-4100CTIアダプター自動更新 <Win98>";
const char kFoldersKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders";
constexpr DWORD kBoxWait = 60000;
constexpr DWORD kRunWait = 180000;

std::string SystemFolder() {
  wchar_t buffer[MAX_PATH];
  UINT n = GetSystemDirectoryW(buffer, MAX_PATH);
  return FromWide(std::wstring_view(buffer, n)) + "\\";
}

// The system folder's files as the system itself has them: the drivers and the 64-bit library.
// OrvexRoll switches the redirection of a 32-bit process off to reach them, and so do these; with
// it on, System32 is SysWOW64 to the shipped tools, where they find the 32-bit library.
bool NativeCopy(const std::string& from, const std::string& to) {
  RedirectionOff off;
  return CopyFileW(ToWide(from).c_str(), ToWide(to).c_str(), FALSE) != FALSE;
}
uint32_t NativeVersion(const std::string& path) {
  RedirectionOff off;
  return au::FileVersionPacked(path);
}
bool NativeExists(const std::string& path) {
  RedirectionOff off;
  return GetFileAttributesW(ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}
void NativeDelete(const std::string& path) {
  RedirectionOff off;
  DeleteFileW(ToWide(path).c_str());
}

// The run folders under the Windows drive's OrvexRoll\ folder.
std::set<std::string> RunFolders() {
  std::set<std::string> out;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(L"C:\\OrvexRoll\\*", &data);
  if (find == INVALID_HANDLE_VALUE) return out;
  do {
    std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") out.insert("C:\\OrvexRoll\\" + FromWide(name) + "\\");
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return out;
}

void RemoveRunFolder(const std::string& folder) {
  for (const char* sub : {"Old\\", ""}) {
    WIN32_FIND_DATAW data;
    std::wstring base = ToWide(folder + sub);
    HANDLE find = FindFirstFileW((base + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) continue;
    do {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((base + data.cFileName).c_str());
    } while (FindNextFileW(find, &data));
    FindClose(find);
    RemoveDirectoryW(base.c_str());
  }
}

// orvex.exe of this build with `arguments`: what it printed (code page 932, as when redirected).
std::string RunOrvex(const std::string& arguments) {
  wchar_t temp[MAX_PATH + 1] = {};
  wchar_t file[MAX_PATH + 1] = {};
  if (!GetTempPathW(MAX_PATH, temp) || !GetTempFileNameW(temp, L"orx", 0, file)) return {};
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  HANDLE out = CreateFileW(file, GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
  std::wstring line = L"\"" + ToWide(BuildPath("tools/orvex.exe")) + L"\" " + ToWide(arguments);
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = out;
  si.hStdError = out;
  PROCESS_INFORMATION pi = {};
  std::string failure;
  if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
    DWORD code = 0;
    if (WaitForSingleObject(pi.hProcess, 120000) != WAIT_OBJECT_0 || !GetExitCodeProcess(pi.hProcess, &code) || code != 0)
      failure = "orvex " + arguments + ": exit " + std::to_string(code) + "\n";
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  } else {
    failure = "orvex " + arguments + ": not started, error " + std::to_string(GetLastError()) + "\n";
  }
  CloseHandle(out);
  std::string text = failure;
  for (char c : ReadAll(FromWide(file))) {
    if (c != '\r') text += c;
  }
  DeleteFileW(file);
  return text;
}

// (decision, file) of each stage: from `orvex device plan`'s table, and from the version update
// tool's reports in the log.
using Decisions = std::vector<std::pair<std::string, std::string>>;
Decisions PlanDecisions(const std::string& plan) {
  Decisions out;
  size_t pos = 0;
  while (pos < plan.size()) {
    size_t end = plan.find('\n', pos);
    if (end == std::string::npos) end = plan.size();
    std::string line = plan.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || !(line[0] == '-' || (line[0] >= '0' && line[0] <= '9'))) continue;
    std::vector<std::string> words;
    for (size_t i = 0; i < line.size();) {
      size_t j = line.find(' ', i);
      if (j == std::string::npos) j = line.size();
      if (j > i) words.push_back(line.substr(i, j - i));
      i = j + 1;
    }
    if (words.size() >= 3) out.emplace_back(words.back(), words[1]);
  }
  return out;
}
Decisions LogDecisions(const std::vector<std::string>& log) {
  Decisions out;
  bool flash = false;
  for (const std::string& line : log) {
    if (line.size() < 29) continue;
    std::string text = line.substr(29);
    if (text == "バージョン更新ツール起動") flash = true;
    if (!flash) continue;
    for (const char* d : {"更新開始", "更新不要", "更新除外", "更新対象外", "更新ファイル名未設定", "書戻不要"}) {
      if (text.rfind(d, 0) != 0) continue;
      size_t colon = text.find(" : ");
      std::string file = colon == std::string::npos ? "-" : text.substr(colon + 3);
      if (file.back() == ')') file = file.substr(0, file.rfind('('));
      out.emplace_back(d, file);
      break;
    }
  }
  return out;
}

// The block of one run folder in `orvex history`'s text.
std::string HistoryOf(const std::string& history, const std::string& folder) {
  size_t at = history.find(folder);
  if (at == std::string::npos) return {};
  size_t next = at;
  do {
    next = history.find('\n', next + 1);
  } while (next != std::string::npos && next + 1 < history.size() && history[next + 1] == ' ');
  return history.substr(at, next == std::string::npos ? std::string::npos : next - at + 1);
}

class RollEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    pkg_ = folder_.Path();
    ASSERT_FALSE(folder_.AddProgram("autoupdate/win/app/OrvexRoll.exe").empty());
    folder_.Sub("Bin");
    folder_.Sub("Driver");
    for (const char* name : {"Orvex.sys", "Orvex.inf", "Orvex2.sys", "Orvex2.inf", "Orvex.dll"}) {
      folder_.AddFile(BuildPath(std::string("simulator/standin/package/") + name), std::string("Driver\\") + name);
    }
    UseTestChild("OrvexSet");
    UseTestChild("OrvexFlash");
    docs_ = folder_.Sub("docs");
    child_ = folder_.Sub("child");
    installed_ = folder_.Sub("installed");
    folder_.Sub("installed\\Bin");
    folder_.AddFile(BuildPath("autoupdate/win/app/roll_test_child.exe"), "installed\\Bin\\OrvexSet.exe");
    ini_ = "DeviceName=KV-4100CTIアダプター\r\nTitleName=自動更新\r\nDriverUpdate=1\r\nVerUpProg=Bin\\OrvexFlash.exe\r\n"
           "ParaProg=Bin\\OrvexSet.exe\r\nSysFile0=Driver\\Orvex.sys\r\nSysFile1=Driver\\Orvex.inf\r\n"
           "SysFile2=Driver\\Orvex2.sys\r\nSysFile3=Driver\\Orvex2.inf\r\nDllFile0=Driver\\Orvex.dll\r\n"
           "PrgFile0=Prg\\McCPU.prg\r\nDefFile0=Para\\Cti_par.txt\r\n";

    // The driver and library as installed with the adapter, and the tools' folder as registered.
    system_ = SystemFolder();
    ASSERT_TRUE(NativeCopy(BuildPath("simulator/standin/installed/Orvex.sys"), system_ + "drivers\\Orvex.sys"));
    ASSERT_TRUE(NativeCopy(BuildPath("simulator/Orvex.dll"), system_ + "Orvex.dll"));
    if (RunsUnderWow64()) {
      ASSERT_TRUE(CopyFileW(ToWide(BuildPath("simulator/Orvex.dll")).c_str(), ToWide(system_ + "Orvex.dll").c_str(),
                            FALSE));
    }
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, ToWide(kFoldersKey).c_str(), 0, nullptr, 0,
                              KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, ToWide(installed_ + "Bin\\").c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(L""),
                   sizeof(wchar_t));
    RegCloseKey(key);

    sim_.Set("reset_away_ms = 12000\nrestart_ms = 2000\ndriver_file = " + system_ + "drivers\\Orvex.sys\n");
    runs_before_ = RunFolders();
  }

  void TearDown() override {
    for (const std::string& folder : RunFolders()) {
      if (!runs_before_.count(folder)) RemoveRunFolder(folder);
    }
    RemoveDirectoryW(L"C:\\OrvexRoll");
    for (const char* file : {"drivers\\Orvex.sys", "drivers\\Orvex2.sys", "Orvex.dll"}) {
      NativeDelete(system_ + file);
      DeleteFileW(ToWide(system_ + file).c_str());  // SysWOW64's, for a 32-bit process
    }
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, ToWide(kFoldersKey).c_str(), 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &key) ==
        ERROR_SUCCESS) {
      RegDeleteValueW(key, ToWide(installed_ + "Bin\\").c_str());
      RegCloseKey(key);
    }
  }

  // The real OrvexFlash as the version update tool, with three program images one version above
  // the simulated adapter's (main controller CPU and DSP, the INS64 board's CPU). The main board is
  // of the first generation, whose main controller programs these images are.
  void UseRealVersionUpdateTool() {
    ASSERT_FALSE(folder_.AddFile(BuildPath("flashtool/win/OrvexFlash.exe"), "Bin\\OrvexFlash.exe").empty());
    folder_.Sub("Prg");
    ASSERT_TRUE(folder_.Write("Prg\\McCPU.prg", Bytes(test::ProgramImage(0x00, 0x00, 0x1011, 4096))));
    ASSERT_TRUE(folder_.Write("Prg\\McDSP.prg", Bytes(test::ProgramImage(0x01, 0x00, 0x1106, 4096))));
    ASSERT_TRUE(folder_.Write("Prg\\Ins64Cpu.prg", Bytes(test::ProgramImage(0x10, 0x00, 0x1106, 4096))));
    ini_ += "DeviceWaitTime=30\r\nPrgFile1=Prg\\McDSP.prg\r\nPrgFile2=Prg\\Ins64Cpu.prg\r\n";
    // Progress spread over about a second per image (the paced case lays its own pace over it).
    sim_.Set("mc = 0x00 0x1105 0x1010 0x2001 0x0100\nprogress_steps = 2\nprogress_interval_ms = 1000\n");
  }
  static std::string Bytes(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

  // The real OrvexSet as the parameter tool. The package brings the sample definition (version
  // 1.003, for the adapter's main controller class); the install folder holds the same definition
  // as an older version (1.002), which the update backs up and replaces. Returns the package's
  // definition as loaded.
  std::unique_ptr<ParameterDefinition> UseRealParameterTool() {
    const std::string sample = ReadAll(SourcePath("paramtool/model/Cti_par.txt"));
    std::string older = sample;
    const size_t at = older.find("[VER] 1003");
    EXPECT_NE(at, std::string::npos);
    if (at != std::string::npos) older.replace(at, 10, "[VER] 1002");
    EXPECT_FALSE(folder_.AddFile(BuildPath("paramtool/app/win/OrvexSet.exe"), "Bin\\OrvexSet.exe").empty());
    folder_.Sub("Para");
    EXPECT_TRUE(folder_.Write("Para\\Cti_par.txt", sample));
    EXPECT_TRUE(folder_.Write("installed\\Bin\\Cti_par.txt", older));
    DefinitionLoad load = LoadDefinitionFromMemory(sample);
    EXPECT_EQ(load.result, kDefinitionLoaded);
    return std::move(load.definition);
  }
  // A parameter save file of the definition's initial values, with `change` applied to the image.
  static std::string SaveFile(const ParameterDefinition& definition,
                              const std::function<void(ParameterImage&)>& change = {}) {
    auto image = std::make_unique<ParameterImage>();
    BuildImage(definition, image.get());
    if (change) change(*image);
    auto file = ComposeFileImage(*image, definition.class_byte, definition.version);
    return std::string(reinterpret_cast<const char*>(file->bytes), sizeof file->bytes);
  }

  void UseTestChild(const char* tool) {
    folder_.AddFile(BuildPath("autoupdate/win/app/roll_test_child.exe"), std::string("Bin\\") + tool + ".exe");
  }
  void Script(const char* tool, const std::string& steps) { ASSERT_TRUE(WriteAll(child_ + tool + ".txt", steps)); }
  std::string Calls(const char* tool) { return ReadAll(child_ + tool + ".calls"); }
  std::string RecoveryPath() { return docs_ + "Orvex\\OrvexRoll.recovery"; }

  // OrvexRoll started from its package with the package and documents folders as arguments.
  std::optional<DrivenProcess> Start() {
    EXPECT_TRUE(folder_.Write("OrvexRoll.ini", ini_));
    std::string error;
    // Folders without their last '\': before a closing quote it would escape the quote.
    auto bare = [](const std::string& folder) { return folder.substr(0, folder.size() - 1); };
    auto app = DrivenProcess::Start(pkg_ + "OrvexRoll.exe", "\"" + bare(pkg_) + "\" \"" + bare(docs_) + "\"", pkg_,
                                    {{"ORVEX_TEST_CHILD", child_}}, false, &error);
    EXPECT_TRUE(app) << error;
    return app;
  }

  // The next message box, checked against the start of its text and answered.
  MessageBoxInfo Answer(const DrivenProcess& app, const std::string& text_start, int button,
                        DWORD timeout = kBoxWait) {
    auto box = WaitMessageBox(app.pid(), timeout);
    if (!box) {
      ADD_FAILURE() << "no box starting '" << text_start << "':\n" << DescribeProcess(app.pid());
      return {};
    }
    EXPECT_EQ(box->text.rfind(text_start, 0), 0u) << box->text;
    EXPECT_TRUE(box->Answer(button)) << box->text;
    return *box;
  }

  // The log as the window lists it, then the window closed and the process's exit code checked.
  std::vector<std::string> Finish(DrivenProcess& app) {
    std::vector<std::string> log;
    auto window = WaitWindow(kWindow, app.pid(), kBoxWait);
    if (!window) {
      ADD_FAILURE() << "no log window\n" << DescribeProcess(app.pid());
      return log;
    }
    for (const auto& row : window->ListRows(IDC_ROLL_LOG)) log.push_back(row.empty() ? "" : row[0]);
    EXPECT_TRUE(window->IsEnabled(IDC_ROLL_CLOSE));
    EXPECT_TRUE(window->Click(IDC_ROLL_CLOSE));
    EXPECT_EQ(app.WaitExit(20000), std::optional<DWORD>(0));
    return log;
  }

  static bool Has(const std::vector<std::string>& log, const std::string& text) {
    for (const std::string& line : log) {
      if (line.size() >= 29 && line.substr(29) == text) return true;
    }
    return false;
  }
  static bool HasStart(const std::vector<std::string>& log, const std::string& text) {
    for (const std::string& line : log) {
      if (line.size() >= 29 && line.compare(29, text.size(), text) == 0) return true;
    }
    return false;
  }
  static std::string Code(const std::vector<std::string>& log, const std::string& text) {
    for (const std::string& line : log) {
      if (line.size() >= 29 && line.substr(29) == text) return line.substr(24, 3);
    }
    return "none";
  }
  std::string NewRunFolder() {
    for (const std::string& folder : RunFolders()) {
      if (!runs_before_.count(folder)) return folder;
    }
    return std::string();
  }

  ProgramFolder folder_;
  SimFolder sim_;
  std::string pkg_, docs_, child_, installed_, system_, ini_;
  std::set<std::string> runs_before_;
};

}  // namespace

TEST_F(RollEndToEnd, NewerDriverIsInstalledTheAdapterResetAndBothToolsRun) {
  auto app = Start();
  ASSERT_TRUE(app);
  MessageBoxInfo start = Answer(*app, "自動更新を開始します。", IDOK);
  EXPECT_EQ(start.icon, MessageIcon::kQuestion);
  EXPECT_EQ(start.caption, kTitle);
  MessageBoxInfo done = Answer(*app, "自動更新は正常終了しました。", IDOK, kRunWait);
  EXPECT_EQ(done.icon, MessageIcon::kInformation);
  std::vector<std::string> log = Finish(*app);
  EXPECT_TRUE(Has(log, "ハードウェア・リセット発行"));
  EXPECT_TRUE(Has(log, "デバイス再起動確認"));
  EXPECT_TRUE(Has(log, "インストールフォルダ = '" + installed_ + "Bin\\'"));
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back().substr(29), std::string(kTitle) + "正常終了");
  // Replaced, kept in Old\, and answered by the driver stand-in after the reset.
  const std::string run = NewRunFolder();
  EXPECT_EQ(NativeVersion(system_ + "drivers\\Orvex.sys"), 0x01010500u);
  EXPECT_EQ(au::FileVersionPacked(run + "Old\\Orvex.sys"), 0x01000300u);
  EXPECT_EQ(NativeVersion(system_ + "Orvex.dll"), 0x01010204u);
  // Orvex2 was not installed, so it is not installed now either.
  EXPECT_FALSE(NativeExists(system_ + "drivers\\Orvex2.sys"));
  if (sizeof(void*) == 4) {
    // The shipped 32-bit OrvexRoll on 64-bit Windows: it saw the system's own drivers folder, not
    // SysWOW64's, which has no driver; it found the install folder in the 64-bit registry view,
    // which a 32-bit process does not see by default.
    EXPECT_TRUE(RunsUnderWow64());
    EXPECT_TRUE(Has(log, "WOW64Enable"));
    EXPECT_EQ(GetFileAttributesW(ToWide(system_ + "drivers\\Orvex.sys").c_str()), INVALID_FILE_ATTRIBUTES)
        << "a driver in SysWOW64\\drivers";
    HKEY key32 = nullptr;
    bool found32 = RegOpenKeyExW(HKEY_LOCAL_MACHINE, ToWide(kFoldersKey).c_str(), 0,
                                  KEY_QUERY_VALUE | KEY_WOW64_32KEY, &key32) == ERROR_SUCCESS &&
                    RegQueryValueExW(key32, ToWide(installed_ + "Bin\\").c_str(), nullptr, nullptr, nullptr,
                                     nullptr) == ERROR_SUCCESS;
    if (key32) RegCloseKey(key32);
    EXPECT_FALSE(found32);
  }
  auto driver = sim::CreateSimulatedDriver(sim_.Path());
  Adapter adapter = driver->OpenAdapter();
  DriverVersion version;
  ASSERT_TRUE(driver->QueryVersion(adapter.handle.Get(), &version));
  EXPECT_EQ(version.version, 0x01010500u);
  // The version update tool starts a normal run; the tools learn the install folder; the log file
  // is what the window listed.
  EXPECT_NE(Calls("OrvexFlash").find("count=1 stage=1 resume=0"), std::string::npos);
  EXPECT_NE(ReadAll(run + "AutoPara.def").find(installed_ + "Bin\\|" + docs_ + "Orvex\\"), std::string::npos);
  std::string listed;
  for (const std::string& line : log) listed += line + "\r\n";
  EXPECT_EQ(ReadAll(run + "OrvexRoll.log"), listed);
  EXPECT_FALSE(folder_.Exists("docs\\Orvex\\OrvexRoll.recovery"));
}

TEST_F(RollEndToEnd, UnchangedDriverNeedsNoReset) {
  ASSERT_TRUE(NativeCopy(BuildPath("simulator/standin/package/Orvex.sys"), system_ + "drivers\\Orvex.sys"));
  auto app = Start();
  ASSERT_TRUE(app);
  Answer(*app, "自動更新を開始します。", IDOK);
  Answer(*app, "自動更新は正常終了しました。", IDOK, kRunWait);
  std::vector<std::string> log = Finish(*app);
  EXPECT_TRUE(Has(log, "現デバイスドライバは新しいバージョンのため、更新必要無(v1.1.5.0)"));
  EXPECT_FALSE(Has(log, "ハードウェア・リセット発行"));
  EXPECT_FALSE(Has(log, "デバイス再起動待機"));
}

TEST_F(RollEndToEnd, CancelAtTheStartQuestion) {
  auto app = Start();
  ASSERT_TRUE(app);
  Answer(*app, "自動更新を開始します。", IDCANCEL);
  MessageBoxInfo failure = Answer(*app, "自動更新は異常終了しました。", IDOK);
  EXPECT_EQ(failure.icon, MessageIcon::kExclamation);
  // The about box from the system menu, and the version it names is the program's own.
  auto window = WaitWindow(kWindow, app->pid(), kBoxWait);
  ASSERT_TRUE(window);
  ASSERT_TRUE(window->SysCommand(IDM_ROLL_ABOUT));
  auto about = WaitWindow("バージョン情報", app->pid(), kBoxWait);
  ASSERT_TRUE(about) << DescribeProcess(app->pid());
  EXPECT_EQ(about->Text(IDC_ROLL_ABOUT_PRODUCT), "自動更新ツール Win98版");
  EXPECT_EQ(about->Text(IDC_ROLL_ABOUT_VERSION), "OrvexRoll Version 2.0.1.1");
  EXPECT_EQ(au::FileVersionPacked(pkg_ + "OrvexRoll.exe"), 0x02000101u);
  EXPECT_TRUE(about->Click(IDOK));
  EXPECT_TRUE(about->WaitGone(10000));
  std::vector<std::string> log = Finish(*app);
  EXPECT_EQ(Code(log, "自動更新開始キャンセル"), "255");
  EXPECT_FALSE(folder_.Exists("docs\\Orvex\\OrvexRoll.recovery"));
  EXPECT_TRUE(HasStart(log, "OS Ver 6.1.7601 (2) Service Pack 1")) << "the prefix's own version, Windows 7";

  // Under other Windows versions: the log names the Windows the program runs on, as the system
  // itself reports it; without the install folder on record, the question for it leads to the
  // shell's folder browser, in its new style on every Windows after 4.x. (Windows XP had its own
  // 64-bit edition, 5.2; a 64-bit program has no Windows 98.)
  ini_ += "InstNotExistMsg=1\r\n";
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, ToWide(kFoldersKey).c_str(), 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &key),
            ERROR_SUCCESS);
  RegDeleteValueW(key, ToWide(installed_ + "Bin\\").c_str());
  RegCloseKey(key);
  struct Case {
    std::string version, line;
    bool new_style;
  };
  std::vector<Case> cases = {{"win10", "OS Ver 10.0.", true}};
  if (sizeof(void*) == 4) {
    cases.push_back({"winxp", "OS Ver 5.1.2600 (2) Service Pack 3", true});
    cases.push_back({"win98", "OS Ver 4.10.", false});
  } else {
    cases.push_back({"winxp64", "OS Ver 5.2.3790", true});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    WindowsVersionOf as(std::string("OrvexRoll.exe"), c.version);
    ASSERT_TRUE(as.Set());
    auto again = Start();
    ASSERT_TRUE(again);
    Answer(*again, "KV-4100CTIアダプター用ツールをインストールしたフォルダが見つかりません。", IDYES);
    std::optional<Window> browser;
    for (DWORD start = GetTickCount(); !browser && GetTickCount() - start < kBoxWait; Sleep(100)) {
      for (const auto& record : Windows(again->pid()))
        if (record.class_name == "#32770" && record.caption != kWindow && record.owner != 0)
          browser.emplace(reinterpret_cast<HWND>(static_cast<uintptr_t>(record.handle)));
    }
    ASSERT_TRUE(browser) << DescribeProcess(again->pid());
    EXPECT_EQ(browser->Text(14146), "インストール先フォルダ選択");
    EXPECT_EQ(browser->Item(14150) != nullptr, c.new_style) << DescribeProcess(again->pid());  // 新しいフォルダー
    ASSERT_TRUE(browser->Command(IDCANCEL));
    Answer(*again, "自動更新を開始します。", IDCANCEL);
    Answer(*again, "自動更新は異常終了しました。", IDOK);
    std::vector<std::string> lines = Finish(*again);
    EXPECT_TRUE(HasStart(lines, c.line));
    EXPECT_TRUE(HasStart(lines, "ログ情報保存フォルダ = '"));
    EXPECT_FALSE(HasStart(lines, "インストール先フォルダ指定キャンセル"));
  }
}

TEST_F(RollEndToEnd, MissingAdapterAndAdapterHeldByAnotherApplication) {
  sim_.Set("present = 0\n");
  auto app = Start();
  ASSERT_TRUE(app);
  MessageBoxInfo missing = Answer(*app, "KV-4100CTIアダプターが認識できません。", IDRETRY);
  EXPECT_EQ(missing.icon, MessageIcon::kInformation);
  Answer(*app, "KV-4100CTIアダプターが認識できません。", IDCANCEL);
  Answer(*app, "自動更新は異常終了しました。", IDOK);
  EXPECT_EQ(Code(Finish(*app), "デバイス未接続"), "255");

  sim_.Set("present = 1\nfault.other_apps = 1\n");
  app = Start();
  ASSERT_TRUE(app);
  MessageBoxInfo busy = Answer(*app, "KV-4100CTIアダプター用の他のアプリケーションが起動しています。", IDRETRY);
  EXPECT_EQ(busy.icon, MessageIcon::kInformation);
  Answer(*app, "KV-4100CTIアダプター用の他のアプリケーションが起動しています。", IDCANCEL);
  Answer(*app, "自動更新は異常終了しました。", IDOK);
  EXPECT_EQ(Code(Finish(*app), "他アプリケーション起動中"), "255");
}

TEST_F(RollEndToEnd, RetryThatFailsAgainAsksToContactTheMaker) {
  Script("OrvexFlash", "fail 256 3 0x1 : 書込失敗(1)\nfail 256 3 0x1 : 書込失敗(2)\n");
  auto app = Start();
  ASSERT_TRUE(app);
  Answer(*app, "自動更新を開始します。", IDOK);
  MessageBoxInfo retry = Answer(*app, "自動更新は異常終了しました。\n\n書込失敗(1)\n\n再試行しますか？", IDRETRY, kRunWait);
  EXPECT_EQ(retry.caption, "自動更新失敗");
  EXPECT_EQ(retry.icon, MessageIcon::kExclamation);
  Answer(*app, "下記の番号順に従って、再試行して下さい。", IDOK);
  MessageBoxInfo failure = Answer(*app, "自動更新は異常終了しました。", IDOK, kRunWait);
  EXPECT_EQ(failure.text, "自動更新は異常終了しました。\n\n書込失敗(2)\n\nCTIアダプターのメーカーに連絡して下さい。");
  Finish(*app);
  au::RecoveryRecord record;
  ASSERT_EQ(au::LoadRecoveryFile(RecoveryPath(), &record), 0u);
  EXPECT_EQ(record.failure_state, 256);
}

TEST_F(RollEndToEnd, ChildKilledDuringItsRunLeavesARepairThatCompletesTheUpdate) {
  Script("OrvexFlash", "hang 4\n");
  auto app = Start();
  ASSERT_TRUE(app);
  Answer(*app, "自動更新を開始します。", IDOK);
  // The version update tool is ended from outside while it works.
  DWORD pid = 0;
  for (int i = 0; i < 600 && pid == 0; ++i) {
    std::string calls = Calls("OrvexFlash");
    size_t at = calls.find("pid=");
    if (at != std::string::npos && calls.find('\n', at) != std::string::npos) pid = std::stoul(calls.substr(at + 4));
    if (pid == 0) Sleep(100);
  }
  ASSERT_NE(pid, 0u);
  Sleep(300);
  HANDLE child = OpenProcess(PROCESS_TERMINATE, FALSE, pid);
  ASSERT_NE(child, nullptr);
  TerminateProcess(child, 9);
  CloseHandle(child);
  Answer(*app, "自動更新は異常終了しました。\n\nバージョン更新ツールが結果を報告せずに終了しました。", IDCANCEL);
  Answer(*app, "このまま終了すると", IDYES);
  std::vector<std::string> log = Finish(*app);
  EXPECT_EQ(Code(log, "バージョン更新ツールが結果を報告せずに終了しました。(終了コード = 9 (00000009h))"), "255");
  au::RecoveryRecord record;
  ASSERT_EQ(au::LoadRecoveryFile(RecoveryPath(), &record), 0u);
  EXPECT_EQ(record.failure_state, 255);
  EXPECT_EQ(record.stage, 4);
  const std::string failed_run = au::RecoveryFolder(record);
  const std::string failed_log = ReadAll(failed_run + "OrvexRoll.log");

  app = Start();
  ASSERT_TRUE(app);
  Answer(*app, "前回の自動更新は異常終了しています。", IDYES);
  Answer(*app, "自動更新は正常終了しました。", IDOK, kRunWait);
  log = Finish(*app);
  EXPECT_TRUE(Has(log, "修復情報保存フォルダ選択"));
  EXPECT_NE(Calls("OrvexFlash").find("stage=4"), std::string::npos);
  EXPECT_FALSE(folder_.Exists("docs\\Orvex\\OrvexRoll.recovery"));
  std::string continued = ReadAll(failed_run + "OrvexRoll.log");
  EXPECT_EQ(continued.rfind(failed_log, 0), 0u);
  EXPECT_GT(continued.size(), failed_log.size());
}

// The main job with both real tools: OrvexSet reads the adapter's parameters, fills what the older
// definition left empty, saves MCPARA.prg and installs the new definition; OrvexFlash writes every
// program image and then MCPARA.prg into the adapter, each once, at adapter paces from far faster
// than the tools' waits to far slower.
class RollPaced : public RollEndToEnd, public ::testing::WithParamInterface<uidriver::AdapterPace> {};
INSTANTIATE_TEST_SUITE_P(Paces, RollPaced, ::testing::ValuesIn(uidriver::SweepPaces()), uidriver::AdapterPaceName());

TEST_P(RollPaced, RealToolsUpdateTheParametersAndEveryProcessor) {
  UseRealVersionUpdateTool();
  auto definition = UseRealParameterTool();
  ASSERT_TRUE(definition);
  sim_.Set(GetParam().lines);
  // Stored by the older definition: the device number and name (common settings) are empty.
  const std::string stored = SaveFile(*definition, [](ParameterImage& image) {
    image.Block(1).bytes[0x00] = 0;
    std::memset(image.Block(1).bytes + 0x02, 0, 16);
  });
  sim_.Set("mc = 0x00 0x1105 0x1010 0x1002 0x0100\n");
  ASSERT_TRUE(WriteAll(FromWide(sim_.Path()) + "\\Parameters.prg", stored));
  // Two images the update leaves alone: one for a board the adapter lacks, one it runs already.
  ASSERT_TRUE(folder_.Write("Prg\\PvCpu.prg", Bytes(test::ProgramImage(0x20, 0x40, 0x1011, 4096))));
  ASSERT_TRUE(folder_.Write("Prg\\Ins64Dsp.prg", Bytes(test::ProgramImage(0x11, 0x00, 0x1020, 4096))));
  ini_ += "PrgFile3=Prg\\PvCpu.prg\r\nPrgFile4=Prg\\Ins64Dsp.prg\r\n";
  sim_.Set("board.4 = none\n");

  // What the update will do, worked out beforehand by orvex from the same package and adapter.
  ASSERT_TRUE(folder_.Write("OrvexRoll.ini", ini_));
  const std::string plan = RunOrvex("device plan \"" + pkg_.substr(0, pkg_.size() - 1) + "\"");
  const Decisions planned = PlanDecisions(plan);
  ASSERT_EQ(planned.size(), 8u) << plan;

  auto app = Start();
  ASSERT_TRUE(app);
  Answer(*app, "自動更新を開始します。", IDOK);
  Answer(*app, "自動更新は正常終了しました。", IDOK, kRunWait);
  std::vector<std::string> log = Finish(*app);
  std::string listed;
  for (const std::string& line : log) listed += line + "\n";
  EXPECT_EQ(Code(log, "自動更新成功 Cnt = 2"), "  1") << listed;  // OrvexSet: two items filled
  // OrvexFlash: three images and MCPARA.prg written, two left alone.
  EXPECT_EQ(Code(log, "自動更新成功 Cnt = 4 / 6"), "  1") << listed;
  // The plan made the tool's decisions, slot by slot.
  const Decisions done = LogDecisions(log);
  ASSERT_EQ(done.size(), planned.size()) << plan << listed;
  for (size_t i = 0; i < done.size(); ++i) EXPECT_EQ(planned[i], done[i]) << "slot " << i << "\n" << plan;
  EXPECT_EQ(planned[4], (std::pair<std::string, std::string>("更新不要", "PvCpu.prg")));
  EXPECT_EQ(planned[5], (std::pair<std::string, std::string>("更新不要", "Ins64Dsp.prg")));
  // The log ends with the version update tool's end and the closing entry.
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(log[log.size() - 4].substr(29), "自動更新成功 Cnt = 4 / 6");
  EXPECT_EQ(log[log.size() - 3].substr(29), "バージョン更新ツール終了");
  EXPECT_EQ(log[log.size() - 2].find_first_not_of(' '), std::string::npos);  // the blank entry
  EXPECT_EQ(log.back().substr(29), std::string(kTitle) + "正常終了");

  // Every processor at the package's version, and the parameters the update made on the adapter.
  const std::string run = NewRunFolder();
  ASSERT_FALSE(run.empty());
  sim::SimState state = sim_.State();
  EXPECT_EQ(state.mc.words[sim::kWordMcCpu], 0x1011);
  EXPECT_EQ(state.mc.words[sim::kWordMcDsp], 0x1106);
  EXPECT_EQ(state.boards.at(3).words[2], 0x1106);
  EXPECT_EQ(state.mc.words[sim::kWordParameters], definition->version);
  const std::string saved = ReadAll(run + "MCPARA.prg");
  EXPECT_EQ(saved, SaveFile(*definition));  // both items back at their initial values
  EXPECT_EQ(sim_.ReadFile("Parameters.prg"), saved);
  EXPECT_EQ(ReadAll(run + "OLD_MCPARA.prg"), stored);
  // The new definition installed, the old one kept in the run folder.
  EXPECT_EQ(ReadAll(installed_ + "Bin\\Cti_par.txt"), folder_.Read("Para\\Cti_par.txt"));
  EXPECT_NE(ReadAll(run + "OLDP_Cti_par.txt").find("[VER] 1002"), std::string::npos);
  EXPECT_FALSE(folder_.Exists("docs\\Orvex\\OrvexRoll.recovery"));
  EXPECT_EQ(uidriver::ProgramWrites(sim_.Log()), 4u);
  uidriver::RecordSweepRow(GetParam(), "OrvexRoll run", uidriver::ProgramWrites(sim_.Log()));

  // The run as orvex history tells it from its folder.
  const std::string history = HistoryOf(RunOrvex("history --documents \"" + docs_.substr(0, docs_.size() - 1) + "\""), run);
  EXPECT_EQ(history.find(run + "\n"), 0u) << history;
  EXPECT_NE(history.find("outcome:        success\n"), std::string::npos) << history;
  EXPECT_NE(history.find("McCPU.prg        1.010 -> 1.011\n"), std::string::npos) << history;
  EXPECT_NE(history.find("Ins64Cpu.prg     1.105 -> 1.106\n"), std::string::npos) << history;
  EXPECT_NE(history.find("recovery file: none"), std::string::npos) << history;
}

TEST_F(RollEndToEnd, WriteFailureLeavesARecoveryFileAndTheRepairCompletesTheUpdate) {
  UseRealVersionUpdateTool();
  ASSERT_TRUE(UseRealParameterTool());
  // No retries inside the tool; the adapter refuses the first image once and restarts.
  ini_ += "DeviceNumRetry=0\r\n";
  sim_.Set("restart_after_failure = 1\nfault.write_result = 0x12\nfault.write_result.times = 1\n");
  auto app = Start();
  ASSERT_TRUE(app);
  Answer(*app, "自動更新を開始します。", IDOK);
  Answer(*app, "自動更新は異常終了しました。\n\n更新リトライ回数オーバー", IDCANCEL, kRunWait);
  Answer(*app, "このまま終了すると", IDYES);
  Finish(*app);
  au::RecoveryRecord record;
  ASSERT_EQ(au::LoadRecoveryFile(RecoveryPath(), &record), 0u);
  EXPECT_EQ(record.failure_state, 256);
  EXPECT_EQ(record.stage, 2);  // the first listed file
  const std::string failed_run = au::RecoveryFolder(record);
  const std::string failed_log = ReadAll(failed_run + "OrvexRoll.log");
  EXPECT_NE(failed_log.find("更新リトライ回数オーバー"), std::string::npos);
  const std::string history_args = "history --documents \"" + docs_.substr(0, docs_.size() - 1) + "\"";
  std::string history = HistoryOf(RunOrvex(history_args), failed_run);
  EXPECT_NE(history.find("outcome:        failure\n"), std::string::npos) << history;
  EXPECT_NE(history.find("failed in the version update step: 更新リトライ回数オーバー"), std::string::npos) << history;
  EXPECT_NE(history.find("recovery file: a repair run is offered"), std::string::npos) << history;

  app = Start();
  ASSERT_TRUE(app);
  Answer(*app, "前回の自動更新は異常終了しています。", IDYES);
  Answer(*app, "自動更新は正常終了しました。", IDOK, kRunWait);
  std::vector<std::string> log = Finish(*app);
  EXPECT_TRUE(Has(log, "修復情報保存フォルダ選択"));
  std::string listed;
  for (const std::string& line : log) listed += line + "\n";
  EXPECT_NE(listed.find("修復処理実行(2, "), std::string::npos);  // the tool resumes at the failed file
  EXPECT_EQ(sim_.State().mc.words[sim::kWordMcCpu], 0x1011);
  EXPECT_FALSE(folder_.Exists("docs\\Orvex\\OrvexRoll.recovery"));
  std::string continued = ReadAll(failed_run + "OrvexRoll.log");
  EXPECT_EQ(continued.rfind(failed_log, 0), 0u);
  EXPECT_NE(continued.find("修復更新成功", failed_log.size()), std::string::npos);
  // The repair goes on with the version update: the parameters saved by the failed run are the
  // ones written, and the parameter tool does not run again.
  EXPECT_EQ(continued.find("パラメータ設定ツール起動", failed_log.size()), std::string::npos);
  EXPECT_EQ(sim_.ReadFile("Parameters.prg"), ReadAll(failed_run + "MCPARA.prg"));
  history = HistoryOf(RunOrvex(history_args), failed_run);
  EXPECT_NE(history.find("outcome:        repaired\n"), std::string::npos) << history;
  EXPECT_NE(history.find("repaired by the run of "), std::string::npos) << history;
  EXPECT_NE(history.find("McCPU.prg        1.010 -> 1.011\n"), std::string::npos) << history;
  EXPECT_NE(history.find("recovery file: none"), std::string::npos) << history;
}
