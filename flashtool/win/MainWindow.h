// OrvexFlash's main window (dialog 120): the update file list above, the device information
// below, the commands, the device channel's messages and, in automatic mode, the sequencer and
// its watchdog.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "ChildCommandLine.h"
#include "ChildReporter.h"
#include "DeviceChannel.h"
#include "DeviceList.h"
#include "Dialog.h"
#include "Handles.h"
#include "HelpFile.h"
#include "HandoffFile.h"
#include "MainWindowRules.h"
#include "Sequencer.h"
#include "UpdateDialog.h"
#include "UpdateFileList.h"

namespace orvex::flash {

// How the process was started.
struct FlashStart {
  autoupdate::ChildArguments args;
  autoupdate::AutoVerUpContent handoff;  // automatic mode: what AutoVerUp.def said
  int handoff_files = 0;                 // program files read, -1 when the file could not be read
  std::string update_folder;             // "PrgFolder" (empty: the program's folder)
};

class MainWindow : public Dialog, private SequencerHost, private UpdateAutoHost {
 public:
  // `reporter` carries the automatic mode's reports (it may be null in manual mode).
  MainWindow(FlashStart start, autoupdate::ChildReporter* reporter);
  ~MainWindow() override;

  INT_PTR Run(HINSTANCE instance = nullptr, HWND parent = nullptr);

  // For the tests: what the window holds.
  UpdateFileList& Files() { return files_; }
  DeviceList& Devices() { return devices_; }
  UpdateDeviceChannel& Channel() { return channel_; }
  const Sequencer* AutoSequencer() const { return sequencer_.get(); }
  int Phase() const { return phase_; }
  bool FilterOn() const { return filter_on_; }
  UpdateDialog* OpenUpdateDialog() const { return update_dialog_; }

 protected:
  bool OnInit() override;
  bool OnCommand(int code, int id, HWND control) override;
  bool OnNotify(int id, NMHDR* header, LRESULT& result) override;
  bool OnTimer(UINT_PTR timer_id) override;
  void OnCancel() override { Finish(IDCANCEL); }
  void OnDestroy() override;
  bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

 private:
  bool Automatic() const { return start_.args.automatic; }
  bool InitAutomatic();
  void AddSystemMenuCommands();
  void SetUpFonts();
  void Finish(int result);

  // Commands.
  void ChooseFolder();
  void ChangeExtension();
  void Refresh(bool show_failure);
  void UpdateSelected();
  void AskAndReset();
  void CopyReport();
  void OpenSettings();
  void OpenHelp();
  void OpenAbout();
  void ShowFileListMenu();

  // Device channel.
  void Attach();
  void OnAttachFinished(uint32_t status, uint32_t error);
  void OnDetached(uint32_t status, uint32_t error);
  void OnNotification(int id, const uint8_t* record);
  void OnChannelStarted(const uint8_t* record);
  void OnDeviceStopped(uint32_t channel, uint8_t status);
  int DeviceClassNow() const;
  uint32_t DriverDetail();

  // Automatic mode.
  void RunSequencer();
  void SetPhase(int phase, bool new_time_stamp);

  // SequencerHost
  void Report(uint32_t code, const std::string& text) override;
  bool FillList() override;
  std::string ListFolder() const override { return files_.Folder(); }
  std::string ListExtension() const override { return files_.Extension(); }
  void SetListLocation(const std::string& folder, const std::string& extension) override;
  std::optional<uint32_t> SelectFile(const std::string& name) override;
  void PostUpdate() override;
  void EndWindow(int result) override { Finish(result); }
  // UpdateAutoHost
  void OnUpdateEnded(bool success) override;
  bool TakeResetAfterUpdate() override;

  FlashStart start_;
  autoupdate::ChildReporter* reporter_;
  UpdateDeviceChannel channel_;
  bool channel_open_ = false;
  std::unique_ptr<DeviceVersionTable> table_;
  UpdateFileList files_;
  DeviceList devices_;
  UpdateDialog* update_dialog_ = nullptr;
  bool filter_on_ = true;
  bool grid_lines_ = true;
  int char_width_ = 8;
  std::string program_folder_;
  std::string help_path_;
  std::optional<HelpFile> help_;
  uint32_t own_version_ = 0;
  UniqueFont bold_font_;
  UniqueMenu context_menu_;
  UniqueIcon icon_;
  bool ended_ = false;

  // Automatic mode.
  std::unique_ptr<Sequencer> sequencer_;
  int phase_ = kPhaseWaitDevice;
  uint64_t phase_time_ = 0;
  bool watchdog_ = false;
  bool run_pending_ = false;
};

}  // namespace orvex::flash
