// The automatic parameter update without windows: the definition file for the main controller's
// version, the install locations, the fill of empty items and the whole update step with its
// reports and files, on files kept in memory.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "AutomaticUpdate.h"
#include "DefinitionLoader.h"
#include "MemoryFiles.h"
#include "ParameterSaveFile.h"

using namespace orvex;
using orvex::test::MemoryFiles;

namespace {

struct Sent {
  uint32_t code;
  int32_t value;
  std::string text;
  bool operator==(const Sent& o) const { return code == o.code && value == o.value && text == o.text; }
};
std::ostream& operator<<(std::ostream& out, const Sent& s) {
  return out << "{" << s.code << ", " << s.value << ", \"" << s.text << "\"}";
}

// Records every report with the report value it goes out with.
class Recorder : public autoupdate::ReportSink {
 public:
  explicit Recorder(const int32_t* value = nullptr) : value_(value) {}
  void Report(uint32_t code, std::string_view text) override {
    sent.push_back({code, value_ ? *value_ : 0, std::string(text)});
  }
  std::vector<Sent> sent;

 private:
  const int32_t* value_;
};

std::string DefinitionText(const char* version) {
  return std::string("[TITLE] 試験\n[VER] ") + version +
         "\n[CLASS] 2\n"
         "[CMDB1] 共通, PAR1, 0\n[CMDB2] 局線, PAR2, 1\n[CMDB3] 内線, PAR2, 1\n"
         "[PAR1]\n[TAG] 基本\n"
         "0000, 番号, BNR, 1, , 5,\n"
         "0002, 時間, TBN1, 2, , 30,\n"
         "0004, 無し, TBC0, 2, , 0,\n"
         "0006, 選択, CHB, 1, , 1,\n"
         "0008, 範囲, BNR, 2, , 7,\n"
         "000A, 名前, ASC, 4, , AB,\n"
         "000E, 機能, GCHV, 1, , 1,\n"
         "1, 機能A, GCHL, , , 1,\n"
         "[ZERO] 0008-0009\n"
         "[PAR2]\n[TAG] 局線\n"
         "0000, 音量, HEX, 1, , 0C,\n";
}

std::unique_ptr<ParameterDefinition> Definition(const char* version = "2001") {
  DefinitionLoad load = LoadDefinitionFromMemory(DefinitionText(version));
  EXPECT_EQ(load.result, kDefinitionLoaded);
  return std::move(load.definition);
}

// Loads the files of the map by path; a missing one fails to open.
DefinitionLoader LoaderOf(const std::map<std::string, std::string>& files) {
  return [files](const std::string& path) {
    auto it = files.find(path);
    if (it == files.end()) return DefinitionLoad();
    return LoadDefinitionFromMemory(it->second);
  };
}

}  // namespace

TEST(AutomaticUpdate, VersionClassesAndWhichDefinitionFits) {
  EXPECT_EQ(VersionClass(0x0123), 0x1000);
  EXPECT_EQ(VersionClass(0x2105), 0x2000);
  EXPECT_TRUE(DefinitionFits(0x1000, 0x1010));
  EXPECT_FALSE(DefinitionFits(0x1000, 0x2001));
  EXPECT_FALSE(DefinitionFits(0x1000, 0x0FFF));
  // Every class from 0x2000 on takes any definition of 0x2000 or above.
  EXPECT_TRUE(DefinitionFits(0x3000, 0x2001));
  EXPECT_FALSE(DefinitionFits(0x2000, 0x1FFF));

  const std::map<std::string, std::string> files = {{"C:\\p\\a.txt", DefinitionText("1010")},
                                                    {"C:\\p\\b.txt", DefinitionText("2001")}};
  Recorder report;
  DefinitionChoice second =
      SelectDefinitionFile(0x2105, {"", "C:\\p\\a.txt", "C:\\p\\b.txt"}, LoaderOf(files), report);
  EXPECT_EQ(second.result, 0);
  EXPECT_EQ(second.index, 2);
  ASSERT_TRUE(second.definition);
  EXPECT_EQ(second.definition->version, 0x2001);
  ASSERT_EQ(report.sent.size(), 1u);
  EXPECT_EQ(report.sent[0].code, 0u);
  EXPECT_EQ(report.sent[0].text, "パラメータ定義ファイル・バージョン : 2.001(MC-CPU=2.105)\n\n'C:\\p\\b.txt");

  Recorder old_report;
  DefinitionChoice first =
      SelectDefinitionFile(0x0123, {"C:\\p\\b.txt", "C:\\p\\a.txt"}, LoaderOf(files), old_report);
  EXPECT_EQ(first.index, 1);
  EXPECT_EQ(first.definition->version, 0x1010);
}

