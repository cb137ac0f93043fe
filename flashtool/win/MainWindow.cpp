#include "MainWindow.h"

#include <commctrl.h>

#include <new>

#include "AboutBox.h"
#include "CVistaFileDlg.h"
#include "Clipboard.h"
#include "ClipboardReport.h"
#include "DebugLevelAccess.h"
#include "ExtensionDialog.h"
#include "FileVersion.h"
#include "FlashIds.h"
#include "Settings.h"
#include "ShowMessage.h"
#include "SystemSettingsDialog.h"
#include "VersionResource.h"
#include "Wide.h"

namespace orvex::flash {

using autoupdate::kReportDeviceError;
using autoupdate::kReportDeviceError255;
using autoupdate::kReportResourceError;

namespace {

constexpr UINT_PTR kWatchdogTimer = 1;
constexpr UINT kWatchdogTickMs = 100;
// After the attach call itself failed, the next attempt waits a moment instead of spinning.
constexpr UINT_PTR kAttachRetryTimer = 2;
constexpr UINT kAttachRetryMs = 1000;

// Releases a notification when its handling ends, whichever branch ran.
class ReleaseGuard {
 public:
  ReleaseGuard(DeviceChannel& channel, int id) : channel_(channel), id_(id) {}
  ~ReleaseGuard() { channel_.ReleaseNotification(id_); }
  ReleaseGuard(const ReleaseGuard&) = delete;
  ReleaseGuard& operator=(const ReleaseGuard&) = delete;

 private:
  DeviceChannel& channel_;
  int id_;
};

}  // namespace

MainWindow::MainWindow(FlashStart start, autoupdate::ChildReporter* reporter)
    : start_(std::move(start)), reporter_(reporter) {}

MainWindow::~MainWindow() = default;

INT_PTR MainWindow::Run(HINSTANCE instance, HWND parent) {
  return RunModal(instance ? instance : GetModuleHandleW(nullptr), IDD_FLASH_MAIN, parent);
}

// ---- creation ----

bool MainWindow::OnInit() {
  AddSystemMenuCommands();
  icon_.Reset(static_cast<HICON>(LoadImageW(instance(), MAKEINTRESOURCEW(IDI_FLASH), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
  if (icon_) {
    SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.Get()));
    SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.Get()));
  }
  const DWORD version = WindowsVersion();
  grid_lines_ = version == 0 || version >= 0x0501;

  // A hand-off file that was not read was reported by its reader already: nothing to run.
  if (Automatic() && (start_.args.handoff_path.empty() || start_.handoff_files < 0)) {
    Finish(-1);
    return true;
  }
  SetUpFonts();
  program_folder_ = OwnModuleFolder();
  help_path_ = HelpFilePath(OwnModulePath());
  help_.emplace(help_path_, HelpBook::kOrvexFlash, HelpMissingText(help_path_));
  help_->ServeDialogs();
  files_.SetFolder(start_.update_folder.empty() ? program_folder_ : start_.update_folder);
  files_.SetExtension(kDefaultExtension);
  own_version_ = ReadOwnFileVersion();

  context_menu_.Reset(LoadMenuW(instance(), MAKEINTRESOURCEW(IDR_FLASH_CONTEXT)));
  if (!context_menu_ && !Automatic()) {
    ShowFailure(hwnd(), MenuFailedText());
    Finish(2);
    return true;
  }
  if (Automatic() && !InitAutomatic()) return true;

  SetItemText(IDC_MAIN_FOLDER, files_.Pattern());
  files_.Attach(Item(IDC_MAIN_FILES), char_width_, grid_lines_);
  devices_.Attach(Item(IDC_MAIN_DEVICES), char_width_, grid_lines_);
  // In automatic mode the sequencer's own search reports a failure; no box may stop the run.
  Refresh(!Automatic());
  devices_.Reset();

