#include "SimStore.h"

#include <algorithm>
#include <cwctype>

#include "Format.h"
#include "SimDevice.h"
#include "Wide.h"

namespace orvex::sim {

int64_t WallClockMs() {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  uint64_t t = (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return static_cast<int64_t>((t - 116444736000000000ULL) / 10000);  // 100 ns since 1601 -> ms since 1970
}

std::wstring SimStore::FolderFromEnvironment() {
  wchar_t buffer[1024];
  DWORD n = GetEnvironmentVariableW(L"ORVEX_SIM", buffer, static_cast<DWORD>(std::size(buffer)));
  if (n == 0 || n >= std::size(buffer)) return std::wstring();
  return std::wstring(buffer, n);
}

namespace {

// One mutex per folder, whatever way the folder is spelled.
std::wstring MutexName(const std::wstring& folder) {
  wchar_t full[1024];
  DWORD n = GetFullPathNameW(folder.c_str(), static_cast<DWORD>(std::size(full)), full, nullptr);
  std::wstring path = (n > 0 && n < std::size(full)) ? std::wstring(full, n) : folder;
  while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
  uint64_t hash = 14695981039346656037ULL;
  for (wchar_t c : path) {
    wchar_t u = (c == L'/') ? L'\\' : static_cast<wchar_t>(std::towupper(c));
    hash = (hash ^ static_cast<uint64_t>(u)) * 1099511628211ULL;
  }
  return ToWide(Format("Local\\OrvexSim-%016llX", static_cast<unsigned long long>(hash)));
}

uint64_t Ticks(const FILETIME& t) {
  return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

bool FileStamp(const std::wstring& path, uint64_t* time, uint64_t* size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
  *time = Ticks(data.ftLastWriteTime);
  *size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Readers notice a change by the file's time stamp and size (SimStore::Changed). A file system
// whose clock ticks coarsely (4 ms) would give two writes of the same size within a tick the same
// stamp, and a reader would miss the second; so every write sets a time after the one it replaces.
void StampAfter(HANDLE file, uint64_t before) {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  uint64_t t = std::max(Ticks(now), before + 10);  // 1 us: file systems that keep microseconds see it
  FILETIME stamp{static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)};
  SetFileTime(file, nullptr, nullptr, &stamp);
}

bool ReadHandle(HANDLE file, std::string* bytes, DWORD* error) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file, &size) || size.QuadPart > 64 * 1024 * 1024) {
    *error = ERROR_FILE_TOO_LARGE;
    return false;
  }
  bytes->assign(static_cast<size_t>(size.QuadPart), '\0');
  DWORD got = 0;
  if (!bytes->empty() && (!ReadFile(file, bytes->data(), static_cast<DWORD>(bytes->size()), &got, nullptr) ||
                          got != bytes->size())) {
    *error = GetLastError();
    return false;
  }
  return true;
}

bool ReadWhole(const std::wstring& path, std::string* bytes, DWORD* error) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    *error = GetLastError();
    return false;
  }
  return ReadHandle(file.Get(), bytes, error);
}

}  // namespace

class SimStore::Lock {
 public:
  explicit Lock(HANDLE mutex) : mutex_(mutex) {
    // An abandoned mutex (a process died holding it) is ours all the same.
    DWORD r = mutex_ ? WaitForSingleObject(mutex_, 10000) : WAIT_FAILED;
    held_ = r == WAIT_OBJECT_0 || r == WAIT_ABANDONED;
  }
  ~Lock() {
    if (held_) ReleaseMutex(mutex_);
  }
  bool Held() const { return held_; }

 private:
  HANDLE mutex_;
  bool held_ = false;
};

SimStore::SimStore(std::wstring folder) : folder_(std::move(folder)) {
  if (!folder_.empty()) mutex_.Reset(CreateMutexW(nullptr, FALSE, MutexName(folder_).c_str()));
}

std::wstring SimStore::FilePath(std::string_view name) const {
  std::wstring path = folder_;
  if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
  return path + ToWide(name);
}

std::wstring SimStore::StatePath() const {
  return FilePath(kStateFileName);
}

bool SimStore::ReadText(std::string* text, std::string* error) {
  if (folder_.empty()) {
    *error = "ORVEX_SIM is not set";
    return false;
  }
  DWORD code = 0;
  if (!ReadWhole(StatePath(), text, &code)) {
    *error = Format("%s: cannot read (error %lu)", FromWide(StatePath()).c_str(), code);
    return false;
  }
  return true;
}

void SimStore::Remember() {
  FileStamp(StatePath(), &seen_time_, &seen_size_);
}

bool SimStore::Changed() const {
  uint64_t time = 0, size = 0;
  if (!FileStamp(StatePath(), &time, &size)) return seen_time_ != 0 || seen_size_ != 0;
  return time != seen_time_ || size != seen_size_;
}

