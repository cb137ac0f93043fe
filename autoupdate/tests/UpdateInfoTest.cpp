// The update information file: template, reader rules, derived texts and the start-up validation.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>

#include "UpdateInfo.h"

using namespace orvex::autoupdate;

namespace {

const char kFolder[] = "C:\\Upd\\";

UpdateInfo Parse(const std::string& content) {
  UpdateInfo info;
  EXPECT_EQ(ParseUpdateInfo(content, kFolder, &info), UpdateInfoStatus::kOk);
  return info;
}

struct FakeFiles : ToolFileProbe {
  std::map<std::string, uint32_t> files;  // path -> version
  std::vector<std::string> asked;
  bool FileExists(const std::string& path) override {
    asked.push_back(path);
    return files.count(path) != 0;
  }
  uint32_t FileVersion(const std::string& path) override { return files.at(path); }
};

}  // namespace

TEST(UpdateInfo, TemplateIsWrittenByteForByteAndReadsBack) {
  const std::string text = UpdateInfoTemplate();
  // The stored copy was made from the Japanese text with a code page 932 encoder, independently
  // of the compiler's conversion of our literals.
  const char* source = std::getenv("ORVEX_SOURCE_DIR");
  ASSERT_NE(source, nullptr);
  std::ifstream golden(std::string(source) + "/autoupdate/tests/data/OrvexRoll.ini", std::ios::binary);
  ASSERT_TRUE(golden.good());
  std::string expected((std::istreambuf_iterator<char>(golden)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text.size(), 2208u);
  EXPECT_TRUE(text == expected);

  UpdateInfo info = Parse(text);
  EXPECT_EQ(info.device_name, "KV-4100CTIアダプター");
  EXPECT_EQ(info.title_name, "自動更新");
  EXPECT_EQ(WindowTitle(info), "KV-4100CTIアダプター自動更新");
  EXPECT_EQ(ModelNumberOf(info), 0);
  EXPECT_EQ(info.device_wait_time, 60);
  EXPECT_EQ(info.device_num_retry, 3);
  EXPECT_EQ(info.force_update, 0);
  EXPECT_EQ(info.driver_update, 0);
  EXPECT_EQ(info.inst_not_exist_msg, 0);
  EXPECT_EQ(info.ver_up_prog, "Bin\\OrvexFlash.exe");
  EXPECT_EQ(info.para_prog, "Bin\\OrvexSet.exe");
  EXPECT_EQ(info.sys_files, (std::vector<std::string>{"C:\\Upd\\Driver\\Orvex.sys", "C:\\Upd\\Driver\\Orvex.inf",
                                                       "C:\\Upd\\Driver\\Orvex2.sys", "C:\\Upd\\Driver\\Orvex2.inf"}));
  EXPECT_EQ(info.dll_files, std::vector<std::string>{"C:\\Upd\\Driver\\Orvex.dll"});
  EXPECT_EQ(info.prg_files, (std::vector<std::string>{"C:\\Upd\\Prg\\McCPU.prg", "C:\\Upd\\Prg\\McDSP.prg"}));
  EXPECT_TRUE(info.usb1mc_files.empty());  // three empty entries
  EXPECT_EQ(info.def_files, std::vector<std::string>{"C:\\Upd\\Para\\Cti_par.txt"});
}

TEST(UpdateInfo, KeysValuesAndLimits) {
  // Prefix match: the first line that begins with the key supplies it. Line ends CR, LF, CR LF.
  UpdateInfo a = Parse("[Info]\rDeviceNameX=first\r\ndevicename=second\nDeviceWaitTime=0\nDeviceNumRetry=-2\n"
                       "TitleName= 題 \nForceUpdate=3abc\nDriverUpdate\nDriverUpdate=2\n");
  EXPECT_EQ(a.device_name, "first");
  EXPECT_EQ(a.title_name, " 題 ");  // names are taken as they stand
  EXPECT_EQ(a.device_wait_time, 60);
  EXPECT_EQ(a.device_num_retry, 0);
  EXPECT_EQ(a.force_update, 3);
  EXPECT_EQ(a.driver_update, 2);  // a line without '=' is no key line
  EXPECT_EQ(Parse("DeviceWaitTime=-7").device_wait_time, 60);
  EXPECT_EQ(Parse("DeviceWaitTime=2147484").device_wait_time, 2147483);
  EXPECT_EQ(Parse("DeviceWaitTime=99999999999").device_wait_time, 2147483);
  EXPECT_EQ(Parse("DeviceWaitTime=2147483").device_wait_time, 2147483);
  EXPECT_EQ(Parse("DeviceNumRetry=x").device_num_retry, 0);  // no digits read as 0
  EXPECT_EQ(Parse("").device_num_retry, 3);
  // The text ends at a NUL.
  EXPECT_EQ(Parse(std::string("DeviceNumRetry=5\0\nDeviceName=x", 30)).device_name, "");

  // List entries: comment cut, blanks trimmed, a leading '\' removed, the update folder in front.
  UpdateInfo b = Parse("VerUpProg=  \\Bin\\F.exe /e 7 \nPrgFile5= \\Prg\\a b.prg   ; comment\nDefFile3=Para\\x;y.txt\n"
                       "SysFile1=Driver\\a.sys\nDllFile0=\nDllFile1=  \nDllFile2=d.dll\nUSB1McFile0=u.prg\n");
  EXPECT_EQ(b.ver_up_prog, "\\Bin\\F.exe /e 7");
  EXPECT_EQ(b.prg_files, std::vector<std::string>{"C:\\Upd\\Prg\\a b.prg"});  // PrgFile5 alone is read
  EXPECT_EQ(b.def_files, std::vector<std::string>{"C:\\Upd\\Para\\x"});
  EXPECT_TRUE(b.sys_files.empty());  // SysFile1 without SysFile0 is not
  EXPECT_EQ(b.dll_files, std::vector<std::string>{"C:\\Upd\\d.dll"});  // empty entries do not end the list
  EXPECT_EQ(b.usb1mc_files, std::vector<std::string>{"C:\\Upd\\u.prg"});

  // "PrgFile1" does not pick up the line of "PrgFile10".
  UpdateInfo c = Parse("PrgFile10=ten.prg\nPrgFile1=one.prg\nSysFile0=a\nSysFile10=x\n");
  EXPECT_EQ(c.prg_files, (std::vector<std::string>{"C:\\Upd\\one.prg", "C:\\Upd\\ten.prg"}));
  EXPECT_EQ(c.sys_files, std::vector<std::string>{"C:\\Upd\\a"});
  EXPECT_EQ(Parse("PrgFile10=ten.prg").prg_files, std::vector<std::string>{"C:\\Upd\\ten.prg"});

  // "表" ends in 0x5C and "ソ" in 0x5C; a ';' after them still cuts, a trail byte never does.
  UpdateInfo d = Parse("DefFile0=表\\ソ.txt;c\n");
  EXPECT_EQ(d.def_files, std::vector<std::string>{"C:\\Upd\\表\\ソ.txt"});
}

TEST(UpdateInfo, TitlesAndLocation) {
  UpdateInfo info;
  EXPECT_EQ(WindowTitle(info), "自動更新");
  EXPECT_EQ(DeviceLabel(info), "CTIアダプター");
  info.title_name = "更新";
  EXPECT_EQ(WindowTitle(info), "更新");
  info.device_name = "PV-9";
  EXPECT_EQ(DeviceLabel(info), "PV-9");
  EXPECT_EQ(WindowTitle(info), "PV-9更新");
  EXPECT_EQ(ModelNumberOf(info), 1);

  EXPECT_EQ(UpdateFolder(std::string_view("D:\\upd"), "C:\\x\\OrvexRoll.exe"), "D:\\upd\\");
  EXPECT_EQ(UpdateFolder(std::string_view("D:\\表"), "C:\\x\\OrvexRoll.exe"), "D:\\表\\");
  EXPECT_EQ(UpdateFolder(std::nullopt, "\\\\srv\\share\\x\\OrvexRoll.exe"), "\\\\srv\\share\\x\\");
  EXPECT_EQ(UpdateInfoPath("D:\\upd\\", "C:\\x\\OrvexRoll.exe"), "D:\\upd\\OrvexRoll.ini");
  EXPECT_EQ(UpdateInfoPath("D:\\upd\\", "C:\\x\\My.Roll.exe"), "D:\\upd\\My.Roll.ini");
  EXPECT_EQ(ReplaceDrive("Z:\\upd\\OrvexRoll.exe", "\\\\srv\\share"), "\\\\srv\\share\\upd\\OrvexRoll.exe");
  EXPECT_EQ(ReplaceDrive("Z:\\upd\\OrvexRoll.exe", ""), "Z:\\upd\\OrvexRoll.exe");
}

TEST(UpdateInfo, ValidationOrderAndMessages) {
  FakeFiles files;
  UpdateInfo info;
  info.usb1mc_files = {"C:\\Upd\\a.prg", "C:\\Upd\\b.prg"};
  UpdateInfoValidation v = ValidateUpdateInfo(info, kFolder, files);
  EXPECT_FALSE(v.ok);
  EXPECT_EQ(v.message, "初期設定ファイル内のUSB1.1版MCプログラム・ファイル名項目が不足しています。");
  EXPECT_TRUE(files.asked.empty());  // checked before the tools

  info.usb1mc_files.push_back("C:\\Upd\\c.prg");
  v = ValidateUpdateInfo(info, kFolder, files);
  EXPECT_EQ(v.message, "初期設定ファイル内にバージョン更新ツールが設定されていません。");

  info.ver_up_prog = "\\Bin\\OrvexFlash.exe /e 7";
  v = ValidateUpdateInfo(info, kFolder, files);
  EXPECT_EQ(v.message, "初期設定ファイル内のバージョン更新ツールは存在していません。\n\n'C:\\Upd\\Bin\\OrvexFlash.exe'");

  files.files["C:\\Upd\\Bin\\OrvexFlash.exe"] = 0x01010002;
  v = ValidateUpdateInfo(info, kFolder, files);
  EXPECT_EQ(v.message,
            "初期設定ファイル内のバージョン更新ツールは旧バージョンです。\n\n'C:\\Upd\\Bin\\OrvexFlash.exe'\n\n"
            "Version 1.1.0.2 < 1.1.2.0");

  // No version resource passes; the parameter tool is optional.
  files.files["C:\\Upd\\Bin\\OrvexFlash.exe"] = 0;
  v = ValidateUpdateInfo(info, kFolder, files);
  EXPECT_TRUE(v.ok);
  EXPECT_EQ(v.parameter_tool.availability, kToolNotConfigured);
  info.para_prog = "Bin\\OrvexSet.exe";
  v = ValidateUpdateInfo(info, kFolder, files);
  EXPECT_TRUE(v.ok);
  EXPECT_EQ(v.parameter_tool.availability, kToolMissing);
  EXPECT_EQ(v.parameter_tool.path, "C:\\Upd\\Bin\\OrvexSet.exe");
  files.files["C:\\Upd\\Bin\\OrvexSet.exe"] = 0x01010200;
  v = ValidateUpdateInfo(info, kFolder, files);
  EXPECT_TRUE(v.ok);
  EXPECT_EQ(v.parameter_tool.availability, kToolPresent);
  EXPECT_EQ(v.parameter_tool.version, 0x01010200u);
  files.files["C:\\Upd\\Bin\\OrvexSet.exe"] = 0x010101FF;
  v = ValidateUpdateInfo(info, kFolder, files);
  EXPECT_FALSE(v.ok);
  EXPECT_EQ(v.message,
            "初期設定ファイル内のパラメータ設定ツールは旧バージョンです。\n\n'C:\\Upd\\Bin\\OrvexSet.exe'\n\n"
            "Version 1.1.1.255 < 1.1.2.0");

  EXPECT_EQ(UpdateInfoReadErrorText("C:\\Upd\\OrvexRoll.ini", 5),
            "初期設定ファイルの読込に失敗しました。\n\n'C:\\Upd\\OrvexRoll.ini'\n\nError = 5");
}
