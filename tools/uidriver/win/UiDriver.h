// The UI driver: runs one of our programs as a real process and drives its windows from outside,
// the way a technician would, for end-to-end tests under Wine (and on Windows).
//
// A test looks like this (orvex_add_gtest(... GUI LIBS orvex_uidriver_testing), ProgramFolder.h):
//
//   using namespace orvex::uidriver;
//   TEST(OrvexFlashEndToEnd, ResetAsksFirst) {
//     SimFolder adapter;                      // a fresh simulated adapter, named in ORVEX_SIM
//     ProgramFolder folder;                   // a scratch folder, removed at the end
//     std::string exe = folder.AddProgram("flashtool/OrvexFlash.exe");  // with Orvex.dll
//     std::string error;
//     auto app = DrivenProcess::Start(exe, "", {}, {}, false, &error);
//     ASSERT_TRUE(app) << error;
//     auto main = WaitWindow("バージョンアップ", app->pid(), 30000, Match::kPrefix);
//     ASSERT_TRUE(main) << DescribeProcess(app->pid());
//     EXPECT_EQ(main->Text(IDC_VERSION), "1.000");
//     ASSERT_TRUE(main->Click(IDC_RESET));   // returns while the question waits
//     auto box = WaitMessageBox(app->pid(), 30000);
//     ASSERT_TRUE(box) << DescribeProcess(app->pid());
//     EXPECT_EQ(box->icon, MessageIcon::kQuestion);
//     ASSERT_TRUE(box->Answer(IDNO));
//     ASSERT_TRUE(main->Close());
//     EXPECT_EQ(app->WaitExit(30000), std::optional<DWORD>(0));
//   }  // whatever still runs is ended here
//
// Every wait takes a limit in milliseconds and returns an empty result when it runs out; the
// caller's ASSERT says what was expected, and DescribeProcess shows what was on screen instead.
// Texts in and out are code page 932, like everything else in the suite.
//
// What works across processes (Wine 8, Windows): window texts, button clicks, check states,
// WM_CHAR, WM_COMMAND and WM_SYSCOMMAND, and list view / tab messages whose structures the driver
// places in the target process, laid out for its bitness (a 64-bit driver reads the shipped
// 32-bit programs, and a 32-bit driver a 64-bit program). A WM_NOTIFY from another process is
// not delivered, so tabs are selected with TCM_SETCURFOCUS and rows with LVM_SETITEMSTATE, and
// the controls notify their parents themselves. Another process's menus cannot be read, but
// their commands can be sent. Another process's font and icon handles cannot be read either
// (GDI and icon handles belong to their process, and under Wine WM_GETFONT from another process
// answers nothing), so a control's font is not offered; a message box's icon is told by
// comparing its pixels on screen with the system icons.
#pragma once

#include <windows.h>

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "CaptionMatch.h"
#include "ControlRecord.h"
#include "Handles.h"
#include "ReportMapping.h"

namespace orvex::uidriver {

// Variables added to (or, with an empty value, removed from) the driver's own environment.
using Environment = std::vector<std::pair<std::string, std::string>>;

// How long a message sent to the target may take before the driver stops waiting for it.
constexpr DWORD kSendLimitMs = 5000;

// ---------------------------------------------------------------------------------------------
// The driven process.

class DrivenProcess {
 public:
  // Starts `"exe_path" arguments` with CreateProcessW. An empty working folder means the
  // program's own folder, as when a user starts it from there. Handles are inherited only when
  // asked (a report parent's mapping needs it); without that the program gets no standard
  // handles either. The process and everything it starts run in a
  // job object that ends them all when this object goes away. On failure *error says why.
  static std::optional<DrivenProcess> Start(const std::string& exe_path, const std::string& arguments,
                                            const std::string& working_folder = {},
                                            const Environment& extra_environment = {},
                                            bool inherit_handles = false, std::string* error = nullptr);
  // A process that runs already (orvexui's commands); it is not ended by this object.
  static std::optional<DrivenProcess> Attach(DWORD pid, std::string* error = nullptr);

  DrivenProcess(DrivenProcess&&) noexcept = default;
  DrivenProcess& operator=(DrivenProcess&& other) noexcept;
  ~DrivenProcess();

