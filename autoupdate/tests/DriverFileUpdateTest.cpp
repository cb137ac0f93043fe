// The driver and library file update and the start-up inspection, on a file system in memory.
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "DriverFileUpdate.h"

using namespace orvex::autoupdate;

namespace {

struct File {
  uint32_t version = 0;
  bool read_only = false;
  std::string content;
};

class Disk : public DriverFileSystem, public Questions, public LogSink {
 public:
  std::map<std::string, File> files;
  std::map<std::string, uint32_t> copy_errors;   // by target
  std::map<std::string, uint32_t> probe_errors;  // by path
  std::deque<int> answers;
  std::vector<std::string> log, asked, copies;

  uint32_t Probe(const std::string& path) override {
    auto e = probe_errors.find(path);
    if (e != probe_errors.end()) return e->second;
    return files.count(path) ? 0 : 2;
  }
  uint32_t FileVersion(const std::string& path) override {
    auto it = files.find(path);
    return it == files.end() ? 0 : it->second.version;
  }
  void ClearReadOnly(const std::string& path) override {
    auto it = files.find(path);
    if (it != files.end()) it->second.read_only = false;
  }
  uint32_t Copy(const std::string& source, const std::string& target) override {
    auto e = copy_errors.find(target);
    if (e != copy_errors.end()) return e->second;
    auto it = files.find(source);
    if (it == files.end()) return 2;
    auto old = files.find(target);
    if (old != files.end() && old->second.read_only) return 5;
    files[target] = it->second;
    copies.push_back(source + " > " + target);
    return 0;
  }
  std::string ErrorText(uint32_t error) override { return "E" + std::to_string(error); }
  int Ask(const std::string& text, const std::string&, uint32_t type) override {
    EXPECT_EQ(type, kBoxYesNo | kIconQuestion);
    asked.push_back(text);
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question: " << text;
      return kAnswerNo;
    }
    int a = answers.front();
    answers.pop_front();
    return a;
  }
  void AddEntry(std::string_view text, uint32_t code, bool) override {
    log.push_back(std::to_string(code) + "|" + std::string(text));
  }
  std::string Content(const std::string& path) { return files.count(path) ? files[path].content : "(none)"; }
};

const char kWin[] = "C:\\WINDOWS";
const std::string kDrivers = "C:\\WINDOWS\\System32\\Drivers\\";
const std::string kInf = "C:\\WINDOWS\\Inf\\";
const std::string kSystem = "C:\\WINDOWS\\System32\\";
const std::string kRun = "C:\\OrvexRoll\\20240102_030405\\";
const std::string kOld = kRun + "Old\\";
const std::string kPkg = "C:\\Pkg\\Driver\\";

// Orvex.sys, its .inf and the library installed; the package with newer copies of all and Orvex2.
Disk Installed() {
  Disk disk;
  disk.files[kDrivers + "Orvex.sys"] = {0x01000300, false, "old sys"};
  disk.files[kInf + "Orvex.inf"] = {0, true, "old inf"};
  disk.files[kSystem + "Orvex.dll"] = {0x01010203, false, "old dll"};
  disk.files[kPkg + "Orvex.sys"] = {0x01010500, false, "new sys"};
  disk.files[kPkg + "Orvex.inf"] = {0, false, "new inf"};
  disk.files[kPkg + "Orvex2.sys"] = {0x01010500, false, "new sys2"};
  disk.files[kPkg + "Orvex2.inf"] = {0, false, "new inf2"};
  disk.files[kPkg + "Orvex.dll"] = {0x01010204, false, "new dll"};
  return disk;
}

class DriverFileUpdateTest : public ::testing::Test {
 protected:
  DriverFileUpdateTest() : disk_(Installed()) {
    info_.sys_files = {kPkg + "Orvex.sys", kPkg + "Orvex.inf", kPkg + "Orvex2.sys", kPkg + "Orvex2.inf"};
    info_.dll_files = {kPkg + "Orvex.dll"};
  }
  int Update(int mode) {
    info_.driver_update = mode;
    return UpdateDriverFiles(info_, targets_, kRun, disk_, disk_, disk_);
  }

  Disk disk_;
  UpdateInfo info_;
  InstallTargets targets_ = InstallTargetsFor(kWin);
};

}  // namespace

