#include "SimFolder.h"

#include <gtest/gtest.h>

#include <atomic>

#include "Format.h"
#include "SimStore.h"
#include "Wide.h"

namespace orvex::test {

namespace {
std::atomic<int> next_folder{0};
}

SimFolder::SimFolder(const std::string& lines) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  path_ = std::wstring(temp) + ToWide(Format("orvex-sim-%lu-%d", GetCurrentProcessId(), next_folder++));
  sim::SimStore store(path_);
  std::string error;
  EXPECT_TRUE(store.WriteInitial(&error)) << error;
  Set("time_scale = 5\n" + lines);
  SetEnvironmentVariableW(L"ORVEX_SIM", path_.c_str());
}

SimFolder::~SimFolder() {
  SetEnvironmentVariableW(L"ORVEX_SIM", nullptr);
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((path_ + L"\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        DeleteFileW((path_ + L"\\" + found.cFileName).c_str());
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }
  RemoveDirectoryW(path_.c_str());
}

void SimFolder::Set(const std::string& lines) {
  sim::SimStore store(path_);
  std::string error, parse_error;
  bool parsed = false;
  ASSERT_TRUE(store.Update(
      [&](sim::SimState& s) { parsed = sim::ApplySimStateLines(lines, &s, &parse_error); }, nullptr, &error))
      << error;
  ASSERT_TRUE(parsed) << parse_error;
}

sim::SimState SimFolder::State() const {
  sim::SimStore store(path_);
  sim::SimState state;
  std::string error;
  EXPECT_TRUE(store.Load(&state, &error)) << error;
  return state;
}

std::string SimFolder::ReadFile(const std::string& name) const {
  HANDLE file =
      CreateFileW((path_ + L"\\" + ToWide(name)).c_str(), GENERIC_READ,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  std::string text;
  char buffer[4096];
  DWORD got = 0;
  while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  CloseHandle(file);
  return text;
}

bool SimFolder::WaitAvailable() const {
  const ULONGLONG end = GetTickCount64() + 30000;
  while (!State().Available(sim::WallClockMs())) {
    if (GetTickCount64() >= end) return false;
    Sleep(50);
  }
  return true;
}

std::string SimFolder::Log() const {
  return ReadFile(sim::kLogFileName);
}

bool SimFolder::WaitForLog(const std::string& text) const {
  ULONGLONG end = GetTickCount64() + 10000;
  while (GetTickCount64() < end) {
    if (Log().find(text) != std::string::npos) return true;
    Sleep(10);
  }
  return false;
}

}  // namespace orvex::test
