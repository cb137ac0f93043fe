// The main window's life: start-up in each run mode, the wait timer, the device channel, the
// display (title, rows, buttons, balloon) and the end. The commands are in
// ParameterToolCommands.cpp and ParameterFileCommands.cpp.
#include "ParameterToolDialog.h"

#include <windows.h>
// after windows.h
#include <commctrl.h>

#include "ConfirmDialogs.h"
#include "DefinitionLocation.h"
#include "DocumentsFolder.h"
#include "FileVersion.h"
#include "Format.h"
#include "HandoffFileIo.h"
#include "PathText.h"
#include "ShowMessage.h"
#include "ToolIds.h"
#include "ToolTexts.h"
#include "VersionResource.h"
#include "Wide.h"

namespace orvex {
namespace {

// The one main window of the process, for the keyboard filter.
ParameterToolDialog* active_dialog = nullptr;

std::string FolderWithoutBackslash(std::string_view path) {
  std::string folder(PathFolder(path));
  if (EndsWithBackslash(folder)) folder.pop_back();
  return folder;
}

}  // namespace

ToolEnvironment OwnToolEnvironment() {
  ToolEnvironment environment;
  environment.program_path = OwnModulePath();
  environment.settings_name = OwnProgramName();
  environment.documents_folder = ProbeDocumentsFolder();
  return environment;
}

ParameterToolDialog::ParameterToolDialog(std::string definition_path_file, ToolEnvironment environment)
    : environment_(std::move(environment)),
      program_folder_(FolderWithoutBackslash(environment_.program_path)),
      definition_path_file_(std::move(definition_path_file)),
      settings_store_(environment_.settings_name) {
  if (definition_path_file_.empty()) {
    std::string name(FileNamePart(environment_.program_path));
    definition_path_file_ = ReplaceExtension(name, "ini");
  }
  for (int n = 1; n <= kBlockCount; ++n)
    settings_[static_cast<size_t>(n - 1)] = std::make_unique<ParameterSettingsWindow>(n);
  reporter_ = std::make_unique<autoupdate::ChildReporter>(autoupdate::ChildTool::kParameterTool, child_arguments_);
}

ParameterToolDialog::~ParameterToolDialog() {
  if (active_dialog == this) active_dialog = nullptr;
}

void ParameterToolDialog::TakeCommandLine(const ToolCommandLine& line) {
  context_ = line.context;
  child_arguments_ = line.child;
  if (!line.definition_path_file.empty()) definition_path_file_ = line.definition_path_file;
  reporter_ = std::make_unique<autoupdate::ChildReporter>(autoupdate::ChildTool::kParameterTool, child_arguments_);
  if (!context_.automatic) return;
  // The buffer is mapped before the hand-off file is read, so that a failure to read it reaches
  // the starting program with its text.
  reporter_->MapBuffer();
  handoff_failed_ = autoupdate::ReadAutoParaFile(context_.handoff_path, environment_.program_path,
                                                 &context_.handoff, this) < 0;
  context_.wait_limit_ms = context_.handoff.wait_ms;
}

void ParameterToolDialog::ReadSettings() {
  auto_read_ = settings_store_.GetInt("AutoRead", 1) != 0;
  def_path_ = settings_store_.GetText("DefPath");
  prg_path_ = settings_store_.GetText("PrgPath");
}

INT_PTR ParameterToolDialog::Run(HINSTANCE instance) {
  return RunModal(instance, IDD_PARAMETER_TOOL, nullptr);
}

void ParameterToolDialog::Report(uint32_t code, std::string_view text) {
  reporter_->SetValue(context_.report_value);
  reporter_->Report(code, text);
}

// ---- Start-up -----------------------------------------------------------------------------------

bool ParameterToolDialog::OnInit() {
  active_dialog = this;
  reporter_->SetOwner(hwnd());
  balloon_.SetMargins(-1, -1, kBalloonTailX, kBalloonTailHeight);
  AddSystemMenuItems();
  icon_ = LoadIconW(instance(), MAKEINTRESOURCEW(IDI_PARAMETER_TOOL));
  SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  HANDLE small_icon = LoadImageW(instance(), MAKEINTRESOURCEW(IDI_PARAMETER_TOOL), IMAGE_ICON,
                                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED);
  SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small_icon));

  if (auto outcome = CheckStartPath(context_)) {
    Apply(*outcome);
    return true;
  }
  CreateFonts();
  {
    std::string help_path = ReplaceExtension(environment_.program_path, "chm");
    std::string missing = Format(texts::kHelpMissingText, help_path.c_str());
    help_ = std::make_unique<HelpFile>(std::move(help_path), HelpBook::kOrvexSet, std::move(missing));
    help_->ServeDialogs();
  }
  own_version_ = ReadFileVersion(environment_.program_path);
  definition_path_file_ = DefinitionPathFilePath(program_folder_, definition_path_file_);
  if (def_path_.empty()) def_path_ = JoinPath(program_folder_, kDefaultDefinitionName);
  if (prg_path_.empty()) prg_path_ = JoinPath(program_folder_, kDefaultSaveFileName);
  if (!StartByRunMode()) return true;

  initial_title_ = GetText();
  for (int n = 1; n <= kBlockCount; ++n)
    initial_captions_[static_cast<size_t>(n - 1)] = GetItemText(IDC_BLOCK_FIRST + n - 1);

  channel_images_.Reset(ImageList_LoadImageW(instance(), MAKEINTRESOURCEW(IDB_CHANNELS), 16, 0, RGB(255, 255, 255),
                                             IMAGE_BITMAP, LR_CREATEDIBSECTION));
  list_.Attach(Item(IDC_CHANNEL_LIST), channel_images_.Get());

  RebuildBlockControls();
  ResetDeviceDisplay();
  read_at_once_ = false;

  OpenDevice();
  if (!IsWindow(hwnd()) || ended_) return true;
  SetFocus(list_.hwnd());
  if (context_.Unattended()) StartWaitTimer();
  if (!ended_) {
    key_filter_ = SetWindowsHookExW(WH_MSGFILTER, KeyFilter, nullptr, GetCurrentThreadId());
    // The settings windows are modeless inside this modal window's loop.
    InstallSettingsWindowKeys();
  }
  return false;
}

