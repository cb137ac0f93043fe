#include "KeysCommand.h"

#include "Cp932Text.h"
#include "Format.h"

namespace orvex::sim {

bool ParseKeysNumber(std::string_view text, uint32_t* value) {
  uint64_t v = 0;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    std::string_view digits = text.substr(2);
    if (digits.size() > 8) return false;
    for (char c : digits) {
      int d = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
      if (d < 0) return false;
      v = v * 16 + static_cast<uint64_t>(d);
    }
  } else {
    if (text.empty() || text.size() > 10) return false;
    for (char c : text) {
      if (c < '0' || c > '9') return false;
      v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v > 0xFFFFFFFFu) return false;
  }
  *value = static_cast<uint32_t>(v);
  return true;
}

bool ParseKeysArguments(const std::vector<std::string>& args, std::vector<KeysValue>* out, std::string* error) {
  out->clear();
  if (args.empty() || args.size() % 2 != 0) {
    *error = "usage: OrvexKeys \"SYSTEM\\...\\DebugLevel\" 0xLEVEL [\"SYSTEM\\...\\DebugLevel\" 0xLEVEL]";
    return false;
  }
  for (size_t i = 0; i < args.size(); i += 2) {
    const std::string& path = args[i];
    size_t slash = FindLastChar(path, '\\');
    if (!StartsWithNoCase(path, kKeysAllowedRoot) || slash == kNotFound || slash < sizeof kKeysAllowedRoot - 1) {
      *error = Format("'%s' is not a value below HKEY_LOCAL_MACHINE\\%s", path.c_str(), kKeysAllowedRoot);
      return false;
    }
    KeysValue v;
    v.key = path.substr(0, slash);
    v.value_name = path.substr(slash + 1);
    if (!EqualsNoCase(v.value_name, kKeysValueName)) {
      *error = Format("'%s': only %s values are written", path.c_str(), kKeysValueName);
      return false;
    }
    if (!ParseKeysNumber(args[i + 1], &v.value)) {
      *error = Format("'%s' is not a 32-bit number (0x hexadecimal or decimal)", args[i + 1].c_str());
      return false;
    }
    out->push_back(std::move(v));
  }
  return true;
}

}  // namespace orvex::sim
