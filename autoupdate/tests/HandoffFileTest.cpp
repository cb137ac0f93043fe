// Hand-off files: OrvexRoll's writers against the children's readers.
#include <gtest/gtest.h>

#include "HandoffFile.h"
#include "ModelNumber.h"

using namespace orvex::autoupdate;

namespace {

struct Reports : ReportSink {
  std::vector<std::pair<uint32_t, std::string>> calls;
  void Report(uint32_t code, std::string_view text) override { calls.emplace_back(code, std::string(text)); }
};

UpdateInfo SampleInfo() {
  UpdateInfo info;
  info.device_wait_time = 45;
  info.device_num_retry = 2;
  info.force_update = 2;  // parameter initial values only
  info.def_files = {"C:\\u\\Para\\a.txt", "", "C:\\u\\Para\\b.txt"};
  info.prg_files = {"", "C:\\u\\Prg\\McCPU.prg", "", "C:\\u\\Prg\\McDSP.prg", ""};
  return info;
}

HandoffFolders SampleFolders() {
  HandoffFolders f;
  f.model = 1;
  f.install_folder = "C:\\Program Files\\Orvex\\Bin\\";
  f.documents_folder = "C:\\Users\\u\\Documents\\Orvex\\";
  f.run_folder = "C:\\OrvexRoll\\20240102_030405\\";
  return f;
}

}  // namespace

TEST(HandoffFile, AutoParaRoundTrip) {
  HandoffText text = BuildAutoParaText(SampleInfo(), SampleFolders());
  EXPECT_EQ(text.count, 2);  // the empty DefFile entry has no line and is not counted
  EXPECT_EQ(text.text,
            "1\r\n45,2,1\r\nC:\\Program Files\\Orvex\\Bin\\|C:\\Users\\u\\Documents\\Orvex\\\r\n"
            "C:\\OrvexRoll\\20240102_030405\\\r\nMCPARA.prg\r\nC:\\u\\Para\\a.txt\r\nC:\\u\\Para\\b.txt\r\n");

  AutoParaContent read;
  Reports reports;
  EXPECT_EQ(ParseAutoPara(text.text, "C:\\u\\Bin\\OrvexSet.exe", &read, &reports), 2);
  EXPECT_TRUE(reports.calls.empty());
  EXPECT_EQ(read.model, 1);
  EXPECT_EQ(read.wait_ms, 45000u);
  EXPECT_EQ(read.retry_count, 2);
  EXPECT_EQ(read.fill_flag, 1);
  EXPECT_EQ(read.install_folder, "C:\\Program Files\\Orvex\\Bin\\");
  EXPECT_EQ(read.documents_folder, "C:\\Users\\u\\Documents\\Orvex\\");
  EXPECT_EQ(read.run_folder, "C:\\OrvexRoll\\20240102_030405\\");
  EXPECT_EQ(read.save_file_name, "MCPARA.prg");
  EXPECT_EQ(read.definition_files, (std::vector<std::string>{"C:\\u\\Para\\a.txt", "C:\\u\\Para\\b.txt"}));
}

