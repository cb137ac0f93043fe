// The real OrvexFlash.exe started as OrvexRoll starts it: "/a AutoVerUp.def /w ..." from a parent
// that keeps the reports, against a fresh simulated adapter with short delays.
#include <gtest/gtest.h>
#include <windows.h>

#include "AdapterPaces.h"
#include "ChildReport.h"
#include "FlashEndToEnd.h"
#include "Format.h"
#include "Sequencer.h"

using namespace orvex;
using namespace orvex::flash;
using namespace orvex::flash::e2e;

namespace {

// Paced progress reports (see the manual tests); quick restarts.
constexpr char kPaced[] = "progress_steps = 2\nprogress_interval_ms = 1000\n";

class AutoEndToEnd : public FlashEndToEnd {
 protected:
  // AutoVerUp.def as OrvexRoll writes it: model, "wait,retries,force,stage,resume", folders,
  // the three main-controller slots, the parameter save file, the program files.
  std::string WriteHandoff(int wait_s, int retries, const std::string slots[4], const std::vector<std::string>& files) {
    std::string text = Format("0\r\n%d,%d,0,1,0\r\n|%s\r\n%s\r\n", wait_s, retries, folder.Path().c_str(),
                              folder.Sub("run").c_str());
    for (int i = 0; i < 4; ++i) text += slots[i] + "\r\n";
    for (const std::string& f : files) text += f + "\r\n";
    EXPECT_TRUE(folder.Write("run\\AutoVerUp.def", text));
    return folder.PathOf("run\\AutoVerUp.def");
  }
  // Runs the tool to its end (at most `ms`); its exit code.
  std::optional<DWORD> RunAutomatic(const std::string& handoff, DWORD ms = 60000) {
    parent.ClearText();
    if (!Start("/a \"" + handoff + "\" /w " + parent.WindowArguments(), {}, true)) return std::nullopt;
    auto code = app->WaitExit(ms);
    EXPECT_TRUE(code) << Screen();
    return code;
  }
  std::vector<int32_t> UpdateStages() const {
    std::vector<int32_t> stages;
    for (const auto& r : parent.Reports())
      if (r.text.rfind("更新開始(", 0) == 0) stages.push_back(r.value);
    return stages;
  }
  bool Said(const std::string& text) const {
    for (const auto& r : parent.Reports())
      if (r.text == text) return true;
    return false;
  }
  std::string Log() const {
    std::string log;
    for (const auto& r : parent.Reports()) log += Format("[%u %d] %s\n", r.code, r.value, r.text.c_str());
    return log;
  }
  std::string Put(const std::string& name, const std::vector<uint8_t>& bytes) {
    EXPECT_TRUE(folder.Write("pkg\\" + name, Bytes(bytes)));
    return folder.PathOf("pkg\\" + name);
  }

  uidriver::ReportParent parent;
};

}  // namespace

// At adapter paces from far faster than the tool's waits to far slower: each file written once.
class AutoPaced : public AutoEndToEnd, public ::testing::WithParamInterface<uidriver::AdapterPace> {};
INSTANTIATE_TEST_SUITE_P(Paces, AutoPaced, ::testing::ValuesIn(uidriver::SweepPaces()), uidriver::AdapterPaceName());

TEST_P(AutoPaced, NormalRunOnAFirstGenerationBoard) {
  Adapter(std::string(kPaced) + "mc = 0x00 0x1105 0x1010 0x2001 0x0100\n" + GetParam().lines);
  folder.Sub("pkg");
  const std::vector<uint8_t> parameters = ParameterFile(0x2002);
  std::string slots[4] = {Put("MC_A.prg", Image(kMagicMain, 0x00, 0, 0x1020, 20000)),
                          Put("MC_B.prg", Image(kMagicMain, 0x00, 0, 0x1030, 20000)), "",
                          folder.PathOf("run\\MCPARA.prg")};
  std::vector<std::string> files = {Put("MC_DSP.prg", Image(kMagicMain, 0x01, 0, 0x1200, 20001)),
                                    Put("INS64_CPU.prg", Image(kMagicMain, 0x10, 0x00, 0x1200, 20000))};
  std::string handoff = WriteHandoff(60, 0, slots, files);
  ASSERT_TRUE(folder.Write("run\\MCPARA.prg", Bytes(parameters)));
  auto code = RunAutomatic(handoff, 300000);  // five writes at the slowest pace take minutes
  ASSERT_TRUE(code);
  EXPECT_EQ(*code, 0xFFFFFFFFu);
  EXPECT_EQ(UpdateStages(), (std::vector<int32_t>{-1, 2, 3, -2, -4})) << Log();
  ASSERT_FALSE(parent.Reports().empty());
  EXPECT_EQ(parent.Reports().back().code, autoupdate::kReportSuccess) << Log();
  EXPECT_EQ(parent.Reports().back().text, "自動更新成功 Cnt = 5 / 5");
  EXPECT_EQ(parent.Reports().back().value, kStageFinished);
  EXPECT_EQ(parent.Reports().back().resume, 0x0Bu);
  // Every processor runs the package's version, the parameters are the handed-over file's.
  sim::SimState s = sim->State();
  EXPECT_EQ(s.mc.words[0], 0x1200);
  EXPECT_EQ(s.mc.words[1], 0x1030);
  EXPECT_EQ(s.mc.words[2], 0x2002);
  EXPECT_EQ(s.boards[3].words[2], 0x1200);
  EXPECT_EQ(sim->ReadFile("Parameters.prg"), Bytes(parameters));
  EXPECT_EQ(uidriver::ProgramWrites(sim->Log()), 5u);
  uidriver::RecordSweepRow(GetParam(), "OrvexFlash /a", uidriver::ProgramWrites(sim->Log()));
}