TEST(AutomaticUpdate, NoDefinitionChosen) {
  const std::map<std::string, std::string> files = {{"C:\\p\\a.txt", DefinitionText("1010")}};
  // A class the update may not touch: reported with code 1, nothing loaded.
  Recorder refused;
  DefinitionChoice top = SelectDefinitionFile(0x9001, {"C:\\p\\a.txt"}, LoaderOf(files), refused);
  EXPECT_EQ(top.result, -1);
  ASSERT_EQ(refused.sent.size(), 1u);
  EXPECT_EQ(refused.sent[0].code, 1u);
  EXPECT_EQ(refused.sent[0].text, "パラメータ書換不可MCバージョン : 9.001(MC-CPU)");

  Recorder none;
  EXPECT_EQ(SelectDefinitionFile(0x3001, {"C:\\p\\a.txt"}, LoaderOf(files), none).result, -1);
  ASSERT_EQ(none.sent.size(), 1u);
  EXPECT_EQ(none.sent[0].text, "該当パラメータ定義ファイル・バージョン無 : 3.001(MC-CPU)");

  Recorder silent;
  EXPECT_EQ(SelectDefinitionFile(0x3001, {"", ""}, LoaderOf(files), silent).result, -1);
  EXPECT_TRUE(silent.sent.empty());

  // A listed file that does not load ends the run.
  Recorder broken;
  DefinitionChoice stop =
      SelectDefinitionFile(0x1001, {"C:\\p\\gone.txt", "C:\\p\\a.txt"}, LoaderOf(files), broken);
  EXPECT_EQ(stop.result, 1);
  ASSERT_EQ(broken.sent.size(), 1u);
  EXPECT_EQ(broken.sent[0].code, 2u);
  EXPECT_EQ(broken.sent[0].text,
            "自動更新用パラメータ定義ファイルの読込に失敗しました。Err = 2\n\n'C:\\p\\gone.txt'");
}

