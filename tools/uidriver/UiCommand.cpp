#include "UiCommand.h"

#include <cstdlib>
#include <map>

#include "ChildCommandLine.h"
#include "Cp932Text.h"
#include "EnvironmentBlock.h"

namespace orvex::uidriver {

namespace {

struct VerbInfo {
  const char* name;
  UiVerb verb;
  // Which options the verb takes; p = --pid, c = --caption/--match, i = --id, t = --text,
  // x = --index, s = --state, b = --button/--expect-text, y = --system, e = start options.
  const char* options;
  bool needs_caption;
  bool needs_id;
};

const VerbInfo kVerbs[] = {
    {"help", UiVerb::kHelp, "", false, false},
    {"start", UiVerb::kStart, "e", false, false},
    {"run", UiVerb::kRun, "e", false, false},
    {"windows", UiVerb::kWindows, "p", false, false},
    {"wait", UiVerb::kWait, "pc", true, false},
    {"dump", UiVerb::kDump, "pc", false, false},
    {"text", UiVerb::kText, "pci", true, true},
    {"click", UiVerb::kClick, "pci", true, true},
    {"type", UiVerb::kType, "pcit", true, true},
    {"set-text", UiVerb::kSetText, "pcit", true, true},
    {"check", UiVerb::kCheck, "pcis", true, true},
    {"select", UiVerb::kSelect, "pcix", true, true},
    {"tab", UiVerb::kTab, "pcix", true, true},
    {"command", UiVerb::kCommand, "pciy", true, true},
    {"close", UiVerb::kClose, "pc", true, false},
    {"answer", UiVerb::kAnswer, "pcb", false, false},
    {"wait-exit", UiVerb::kWaitExit, "p", false, false},
    {"kill", UiVerb::kKill, "p", false, false},
};

bool Has(const VerbInfo& verb, char option) {
  for (const char* p = verb.options; *p; ++p) {
    if (*p == option) return true;
  }
  return false;
}

// A whole decimal (or 0x hexadecimal) number within [low, high].
std::optional<long long> ParseNumber(std::string_view text, long long low, long long high) {
  if (text.empty() || text.size() > 20) return std::nullopt;
  int base = 10;
  std::string_view digits = text;
  bool negative = false;
  if (digits[0] == '-') {
    negative = true;
    digits.remove_prefix(1);
  }
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    base = 16;
    digits.remove_prefix(2);
  }
  if (digits.empty()) return std::nullopt;
  long long value = 0;
  for (char c : digits) {
    int d;
    if (c >= '0' && c <= '9') {
      d = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      d = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      d = c - 'A' + 10;
    } else {
      return std::nullopt;
    }
    value = value * base + d;
    if (value > (1LL << 40)) return std::nullopt;
  }
  if (negative) value = -value;
  if (value < low || value > high) return std::nullopt;
  return value;
}

const char* const kButtonNames[] = {nullptr, "ok", "cancel", "abort", "retry",    "ignore",
                                    "yes",   "no", "close",  "help",  "tryagain", "continue"};

}  // namespace

std::optional<int> ParseButton(std::string_view text) {
  for (int id = 1; id <= 11; ++id) {
    if (EqualsNoCase(text, kButtonNames[id])) return id;
  }
  auto number = ParseNumber(text, 1, 65535);
  if (!number) return std::nullopt;
  return static_cast<int>(*number);
}

const char* ButtonName(int id) {
  return (id >= 1 && id <= 11) ? kButtonNames[id] : nullptr;
}

std::optional<uint32_t> ParseSeconds(std::string_view text) {
  if (text.empty() || text.size() > 12) return std::nullopt;
  uint64_t ms = 0;
  size_t i = 0;
  bool any = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    ms = ms * 10 + static_cast<uint64_t>(text[i] - '0') * 1000;
    if (ms > 3600000) return std::nullopt;
    any = true;
  }
  if (i < text.size() && text[i] == '.') {
    ++i;
    uint64_t scale = 100;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
      ms += static_cast<uint64_t>(text[i] - '0') * scale;
      scale /= 10;
      any = true;
    }
  }
  if (!any || i != text.size() || ms > 3600000) return std::nullopt;
  return static_cast<uint32_t>(ms);
}

std::string HostPathToWindows(std::string_view path) {
  if (path.empty() || path[0] != '/') return std::string(path);
  std::string out = "Z:";
  for (char c : path) out += c == '/' ? '\\' : c;
  return out;
}

