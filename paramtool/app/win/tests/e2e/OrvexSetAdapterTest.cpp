// OrvexSet.exe with the simulated adapter, run as its callers run it: the file modes from a
// command line (the full exit code), the interactive paths driven by the UI driver, and the
// automatic parameter update under a report parent as OrvexRoll starts it. Each test has a fresh
// adapter (short delays) and a program folder of its own.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "AdapterPaces.h"
#include "DefinitionLoader.h"
#include "ParameterSaveFile.h"
#include "ProgramFolder.h"
#include "ProgramHeader.h"
#include "Settings.h"
#include "UiDriver.h"
#include "Wide.h"

namespace orvex {
namespace {

using autoupdate::test_support::ReadAll;
using autoupdate::test_support::WriteAll;
using uidriver::DrivenProcess;
using uidriver::Match;
using uidriver::MessageIcon;
using uidriver::ProgramFolder;
using uidriver::ReportParent;
using uidriver::SimFolder;
using uidriver::Window;

constexpr DWORD kWaitMs = 20000;
// Less than the file modes' 30-second wait for a device: a run that waited for it fails.
constexpr DWORD kAtOnceMs = 15000;
constexpr int kChannelList = 2005;
constexpr int kDeviceWrite = 2001;
constexpr int kDeviceRead = 2002;
constexpr int kBlockCommon = 2100;
constexpr int kLetterB = 2203;
constexpr int kConfirmText1 = 1111;

std::string SampleText(const char* version = nullptr) {
  std::string text = ReadAll(uidriver::SourcePath("paramtool/model/Cti_par.txt"));
  if (version != nullptr) {
    const size_t at = text.find("[VER] 1003");
    EXPECT_NE(at, std::string::npos);
    text.replace(at, 10, std::string("[VER] ") + version);
  }
  return text;
}

std::unique_ptr<ParameterDefinition> Sample(const char* version = nullptr) {
  DefinitionLoad load = LoadDefinitionFromMemory(SampleText(version));
  EXPECT_EQ(load.result, kDefinitionLoaded);
  return std::move(load.definition);
}

std::string FileOf(const ParameterImage& image, const ParameterDefinition& definition) {
  auto file = ComposeFileImage(image, definition.class_byte, definition.version);
  return std::string(reinterpret_cast<const char*>(file->bytes), sizeof file->bytes);
}

// The save file of a definition's initial values, as `orvex def new` writes it.
std::string InitialFile(const ParameterDefinition& definition) {
  auto image = std::make_unique<ParameterImage>();
  BuildImage(definition, image.get());
  return FileOf(*image, definition);
}

void PutChecksum(std::string* file) {
  const uint16_t sum = FileChecksum(reinterpret_cast<const uint8_t*>(file->data()), file->size());
  (*file)[8] = static_cast<char>(sum & 0xFF);
  (*file)[9] = static_cast<char>(sum >> 8);
}

// The initial values with channel 1 in block 3 ("Ｂ"): a list that shows it has been read.
std::string MarkedFile(const ParameterDefinition& definition) {
  std::string file = InitialFile(definition);
  file[32 + 0] = 2;
  PutChecksum(&file);
  return file;
}
constexpr char kReadRow0[] = "Ｂ - ｱﾅﾛｸﾞ局線";

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class OrvexSetAdapter : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = folder_.AddProgram("paramtool/app/win/OrvexSet.exe");
    ASSERT_FALSE(program_.empty());
    ASSERT_FALSE(folder_.AddFile(uidriver::SourcePath("paramtool/model/Cti_par.txt")).empty());
    Settings settings("OrvexSet");
    settings.SetInt("AutoRead", 1);
    settings.SetText("PrgPath", folder_.Path());
    settings.SetText("DefPath", folder_.Path());
  }