TEST(AutomaticUpdate, InstallLocationsFromTheInstalledPathFile) {
  MemoryFiles files;
  AutoRunContext context;
  context.handoff.install_folder = "C:\\Orvex";  // without its backslash: joined all the same
  context.handoff.run_second_field = "C:\\Second\\";
  context.handoff.documents_folder = "C:\\Docs\\Orvex\\";
  files.files["C:\\Orvex\\Site.ini"] = "Site.txt\r\nSite.prg\r\n";
  files.files["C:\\Orvex\\Site.txt"] = "x";
  files.files["C:\\Docs\\Orvex\\Site.txt"] = "x";
  InstallPlan plan = PlanInstall(context, "Site.ini", files);
  EXPECT_EQ(plan.definition_name, "Site.txt");
  EXPECT_EQ(plan.save_file_name, "Site.prg");
  EXPECT_EQ(plan.locations[0], "C:\\Orvex\\Site.txt");
  EXPECT_EQ(plan.locations[1], "");  // no such file there
  EXPECT_EQ(plan.locations[2], "C:\\Docs\\Orvex\\Site.txt");
  EXPECT_EQ(plan.backup_names[0], "OLDP_Site.txt");
  EXPECT_EQ(plan.backup_names[2], "OLDM_Site.txt");

  // A name with a folder part is used as it stands, and only there; AutoPara.def's save file
  // name comes first.
  files.files["C:\\Orvex\\Site.ini"] = "D:\\defs\\Site.txt\r\n";
  files.files["D:\\defs\\Site.txt"] = "x";
  files.files["C:\\Second\\Site.txt"] = "x";
  context.handoff.save_file_name = "sub\\MCPARA.prg";
  InstallPlan folder = PlanInstall(context, "Site.ini", files);
  EXPECT_EQ(folder.locations[0], "D:\\defs\\Site.txt");
  EXPECT_EQ(folder.locations[1], "");
  EXPECT_EQ(folder.locations[2], "");
  EXPECT_EQ(folder.backup_names[0], "OLDP_Site.txt");
  EXPECT_EQ(folder.save_file_name, "MCPARA.prg");

  // Without an install folder the defaults are used.
  AutoRunContext bare;
  bare.handoff.documents_folder = "C:\\Docs\\Orvex\\";
  files.files["C:\\Docs\\Orvex\\Cti_par.txt"] = "x";
  InstallPlan defaults = PlanInstall(bare, "OrvexSet.ini", files);
  EXPECT_EQ(defaults.definition_name, "Cti_par.txt");
  EXPECT_EQ(defaults.save_file_name, "MCPARA.prg");
  EXPECT_EQ(defaults.locations[0], "");
  EXPECT_EQ(defaults.locations[2], "C:\\Docs\\Orvex\\Cti_par.txt");
}

TEST(AutomaticUpdate, FillOfEmptyItems) {
  auto definition = Definition();
  auto image = std::make_unique<ParameterImage>();
  std::memset(image.get(), 0, sizeof *image);
  image->Block(1).bytes[2] = 44;  // 時間 holds a value of its own
  std::vector<std::string> reports;
  int32_t filled = 0;
  FillEmptyItems(*image, *definition, false, &filled, [&](const std::string& t) { reports.push_back(t); });
  // 番号, 名前 in block 1; 音量 in blocks 2 and 3 (the same table). Not 時間 (not empty), 無し (its
  // initial value is zero), 選択 and the group (never), 範囲 (zero-valid).
  EXPECT_EQ(filled, 4);
  const BlockImage& b1 = image->Block(1);
  EXPECT_EQ(b1.bytes[0], 5);
  EXPECT_EQ(b1.bytes[2], 44);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b1.bytes + 10), 4), "AB  ");
  EXPECT_EQ(b1.bytes[6], 0);
  EXPECT_EQ(b1.bytes[8], 0);
  EXPECT_EQ(b1.bytes[14], 0);
  EXPECT_EQ(image->Block(2).bytes[0], 0x0C);
  EXPECT_EQ(image->Block(3).bytes[0], 0x0C);
  EXPECT_EQ(image->Block(4).bytes[0], 0);
  EXPECT_EQ(reports, (std::vector<std::string>{"ゼロ有効項目 CMDB1, PAR1, Offs = 8h"}));

  // With the fill flag the zero-valid item is filled as well, and still reported.
  std::memset(image.get(), 0, sizeof *image);
  reports.clear();
  filled = 0;
  FillEmptyItems(*image, *definition, true, &filled, [&](const std::string& t) { reports.push_back(t); });
  EXPECT_EQ(filled, 6);
  EXPECT_EQ(image->Block(1).bytes[8], 7);
  EXPECT_EQ(reports.size(), 1u);
}