TEST(HandoffFile, AutoVerUpRoundTrip) {
  UpdateInfo info = SampleInfo();
  info.force_update = 1;
  HandoffFolders folders = SampleFolders();
  folders.install_folder = "";
  VersionUpdateStart start;
  start.stage = 3;
  start.resume_value = 0x30005;
  start.parameter_tool_present = true;
  HandoffText text = BuildAutoVerUpText(info, folders, start);
  EXPECT_EQ(text.count, 2);
  // An empty USB1McFile list: lines 4-6 are empty.
  EXPECT_EQ(text.text,
            "1\r\n45,2,1,3,196613\r\n|C:\\Users\\u\\Documents\\Orvex\\\r\nC:\\OrvexRoll\\20240102_030405\\\r\n"
            "\r\n\r\n\r\nC:\\OrvexRoll\\20240102_030405\\MCPARA.prg\r\n"
            "C:\\u\\Prg\\McCPU.prg\r\nC:\\u\\Prg\\McDSP.prg\r\n");

  AutoVerUpContent read;
  EXPECT_EQ(ParseAutoVerUp(text.text, "C:\\u\\Bin\\OrvexFlash.exe", &read, nullptr), 2);
  EXPECT_EQ(read.model, 1);
  EXPECT_EQ(read.wait_ms, 45000u);
  EXPECT_EQ(read.retry_count, 2);
  EXPECT_EQ(read.force_flag, 1);
  EXPECT_EQ(read.first_stage, 3);
  EXPECT_EQ(read.resume_value, 0x30005u);
  EXPECT_EQ(read.install_folder, "");
  EXPECT_EQ(read.run_folder, "C:\\OrvexRoll\\20240102_030405\\");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(read.fixed_slots[i], "") << i;
  EXPECT_EQ(read.fixed_slots[3], "C:\\OrvexRoll\\20240102_030405\\MCPARA.prg");
  EXPECT_EQ(read.program_files, (std::vector<std::string>{"C:\\u\\Prg\\McCPU.prg", "C:\\u\\Prg\\McDSP.prg"}));

  // Three USB 1.1 files fill the slots; more are not handed over; no parameter tool, no line 7.
  info.usb1mc_files = {"C:\\u\\a.prg", "C:\\u\\b.prg", "C:\\u\\c.prg", "C:\\u\\d.prg"};
  start = VersionUpdateStart();
  start.resume_value = 0xFFFFFFFF;
  text = BuildAutoVerUpText(info, folders, start);
  read = AutoVerUpContent();
  ParseAutoVerUp(text.text, "C:\\x.exe", &read, nullptr);
  EXPECT_EQ(read.fixed_slots[0], "C:\\u\\a.prg");
  EXPECT_EQ(read.fixed_slots[2], "C:\\u\\c.prg");
  EXPECT_EQ(read.fixed_slots[3], "");
  EXPECT_EQ(read.first_stage, 1);
  EXPECT_EQ(read.resume_value, 0xFFFFFFFFu);

  // A wait of 0 and the stages 0 and -5 go over as written; the reader keeps its own wait and
  // starts from stage 1.
  info.device_wait_time = 0;
  for (int32_t stage : {0, -5}) {
    start.stage = stage;
    AutoVerUpContent back;
    back.wait_ms = 30000;
    ParseAutoVerUp(BuildAutoVerUpText(info, folders, start).text, "C:\\x.exe", &back, nullptr);
    EXPECT_EQ(back.first_stage, 1) << stage;
    EXPECT_EQ(back.wait_ms, 30000u) << stage;
  }
}

TEST(HandoffFile, ReaderLineRules) {
  // A first field of 0 keeps the default wait; stage 0 and stages below -4 start at 1.
  AutoVerUpContent v;
  v.wait_ms = 30000;
  ParseAutoVerUp("9\n0,,,0,7\n", "C:\\x.exe", &v, nullptr);
  EXPECT_EQ(v.model, 0);  // outside 0-4
  EXPECT_EQ(v.wait_ms, 30000u);
  EXPECT_EQ(v.retry_count, 0);
  EXPECT_EQ(v.first_stage, 1);
  EXPECT_EQ(v.resume_value, 7u);
  struct Case {
    const char* text;
    int stage;
    uint32_t wait_ms;
  };
  for (const Case& c : {Case{"0\n1,0,0,-5,0\n", 1, 1000}, Case{"0\n2,0,0,-4,0\n", -4, 2000},
                        Case{"0\n4294968,0,0,5,0\n", 5, 60000}}) {
    AutoVerUpContent read;
    ParseAutoVerUp(c.text, "C:\\x.exe", &read, nullptr);
    EXPECT_EQ(read.first_stage, c.stage) << c.text;
    EXPECT_EQ(read.wait_ms, c.wait_ms) << c.text;  // 4294968 s would overflow and is ignored
  }
  AutoVerUpContent longest;
  ParseAutoVerUp("0\n4294967\n", "C:\\x.exe", &longest, nullptr);
  EXPECT_EQ(longest.wait_ms, 4294967000u);

  // Folders get their backslash in OrvexFlash; ';' cuts; Ctrl-Z ends the file.
  AutoVerUpContent f;
  int n = ParseAutoVerUp("0\r\n1\r\nC:\\in|C:\\doc;x\rC:\\run\r\n\r\n\r\n\r\n\r\nprg\\a.prg\r\n\x1A" "b.prg\r\n",
                         "C:\\u\\Bin\\OrvexFlash.exe", &f, nullptr);
  EXPECT_EQ(f.install_folder, "C:\\in\\");
  EXPECT_EQ(f.documents_folder, "C:\\doc\\");
  // The lone CR is kept inside the stream, so "C:\run" shares the line with the documents folder.
  EXPECT_EQ(f.run_folder, "");
  EXPECT_EQ(n, 0);

  // OrvexSet: a leading '\' of the save file name goes, '|' on line 3 splits, relative files are
  // completed from the program path, and a file without definition lines is reported.
  AutoParaContent p;
  Reports reports;
  EXPECT_EQ(ParseAutoPara("2\n\n\nC:\\run\\|C:\\second\\\n\\OLD.prg\na.txt\n", "C:\\u\\Bin\\OrvexSet.exe", &p,
                          &reports),
            1);
  EXPECT_EQ(p.model, 2);
  EXPECT_EQ(p.run_folder, "C:\\run\\");
  EXPECT_EQ(p.run_second_field, "C:\\second\\");
  EXPECT_EQ(p.save_file_name, "OLD.prg");
  EXPECT_EQ(p.definition_files, std::vector<std::string>{"C:\\u\\Bin\\a.txt"});
  EXPECT_TRUE(reports.calls.empty());
  AutoParaContent none;
  EXPECT_EQ(ParseAutoPara("0\n60,3,0\n|\nC:\\run\\\nMCPARA.prg\n\n", "C:\\x.exe", &none, &reports), 0);
  ASSERT_EQ(reports.calls.size(), 1u);
  EXPECT_EQ(reports.calls[0].first, 0u);
  EXPECT_EQ(reports.calls[0].second, "更新用パラメータ定義ファイル指定無");
}

