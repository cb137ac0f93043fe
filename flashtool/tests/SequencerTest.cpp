// The automatic mode's sequencer, driven as the main window drives it: a run at every start of
// the main controller's channel, the update dialog's outcome in between.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <vector>

#include "ChildReport.h"
#include "Cp932Text.h"
#include "DeviceRecords.h"
#include "FileListRules.h"
#include "Sequencer.h"

using namespace orvex;
using namespace orvex::flash;

namespace {

struct ReportLine {
  uint32_t code;
  std::string text;
  int32_t stage;
  uint32_t resume;
};

// The list of a folder, the reports and the update commands, as the window would have them.
class FakeWindow : public SequencerHost {
 public:
  std::map<std::string, std::map<std::string, uint32_t>> folders;  // folder -> name -> item data
  std::string folder = "C:\\pkg\\";
  std::string extension = "prg";
  std::vector<ReportLine> reports;
  std::vector<int32_t> updates;  // the stage of every update command
  std::optional<int> ended;
  int fills = 0;
  bool fill_fails = false;
  Sequencer* sequencer = nullptr;

  void Report(uint32_t code, const std::string& text) override {
    reports.push_back({code, text, sequencer->Stage(), sequencer->Resume()});
  }
  bool FillList() override {
    ++fills;
    return !fill_fails;
  }
  std::string ListFolder() const override { return folder; }
  std::string ListExtension() const override { return extension; }
  void SetListLocation(const std::string& f, const std::string& e) override {
    folder = f;
    extension = e;
  }
  std::optional<uint32_t> SelectFile(const std::string& name) override {
    auto f = folders.find(folder);
    if (f == folders.end()) return std::nullopt;
    for (const auto& [file, data] : f->second) {
      if (EqualsNoCase(file, name) && EqualsNoCase(SplitFilePath(file).extension, extension)) return data;
    }
    return std::nullopt;
  }
  void PostUpdate() override { updates.push_back(sequencer->Stage()); }
  void EndWindow(int result) override { ended = result; }

  std::vector<std::string> Texts() const {
    std::vector<std::string> t;
    for (const auto& r : reports) t.push_back(r.text);
    return t;
  }
  bool Said(const std::string& text) const {
    for (const auto& r : reports)
      if (r.text == text) return true;
    return false;
  }
};

std::vector<uint8_t> Started(uint8_t channel, uint8_t kind, std::vector<uint16_t> words) {
  uint8_t payload[10] = {kind};
  for (size_t i = 0; i < words.size() && i < 4; ++i) PutLe16(payload + 2 + 2 * i, words[i]);
  return BuildNotificationRecord(channel, kCodeChannelStarted, payload, sizeof payload);
}

// An adapter of five channels: the main controller (DSP 1.105, CPU `cpu`, parameters 2.001) and
// an INS64 board on channel 3 (CPU 1.105).
DeviceVersionTable Adapter(uint16_t cpu) {
  DeviceVersionTable table(60, 5);
  for (auto& r : {Started(3, 0x02, {0x1000, 0x1020, 0x1105}), Started(5, 0x00, {0x1105, cpu, 0x2001, 0x0100})}) {
    table.OnChannelStarted(r.data(), r.size());
  }
  return table;
}

// The package: two main-controller programs for the fixed slots, two listed files, the
// parameter save file in the run folder.
SequencerSetup Package(FakeWindow& w) {
  w.folders["C:\\pkg\\"] = {{"MC_A.prg", FileItemData(0x00, 0, 0x1020)},
                            {"MC_B.prg", FileItemData(0x00, 0, 0x1030)},
                            {"MC_DSP.prg", FileItemData(0x01, 0, 0x1200)},
                            {"INS64.prg", FileItemData(0x10, 0x00, 0x1200)},
                            {"INS1500.prg", FileItemData(0x10, 0x20, 0x1300)}};
  w.folders["C:\\run\\"] = {{"MCPARA.prg", FileItemData(0x91, 3, 0x2002)}};
  SequencerSetup s;
  s.fixed_slots[0] = "C:\\pkg\\MC_A.prg";
  s.fixed_slots[1] = "C:\\pkg\\MC_B.prg";
  s.fixed_slots[3] = "C:\\run\\MCPARA.prg";
  s.program_files = {"C:\\pkg\\MC_DSP.prg", "C:\\pkg\\INS64.prg"};
  return s;
}

// Runs the sequencer to its end, every update succeeding (or as `outcome` says), with at most
// `limit` runs.
void RunThrough(Sequencer& seq, FakeWindow& w, const DeviceVersionTable& table,
                const std::function<bool(int32_t)>& outcome = nullptr, int limit = 20) {
  for (int i = 0; i < limit && !w.ended; ++i) {
    size_t before = w.updates.size();
    seq.Run(table);
    if (w.ended) return;
    ASSERT_EQ(w.updates.size(), before + 1) << "a run that neither updates nor ends";
    if (!outcome || outcome(seq.Stage())) {
      seq.OnUpdateSucceeded();
    } else {
      seq.OnUpdateFailed();
    }
  }
}

}  // namespace

