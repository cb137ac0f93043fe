// The real OrvexFlash.exe in manual mode, driven from outside as a technician drives it, against
// a fresh simulated adapter.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include "AdapterPaces.h"
#include "ClipboardReport.h"
#include "DebugLevels.h"
#include "FileListRules.h"
#include "FlashEndToEnd.h"
#include "FlashIds.h"
#include "Handles.h"
#include "MainWindowRules.h"
#include "UpdateTransferRules.h"
#include "Wide.h"
#include "WindowsVersionOf.h"

using namespace orvex;
using namespace orvex::flash;
using namespace orvex::flash::e2e;
using uidriver::MessageIcon;

namespace {

// A first-generation main board: the first family's main-controller programs are listed. Its
// progress reports are paced so that a test sees the bar move.
constexpr char kFirstGeneration[] =
    "mc = 0x00 0x1105 0x1010 0x2001 0x0100\nprogress_steps = 2\nprogress_interval_ms = 1000\n";

std::vector<std::string> Column(const std::vector<std::vector<std::string>>& rows, size_t c) {
  std::vector<std::string> out;
  for (const auto& r : rows) out.push_back(c < r.size() ? r[c] : std::string());
  return out;
}

// The service key with both levels at 0, gone afterwards.
struct ServiceKey {
  ServiceKey() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Services\\Orvex");
    for (const char* key : {kDriverLevelKey, kLibraryLevelKey}) {
      UniqueKey k;
      RegCreateKeyExW(HKEY_LOCAL_MACHINE, ToWide(key).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.Put(), nullptr);
      DWORD zero = 0;
      RegSetValueExW(k.Get(), L"DebugLevel", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&zero), sizeof zero);
    }
  }
  ~ServiceKey() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Services\\Orvex"); }
  static DWORD Read(const char* key) {
    DWORD value = 0xDEADBEEF, size = sizeof value;
    RegGetValueW(HKEY_LOCAL_MACHINE, ToWide(key).c_str(), L"DebugLevel", RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
  }
};

class ManualEndToEnd : public FlashEndToEnd {
 protected:
  // Starts the tool and waits until the main controller's row shows its versions.
  std::optional<Window> StartAttached() {
    if (!Start()) return std::nullopt;
    auto main = Main();
    if (!main) return std::nullopt;
    bool up = WaitFor([&] {
      auto rows = main->ListRows(IDC_MAIN_DEVICES);
      return !rows.empty() && rows[0].size() > 2 && !rows[0][2].empty() && main->IsEnabled(IDC_MAIN_UPDATE);
    });
    EXPECT_TRUE(up) << Screen();
    if (!up) return std::nullopt;
    return main;
  }
  // A dialog the main window opened, found by its owner: the driver takes an about box (an icon
  // and one OK button) for a message box.
  std::optional<Window> OwnedDialog(const Window& main) {
    std::optional<Window> found;
    WaitFor([&] {
      for (const auto& record : uidriver::Windows(app->pid()))
        if (record.class_name == "#32770" && record.owner == reinterpret_cast<uintptr_t>(main.hwnd()))
          found.emplace(reinterpret_cast<HWND>(static_cast<uintptr_t>(record.handle)));
      return found.has_value();
    });
    return found;
  }
  int RowOf(const Window& main, const std::string& name) {
    auto names = Column(main.ListRows(IDC_MAIN_FILES), 0);
    for (size_t i = 0; i < names.size(); ++i)
      if (names[i] == name) return static_cast<int>(i);
    return -1;
  }
  // Selects the file, presses the update button, says yes; the update dialog.
  std::optional<Window> StartUpdate(const Window& main, const std::string& name) {
    int row = RowOf(main, name);
    EXPECT_GE(row, 0) << Screen();
    if (row < 0 || !main.SelectRow(IDC_MAIN_FILES, row) || !main.Click(IDC_MAIN_UPDATE)) return std::nullopt;
    auto question = Box();
    if (!question) return std::nullopt;
    EXPECT_EQ(question->caption, "更新確認");
    EXPECT_EQ(question->text, UpdateQuestion(name));
    EXPECT_EQ(question->icon, MessageIcon::kQuestion);
    EXPECT_TRUE(question->Answer(IDYES));
    auto dialog = uidriver::WaitWindow("バージョン更新 - <" + name + ">", app->pid(), kWait, uidriver::Match::kPrefix);
    EXPECT_TRUE(dialog) << Screen();
    return dialog;
  }
};

}  // namespace

