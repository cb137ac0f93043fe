// Arbitrary bytes as AutoPara.def, read as OrvexSet reads it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "HandoffFile.h"

namespace {

struct Ignore : orvex::autoupdate::ReportSink {
  void Report(uint32_t, std::string_view) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvex::autoupdate;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  AutoParaContent content;
  Ignore sink;
  int count = ParseAutoPara(bytes, "C:\\Tools\\OrvexSet.exe", &content, &sink);
  if (count >= 0 && static_cast<size_t>(count) != content.definition_files.size()) __builtin_trap();
  if (content.model < -1 || content.model > 4) __builtin_trap();
  return 0;
}