TEST_F(AutoEndToEnd, SecondGenerationBoardSkipsTheFirstSlots) {
  Adapter(kPaced);
  folder.Sub("pkg");
  std::string slots[4] = {Put("MC_A.prg", Image(kMagicMain, 0x00, 0, 0x2020, 20000)),
                          Put("MC_B.prg", Image(kMagicMain, 0x00, 0, 0x2030, 20000)), "",
                          folder.PathOf("run\\MCPARA.prg")};
  std::vector<std::string> files = {Put("INS64_CPU.prg", Image(kMagicMain, 0x10, 0x00, 0x1200, 20000)),
                                    folder.PathOf("pkg\\GONE.prg"),
                                    Put("PV_CPU.prg", Image(kMagicSecond, 0x20, 0x40, 0x3001, 20000))};
  std::string handoff = WriteHandoff(60, 0, slots, files);
  ASSERT_TRUE(folder.Write("run\\MCPARA.prg", Bytes(ParameterFile(0x2002))));
  auto code = RunAutomatic(handoff);
  ASSERT_TRUE(code);
  EXPECT_EQ(UpdateStages(), (std::vector<int32_t>{2, 4, -4})) << Log();
  EXPECT_TRUE(Said("更新対象外 : GONE.prg")) << Log();
  // Four files to handle, one of them missing.
  EXPECT_EQ(parent.Reports().back().text, "自動更新成功 Cnt = 3 / 3") << Log();
  EXPECT_EQ(sim->State().mc.words[1], 0x2010);  // the first slots were not written
  EXPECT_EQ(sim->State().boards[4].words[2], 0x3001);
}

TEST_F(AutoEndToEnd, ThreeFailuresInARowSpendTheRetries) {
  Adapter(std::string(kPaced) + "restart_after_failure = 1\nfault.write_result = 0x12\n");
  folder.Sub("pkg");
  std::string slots[4];
  std::string handoff = WriteHandoff(60, 2, slots, {Put("INS64_CPU.prg", Image(kMagicMain, 0x10, 0x00, 0x1200, 20000))});
  auto code = RunAutomatic(handoff);
  ASSERT_TRUE(code);
  EXPECT_EQ(UpdateStages(), (std::vector<int32_t>{2})) << Log();
  EXPECT_TRUE(Said("更新リトライ Cnt = 1")) << Log();
  EXPECT_TRUE(Said("更新リトライ Cnt = 2")) << Log();
  EXPECT_EQ(parent.Reports().back().code, autoupdate::kReportDeviceError) << Log();
  EXPECT_EQ(parent.Reports().back().text, "更新リトライ回数オーバー");
  EXPECT_EQ(parent.Reports().back().value, 2);
}

TEST_F(AutoEndToEnd, NoAdapterWithinThirtySeconds) {
  Adapter("present = 0\n");
  std::string slots[4];
  std::string handoff = WriteHandoff(30, 0, slots, {});
  auto code = RunAutomatic(handoff, 60000);
  ASSERT_TRUE(code);
  ASSERT_EQ(parent.Reports().size(), 1u) << Log();
  EXPECT_EQ(parent.Reports()[0].code, autoupdate::kReportDeviceError);
  EXPECT_EQ(parent.Reports()[0].text, "デバイス接続待機時間オーバー(30秒)");
}