TEST_F(ManualEndToEnd, ListsTheDemoPackageAndTheDevice) {
  Adapter(kFirstGeneration);
  WriteDemoPackage(folder);
  folder.Sub("FOLDER.prg");  // a folder that fits the pattern is no file to list
  auto main = StartAttached();
  ASSERT_TRUE(main);
  EXPECT_FALSE(uidriver::WaitMessageBox(app->pid(), 500)) << Screen();
  EXPECT_EQ(main->Text(IDC_MAIN_FOLDER), folder.Path() + "*.prg");
  std::vector<std::string> headings;
  for (const ListColumn& c : kFileColumns) headings.push_back(c.heading);
  EXPECT_EQ(main->ListColumns(IDC_MAIN_FILES), headings);
  // The main board is of the first generation: the second family's image is hidden.
  ASSERT_TRUE(WaitFor([&] { return main->ItemCount(IDC_MAIN_FILES) == 5; })) << Screen();
  auto rows = main->ListRows(IDC_MAIN_FILES);
  EXPECT_EQ(Column(rows, 0), (std::vector<std::string>{"ANALOG_TRK.prg", "INS1500_CPU.prg", "INS64_CPU.prg",
                                                       "MC_CPU.prg", "MC_DSP.prg"}));
  EXPECT_EQ(Column(rows, 1), (std::vector<std::string>{"ANALOG-TRK (02)", "INS1500-CPU (20)", "INS64-CPU (00)",
                                                       "MC-CPU (00)", "MC-DSP (00)"}));
  EXPECT_EQ(Column(rows, 2), (std::vector<std::string>{"1.000", "1.300", "1.012", "2.103", "2.040"}));
  EXPECT_EQ(rows[3][3], "65,568 (   65,568)");
  EXPECT_EQ(rows[3][4].size(), 19u);  // yyyy/mm/dd hh:mm:ss
  EXPECT_EQ(rows[3][5], "2103 0001 0000 0120  0000 0000 0000 0000");

  auto devices = main->ListRows(IDC_MAIN_DEVICES);
  ASSERT_EQ(devices.size(), 5u) << Screen();
  EXPECT_EQ(devices[0], (std::vector<std::string>{"(MC)", "本体 USB2.0", "1.105 1.010 2.001 0.100", "",
                                                  "0000 1105 1010 2001 0100"}));
  EXPECT_EQ(Column(devices, 0), (std::vector<std::string>{"(MC)", "01", "02", "03", "04"}));
  EXPECT_EQ(Column(devices, 1), (std::vector<std::string>{"本体 USB2.0", "ｱﾅﾛｸﾞ局線", "ｱﾅﾛｸﾞ内線", "INS64", "PVﾎﾞｰﾄﾞ"}));
  // The about box: the shipped 32-bit tool on 64-bit Windows marks its own version " <x64>".
  ASSERT_TRUE(main->SysCommand(IDM_FLASH_ABOUT));
  auto about = OwnedDialog(*main);
  ASSERT_TRUE(about) << Screen();
  EXPECT_EQ(about->Caption(), "バージョン情報");
  const std::string own = about->Text(1000);
  EXPECT_EQ(own.rfind("OrvexFlash.exe Ver ", 0), 0u) << own;
  EXPECT_EQ(own.size() > 6 && own.compare(own.size() - 6, 6, " <x64>") == 0, sizeof(void*) == 4) << own;
  EXPECT_EQ(about->Text(1002).rfind("SYS Ver ", 0), 0u) << about->Text(1002);
  ASSERT_TRUE(about->Click(IDOK));
  ASSERT_TRUE(about->WaitGone(kWait));
  ASSERT_TRUE(main->Close());
  EXPECT_TRUE(app->WaitExit(kWait));
}

