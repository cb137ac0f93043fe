// The system settings dialog with the registry of the Wine prefix, the driver stand-in of a
// simulated adapter and the real OrvexKeys.exe.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>

#include "DebugLevelAccess.h"
#include "DeviceChannel.h"
#include "DeviceEventQueue.h"
#include "FlashIds.h"
#include "FlashTestSupport.h"
#include "Handles.h"
#include "ShowMessage.h"
#include "SimFolder.h"
#include "SystemSettingsDialog.h"
#include "VersionResource.h"
#include "Wide.h"

using namespace orvex;
using namespace orvex::flash;
using namespace orvex::flash::test;

namespace {

constexpr wchar_t kServiceKey[] = L"System\\CurrentControlSet\\Services\\Orvex";

// The service key with both levels at `level`, or without the key at all; gone afterwards.
class LevelKeys {
 public:
  explicit LevelKeys(bool create, uint32_t level = 0) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kServiceKey);
    if (!create) return;
    for (const char* key : {kDriverLevelKey, kLibraryLevelKey}) {
      UniqueKey k;
      RegCreateKeyExW(HKEY_LOCAL_MACHINE, ToWide(key).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.Put(), nullptr);
      DWORD v = level;
      RegSetValueExW(k.Get(), L"DebugLevel", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
    }
  }
  ~LevelKeys() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, kServiceKey); }
  LevelKeys(const LevelKeys&) = delete;
  LevelKeys& operator=(const LevelKeys&) = delete;

  static std::optional<uint32_t> Read(const char* key) {
    uint32_t level = 0;
    if (ReadDebugLevel(key, &level) != 0) return std::nullopt;
    return level;
  }
};

// A channel attached to a fresh simulated adapter.
struct AttachedAdapter {
  explicit AttachedAdapter(const std::string& lines) : sim(lines) {
    queue.ReleaseThrough(&channel);
    EXPECT_EQ(channel.Open(queue.hwnd(), DeviceEventQueue::kMessages, 3), 1);
    EXPECT_EQ(channel.Attach(), kAttachUnderWay);
    auto e = queue.NextOf(kMessageAttachFinished, kWait);
    EXPECT_TRUE(e && e->Status() == kAttachedAtOnce);
  }
  orvex::test::SimFolder sim;
  UpdateDeviceChannel channel;
  DeviceEventQueue queue;
};

struct Outcome {
  INT_PTR result = 0;
  bool show_all = false;
  bool ok_enabled_at_first = true;
};

// Opens the dialog and, when it is up, types the levels, ticks the permission (when asked) and
// the show-all box as given, and presses OK.
Outcome RunSettings(DebugLevelSystem& system, bool show_all, const char* driver, const char* library,
                    bool new_show_all, const std::string& folder = OwnModuleFolder()) {
  SystemSettingsDialog dialog(system, show_all, folder);
  Outcome outcome;
  bool acted = false;
  Ticker ticker([&] {
    HWND h = dialog.hwnd();
    if (h == nullptr || acted) return;
    acted = true;
    outcome.ok_enabled_at_first = IsWindowEnabled(GetDlgItem(h, IDOK)) != FALSE;
    SetDlgItemTextW(h, IDC_SETTINGS_DRIVER, ToWide(driver).c_str());
    SetDlgItemTextW(h, IDC_SETTINGS_LIBRARY, ToWide(library).c_str());
    if ((IsDlgButtonChecked(h, IDC_SETTINGS_SHOW_ALL) == BST_CHECKED) != new_show_all)
      SendDlgItemMessageW(h, IDC_SETTINGS_SHOW_ALL, BM_CLICK, 0, 0);
    SendDlgItemMessageW(h, IDC_SETTINGS_PERMISSION, BM_CLICK, 0, 0);
    SendMessageW(h, WM_COMMAND, IDOK, 0);
  });
  outcome.result = dialog.Run(nullptr);
  outcome.show_all = dialog.ShowAll();
  return outcome;
}

}  // namespace

TEST(SystemSettings, WithoutADeviceTheRegistryTakesTheLevels) {
  LevelKeys keys(true, 0x10);
  MessageRecorder recorder;
  DebugLevelAccess access(nullptr);
  Outcome o = RunSettings(access, false, "  1f", "123456789", false);
  EXPECT_FALSE(o.ok_enabled_at_first);
  EXPECT_EQ(o.result, IDOK);
  ASSERT_EQ(recorder.Calls().size(), 1u);
  EXPECT_EQ(recorder.Calls()[0].text, UpdateQuestionText());
  EXPECT_EQ(LevelKeys::Read(kDriverLevelKey), 0x1Fu);
  EXPECT_EQ(LevelKeys::Read(kLibraryLevelKey), 0x12345678u);
}