TEST_F(DriverFileUpdateTest, AlwaysModeReplacesInstalledFilesAndKeepsBackups) {
  EXPECT_EQ(Update(kUpdateAlways), 1);
  EXPECT_EQ(disk_.Content(kDrivers + "Orvex.sys"), "new sys");
  EXPECT_EQ(disk_.Content(kInf + "Orvex.inf"), "new inf");  // read-only cleared first
  EXPECT_EQ(disk_.Content(kSystem + "Orvex.dll"), "new dll");
  EXPECT_EQ(disk_.Content(kOld + "Orvex.sys"), "old sys");
  EXPECT_EQ(disk_.Content(kOld + "Orvex.inf"), "old inf");
  EXPECT_EQ(disk_.Content(kOld + "Orvex.dll"), "old dll");
  // Orvex2 is not installed: neither its .sys nor its .inf is put there, and nothing is said.
  EXPECT_EQ(disk_.Content(kDrivers + "Orvex2.sys"), "(none)");
  EXPECT_EQ(disk_.Content(kInf + "Orvex2.inf"), "(none)");
  EXPECT_EQ(disk_.log, (std::vector<std::string>{
                           "0|デバイスドライバ・ファイル更新成功(v1.1.5.0)\n\n'" + kDrivers + "Orvex.sys'",
                           "0|デバイスドライバ・ファイル更新成功(v0.0.0.0)\n\n'" + kInf + "Orvex.inf'",
                           "0|ドライバ・ファイル更新成功(v1.1.2.4)\n\n'" + kSystem + "Orvex.dll'"}));
}

TEST_F(DriverFileUpdateTest, OlderOnlyModeSkipsANewerDriverAndTheInfEntriesAfterIt) {
  disk_.files[kDrivers + "Orvex.sys"].version = 0x01010600;
  EXPECT_EQ(Update(kUpdateOlderOnly), 0);
  EXPECT_EQ(disk_.Content(kDrivers + "Orvex.sys"), "old sys");
  EXPECT_EQ(disk_.Content(kInf + "Orvex.inf"), "old inf");
  EXPECT_EQ(disk_.log.at(0), "0|現デバイスドライバは新しいバージョンのため、更新必要無(v1.1.6.0)\n\n'" + kDrivers + "Orvex.sys'");
  // The library list still runs.
  EXPECT_EQ(disk_.Content(kSystem + "Orvex.dll"), "new dll");
  // A newer installed library is kept as well.
  disk_ = Disk();
  disk_.files[kSystem + "Orvex.dll"] = {0x01010300, false, "newer dll"};
  disk_.files[kPkg + "Orvex.dll"] = {0x01010204, false, "new dll"};
  info_.sys_files.clear();
  EXPECT_EQ(Update(kUpdateOlderOnly), 0);
  EXPECT_EQ(disk_.Content(kSystem + "Orvex.dll"), "newer dll");
  EXPECT_EQ(disk_.log.at(0), "0|現DLLファイルは新しいバージョンのため、更新必要無(v1.1.3.0)\n\n'" + kSystem + "Orvex.dll'");
}

TEST_F(DriverFileUpdateTest, OlderOnlyModeCopiesASourceWithoutVersion) {
  disk_.files[kDrivers + "Orvex.sys"].version = 0x01010600;
  disk_.files[kPkg + "Orvex.sys"].version = 0;
  disk_.files[kPkg + "Orvex.dll"].version = 0;
  EXPECT_EQ(Update(kUpdateOlderOnly), 1);
  EXPECT_EQ(disk_.Content(kDrivers + "Orvex.sys"), "new sys");
  EXPECT_EQ(disk_.Content(kInf + "Orvex.inf"), "new inf");
  EXPECT_EQ(disk_.Content(kSystem + "Orvex.dll"), "new dll");
}

TEST_F(DriverFileUpdateTest, ResetCapableModeLeavesDriverAndLibraryAlone) {
  disk_.files[kDrivers + "Orvex.sys"].version = 0x01000401;
  EXPECT_EQ(Update(kUpdateUnlessResetCapable), 0);
  EXPECT_EQ(disk_.Content(kDrivers + "Orvex.sys"), "old sys");
  EXPECT_EQ(disk_.Content(kInf + "Orvex.inf"), "old inf");
  EXPECT_EQ(disk_.Content(kSystem + "Orvex.dll"), "old dll");
  EXPECT_EQ(disk_.log, std::vector<std::string>{"0|現デバイスドライバはハードリセット対応版のため、更新必要無(v1.0.4.1)\n\n'" +
                                                kDrivers + "Orvex.sys'"});
  // 1.0.4.0 itself does not support the reset: everything is replaced.
  disk_.files[kDrivers + "Orvex.sys"].version = 0x01000400;
  EXPECT_EQ(Update(kUpdateUnlessResetCapable), 1);
  EXPECT_EQ(disk_.Content(kSystem + "Orvex.dll"), "new dll");
}