TEST_F(ManualEndToEnd, AThirtyOneByteFileStopsTheFill) {
  Adapter("present = 0\n");
  ASSERT_TRUE(folder.Write("SHORT.prg", std::string(31, 'K')));
  ASSERT_TRUE(Start());
  auto box = Box();
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, "ファイル検索に失敗しました");
  EXPECT_EQ(box->icon, MessageIcon::kExclamation);
  ASSERT_TRUE(box->Answer(IDOK));
  auto main = Main();
  ASSERT_TRUE(main);
  EXPECT_EQ(main->ListRows(IDC_MAIN_DEVICES)[0][3], "ﾃﾞﾊﾞｲｽ接続待機...");
  EXPECT_FALSE(main->IsEnabled(IDC_MAIN_UPDATE));
  EXPECT_FALSE(main->IsEnabled(IDC_MAIN_RESET));
}

// At adapter paces from far faster than the tool's waits to far slower: one write, and the list
// follows the adapter back.
class ManualPaced : public ManualEndToEnd, public ::testing::WithParamInterface<uidriver::AdapterPace> {};
INSTANTIATE_TEST_SUITE_P(Paces, ManualPaced, ::testing::ValuesIn(uidriver::SweepPaces()), uidriver::AdapterPaceName());

TEST_P(ManualPaced, UpdateRunsToTheEndAndTheAdapterRestartsWithIt) {
  Adapter(std::string(kFirstGeneration) + GetParam().lines);
  WriteDemoPackage(folder);
  auto main = StartAttached();
  ASSERT_TRUE(main);
  auto dialog = StartUpdate(*main, "MC_CPU.prg");
  ASSERT_TRUE(dialog);
  EXPECT_EQ(dialog->Caption(), "バージョン更新 - <MC_CPU.prg> MC-CPU (00) Ver 2.103");
  HWND bar = dialog->Item(IDC_UPDATE_PROGRESS);
  const int scale = static_cast<int>(SendMessageW(bar, PBM_GETRANGE, FALSE, 0));
  EXPECT_EQ(scale, ProgressScale(65568));
  // The bar moves on while the device reports; closing is refused until the end.
  if (GetParam().progress_visible) {
    ASSERT_TRUE(WaitFor([&] { return dialog->Text(IDC_UPDATE_STATUS).rfind("実行中 :", 0) == 0; })) << Screen();
    EXPECT_FALSE(dialog->IsEnabled(IDC_UPDATE_CLOSE));
  }
  ASSERT_TRUE(WaitFor([&] { return dialog->Text(IDC_UPDATE_STATUS) == "正常に終了しました"; })) << Screen();
  EXPECT_EQ(static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0)), scale);
  EXPECT_TRUE(dialog->IsEnabled(IDC_UPDATE_CLOSE));
  // The adapter restarts with the new program; the list follows.
  ASSERT_TRUE(WaitFor([&] {
    auto rows = main->ListRows(IDC_MAIN_DEVICES);
    return !rows.empty() && rows[0][2] == "1.105 2.103 2.001 0.100";
  })) << Screen();
  ASSERT_TRUE(dialog->Click(IDC_UPDATE_CLOSE));
  EXPECT_TRUE(dialog->WaitGone(kWait));
  EXPECT_EQ(sim->State().mc.words[1], 0x2103);
  EXPECT_EQ(uidriver::ProgramWrites(sim->Log()), 1u);
  uidriver::RecordSweepRow(GetParam(), "OrvexFlash update", uidriver::ProgramWrites(sim->Log()));
}

TEST_F(ManualEndToEnd, ASilentDeviceTurnsTheStatusRedAfterTenSeconds) {
  Adapter(std::string(kFirstGeneration) + "fault.write_silent = 3\n");
  WriteDemoPackage(folder);
  auto main = StartAttached();
  ASSERT_TRUE(main);
  auto dialog = StartUpdate(*main, "INS64_CPU.prg");
  ASSERT_TRUE(dialog);
  auto box = Box(20000);
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, NoAnswerMessage());
  EXPECT_EQ(box->icon, MessageIcon::kExclamation);
  EXPECT_EQ(dialog->Text(IDC_UPDATE_STATUS).rfind("更新失敗(デバイス応答無)", 0), 0u) << Screen();
  ASSERT_TRUE(box->Answer(IDOK));
  EXPECT_TRUE(dialog->IsEnabled(IDC_UPDATE_CLOSE));
  ASSERT_TRUE(dialog->Click(IDC_UPDATE_CLOSE));
  EXPECT_TRUE(sim->WaitForLog("program write abandoned"));
}

