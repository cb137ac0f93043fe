// The definition path file is outside input: any bytes give two usable names.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "DefinitionLocation.h"

using namespace orvex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  DefinitionPathNames names = ParseDefinitionPathFile(std::string_view(reinterpret_cast<const char*>(data), size));
  for (const std::string* name : {&names.definition, &names.save_file}) {
    if (name->empty() || name->size() > kDefinitionPathLineLimit) std::abort();
    if (name->find_first_of("\r\n") != std::string::npos) std::abort();
    const unsigned char first = static_cast<unsigned char>(name->front());
    const unsigned char last = static_cast<unsigned char>(name->back());
    if ((first >= 1 && first <= 0x20) || (last >= 1 && last <= 0x20)) std::abort();
  }
  return 0;
}