  // A fresh adapter with these state lines, holding `parameters` as its stored parameter file.
  void Adapter(const std::string& lines, const std::string& parameters = {}) {
    sim_ = std::make_unique<SimFolder>(lines);
    if (!parameters.empty()) {
      ASSERT_TRUE(WriteAll(SimFile("Parameters.prg"), parameters));
    }
  }
  std::string SimFile(const std::string& name) const { return FromWide(sim_->Path()) + "\\" + name; }
  std::string Stored() const { return sim_->ReadFile("Parameters.prg"); }

  std::optional<DrivenProcess> Start(const std::string& arguments = {}, bool inherit = false) {
    std::string error;
    auto app = DrivenProcess::Start(program_, arguments, folder_.Path(), {}, inherit, &error);
    EXPECT_TRUE(app) << error;
    return app;
  }

  // A file mode run to its end: the full exit code.
  std::optional<DWORD> Run(const std::string& arguments, DWORD limit_ms = kWaitMs) {
    auto app = Start(arguments);
    if (!app) return std::nullopt;
    auto code = app->WaitExit(limit_ms);
    EXPECT_TRUE(code) << "still running; on screen:\n" << uidriver::DescribeProcess(app->pid());
    return code;
  }

  std::optional<Window> MainWindow(const DrivenProcess& app) {
    auto main = uidriver::WaitWindow("Orvex - ", app.pid(), kWaitMs, Match::kPrefix);
    EXPECT_TRUE(main) << uidriver::DescribeProcess(app.pid());
    return main;
  }

  // Waits until the channel row shows `text`.
  bool WaitRow(const Window& main, int row, const std::string& text) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < kWaitMs) {
      auto rows = main.ListRows(kChannelList);
      if (rows.size() > static_cast<size_t>(row) && rows[static_cast<size_t>(row)][0] == text) return true;
      Sleep(50);
    }
    ADD_FAILURE() << "row " << row << " never showed '" << text << "'; it shows '"
                  << main.ListRows(kChannelList)[static_cast<size_t>(row)][0] << "'";
    return false;
  }

  std::optional<uidriver::MessageBoxInfo> Box(const DrivenProcess& app, const std::string& caption = {}) {
    auto box = caption.empty() ? uidriver::WaitMessageBox(app.pid(), kWaitMs)
                               : uidriver::WaitMessageBox(app.pid(), kWaitMs, caption);
    EXPECT_TRUE(box) << uidriver::DescribeProcess(app.pid());
    return box;
  }

  ProgramFolder folder_;
  std::string program_;
  std::unique_ptr<SimFolder> sim_;
};

// ---- File modes ---------------------------------------------------------------------------------

TEST_F(OrvexSetAdapter, ReadFileModeWritesWhatTheAdapterHoldsOrLeavesTheFileAlone) {
  auto sample = Sample();
  std::string stored = InitialFile(*sample);
  stored[32 + 7] = 3;  // channel 8 in block 4
  PutChecksum(&stored);
  Adapter("", stored);
  const std::string out = folder_.PathOf("out.prg");
  const std::string read = "/s \"" + out + "\" /m";
  EXPECT_EQ(Run(read), std::optional<DWORD>(0));
  EXPECT_EQ(ReadAll(out), stored);

  // A read that comes short, or stops at a block it cannot take: 3, and the earlier file stays.
  ASSERT_TRUE(WriteAll(out, "earlier"));
  sim_->Set("fault.read_short = 100\nfault.read_short.times = 1\n");
  EXPECT_EQ(Run(read), std::optional<DWORD>(3));
  EXPECT_EQ(ReadAll(out), "earlier");
  sim_->Set("fault.read_malformed = 10\nfault.read_malformed.times = 1\n");
  EXPECT_EQ(Run(read), std::optional<DWORD>(3));
  EXPECT_EQ(ReadAll(out), "earlier");

  // A read the device refuses to start: a device failure.
  sim_->Set("fault.read_start = 5\nfault.read_start.times = 1\n");
  EXPECT_EQ(Run(read), std::optional<DWORD>(257));

  // An adapter that answers the attach with "attached at once" is read like any other.
  sim_->Set("attach_at_once = 1\n");
  EXPECT_EQ(Run(read), std::optional<DWORD>(0));
  EXPECT_EQ(ReadAll(out), stored);

  // No adapter on the bus: 256 at once, without waiting for one.
  sim_->Set("present = 0\n");
  EXPECT_EQ(Run(read, kAtOnceMs), std::optional<DWORD>(256));
}

