// OrvexFlash's file and folder dialog: the Common Item Dialog from Windows 6.0 on, the classic
// dialogs (the folder browser in folder mode) before. The tool uses it to choose the update
// folder; the file modes take a classic filter ("text|pattern|...||"), a default extension and
// the classic option flags.
#pragma once

#include <windows.h>
// after windows.h
#include <shobjidl.h>

#include <string>
#include <vector>

namespace orvex::flash {

class CVistaFileDlg {
 public:
  enum Mode { kOpen, kSave, kFolder };
  // Which dialog the system gives: -1 none of the newer ones, 0 classic, 1 Common Item Dialog.
  enum Variant { kVariantOld = -1, kVariantClassic = 0, kVariantItem = 1 };
  // Results of Show.
  enum Result { kChosen = 1, kCancelled = 2, kFailed = 3 };

  // `initial` is split at its last '\' (or ':') into folder and file name.
  CVistaFileDlg(Mode mode, const std::string& initial, const std::string& title, HWND owner,
                DWORD classic_flags = 0, const std::string& default_extension = {}, const std::string& filter = {});
  ~CVistaFileDlg();
  CVistaFileDlg(const CVistaFileDlg&) = delete;
  CVistaFileDlg& operator=(const CVistaFileDlg&) = delete;

  int Variant() const { return variant_; }
  // The construction's failure (an HRESULT of the Common Item Dialog's set-up), S_OK otherwise.
  HRESULT SetupResult() const { return setup_; }

  int Show();
  // The chosen folder or file (the first of several in a multiple selection).
  const std::string& Path() const { return path_; }
  const std::vector<std::string>& Paths() const { return paths_; }

 private:
  bool SetUpItemDialog();
  int ShowItemDialog();
  int ShowBrowser();
  int ShowClassic();

  Mode mode_;
  std::wstring folder_;
  std::wstring file_name_;
  std::wstring title_;
  std::wstring default_extension_;
  std::vector<std::wstring> filter_;  // text, pattern, text, pattern, ...
  HWND owner_;
  DWORD flags_;
  int variant_ = kVariantOld;
  HRESULT setup_ = S_OK;
  bool com_ = false;
  IFileDialog* dialog_ = nullptr;
  IFileDialogCustomize* customize_ = nullptr;
  std::string path_;
  std::vector<std::string> paths_;
};

// Major.minor of the running Windows (RtlGetVersion, so no manifest can hide it); 0 when unknown.
DWORD WindowsVersion();

}  // namespace orvex::flash