  const UINT messages[3] = {kMessageAttachFinished, kMessageDetached, kMessageNotification};
  channel_open_ = channel_.Open(hwnd(), messages, 3) == 1;
  if (channel_open_) {
    Enable(IDC_MAIN_DEVICES, true);
    Attach();
  } else if (Automatic()) {
    Report(kReportDeviceError, AutoChannelFailedText());
    Finish(255);
    return true;
  } else {
    ShowFailure(hwnd(), ChannelFailedText());
  }

  if (Automatic()) {
    phase_time_ = GetTickCount64();
    if (!SetTimer(hwnd(), kWatchdogTimer, kWatchdogTickMs, nullptr)) {
      Report(kReportResourceError, AutoTimerFailedText());
      Finish(255);
      return true;
    }
    watchdog_ = true;
    EnableWindow(hwnd(), FALSE);
  }
  SetFocus(Item(IDC_MAIN_FILES));
  return false;
}

bool MainWindow::InitAutomatic() {
  const autoupdate::AutoVerUpContent& h = start_.handoff;
  if (!reporter_->MapBuffer()) {
    ShowFailure(hwnd(), autoupdate::ChildReporter::MapFailureText());
    Finish(255);
    return false;
  }
  reporter_->SetOwner(hwnd());
  reporter_->SetResumeValue(h.resume_value);
  SequencerHost& host = *this;
  sequencer_ = std::make_unique<Sequencer>(SetupFromHandoff(h), host);
  if (reporter_->ReportTestFailure()) {
    Finish(255);
    return false;
  }
  SetText(GetText() + kAutoTitleSuffix);
  phase_ = kPhaseWaitDevice;
  if (!h.program_files.empty()) {
    SplitPath first = SplitFilePath(h.program_files.front());
    if (!first.folder.empty()) files_.SetFolder(first.folder);
    files_.SetExtension(first.extension);
  }
  return true;
}

void MainWindow::AddSystemMenuCommands() {
  HMENU menu = GetSystemMenu(hwnd(), FALSE);
  if (menu == nullptr) return;
  bool separated = false;
  const struct {
    UINT text;
    UINT command;
  } items[] = {{IDS_FLASH_SETTINGS, IDM_FLASH_SETTINGS}, {IDS_FLASH_HELP, IDM_FLASH_HELP},
               {IDS_FLASH_ABOUT, IDM_FLASH_ABOUT}};
  for (const auto& item : items) {
    wchar_t text[128] = {};
    if (LoadStringW(instance(), item.text, text, 128) <= 0) continue;
    if (!separated) AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    separated = true;
    AppendMenuW(menu, MF_STRING, item.command, text);
  }
}

void MainWindow::SetUpFonts() {
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd(), WM_GETFONT, 0, 0));
  LOGFONTW lf = {};
  if (font != nullptr && GetObjectW(font, sizeof lf, &lf) != 0) {
    lf.lfWeight = FW_BOLD;
    bold_font_.Reset(CreateFontIndirectW(&lf));
    if (bold_font_) SendItem(IDC_MAIN_UPDATE, WM_SETFONT, reinterpret_cast<WPARAM>(bold_font_.Get()), TRUE);
  }
  char_width_ = 8;
  if (HDC dc = GetDC(hwnd())) {
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    // The average over the Latin letters, as the dialog units are measured: a CJK font's own
    // average is narrower than its digits and letters, and the columns would clip them.
    static const wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE size = {};
    TEXTMETRICW tm = {};
    if (GetTextExtentPoint32W(dc, kLetters, 52, &size) && size.cx > 0) {
      char_width_ = (size.cx / 26 + 1) / 2;
    } else if (GetTextMetricsW(dc, &tm) && tm.tmAveCharWidth > 0) {
      char_width_ = tm.tmAveCharWidth;
    }
    if (old) SelectObject(dc, old);
    ReleaseDC(hwnd(), dc);
  }
}

void MainWindow::Finish(int result) {
  if (ended_) return;
  ended_ = true;
  if (watchdog_) KillTimer(hwnd(), kWatchdogTimer);
  watchdog_ = false;
  if (update_dialog_ != nullptr) update_dialog_->End(IDCANCEL);
  End(result);
}