std::string QuoteArgument(std::string_view arg) {
  // A lead byte without its second byte would take the closing quote as that byte.
  arg = DropDanglingLead(arg);
  if (!arg.empty() && FindAnyChar(arg, " \t\n\v\"") == kNotFound) return std::string(arg);
  std::string out = "\"";
  size_t backslashes = 0;
  for (size_t i = 0; i < arg.size();) {
    size_t n = CharLength(arg, i);
    if (n == 1 && arg[i] == '\\') {
      ++backslashes;
    } else if (n == 1 && arg[i] == '"') {
      out.append(backslashes * 2 + 1, '\\');
      backslashes = 0;
      out += '"';
      ++i;
      continue;
    } else {
      out.append(backslashes, '\\');
      backslashes = 0;
      out.append(arg.substr(i, n));
      i += n;
      continue;
    }
    ++i;
  }
  out.append(backslashes * 2, '\\');  // doubled so the closing quote stays a quote
  return out + "\"";
}

std::string JoinArguments(const std::vector<std::string>& args, size_t first) {
  std::string out;
  for (size_t i = first; i < args.size(); ++i) {
    if (!out.empty()) out += ' ';
    out += QuoteArgument(args[i]);
  }
  return out;
}

bool ParseUiCommand(const std::vector<std::string>& args, bool in_script, UiCommand* out,
                    std::string* error) {
  *out = UiCommand();
  if (args.empty()) {
    *error = "no command (orvexui help lists them)";
    return false;
  }
  const VerbInfo* verb = nullptr;
  for (const VerbInfo& v : kVerbs) {
    if (args[0] == v.name) verb = &v;
  }
  if (verb == nullptr) {
    *error = "unknown command \"" + args[0] + "\" (orvexui help lists them)";
    return false;
  }
  out->verb = verb->verb;
  if (in_script && (verb->verb == UiVerb::kStart || verb->verb == UiVerb::kRun)) {
    *error = args[0] + " cannot be used inside a script";
    return false;
  }
  if (verb->verb == UiVerb::kWaitExit) out->timeout_ms = 60000;

  bool has_pid = false, has_id = false, has_text = false, has_index = false, has_state = false,
       has_button = false;
  size_t i = 1;
  for (; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--" && Has(*verb, 'e')) {
      ++i;
      break;
    }
    if (a.rfind("--", 0) != 0) {
      *error = args[0] + ": unexpected argument " + a;
      return false;
    }
    // Every option but the flags takes a value.
    const bool flag = a == "--utf8" || a == "--system" || a == "--inherit";
    if (!flag && i + 1 >= args.size()) {
      *error = args[0] + ": " + a + " needs a value";
      return false;
    }
    const std::string value = flag ? std::string() : args[i + 1];
    bool known = true;
    if (a == "--utf8") {
      out->utf8 = true;
    } else if (a == "--timeout") {
      auto ms = ParseSeconds(value);
      if (!ms) {
        *error = args[0] + ": --timeout takes seconds from 0 to 3600 (\"" + value + "\")";
        return false;
      }
      out->timeout_ms = *ms;
    } else if (a == "--pid" && Has(*verb, 'p')) {
      auto pid = ParseNumber(value, 1, 0xFFFFFFFFLL);
      if (!pid) {
        *error = args[0] + ": --pid takes a process id (\"" + value + "\")";
        return false;
      }
      out->pid = static_cast<uint32_t>(*pid);
      has_pid = true;
    } else if (a == "--caption" && Has(*verb, 'c')) {
      out->caption = value;
    } else if (a == "--caption" && Has(*verb, 'b')) {
      out->caption = value;
    } else if (a == "--match" && (Has(*verb, 'c') || Has(*verb, 'b'))) {
      auto match = ParseMatch(value);
      if (!match) {
        *error = args[0] + ": --match takes exact, prefix or substring (\"" + value + "\")";
        return false;
      }
      out->match = *match;
    } else if (a == "--id" && Has(*verb, 'i')) {
      auto id = ParseNumber(value, -1, 65535);
      if (!id) {
        *error = args[0] + ": --id takes a control id from 0 to 65535 (\"" + value + "\")";
        return false;
      }
      out->id = *id == -1 ? 65535 : static_cast<int>(*id);
      has_id = true;
    } else if (a == "--text" && Has(*verb, 't')) {
      out->text = value;
      has_text = true;
    } else if (a == "--index" && Has(*verb, 'x')) {
      auto index = ParseNumber(value, 0, 0x7FFFFFFF);
      if (!index) {
        *error = args[0] + ": --index takes a number from 0 (\"" + value + "\")";
        return false;
      }
      out->index = static_cast<int>(*index);
      has_index = true;
    } else if (a == "--state" && Has(*verb, 's')) {
      if (value != "on" && value != "off") {
        *error = args[0] + ": --state takes on or off (\"" + value + "\")";
        return false;
      }
      out->state = value == "on";
      has_state = true;
    } else if (a == "--button" && Has(*verb, 'b')) {
      auto button = ParseButton(value);
      if (!button) {
        *error = args[0] + ": --button takes ok, cancel, yes, no, retry, ... or an id (\"" + value + "\")";
        return false;
      }
      out->button = *button;
      has_button = true;
    } else if (a == "--expect-text" && Has(*verb, 'b')) {
      out->expect_text = value;
    } else if (a == "--system" && Has(*verb, 'y')) {
      out->system = true;
    } else if (a == "--env" && Has(*verb, 'e')) {
      auto assignment = ParseAssignment(value);
      if (!assignment) {
        *error = args[0] + ": --env takes NAME=VALUE (\"" + value + "\")";
        return false;
      }
      out->environment.push_back(*assignment);
    } else if (a == "--cwd" && Has(*verb, 'e')) {
      out->working_folder = HostPathToWindows(value);
    } else if (a == "--inherit" && Has(*verb, 'e')) {
      out->inherit = true;
    } else if (a == "--script" && verb->verb == UiVerb::kRun) {
      out->script = HostPathToWindows(value);
    } else {
      known = false;
    }
    if (!known) {
      *error = args[0] + ": unknown option " + a;
      return false;
    }
    if (!flag) ++i;
  }

  if (Has(*verb, 'e')) {
    if (i >= args.size()) {
      *error = args[0] + ": the program to start follows \"--\"";
      return false;
    }
    out->program.assign(args.begin() + static_cast<std::ptrdiff_t>(i), args.end());
    out->program[0] = HostPathToWindows(out->program[0]);
    if (verb->verb == UiVerb::kRun && out->script.empty()) {
      *error = "run: --script FILE is missing";
      return false;
    }
  }
  if (Has(*verb, 'p') && !has_pid && !in_script) {
    *error = args[0] + ": --pid is missing";
    return false;
  }
  if (verb->needs_caption && !out->caption) {
    *error = args[0] + ": --caption is missing";
    return false;
  }
  if (verb->needs_id && !has_id) {
    *error = args[0] + ": --id is missing";
    return false;
  }
  if (Has(*verb, 't') && !has_text) {
    *error = args[0] + ": --text is missing";
    return false;
  }
  if (Has(*verb, 'x') && !has_index) {
    *error = args[0] + ": --index is missing";
    return false;
  }
  if (Has(*verb, 's') && !has_state) {
    *error = args[0] + ": --state is missing";
    return false;
  }
  if (Has(*verb, 'b') && !has_button) {
    *error = args[0] + ": --button is missing";
    return false;
  }
  return true;
}

