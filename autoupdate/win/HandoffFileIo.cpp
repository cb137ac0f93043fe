#include "HandoffFileIo.h"

#include <windows.h>

#include <new>

#include "Handles.h"
#include "SystemError.h"
#include "SystemErrorCodes.h"
#include "Wide.h"

namespace orvex::autoupdate {

namespace {

HandoffWriteResult WriteText(HandoffKind kind, std::string path, const HandoffText& content) {
  HandoffWriteResult result;
  result.path = std::move(path);
  if (content.count < 0) {
    // Refused before anything was created: the child could not have read it as written.
    result.error = content.refusal_error;
    result.failure_text = HandoffCreateFailureText(kind, result.path, result.error, SystemErrorText(result.error));
    return result;
  }
  UniqueFile file(CreateFileW(ToWide(result.path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) {
    result.error = GetLastError();
    result.failure_text = HandoffCreateFailureText(kind, result.path, result.error, SystemErrorText(result.error));
    return result;
  }
  DWORD written = 0;
  BOOL ok = WriteFile(file.Get(), content.text.data(), static_cast<DWORD>(content.text.size()), &written, nullptr);
  DWORD error = ok ? 0 : GetLastError();
  if (ok && written != content.text.size()) {
    ok = FALSE;
    error = ERROR_WRITE_FAULT;
  }
  if (!CloseHandle(file.Release()) && ok) {
    ok = FALSE;
    error = GetLastError();
  }
  if (!ok) {
    result.error = error;
    result.failure_text = HandoffWriteFailureText(kind, result.path, error);
    return result;
  }
  result.count = content.count;
  return result;
}

enum class ReadStatus { kOk, kOpenFailed, kReadFailed, kOutOfMemory };

ReadStatus ReadBytes(std::string_view path, std::string* bytes, DWORD* error) {
  UniqueFile file(CreateFileW(ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) {
    *error = GetLastError();
    return ReadStatus::kOpenFailed;
  }
  try {
    char buffer[4096];
    for (;;) {
      DWORD got = 0;
      if (!ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr)) {
        *error = GetLastError();
        return ReadStatus::kReadFailed;
      }
      if (got == 0) break;
      bytes->append(buffer, got);
    }
  } catch (const std::bad_alloc&) {
    return ReadStatus::kOutOfMemory;
  }
  return ReadStatus::kOk;
}

// The failures common to both readers; true when the bytes are there.
bool ReadForChild(std::string_view path, std::string* bytes, ReportSink* sink) {
  DWORD error = 0;
  switch (ReadBytes(path, bytes, &error)) {
    case ReadStatus::kOk:
      return true;
    case ReadStatus::kOpenFailed:
      if (sink) sink->Report(kReportFileError, HandoffOpenFailureText(path, error, SystemErrorText(error)));
      return false;
    case ReadStatus::kReadFailed:
      if (sink) sink->Report(kReportFileError, HandoffReadFailureText(error));
      return false;
    case ReadStatus::kOutOfMemory:
      if (sink) sink->Report(kReportResourceError, HandoffMemoryText());
      return false;
  }
  return false;
}

}  // namespace

HandoffWriteResult WriteAutoParaFile(const UpdateInfo& info, const HandoffFolders& folders) {
  return WriteText(HandoffKind::kAutoPara, folders.run_folder + kAutoParaFileName, BuildAutoParaText(info, folders));
}

HandoffWriteResult WriteAutoVerUpFile(const UpdateInfo& info, const HandoffFolders& folders,
                                      const VersionUpdateStart& start) {
  return WriteText(HandoffKind::kAutoVerUp, folders.run_folder + kAutoVerUpFileName,
                   BuildAutoVerUpText(info, folders, start));
}

int ReadAutoParaFile(std::string_view path, std::string_view program_path, AutoParaContent* out, ReportSink* sink) {
  if (path.empty()) {
    if (sink) {
      sink->Report(kReportFileError,
                   HandoffOpenFailureText(path, kErrorNotEnoughMemory, SystemErrorText(kErrorNotEnoughMemory)));
    }
    return -1;
  }
  std::string bytes;
  if (!ReadForChild(path, &bytes, sink)) return -1;
  return ParseAutoPara(bytes, program_path, out, sink);
}

int ReadAutoVerUpFile(std::string_view path, std::string_view program_path, AutoVerUpContent* out,
                      ReportSink* sink) {
  if (path.empty()) return -1;
  std::string bytes;
  if (!ReadForChild(path, &bytes, sink)) return -1;
  return ParseAutoVerUp(bytes, program_path, out, sink);
}

}  // namespace orvex::autoupdate