void MainWindow::OnDestroy() {
  if (watchdog_) KillTimer(hwnd(), kWatchdogTimer);
  watchdog_ = false;
  KillTimer(hwnd(), kAttachRetryTimer);
  table_.reset();
}

// ---- commands ----

bool MainWindow::OnCommand(int code, int id, HWND control) {
  switch (id) {
    case IDC_MAIN_CHOOSE_FOLDER: ChooseFolder(); return true;
    case IDC_MAIN_UPDATE: UpdateSelected(); return true;
    case IDC_MAIN_RESET: AskAndReset(); return true;
    case IDC_MAIN_CLIP: CopyReport(); return true;
    case IDC_MAIN_CLOSE:
    case IDM_FLASH_EXIT:
    case IDCANCEL: Finish(IDCANCEL); return true;
    case IDOK: return true;  // Enter does not close the main window
    case IDM_FLASH_SETTINGS: OpenSettings(); return true;
    case IDM_FLASH_HELP: OpenHelp(); return true;
    case IDM_FLASH_ABOUT: OpenAbout(); return true;
    case IDM_FLASH_EXTENSION: ChangeExtension(); return true;
    case IDM_FLASH_REFRESH: Refresh(!Automatic()); return true;
    default: return Dialog::OnCommand(code, id, control);
  }
}

bool MainWindow::OnNotify(int id, NMHDR* header, LRESULT& result) {
  if (id != IDC_MAIN_FILES && id != IDC_MAIN_DEVICES) return false;
  ListView& view = id == IDC_MAIN_FILES ? files_.View() : devices_.View();
  switch (header->code) {
    case NM_KILLFOCUS:
      view.SelectFocused();
      return true;
    case LVN_ENDSCROLL:
      InvalidateRect(view.hwnd(), nullptr, TRUE);
      return true;
    case NM_RCLICK:
      if (id == IDC_MAIN_FILES) ShowFileListMenu();
      result = 0;
      return true;
    default:
      return false;
  }
}

void MainWindow::ShowFileListMenu() {
  HMENU popup = context_menu_ ? GetSubMenu(context_menu_.Get(), 0) : nullptr;
  if (popup == nullptr) return;
  POINT at = {};
  GetCursorPos(&at);
  TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd(), nullptr);
}

void MainWindow::Refresh(bool show_failure) {
  if (!files_.Fill(DeviceClassNow()) && show_failure) ShowFailure(hwnd(), FillFailedText());
}

void MainWindow::ChooseFolder() {
  CVistaFileDlg dialog(CVistaFileDlg::kFolder, files_.Folder(), FolderDialogTitle(files_.Extension()), hwnd());
  if (dialog.Show() != CVistaFileDlg::kChosen) return;
  files_.SetFolder(dialog.Path());
  SetItemText(IDC_MAIN_FOLDER, files_.Pattern());
  Settings(OwnProgramName()).SetText("PrgFolder", files_.Folder());
  Refresh(true);
}

void MainWindow::ChangeExtension() {
  ExtensionDialog dialog(files_.Extension());
  if (dialog.Run(hwnd(), instance()) != IDOK) return;
  files_.SetExtension(dialog.Extension());
  SetItemText(IDC_MAIN_FOLDER, files_.Pattern());
  Refresh(!Automatic());
}

void MainWindow::UpdateSelected() {
  if (ended_) return;
  const int row = files_.Selected();
  if (row < 0) {
    if (Automatic()) {
      Report(kReportDeviceError255, AutoNoFileSelectedText());
      Finish(-1);
    } else {
      ShowFailure(hwnd(), NoFileSelectedText());
    }
    return;
  }
  files_.View().EnsureVisible(row);
  const std::vector<std::string> cells = files_.Row(row);
  if (!Automatic() && !AskYesNo(hwnd(), UpdateQuestion(cells[0]), kUpdateQuestionCaption)) return;

  UpdateDialog dialog(channel_, {files_.PathOf(row), cells[0], cells[1], cells[2]}, Automatic() ? this : nullptr);
  update_dialog_ = &dialog;
  const INT_PTR result = dialog.Run(hwnd(), instance());
  update_dialog_ = nullptr;
  if (!Automatic()) return;
  EnableWindow(hwnd(), FALSE);
  if (ended_) return;
  if (result < 0) {
    Finish(-1);
    return;
  }
  // A refused format goes on with the next file at once; a restart that came while the dialog
  // was still open goes on now.
  if (result == kUpdateResultRefused || run_pending_) {
    run_pending_ = false;
    RunSequencer();
  }
}