class UpdateStep : public ::testing::Test {
 protected:
  void SetUp() override {
    context_.automatic = true;
    context_.handoff.install_folder = "C:\\Orvex\\";
    context_.handoff.run_second_field = "C:\\Second\\";
    context_.handoff.documents_folder = "C:\\Docs\\Orvex\\";
    context_.handoff.run_folder = "C:\\Run\\";
    context_.handoff.save_file_name = "MCPARA.prg";
    context_.report_value = 0;  // a definition was chosen
    files_.files["C:\\Orvex\\Cti_par.txt"] = "installed";
    files_.files["C:\\Second\\Cti_par.txt"] = "second";
    files_.files["C:\\Docs\\Orvex\\Cti_par.txt"] = "documents";
    files_.files["C:\\Pkg\\Cti_par_2001.txt"] = DefinitionText("2001");
    definition_ = Definition();
    input_.definition = definition_.get();
    input_.selected_path = "C:\\Pkg\\Cti_par_2001.txt";
    input_.class_byte = 2;
    input_.version = 0x2001;
    input_.path_file_name = "OrvexSet.ini";
    std::memset(image_.get(), 0, sizeof *image_);
  }

  std::vector<Sent> Run() {
    Recorder report(&context_.report_value);
    ok_ = RunUpdateStep(context_, input_, *image_, files_, files_, report);
    return report.sent;
  }

  std::string SavedImage(const std::string& path) {
    LoadedSaveFile loaded;
    const std::string& bytes = files_.files[path];
    EXPECT_EQ(LoadSaveFileImage(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &loaded),
              kSaveFileLoaded)
        << path;
    EXPECT_EQ(loaded.version, 0x2001);
    return std::string(reinterpret_cast<const char*>(loaded.image.Bytes()), kParameterImageSize);
  }

  AutoRunContext context_;
  MemoryFiles files_;
  std::unique_ptr<ParameterDefinition> definition_;
  UpdateStepInput input_;
  std::unique_ptr<ParameterImage> image_ = std::make_unique<ParameterImage>();
  bool ok_ = false;
};

TEST_F(UpdateStep, EveryStepInOrderWithItsFiles) {
  const std::string as_read(reinterpret_cast<const char*>(image_->Bytes()), kParameterImageSize);
  const std::vector<Sent> expected = {
      {0, 0, "現パラメータ定義ファイル保存成功\n\n'C:\\Orvex\\Cti_par.txt' → 'C:\\Run\\OLDP_Cti_par.txt'"},
      {0, 0, "現パラメータ定義ファイル保存成功\n\n'C:\\Second\\Cti_par.txt' → 'C:\\Run\\OLDV_Cti_par.txt'"},
      {0, 0,
       "現パラメータ定義ファイル保存成功\n\n'C:\\Docs\\Orvex\\Cti_par.txt' → 'C:\\Run\\OLDM_Cti_par.txt'"},
      {0, 0, "新パラメータ定義ファイル保存成功\n\n'C:\\Run\\Cti_par_2001.txt'"},
      {0, 0, "現デバイスパラメータ・ファイル保存成功\n\n'C:\\Run\\OLD_MCPARA.prg'"},
      {0, 2, "ゼロ有効項目 CMDB1, PAR1, Offs = 8h"},
      {0, 5, "新デバイスパラメータ・ファイル保存成功\n\n'C:\\Run\\MCPARA.prg'"},
      {0, 5, "新パラメータ定義ファイル・インストール成功\n\n'C:\\Orvex\\Cti_par.txt'"},
      {0, 5, "新パラメータ定義ファイル・インストール成功\n\n'C:\\Second\\Cti_par.txt'"},
      {0, 5, "新パラメータ定義ファイル・インストール成功\n\n'C:\\Docs\\Orvex\\Cti_par.txt'"},
      {1, 5, "自動更新成功 Cnt = 5"},
  };
  EXPECT_EQ(Run(), expected);
  EXPECT_TRUE(ok_);
  EXPECT_EQ(context_.wait_stage, kWaitWorking);
  EXPECT_EQ(files_.files["C:\\Run\\OLDP_Cti_par.txt"], "installed");
  EXPECT_EQ(files_.files["C:\\Run\\OLDV_Cti_par.txt"], "second");
  EXPECT_EQ(files_.files["C:\\Run\\OLDM_Cti_par.txt"], "documents");
  EXPECT_EQ(files_.files["C:\\Run\\Cti_par_2001.txt"], DefinitionText("2001"));
  EXPECT_EQ(files_.files["C:\\Orvex\\Cti_par.txt"], DefinitionText("2001"));
  EXPECT_EQ(files_.files["C:\\Docs\\Orvex\\Cti_par.txt"], DefinitionText("2001"));
  // The device's parameters as read, and the filled ones.
  EXPECT_EQ(SavedImage("C:\\Run\\OLD_MCPARA.prg"), as_read);
  const std::string saved = SavedImage("C:\\Run\\MCPARA.prg");
  EXPECT_EQ(saved, std::string(reinterpret_cast<const char*>(image_->Bytes()), kParameterImageSize));
  EXPECT_EQ(static_cast<uint8_t>(saved[60]), 5);
}