TEST(HandoffFile, LongLinesAreReadInPiecesSoTheWriterRefusesThem) {
  // In OrvexFlash's 388-byte buffer a 400-character run folder becomes two lines and shifts the rest.
  std::string run(400, 'r');
  AutoVerUpContent shifted;
  ParseAutoVerUp("0\n1\n\n" + run + "\n\n\n\n\n", "C:\\x.exe", &shifted, nullptr);
  EXPECT_EQ(shifted.run_folder, std::string(387, 'r') + "\\");
  EXPECT_EQ(shifted.fixed_slots[0], std::string(13, 'r'));

  UpdateInfo info;
  HandoffFolders folders;
  folders.run_folder = std::string(384, 'r') + "\\";  // 385 + CR LF + NUL fit 388
  EXPECT_EQ(BuildAutoVerUpText(info, folders, {}).count, 0);
  folders.run_folder = std::string(385, 'r') + "\\";
  HandoffText refused = BuildAutoVerUpText(info, folders, {});
  EXPECT_EQ(refused.count, -1);
  EXPECT_EQ(refused.refusal_error, 206u);
  EXPECT_TRUE(refused.text.empty());
  // OrvexSet's 2048-byte buffer takes the same folder.
  EXPECT_EQ(BuildAutoParaText(info, folders).count, 0);
  info.def_files = {std::string(2046, 'd')};
  EXPECT_EQ(BuildAutoParaText(info, folders).refusal_error, 206u);

  // A ';' would cut the path in the child.
  UpdateInfo plain;
  HandoffFolders semicolon = SampleFolders();
  semicolon.documents_folder = "C:\\a;b\\";
  HandoffText cut = BuildAutoParaText(plain, semicolon);
  EXPECT_EQ(cut.count, -1);
  EXPECT_EQ(cut.refusal_error, 123u);
  EXPECT_EQ(cut.refused_line, "C:\\Program Files\\Orvex\\Bin\\|C:\\a;b\\");
  // A Ctrl-Z would end the child's reading early.
  plain.prg_files = {"C:\\u\\a\x1A.prg", "C:\\u\\b.prg"};
  EXPECT_EQ(BuildAutoVerUpText(plain, SampleFolders(), {}).refusal_error, 123u);
}

TEST(HandoffFile, ModelNumbersAndNames) {
  EXPECT_EQ(ModelNumber("KV-4100CTIアダプター"), 0);
  EXPECT_EQ(ModelNumber("pv-2"), 1);
  EXPECT_EQ(ModelNumber("Kx"), 2);
  EXPECT_EQ(ModelNumber("PX9"), 3);
  EXPECT_EQ(ModelNumber("orx"), 4);
  EXPECT_EQ(ModelNumber("OR"), 0);
  EXPECT_EQ(ModelNumber(""), 0);
  // Every entry can match: none starts with an earlier one.
  for (int i = 0; i < kModelCount; ++i) EXPECT_EQ(ModelNumber(kModelPrefixes[i]), i);

  HandoffKind kind;
  EXPECT_TRUE(HandoffKindFromName("C:\\run\\autopara.DEF", &kind));
  EXPECT_EQ(kind, HandoffKind::kAutoPara);
  EXPECT_TRUE(HandoffKindFromName("/tmp/x/AutoVerUp.def", &kind));
  EXPECT_EQ(kind, HandoffKind::kAutoVerUp);
  EXPECT_FALSE(HandoffKindFromName("C:\\run\\AutoPara.def.bak", &kind));
}