TEST_F(ManualEndToEnd, ARefusedFormatIsShownOnTheStatusLine) {
  Adapter(std::string(kFirstGeneration) + "fault.refuse_image = 255\n");
  WriteDemoPackage(folder);
  auto main = StartAttached();
  ASSERT_TRUE(main);
  auto dialog = StartUpdate(*main, "MC_DSP.prg");
  ASSERT_TRUE(dialog);
  ASSERT_TRUE(WaitFor([&] { return !dialog->Text(IDC_UPDATE_STATUS).empty(); }));
  EXPECT_EQ(dialog->Text(IDC_UPDATE_STATUS), "更新失敗(更新ﾌｧｲﾙ形式不可 Stat = 255)");
  EXPECT_TRUE(dialog->IsEnabled(IDC_UPDATE_CLOSE));
  ASSERT_TRUE(dialog->Close());
  EXPECT_TRUE(dialog->WaitGone(kWait));
}

TEST_F(ManualEndToEnd, TheResetButtonResetsTheAdapter) {
  Adapter("");
  auto main = StartAttached();
  ASSERT_TRUE(main);
  ASSERT_TRUE(main->Click(IDC_MAIN_RESET));
  auto box = Box();
  ASSERT_TRUE(box);
  EXPECT_EQ(box->caption, "リセット確認");
  EXPECT_EQ(box->text, ResetQuestion());
  EXPECT_EQ(box->icon, MessageIcon::kQuestion);
  ASSERT_TRUE(box->Answer(IDYES));
  EXPECT_TRUE(sim->WaitForLog("hardware reset"));
  ASSERT_TRUE(WaitFor([&] { return main->ListRows(IDC_MAIN_DEVICES).size() == 1; })) << Screen();
  ASSERT_TRUE(WaitFor([&] { return main->ListRows(IDC_MAIN_DEVICES).size() == 5; })) << Screen();
}

TEST_F(ManualEndToEnd, TheClipboardReportInBothFormats) {
  Adapter(kFirstGeneration);
  WriteDemoPackage(folder);
  auto main = StartAttached();
  ASSERT_TRUE(main);
  ASSERT_TRUE(WaitFor([&] { return main->ItemCount(IDC_MAIN_FILES) == 5; }));
  ClipboardFacts expected;
  expected.folder = folder.Path();
  expected.file_rows = main->ListRows(IDC_MAIN_FILES);
  expected.device_rows = main->ListRows(IDC_MAIN_DEVICES);
  expected.library_version = expected.expected_library_version = 0x01010203;
  expected.driver_version = 0x01010400;
  expected.max_lines = 60;
  ASSERT_TRUE(main->Click(IDC_MAIN_CLIP));
  auto box = Box();
  ASSERT_TRUE(box);
  EXPECT_EQ(box->text, ClipboardDoneText());
  EXPECT_EQ(box->icon, MessageIcon::kInformation);
  ASSERT_TRUE(box->Answer(IDOK));

  ASSERT_TRUE(OpenClipboard(nullptr));
  std::string text, unicode;
  if (HANDLE h = GetClipboardData(CF_TEXT)) {
    text = static_cast<const char*>(GlobalLock(h));
    GlobalUnlock(h);
  }
  if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
    unicode = FromWide(static_cast<const wchar_t*>(GlobalLock(h)));
    GlobalUnlock(h);
  }
  CloseClipboard();
  EXPECT_EQ(text, BuildClipboardReport(expected));
  EXPECT_EQ(unicode, text);
  EXPECT_NE(text.find(" 最大制御回線数 = 60, 音声制御可能ﾁｬﾈﾙ = 1 ～ 60\r\n"), std::string::npos);
}

