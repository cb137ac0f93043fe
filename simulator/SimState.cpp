#include "SimState.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <set>

#include "Cp932Text.h"
#include "Format.h"
#include "VersionText.h"

namespace orvex::sim {

bool Fault::Fire() {
  if (!on || times == 0) return false;
  if (times > 0 && --times == 0) on = false;
  return true;
}

bool Board::operator==(const Board& o) const {
  if (kind != o.kind) return false;
  for (int i = 0; i < 4; ++i) {
    if (words[i] != o.words[i]) return false;
  }
  return true;
}

SimState::SimState() {
  device_text[0] = "Orvex Systems";
  device_text[1] = "KV4100";
  device_text[2] = "USB 60ch";
  mc.kind = 0x00;
  mc.words[kWordMcDsp] = 0x1105;
  mc.words[kWordMcCpu] = 0x2010;
  mc.words[kWordParameters] = 0x2001;
  mc.words[kWordDevice2] = 0x0100;
}

uint32_t SimState::Scaled(uint32_t ms) const {
  uint64_t v = static_cast<uint64_t>(ms) * time_scale / 100;
  return v > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<uint32_t>(v);
}

int64_t SimState::ReturnTime(int64_t now_ms, uint32_t ms) const {
  return now_ms + std::max(Scaled(ms), kMinAwayMs);
}

namespace {

constexpr uint32_t kMaxChannels = 1024;

// Decimal or 0x-hexadecimal, the whole text, within [0, max].
std::optional<uint64_t> ParseNumber(std::string_view text, uint64_t max) {
  if (text.empty()) return std::nullopt;
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  uint64_t value = 0;
  for (char c : text) {
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return std::nullopt;
    }
    // Checked before the step, so a long number cannot wrap round to a small one.
    uint64_t d = static_cast<uint64_t>(digit);
    if (d > max || value > (max - d) / static_cast<uint64_t>(base)) return std::nullopt;
    value = value * base + d;
  }
  return value;
}

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    size_t start = i;
    while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
    if (i > start) words.push_back(text.substr(start, i - start));
  }
  return words;
}

// "a.b.c.d", each 0..255.
std::optional<uint32_t> ParseVersion(std::string_view text) {
  std::vector<std::string_view> parts = SplitFields(text, '.');
  if (parts.size() != 4) return std::nullopt;
  uint32_t v = 0;
  for (auto part : parts) {
    auto n = ParseNumber(part, 255);
    if (!n) return std::nullopt;
    v = (v << 8) | static_cast<uint32_t>(*n);
  }
  return v;
}

std::optional<Board> ParseBoard(std::string_view text) {
  auto words = Words(text);
  if (words.empty() || words.size() > 5) return std::nullopt;
  Board b;
  auto kind = ParseNumber(words[0], 0xFF);
  if (!kind) return std::nullopt;
  b.kind = static_cast<uint8_t>(*kind);
  for (size_t i = 1; i < words.size(); ++i) {
    auto w = ParseNumber(words[i], 0xFFFF);
    if (!w) return std::nullopt;
    b.words[i - 1] = static_cast<uint16_t>(*w);
  }
  return b;
}

std::string BoardText(const Board& b) {
  return Format("0x%02X 0x%04X 0x%04X 0x%04X 0x%04X", b.kind, b.words[0], b.words[1], b.words[2], b.words[3]);
}

using Parser = std::function<bool(std::string_view, SimState&)>;
using Writer = std::function<std::optional<std::string>(const SimState&)>;

struct Key {
  std::string name;
  Parser parse;
  Writer write;
};

Key Flag(const char* name, bool SimState::*member) {
  return {name,
          [member](std::string_view v, SimState& s) {
            auto n = ParseNumber(v, 1);
            if (!n) return false;
            s.*member = *n != 0;
            return true;
          },
          [member](const SimState& s) { return std::optional<std::string>(s.*member ? "1" : "0"); }};
}

Key Number(const char* name, uint32_t SimState::*member, uint32_t max, bool hex = false) {
  return {name,
          [member, max](std::string_view v, SimState& s) {
            auto n = ParseNumber(v, max);
            if (!n) return false;
            s.*member = static_cast<uint32_t>(*n);
            return true;
          },
          [member, hex](const SimState& s) {
            return std::optional<std::string>(hex ? Format("0x%X", s.*member) : Format("%u", s.*member));
          }};
}

