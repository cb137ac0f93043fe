#include "RollStartup.h"

#include <shlobj.h>

#include <vector>

#include "ChildCommandLine.h"
#include "Format.h"
#include "Handles.h"
#include "InstallFolder.h"
#include "PathText.h"
#include "RunFolder.h"
#include "SystemError.h"
#include "UpdateInfoFile.h"
#include "Wide.h"

namespace orvex::autoupdate {

namespace {

std::string WithSlash(std::string text) {
  if (!EndsWithBackslash(text)) text += '\\';
  return text;
}

bool MakeFolder(const std::string& path) {
  return CreateDirectoryW(ToWide(path).c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

}  // namespace

bool ReadRollConfig(RollConfig* config, std::string* message) {
  config->program_path = ProgramPathOnShare();
  config->executable_name = ExecutableStem(config->program_path);
  std::vector<std::string> args = SplitCommandLine(FromWide(GetCommandLineW()));
  std::optional<std::string_view> first;
  if (args.size() > 1 && !args[1].empty()) first = args[1];
  config->update_folder = UpdateFolder(first, config->program_path);
  config->documents_base = args.size() > 2 && !args[2].empty() ? WithSlash(args[2])
                                                                 : std::string(PathFolder(config->program_path));
  config->own_version = FileVersionPacked(config->program_path);

  const std::string path = UpdateInfoPath(config->update_folder, config->program_path);
  UpdateInfoLoad load = LoadUpdateInfoFile(path, config->update_folder, &config->info);
  if (!load.ok) {
    *message = load.message;
    return false;
  }
  FileSystemToolProbe probe;
  UpdateInfoValidation check = ValidateUpdateInfo(config->info, config->update_folder, probe);
  if (!check.ok) {
    *message = check.message;
    return false;
  }
  config->parameter_tool = check.parameter_tool.availability;
  return true;
}

std::string SystemWindowsDirectory() {
  wchar_t buffer[MAX_PATH + 1];
  UINT n = GetWindowsDirectoryW(buffer, MAX_PATH + 1);
  if (n == 0 || n > MAX_PATH) return std::string();
  return FromWide(std::wstring_view(buffer, n));
}

bool CreateRunFolder(const std::string& windows_directory, const std::string& executable_name,
                     std::string* run_folder, std::string* message) {
  run_folder->clear();
  std::string drive;
  if (!WindowsDrive(windows_directory, &drive)) {
    *message = "Windowsディレクトリが取得できません。";
    return false;
  }
  const char* kCannotCreate = "Windowsドライブに、自動更新情報保存ディレクトリが作成できません。";
  const std::string base = RunFolderBase(drive, executable_name);
  if (!MakeFolder(base)) {
    *message = kCannotCreate;
    return false;
  }
  SYSTEMTIME now;
  GetLocalTime(&now);
  RunTime t{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
  // A day's worth of names at most: a folder that keeps saying "exists" never hangs the start.
  for (int tries = 0; tries < 86400; ++tries, t = NextSecond(t)) {
    std::string folder = base + RunFolderName(t) + "\\";
    if (CreateDirectoryW(ToWide(folder).c_str(), nullptr)) {
      if (!MakeFolder(folder + "Old\\")) break;
      *run_folder = folder;
      return true;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  *message = kCannotCreate;
  return false;
}

std::string InstallFolderFromRegistry(bool view64) {
  const REGSAM access = KEY_READ | (view64 ? KEY_WOW64_64KEY : 0);
  UniqueKey key;
  HKEY parent = HKEY_LOCAL_MACHINE;
  for (const char* part : {"SOFTWARE", "Microsoft", "Windows", "CurrentVersion", "Installer", "Folders"}) {
    HKEY next = nullptr;
    if (RegOpenKeyExW(parent, ToWide(part).c_str(), 0, access, &next) != ERROR_SUCCESS) return std::string();
    key.Reset(next);
    parent = next;
  }
  std::vector<std::string> names;
  for (DWORD index = 0;; ++index) {
    wchar_t name[kInstallerFolderNameLimit + 1];
    DWORD length = kInstallerFolderNameLimit + 1;
    LONG result = RegEnumValueW(key.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_MORE_DATA) continue;  // longer than any folder name we look for
    if (result != ERROR_SUCCESS) break;
    names.push_back(FromWide(std::wstring_view(name, length)));
  }
  return ChooseInstallFolder(names, [](const std::string& path) {
    DWORD attributes = GetFileAttributesW(ToWide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  });
}

std::string OsVersionText() {
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
  OSVERSIONINFOEXW v = {};
  v.dwOSVersionInfoSize = sizeof v;
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  auto get = ntdll ? reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                   : nullptr;
  if (get == nullptr || get(&v) != 0) {
    v = {};
    v.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&v));
#pragma GCC diagnostic pop
  }
  std::string pack = FromWide(v.szCSDVersion);
  if (pack.size() > 127) pack.resize(127);
  return Format("OS Ver %d.%d.%d (%d) %s", static_cast<int>(v.dwMajorVersion), static_cast<int>(v.dwMinorVersion),
                static_cast<int>(v.dwBuildNumber), static_cast<int>(v.dwPlatformId), pack.c_str());
}

uint32_t ProbeFolder(const std::string& folder) {
  UniqueFile file(CreateFileW(ToWide(folder + "$dummy.file$").c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr));
  if (file) return 0;
  DWORD error = GetLastError();
  return error != 0 ? error : ERROR_GEN_FAILURE;
}

void RemoveFolderTree(const std::string& folder) {
  std::wstring base = ToWide(WithSlash(folder));
  WIN32_FIND_DATAW data;
  UniqueFind find(FindFirstFileW((base + L"*").c_str(), &data));
  if (find) {
    do {
      std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveDirectoryW((base + name).c_str());  // only when empty
      } else {
        SetFileAttributesW((base + name).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW((base + name).c_str());
      }
    } while (FindNextFileW(find.Get(), &data));
  }
  find.Reset();
  RemoveDirectoryW(base.c_str());
}

namespace {

int CALLBACK BrowseCallback(HWND hwnd, UINT message, LPARAM lparam, LPARAM) {
  if (message == BFFM_SELCHANGED) {
    wchar_t path[MAX_PATH];
    BOOL has_path = SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(lparam), path);
    SendMessageW(hwnd, BFFM_ENABLEOK, 0, has_path ? TRUE : FALSE);
  }
  return 0;
}

}  // namespace

bool BrowseForFolder(HWND owner, const std::string& title, std::string* folder) {
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  std::wstring caption = ToWide(title.empty() ? std::string("フォルダ選択") : title);
  BROWSEINFOW info = {};
  info.hwndOwner = owner;
  info.lpszTitle = caption.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  OSVERSIONINFOW v = {};
  v.dwOSVersionInfoSize = sizeof v;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (GetVersionExW(&v) && v.dwMajorVersion > 4) info.ulFlags |= BIF_NEWDIALOGSTYLE;
#pragma GCC diagnostic pop
  info.lpfn = BrowseCallback;
  bool chosen = false;
  if (PIDLIST_ABSOLUTE list = SHBrowseForFolderW(&info)) {
    wchar_t path[MAX_PATH];
    if (SHGetPathFromIDListW(list, path)) {
      *folder = WithSlash(FromWide(path));
      chosen = true;
    }
    CoTaskMemFree(list);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return chosen;
}

void BringToFront(HWND hwnd) {
  if (IsIconic(hwnd)) ShowWindow(hwnd, SW_SHOWNOACTIVATE);
  HWND front = GetForegroundWindow();
  if (front != nullptr && front != hwnd) {
    DWORD other = GetWindowThreadProcessId(front, nullptr);
    DWORD self = GetCurrentThreadId();
    bool attached = other != self && AttachThreadInput(self, other, TRUE);
    SetForegroundWindow(hwnd);
    BringWindowToTop(hwnd);
    if (attached) AttachThreadInput(self, other, FALSE);
  } else {
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  }
}

}  // namespace orvex::autoupdate