TEST_F(UpdateStep, SecondRunInTheSameFolderKeepsTheBackupsOfTheFirst) {
  Run();
  // The repair run after a run that was killed once it had installed the new file.
  context_.report_value = 0;
  const std::vector<Sent> sent = Run();
  EXPECT_EQ(sent[0].text, "現パラメータ定義ファイル保存済\n\n'C:\\Run\\OLDP_Cti_par.txt'");
  EXPECT_EQ(files_.files["C:\\Run\\OLDP_Cti_par.txt"], "installed");
  EXPECT_EQ(files_.files["C:\\Run\\OLDM_Cti_par.txt"], "documents");
  EXPECT_EQ(files_.files["C:\\Docs\\Orvex\\Cti_par.txt"], DefinitionText("2001"));
  EXPECT_TRUE(ok_);
}

TEST_F(UpdateStep, ReadOnlyInstalledFilesAreBackedUpAndReplaced) {
  files_.read_only.insert("C:\\Orvex\\Cti_par.txt");
  const std::vector<Sent> sent = Run();
  EXPECT_EQ(sent.back().text, "自動更新成功 Cnt = 5");
  EXPECT_EQ(files_.files["C:\\Orvex\\Cti_par.txt"], DefinitionText("2001"));
  EXPECT_EQ(files_.read_only.count("C:\\Run\\OLDP_Cti_par.txt"), 0u);
}

TEST_F(UpdateStep, FailedBackupsGoOnAFailedInstallFailsTheUpdate) {
  files_.fail_copy_to = {"C:\\Run\\OLDV_Cti_par.txt", "C:\\Second\\Cti_par.txt"};
  const std::vector<Sent> sent = Run();
  ASSERT_EQ(sent.size(), 11u);
  EXPECT_EQ(sent[1].text,
            "現パラメータ定義ファイル保存失敗\n\n'C:\\Second\\Cti_par.txt' → "
            "'C:\\Run\\OLDV_Cti_par.txt'\n\nErr = 5 : error 5");
  EXPECT_EQ(sent[1].code, 0u);
  EXPECT_EQ(sent[8].text,
            "新パラメータ定義ファイル・インストール失敗\n\n'C:\\Pkg\\Cti_par_2001.txt' → "
            "'C:\\Second\\Cti_par.txt'\n\nErr = 5 : error 5");
  // Every location is still tried.
  EXPECT_EQ(files_.files["C:\\Docs\\Orvex\\Cti_par.txt"], DefinitionText("2001"));
  EXPECT_EQ(
      sent.back(),
      (Sent{2, 5, "自動更新失敗 Cnt = 5\n\n新しいパラメータ定義ファイルのインストールに失敗しています。"}));
}