TEST_F(OrvexSetAdapter, WriteFileModeStoresTheFileOrSaysWhyNot) {
  auto sample = Sample();
  Adapter("", InitialFile(*sample));
  std::string file = InitialFile(*sample);
  file[32 + 60 + 0] = 42;  // 装置番号 of 共通設定
  PutChecksum(&file);
  ASSERT_TRUE(folder_.Write("in.prg", file));
  auto write = [&](const std::string& name, bool quiet = true) {
    return "/f \"" + folder_.PathOf(name) + "\"" + (quiet ? " /m" : "");
  };
  EXPECT_EQ(Run(write("in.prg")), std::optional<DWORD>(0));
  EXPECT_EQ(Stored(), file);

  // Files the adapter must never see: another kind of image, a broken checksum.
  std::string firmware = file;
  firmware[6] = 0x00;
  PutChecksum(&firmware);
  ASSERT_TRUE(folder_.Write("firmware.prg", firmware));
  std::string damaged = file;
  damaged[500] ^= 0x10;
  ASSERT_TRUE(folder_.Write("damaged.prg", damaged));
  const size_t writes = Count(sim_->Log(), "program write request");
  EXPECT_EQ(Run(write("firmware.prg")), std::optional<DWORD>(3));
  EXPECT_EQ(Run(write("damaged.prg")), std::optional<DWORD>(3));
  EXPECT_EQ(Count(sim_->Log(), "program write request"), writes);
  EXPECT_EQ(Run(write("missing.prg")), std::optional<DWORD>(1));

  // The device reports a failed write: a device failure, with its message unless /m.
  sim_->Set("fault.write_result = 0x12 1 2 3 4 5 6 7\nfault.write_result.times = 1\n");
  ASSERT_TRUE(folder_.Write("other.prg", InitialFile(*sample)));
  auto app = Start(write("other.prg", false));
  ASSERT_TRUE(app);
  auto box = Box(*app);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->caption, "パラメータ書換");
  EXPECT_EQ(box->text,
            "デバイスに異常が発生しました。※一旦、デバイスの電源をOFFにして、しばらくしてから電源ONにして再度"
            "実行して下さい。");
  EXPECT_EQ(box->icon, MessageIcon::kExclamation);
  ASSERT_TRUE(box->Answer(IDOK));
  EXPECT_EQ(app->WaitExit(kWaitMs), std::optional<DWORD>(257));
  EXPECT_EQ(Stored(), file);

  // A device that falls silent during the write: 257 after five quiet seconds.
  sim_->Set("fault.write_silent = 3\nfault.write_silent.times = 1\n");
  EXPECT_EQ(Run(write("other.prg")), std::optional<DWORD>(257));
  EXPECT_EQ(Stored(), file);
}

// ---- Interactive --------------------------------------------------------------------------------

