// Shows the sample dialog as a program of its own, for screenshots of the dialog fonts:
// common_win_demo.exe [--shell] uses the "MS Shell Dlg" variant; --message shows a failure box
// with a system error text instead.
#include <windows.h>

#include <cwchar>
#include <string>

#include "Dialog.h"
#include "Format.h"
#include "SampleDialogIds.h"
#include "ShowMessage.h"
#include "SystemError.h"

namespace {

class SampleDemo : public orvex::Dialog {
 protected:
  bool OnInit() override {
    SetItemText(IDC_NAME, "C:\\表示\\ﾊﾟﾗﾒｰﾀ.prg");
    SetItemInt(IDC_NUMBER, 15420);
    Check(IDC_AGAIN);
    return true;
  }
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  const wchar_t* command_line = GetCommandLineW();
  if (std::wcsstr(command_line, L"--message") != nullptr) {
    std::string text = orvex::Format("パラメータ定義ファイルのコピーに失敗しました。\n\n%s",
                                     orvex::SystemErrorLine(ERROR_FILE_NOT_FOUND).c_str());
    return orvex::ShowFailure(nullptr, text, "定義ファイル更新");
  }
  bool shell = std::wcsstr(command_line, L"--shell") != nullptr;
  SampleDemo dialog;
  return static_cast<int>(dialog.RunModal(instance, shell ? IDD_SAMPLE_SHELL : IDD_SAMPLE, nullptr));
}
