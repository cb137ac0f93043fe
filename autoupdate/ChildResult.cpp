#include "ChildResult.h"

namespace orvex::autoupdate {

void HandleChildReport(uint32_t code, int32_t value, std::string_view text, ChildResult* result, LogSink* log) {
  if (log) log->AddEntry(text, code, true);
  result->any_report = true;
  result->last_value = value;
  if (code != 0) {
    result->code = static_cast<int32_t>(code);
    result->value = value;
  }
  if (code != 0 && code != 1) result->failure_reason = std::string(text);
}

}  // namespace orvex::autoupdate