  DWORD pid() const { return pid_; }
  HANDLE handle() const { return process_.Get(); }

  // The full 32-bit exit code once the process ended within `ms`; nothing while it runs.
  std::optional<DWORD> WaitExit(DWORD ms) const;
  bool Running() const { return !WaitExit(0).has_value(); }
  // Ends the process and whatever it started; true when it is gone (within 10 s).
  bool Terminate(UINT exit_code = 1);
  // Leaves the process running when this object goes away (orvexui start).
  void Detach();

 private:
  DrivenProcess() = default;
  UniqueHandle process_;
  UniqueHandle job_;
  DWORD pid_ = 0;
  bool owned_ = false;
};

// ---------------------------------------------------------------------------------------------
// Windows and controls.

struct ButtonInfo {
  int id = 0;
  std::string text;
};

class Window {
 public:
  Window() = default;
  explicit Window(HWND hwnd) : hwnd_(hwnd) {}

  HWND hwnd() const { return hwnd_; }
  explicit operator bool() const { return hwnd_ != nullptr; }
  bool Exists() const { return hwnd_ != nullptr && IsWindow(hwnd_); }
  DWORD pid() const;

  std::string Caption() const;
  std::string ClassName() const;
  bool IsEnabled() const { return IsWindowEnabled(hwnd_) != FALSE; }
  bool IsVisible() const { return IsWindowVisible(hwnd_) != FALSE; }
  ScreenRect Rect() const;
  // Everything about the window and its controls, for checks and for DescribeWindow.
  WindowRecord Record() const;

  // Every control, recursively (controls on tab pages and other child dialogs too), with id,
  // class, text, state, style and position; list contents are filled in as well.
  std::vector<ControlRecord> Controls() const;
  // The control with this id, searched depth first; a visible one wins over a hidden one (tab
  // pages often repeat ids). Nothing when there is none.
  HWND Item(int id) const;
  std::optional<ControlRecord> Control(int id) const;
  std::string Text(int id) const;
  bool IsEnabled(int id) const;
  bool IsVisible(int id) const;
  // BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE; nothing when there is no such control.
  std::optional<int> CheckState(int id) const;
  bool IsChecked(int id) const { return CheckState(id) == BST_CHECKED; }
  ScreenRect ControlRect(int id) const;

  // The actions return false when the control is missing or disabled, or when the target did
  // not take the message. Each returns once the program handled it, or as soon as the program
  // sits in a modal loop it opened in answer (a message box, a dialog), so a click that asks a
  // question never blocks the driver.
  bool Click(int id) const;
  // WM_SETTEXT on the control; an edit notifies its parent (EN_CHANGE) as for typing.
  bool SetEditText(int id, const std::string& text) const;
  // Focuses the control, then sends one WM_CHAR per character, so input filters apply.
  bool TypeChars(int id, const std::string& text) const;
  // Clicks a check box or radio button until it has the state; false when it cannot get there.
  bool Check(int id, bool checked) const;

  // List views and list boxes: rows of cell texts (a list box has one column). A list view's or
  // tab control's texts are read through memory placed in its process; where that fails, the
  // result is empty and *error says why.
  int ItemCount(int id) const;
  std::vector<std::vector<std::string>> ListRows(int id, std::string* error = nullptr) const;
  std::vector<std::string> ListColumns(int id, std::string* error = nullptr) const;  // list view titles
  std::vector<int> SelectedRows(int id) const;
  // Selects just this row (and focuses it), as a click on it does; the control notifies.
  bool SelectRow(int id, int row) const;
  // A double click on the row (after selecting it).
  bool DoubleClickRow(int id, int row) const;

  // Combo boxes: the entries, the selected index (-1 for none), and a selection that sends the
  // parent CBN_SELCHANGE as a user's choice does.
  std::vector<std::string> ComboEntries(int id) const;
  int ComboSelection(int id) const;
  bool SelectCombo(int id, int index) const;

  // Tab controls: titles, the selected tab, and a selection the tab control announces itself.
  std::vector<std::string> TabTitles(int id, std::string* error = nullptr) const;
  int SelectedTab(int id) const;
  bool SelectTab(int id, int index) const;