TEST_F(OrvexSetAdapter, ReadAtOnceShowsTheBoardsAndTheRestoreNeedsNoDevice) {
  auto sample = Sample();
  Adapter("", MarkedFile(*sample));
  auto app = Start();
  ASSERT_TRUE(app);
  auto main = MainWindow(*app);
  ASSERT_TRUE(main);
  // Read at once: the adapter's boards by name; channel 5 is the system channel.
  ASSERT_TRUE(WaitRow(*main, 0, kReadRow0));
  auto rows = main->ListRows(kChannelList);
  EXPECT_EQ(rows[1][0], "Ａ - ｱﾅﾛｸﾞ内線");
  EXPECT_EQ(rows[2][0], "Ａ - INS64    ");  // padded to 14 bytes
  EXPECT_EQ(rows[3][0], "Ａ - PVﾎﾞｰﾄﾞ  ");
  EXPECT_EQ(rows[4][0], "Ａ            ");
  EXPECT_EQ(main->Caption(), "Orvex - Orvex CTIアダプタ 標準パラメータ <1003-2001-0100>");
  EXPECT_TRUE(main->IsEnabled(kDeviceWrite));
  EXPECT_TRUE(main->IsEnabled(kDeviceRead));
  const size_t reads = Count(sim_->Log(), "parameter read of");
  EXPECT_EQ(reads, 1u);

  // A change, then back to the parameters as read: without the box, nothing goes to the device.
  ASSERT_TRUE(main->SelectRow(kChannelList, 5));
  ASSERT_TRUE(main->Click(kLetterB));
  EXPECT_EQ(main->ListRows(kChannelList)[5][0], "Ｂ            ");
  ASSERT_TRUE(main->Click(kDeviceRead));
  auto pending = Box(*app, "デバイス読込確認");
  ASSERT_TRUE(pending);
  ASSERT_TRUE(pending->Answer(IDYES));
  auto confirm = uidriver::WaitWindow("デバイス・パラメータ読込確認", app->pid(), kWaitMs);
  ASSERT_TRUE(confirm) << uidriver::DescribeProcess(app->pid());
  EXPECT_FALSE(confirm->IsChecked(1113));
  ASSERT_TRUE(confirm->Click(IDYES));
  ASSERT_TRUE(confirm->WaitGone(kWaitMs));
  EXPECT_EQ(main->ListRows(kChannelList)[5][0], "Ａ            ");
  EXPECT_EQ(Count(sim_->Log(), "parameter read of"), reads);
  ASSERT_TRUE(main->Click(2000));  // nothing pending any more: closes at once
  EXPECT_EQ(app->WaitExit(kWaitMs), std::optional<DWORD>(0));
}

// Every transfer of the tool, each once, at adapter paces from far faster than the tool's waits
// to far slower: the file modes, then a value changed in the window and written.
class OrvexSetPaced : public OrvexSetAdapter, public ::testing::WithParamInterface<uidriver::AdapterPace> {};
INSTANTIATE_TEST_SUITE_P(Paces, OrvexSetPaced, ::testing::ValuesIn(uidriver::SweepPaces()),
                         uidriver::AdapterPaceName());

