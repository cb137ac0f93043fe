#include "ChildCommandLine.h"

#include "Cp932Text.h"
#include "Format.h"
#include "NumberText.h"
#include "PathText.h"

namespace orvex::autoupdate {

ToolCommand SplitToolEntry(std::string_view update_folder, std::string_view entry) {
  if (!entry.empty() && entry[0] == '\\') entry.remove_prefix(1);
  size_t slash = FindChar(entry, '/');
  std::string_view program = entry.substr(0, slash == kNotFound ? entry.size() : slash);
  ToolCommand tool;
  tool.program_path = std::string(update_folder) + std::string(TrimTrailingControl(program));
  if (slash != kNotFound) tool.options = std::string(TrimTrailingControl(entry.substr(slash)));
  return tool;
}

bool RemoveTestOption(std::string* options) {
  const std::string& o = *options;
  if (o.size() < 2 || o[0] != '/' || o[1] != 'e') return false;
  if (o.size() > 2 && o[2] != ' ' && o[2] != '\t') return false;
  size_t next = FindChar(o, '/', 1);
  std::string rest = next == kNotFound ? std::string() : o.substr(next);
  *options = rest;
  return true;
}

std::string BuildChildCommandLine(const ToolCommand& tool, std::string_view handoff_path, uint64_t window,
                                  uint32_t message, uint64_t mapping, uint32_t size) {
  std::string line = "\"" + tool.program_path + "\"";
  if (!tool.options.empty()) line += " " + tool.options;
  std::string path(handoff_path);
  line += Format(" /a \"%s\" /w %llX %X %llX %X", path.c_str(), static_cast<unsigned long long>(window), message,
                 static_cast<unsigned long long>(mapping), size);
  return line;
}

static bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> args;
  size_t i = 0;
  // The program name: no escapes, a quote only opens and closes.
  {
    std::string name;
    bool quoted = false;
    bool any = false;
    while (i < line.size()) {
      char c = line[i];
      if (c == '"') {
        quoted = !quoted;
        any = true;
        ++i;
        continue;
      }
      if (!quoted && IsBlank(c)) break;
      size_t n = CharLength(line, i);
      name.append(line.substr(i, n));
      any = true;
      i += n;
    }
    if (any) args.push_back(name);
  }
  for (;;) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i >= line.size()) break;
    std::string arg;
    bool quoted = false;
    while (i < line.size()) {
      char c = line[i];
      if (c == '\\') {
        size_t count = 0;
        while (i < line.size() && line[i] == '\\') {
          ++count;
          ++i;
        }
        if (i < line.size() && line[i] == '"') {
          arg.append(count / 2, '\\');
          if (count % 2 == 1) {
            arg += '"';
            ++i;
          }
        } else {
          arg.append(count, '\\');
        }
        continue;
      }
      if (c == '"') {
        quoted = !quoted;
        ++i;
        continue;
      }
      if (!quoted && IsBlank(c)) break;
      size_t n = CharLength(line, i);
      arg.append(line.substr(i, n));
      i += n;
    }
    args.push_back(arg);
  }
  return args;
}

void ParseChildArguments(const std::vector<std::string>& args, std::string_view program_path, ChildArguments* out,
                         ChildOptionHandler* more) {
  static constexpr int kHexDigits[4] = {16, 8, 16, 8};
  char option = 0;
  int index = 0;
  for (const std::string& arg : args) {
    if (!arg.empty() && arg[0] == '/') {
      char letter = arg.size() > 1 ? arg[1] : 0;
      if (letter >= 'A' && letter <= 'Z') letter = static_cast<char>(letter - 'A' + 'a');
      if (!more || more->OnOption(letter)) option = letter;
      index = 0;
      continue;
    }
    switch (option) {
      case 'a':
        if (index == 0) {
          out->automatic = true;
          out->handoff_path.clear();
          if (!arg.empty()) out->handoff_path = CompletePath(std::string_view(arg), program_path).value_or(arg);
        }
        break;
      case 'w':
        if (index < 4) {
          uint64_t value = HexValue(arg, kHexDigits[index]);
          switch (index) {
            case 0: out->report_window = value; break;
            case 1: out->report_message = static_cast<uint32_t>(value); break;
            case 2: out->report_mapping = value; break;
            default: out->report_size = static_cast<uint32_t>(value); break;
          }
        }
        break;
      case 'e':
        if (index == 0) {
          out->test_failure = true;
          out->test_value = SignedDecimal(arg);
        }
        break;
      default:
        break;
    }
    if (more) more->OnValue(option, index, arg);
    ++index;
  }
}

}  // namespace orvex::autoupdate