Key Version(const char* name, uint32_t SimState::*member) {
  return {name,
          [member](std::string_view v, SimState& s) {
            auto n = ParseVersion(v);
            if (!n) return false;
            s.*member = *n;
            return true;
          },
          [member](const SimState& s) { return std::optional<std::string>(VersionText(s.*member)); }};
}

struct FaultShape {
  const char* name;
  Fault Faults::*member;
  size_t min_values;
  size_t max_values;
  bool is_switch;
};

const FaultShape kFaultShapes[] = {
    {"attach_result", &Faults::attach_result, 1, 1, false},
    {"attach_status", &Faults::attach_status, 1, 2, false},
    {"detach", &Faults::detach, 1, 3, false},
    {"refuse_image", &Faults::refuse_image, 1, 1, false},
    {"request_fail", &Faults::request_fail, 1, 1, true},
    {"write_result", &Faults::write_result, 1, 8, false},
    {"write_silent", &Faults::write_silent, 1, 1, false},
    {"alarm", &Faults::alarm, 1, 2, false},
    {"read_start", &Faults::read_start, 1, 1, false},
    {"read_short", &Faults::read_short, 1, 1, false},
    {"read_overflow", &Faults::read_overflow, 1, 1, false},
    {"read_malformed", &Faults::read_malformed, 1, 1, false},
    {"read_fail", &Faults::read_fail, 1, 1, false},
    {"not_ready", &Faults::not_ready, 1, 1, true},
    {"other_apps", &Faults::other_apps, 1, 1, false},
    {"reset_fail", &Faults::reset_fail, 1, 1, true},
    {"system_silent", &Faults::system_silent, 1, 1, true},
};

void AddFaultKeys(std::vector<Key>* keys) {
  for (const FaultShape& shape : kFaultShapes) {
    Fault Faults::*member = shape.member;
    keys->push_back({std::string("fault.") + shape.name,
                     [member, shape](std::string_view v, SimState& s) {
                       Fault& f = s.faults.*member;
                       auto words = Words(v);
                       f.values.clear();
                       f.on = false;
                       if (words.empty()) return true;  // switched off
                       if (words.size() < shape.min_values || words.size() > shape.max_values) return false;
                       for (auto w : words) {
                         auto n = ParseNumber(w, 0xFFFFFFFF);
                         if (!n) return false;
                         f.values.push_back(static_cast<uint32_t>(*n));
                       }
                       if (shape.is_switch) {
                         if (f.values[0] > 1) return false;
                         f.on = f.values[0] == 1;
                       } else {
                         f.on = true;
                       }
                       return true;
                     },
                     [member](const SimState& s) -> std::optional<std::string> {
                       const Fault& f = s.faults.*member;
                       if (!f.on) return std::nullopt;
                       std::string text;
                       for (uint32_t value : f.values) {
                         if (!text.empty()) text += ' ';
                         text += value > 0xFF ? Format("0x%X", value) : Format("%u", value);
                       }
                       return text;
                     }});
    keys->push_back({std::string("fault.") + shape.name + ".times",
                     [member](std::string_view v, SimState& s) {
                       auto n = ParseNumber(v, 0x7FFFFFFF);
                       if (!n) return false;
                       (s.faults.*member).times = static_cast<int32_t>(*n);
                       return true;
                     },
                     [member](const SimState& s) -> std::optional<std::string> {
                       const Fault& f = s.faults.*member;
                       if (!f.on || f.times < 0) return std::nullopt;
                       return Format("%d", f.times);
                     }});
  }
}

