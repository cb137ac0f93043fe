// Shared by the main window's tests: a program folder of its own for each test, the main window
// created modeless from the real template, a message pump that runs the dialog loop's keyboard
// filter, and a helper thread that answers the system's file dialogs.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "ParameterToolDialog.h"
#include "ScratchFolder.h"
#include "ShowMessage.h"
#include "ToolIds.h"
#include "Wide.h"

namespace orvex::test {

using autoupdate::test_support::Exists;
using autoupdate::test_support::ReadAll;
using autoupdate::test_support::ScratchFolder;
using autoupdate::test_support::WriteAll;

inline std::string SampleDefinitionBytes() {
  const char* source = std::getenv("ORVEX_SOURCE_DIR");
  return ReadAll(std::string(source ? source : ".") + "/paramtool/model/Cti_par.txt");
}

// Serves the thread's messages the way the modal dialog loop does (keyboard filter included)
// until `done` says so or the time is up.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeout_ms = 5000) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (CallMsgFilterW(&msg, MSGF_DIALOGBOX)) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    if (GetTickCount() - start >= timeout_ms) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
}

inline void Pump(DWORD ms = 50) {
  const DWORD start = GetTickCount();
  PumpUntil([&] { return GetTickCount() - start >= ms; }, ms + 1000);
}

// Waits (at most 10 s) on another thread for a visible top-level dialog with this caption and acts
// on it there.
class Answer {
 public:
  Answer(std::string caption, std::function<void(HWND)> act)
      : caption_(std::move(caption)), act_(std::move(act)), thread_([this] { Run(); }) {}
  ~Answer() { thread_.join(); }

 private:
  void Run() {
    const std::wstring caption = ToWide(caption_);
    for (int i = 0; i < 200; ++i) {
      HWND dialog = FindWindowW(L"#32770", caption.c_str());
      if (dialog != nullptr && IsWindowVisible(dialog)) {
        act_(dialog);
        return;
      }
      Sleep(50);
    }
  }
  std::string caption_;
  std::function<void(HWND)> act_;
  std::thread thread_;
};

// Answers the next system file dialog owned by `owner` from another thread: types `path` into
// its file name field and presses OK, or cancels when the path is empty. Waits at most 20 s.
class FileDialogAnswer {
 public:
  FileDialogAnswer(HWND owner, std::string path) : owner_(owner), path_(std::move(path)) {
    thread_ = std::thread([this] { Run(); });
  }
  ~FileDialogAnswer() { thread_.join(); }
  bool answered() const { return answered_; }
  std::string caption() const { return caption_; }

 private:
  struct Search {
    HWND owner;
    HWND found;
  };
  static BOOL CALLBACK Find(HWND hwnd, LPARAM lparam) {
    auto* search = reinterpret_cast<Search*>(lparam);
    wchar_t cls[64] = {};
    GetClassNameW(hwnd, cls, 64);
    if (std::wstring(cls) == L"#32770" && GetWindow(hwnd, GW_OWNER) == search->owner && IsWindowVisible(hwnd)) {
      search->found = hwnd;
      return FALSE;
    }
    return TRUE;
  }
  void Run() {
    Search search = {owner_, nullptr};
    for (int i = 0; i < 400 && search.found == nullptr; ++i) {
      EnumWindows(Find, reinterpret_cast<LPARAM>(&search));
      if (search.found == nullptr) Sleep(50);
    }
    if (search.found == nullptr) return;
    HWND dialog = search.found;
    Sleep(200);  // let it finish filling its lists
    caption_ = GetWindowTextA932(dialog);
    if (path_.empty()) {
      PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
      answered_ = true;
      return;
    }
    // The file name field: a combo box (1148) in newer dialogs, an edit (1152) in older ones.
    HWND name = GetDlgItem(dialog, 1148);
    if (name == nullptr) name = GetDlgItem(dialog, 1152);
    if (name == nullptr) return;
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(ToWide(path_).c_str()));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    answered_ = true;
    // The dialog may ask itself whether to replace an existing file: yes.
    Search question = {dialog, nullptr};
    for (int i = 0; i < 20 && IsWindow(dialog) && question.found == nullptr; ++i) {
      Sleep(50);
      EnumWindows(Find, reinterpret_cast<LPARAM>(&question));
    }
    if (question.found != nullptr) PostMessageW(question.found, WM_COMMAND, IDYES, 0);
  }

  HWND owner_;
  std::string path_;
  std::atomic<bool> answered_{false};
  std::string caption_;
  std::thread thread_;
};

// A main window in a program folder of its own, with its own settings key and no device.
class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetEnvironmentVariableW(L"ORVEX_SIM", nullptr);
    environment_.program_path = folder_.Path() + "OrvexSet.exe";
    environment_.settings_name = "OrvexSetTest";
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Orvex\\OrvexSetTest");
  }
  void TearDown() override {
    dialog_.reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Orvex\\OrvexSetTest");
  }

  void InstallSampleDefinition() { ASSERT_TRUE(WriteAll(folder_.Path() + "Cti_par.txt", SampleDefinitionBytes())); }

  // Creates the window as the application does, with the given arguments.
  void Open(std::vector<std::string> args = {}) {
    ToolCommandLine line = ParseToolCommandLine(args, environment_.program_path);
    dialog_ = std::make_unique<ParameterToolDialog>(line.definition_path_file, environment_);
    dialog_->TakeCommandLine(line);
    dialog_->ReadSettings();
    created_ = dialog_->Create(GetModuleHandleW(nullptr), IDD_PARAMETER_TOOL, nullptr);
    Pump();
  }

  HWND hwnd() const { return dialog_->hwnd(); }
  void Command(int id) { SendMessageW(hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }
  bool Enabled(int id) const { return IsWindowEnabled(GetDlgItem(hwnd(), id)) != FALSE; }
  std::string Text(int id) const { return GetDlgItemTextA932(hwnd(), id); }
  std::string Title() const { return GetWindowTextA932(hwnd()); }
  std::string Row(int row) { return dialog_->channel_list().RowText(row); }
  void Select(std::initializer_list<int> rows) {
    ChannelList& list = dialog_->channel_list();
    list.SelectOnly(std::vector<int>(rows));
  }

  ScratchFolder folder_;
  ToolEnvironment environment_;
  std::unique_ptr<ParameterToolDialog> dialog_;
  bool created_ = false;
};

}  // namespace orvex::test