void MainWindow::AskAndReset() {
  if (AskYesNo(hwnd(), ResetQuestion(), kResetQuestionCaption)) channel_.HardwareReset();
}

void MainWindow::CopyReport() {
  ClipboardFacts facts;
  facts.folder = files_.Folder();
  facts.file_rows = files_.Rows();
  facts.driver_version = channel_.Versions(&facts.library_version, &facts.expected_library_version, nullptr);
  if (channel_.ChannelStateAt(0) == 1) {
    DeviceInfoBlock info = channel_.InfoBlock();
    facts.max_lines = info.MaxLines();
    facts.voice_channels = info.RawVoiceChannels();
  }
  facts.device_rows = devices_.Rows();
  DWORD error = 0;
  switch (PutClipboardText(hwnd(), BuildClipboardReport(facts), &error)) {
    case ClipboardOutcome::kOpenFailed:
      ShowMessage(hwnd(), ClipboardOpenFailedText(error), {}, MB_OK);
      break;
    case ClipboardOutcome::kTransferFailed:
      ShowMessage(hwnd(), ClipboardTransferFailedText(), {}, MB_OK);
      break;
    case ClipboardOutcome::kDone:
      ShowSuccess(hwnd(), ClipboardDoneText());
      break;
  }
}

void MainWindow::OpenSettings() {
  DebugLevelAccess access(channel_open_ ? &channel_ : nullptr);
  SystemSettingsDialog dialog(access, !filter_on_, program_folder_);
  const INT_PTR result = dialog.Run(hwnd(), instance());
  if (result != IDOK && result != IDYES) return;
  // The levels are written either way; the filter setting the user chose is kept with them.
  if (dialog.ShowAll() == filter_on_) {
    filter_on_ = !dialog.ShowAll();
    PostMessageW(hwnd(), WM_COMMAND, IDM_FLASH_REFRESH, 0);
  }
  if (result == IDYES) channel_.HardwareReset();
}

void MainWindow::OpenHelp() {
  if (help_) help_->Show(hwnd(), IDD_FLASH_MAIN);
}

void MainWindow::OpenAbout() {
  AboutBox box(kUpdateToolAbout, channel_open_ ? &channel_ : nullptr, OwnProgramName(), own_version_);
  box.Run(hwnd(), instance());
}

// ---- timers and messages ----

bool MainWindow::OnTimer(UINT_PTR timer_id) {
  if (timer_id == kAttachRetryTimer) {
    KillTimer(hwnd(), kAttachRetryTimer);
    PostMessageW(hwnd(), kMessageDetached, kDetachOrdinary, 0);
    return true;
  }
  if (timer_id != kWatchdogTimer) return false;
  if (ended_) return true;
  if (auto text = WatchdogReport(phase_, GetTickCount64() - phase_time_,
                                 start_.handoff.wait_ms != 0 ? start_.handoff.wait_ms : kDefaultWaitMs)) {
    KillTimer(hwnd(), kWatchdogTimer);
    watchdog_ = false;
    Report(kReportDeviceError, *text);
    Finish(-1);
  }
  return true;
}