TEST(Sequencer, NormalRunOnAFirstGenerationBoard) {
  FakeWindow w;
  Sequencer seq(Package(w), w);
  w.sequencer = &seq;
  RunThrough(seq, w, Adapter(0x1010));
  EXPECT_EQ(w.updates, (std::vector<int32_t>{-1, 2, 3, -2, -4}));
  ASSERT_TRUE(w.ended);
  EXPECT_EQ(*w.ended, -1);
  EXPECT_EQ(w.reports.back().code, autoupdate::kReportSuccess);
  EXPECT_EQ(w.reports.back().text, "自動更新成功 Cnt = 5 / 5");
  EXPECT_EQ(w.reports.back().stage, kStageFinished);
  EXPECT_EQ(w.reports.back().resume, 0x0Bu);  // slots -1, -2 and -4 written
  EXPECT_TRUE(w.Said("更新開始(v1.010) : MC_A.prg(00h, 00h, v1.020)"));
  EXPECT_TRUE(w.Said("更新開始(v1.105) : MC_DSP.prg(01h, 00h, v1.200)"));
  EXPECT_TRUE(w.Said("更新開始(v2.001) : MCPARA.prg(91h, 03h, v2.002)"));
  // Slot -3 is skipped on a normal run without a report.
  EXPECT_FALSE(w.Said("更新ファイル名未設定(-3)"));
  // The parameter save file lies in another folder: the list moved there.
  EXPECT_EQ(w.folder, "C:\\run\\");
}

TEST(Sequencer, SecondGenerationBoardSkipsTheFixedSlots) {
  FakeWindow w;
  Sequencer seq(Package(w), w);
  w.sequencer = &seq;
  RunThrough(seq, w, Adapter(0x2010));
  EXPECT_EQ(w.updates, (std::vector<int32_t>{2, 3, -4}));
  EXPECT_EQ(w.reports.back().text, "自動更新成功 Cnt = 3 / 3");
  EXPECT_EQ(seq.Generation(), 2);
}

TEST(Sequencer, MissingFileLowersTheSecondCount) {
  FakeWindow w;
  SequencerSetup setup = Package(w);
  setup.program_files.insert(setup.program_files.begin() + 1, "C:\\pkg\\GONE.prg");
  Sequencer seq(setup, w);
  w.sequencer = &seq;
  RunThrough(seq, w, Adapter(0x2010));
  EXPECT_TRUE(w.Said("更新対象外 : GONE.prg"));
  EXPECT_EQ(w.updates, (std::vector<int32_t>{2, 4, -4}));
  EXPECT_EQ(w.reports.back().text, "自動更新成功 Cnt = 3 / 3");
  EXPECT_EQ(seq.Total(), 4);
  EXPECT_EQ(seq.NotFound(), 1);
}

