// Arbitrary bytes as a run folder's OrvexRoll.log, read for `orvex history`.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "RunHistory.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvex::autoupdate;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  auto sessions = ParseRunLog(bytes);
  for (const LogSession& s : sessions) {
    // Everything a session keeps is a piece of the log.
    if (s.reason.size() > size || s.device.size() > size) __builtin_trap();
    for (const LoggedUpdate& u : s.updates) {
      if (u.file.size() + u.before.size() + u.after.size() > size) __builtin_trap();
    }
  }
  (void)RunOutcomeName(RunOutcomeOf(sessions));
  (void)RunFolderDate(bytes.substr(0, 15));
  return 0;
}
