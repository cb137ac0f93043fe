// OrvexRoll's side of the report buffer: one unnamed, paging-file-backed, read-write mapping of
// 1024 bytes with an inheritable handle, mapped whole for the life of the main window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "Handles.h"
#include "ReportBuffer.h"

namespace orvex::autoupdate {

class ReportMapping {
 public:
  enum Result { kOk, kCreateFailed, kMapFailed };

  ReportMapping() = default;
  ReportMapping(const ReportMapping&) = delete;
  ReportMapping& operator=(const ReportMapping&) = delete;

  // Creates and maps the buffer; the caller shows CreateFailureText / MapFailureText.
  Result Create();

  HANDLE Handle() const { return mapping_.Get(); }
  uint32_t Size() const { return kReportBufferSize; }
  bool Mapped() const { return view_.Valid(); }

  // Before each child starts.
  void ClearText();
  // The text the child placed there, and the version update tool's resume value at 1020.
  std::string Text() const;
  uint32_t ResumeValue() const;
  // The value a child finds at 1020 until it writes its own.
  void SetResumeValue(uint32_t value);

  static const char* CreateFailureText() { return "メモリマップド・ファイルの作成に失敗しました。"; }
  static const char* MapFailureText() { return "メモリマップド・ファイルのビュー割当に失敗しました。"; }

 private:
  uint8_t* Bytes() const { return static_cast<uint8_t*>(view_.Get()); }

  // Declared after the mapping, so it is unmapped first.
  UniqueHandle mapping_;
  UniqueView view_;
};

}  // namespace orvex::autoupdate
