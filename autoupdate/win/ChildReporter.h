// The children's report operation: with a report target from /w the text goes into the inherited
// report buffer and the code and value follow by SendMessage; without one, a failure or success
// text is shown in a message box instead.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>
#include <vector>

#include "ChildCommandLine.h"
#include "ChildReport.h"
#include "Handles.h"

namespace orvex::autoupdate {

// The arguments of this process's own command line (the program name left out), parsed with
// this program's path completing a hand-off path.
ChildArguments ParseOwnCommandLine(ChildOptionHandler* more = nullptr);
// The arguments after the program name, in code page 932.
std::vector<std::string> OwnCommandLineArguments();

class ChildReporter : public ReportSink {
 public:
  ChildReporter(ChildTool tool, const ChildArguments& args);
  ChildReporter(const ChildReporter&) = delete;
  ChildReporter& operator=(const ChildReporter&) = delete;

  // Maps the buffer named on the command line (both tools do this after reading their hand-off
  // file). True when there is nothing to map; false when mapping failed: the tool then shows
  // MapFailureText and closes.
  bool MapBuffer();
  bool Mapped() const { return view_.Valid(); }

  // The owner of message boxes shown without a report target.
  void SetOwner(HWND owner) { owner_ = owner; }

  // lParam of every report: OrvexSet's report value, OrvexFlash's stage.
  void SetValue(int32_t value) { value_ = value; }
  int32_t Value() const { return value_; }
  // OrvexFlash's resume value, stored at size - 4 with every report.
  void SetResumeValue(uint32_t value) { resume_ = value; }
  uint32_t ResumeValue() const { return resume_; }

  void Report(uint32_t code, std::string_view text) override;

  // The /e test failure: code 3, "デバッグ自動更新失敗終了(n)", report value n. False when no
  // /e was given.
  bool ReportTestFailure();

  // The bytes actually usable: the size from /w, but never more than the mapped view.
  size_t BufferSize() const { return size_; }

  static const char* MapFailureText() { return "メモリマップド・ファイルのビュー割当に失敗しました。"; }

 private:
  ChildTool tool_;
  ChildArguments args_;
  HWND owner_ = nullptr;
  int32_t value_ = 0;
  uint32_t resume_ = 0;
  UniqueView view_;
  size_t size_ = 0;
};

}  // namespace orvex::autoupdate