bool MainWindow::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& /*result*/) {
  switch (message) {
    case kMessageAttachFinished:
      OnAttachFinished(static_cast<uint32_t>(wparam), static_cast<uint32_t>(lparam));
      return true;
    case kMessageDetached:
      OnDetached(static_cast<uint32_t>(wparam), static_cast<uint32_t>(lparam));
      return true;
    case kMessageNotification:
      OnNotification(static_cast<int>(wparam), reinterpret_cast<const uint8_t*>(lparam));
      return true;
    case WM_SYSCOMMAND:
      switch (wparam & 0xFFF0) {
        case IDM_FLASH_SETTINGS: OpenSettings(); return true;
        case IDM_FLASH_HELP: OpenHelp(); return true;
        case IDM_FLASH_ABOUT: OpenAbout(); return true;
        default: return false;
      }
    default:
      return false;
  }
}

// ---- device ----

void MainWindow::Attach() {
  if (ended_) return;
  const int answer = channel_.Attach();
  if (answer == kAttachUnderWay) return;
  // Attached at once: the same as an attach that finished well.
  if (answer == kAttachedAtOnce) {
    OnAttachFinished(kAttachedAtOnce, 0);
    return;
  }
  devices_.SetStatus(0, AttachCallFailedText(answer, GetLastError()));
  SetTimer(hwnd(), kAttachRetryTimer, kAttachRetryMs, nullptr);
}

void MainWindow::OnAttachFinished(uint32_t status, uint32_t error) {
  if (ended_) return;
  if (status != kAttachedAtOnce) {
    devices_.SetStatus(0, AttachFailedText(status, error));
    Attach();
    return;
  }
  const DeviceInfoBlock info = channel_.InfoBlock();
  try {
    table_ = std::make_unique<DeviceVersionTable>(info.MaxLines(), info.ChannelCount());
  } catch (const std::exception&) {
    table_.reset();
    devices_.SetStatus(0, AttachMemoryText());
    return;
  }
  if (Automatic()) SetPhase(kPhaseWaitSystemChannel, false);  // an attach does not renew the time
  channel_.ReleaseNotification(0);
  Enable(IDC_MAIN_UPDATE, true);
  Enable(IDC_MAIN_RESET, true);
  devices_.SetStatus(0, ChannelWaitingText());
}

void MainWindow::OnDetached(uint32_t status, uint32_t error) {
  if (ended_) return;
  Enable(IDC_MAIN_UPDATE, false);
  Enable(IDC_MAIN_RESET, false);
  table_.reset();
  devices_.Reset();
  if (status != kDetachOrdinary) devices_.SetStatus(0, DeviceFaultText(status, error));
  if (Automatic()) {
    if (update_dialog_ != nullptr && update_dialog_->Running()) {
      PostMessageW(update_dialog_->hwnd(), kMessageUpdateRecord, 0,
                   static_cast<LPARAM>(LostDeviceValue(status, error)));
    } else if (status == kDetachOrdinary) {
      Attach();
    } else {
      Report(kReportDeviceError, AutoDeviceFaultText(status, error));
      Finish(-1);
    }
    return;
  }
  if (filter_on_) PostMessageW(hwnd(), WM_COMMAND, IDM_FLASH_REFRESH, 0);
  Attach();
}

uint32_t MainWindow::DriverDetail() {
  uint32_t detail = 0;
  channel_.Versions(nullptr, nullptr, &detail);
  return detail;
}

void MainWindow::OnNotification(int id, const uint8_t* record) {
  ReleaseGuard release(channel_, id);
  if (record == nullptr || ended_) return;
  const NotificationHeader h = ReadNotificationHeader(record);
  if (!HandledAfterDeviceLeft(h.code) && !channel_.DeviceReady()) return;
  const uint8_t status = record[kRecordHeaderSize];
  switch (h.code) {
    case kCodeChannelStarted:
      OnChannelStarted(record);
      break;
    case kCodeChannelStopped:
      if (table_ && table_->OnChannelStopped(h.channel)) devices_.RemoveRow(h.channel);
      break;
    case kCodeTransferStatus:
      if (status != 1 || update_dialog_ == nullptr) devices_.SetStatus(h.channel, TransferStatusText(status));
      break;
    case kCodeTransferProgress:
    case kCodeTransferEnd:
      if (update_dialog_ == nullptr) break;
      if (h.code == kCodeTransferEnd) devices_.SetStatus(0, RestartWaitingText());
      SendMessageW(update_dialog_->hwnd(), kMessageUpdateRecord, static_cast<WPARAM>(id),
                   reinterpret_cast<LPARAM>(record));
      break;
    case kCodeDeviceStopped:
      OnDeviceStopped(h.channel, status);
      break;
    case kCodeDeviceStatus:
      devices_.SetStatus(h.channel, DeviceStatusText(status));
      break;
    default:
      break;
  }
}

