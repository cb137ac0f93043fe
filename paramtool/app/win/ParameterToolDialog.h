// OrvexSet's main window (dialog 110): the 60 channels with their command blocks, the five
// settings windows, file save and load, definition update, reset, and the run modes' start-up
// (device channel, wait timer, reports). Decisions come from the portable ParameterToolState and
// AutoRunContext; this class gathers input, shows results and owns the window's resources.
#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "AutoRunContext.h"
#include "BalloonTip.h"
#include "ChannelList.h"
#include "ChildReporter.h"
#include "DeviceChannel.h"
#include "Dialog.h"
#include "Handles.h"
#include "HelpFile.h"
#include "ParameterSettingsWindow.h"
#include "ParameterToolState.h"
#include "Settings.h"

namespace orvex {

// Messages the main window posts to itself (the device events' next steps).
constexpr UINT WM_CONNECTION_DETECTED = WM_APP + 0x301;
constexpr UINT WM_WRITE_FILE_MODE = WM_APP + 0x303;
constexpr UINT WM_FIT_CHANNEL_LIST = WM_APP + 0x304;

// Where the program's files lie and under which name its settings are kept; the program's own
// by default, a scratch folder in tests.
struct ToolEnvironment {
  std::string program_path;      // "<folder>\OrvexSet.exe"
  std::string settings_name;     // registry key below Software\Orvex
  std::string documents_folder;  // "<documents>\Orvex\" when it exists, else empty
};
ToolEnvironment OwnToolEnvironment();

class ParameterToolDialog : public Dialog {
 public:
  // The balloon beside the write button: its tail's x and height.
  static constexpr int kBalloonTailX = 25;
  static constexpr int kBalloonTailHeight = 10;

  // `definition_path_file` names OrvexSet.ini (or the first argument); the documents folder is
  // probed here.
  ParameterToolDialog(std::string definition_path_file, ToolEnvironment environment = OwnToolEnvironment());
  ~ParameterToolDialog() override;

  // Application start, steps 4 and 5: the command line (and AutoPara.def in automatic runs), then
  // the registry settings.
  void TakeCommandLine(const ToolCommandLine& line);
  void ReadSettings();

  // Runs the window modally; returns when it has ended. In a file mode context().exit_code is
  // then the process's exit code.
  INT_PTR Run(HINSTANCE instance);

  AutoRunContext& context() { return context_; }
  const ParameterToolState& state() const { return state_; }
  // The report operation of the unattended runs.
  void Report(uint32_t code, std::string_view text);

  // For tests and the next steps of a run.
  const std::string& definition_path() const { return definition_path_; }
  const std::string& save_file_path() const { return save_file_path_; }
  const std::string& definition_path_file() const { return definition_path_file_; }
  bool auto_read() const { return auto_read_; }
  const std::string& def_path_setting() const { return def_path_; }
  const std::string& prg_path_setting() const { return prg_path_; }
  bool balloon_shown() const { return balloon_.IsShown(); }
  bool read_at_once() const { return read_at_once_; }
  ChannelList& channel_list() { return list_; }
  ParameterSettingsWindow& settings_window(int block) { return *settings_[static_cast<size_t>(block - 1)]; }
  bool IsBold(int control_id) const;

 protected:
  bool OnInit() override;
  bool OnCommand(int code, int id, HWND control) override;
  bool OnNotify(int id, NMHDR* header, LRESULT& result) override;
  bool OnTimer(UINT_PTR timer_id) override;
  void OnClose() override;
  void OnOk() override {}      // Enter does nothing
  void OnCancel() override {}  // neither does Esc
  void OnDestroy() override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

 private:
  // Start-up (OnInit) steps.
  void AddSystemMenuItems();
  void CreateFonts();
  bool StartByRunMode();
  void LoadStartupDefinition();
  void OpenDevice();
  void StartWaitTimer();
  // Carries out what the portable start-up and wait decisions say.
  void Apply(const RunOutcome& outcome);
  void EndWindow();

  // Device (the events are handled by the device steps that build on this window).
  void Attach();
  void ResetDeviceDisplay();
  void OnAttachFinished(int status, DWORD error);
  void OnDetached(int status, DWORD error);
  void OnNotification(int id, const uint8_t* record);

  // Display.
  void RefreshTitle();
  void RedrawRows();
  void RedrawRow(int row);
  void RebuildBlockControls();
  void SetButtonFont(int id, bool bold);
  // Letter buttons (which <= 0) and block buttons (which >= 0) in the bold or normal font.
  void SetButtonFonts(int which, bool bold);
  void Balloon(bool show, bool force);

  // Settings windows.
  int PendingChanges() const;
  bool Editing() const;
  bool AnySettingsWindowOpen() const;
  void TakeOverImage();
  void SetSettingsWindowsApplied(bool applied);
  bool Confirm(std::string_view prefix, std::string_view question, std::string_view caption);

  // Commands.
  void OnDeviceWrite();
  void OnDeviceRead();
  void OnFileSave();
  void OnFileLoad();
  void OnDefinitionUpdate();
  void OnResetAll();
  void OnAssign(int block);
  void OnOpenSettings(int block);
  void OnSelectAll();
  void OnSelectSameBoard();
  void OnCloseCommand();
  void OnSettingsClosed(int block, LPARAM window);
  void OnSystemCommand(UINT item);
  void ShowChannelMenu(LPARAM position);
  void ShowAbout();
  // The transfers of the device steps start here.
  void ReadFromDevice();
  void WriteToDevice();
  bool InstallDefinition(const std::string& chosen);

  // F1 and F5..F12 on their way to any control of the window.
  static LRESULT CALLBACK KeyFilter(int code, WPARAM wparam, LPARAM lparam);
  bool OnFunctionKey(const MSG& msg);

  ToolEnvironment environment_;
  std::string program_folder_;  // without a trailing backslash
  std::string definition_path_file_;
  Settings settings_store_;
  UINT_PTR wait_timer_ = 0;
  UniqueFont normal_font_, bold_font_, bold_italic_font_;
  std::string initial_title_;
  std::array<std::string, kBlockCount> initial_captions_;
  UniqueMenu channel_menu_;
  UniqueImageList channel_images_;
  std::array<std::unique_ptr<ParameterSettingsWindow>, kBlockCount> settings_;
  BalloonTip balloon_;
  bool balloon_marked_ = false;
  bool read_at_once_ = false;
  AutoRunContext context_;
  autoupdate::ChildArguments child_arguments_;
  std::unique_ptr<autoupdate::ChildReporter> reporter_;
  bool handoff_failed_ = false;
  bool auto_read_ = true;
  std::string def_path_;
  std::string prg_path_;
  std::string definition_path_;
  std::string save_file_path_;
  std::unique_ptr<HelpFile> help_;
  uint32_t own_version_ = 0;
  ParameterToolState state_;
  ParameterDeviceChannel channel_;
  bool channel_open_ = false;
  ChannelList list_;
  HICON icon_ = nullptr;
  HHOOK key_filter_ = nullptr;
  bool ended_ = false;
  bool list_fitted_ = false;
};

}  // namespace orvex
