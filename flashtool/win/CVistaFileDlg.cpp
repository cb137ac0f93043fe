#include "CVistaFileDlg.h"

#include <commdlg.h>
#include <shlobj.h>

#include "Cp932Text.h"
#include "Wide.h"

namespace orvex::flash {

DWORD WindowsVersion() {
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  auto get = ntdll ? reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                   : nullptr;
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof info;
  if (get == nullptr || get(&info) != 0) return 0;
  return MAKEWORD(info.dwMinorVersion, info.dwMajorVersion);
}

namespace {

template <typename T>
void ReleaseCom(T*& p) {
  if (p != nullptr) p->Release();
  p = nullptr;
}

// The classic option flags that have a Common Item Dialog counterpart.
FILEOPENDIALOGOPTIONS MapClassicFlags(DWORD flags) {
  FILEOPENDIALOGOPTIONS o = 0;
  if (flags & OFN_OVERWRITEPROMPT) o |= FOS_OVERWRITEPROMPT;
  if (flags & OFN_NOCHANGEDIR) o |= FOS_NOCHANGEDIR;
  if (flags & OFN_NOVALIDATE) o |= FOS_NOVALIDATE;
  if (flags & OFN_ALLOWMULTISELECT) o |= FOS_ALLOWMULTISELECT;
  if (flags & OFN_PATHMUSTEXIST) o |= FOS_PATHMUSTEXIST;
  if (flags & OFN_FILEMUSTEXIST) o |= FOS_FILEMUSTEXIST;
  if (flags & OFN_CREATEPROMPT) o |= FOS_CREATEPROMPT;
  if (flags & OFN_SHAREAWARE) o |= FOS_SHAREAWARE;
  if (flags & OFN_NOREADONLYRETURN) o |= FOS_NOREADONLYRETURN;
  if (flags & OFN_NOTESTFILECREATE) o |= FOS_NOTESTFILECREATE;
  if (flags & OFN_NODEREFERENCELINKS) o |= FOS_NODEREFERENCELINKS;
  if (flags & OFN_DONTADDTORECENT) o |= FOS_DONTADDTORECENT;
  if (flags & OFN_FORCESHOWHIDDEN) o |= FOS_FORCESHOWHIDDEN;
  return o;
}

int CALLBACK BrowseCallback(HWND hwnd, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED && data != 0) SendMessageW(hwnd, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}

}  // namespace

CVistaFileDlg::CVistaFileDlg(Mode mode, const std::string& initial, const std::string& title, HWND owner,
                             DWORD classic_flags, const std::string& default_extension, const std::string& filter)
    : mode_(mode), title_(ToWide(title)), default_extension_(ToWide(default_extension)), owner_(owner),
      flags_(classic_flags) {
  size_t split = FindLastChar(initial, '\\');
  if (split == kNotFound) split = FindLastChar(initial, ':');
  if (mode == kFolder) {
    folder_ = ToWide(initial);
  } else if (split == kNotFound) {
    file_name_ = ToWide(initial);
  } else {
    folder_ = ToWide(std::string_view(initial).substr(0, split + 1));
    file_name_ = ToWide(std::string_view(initial).substr(split + 1));
  }
  for (std::string_view part : SplitFields(filter, '|')) {
    if (part.empty()) break;  // "||" ends the list
    filter_.push_back(ToWide(part));
  }
  if (filter_.size() % 2 != 0) filter_.pop_back();

  const DWORD version = WindowsVersion();
  if (version == 0 || version >= 0x0600) {
    if (SetUpItemDialog()) {
      variant_ = kVariantItem;
      return;
    }
  }
  // Without the newer dialog (or when it cannot be set up) the classic ones serve.
  variant_ = (version == 0 || version >= 0x0501) ? kVariantClassic : kVariantOld;
}

CVistaFileDlg::~CVistaFileDlg() {
  ReleaseCom(customize_);
  ReleaseCom(dialog_);
  if (com_) CoUninitialize();
}

bool CVistaFileDlg::SetUpItemDialog() {
  HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  com_ = SUCCEEDED(hr);
  const CLSID& kind = mode_ == kSave ? CLSID_FileSaveDialog : CLSID_FileOpenDialog;
  hr = CoCreateInstance(kind, nullptr, CLSCTX_INPROC_SERVER, IID_IFileDialog, reinterpret_cast<void**>(&dialog_));
  if (FAILED(hr)) {
    setup_ = hr;
    dialog_ = nullptr;
    return false;
  }
  dialog_->QueryInterface(IID_IFileDialogCustomize, reinterpret_cast<void**>(&customize_));
  if (!folder_.empty()) {
    using CreateItemFn = HRESULT(WINAPI*)(PCWSTR, IBindCtx*, REFIID, void**);
    HMODULE shell = GetModuleHandleW(L"Shell32.dll");
    if (shell == nullptr) shell = LoadLibraryW(L"Shell32.dll");
    auto create = shell ? reinterpret_cast<CreateItemFn>(
                              reinterpret_cast<void*>(GetProcAddress(shell, "SHCreateItemFromParsingName")))
                        : nullptr;
    IShellItem* item = nullptr;
    if (create != nullptr && SUCCEEDED(create(folder_.c_str(), nullptr, IID_IShellItem, reinterpret_cast<void**>(&item)))) {
      dialog_->SetFolder(item);
      item->Release();
    }
  }
  if (!file_name_.empty()) dialog_->SetFileName(file_name_.c_str());
  if (!default_extension_.empty()) dialog_->SetDefaultExtension(default_extension_.c_str());
  if (!filter_.empty()) {
    std::vector<COMDLG_FILTERSPEC> file_types;
    for (size_t i = 0; i + 1 < filter_.size(); i += 2) file_types.push_back({filter_[i].c_str(), filter_[i + 1].c_str()});
    dialog_->SetFileTypes(static_cast<UINT>(file_types.size()), file_types.data());
    dialog_->SetFileTypeIndex(1);
  }
  FILEOPENDIALOGOPTIONS options = 0;
  dialog_->GetOptions(&options);
  if (mode_ == kFolder) {
    options |= FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM;
  } else {
    options |= MapClassicFlags(flags_) | FOS_FORCEFILESYSTEM;
  }
  hr = dialog_->SetOptions(options);
  if (FAILED(hr)) {
    setup_ = hr;
    ReleaseCom(customize_);
    ReleaseCom(dialog_);
    return false;
  }
  // After the options: a folder picker sets a title of its own.
  if (!title_.empty()) dialog_->SetTitle(title_.c_str());
  return true;
}

int CVistaFileDlg::Show() {
  path_.clear();
  paths_.clear();
  int result;
  if (variant_ == kVariantItem) {
    result = ShowItemDialog();
  } else if (mode_ == kFolder) {
    result = ShowBrowser();
  } else {
    result = ShowClassic();
  }
  if (!paths_.empty()) path_ = paths_.front();
  return result;
}

int CVistaFileDlg::ShowItemDialog() {
  HRESULT hr = dialog_->Show(owner_);
  if (hr == HRESULT_FROM_WIN32(ERROR_CANCELLED)) return kCancelled;
  if (FAILED(hr)) return kFailed;
  auto take = [&](IShellItem* item) {
    PWSTR name = nullptr;
    if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &name)) && name != nullptr) {
      paths_.push_back(FromWide(name));
      CoTaskMemFree(name);
    }
  };
  IFileOpenDialog* open = nullptr;
  if (mode_ != kSave && (flags_ & OFN_ALLOWMULTISELECT) &&
      SUCCEEDED(dialog_->QueryInterface(IID_IFileOpenDialog, reinterpret_cast<void**>(&open)))) {
    IShellItemArray* items = nullptr;
    if (SUCCEEDED(open->GetResults(&items))) {
      DWORD count = 0;
      items->GetCount(&count);
      for (DWORD i = 0; i < count; ++i) {
        IShellItem* item = nullptr;
        if (SUCCEEDED(items->GetItemAt(i, &item))) {
          take(item);
          item->Release();
        }
      }
      items->Release();
    }
    open->Release();
  } else {
    IShellItem* item = nullptr;
    if (SUCCEEDED(dialog_->GetResult(&item))) {
      take(item);
      item->Release();
    }
  }
  return paths_.empty() ? kCancelled : kChosen;
}