TEST_P(OrvexSetPaced, FileModesAndAChangedValueReachTheAdapterOnceAtItsBytes) {
  auto sample = Sample();
  const std::string initial = MarkedFile(*sample);
  Adapter(GetParam().lines, InitialFile(*sample));
  auto writes = [&] { return uidriver::ProgramWrites(sim_->Log()); };

  // /f: one write, the adapter holds the file; /s reads it back unchanged, writing nothing.
  ASSERT_TRUE(folder_.Write("in.prg", initial));
  EXPECT_EQ(Run("/f \"" + folder_.PathOf("in.prg") + "\" /m"), std::optional<DWORD>(0));
  EXPECT_EQ(Stored(), initial);
  EXPECT_EQ(writes(), 1u) << sim_->Log();
  uidriver::RecordSweepRow(GetParam(), "OrvexSet /f", writes());
  ASSERT_TRUE(sim_->WaitAvailable());  // back from the restart that follows a write
  EXPECT_EQ(Run("/s \"" + folder_.PathOf("out.prg") + "\" /m"), std::optional<DWORD>(0));
  EXPECT_EQ(folder_.Read("out.prg"), initial);
  EXPECT_EQ(writes(), 1u);
  uidriver::RecordSweepRow(GetParam(), "OrvexSet /s", writes() - 1);

  auto app = Start();
  ASSERT_TRUE(app);
  auto main = MainWindow(*app);
  ASSERT_TRUE(main);
  ASSERT_TRUE(WaitRow(*main, 0, kReadRow0));

  ASSERT_TRUE(main->Click(kBlockCommon));
  auto settings = uidriver::WaitWindow("共通設定 - パラメータ設定", app->pid(), kWaitMs);
  ASSERT_TRUE(settings) << uidriver::DescribeProcess(app->pid());
  ASSERT_TRUE(settings->SetEditText(11000, "42"));  // 装置番号
  ASSERT_TRUE(settings->Click(3007));               // 適用
  ASSERT_TRUE(settings->Close());
  ASSERT_TRUE(settings->WaitGone(kWaitMs));
  // Applied with the adapter there: the balloon points at the write button.
  auto balloon = [&] {
    auto controls = main->Controls();
    return std::any_of(controls.begin(), controls.end(),
                       [](const auto& c) { return c.class_name == "OrvexBalloonTip"; });
  };
  const DWORD start = GetTickCount();
  while (!balloon() && GetTickCount() - start < kWaitMs) Sleep(50);
  EXPECT_TRUE(balloon()) << uidriver::DescribeProcess(app->pid());

  ASSERT_TRUE(main->Click(kDeviceWrite));
  auto question = Box(*app, "デバイス・パラメータ書込確認");
  ASSERT_TRUE(question);
  EXPECT_EQ(question->text, "パラメータ設定データをデバイスに書き込みます。\n\nよろしいですか？");
  ASSERT_TRUE(question->Answer(IDYES));
  auto result = Box(*app, "デバイス書込結果");
  ASSERT_TRUE(result);
  // Its icon is not looked at here: the adapter restarts meanwhile, and the connection question
  // it brings may already cover the box (the in-process test checks the icon).
  EXPECT_EQ(result->text, "パラメータ設定データは正常にデバイスに書き込まれました。");
  ASSERT_TRUE(result->Answer(IDOK));
  EXPECT_FALSE(balloon());

  std::string expected = initial;
  expected[32 + 60 + 0] = 42;
  PutChecksum(&expected);
  EXPECT_EQ(Stored(), expected);

  // The adapter restarts with its new parameters; back, it is not read unasked.
  auto again = uidriver::WaitWindow("デバイス接続確認", app->pid(), kWaitMs);
  ASSERT_TRUE(again) << uidriver::DescribeProcess(app->pid()) << "\nthe adapter's log:\n" << sim_->ReadFile("OrvexSim.log");
  ASSERT_TRUE(again->Click(IDCANCEL));
  ASSERT_TRUE(again->WaitGone(kWaitMs));
  ASSERT_TRUE(main->Click(2000));  // written: nothing pending
  EXPECT_EQ(app->WaitExit(kWaitMs), std::optional<DWORD>(0));
  EXPECT_EQ(writes(), 2u) << sim_->Log();
  uidriver::RecordSweepRow(GetParam(), "OrvexSet read and write", writes() - 1);
}

TEST_F(OrvexSetAdapter, UnplugWhileTheConnectionQuestionIsOpen) {
  Settings("OrvexSet").SetInt("AutoRead", 0);
  auto sample = Sample();
  Adapter("", InitialFile(*sample));
  auto app = Start();
  ASSERT_TRUE(app);
  auto main = MainWindow(*app);
  ASSERT_TRUE(main);
  auto question = uidriver::WaitWindow("デバイス接続確認", app->pid(), kWaitMs);
  ASSERT_TRUE(question) << uidriver::DescribeProcess(app->pid());
  EXPECT_EQ(question->Text(kConfirmText1), "デバイスの接続を検出しました。");
  EXPECT_EQ(main->ListRows(kChannelList)[0][0], "Ａ - ｱﾅﾛｸﾞ局線");

  sim_->Set("present = 0\n");
  ASSERT_TRUE(question->WaitGone(kWaitMs));
  ASSERT_TRUE(WaitRow(*main, 0, "Ａ            "));
  EXPECT_FALSE(main->IsEnabled(kDeviceRead));
  EXPECT_FALSE(uidriver::WaitMessageBox(app->pid(), 1000));  // no message about it

  // Back on the bus: asked again, and "いいえ" reads nothing.
  sim_->Set("present = 1\n");
  auto back = uidriver::WaitWindow("デバイス接続確認", app->pid(), kWaitMs);
  ASSERT_TRUE(back) << uidriver::DescribeProcess(app->pid());
  ASSERT_TRUE(back->Click(IDCANCEL));
  ASSERT_TRUE(back->WaitGone(kWaitMs));
  EXPECT_EQ(Count(sim_->Log(), "parameter read of"), 0u);
  ASSERT_TRUE(main->Click(2000));
  EXPECT_EQ(app->WaitExit(kWaitMs), std::optional<DWORD>(0));
}

