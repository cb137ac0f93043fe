// The one message box of the suite. Every program shows its boxes through ShowMessage, so a test
// can answer them and check what was asked.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace orvex {

// Shows a message box (MB_* flags in type) and returns its answer (IDOK, IDYES, ...). An empty
// caption shows the default caption (SetMessageCaption), else the program's file name.
int ShowMessage(HWND owner, std::string_view text, std::string_view caption, UINT type);

// The conventions: failures with the exclamation icon, results with the information icon,
// confirmations as Yes/No with the question icon (true on Yes).
int ShowFailure(HWND owner, std::string_view text, std::string_view caption = {});
int ShowSuccess(HWND owner, std::string_view text, std::string_view caption = {});
bool AskYesNo(HWND owner, std::string_view text, std::string_view caption = {});

void SetMessageCaption(std::string_view caption);

// One message box as ShowMessage was asked for it; buttons and icon are the MB_TYPEMASK and
// MB_ICONMASK parts of type.
struct MessageCall {
  HWND owner = nullptr;
  std::string text;
  std::string caption;
  UINT type = 0;
  UINT buttons = 0;
  UINT icon = 0;
  int answer = 0;
};

// For tests: while one exists, ShowMessage shows nothing, asks the answerer and records the call
// (from any thread). Without an answerer every box gets its default button's answer. Recorders
// nest; the innermost one answers.
class MessageRecorder {
 public:
  using Answerer = std::function<int(const MessageCall&)>;
  explicit MessageRecorder(Answerer answerer = nullptr);
  ~MessageRecorder();
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  std::vector<MessageCall> Calls() const;

 private:
  friend int ShowMessage(HWND, std::string_view, std::string_view, UINT);
  int Answer(MessageCall call);

  Answerer answerer_;
  std::vector<MessageCall> calls_;
  MessageRecorder* previous_ = nullptr;
};

// The answer a box of this type gives when its default button is pressed.
int DefaultAnswer(UINT type);

}  // namespace orvex