void MainWindow::OnChannelStarted(const uint8_t* record) {
  if (!table_) return;
  std::optional<size_t> index = table_->OnChannelStarted(record, kStartedRecordMinSize);
  if (!index) return;
  devices_.ShowRow(*table_, *index, *index == 0 ? DriverDetail() : 0);
  if (*index != 0) return;
  if (Automatic()) {
    if (phase_ == kPhaseWaitSystemChannel) RunSequencer();
  } else if (filter_on_) {
    PostMessageW(hwnd(), WM_COMMAND, IDM_FLASH_REFRESH, 0);
  }
}

void MainWindow::OnDeviceStopped(uint32_t channel, uint8_t status) {
  devices_.SetStatus(channel, DeviceStoppedText(status));
  if (Automatic()) {
    Report(kReportDeviceError, AutoDeviceStoppedText(status));
    Finish(-1);
    return;
  }
  if (AskYesNo(hwnd(), FatalAlarmQuestion(status))) channel_.HardwareReset();
}

int MainWindow::DeviceClassNow() const {
  DeviceClassInput in;
  in.attached = table_ != nullptr;
  in.main_word = table_ ? table_->MainWord(kWordOffset20) : 0;
  in.automatic = Automatic();
  in.filter_on = filter_on_;
  in.first_stage = sequencer_ ? sequencer_->FirstStage() : 1;
  in.stage_started = sequencer_ && sequencer_->Started();
  return DeviceClass(in);
}

// ---- automatic mode ----

void MainWindow::SetPhase(int phase, bool new_time_stamp) {
  phase_ = phase;
  if (new_time_stamp) phase_time_ = GetTickCount64();
}

void MainWindow::RunSequencer() {
  if (!sequencer_ || ended_ || !table_) return;
  if (update_dialog_ != nullptr) {
    run_pending_ = true;  // the dialog that is closing decides first
    return;
  }
  SetPhase(kPhaseRunning, false);
  sequencer_->Run(*table_);
}

void MainWindow::Report(uint32_t code, const std::string& text) {
  if (reporter_ == nullptr) return;
  reporter_->SetValue(sequencer_ ? sequencer_->Stage() : 0);
  reporter_->SetResumeValue(sequencer_ ? sequencer_->Resume() : start_.handoff.resume_value);
  reporter_->Report(code, text);
}

bool MainWindow::FillList() { return files_.Fill(DeviceClassNow()); }

void MainWindow::SetListLocation(const std::string& folder, const std::string& extension) {
  files_.SetFolder(folder);
  files_.SetExtension(extension);
  SetItemText(IDC_MAIN_FOLDER, files_.Pattern());
}

std::optional<uint32_t> MainWindow::SelectFile(const std::string& name) { return files_.SelectOnly(name); }

void MainWindow::PostUpdate() {
  PostMessageW(hwnd(), WM_COMMAND, MAKEWPARAM(IDC_MAIN_UPDATE, BN_CLICKED), 0);
}

void MainWindow::OnUpdateEnded(bool success) {
  SetPhase(kPhaseWaitSystemChannel, true);
  if (!sequencer_) return;
  if (success) {
    sequencer_->OnUpdateSucceeded();
  } else {
    sequencer_->OnUpdateFailed();
  }
}

bool MainWindow::TakeResetAfterUpdate() { return sequencer_ && sequencer_->TakeResetAfterUpdate(); }

}  // namespace orvex::flash
