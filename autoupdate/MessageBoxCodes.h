// Button sets, icons and answers of the message boxes the workflow asks. They are the system's
// own MB_* and ID* values, so the Win32 layer hands them to the message box unchanged.
#pragma once

#include <cstdint>
#include <string>

namespace orvex::autoupdate {

constexpr uint32_t kBoxOk = 0x0;
constexpr uint32_t kBoxOkCancel = 0x1;
constexpr uint32_t kBoxYesNoCancel = 0x3;
constexpr uint32_t kBoxYesNo = 0x4;
constexpr uint32_t kBoxRetryCancel = 0x5;

constexpr uint32_t kIconNone = 0x00;
constexpr uint32_t kIconQuestion = 0x20;
constexpr uint32_t kIconExclamation = 0x30;
constexpr uint32_t kIconInformation = 0x40;

constexpr int kAnswerOk = 1;
constexpr int kAnswerCancel = 2;
constexpr int kAnswerRetry = 4;
constexpr int kAnswerYes = 6;
constexpr int kAnswerNo = 7;

// Where the workflow and the file update ask the user. An empty caption shows the window title.
class Questions {
 public:
  virtual ~Questions() = default;
  virtual int Ask(const std::string& text, const std::string& caption, uint32_t type) = 0;
};

}  // namespace orvex::autoupdate