bool SimStore::Load(SimState* state, std::string* error) {
  Lock lock(mutex_.Get());
  std::string text;
  Remember();
  if (!ReadText(&text, error)) return false;
  return ParseSimState(text, state, error);
}

bool SimStore::ReplaceFile(const std::wstring& path, const std::string& bytes, std::string* error) {
  std::wstring temp = path + ToWide(Format(".%lu.tmp", GetCurrentProcessId()));
  uint64_t before = 0, size = 0;
  FileStamp(path, &before, &size);
  {
    UniqueFile file(
        CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file.Valid() ||
        (!bytes.empty() &&
         (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
          written != bytes.size())) ||
        !FlushFileBuffers(file.Get())) {
      *error = Format("%s: cannot write (error %lu)", FromWide(temp).c_str(), GetLastError());
      file.Reset();
      DeleteFileW(temp.c_str());
      return false;
    }
    StampAfter(file.Get(), before);
  }
  if (!MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    *error = Format("%s: cannot replace (error %lu)", FromWide(path).c_str(), GetLastError());
    DeleteFileW(temp.c_str());
    return false;
  }
  return true;
}

// The adapter counts every operation in the state file, so most updates change a number or two.
// Replacing the file by a new one and a rename makes the file system flush it each time (some
// milliseconds); reading and rewriting it in place through one handle costs next to nothing.
// One write of at most a page is all or nothing, even when the process is killed during it; a
// shorter text overwrites the old tail with blank lines in the same write, and the tail is cut off
// after it. Larger files, and a file that cannot be opened for writing, are replaced.
bool SimStore::Update(const std::function<void(SimState&)>& change, SimState* result, std::string* error) {
  constexpr size_t kOnePage = 4096;
  Lock lock(mutex_.Get());
  if (!lock.Held()) {
    *error = "the state file stays locked by another process";
    return false;
  }
  UniqueFile file(CreateFileW(StatePath().c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string text;
  DWORD code = 0;
  FILETIME written_at{};
  if (file.Valid()) GetFileTime(file.Get(), nullptr, nullptr, &written_at);
  const uint64_t before = Ticks(written_at);
  if (file.Valid() ? !ReadHandle(file.Get(), &text, &code) : !ReadText(&text, error)) {
    if (file.Valid()) *error = Format("%s: cannot read (error %lu)", FromWide(StatePath()).c_str(), code);
    return false;
  }
  SimState state;
  if (!ParseSimState(text, &state, error)) return false;
  change(state);
  std::string new_text = UpdateSimStateText(text, state);
  if (new_text != text) {
    if (file.Valid() && text.size() <= kOnePage && new_text.size() <= kOnePage) {
      std::string bytes = new_text;
      if (bytes.size() < text.size()) bytes.append(text.size() - bytes.size(), '\n');
      LARGE_INTEGER at{};
      DWORD written = 0;
      if (!SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN) ||
          !WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
          written != bytes.size()) {
        *error = Format("%s: cannot write (error %lu)", FromWide(StatePath()).c_str(), GetLastError());
        return false;
      }
      at.QuadPart = static_cast<LONGLONG>(new_text.size());
      if (bytes.size() != new_text.size() && SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN))
        SetEndOfFile(file.Get());  // when it fails, blank lines remain: the same state
      StampAfter(file.Get(), before);
    } else {
      file.Reset();
      if (!ReplaceFile(StatePath(), new_text, error)) return false;
    }
  }
  file.Reset();
  Remember();
  if (result) *result = std::move(state);
  return true;
}

std::vector<uint8_t> SimStore::ReadParameters(const SimState& state) {
  std::string bytes;
  DWORD code = 0;
  if (!ReadWhole(FilePath(state.parameter_file), &bytes, &code) || bytes.empty())
    return EmptyParameterFile(state);
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

bool SimStore::WriteParameters(const SimState& state, const std::vector<uint8_t>& file) {
  Lock lock(mutex_.Get());
  std::string error;
  return ReplaceFile(FilePath(state.parameter_file), std::string(file.begin(), file.end()), &error);
}

bool SimStore::WriteInitial(std::string* error) {
  if (folder_.empty()) {
    *error = "no folder";
    return false;
  }
  CreateDirectoryW(folder_.c_str(), nullptr);
  Lock lock(mutex_.Get());
  bool ok = ReplaceFile(StatePath(), DefaultSimStateText(), error);
  Remember();
  return ok;
}

void SimStore::Log(const SimState& state, std::string_view line) {
  if (!state.log || folder_.empty()) return;
  SYSTEMTIME t;
  GetLocalTime(&t);
  std::string text =
      Format("%02u:%02u:%02u.%03u [%lu] %.*s\r\n", t.wHour, t.wMinute, t.wSecond, t.wMilliseconds,
             GetCurrentProcessId(), static_cast<int>(line.size()), line.data());
  UniqueFile file(CreateFileW(FilePath(kLogFileName).c_str(), FILE_APPEND_DATA, kShareAll, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  if (file.Valid()) WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace orvex::sim