TEST_F(DriverFileUpdateTest, LibraryFoundOnlyInSystemIsUpdatedThere) {
  disk_.files.erase(kSystem + "Orvex.dll");
  disk_.files["C:\\WINDOWS\\System\\Orvex.dll"] = {0x01010203, false, "old dll"};
  ASSERT_EQ(InspectInstalledFiles(disk_, &targets_, disk_), kInspectionOk);
  EXPECT_EQ(targets_.system, "C:\\WINDOWS\\System\\");
  EXPECT_EQ(disk_.log, (std::vector<std::string>{"0|現デバイスドライバ = Orvex.sys(v1.0.3.0)",
                                                 "0|現DLLファイル = Orvex.dll(v1.1.2.3)"}));
  Update(kUpdateAlways);
  EXPECT_EQ(disk_.Content("C:\\WINDOWS\\System\\Orvex.dll"), "new dll");
  EXPECT_EQ(disk_.Content(kSystem + "Orvex.dll"), "(none)");
}

TEST_F(DriverFileUpdateTest, InspectionReportsMissingFilesAndErrors) {
  disk_.files.erase(kDrivers + "Orvex.sys");
  disk_.probe_errors[kDrivers + "Orvex2.sys"] = 5;
  EXPECT_EQ(InspectInstalledFiles(disk_, &targets_, disk_), kInspectionNoDriver);
  EXPECT_EQ(disk_.log, (std::vector<std::string>{
                           "2|デバイスドライバの検査に失敗しました。\n\n'" + kDrivers + "Orvex2.sys'\n\nErr = 5 : E5",
                           "2|デバイスドライバが見つかりません。"}));
  disk_ = Disk();
  disk_.files[kDrivers + "Orvex2.sys"] = {0x01010500, false, ""};
  targets_ = InstallTargetsFor("C:\\WINDOWS\\");
  EXPECT_EQ(InspectInstalledFiles(disk_, &targets_, disk_), kInspectionNoLibrary);
  EXPECT_EQ(disk_.log.back(), "2|DLLファイルが見つかりません。");
  EXPECT_EQ(targets_.system, kSystem);
}

TEST_F(DriverFileUpdateTest, FailuresAskWhetherToGoOn) {
  // The driver's backup fails: Yes goes on; its copy fails: No stops the whole update.
  disk_.copy_errors[kOld + "Orvex.sys"] = 112;
  disk_.copy_errors[kDrivers + "Orvex.sys"] = 32;
  disk_.answers = {kAnswerYes, kAnswerNo};
  EXPECT_EQ(Update(kUpdateAlways), -1);
  ASSERT_EQ(disk_.asked.size(), 2u);
  const std::string save = "デバイスドライバ・ファイルの保存に失敗しました。\n\n'" + kDrivers + "Orvex.sys' → '" + kOld +
                           "Orvex.sys'\n\nErr = 112 : E112";
  EXPECT_EQ(disk_.log.at(0), "2|" + save);
  EXPECT_EQ(disk_.asked[0], save + "\n保存失敗を無視して処理を継続しますか？　［はい］をクリックすると実行継続、［いいえ］を"
                                   "クリックすると実行終了します。");
  EXPECT_EQ(disk_.log.at(1), "0|実行継続");
  EXPECT_EQ(disk_.asked[1].rfind("デバイスドライバ・ファイルの更新に失敗しました。", 0), 0u);
  EXPECT_EQ(disk_.Content(kInf + "Orvex.inf"), "old inf");  // stopped before it

  // An .inf failure is logged and passed over without a question.
  disk_ = Installed();
  disk_.copy_errors[kInf + "Orvex.inf"] = 5;
  EXPECT_EQ(Update(kUpdateAlways), 1);
  EXPECT_TRUE(disk_.asked.empty());
  EXPECT_EQ(disk_.log.at(1).substr(0, 2), "2|");

  // The library's copy fails and the user stops.
  disk_ = Installed();
  disk_.copy_errors[kSystem + "Orvex.dll"] = 5;
  disk_.answers = {kAnswerNo};
  EXPECT_EQ(Update(kUpdateAlways), -1);
  EXPECT_EQ(disk_.log.back(), "2|ドライバ・ファイルの更新に失敗しました。\n\n'" + kPkg + "Orvex.dll' → '" + kSystem +
                                  "Orvex.dll'\n\nErr = 5 : E5");
}

TEST_F(DriverFileUpdateTest, SameNameListedTwiceKeepsTheFirstBackup) {
  disk_.files["C:\\Pkg\\Driver\\x64\\Orvex.sys"] = {0x01010600, false, "newest sys"};
  info_.sys_files = {kPkg + "Orvex.sys", "C:\\Pkg\\Driver\\x64\\Orvex.sys"};
  EXPECT_EQ(Update(kUpdateAlways), 1);
  EXPECT_EQ(disk_.Content(kDrivers + "Orvex.sys"), "newest sys");
  // Old\ still holds what was installed before the update, not the first replacement.
  EXPECT_EQ(disk_.Content(kOld + "Orvex.sys"), "old sys");
}
