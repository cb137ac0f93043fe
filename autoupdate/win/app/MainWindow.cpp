#include "MainWindow.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "Format.h"
#include "LogFile.h"
#include "ModelNumber.h"
#include "RecoveryFile.h"
#include "RollIds.h"
#include "RunFolder.h"
#include "ShowMessage.h"
#include "SystemError.h"
#include "VersionText.h"
#include "WinDriverFileSystem.h"
#include "WorkflowOutcome.h"
#include "Wide.h"

namespace orvex::autoupdate {

namespace {

class AboutDialog : public Dialog {};

bool MakeFolder(const std::string& path, DWORD* error) {
  if (CreateDirectoryW(ToWide(path).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return true;
  *error = GetLastError();
  return false;
}

}  // namespace

MainWindow::MainWindow(RollConfig config) : config_(std::move(config)) {
  title_ = WindowTitle(config_.info);
  setup_.info = config_.info;
  setup_.update_folder = config_.update_folder;
  setup_.parameter_tool = config_.parameter_tool;
  setup_.label = DeviceLabel(config_.info);
  setup_.own_version = config_.own_version;
  setup_.folders.model = ModelNumberOf(config_.info);
  ResetRecoveryRecord(&state_.recovery, config_.own_version);
}

MainWindow::~MainWindow() = default;

INT_PTR MainWindow::Run(HINSTANCE instance) { return RunModal(instance, IDD_ROLL_MAIN, nullptr); }

int MainWindow::Box(const std::string& text, UINT type) { return ShowMessage(hwnd(), text, title_, type); }

bool MainWindow::OnInit() {
  SetMessageCaption(title_);
  if (!PrepareWindow()) {
    MakeClosable(true);
    End(-1);
    return true;
  }
  PrepareRun();
  return true;
}

bool MainWindow::PrepareWindow() {
  // 1. System menu, icon, caption.
  if (HMENU system = GetSystemMenu(hwnd(), FALSE)) {
    AppendMenuW(system, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(system, MF_STRING, IDM_ROLL_ABOUT, ToWide("バージョン情報(&A)...").c_str());
  }
  icon_big_.Reset(static_cast<HICON>(LoadImageW(instance(), MAKEINTRESOURCEW(IDR_ROLL_ICON), IMAGE_ICON,
                                                GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0)));
  icon_small_.Reset(static_cast<HICON>(LoadImageW(instance(), MAKEINTRESOURCEW(IDR_ROLL_ICON), IMAGE_ICON,
                                                  GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0)));
  SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_big_.Get()));
  SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_small_.Get()));
  SetText(title_ + " <Win98>");

  // 2. Log list and its context menu.
  if (!log_.Attach(hwnd(), Item(IDC_ROLL_LOG))) {
    Box("リストビューの初期化に失敗しました。", MB_OK);
    return false;
  }
  context_menu_.Reset(LoadMenuW(instance(), MAKEINTRESOURCEW(IDR_ROLL_CONTEXT)));
  if (!context_menu_) {
    Box("コンテキスト・メニューの設定に失敗しました。", MB_OK);
    return false;
  }

  // 3. Report buffer.
  switch (mapping_.Create()) {
    case ReportMapping::kOk: break;
    case ReportMapping::kCreateFailed: Box(ReportMapping::CreateFailureText(), MB_OK); return false;
    case ReportMapping::kMapFailed: Box(ReportMapping::MapFailureText(), MB_OK); return false;
  }

  // 4. Run folder.
  std::string windows = config_.windows_directory.empty() ? SystemWindowsDirectory() : config_.windows_directory;
  std::string message;
  if (!CreateRunFolder(windows, config_.executable_name, &setup_.folders.run_folder, &message)) {
    Box(message, MB_OK);
    return false;
  }
  targets_ = InstallTargetsFor(windows);

  // The log goes to the run folder as it grows; the save at the end reports a failure.
  log_.OnAppended([this] {
    if (!finished_) WriteLogSoFar();
  });

  // 5. The worker, waiting until the window is ready.
  effects_ = std::make_unique<WorkerEffects>(hwnd(), mapping_, reports_, setup_.info, targets_, log_);
  worker_.Reset(CreateThread(nullptr, 0, WorkerMain, this, CREATE_SUSPENDED, nullptr));
  if (!worker_) {
    Box("自動更新スレッド関数の起動に失敗しました。", MB_OK);
    return false;
  }
  return true;
}