ScriptLine ParseScriptLine(std::string_view line, UiCommand* out, std::string* error) {
  std::string_view trimmed = TrimControl(line);
  if (trimmed.empty() || trimmed[0] == '#') return ScriptLine::kEmpty;
  // A leading blank keeps the first word from being read as a program name (no escapes there).
  std::vector<std::string> args = autoupdate::SplitCommandLine(" " + std::string(trimmed));
  return ParseUiCommand(args, true, out, error) ? ScriptLine::kCommand : ScriptLine::kError;
}

const char* UiUsage() {
  return "orvexui: drives the windows of a running program (under Wine or Windows)\n"
         "\n"
         "  orvexui start [--env NAME=VALUE]... [--cwd DIR] [--inherit] -- PROGRAM [ARGS...]\n"
         "      starts the program, prints its process id and leaves it running\n"
         "  orvexui run [--env NAME=VALUE]... [--cwd DIR] [--inherit] --script FILE -- PROGRAM [ARGS...]\n"
         "      starts the program, runs the commands of FILE (UTF-8, one per line, without --pid)\n"
         "      against it and ends it; stops at the first command that fails, with its exit code\n"
         "  orvexui windows --pid P\n"
         "  orvexui wait --pid P --caption TEXT [--match exact|prefix|substring]\n"
         "  orvexui dump --pid P [--caption TEXT] [--match M]\n"
         "  orvexui text --pid P --caption TEXT --id N\n"
         "  orvexui click --pid P --caption TEXT --id N\n"
         "  orvexui type|set-text --pid P --caption TEXT --id N --text TEXT\n"
         "  orvexui check --pid P --caption TEXT --id N --state on|off\n"
         "  orvexui select --pid P --caption TEXT --id N --index ROW   (list view, list box, combo box)\n"
         "  orvexui tab --pid P --caption TEXT --id N --index TAB\n"
         "  orvexui command --pid P --caption TEXT --id N [--system]\n"
         "  orvexui close --pid P --caption TEXT\n"
         "  orvexui answer --pid P [--caption TEXT] --button ok|cancel|yes|no|retry|...|ID [--expect-text "
         "TEXT]\n"
         "      prints the box's caption, icon and text, then presses the button\n"
         "  orvexui wait-exit --pid P     prints the program's full exit code\n"
         "  orvexui kill --pid P\n"
         "\n"
         "Every command waits at most --timeout seconds (default 10, wait-exit 60). Texts print in\n"
         "code page 932, or UTF-8 with --utf8. Exit codes: 0 done, 1 bad arguments, 2 timed out,\n"
         "3 failed (no such process or control, control disabled), 4 --expect-text did not match.\n";
}

}  // namespace orvex::uidriver