int CVistaFileDlg::ShowBrowser() {
  BROWSEINFOW info = {};
  info.hwndOwner = owner_;
  info.lpszTitle = title_.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | (variant_ == kVariantClassic ? BIF_NEWDIALOGSTYLE : 0);
  info.lpfn = BrowseCallback;
  info.lParam = folder_.empty() ? 0 : reinterpret_cast<LPARAM>(folder_.c_str());
  LPITEMIDLIST chosen = SHBrowseForFolderW(&info);
  if (chosen == nullptr) return kCancelled;
  wchar_t path[MAX_PATH] = {};
  BOOL ok = SHGetPathFromIDListW(chosen, path);
  CoTaskMemFree(chosen);
  if (!ok || path[0] == L'\0') return kCancelled;
  paths_.push_back(FromWide(path));
  return kChosen;
}

int CVistaFileDlg::ShowClassic() {
  std::wstring filter;
  for (const std::wstring& part : filter_) {
    filter += part;
    filter += L'\0';
  }
  filter += L'\0';
  std::vector<wchar_t> buffer(32768, L'\0');
  file_name_.copy(buffer.data(), std::min(file_name_.size(), buffer.size() - 1));
  OPENFILENAMEW ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner_;
  ofn.lpstrFilter = filter_.empty() ? nullptr : filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  ofn.lpstrInitialDir = folder_.empty() ? nullptr : folder_.c_str();
  ofn.lpstrTitle = title_.empty() ? nullptr : title_.c_str();
  ofn.lpstrDefExt = default_extension_.empty() ? nullptr : default_extension_.c_str();
  ofn.Flags = flags_ | OFN_EXPLORER;
  BOOL ok = mode_ == kSave ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
  if (!ok) return CommDlgExtendedError() == 0 ? kCancelled : kFailed;
  // A multiple selection: the folder, then each name, NUL-separated.
  std::wstring first(buffer.data());
  const wchar_t* next = buffer.data() + first.size() + 1;
  if ((flags_ & OFN_ALLOWMULTISELECT) && *next != L'\0') {
    for (; *next != L'\0'; next += wcslen(next) + 1) {
      std::wstring full = first;
      if (!full.empty() && full.back() != L'\\') full += L'\\';
      paths_.push_back(FromWide(full + next));
    }
  } else {
    paths_.push_back(FromWide(first));
  }
  return kChosen;
}

}  // namespace orvex::flash