void MainWindow::PrepareRun() {
  // 6, 7. What runs where.
  const int model = setup_.folders.model;
  log_.AddEntry(Format("%s起動(v%s)\n'%s%s.exe'\nModel = %s(%d)", title_.c_str(),
                       VersionText(config_.own_version).c_str(), config_.update_folder.c_str(),
                       config_.executable_name.c_str(), ModelPrefix(model), model),
                0, true);
  log_.AddEntry(OsVersionText(), 0, true);

  // 8. The run folder must fit the recovery record.
  const std::string& run = setup_.folders.run_folder;
  if (run.size() + 1 > kRunFolderLimit) {
    StopStartUp(Format("ログ情報保存ディレクトリ名が長すぎます。(%d Bytes)\n\n'%s'", static_cast<int>(run.size() + 1),
                       run.c_str()));
    return;
  }

  // 9. Documents folder.
  std::string documents = config_.documents_base + "Orvex";
  DWORD error = 0;
  if (!MakeFolder(documents, &error)) {
    StopStartUp(Format("ドキュメント・フォルダが作成できません。\n\n'%s'\n\nError = %d : %s", documents.c_str(),
                       static_cast<int>(error), SystemErrorText(error).c_str()));
    return;
  }
  documents += '\\';
  setup_.folders.documents_folder = documents;

  // 10. Installed driver and library, seen without file-system redirection.
  InspectionResult inspection;
  {
    RedirectionOff redirection;
    if (redirection.Active()) {
      log_.AddEntry("WOW64Enable", 0, true);
      registry_view64_ = true;
    }
    WinDriverFileSystem fs;
    inspection = InspectInstalledFiles(fs, &targets_, log_);
  }
  if (inspection != kInspectionOk) {
    StopStartUp(Format("%s用のドライバがインストールされていません。", setup_.label.c_str()));
    return;
  }

  // 11, 12. Install folder.
  setup_.folders.install_folder = InstallFolderFromRegistry(registry_view64_);
  if (setup_.folders.install_folder.empty() && config_.info.inst_not_exist_msg != 0) {
    int answer = Box(setup_.label +
                         "用ツールをインストールしたフォルダが見つかりません。\n\n既存のフォルダを指定しますか？\n\n\n［いいえ］"
                         "をクリックすると、更新処理は継続されますが、インストール先のファイルは更新されません。\n\n"
                         "［キャンセル］をクリックすると、本アプリケーションは終了します。",
                     MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDYES) {
      std::string chosen;
      if (BrowseForFolder(hwnd(), "インストール先フォルダ選択", &chosen)) setup_.folders.install_folder = chosen;
    } else if (answer != IDNO) {
      StopStartUp("インストール先フォルダ指定キャンセル", false);
      return;
    }
  }

  // 13. The documents folder must be readable.
  error = ProbeFolder(documents);
  if (error != 0 && error != ERROR_FILE_NOT_FOUND) {
    StopStartUp(Format("個人ドキュメント・フォルダにアクセスできません。\n\n'%s'\n\nError = %d : %s", documents.c_str(),
                       static_cast<int>(error), SystemErrorText(error).c_str()));
    return;
  }

  // 14, 15. Folders, and what a failed run left behind.
  log_.AddEntry(Format("ログ情報保存フォルダ = '%s'\nインストールフォルダ = '%s'\nドキュメントフォルダ = '%s'", run.c_str(),
                       setup_.folders.install_folder.c_str(), documents.c_str()),
                0, true);
  if (LoadRecoveryAtStartUp(RecoveryFilePath(documents), config_.own_version, &state_.recovery)) {
    log_.AddEntry(RecoveryCheckText(state_.recovery), 0, true);
  }

  // 16. Ready: not closable until the worker ends.
  Show(IDC_ROLL_SPARE1, false);
  Show(IDC_ROLL_SPARE2, false);
  Enable(IDC_ROLL_SPARE1, false);
  Enable(IDC_ROLL_SPARE2, false);
  MakeClosable(false);
  BringToFront(hwnd());
  ResumeWorker(kPhaseFirst);
}

void MainWindow::StopStartUp(const std::string& message, bool show_box) {
  log_.AddEntry(message, 2, true);
  if (show_box) Box(message, MB_OK);
  // The worker only reports its end; the outcome step makes the window closable and closes it.
  ResumeWorker(kPhaseNotStarted);
}

void MainWindow::ResumeWorker(int run_phase) {
  state_.run_phase = run_phase;
  worker_resumed_ = true;
  ResumeThread(worker_.Get());
}

DWORD WINAPI MainWindow::WorkerMain(void* param) {
  auto* self = static_cast<MainWindow*>(param);
  UpdateWorkflow(self->setup_, self->state_, *self->effects_, self->log_).Run();
  PostMessageW(self->hwnd(), kWorkflowDoneMessage, 0, 0);
  return 0;
}