TEST(Sequencer, FilesThatAreNotNeeded) {
  FakeWindow w;
  SequencerSetup setup = Package(w);
  // INS1500 has no board; the INS64 board already runs 1.200 and more.
  setup.program_files = {"C:\\pkg\\INS1500.prg", "C:\\pkg\\INS64.prg"};
  setup.fixed_slots[3].clear();
  DeviceVersionTable table = Adapter(0x2010);
  auto newer = Started(3, 0x02, {0x1000, 0x1020, 0x1200});
  table.OnChannelStarted(newer.data(), newer.size());
  Sequencer seq(setup, w);
  w.sequencer = &seq;
  seq.Run(table);
  EXPECT_TRUE(w.Said("更新不要(未装着) : INS1500.prg(10h, 20h, v1.300)"));
  EXPECT_TRUE(w.Said("更新不要(v1.200) : INS64.prg(10h, 00h, v1.200)"));
  EXPECT_TRUE(w.Said("更新ファイル名未設定(-4)"));
  EXPECT_TRUE(w.updates.empty());
  EXPECT_EQ(w.reports.back().text, "自動更新成功 Cnt = 0 / 2");

  // The force flag updates a file that is not newer, but never one without a board.
  FakeWindow forced_window;
  setup = Package(forced_window);
  setup.program_files = {"C:\\pkg\\INS1500.prg", "C:\\pkg\\INS64.prg"};
  setup.force = true;
  Sequencer forced(setup, forced_window);
  forced_window.sequencer = &forced;
  forced.Run(table);
  EXPECT_EQ(forced_window.updates, (std::vector<int32_t>{3}));
}

TEST(Sequencer, RetriesUntilTheRetryCountIsSpent) {
  FakeWindow w;
  SequencerSetup setup = Package(w);
  setup.retry_count = 2;
  Sequencer seq(setup, w);
  w.sequencer = &seq;
  RunThrough(seq, w, Adapter(0x2010), [](int32_t stage) { return stage != 3; });
  EXPECT_EQ(w.updates, (std::vector<int32_t>{2, 3, 3, 3}));
  EXPECT_TRUE(w.Said("更新リトライ Cnt = 1"));
  EXPECT_TRUE(w.Said("更新リトライ Cnt = 2"));
  EXPECT_EQ(w.reports.back().code, autoupdate::kReportDeviceError);
  EXPECT_EQ(w.reports.back().text, "更新リトライ回数オーバー");
  EXPECT_EQ(w.reports.back().stage, 3);
  EXPECT_EQ(*w.ended, -1);

  // A success in between starts the streak again.
  FakeWindow again;
  setup = Package(again);
  setup.retry_count = 1;
  Sequencer seq2(setup, again);
  again.sequencer = &seq2;
  int calls = 0;
  RunThrough(seq2, again, Adapter(0x2010), [&](int32_t) { return ++calls % 2 == 0; });
  EXPECT_EQ(again.updates, (std::vector<int32_t>{2, 2, 3, 3, -4, -4}));
  EXPECT_EQ(again.reports.back().text, "自動更新成功 Cnt = 3 / 3");
}

TEST(Sequencer, RepairRunFromStageThreeKeepsTheResumeValue) {
  FakeWindow w;
  SequencerSetup setup = Package(w);
  setup.first_stage = 3;
  setup.resume = 0x3;  // slots -1 and -2 were written by the failed run
  setup.program_files.insert(setup.program_files.begin(), "C:\\pkg\\MC_A.prg");
  Sequencer seq(setup, w);
  w.sequencer = &seq;
  RunThrough(seq, w, Adapter(0x1010));
  ASSERT_GE(w.reports.size(), 1u);
  EXPECT_EQ(w.reports[0].text, "修復処理実行(3, 3h)");
  EXPECT_EQ(w.reports[0].stage, 3);
  // Stage 3 is the DSP file, updated although the device says nothing newer would be needed for a
  // repair; then the INS64 file, the second fixed slot, the parameter save file.
  EXPECT_EQ(w.updates, (std::vector<int32_t>{3, 4, -2, -4}));
  EXPECT_EQ(w.reports.back().text, "修復更新成功 Cnt = 4 / 6");
  EXPECT_EQ(w.reports.back().resume, 0x0Bu);
}