TEST_F(ManualEndToEnd, SystemSettingsWriteTheRegistryAndTheDriver) {
  ServiceKey key;
  auto settings = [&](const char* driver, const char* library, bool show_all = false) -> std::optional<Window> {
    auto main = Main();
    if (!main || !main->Command(IDM_FLASH_SETTINGS)) return std::nullopt;
    auto dialog = uidriver::WaitWindow("システム設定", app->pid(), kWait);
    EXPECT_TRUE(dialog) << Screen();
    if (!dialog) return std::nullopt;
    EXPECT_FALSE(dialog->IsEnabled(IDOK));
    EXPECT_TRUE(dialog->SetEditText(IDC_SETTINGS_DRIVER, driver));
    EXPECT_TRUE(dialog->SetEditText(IDC_SETTINGS_LIBRARY, library));
    EXPECT_TRUE(dialog->Check(IDC_SETTINGS_SHOW_ALL, show_all));
    EXPECT_TRUE(dialog->Check(IDC_SETTINGS_PERMISSION, true));
    EXPECT_TRUE(dialog->Click(IDOK));
    auto question = Box();
    EXPECT_TRUE(question && question->text == UpdateQuestionText());
    if (question) question->Answer(IDYES);
    return dialog;
  };

  // Without a device: the registry.
  Adapter("present = 0\n");
  ASSERT_TRUE(Start());
  auto dialog = settings("  1f", "123456789");
  ASSERT_TRUE(dialog);
  EXPECT_TRUE(dialog->WaitGone(kWait)) << Screen();
  EXPECT_EQ(ServiceKey::Read(kDriverLevelKey), 0x1Fu);
  EXPECT_EQ(ServiceKey::Read(kLibraryLevelKey), 0x12345678u);
  ASSERT_TRUE(Main()->Close());
  ASSERT_TRUE(app->WaitExit(kWait));

  // With the adapter attached the driver takes them; a driver from 1.1.4.0 on needs no reset.
  Adapter("driver_version = 1.1.4.0\n");
  ASSERT_TRUE(StartAttached());
  dialog = settings("2", "3");
  ASSERT_TRUE(dialog);
  EXPECT_TRUE(dialog->WaitGone(kWait)) << Screen();
  EXPECT_EQ(sim->State().driver_debug_level, 2u);
  EXPECT_EQ(sim->State().library_debug_level, 3u);
  EXPECT_EQ(ServiceKey::Read(kDriverLevelKey), 0x1Fu);
  ASSERT_TRUE(Main()->Close());
  ASSERT_TRUE(app->WaitExit(kWait));

  // An older driver asks whether to reset now. The "show all" box set with it counts as well:
  // the second family's image and the second generation's main programs appear.
  Adapter("driver_version = 1.1.3.255\n");
  WriteDemoPackage(folder);
  auto main = StartAttached();
  ASSERT_TRUE(main);
  ASSERT_TRUE(WaitFor([&] { return main->ItemCount(IDC_MAIN_FILES) == 4; })) << Screen();
  dialog = settings("4", "5", true);
  ASSERT_TRUE(dialog);
  auto reset = Box();
  ASSERT_TRUE(reset);
  EXPECT_EQ(reset->text, ResetQuestionText());
  ASSERT_TRUE(reset->Answer(IDYES));
  EXPECT_TRUE(sim->WaitForLog("hardware reset"));
  EXPECT_EQ(sim->State().driver_debug_level, 4u);
  EXPECT_TRUE(WaitFor([&] { return main->ItemCount(IDC_MAIN_FILES) == 6; })) << Screen();
}