TEST_F(UpdateStep, NewSaveFileThatCannotBeWrittenStopsBeforeTheInstall) {
  files_.fail_create_for = {"C:\\Run\\MCPARA.prg"};
  const std::vector<Sent> sent = Run();
  EXPECT_FALSE(ok_);
  EXPECT_EQ(
      sent.back(),
      (Sent{2, 5, "新デバイスパラメータ・ファイル保存失敗\n\n'C:\\Run\\MCPARA.prg'\n\nErr = 3 : error 3"}));
  EXPECT_EQ(files_.files["C:\\Orvex\\Cti_par.txt"], "installed");

  // A write that breaks off: its own words, and the backup before it reported but not fatal.
  files_.fail_create_for.clear();
  files_.fail_write = true;
  const std::vector<Sent> broken = Run();
  EXPECT_EQ(broken[4].text, "現デバイスパラメータ・ファイル書込失敗 Err = 28");
  EXPECT_EQ(broken.back().text, "新デバイスパラメータ・ファイル書込失敗 Err = 28");
  EXPECT_EQ(files_.files.count("C:\\Run\\MCPARA.prg"), 0u);
}

TEST_F(UpdateStep, WithoutARunFolderNothingIsSavedButTheDefinitionIsInstalled) {
  context_.handoff.run_folder.clear();
  const std::vector<Sent> sent = Run();
  ASSERT_EQ(sent.size(), 9u);
  EXPECT_EQ(sent[0].text, "現パラメータ定義ファイルは、保存先フォルダ未設定のため保存無");
  EXPECT_EQ(sent[1].text, "新パラメータ定義ファイルは、保存先フォルダ未設定のため保存無");
  EXPECT_EQ(sent[2].text, "現デバイスパラメータは、保存先フォルダ未設定のため保存無");
  EXPECT_EQ(sent[4].text, "新デバイスパラメータは、保存先フォルダ未設定のため保存無");
  EXPECT_EQ(sent.back().text, "自動更新成功 Cnt = 5");
  EXPECT_EQ(files_.files["C:\\Orvex\\Cti_par.txt"], DefinitionText("2001"));
}

TEST_F(UpdateStep, WithoutADefinitionOnlyTheParametersAreSaved) {
  input_.definition = nullptr;
  input_.selected_path.clear();
  context_.report_value = -1;
  files_.files.erase("C:\\Second\\Cti_par.txt");
  files_.files.erase("C:\\Docs\\Orvex\\Cti_par.txt");
  const std::vector<Sent> sent = Run();
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_EQ(sent[0].text,
            "現パラメータ定義ファイル保存成功\n\n'C:\\Orvex\\Cti_par.txt' → 'C:\\Run\\OLDP_Cti_par.txt'");
  EXPECT_EQ(sent.back(),
            (Sent{1, -1, "自動更新成功 Cnt = -1\n\n（パラメータ定義ファイルは更新されません）"}));
  EXPECT_EQ(files_.files["C:\\Orvex\\Cti_par.txt"], "installed");
  // Nothing filled: the save file holds the device's parameters as they were.
  EXPECT_EQ(SavedImage("C:\\Run\\MCPARA.prg"), std::string(kParameterImageSize, '\0'));

  // Nothing installed anywhere either: the install folder's own words.
  files_.files.erase("C:\\Orvex\\Cti_par.txt");
  const std::vector<Sent> none = Run();
  EXPECT_EQ(none[0].text,
            "現パラメータ定義ファイルは、インストール先フォルダ未設定(あるいはファイル不存在)のため保存無");
}

TEST_F(UpdateStep, ARepeatedNoticeGoesStraightToTheInstall) {
  context_.install_locations = {"C:\\Orvex\\Cti_par.txt", "", ""};
  input_.repeat = true;
  const std::vector<Sent> sent = Run();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].text, "新パラメータ定義ファイル・インストール成功\n\n'C:\\Orvex\\Cti_par.txt'");
  EXPECT_EQ(sent[1].text, "自動更新成功 Cnt = 0");
  EXPECT_EQ(files_.files.count("C:\\Run\\MCPARA.prg"), 0u);
}