TEST(Sequencer, RepairRunSkipsAMainProgramOnceTheFirstSlotIsWritten) {
  FakeWindow w;
  SequencerSetup setup = Package(w);
  setup.first_stage = 2;
  setup.resume = 0x1;
  setup.program_files = {"C:\\pkg\\MC_A.prg", "C:\\pkg\\INS64.prg"};
  Sequencer seq(setup, w);
  w.sequencer = &seq;
  seq.Run(Adapter(0x1010));
  EXPECT_TRUE(w.Said("更新除外(v1.010) : MC_A.prg(00h, 00h, v1.020)"));
  EXPECT_EQ(w.updates, (std::vector<int32_t>{3}));
}

TEST(Sequencer, RepairFromTheParameterSlotOnAFirstGenerationBoard) {
  FakeWindow w;
  SequencerSetup setup = Package(w);
  setup.fixed_slots[2] = "C:\\pkg\\MC_DSP.prg";
  setup.first_stage = -4;
  setup.resume = kResumeParameterWritten;
  Sequencer seq(setup, w);
  w.sequencer = &seq;
  RunThrough(seq, w, Adapter(0x1010));
  EXPECT_EQ(w.reports[0].text, "修復処理実行(-3, 20000h)");
  EXPECT_EQ(seq.FirstStage(), -3);
  // Slot -3 is forced; the parameter save file was written already.
  EXPECT_EQ(w.updates, (std::vector<int32_t>{-3}));
  EXPECT_TRUE(w.Said("書戻不要 : MCPARA.prg(91h, 03h, v2.002)"));
  EXPECT_EQ(w.reports.back().text, "修復更新成功 Cnt = 1 / 5");
}

TEST(Sequencer, AListedParameterFileSparesTheWriteBack) {
  FakeWindow w;
  SequencerSetup setup = Package(w);
  w.folders["C:\\pkg\\"]["PARA.prg"] = FileItemData(0x91, 3, 0x2002);
  setup.program_files = {"C:\\pkg\\PARA.prg"};
  Sequencer seq(setup, w);
  w.sequencer = &seq;
  RunThrough(seq, w, Adapter(0x2010));
  EXPECT_EQ(w.updates, (std::vector<int32_t>{2}));
  EXPECT_TRUE(w.Said("書戻不要 : MCPARA.prg(91h, 03h, v2.002)"));
  EXPECT_EQ(w.reports.back().resume, kResumeListParameterFile | kResumeParameterWritten);
}

TEST(Sequencer, ResetAfterTheFirstUpdateOfASecondGenerationRepair) {
  FakeWindow w;
  SequencerSetup setup = Package(w);
  setup.first_stage = 2;
  Sequencer seq(setup, w);
  w.sequencer = &seq;
  seq.Run(Adapter(0x2010));
  ASSERT_EQ(w.updates, (std::vector<int32_t>{2}));  // the DSP file, the stage the repair starts at
  EXPECT_TRUE(seq.TakeResetAfterUpdate());
  EXPECT_FALSE(seq.TakeResetAfterUpdate());
  seq.OnUpdateSucceeded();
  seq.Run(Adapter(0x2010));
  EXPECT_FALSE(seq.ResetPending());
}

TEST(Sequencer, StagesBeyondTheListAndFillFailuresEndTheRun) {
  FakeWindow w;
  SequencerSetup setup = Package(w);
  setup.first_stage = 9;  // beyond the two listed files
  setup.fixed_slots[3].clear();
  Sequencer seq(setup, w);
  w.sequencer = &seq;
  RunThrough(seq, w, Adapter(0x2010));
  ASSERT_TRUE(w.ended);
  EXPECT_TRUE(w.updates.empty());
  EXPECT_EQ(w.reports.back().text, "修復更新成功 Cnt = 0 / 2");

  FakeWindow failing;
  failing.fill_fails = true;
  Sequencer seq2(Package(failing), failing);
  failing.sequencer = &seq2;
  seq2.Run(Adapter(0x2010));
  EXPECT_EQ(failing.reports.back().code, autoupdate::kReportResourceError);
  EXPECT_EQ(failing.reports.back().text, "更新ファイル検索失敗");
  EXPECT_EQ(*failing.ended, -1);
}