void ParameterToolDialog::AddSystemMenuItems() {
  HMENU menu = GetSystemMenu(hwnd(), FALSE);
  if (menu == nullptr) return;
  wchar_t text[128];
  if (LoadStringW(instance(), IDS_AUTO_READ_MENU, text, 128) > 0) {
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING | (auto_read_ ? MF_CHECKED : MF_UNCHECKED), IDM_AUTO_READ, text);
  }
  bool help_added = false;
  if (LoadStringW(instance(), IDS_HELP_MENU, text, 128) > 0) {
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, IDM_HELP, text);
    help_added = true;
  }
  if (LoadStringW(instance(), IDS_ABOUT_MENU, text, 128) > 0) {
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    if (!help_added) AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, IDM_ABOUT, text);
  }
}

void ParameterToolDialog::CreateFonts() {
  LOGFONTW font = {};
  HFONT dialog_font = reinterpret_cast<HFONT>(SendMessageW(hwnd(), WM_GETFONT, 0, 0));
  if (dialog_font == nullptr || GetObjectW(dialog_font, sizeof font, &font) == 0)
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
  normal_font_.Reset(CreateFontIndirectW(&font));
  font.lfWeight = FW_BOLD;
  bold_font_.Reset(CreateFontIndirectW(&font));
  font.lfItalic = TRUE;
  bold_italic_font_.Reset(CreateFontIndirectW(&font));
}

bool ParameterToolDialog::StartByRunMode() {
  switch (context_.Mode()) {
    case RunMode::kAutomatic:
      if (context_.report_mapping != 0 && !reporter_->Mapped()) {
        ShowFailure(hwnd(), autoupdate::ChildReporter::MapFailureText());
        EndWindow();
        return false;
      }
      if (context_.test) {
        Report(autoupdate::kReportResourceError, autoupdate::TestFailureText(context_.report_value));
        EndWindow();
        return false;
      }
      // The reader has reported why; going on without the hand-off file would end in a report of
      // success for an update that never had its instructions.
      if (handoff_failed_) {
        EndWindow();
        return false;
      }
      context_.wait_stage = kWaitDevice;
      context_.report_value = -1;
      context_.selected_definition = -1;
      state_.StartWith(nullptr);
      return true;
    case RunMode::kFileRead:
    case RunMode::kFileWrite:
      context_.wait_stage = kWaitDevice;
      context_.wait_limit_ms = kFileModeWaitLimitMs;
      state_.StartWith(nullptr);
      return true;
    default:
      LoadStartupDefinition();
      return true;
  }
}