TEST_F(OrvexSetAdapter, DeviceStoppedAlarmAsksAndYesResetsTheAdapter) {
  Settings("OrvexSet").SetInt("AutoRead", 0);
  auto sample = Sample();
  Adapter("fault.alarm = 0x42\nfault.alarm.times = 1\n", InitialFile(*sample));
  auto app = Start();
  ASSERT_TRUE(app);
  auto box = Box(*app);
  ASSERT_TRUE(box);
  EXPECT_EQ(
      box->text,
      "デバイスに致命的なエラーが発生しました。 Stat = 42h\n\nハードウェア・リセットを実行しますか？\n\n"
      "※ここでハードウェア・リセットを行わない場合は、デバイスの電源を一旦OFF(しばらくしてからON)"
      "にして下さい。");
  EXPECT_EQ(box->buttons.size(), 2u);  // はい and いいえ (the connection question may cover its icon)
  EXPECT_TRUE(box->HasButton(IDNO));
  EXPECT_EQ(sim_->Log().find("hardware reset"), std::string::npos);
  ASSERT_TRUE(box->Answer(IDYES));
  // An alarm that comes before the connection question is asked has that question open inside it
  // (the reset follows once it is answered), else the adapter asks again when back from its reset.
  if (auto connect = uidriver::WaitWindow("デバイス接続確認", app->pid(), 5000)) connect->Click(IDCANCEL);
  EXPECT_TRUE(sim_->WaitForLog("hardware reset, the adapter leaves the bus"));
}

// ---- Automatic parameter update -----------------------------------------------------------------

class OrvexSetAutomatic : public OrvexSetAdapter {
 protected:
  void SetUp() override {
    OrvexSetAdapter::SetUp();
    install_ = folder_.Sub("install");
    second_ = folder_.Sub("second");
    documents_ = folder_.Sub("documents");
    run_ = folder_.Sub("run");
    package_ = folder_.Sub("package");
    ASSERT_TRUE(WriteAll(install_ + "Cti_par.txt", SampleText()));
    ASSERT_TRUE(WriteAll(second_ + "Cti_par.txt", SampleText()));
    ASSERT_TRUE(WriteAll(documents_ + "Cti_par.txt", SampleText()));
    ASSERT_TRUE(WriteAll(package_ + "Cti_par_1010.txt", SampleText("1010")));
    ASSERT_TRUE(WriteAll(package_ + "Cti_par_2001.txt", SampleText("2001")));
  }

  // AutoPara.def as OrvexRoll writes it (line 3 with the second field it never writes).
  std::string HandOff(int wait_seconds = 60, int fill_flag = 0) {
    const std::string path = run_ + "AutoPara.def";
    EXPECT_TRUE(WriteAll(path, "0\r\n" + std::to_string(wait_seconds) + ",1," + std::to_string(fill_flag) + "\r\n" + install_ + "|" +
                                   documents_ + "\r\n" + run_ + "|" + second_ + "\r\nMCPARA.prg\r\n" +
                                   package_ + "Cti_par_1010.txt\r\n" + package_ + "Cti_par_2001.txt\r\n"));
    return path;
  }

  // The whole run under a report parent; its reports.
  std::vector<uidriver::ChildReportRecord> RunAutomatic(const std::string& handoff) {
    ReportParent parent;
    EXPECT_TRUE(parent.Ready());
    auto app = Start("/a \"" + handoff + "\" /w " + parent.WindowArguments(), true);
    if (!app) return {};
    EXPECT_EQ(app->WaitExit(kWaitMs), std::optional<DWORD>(0)) << uidriver::DescribeProcess(app->pid());
    return parent.Reports();
  }

