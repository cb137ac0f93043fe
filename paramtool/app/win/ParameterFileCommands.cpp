// The main window's file commands: parameter save file save and load, and the definition file
// update with its backup and install copy.
#include "DefinitionLoader.h"
#include "DefinitionLocation.h"
#include "FileDialog.h"
#include "Format.h"
#include "ParameterFileTexts.h"
#include "ParameterSaveFile.h"
#include "ParameterToolDialog.h"
#include "ShowMessage.h"
#include "ToolIds.h"
#include "ToolTexts.h"
#include "Wide.h"

namespace orvex {

void ParameterToolDialog::OnFileSave() {
  if (Editing() && !AskYesNo(hwnd(), texts::kSaveConfirmText, texts::kSaveConfirmCaption)) return;
  FileDialogRequest request;
  request.save = true;
  request.start_path = texts::FileDialogStartPath(prg_path_, "*.prg");
  request.filter = texts::kSaveFilter;
  request.default_extension = texts::kSaveFileExtension;
  std::optional<std::string> path = AskFileName(hwnd(), request);
  if (!path) return;
  prg_path_ = *path;
  settings_store_.SetText("PrgPath", prg_path_);

  if (PlatformFileSystem().IsReadOnly(*path)) {
    ShowFailure(hwnd(), Format(texts::kSaveReadOnlyText, path->c_str()), texts::kSaveReadOnlyCaption);
    return;
  }
  int error = 0;
  const int result = WriteSaveFile(*path, &state_.image(), state_.SaveClassByte(), state_.SaveVersion(), &error);
  if (result == kSaveFileOutOfMemory) {
    ShowFailure(hwnd(), texts::kOutOfMemoryText, texts::kSaveResultCaption);
    return;
  }
  if (result != kSaveFileWritten) {
    ShowFailure(hwnd(), Format(texts::kSaveFailedText, error), texts::kSaveResultCaption);
    return;
  }
  state_.set_modified(false);
  SetSettingsWindowsApplied(false);
  SetButtonFonts(0, false);
  ShowSuccess(hwnd(), texts::kSaveSucceededText, texts::kSaveResultCaption);
}

void ParameterToolDialog::OnFileLoad() {
  if ((PendingChanges() != 0 || Editing()) && !AskYesNo(hwnd(), texts::kLoadConfirmText, texts::kLoadConfirmCaption))
    return;
  FileDialogRequest request;
  request.start_path = texts::FileDialogStartPath(prg_path_, "*.prg");
  request.filter = texts::kLoadFilter;
  std::optional<std::string> path = AskFileName(hwnd(), request);
  if (!path) return;
  prg_path_ = *path;
  settings_store_.SetText("PrgPath", prg_path_);

  auto loaded = std::make_unique<LoadedSaveFile>();
  int error = 0;
  switch (LoadSaveFile(*path, loaded.get(), &error)) {
    case kSaveFileLoaded:
      break;
    case kSaveFileLoadOutOfMemory:
      ShowFailure(hwnd(), texts::kOutOfMemoryText, texts::kLoadResultCaption);
      return;
    case kSaveFileOpenFailed:
      ShowFailure(hwnd(), error != 0 ? Format(texts::kLoadFailedText, error) : std::string(texts::kNotParameterFileText),
                  texts::kLoadResultCaption);
      return;
    case kSaveFileReadFailed:
      ShowFailure(hwnd(), Format(texts::kLoadFailedText, error), texts::kLoadResultCaption);
      return;
    default:
      ShowFailure(hwnd(), texts::kNotParameterFileText, texts::kLoadResultCaption);
      return;
  }
  state_.TakeOverFile(*loaded);
  RedrawRows();
  TakeOverImage();
  if (state_.read_state() >= 0) Enable(IDC_DEVICE_WRITE, true);
  SetButtonFonts(0, false);
  Balloon(true, true);
  ShowSuccess(hwnd(), Format(texts::kLoadSucceededText, loaded->version), texts::kLoadResultCaption);
}

void ParameterToolDialog::OnDefinitionUpdate() {
  if (AnySettingsWindowOpen()) {
    ShowMessage(hwnd(), texts::kUpdateCloseWindowsText, texts::kUpdateCaption, MB_OK | MB_ICONINFORMATION);
    return;
  }
  FileDialogRequest request;
  request.start_path = texts::FileDialogStartPath(def_path_, "*.txt");
  request.filter = texts::kDefinitionFilter;
  request.default_extension = texts::kDefinitionExtension;
  std::optional<std::string> path = AskFileName(hwnd(), request);
  if (!path) return;
  def_path_ = *path;
  settings_store_.SetText("DefPath", def_path_);

  DefinitionLoad load = LoadDefinition(*path);
  if (load.result != kDefinitionLoaded || load.valid_items == 0) {
    ShowFailure(hwnd(), DefinitionUpdateFailureText(load.result, load.valid_items), texts::kUpdateCaption);
    return;
  }
  const int answer =
      ShowMessage(hwnd(), texts::kUpdateStoreQuestion, texts::kUpdateStoreCaption, MB_YESNOCANCEL | MB_ICONQUESTION);
  if (answer != IDYES && answer != IDNO) return;
  state_.ReplaceDefinition(std::move(load.definition));
  if (answer == IDYES && !SamePath(*path, definition_path_)) InstallDefinition(*path);
  RebuildBlockControls();
}

bool ParameterToolDialog::InstallDefinition(const std::string& chosen) {
  const std::wstring installed = ToWide(definition_path_);
  const std::wstring backup = ToWide(ReplaceExtension(definition_path_, "old"));
  const DWORD backup_attributes = GetFileAttributesW(backup.c_str());
  if (backup_attributes != INVALID_FILE_ATTRIBUTES && (backup_attributes & FILE_ATTRIBUTE_READONLY))
    SetFileAttributesW(backup.c_str(), backup_attributes & ~FILE_ATTRIBUTE_READONLY);
  CopyFileW(installed.c_str(), backup.c_str(), FALSE);  // a missing installed file has no backup
  if (CopyFileW(ToWide(chosen).c_str(), installed.c_str(), FALSE)) return true;
  const DWORD error = GetLastError();
  const DWORD attributes = GetFileAttributesW(installed.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    ShowFailure(hwnd(), Format(texts::kUpdateCopyReadOnlyText, definition_path_.c_str()), texts::kUpdateCaption);
  } else {
    ShowFailure(hwnd(), Format(texts::kUpdateCopyFailedText, static_cast<int>(error)), texts::kUpdateCaption);
  }
  return false;
}

}  // namespace orvex