  // A menu command (WM_COMMAND with the id, as a menu sends it) and a system menu command.
  bool Command(int id) const;
  bool SysCommand(int id) const;
  // WM_CLOSE, as the close box sends it.
  bool Close() const;
  // Waits until the window is gone or hidden.
  bool WaitGone(DWORD timeout_ms) const;

 private:
  HWND hwnd_ = nullptr;
};

// Every visible top-level window of the process (all processes for pid 0) in z-order, owned and
// modal ones included; caption, class, state and position, without the controls.
std::vector<WindowRecord> Windows(DWORD pid);

// Waits for a visible top-level window of the process whose caption matches. Message boxes are
// passed over (they often carry their program's caption): WaitMessageBox finds them.
std::optional<Window> WaitWindow(const std::string& caption, DWORD pid, DWORD timeout_ms,
                                 Match match = Match::kExact);

// Everything the process shows, window by window and control by control.
std::string DescribeProcess(DWORD pid);

// ---------------------------------------------------------------------------------------------
// Message boxes.

enum class MessageIcon { kNone, kExclamation, kInformation, kQuestion, kError, kUnknown };
const char* MessageIconName(MessageIcon icon);

struct MessageBoxInfo {
  Window window;
  std::string caption;
  std::string text;
  std::vector<ButtonInfo> buttons;
  MessageIcon icon = MessageIcon::kNone;

  bool HasButton(int id) const;
  // Presses the button (IDYES, IDOK, ...) and waits until the box is gone.
  bool Answer(int button_id, DWORD timeout_ms = 10000) const;
};

// Waits for a message box of the process (optionally with this caption) and reads it.
std::optional<MessageBoxInfo> WaitMessageBox(DWORD pid, DWORD timeout_ms,
                                             const std::optional<std::string>& caption = std::nullopt,
                                             Match match = Match::kExact);
// Reads a window as a message box; nothing when it is none.
std::optional<MessageBoxInfo> ReadMessageBox(HWND hwnd);

// ---------------------------------------------------------------------------------------------
// The parent side of the automatic modes: what OrvexRoll's main window offers its children.

struct ChildReportRecord {
  uint32_t code = 0;    // wParam
  int32_t value = 0;    // lParam
  std::string text;     // the report buffer's text at the time of the report
  uint32_t resume = 0;  // the version update tool's resume value at offset 1020
};

class ReportParent {
 public:
  // Creates the inheritable report buffer and a hidden window on a thread of its own.
  ReportParent();
  ~ReportParent();
  ReportParent(const ReportParent&) = delete;
  ReportParent& operator=(const ReportParent&) = delete;

  bool Ready() const { return window_ != nullptr; }
  HWND window() const { return window_; }
  HANDLE mapping() const { return mapping_.Handle(); }
  // The four /w values, "%X %X %X %X": window, message 0x8102, mapping, size.
  std::string WindowArguments() const;
  // Clears the buffer's text, as OrvexRoll does before each child.
  void ClearText();

  std::vector<ChildReportRecord> Reports() const;
  // Waits until `count` reports arrived; stops early (false) when `process` ends first.
  bool WaitReports(size_t count, DWORD timeout_ms, const DrivenProcess* process = nullptr) const;

 private:
  void Run(HANDLE ready);
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

  autoupdate::ReportMapping mapping_;
  mutable std::mutex lock_;
  std::vector<ChildReportRecord> reports_;
  std::thread thread_;
  DWORD thread_id_ = 0;
  HWND window_ = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Paths.

// A file of the Windows build tree (ORVEX_BINARY_DIR, set by ctest), in Windows form.
std::string BuildPath(const std::string& relative);
// A file of the source tree (ORVEX_SOURCE_DIR).
std::string SourcePath(const std::string& relative);
// A file of the build tree of the other bitness: ORVEX_WIN32_BINARY_DIR for a 64-bit driver,
// ORVEX_WIN64_BINARY_DIR for a 32-bit one. "" when the variable is not set.
std::string OtherBuildPath(const std::string& relative);

}  // namespace orvex::uidriver
