// The main window's transfers: the device parameter read with its take-over (or, in the read file
// mode, its file), the interactive write with its result message, and the write file mode.
#include <windows.h>

#include <memory>
#include <vector>

#include "ParameterToolDialog.h"
#include "ReadTransferDialog.h"
#include "ShowMessage.h"
#include "ToolIds.h"
#include "ToolTexts.h"
#include "WriteTransferDialog.h"

namespace orvex {

void ParameterToolDialog::SetSettingsWindowsEnabled(bool enabled) {
  for (auto& window : settings_) {
    if (window->IsOpen()) window->SetEnabled(enabled);
  }
}

bool ParameterToolDialog::ReadFromDevice() {
  SetSettingsWindowsEnabled(false);
  ReadTransferDialog dialog(channel_, *this);
  active_read_ = &dialog;
  const int result = static_cast<int>(dialog.Run(instance(), hwnd()));
  active_read_ = nullptr;
  const RunMode mode = context_.Mode();

  if (mode == RunMode::kFileRead) {
    context_.wait_stage = kWaitWorking;
    const ParameterReadData& data = dialog.data();
    context_.exit_code = ReadFileModeExitCode(
        result, data, [&] { return WriteReceivedFile(context_.handoff_path, data.bytes(), data.total()); });
    EndWindow();
    return false;
  }

  bool taken = false;
  if (result == -1 || result == 3) {
    if (mode == RunMode::kInteractive) ShowFailure(hwnd(), texts::kReadWindowFailedText);
  } else if (result == kReadSucceeded) {
    auto read = std::make_unique<LoadedSaveFile>();
    if (TakeOverRead(dialog.data(), read.get())) {
      state_.TakeOverDeviceRead(*read);
      RedrawRows();
      TakeOverImage();
      SetButtonFonts(0, false);
      Enable(IDC_DEVICE_WRITE, true);
      SetButtonFont(IDC_DEVICE_READ, false);
      taken = true;
    } else {
      RunOutcome incomplete = ReadIncomplete(mode, dialog.data().total(), dialog.data().received());
      incomplete.end_window = false;  // the automatic run ends below
      Tell(hwnd(), incomplete);
    }
  }
  SetSettingsWindowsEnabled(true);
  if (mode == RunMode::kAutomatic) {
    EnableWindow(hwnd(), FALSE);
    if (taken) {
      UpdateStep(false);
    } else {
      EndWindow();
    }
  }
  return taken;
}

void ParameterToolDialog::WriteToDevice() {
  SetSettingsWindowsEnabled(false);
  WriteTransferDialog dialog(channel_, *this, state_.image(), state_.SaveClassByte(), state_.SaveVersion());
  active_write_ = &dialog;
  const int result = static_cast<int>(dialog.Run(instance(), hwnd()));
  active_write_ = nullptr;
  if (result == -1 || result == 3) {
    ShowFailure(hwnd(), texts::kWriteWindowFailedText);
  } else if (result == kWriteSucceeded) {
    const WriteResultMessage message = WriteResultFor(dialog.completion());
    if (message.success) {
      Balloon(false, false);
      // Only values the device took count as written; after a failed write closing still asks.
      state_.set_modified(false);
      SetSettingsWindowsApplied(false);
      SetButtonFonts(0, false);
      ShowSuccess(hwnd(), message.text, texts::kWriteResultCaption);
    } else {
      ShowFailure(hwnd(), message.text, texts::kWriteResultCaption);
    }
  }
  SetSettingsWindowsEnabled(true);
}

void ParameterToolDialog::WriteFileMode() {
  // Once: the adapter restarts after the write, and its notice must not start the write again.
  if (ended_ || context_.file_mode != FileMode::kWrite || context_.wait_stage == kWaitWorking) return;
  context_.wait_stage = kWaitWorking;
  std::vector<uint8_t> file;
  uint32_t exit_code = ReadWriteModeFile(context_.handoff_path, &file);
  if (exit_code == kExitSuccess) exit_code = CheckWriteFile(file);
  if (exit_code == kExitSuccess) {
    WriteTransferDialog dialog(channel_, *this, file.data(), file.size());
    active_write_ = &dialog;
    const int result = static_cast<int>(dialog.Run(instance(), hwnd()));
    active_write_ = nullptr;
    exit_code = WriteFileModeExitCode(result, dialog.completion()[0]);
  }
  context_.exit_code = exit_code;
  EndWindow();
}

}  // namespace orvex
