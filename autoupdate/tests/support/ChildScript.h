// The script of the test child that stands in for OrvexSet and OrvexFlash in OrvexRoll's tests:
// one line per start of the tool, each telling how that run ends. A run takes the first step
// off the script, so a test can plan a failing first attempt and a succeeding retry.
//
//   success [VALUE]                   progress, then code 1 with VALUE
//   fail CODE [VALUE [RESUME]] [: TEXT]  progress, then code CODE with VALUE, resume value RESUME
//   exit CODE [VALUE [RESUME]]        progress with VALUE (and RESUME), then the process ends with
//                                     exit code CODE and no result
//   hang [VALUE]                      progress, then waits (at most five minutes) to be killed
//
// '#' starts a comment line; numbers are decimal or 0x hexadecimal, VALUE may be negative.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvex::autoupdate::test_support {

struct ChildStep {
  enum Kind { kSuccess, kFail, kExit, kHang } kind = kSuccess;
  uint32_t code = 1;        // report code (fail) or exit code (exit)
  int32_t value = 0;        // report value (stage)
  bool has_value = false;
  uint32_t resume = 0;      // resume value
  std::string text;         // failure text
};

// False with a reason for a line that is not a step.
bool ParseChildStep(std::string_view line, ChildStep* step, std::string* error);

// The first step line of a script (blank and comment lines before it are dropped) and the script
// without it. An empty result: no step left.
std::string TakeFirstStep(std::string_view script, std::string* rest);

}  // namespace orvex::autoupdate::test_support
