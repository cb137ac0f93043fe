// OrvexKeys' parameters, split at NUL bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "KeysCommand.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> args(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      args.emplace_back();
    } else {
      args.back() += static_cast<char>(data[i]);
    }
  }
  std::vector<orvex::sim::KeysValue> values;
  std::string error;
  if (orvex::sim::ParseKeysArguments(args, &values, &error) && values.size() * 2 != args.size()) __builtin_trap();
  return 0;
}
