// The UI driver's sample program: a dialog with every kind of control the suite's windows use,
// which writes each thing it notices into a log file, so the driver's tests can check every
// operation against what the program saw.
//
//   uidriver_sample.exe [/log FILE] [/hang] [/spawn]
//     /hang   shows nothing and never ends (for the tests that a hung program is ended)
//     /spawn  first starts a second copy with /hang and logs "spawned PID"
// It starts by logging its working folder and the variables ORVEX_SIM and ORVEX_UI_ECHO.
#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "Dialog.h"
#include "Format.h"
#include "Handles.h"
#include "ShowMessage.h"
#include "UiSampleIds.h"
#include "Wide.h"

using namespace orvex;

namespace {

std::wstring log_path;

void Log(const std::string& line) {
  if (log_path.empty()) return;
  HANDLE file = INVALID_HANDLE_VALUE;
  // A reader that does not share writing holds the file only for a moment; no line is lost.
  for (int attempt = 0; attempt < 200 && file == INVALID_HANDLE_VALUE; ++attempt) {
    file = CreateFileW(log_path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_SHARING_VIOLATION) return;
    if (file == INVALID_HANDLE_VALUE) Sleep(10);
  }
  if (file == INVALID_HANDLE_VALUE) return;
  std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
}

// Digits only, as the suite's numeric fields take them; anything else is dropped and logged.
LRESULT CALLBACK DigitsOnly(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
  if (message == WM_CHAR && wparam >= 0x20 && (wparam < L'0' || wparam > L'9')) {
    wchar_t c[2] = {static_cast<wchar_t>(wparam), 0};
    Log("filtered " + FromWide(c));
    return 0;
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

class Page : public Dialog {
 public:
  explicit Page(int number) : number_(number) {}

 protected:
  bool OnCommand(int code, int id, HWND) override {
    if (id == IDC_UI_PAGE1_CHECK && code == BN_CLICKED) {
      Log(std::string("page1 check ") + (IsChecked(id) ? "on" : "off"));
    } else if (id == IDC_UI_PAGE1_EDIT && code == EN_CHANGE) {
      Log("page1 edit " + GetItemText(id));
    } else if (id == IDC_UI_PAGE2_BUTTON && code == BN_CLICKED) {
      Log("page2 button");
    } else {
      return false;
    }
    return true;
  }
  // A page has no OK or Cancel of its own; Enter and Escape belong to the main window.
  void OnOk() override {}
  void OnCancel() override {}

 private:
  int number_;
};

class Detail : public Dialog {
 public:
  std::string comment;

 protected:
  void OnOk() override {
    comment = GetItemText(IDC_UI_DETAIL_EDIT);
    End(IDOK);
  }
};

class Sample : public Dialog {
 protected:
  bool OnInit() override {
    SetMessageCaption("UIドライバ サンプル");
    SetWindowSubclass(Item(IDC_UI_DIGITS), DigitsOnly, 1, 0);

    LOGFONTW font = {};
    font.lfHeight = -12;
    font.lfWeight = FW_BOLD;
    font.lfCharSet = SHIFTJIS_CHARSET;
    lstrcpyW(font.lfFaceName, L"ＭＳ Ｐゴシック");
    bold_.Reset(CreateFontIndirectW(&font));
    SendItem(IDC_UI_BOLD, WM_SETFONT, reinterpret_cast<WPARAM>(bold_.Get()), TRUE);

    HMENU system = GetSystemMenu(hwnd(), FALSE);
    AppendMenuW(system, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(system, MF_STRING, IDM_UI_SYS_ABOUT, ToWide("バージョン情報(&A)...").c_str());

    for (const char* entry : {"読み込み", "書き込み", "リセット"}) {
      SendItem(IDC_UI_COMBO, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ToWide(entry).c_str()));
    }

    HWND list = Item(IDC_UI_LIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    const char* titles[] = {"番号", "名前", "状態"};
    for (int i = 0; i < 3; ++i) {
      std::wstring title = ToWide(titles[i]);
      LVCOLUMNW column = {};
      column.mask = LVCF_TEXT | LVCF_WIDTH;
      column.cx = i == 0 ? 40 : 90;
      column.pszText = title.data();
      ListView_InsertColumn(list, i, &column);
    }
    const char* rows[][3] = {{"1", "ｱﾅﾛｸﾞ局線", "接続"},
                             {"2", "INS64", "未接続"},
                             {"3", "ｱﾅﾛｸﾞ内線", "接続"},
                             {"4", "INS1500", "エラー"}};
    for (int r = 0; r < 4; ++r) {
      for (int c = 0; c < 3; ++c) {
        std::wstring text = ToWide(rows[r][c]);
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = r;
        item.iSubItem = c;
        item.pszText = text.data();
        if (c == 0) {
          ListView_InsertItem(list, &item);
        } else {
          ListView_SetItem(list, &item);
        }
      }
    }

    HWND tab = Item(IDC_UI_TAB);
    const char* tabs[] = {"基本", "詳細"};
    for (int i = 0; i < 2; ++i) {
      std::wstring title = ToWide(tabs[i]);
      TCITEMW item = {};
      item.mask = TCIF_TEXT;
      item.pszText = title.data();
      TabCtrl_InsertItem(tab, i, &item);
    }
    RECT area;
    GetWindowRect(tab, &area);
    MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&area), 2);
    TabCtrl_AdjustRect(tab, FALSE, &area);
    for (Page* page : {&page1_, &page2_}) {
      page->Create(instance(), page == &page1_ ? IDD_UI_PAGE1 : IDD_UI_PAGE2, hwnd());
      SetWindowPos(page->hwnd(), HWND_TOP, area.left, area.top, area.right - area.left,
                   area.bottom - area.top, 0);
    }
    ShowPage(0);
    Log("ready");
    return true;
  }

  bool OnCommand(int code, int id, HWND control) override {
    switch (id) {
      case IDC_UI_RUN:
        SetItemText(IDC_UI_STATUS, "実行しました");
        Log("run");
        return true;
      case IDC_UI_DISABLED:
        Log("disabled button");
        return true;
      case IDC_UI_BOLD:
        Log("bold");
        return true;
      case IDC_UI_CHECK:
        Log(std::string("check ") + (IsChecked(id) ? "on" : "off"));
        return true;
      case IDC_UI_RADIO_A:
      case IDC_UI_RADIO_B:
        if (code == BN_CLICKED) Log(id == IDC_UI_RADIO_A ? "radio a" : "radio b");
        return true;
      case IDC_UI_NAME:
      case IDC_UI_DIGITS:
        if (code == EN_CHANGE) Log((id == IDC_UI_NAME ? "name " : "digits ") + GetItemText(id));
        return true;
      case IDC_UI_COMBO:
        if (code == CBN_SELCHANGE) {
          int index = static_cast<int>(SendItem(id, CB_GETCURSEL));
          Log(Format("combo %d ", index) + GetItemText(id));
        }
        return true;
      case IDC_UI_QUESTION:
        Log(AskYesNo(hwnd(), "設定を保存しますか？", "保存確認") ? "question yes" : "question no");
        return true;
      case IDC_UI_FAILURE:
        ShowFailure(hwnd(), "ファイルを開けません。\n\nErr = 2 : 指定されたファイルが見つかりません。");
        Log("failure shown");
        return true;
      case IDC_UI_SUCCESS:
        ShowSuccess(hwnd(), "保存しました。");
        Log("success shown");
        return true;
      case IDC_UI_DETAIL: {
        Detail detail;
        if (detail.RunModal(instance(), IDD_UI_DETAIL, hwnd()) == IDOK) {
          SetItemText(IDC_UI_NOTE, detail.comment);
          Log("detail ok " + detail.comment);
        } else {
          Log("detail cancel");
        }
        return true;
      }
      case IDC_UI_EXIT257:
        Log("exit 257");
        End(257);
        return true;
      case IDM_UI_SAVE:
        Log("menu save");
        return true;
      case IDM_UI_EXIT:
        Log("menu exit");
        End(0);
        return true;
      default:
        return Dialog::OnCommand(code, id, control);
    }
  }

  bool OnNotify(int id, NMHDR* header, LRESULT& result) override {
    if (id == IDC_UI_LIST && header->code == LVN_ITEMCHANGED) {
      auto* change = reinterpret_cast<NMLISTVIEW*>(header);
      if ((change->uChanged & LVIF_STATE) && (change->uNewState & LVIS_SELECTED) &&
          !(change->uOldState & LVIS_SELECTED)) {
        Log(Format("row %d selected", change->iItem));
      }
      return true;
    }
    if (id == IDC_UI_LIST && header->code == NM_DBLCLK) {
      Log(Format("row %d double-click", reinterpret_cast<NMITEMACTIVATE*>(header)->iItem));
      return true;
    }
    if (id == IDC_UI_TAB && header->code == TCN_SELCHANGE) {
      int index = TabCtrl_GetCurSel(Item(IDC_UI_TAB));
      ShowPage(index);
      Log(Format("tab %d", index));
      result = 0;
      return true;
    }
    return false;
  }

  bool OnMessage(UINT message, WPARAM wparam, LPARAM, LRESULT& result) override {
    if (message == WM_SYSCOMMAND && (wparam & 0xFFF0) == IDM_UI_SYS_ABOUT) {
      Log("system about");
      result = 0;
      return true;
    }
    return false;
  }

  void OnOk() override {
    Log("ok");
    End(IDOK);
  }
  void OnCancel() override {
    Log("cancel");
    End(IDCANCEL);
  }

 private:
  void ShowPage(int index) {
    ShowWindow(page1_.hwnd(), index == 0 ? SW_SHOW : SW_HIDE);
    ShowWindow(page2_.hwnd(), index == 1 ? SW_SHOW : SW_HIDE);
  }

  UniqueFont bold_;
  Page page1_{1};
  Page page2_{2};
};

// Starts a copy of this program that hangs; the driver's job object must end it too.
void SpawnHangingCopy() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self) + L"\" /hang";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (CreateProcessW(self, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    Log(Format("spawned %lu", info.dwProcessId));
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  bool hang = false, spawn = false;
  for (int i = 1; i < argc; ++i) {
    std::wstring arg = argv[i];
    if (arg == L"/log" && i + 1 < argc) log_path = argv[++i];
    if (arg == L"/hang") hang = true;
    if (arg == L"/spawn") spawn = true;
  }
  LocalFree(argv);
  wchar_t folder[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, folder);
  Log("cwd " + FromWide(folder));
  for (const wchar_t* name : {L"ORVEX_SIM", L"ORVEX_UI_ECHO"}) {
    wchar_t value[512];
    DWORD n = GetEnvironmentVariableW(name, value, 512);
    if (n > 0 && n < 512) Log("env " + FromWide(name) + "=" + FromWide(value));
  }
  if (hang) {
    Log("hanging");
    for (;;) Sleep(1000);
  }
  if (spawn) SpawnHangingCopy();
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);
  Sample sample;
  return static_cast<int>(sample.RunModal(instance, IDD_UI_SAMPLE, nullptr));
}
