#include "ShowMessage.h"

#include <mutex>

#include "Cp932Text.h"
#include "PathText.h"
#include "VersionResource.h"
#include "Wide.h"

namespace orvex {
namespace {

std::mutex mutex;
MessageRecorder* recorder = nullptr;  // guarded by mutex
std::string default_caption;          // guarded by mutex

std::string DefaultCaption() {
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (!default_caption.empty()) return default_caption;
  }
  std::string_view name = FileNamePart(OwnModulePath());
  size_t dot = FindLastChar(name, '.');
  return std::string(name.substr(0, dot));
}

}  // namespace

int DefaultAnswer(UINT type) {
  static const int kButtons[][3] = {
      {IDOK, 0, 0},                        // MB_OK
      {IDOK, IDCANCEL, 0},                 // MB_OKCANCEL
      {IDABORT, IDRETRY, IDIGNORE},        // MB_ABORTRETRYIGNORE
      {IDYES, IDNO, IDCANCEL},             // MB_YESNOCANCEL
      {IDYES, IDNO, 0},                    // MB_YESNO
      {IDRETRY, IDCANCEL, 0},              // MB_RETRYCANCEL
      {IDCANCEL, IDTRYAGAIN, IDCONTINUE},  // MB_CANCELTRYCONTINUE
  };
  UINT set = type & MB_TYPEMASK;
  if (set >= sizeof(kButtons) / sizeof(kButtons[0])) return IDOK;
  UINT index = (type & MB_DEFMASK) >> 8;
  // The system takes the first button when the default names one the box does not have.
  if (index > 2 || kButtons[set][index] == 0) index = 0;
  return kButtons[set][index];
}

int ShowMessage(HWND owner, std::string_view text, std::string_view caption, UINT type) {
  MessageCall call;
  call.owner = owner;
  call.text = std::string(text);
  call.caption = caption.empty() ? DefaultCaption() : std::string(caption);
  call.type = type;
  call.buttons = type & MB_TYPEMASK;
  call.icon = type & MB_ICONMASK;
  MessageRecorder* active = nullptr;
  {
    std::lock_guard<std::mutex> lock(mutex);
    active = recorder;
  }
  if (active != nullptr) return active->Answer(std::move(call));
  return MessageBoxW(owner, ToWide(call.text).c_str(), ToWide(call.caption).c_str(), type);
}

int ShowFailure(HWND owner, std::string_view text, std::string_view caption) {
  return ShowMessage(owner, text, caption, MB_OK | MB_ICONEXCLAMATION);
}

int ShowSuccess(HWND owner, std::string_view text, std::string_view caption) {
  return ShowMessage(owner, text, caption, MB_OK | MB_ICONINFORMATION);
}

bool AskYesNo(HWND owner, std::string_view text, std::string_view caption) {
  return ShowMessage(owner, text, caption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void SetMessageCaption(std::string_view caption) {
  std::lock_guard<std::mutex> lock(mutex);
  default_caption = std::string(caption);
}

MessageRecorder::MessageRecorder(Answerer answerer) : answerer_(std::move(answerer)) {
  std::lock_guard<std::mutex> lock(mutex);
  previous_ = recorder;
  recorder = this;
}

MessageRecorder::~MessageRecorder() {
  std::lock_guard<std::mutex> lock(mutex);
  recorder = previous_;
}

std::vector<MessageCall> MessageRecorder::Calls() const {
  std::lock_guard<std::mutex> lock(mutex);
  return calls_;
}

// The answerer runs without the lock, so it may look at Calls() itself.
int MessageRecorder::Answer(MessageCall call) {
  call.answer = answerer_ ? answerer_(call) : DefaultAnswer(call.type);
  std::lock_guard<std::mutex> lock(mutex);
  calls_.push_back(call);
  return call.answer;
}

}  // namespace orvex