void ParameterToolDialog::LoadStartupDefinition() {
  // The definition path file, created with its two default lines when it is missing.
  std::string bytes;
  const std::wstring ini = ToWide(definition_path_file_);
  UniqueFile file(CreateFileW(ini.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file) {
    char buffer[4096];
    DWORD got = 0;
    while (bytes.size() < 65536 && ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
      bytes.append(buffer, got);
  } else if (GetLastError() == ERROR_FILE_NOT_FOUND) {
    bytes = DefaultDefinitionPathFileText();
    UniqueFile created(
        CreateFileW(ini.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (created) WriteFile(created.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  }
  const DefinitionPathNames names = ParseDefinitionPathFile(bytes);
  StartupDefinition start = ::orvex::LoadStartupDefinition(
      names, program_folder_, environment_.documents_folder,
      [](const std::string& path) { return LoadDefinition(path); });
  definition_path_ = start.definition_path;
  save_file_path_ = start.save_file_path;
  if (start.load.result != kDefinitionLoaded) {
    ShowFailure(hwnd(), std::string(DefinitionLoadFailureText(start.load.result)) + kDefinitionUnusableText);
    state_.StartWith(nullptr);
    return;
  }
  state_.StartWith(std::move(start.load.definition));
}

void ParameterToolDialog::OpenDevice() {
  static const UINT kMessages[3] = {kMessageAttachFinished, kMessageDetached, kMessageNotification};
  channel_open_ = channel_.Open(hwnd(), kMessages, 3) == 1;
  if (!channel_open_) {
    Apply(ChannelOpenFailure(context_.Mode()));
    return;
  }
  if (auto_read_ || context_.Unattended()) {
    if (ParameterDeviceChannel::DevicePresent()) {
      read_at_once_ = true;
    } else if (context_.file_mode != FileMode::kNone) {
      Apply(NoDeviceAtStart());
      return;
    }
  }
  Attach();
}

void ParameterToolDialog::StartWaitTimer() {
  context_.start_tick = GetTickCount();
  wait_timer_ = SetTimer(hwnd(), 1, kWaitTimerPeriodMs, nullptr);
  if (wait_timer_ == 0) {
    Apply(TimerStartFailure(context_.Mode()));
    return;
  }
  EnableWindow(hwnd(), FALSE);
}

bool ParameterToolDialog::OnTimer(UINT_PTR timer_id) {
  if (timer_id != wait_timer_ || wait_timer_ == 0) return false;
  if (auto outcome = CheckWaitLimit(context_, GetTickCount())) {
    KillTimer(hwnd(), wait_timer_);
    wait_timer_ = 0;
    Apply(*outcome);
  }
  return true;
}

void ParameterToolDialog::Apply(const RunOutcome& outcome) {
  if (outcome.report_code) Report(*outcome.report_code, outcome.report_text);
  if (outcome.exit_code) context_.exit_code = *outcome.exit_code;
  if (!outcome.message.empty()) ShowFailure(hwnd(), outcome.message);
  if (outcome.end_window) EndWindow();
}

void ParameterToolDialog::EndWindow() {
  if (ended_) return;
  ended_ = true;
  // An unattended run that ends (its wait limit, say) while the connection question waits must
  // not wait for an answer nobody gives.
  if (active_connection_ != nullptr) active_connection_->End(IDCANCEL);
  End(-1);
}

void ParameterToolDialog::OnDestroy() {
  if (wait_timer_ != 0) KillTimer(hwnd(), wait_timer_);
  wait_timer_ = 0;
  if (key_filter_ != nullptr) {
    UnhookWindowsHookEx(key_filter_);
    RemoveSettingsWindowKeys();
  }
  key_filter_ = nullptr;
  balloon_.Hide();
  for (auto& window : settings_) window->Destroy();
  help_.reset();
  if (active_dialog == this) active_dialog = nullptr;
}

// ---- Display ------------------------------------------------------------------------------------

void ParameterToolDialog::RefreshTitle() {
  SetText(state_.Title(initial_title_, context_.automatic));
}

void ParameterToolDialog::RedrawRow(int row) {
  if (list_.hwnd() == nullptr) return;
  ChannelRow view = state_.Row(row);
  list_.SetRow(row, view.text, view.image);
}

void ParameterToolDialog::RedrawRows() {
  for (int row = 0; row < ChannelList::kRows; ++row) RedrawRow(row);
}

void ParameterToolDialog::RebuildBlockControls() {
  const BlockControls controls = BuildBlockControls(state_.definition(), initial_captions_);
  for (int n = 1; n <= kBlockCount; ++n) {
    const BlockControl& c = controls.blocks[static_cast<size_t>(n - 1)];
    Enable(IDC_LETTER_FIRST + n - 1, c.letter_enabled);
    SetItemText(IDC_BLOCK_FIRST + n - 1, c.caption);
    Enable(IDC_BLOCK_FIRST + n - 1, c.block_enabled && !settings_[static_cast<size_t>(n - 1)]->IsOpen());
  }
  Enable(IDC_RESET_ALL, controls.reset_enabled);

  channel_menu_.Reset(CreatePopupMenu());
  for (const MenuItem& item : ChannelMenuItems(state_.definition())) {
    if (item.id == 0) {
      AppendMenuW(channel_menu_.Get(), MF_SEPARATOR, 0, nullptr);
    } else {
      AppendMenuW(channel_menu_.Get(), MF_STRING | (item.enabled ? MF_ENABLED : MF_GRAYED),
                  static_cast<UINT_PTR>(item.id), ToWide(item.text).c_str());
    }
  }
  RefreshTitle();
}

void ParameterToolDialog::SetButtonFont(int id, bool bold) {
  HFONT font = bold ? bold_font_.Get() : normal_font_.Get();
  if (font != nullptr) SendItem(id, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

bool ParameterToolDialog::IsBold(int control_id) const {
  return bold_font_.Valid() &&
         reinterpret_cast<HFONT>(SendItem(control_id, WM_GETFONT)) == bold_font_.Get();
}

void ParameterToolDialog::SetButtonFonts(int which, bool bold) {
  for (int n = 0; n < kBlockCount; ++n) {
    if (which <= 0) SetButtonFont(IDC_LETTER_FIRST + n, bold);
    if (which >= 0) SetButtonFont(IDC_BLOCK_FIRST + n, bold);
  }
}

void ParameterToolDialog::Balloon(bool show, bool force) {
  if (!show) {
    balloon_.Hide();
    if (force) balloon_marked_ = false;
    return;
  }
  HWND write = Item(IDC_DEVICE_WRITE);
  if (!IsWindowEnabled(write) || (!force && balloon_marked_)) return;
  // The balloon's tail points up at the middle of the write button.
  RECT button;
  GetWindowRect(write, &button);
  MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&button), 2);
  const int x = (button.left + button.right) / 2 - kBalloonTailX;
  balloon_.Show(hwnd(), texts::kBalloonText, x, button.bottom + 1, true, 0);
  balloon_marked_ = true;
}

// ---- Keys ---------------------------------------------------------------------------------------

LRESULT CALLBACK ParameterToolDialog::KeyFilter(int code, WPARAM wparam, LPARAM lparam) {
  if (code == MSGF_DIALOGBOX && active_dialog != nullptr &&
      active_dialog->OnFunctionKey(*reinterpret_cast<const MSG*>(lparam))) {
    return 1;
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

bool ParameterToolDialog::OnFunctionKey(const MSG& msg) {
  if (hwnd() == nullptr || (msg.hwnd != hwnd() && !IsChild(hwnd(), msg.hwnd))) return false;
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_F1) {
    if (help_) help_->Show(hwnd(), IDD_PARAMETER_TOOL);
    return true;
  }
  if ((msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP) && msg.wParam >= VK_F5 && msg.wParam <= VK_F12) {
    if (msg.wParam <= VK_F8) {
      const int block = static_cast<int>(msg.wParam - VK_F5) + 2;  // F5..F8: Ａ..Ｄ
      if (IsWindowEnabled(Item(IDC_LETTER_FIRST + block - 1))) OnAssign(block);
    }
    return true;
  }
  return false;
}

// ---- Messages -----------------------------------------------------------------------------------

bool ParameterToolDialog::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  switch (message) {
    case WM_SYSCOMMAND: {
      const UINT item = static_cast<UINT>(wparam & 0xFFF0);
      if (item != IDM_ABOUT && item != IDM_AUTO_READ && item != IDM_HELP) return false;
      OnSystemCommand(item);
      result = 0;
      return true;
    }
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wparam) != list_.hwnd()) return false;
      ShowChannelMenu(lparam);
      return true;
    case WM_SETTINGS_CLOSED:
      OnSettingsClosed(static_cast<int>(wparam), lparam);
      return true;
    case kMessageAttachFinished:
      OnAttachFinished(static_cast<int>(wparam), static_cast<DWORD>(lparam));
      return true;
    case kMessageDetached:
      OnDetached(static_cast<int>(wparam), static_cast<DWORD>(lparam));
      return true;
    case kMessageNotification:
      OnNotification(static_cast<int>(wparam), reinterpret_cast<const uint8_t*>(lparam));
      return true;
    case WM_CONNECTION_DETECTED:
      OnConnectionDetected();
      return true;
    case WM_WRITE_FILE_MODE:
      WriteFileMode();
      return true;
    case WM_FIT_CHANNEL_LIST:
      list_.FitColumns();
      return true;
    default:
      return false;
  }
}

bool ParameterToolDialog::OnNotify(int id, NMHDR* header, LRESULT& /*result*/) {
  if (id == IDC_CHANNEL_LIST && header->code == NM_CUSTOMDRAW && !list_fitted_) {
    // The list may measure its items once more when it first paints; fit the columns after that.
    list_fitted_ = true;
    PostMessageW(hwnd(), WM_FIT_CHANNEL_LIST, 0, 0);
  }
  if (id == IDC_CHANNEL_LIST && header->code == NM_KILLFOCUS) {
    // Leaving the list keeps the row under the focus selected, so the buttons act on it.
    const int focused = list_.FocusedRow();
    if (focused >= 0) list_.SetSelected(focused, true);
  }
  return false;
}

}  // namespace orvex
