// The test child's script reader: any bytes give steps or refusals, never a crash.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ChildScript.h"

using namespace orvex::autoupdate::test_support;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string script(reinterpret_cast<const char*>(data), size);
  for (int i = 0; i < 64; ++i) {
    std::string rest;
    std::string line = TakeFirstStep(script, &rest);
    if (line.empty()) break;
    ChildStep step;
    std::string error;
    ParseChildStep(line, &step, &error);
    script = rest;
  }
  return 0;
}
