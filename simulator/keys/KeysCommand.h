// OrvexKeys, our stand-in for the elevated registry helper that OrvexFlash starts when it may not
// write the debug levels itself: its parameters are pairs of a value path below
// HKEY_LOCAL_MACHINE and a number. As it runs elevated, it writes only the "DebugLevel" values
// below the adapter's service key.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvex::sim {

constexpr char kKeysAllowedRoot[] = "SYSTEM\\CurrentControlSet\\Services\\Orvex\\";
constexpr char kKeysValueName[] = "DebugLevel";

struct KeysValue {
  std::string key;         // below HKEY_LOCAL_MACHINE
  std::string value_name;  // "DebugLevel"
  uint32_t value = 0;
};

// "0x" and one to eight hexadecimal digits, or a decimal number up to 4294967295.
bool ParseKeysNumber(std::string_view text, uint32_t* value);

// Parses "path number [path number ...]"; false with a one-line reason in *error.
bool ParseKeysArguments(const std::vector<std::string>& args, std::vector<KeysValue>* out, std::string* error);

}  // namespace orvex::sim