  std::string install_, second_, documents_, run_, package_;
};

TEST_F(OrvexSetAutomatic, ChoosesTheDefinitionForTheMainControllerFillsAndInstalls) {
  auto definition = Sample("2001");
  auto image = std::make_unique<ParameterImage>();
  BuildImage(*definition, image.get());
  // What the device left empty: three items with initial values to fill (装置番号, 装置名称,
  // 着信応答回数), and two that stay: a check box and an item of a zero-valid range.
  uint8_t* common = image->Block(1).bytes;
  common[0x00] = 0;
  std::memset(common + 0x02, 0, 16);
  common[0x16] = 0;
  common[0x18] = common[0x19] = 0;
  image->Block(2).bytes[0x01] = 0;
  const std::string stored = FileOf(*image, *definition);
  Adapter("mc = 0x00 0x1105 0x2105 0x2001 0x0100\n", stored);

  auto reports = RunAutomatic(HandOff());
  const std::string chosen = package_ + "Cti_par_2001.txt";
  const std::vector<std::tuple<uint32_t, int32_t, std::string>> expected = {
      {0, -1, "パラメータ定義ファイル・バージョン : 2.001(MC-CPU=2.105)\n\n'" + chosen},
      {0, 0,
       "現パラメータ定義ファイル保存成功\n\n'" + install_ + "Cti_par.txt' → '" + run_ + "OLDP_Cti_par.txt'"},
      {0, 0,
       "現パラメータ定義ファイル保存成功\n\n'" + second_ + "Cti_par.txt' → '" + run_ + "OLDV_Cti_par.txt'"},
      {0, 0,
       "現パラメータ定義ファイル保存成功\n\n'" + documents_ + "Cti_par.txt' → '" + run_ +
           "OLDM_Cti_par.txt'"},
      {0, 0, "新パラメータ定義ファイル保存成功\n\n'" + run_ + "Cti_par_2001.txt'"},
      {0, 0, "現デバイスパラメータ・ファイル保存成功\n\n'" + run_ + "OLD_MCPARA.prg'"},
      {0, 2, "ゼロ有効項目 CMDB1, PAR1, Offs = 18h"},
      {0, 2, "ゼロ有効項目 CMDB1, PAR1, Offs = 1Ah"},
      {0, 2, "ゼロ有効項目 CMDB1, PAR1, Offs = 20h"},
      {0, 3, "ゼロ有効項目 CMDB2, PAR2, Offs = 15h"},
      {0, 3, "ゼロ有効項目 CMDB3, PAR3, Offs = 12h"},
      {0, 3, "ゼロ有効項目 CMDB4, PAR4, Offs = 1Eh"},
      {0, 3, "ゼロ有効項目 CMDB5, PAR5, Offs = 21h"},
      {0, 3, "新デバイスパラメータ・ファイル保存成功\n\n'" + run_ + "MCPARA.prg'"},
      {0, 3, "新パラメータ定義ファイル・インストール成功\n\n'" + install_ + "Cti_par.txt'"},
      {0, 3, "新パラメータ定義ファイル・インストール成功\n\n'" + second_ + "Cti_par.txt'"},
      {0, 3, "新パラメータ定義ファイル・インストール成功\n\n'" + documents_ + "Cti_par.txt'"},
      {1, 3, "自動更新成功 Cnt = 3"},
  };
  ASSERT_EQ(reports.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(reports[i].code, std::get<0>(expected[i])) << i;
    EXPECT_EQ(reports[i].value, std::get<1>(expected[i])) << i;
    EXPECT_EQ(reports[i].text, std::get<2>(expected[i])) << i;
  }

  // The run folder: the backups, the new definition, the device's parameters as read and as filled.
  EXPECT_EQ(ReadAll(run_ + "OLDP_Cti_par.txt"), SampleText());
  EXPECT_EQ(ReadAll(run_ + "OLDV_Cti_par.txt"), SampleText());
  EXPECT_EQ(ReadAll(run_ + "OLDM_Cti_par.txt"), SampleText());
  EXPECT_EQ(ReadAll(run_ + "Cti_par_2001.txt"), SampleText("2001"));
  EXPECT_EQ(ReadAll(run_ + "OLD_MCPARA.prg"), stored);
  auto filled = std::make_unique<ParameterImage>();
  BuildImage(*definition, filled.get());
  filled->Block(1).bytes[0x16] = 0;
  filled->Block(1).bytes[0x18] = filled->Block(1).bytes[0x19] = 0;
  EXPECT_EQ(ReadAll(run_ + "MCPARA.prg"), FileOf(*filled, *definition));
  // Installed everywhere it was.
  EXPECT_EQ(ReadAll(install_ + "Cti_par.txt"), SampleText("2001"));
  EXPECT_EQ(ReadAll(second_ + "Cti_par.txt"), SampleText("2001"));
  EXPECT_EQ(ReadAll(documents_ + "Cti_par.txt"), SampleText("2001"));
}