// The paths that depend on the Windows version, under each version that chooses one: from
// Windows Vista on a refused registry write is retried through OrvexKeys started elevated, before
// it the refusal is shown; the folder chooser's kind; from XP on the lists have grid lines.
TEST_F(ManualEndToEnd, ARefusedRegistryWriteGoesThroughOrvexKeysFromVistaOn) {
  enum Chooser { kItemDialog, kNewBrowse, kOldBrowse };  // the folder chooser's kind
  struct Case {
    const char* version;  // "" is the prefix's own, Windows 7
    bool elevates;
    bool grid_lines;
    Chooser chooser;
  };
  for (const Case& c : {Case{"", true, true, kItemDialog}, Case{"win10", true, true, kItemDialog},
                        Case{"winxp", false, true, kNewBrowse}, Case{"win2k", false, false, kOldBrowse}}) {
    // A 64-bit program has no Windows 2000, and its XP is the 64-bit edition.
    if (sizeof(void*) == 8 && std::string(c.version) == "win2k") continue;
    const std::string name = sizeof(void*) == 8 && std::string(c.version) == "winxp" ? "winxp64" : c.version;
    SCOPED_TRACE("Windows version " + (name.empty() ? std::string("of the prefix") : name));
    std::optional<uidriver::WindowsVersionOf> version;
    if (*c.version) {
      version.emplace("OrvexFlash.exe", name);
      ASSERT_TRUE(version->Set());
    }
    ServiceKey key;
    Adapter("present = 0\n");
    ASSERT_TRUE(Start({}, {{"ORVEX_TEST_REGISTRY_DENIED", "1"}}));
    auto main = Main();
    ASSERT_TRUE(main);
    DWORD_PTR styles = 0;
    ASSERT_TRUE(SendMessageTimeoutW(main->Item(IDC_MAIN_FILES), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0, SMTO_ABORTIFHUNG,
                                    5000, &styles));
    EXPECT_EQ((styles & LVS_EX_GRIDLINES) != 0, c.grid_lines);
    // The folder chooser: the item dialog from Vista on, before it the folder browser, with its
    // new style (a button for a new folder) from XP on.
    ASSERT_TRUE(main->Click(IDC_MAIN_CHOOSE_FOLDER));
    auto chooser = OwnedDialog(*main);
    ASSERT_TRUE(chooser) << Screen();
    bool view = false, tree = false;
    for (const auto& control : chooser->Controls()) {  // every control, nested ones too
      view = view || control.class_name == "SHELLDLL_DefView";
      tree = tree || control.class_name == "SysTreeView32";
    }
    EXPECT_EQ(view, c.chooser == kItemDialog) << Screen();
    if (c.chooser != kItemDialog) {
      EXPECT_TRUE(tree) << Screen();
      EXPECT_EQ(chooser->Item(14150) != nullptr, c.chooser == kNewBrowse) << Screen();
    }
    ASSERT_TRUE(chooser->Command(IDCANCEL));
    ASSERT_TRUE(chooser->WaitGone(kWait)) << Screen();
    ASSERT_TRUE(main->Command(IDM_FLASH_SETTINGS));
    auto dialog = uidriver::WaitWindow("システム設定", app->pid(), kWait);
    ASSERT_TRUE(dialog) << Screen();
    ASSERT_TRUE(dialog->SetEditText(IDC_SETTINGS_DRIVER, "ABC"));
    ASSERT_TRUE(dialog->SetEditText(IDC_SETTINGS_LIBRARY, "DEF0"));
    ASSERT_TRUE(dialog->Check(IDC_SETTINGS_PERMISSION, true));
    ASSERT_TRUE(dialog->Click(IDOK));
    auto question = Box();
    ASSERT_TRUE(question);
    ASSERT_TRUE(question->Answer(IDYES));
    if (!c.elevates) {
      auto refused = Box();
      ASSERT_TRUE(refused);
      EXPECT_EQ(refused->text, RegistryRefusedText(ERROR_ACCESS_DENIED));
      ASSERT_TRUE(refused->Answer(IDOK));
    }
    EXPECT_TRUE(dialog->WaitGone(kWait)) << Screen();
    EXPECT_EQ(ServiceKey::Read(kDriverLevelKey), c.elevates ? 0xABCu : 0u);
    EXPECT_EQ(ServiceKey::Read(kLibraryLevelKey), c.elevates ? 0xDEF0u : 0u);
    ASSERT_TRUE(main->Close());
    EXPECT_TRUE(app->WaitExit(kWait));
  }
}