void MainWindow::OnWorkflowDone() {
  // The worker has posted its last message; after this wait its writes are ours to read.
  WaitForSingleObject(worker_.Get(), INFINITE);
  MakeClosable(true);
  log_.AddEntry("", 0, false);
  WorkflowOutcome outcome = DecideOutcome(state_.succeeded, state_.run_phase, title_, state_.failure_reason);
  log_.AddEntry(outcome.log_line, 0, true);
  if (outcome.show_box) Box(outcome.box_text, outcome.box_type);
  if (!state_.succeeded) log_.AddEntry("", 0, false);
  if (outcome.recovery != WorkflowOutcome::kKeep) {
    FinishRecoveryFile(state_.succeeded, state_.run_phase, setup_.folders.documents_folder, setup_.folders.run_folder,
                       &state_.recovery, &log_);
  }
  bool saved = SaveLog();
  finished_ = true;
  if (saved && outcome.close_after_save) End(0);
}

bool MainWindow::SaveLog() {
  if (setup_.folders.run_folder.empty()) {
    Box(LogNoRunFolderText(), MB_OK);
    return false;
  }
  if (WriteLogSoFar() != 0) {
    Box(LogSaveFailureText(LogFilePath(setup_.folders.run_folder, config_.executable_name)), MB_OK);
    return false;
  }
  return true;
}

uint32_t MainWindow::WriteLogSoFar() {
  // Entries come on this thread only; the worker changes the run folder (the repair run) while
  // it waits for none of them.
  if (setup_.folders.run_folder.empty()) return 0;
  const std::string path = LogFilePath(setup_.folders.run_folder, config_.executable_name);
  const std::vector<std::string>& items = log_.Items();
  const size_t from = std::min(journal_.From(path), items.size());
  uint32_t error = SaveLogFile(path, std::vector<std::string>(items.begin() + from, items.end()));
  if (error == 0) journal_.Written(path, items.size());
  return error;
}

void MainWindow::MakeClosable(bool closable) {
  closable_ = closable;
  if (HMENU system = GetSystemMenu(hwnd(), FALSE)) {
    EnableMenuItem(system, SC_CLOSE, MF_BYCOMMAND | (closable ? MF_ENABLED : MF_GRAYED));
  }
  Enable(IDC_ROLL_CLOSE, closable);
}

bool MainWindow::OnCommand(int code, int id, HWND control) {
  switch (id) {
    case IDC_ROLL_CLOSE:
      OnClose();
      return true;
    case IDM_ROLL_COPY_ALL:
      log_.CopyAll(hwnd());
      return true;
    default:
      return Dialog::OnCommand(code, id, control);
  }
}

void MainWindow::OnClose() {
  if (closable_) End(IDOK);
}

void MainWindow::OnDestroy() {
  if (!worker_) return;
  // Only a window destroyed from outside gets here with a worker that never ran: it ends at once.
  if (!worker_resumed_) ResumeWorker(kPhaseNotStarted);
  WaitForSingleObject(worker_.Get(), INFINITE);
}

bool MainWindow::OnMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  switch (message) {
    case kChildReportMessage:
      reports_.Handle(static_cast<uint32_t>(wparam), static_cast<int32_t>(lparam), mapping_.Text(), &log_);
      result = 0;
      return true;
    case kWorkflowDoneMessage:
      OnWorkflowDone();
      return true;
    case LogView::kAppendMessage:
      log_.OnAppendMessage(lparam);
      return true;
    case WM_CONTEXTMENU:
      ShowContextMenu(lparam);
      return true;
    case WM_SYSCOMMAND:
      if ((wparam & 0xFFF0) == IDM_ROLL_ABOUT) {
        ShowAbout();
        return true;
      }
      return false;
    default:
      return false;
  }
}

void MainWindow::ShowContextMenu(LPARAM position) {
  HMENU popup = GetSubMenu(context_menu_.Get(), 0);
  if (popup == nullptr) return;
  POINT at = {GET_X_LPARAM(position), GET_Y_LPARAM(position)};
  if (at.x == -1 && at.y == -1) {  // from the keyboard: at the list's corner
    RECT r = {};
    GetWindowRect(Item(IDC_ROLL_LOG), &r);
    at = {r.left + 8, r.top + 8};
  }
  EnableMenuItem(popup, IDM_ROLL_COPY_ALL, MF_BYCOMMAND | (log_.Count() > 0 ? MF_ENABLED : MF_GRAYED));
  TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd(), nullptr);
}

void MainWindow::ShowAbout() {
  AboutDialog about;
  about.RunModal(instance(), IDD_ROLL_ABOUT, hwnd());
}

}  // namespace orvex::autoupdate