const std::vector<Key>& Keys() {
  static const std::vector<Key> keys = [] {
    std::vector<Key> k;
    k.push_back(Flag("present", &SimState::present));
    k.push_back(Flag("attach_at_once", &SimState::attach_at_once));
    k.push_back(Number("channels", &SimState::channels, kMaxChannels));
    k.push_back(Number("max_lines", &SimState::max_lines, kMaxChannels));
    k.push_back(Number("voice_channels", &SimState::voice_channels, kMaxChannels));
    k.push_back(Number("block_length", &SimState::block_length, 0x100000));
    k.push_back(Number("product", &SimState::product, 0xFFFF, true));
    k.push_back(Number("product_kind", &SimState::product_kind, 0xFFFF));
    k.push_back(Version("library_version", &SimState::library_version));
    k.push_back(Version("driver_version", &SimState::driver_version));
    k.push_back({"driver_file",
                 [](std::string_view v, SimState& s) {
                   if (v.size() > 259) return false;
                   s.driver_file = std::string(v);
                   return true;
                 },
                 [](const SimState& s) {
                   return s.driver_file.empty() ? std::nullopt : std::optional<std::string>(s.driver_file);
                 }});
    k.push_back(Number("driver_detail", &SimState::driver_detail, 0xFFFFFFFF, true));
    k.push_back(Flag("driver_debug_supported", &SimState::driver_debug_supported));
    k.push_back(Number("driver_debug_level", &SimState::driver_debug_level, 0xFFFFFFFF, true));
    k.push_back(Number("library_debug_level", &SimState::library_debug_level, 0xFFFFFFFF, true));
    for (int i = 0; i < 3; ++i) {
      k.push_back({Format("device_text%d", i + 1),
                   [i](std::string_view v, SimState& s) {
                     if (v.size() > 255) return false;
                     s.device_text[i] = std::string(v);
                     return true;
                   },
                   [i](const SimState& s) { return std::optional<std::string>(s.device_text[i]); }});
    }
    k.push_back({"mc",
                 [](std::string_view v, SimState& s) {
                   auto b = ParseBoard(v);
                   if (!b) return false;
                   s.mc = *b;
                   return true;
                 },
                 [](const SimState& s) { return std::optional<std::string>(BoardText(s.mc)); }});
    k.push_back({"parameter_file",
                 [](std::string_view v, SimState& s) {
                   // A plain file name inside the state folder.
                   if (v.empty() || v.size() > 200 || FindAnyChar(v, "\\/:") != kNotFound) return false;
                   s.parameter_file = std::string(v);
                   return true;
                 },
                 [](const SimState& s) { return std::optional<std::string>(s.parameter_file); }});
    k.push_back(Number("time_scale", &SimState::time_scale, 100000));
    k.push_back(Number("attach_delay_ms", &SimState::attach_delay_ms, 600000));
    k.push_back(Number("notify_interval_ms", &SimState::notify_interval_ms, 600000));
    k.push_back(Number("progress_steps", &SimState::progress_steps, 1000));
    k.push_back(Number("progress_interval_ms", &SimState::progress_interval_ms, 600000));
    k.push_back(Number("restart_ms", &SimState::restart_ms, 600000));
    k.push_back(Flag("restart_after_failure", &SimState::restart_after_failure));
    k.push_back(Number("reset_away_ms", &SimState::reset_away_ms, 600000));
    k.push_back(Number("read_block_ms", &SimState::read_block_ms, 600000));
    k.push_back({"away_until",
                 [](std::string_view v, SimState& s) {
                   auto n = ParseNumber(v, 0x7FFFFFFFFFFFFFFF);
                   if (!n) return false;
                   s.away_until = static_cast<int64_t>(*n);
                   return true;
                 },
                 [](const SimState& s) {
                   return std::optional<std::string>(Format("%lld", static_cast<long long>(s.away_until)));
                 }});
    k.push_back(Flag("log", &SimState::log));
    k.push_back(Number("operations", &SimState::operations, 0xFFFFFFFF));
    k.push_back(Number("unplug_at", &SimState::unplug_at, 0xFFFFFFFF));
    k.push_back({"adapter_ms",
                 [](std::string_view v, SimState& s) {
                   auto n = ParseNumber(v, 0xFFFFFFFFFFFF);
                   if (!n) return false;
                   s.adapter_ms = *n;
                   return true;
                 },
                 [](const SimState& s) {
                   return std::optional<std::string>(Format("%llu", static_cast<unsigned long long>(s.adapter_ms)));
                 }});
    k.push_back({"unplugged",
                 [](std::string_view v, SimState& s) {
                   if (v.size() > 255) return false;
                   s.unplugged = std::string(v);
                   return true;
                 },
                 [](const SimState& s) { return std::optional<std::string>(s.unplugged); }});
    AddFaultKeys(&k);
    return k;
  }();
  return keys;
}