TEST(SystemSettings, UnchangedLevelsOnlyChangeTheFilter) {
  LevelKeys keys(true, 0x10);
  MessageRecorder recorder;
  DebugLevelAccess access(nullptr);
  Outcome o = RunSettings(access, false, "10", "0010", true);
  EXPECT_EQ(o.result, IDOK);
  EXPECT_TRUE(o.show_all);
  EXPECT_TRUE(recorder.Calls().empty());

  // Declining the question keeps the old filter setting.
  MessageRecorder no([](const MessageCall&) { return IDNO; });
  o = RunSettings(access, false, "11", "10", true);
  EXPECT_EQ(o.result, IDCANCEL);
  EXPECT_FALSE(o.show_all);
  EXPECT_EQ(LevelKeys::Read(kDriverLevelKey), 0x10u);
}

TEST(SystemSettings, WithoutTheServiceKeyTheDialogDoesNotOpen) {
  LevelKeys keys(false);
  MessageRecorder recorder;
  DebugLevelAccess access(nullptr);
  SystemSettingsDialog dialog(access, true, OwnModuleFolder());
  EXPECT_EQ(dialog.Run(nullptr), IDCANCEL);
  ASSERT_EQ(recorder.Calls().size(), 1u);
  EXPECT_EQ(recorder.Calls()[0].text, RegistryRefusedText(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(recorder.Calls()[0].icon, static_cast<UINT>(MB_ICONEXCLAMATION));
}

TEST(SystemSettings, AnAttachedDriverTakesTheLevels) {
  LevelKeys keys(true);
  {
    AttachedAdapter adapter("driver_version = 1.1.4.0\n");
    MessageRecorder recorder;
    DebugLevelAccess access(&adapter.channel);
    Outcome o = RunSettings(access, false, "7", "8", false);
    EXPECT_EQ(o.result, IDOK);
    EXPECT_EQ(recorder.Calls().size(), 1u);  // the update question, no reset question
    EXPECT_EQ(adapter.sim.State().driver_debug_level, 7u);
    EXPECT_EQ(adapter.sim.State().library_debug_level, 8u);
    EXPECT_EQ(LevelKeys::Read(kDriverLevelKey), 0u);  // the driver has them; the registry is left
  }
  {
    AttachedAdapter adapter("driver_version = 1.1.3.255\n");
    MessageRecorder recorder;
    DebugLevelAccess access(&adapter.channel);
    Outcome o = RunSettings(access, false, "7", "8", false);
    EXPECT_EQ(o.result, IDYES);
    ASSERT_EQ(recorder.Calls().size(), 2u);
    EXPECT_EQ(recorder.Calls()[1].text, ResetQuestionText());
  }
  {
    // A driver without the request: the registry, and the reset question all the same.
    AttachedAdapter adapter("driver_debug_supported = 0\n");
    MessageRecorder recorder([](const MessageCall& call) { return call.text == ResetQuestionText() ? IDNO : IDYES; });
    DebugLevelAccess access(&adapter.channel);
    Outcome o = RunSettings(access, false, "5", "6", false);
    EXPECT_EQ(o.result, IDOK);
    EXPECT_EQ(recorder.Calls().size(), 2u);
    EXPECT_EQ(LevelKeys::Read(kDriverLevelKey), 5u);
    EXPECT_EQ(LevelKeys::Read(kLibraryLevelKey), 6u);
  }
}

TEST(SystemSettings, RefusedRegistryWriteStartsTheHelper) {
  LevelKeys keys(true);
  SetEnvironmentVariableW(kRegistryDeniedSeam, L"1");
  MessageRecorder recorder;
  DebugLevelAccess access(nullptr);
  Outcome o = RunSettings(access, false, "ABC", "def0", true);
  EXPECT_EQ(o.result, IDOK);
  EXPECT_TRUE(o.show_all);
  EXPECT_EQ(LevelKeys::Read(kDriverLevelKey), 0xABCu);
  EXPECT_EQ(LevelKeys::Read(kLibraryLevelKey), 0xDEF0u);

  // A helper that fails (here: no such program) closes the dialog without a word of its own and
  // keeps the old filter setting. The shell says that it found no such program.
  bool shell_box = false;
  Ticker answer_shell([&] {
    HWND box = FindWindowW(nullptr, L"エラー");
    if (box == nullptr) return;
    shell_box = true;
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  });
  o = RunSettings(access, false, "1", "2", true, "C:\\no such folder\\");
  EXPECT_TRUE(shell_box);
  EXPECT_EQ(o.result, IDCANCEL);
  EXPECT_FALSE(o.show_all);
  EXPECT_EQ(recorder.Calls().size(), 2u);  // only the two update questions
  EXPECT_EQ(LevelKeys::Read(kDriverLevelKey), 0xABCu);
  SetEnvironmentVariableW(kRegistryDeniedSeam, nullptr);
}
