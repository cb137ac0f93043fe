#include "Target.h"
#include "UiCommand.h"
#include "UiDriver.h"
#include "Wide.h"

namespace orvex::uidriver {

namespace {

struct TopSearch {
  DWORD pid;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTop(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<TopSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if ((search->pid == 0 || pid == search->pid) && IsWindowVisible(hwnd)) search->found.push_back(hwnd);
  return TRUE;
}

std::vector<HWND> VisibleTop(DWORD pid) {
  TopSearch search{pid, {}};
  EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

WindowRecord Summary(HWND hwnd) {
  Window window(hwnd);
  WindowRecord w;
  w.handle = reinterpret_cast<uintptr_t>(hwnd);
  w.pid = window.pid();
  w.caption = window.Caption();
  w.class_name = window.ClassName();
  w.enabled = window.IsEnabled();
  w.visible = window.IsVisible();
  w.owner = reinterpret_cast<uintptr_t>(GetWindow(hwnd, GW_OWNER));
  w.rect = window.Rect();
  return w;
}

std::string EnvironmentFolder(const wchar_t* name) {
  wchar_t value[MAX_PATH * 2];
  DWORD n = GetEnvironmentVariableW(name, value, MAX_PATH * 2);
  if (n == 0 || n >= MAX_PATH * 2) return std::string();
  return HostPathToWindows(FromWide(std::wstring_view(value, n)));
}

std::string Under(const std::string& folder, const std::string& relative) {
  std::string path = folder;
  if (!path.empty() && path.back() != '\\') path += '\\';
  for (char c : relative) path += c == '/' ? '\\' : c;
  return path;
}

}  // namespace

std::vector<WindowRecord> Windows(DWORD pid) {
  std::vector<WindowRecord> list;
  for (HWND hwnd : VisibleTop(pid)) list.push_back(Summary(hwnd));
  return list;
}

std::optional<Window> WaitWindow(const std::string& caption, DWORD pid, DWORD timeout_ms, Match match) {
  const ULONGLONG end = GetTickCount64() + timeout_ms;
  for (;;) {
    for (HWND hwnd : VisibleTop(pid)) {
      // Message boxes often carry their program's caption; they are WaitMessageBox's.
      if (CaptionMatches(detail::QueryText(hwnd), caption, match) && !detail::IsMessageBox(hwnd)) {
        return Window(hwnd);
      }
    }
    if (GetTickCount64() >= end) return std::nullopt;
    Sleep(20);
  }
}

std::string DescribeProcess(DWORD pid) {
  std::vector<WindowRecord> windows;
  for (HWND hwnd : VisibleTop(pid)) windows.push_back(Window(hwnd).Record());
  return DescribeWindows(windows);
}

std::string BuildPath(const std::string& relative) {
  return Under(EnvironmentFolder(L"ORVEX_BINARY_DIR"), relative);
}

std::string SourcePath(const std::string& relative) {
  return Under(EnvironmentFolder(L"ORVEX_SOURCE_DIR"), relative);
}

std::string OtherBuildPath(const std::string& relative) {
  std::string folder =
      EnvironmentFolder(sizeof(void*) == 8 ? L"ORVEX_WIN32_BINARY_DIR" : L"ORVEX_WIN64_BINARY_DIR");
  return folder.empty() ? std::string() : Under(folder, relative);
}

}  // namespace orvex::uidriver