const Key* FindKey(std::string_view name) {
  for (const Key& key : Keys()) {
    if (key.name == name) return &key;
  }
  return nullptr;
}

// "board.<channel>"
std::optional<uint32_t> BoardChannel(std::string_view name) {
  if (name.size() <= 6 || name.substr(0, 6) != "board.") return std::nullopt;
  auto n = ParseNumber(name.substr(6), kMaxChannels);
  if (!n || *n == 0 || name[6] == '0') return std::nullopt;
  return static_cast<uint32_t>(*n);
}

struct Line {
  std::string_view key;  // empty for comments and blank lines
  std::string_view value;
  bool has_equals = false;
};

Line SplitLine(std::string_view raw) {
  Line line;
  std::string_view text = TrimControl(raw);
  if (text.empty() || text[0] == '#') return line;
  size_t eq = FindChar(text, '=');
  if (eq == kNotFound) {
    line.key = text;
    return line;
  }
  line.has_equals = true;
  line.key = TrimControl(text.substr(0, eq));
  line.value = TrimControl(text.substr(eq + 1));
  return line;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));  // a CR stays: kept lines are written back as read
    start = end + 1;
  }
  return lines;
}

}  // namespace

bool ParseSimState(std::string_view text, SimState* state, std::string* error) {
  SimState s;
  int number = 0;
  for (std::string_view raw : SplitLines(text)) {
    ++number;
    Line line = SplitLine(raw);
    if (line.key.empty() && !line.has_equals) continue;
    if (!line.has_equals) {
      *error = Format("line %d: expected 'key = value'", number);
      return false;
    }
    if (auto channel = BoardChannel(line.key)) {
      if (line.value.empty() || line.value == "none") {
        s.boards.erase(*channel);
        continue;
      }
      auto board = ParseBoard(line.value);
      if (!board) {
        *error = Format("line %d: bad board '%.*s' (kind and up to four version words)", number,
                        static_cast<int>(line.value.size()), line.value.data());
        return false;
      }
      s.boards[*channel] = *board;
      continue;
    }
    const Key* key = FindKey(line.key);
    if (key == nullptr) {
      *error =
          Format("line %d: unknown key '%.*s'", number, static_cast<int>(line.key.size()), line.key.data());
      return false;
    }
    if (!key->parse(line.value, s)) {
      *error = Format("line %d: bad value for '%s'", number, key->name.c_str());
      return false;
    }
  }
  // A fault's count without the fault means nothing; a count of 0 means it is spent.
  for (const FaultShape& shape : kFaultShapes) {
    Fault& f = s.faults.*shape.member;
    if (f.times == 0) f.on = false;
  }
  if (s.channels < 1) {
    *error = "channels must be at least 1 (the system channel)";
    return false;
  }
  if (s.channels - 1 > s.max_lines) {
    *error = Format("channels %u: at most max_lines + 1 (%u)", s.channels, s.max_lines + 1);
    return false;
  }
  if (!s.boards.empty() && s.boards.rbegin()->first >= s.channels) {
    *error = Format("board.%u: line channels are 1..%u", s.boards.rbegin()->first, s.channels - 1);
    return false;
  }
  *state = std::move(s);
  return true;
}

