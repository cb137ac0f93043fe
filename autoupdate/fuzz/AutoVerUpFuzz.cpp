// Arbitrary bytes as AutoVerUp.def, read as OrvexFlash reads it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "HandoffFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvex::autoupdate;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  AutoVerUpContent content;
  int count = ParseAutoVerUp(bytes, "C:\\Tools\\OrvexFlash.exe", &content, nullptr);
  if (count >= 0 && static_cast<size_t>(count) != content.program_files.size()) __builtin_trap();
  // OrvexFlash never starts from stage 0 or from below the fixed slots.
  if (content.first_stage == 0 || content.first_stage < -4) __builtin_trap();
  return 0;
}
