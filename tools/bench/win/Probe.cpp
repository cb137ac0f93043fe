// Measures the programs from outside, as a user sees them, under Wine:
//   orvex_probe startup EXE [ARGS...]  starts EXE in its own folder, prints the milliseconds from
//                                      the start to its first visible top-level window and its
//                                      peak working set then, and ends it
//   orvex_probe watch STOPFILE NAME...  until STOPFILE exists, follows every process of these
//                                      executable names and prints each name's largest peak
//                                      working set (KB)
// Output lines: "startup <ms> <peak KB> <started, seconds since 1970>" and "peak <name> <KB>"
// ("peak <name> -" when none ran).
// The peak working set is what GetProcessMemoryInfo reports for the process; under Wine that is
// the host process's resident high-water mark, Wine's own libraries included.
#include <windows.h>
// after windows.h
#include <psapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

namespace {

struct Search {
  DWORD pid;
  bool found;
};

BOOL CALLBACK FindShown(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == search->pid && IsWindowVisible(hwnd)) {
    search->found = true;
    return FALSE;
  }
  return TRUE;
}

SIZE_T PeakWorkingSet(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  return GetProcessMemoryInfo(process, &counters, sizeof counters) ? counters.PeakWorkingSetSize : 0;
}

std::wstring Quoted(const std::wstring& arg) {
  return arg.find_first_of(L" \t\"") == std::wstring::npos ? arg : L"\"" + arg + L"\"";
}

int Startup(int argc, wchar_t** argv) {
  std::wstring command;
  for (int i = 0; i < argc; ++i) command += (i ? L" " : L"") + Quoted(argv[i]);
  std::wstring folder = argv[0];
  folder.resize(folder.find_last_of(L"\\/") == std::wstring::npos ? 0 : folder.find_last_of(L"\\/"));
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  LARGE_INTEGER frequency, start, now;
  FILETIME started;
  QueryPerformanceFrequency(&frequency);
  GetSystemTimeAsFileTime(&started);
  QueryPerformanceCounter(&start);
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &si, &pi)) {
    std::fprintf(stderr, "orvex_probe: cannot start the program (error %lu)\n", GetLastError());
    return 2;
  }
  Search search = {pi.dwProcessId, false};
  double ms = 0;
  for (;;) {
    EnumWindows(FindShown, reinterpret_cast<LPARAM>(&search));
    QueryPerformanceCounter(&now);
    ms = 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    if (search.found || ms > 60000 || WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) break;
    Sleep(1);
  }
  const SIZE_T peak = PeakWorkingSet(pi.hProcess);
  TerminateProcess(pi.hProcess, 1);
  WaitForSingleObject(pi.hProcess, 10000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  if (!search.found) {
    std::fprintf(stderr, "orvex_probe: no window within %.0f ms\n", ms);
    return 3;
  }
  const unsigned long long ticks =
      (static_cast<unsigned long long>(started.dwHighDateTime) << 32) | started.dwLowDateTime;
  std::printf("startup %.1f %lu %.3f\n", ms, static_cast<unsigned long>(peak / 1024),
              static_cast<double>(ticks - 116444736000000000ULL) / 1e7);
  return 0;
}

int Watch(int argc, wchar_t** argv) {
  const std::wstring stop = argv[0];
  std::map<std::wstring, SIZE_T> peaks;                  // by name as given
  std::map<DWORD, std::pair<HANDLE, std::wstring>> seen;  // open processes by id
  for (int i = 1; i < argc; ++i) peaks[argv[i]] = 0;
  // A process's peak only grows, so reading it often enough catches all but its last moments.
  while (GetFileAttributesW(stop.c_str()) == INVALID_FILE_ATTRIBUTES) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = snapshot != INVALID_HANDLE_VALUE && Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
      if (seen.count(entry.th32ProcessID)) continue;
      for (auto& [name, peak] : peaks) {
        if (_wcsicmp(entry.szExeFile, name.c_str()) != 0) continue;
        HANDLE process =
            OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, entry.th32ProcessID);
        if (process != nullptr) seen[entry.th32ProcessID] = {process, name};
      }
    }
    if (snapshot != INVALID_HANDLE_VALUE) CloseHandle(snapshot);
    for (auto it = seen.begin(); it != seen.end(); ++it) {
      HANDLE process = it->second.first;
      if (process == nullptr) continue;
      SIZE_T peak = PeakWorkingSet(process);
      SIZE_T& best = peaks[it->second.second];
      if (peak > best) best = peak;
      if (WaitForSingleObject(process, 0) == WAIT_OBJECT_0) {
        CloseHandle(process);
        it->second.first = nullptr;  // ended; its id stays taken so that it is not opened again
      }
    }
    Sleep(10);
  }
  for (auto& [id, process] : seen)
    if (process.first != nullptr) CloseHandle(process.first);
  for (const auto& [name, peak] : peaks) {
    if (peak == 0)
      std::printf("peak %ls -\n", name.c_str());
    else
      std::printf("peak %ls %lu\n", name.c_str(), static_cast<unsigned long>(peak / 1024));
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 3 && std::wcscmp(argv[1], L"startup") == 0) return Startup(argc - 2, argv + 2);
  if (argc >= 4 && std::wcscmp(argv[1], L"watch") == 0) return Watch(argc - 2, argv + 2);
  std::fprintf(stderr, "usage: orvex_probe startup EXE [ARGS...] | orvex_probe watch STOPFILE NAME...\n");
  return 1;
}