std::string UpdateSimStateText(std::string_view old_text, const SimState& state) {
  std::string out;
  std::set<std::string> written;
  for (std::string_view raw : SplitLines(old_text)) {
    Line line = SplitLine(raw);
    if (!line.has_equals) {
      out.append(raw.data(), raw.size());
      out += '\n';
      continue;
    }
    std::string name(line.key);
    std::optional<std::string> value;
    bool line_says_so = false;  // the line as it stands gives the value the state has
    if (auto channel = BoardChannel(line.key)) {
      auto it = state.boards.find(*channel);
      if (it != state.boards.end()) {
        value = BoardText(it->second);
        auto own = ParseBoard(line.value);
        line_says_so = own && *own == it->second;
      }
      name = Format("board.%u", *channel);
    } else if (const Key* key = FindKey(line.key)) {
      value = key->write(state);
      SimState applied = state;
      line_says_so = key->parse(line.value, applied) && key->write(applied) == value;
    } else {
      out.append(raw.data(), raw.size());  // not ours: kept as it stands
      out += '\n';
      continue;
    }
    if (written.count(name) != 0) continue;  // a repeated key: the first line carries the value
    written.insert(name);
    if (!value) continue;  // spent fault, removed board
    if (line_says_so) {
      out.append(raw.data(), raw.size());
    } else {
      out += name + " = " + *value;
    }
    out += '\n';
  }
  for (const Key& key : Keys()) {
    if (written.count(key.name) != 0) continue;
    auto value = key.write(state);
    auto default_value = key.write(SimState());
    if (value && value != default_value) out += key.name + " = " + *value + "\n";
  }
  for (const auto& [channel, board] : state.boards) {
    std::string name = Format("board.%u", channel);
    if (written.count(name) == 0) out += name + " = " + BoardText(board) + "\n";
  }
  return out;
}

bool ApplySimStateLines(std::string_view lines, SimState* state, std::string* error) {
  SimState changed;
  std::string text = UpdateSimStateText("", *state);
  size_t own_lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
  text += lines;
  if (!ParseSimState(text, &changed, error)) {
    // Line numbers count from the first line given.
    int number = 0;
    if (std::sscanf(error->c_str(), "line %d:", &number) == 1 && number > static_cast<int>(own_lines)) {
      *error = Format("line %d:", number - static_cast<int>(own_lines)) + error->substr(error->find(':') + 1);
    }
    return false;
  }
  *state = std::move(changed);
  return true;
}

std::string DefaultSimStateText() {
  SimState s;
  s.boards[1] = Board{0x00, {0x2003, 0, 0, 0}};
  s.boards[2] = Board{0x01, {0x4001, 0, 0, 0}};
  s.boards[3] = Board{0x02, {0x1000, 0x1020, 0x1105, 0}};
  s.boards[4] = Board{0x05, {0x1000, 0x1002, 0x1010, 0}};
  s.log = true;
  std::string text =
      "# Simulated Orvex adapter (see simulator/README.md). Changed by the adapter as it works.\n"
      "present = 1\n"
      "channels = 5\n"
      "max_lines = 60\n"
      "voice_channels = 0\n"
      "block_length = 1024\n"
      "library_version = 1.1.2.3\n"
      "driver_version = 1.1.4.0\n"
      "driver_detail = 0x3\n"
      "device_text1 = Orvex Systems\n"
      "device_text2 = KV4100\n"
      "device_text3 = USB 60ch\n"
      "# kind and the version words at record offsets 18 20 22 24\n"
      "mc = 0x00 0x1105 0x2010 0x2001 0x0100\n"
      "board.1 = 0x00 0x2003 0x0000 0x0000 0x0000\n"
      "board.2 = 0x01 0x4001 0x0000 0x0000 0x0000\n"
      "board.3 = 0x02 0x1000 0x1020 0x1105 0x0000\n"
      "board.4 = 0x05 0x1000 0x1002 0x1010 0x0000\n"
      "parameter_file = Parameters.prg\n"
      "# every delay in percent of real time\n"
      "time_scale = 100\n"
      "log = 1\n"
      "# device operations so far; unplug_at = k: the adapter leaves the bus at the k-th\n"
      "operations = 0\n"
      "unplug_at = 0\n"
      "# what those operations took the adapter itself, in milliseconds\n"
      "adapter_ms = 0\n"
      "# faults: fault.<name> = values, fault.<name>.times = how often\n";
  return UpdateSimStateText(text, s);
}

std::vector<std::pair<std::string, std::string>> SimStateEntries(const SimState& state) {
  std::vector<std::pair<std::string, std::string>> entries;
  for (const Key& key : Keys()) {
    if (auto value = key.write(state)) entries.emplace_back(key.name, *value);
  }
  for (const auto& [channel, board] : state.boards)
    entries.emplace_back(Format("board.%u", channel), BoardText(board));
  return entries;
}

}  // namespace orvex::sim