TEST_F(OrvexSetAutomatic, WithTheFillFlagZeroValidItemsAreFilledToo) {
  auto definition = Sample("2001");
  auto image = std::make_unique<ParameterImage>();
  BuildImage(*definition, image.get());
  image->Block(1).bytes[0x00] = 0;                           // 装置番号
  image->Block(1).bytes[0x18] = image->Block(1).bytes[0x19] = 0;  // 着信監視時間, zero-valid
  Adapter("mc = 0x00 0x1105 0x2105 0x2001 0x0100\n", FileOf(*image, *definition));
  auto reports = RunAutomatic(HandOff(60, 1));
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.back().text, "自動更新成功 Cnt = 2");
  EXPECT_EQ(std::count_if(reports.begin(), reports.end(),
                          [](const auto& r) { return r.text.rfind("ゼロ有効項目", 0) == 0; }),
            7);
  auto filled = std::make_unique<ParameterImage>();
  BuildImage(*definition, filled.get());
  EXPECT_EQ(ReadAll(run_ + "MCPARA.prg"), FileOf(*filled, *definition));
}

TEST_F(OrvexSetAutomatic, AProtectedMainControllerVersionKeepsTheDefinition) {
  auto definition = Sample();
  const std::string stored = InitialFile(*definition);
  Adapter("mc = 0x00 0x1105 0x9001 0x2001 0x0100\n", stored);
  auto reports = RunAutomatic(HandOff());
  ASSERT_GE(reports.size(), 2u);
  EXPECT_EQ(reports.front().code, 1u);
  EXPECT_EQ(reports.front().value, -1);
  EXPECT_EQ(reports.front().text, "パラメータ書換不可MCバージョン : 9.001(MC-CPU)");
  EXPECT_EQ(reports.back().code, 1u);
  EXPECT_EQ(reports.back().value, -1);
  EXPECT_EQ(reports.back().text, "自動更新成功 Cnt = -1\n\n（パラメータ定義ファイルは更新されません）");
  for (const auto& report : reports)
    EXPECT_EQ(report.text.find("インストール"), std::string::npos) << report.text;
  // The parameters are read and saved all the same; no definition is installed.
  EXPECT_EQ(ReadAll(run_ + "OLD_MCPARA.prg"), stored);
  EXPECT_EQ(ReadAll(run_ + "MCPARA.prg"), stored);
  EXPECT_EQ(ReadAll(install_ + "Cti_par.txt"), SampleText());
}

TEST_F(OrvexSetAutomatic, ASilentSystemChannelRunsOutTheWait) {
  Adapter("fault.system_silent = 1\n", InitialFile(*Sample()));
  auto reports = RunAutomatic(HandOff(1));
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].code, 256u);
  EXPECT_EQ(reports[0].value, -1);
  EXPECT_EQ(reports[0].text, "システム・チャネル接続待機時間オーバー(1秒)");
}

}  // namespace
}  // namespace orvex
