#include "RunHistory.h"

#include "Cp932Text.h"

namespace orvex::autoupdate {
namespace {

// Searches at character boundaries only, so a trail byte never starts a match.
size_t FindText(std::string_view text, std::string_view what, size_t from = 0) {
  for (size_t i = from; i + what.size() <= text.size(); i += CharLength(text, i)) {
    if (text.compare(i, what.size(), what) == 0) return i;
  }
  return std::string_view::npos;
}

bool EndsWithText(std::string_view text, std::string_view what) {
  if (text.size() < what.size()) return false;
  const size_t at = text.size() - what.size();
  size_t i = 0;
  while (i < at) i += CharLength(text, i);
  return i == at && text.substr(at) == what;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

struct Entry {
  std::string time;  // "YYYY/MM/DD hh:mm:ss"
  unsigned code = 0;
  std::string_view text;
};

// "YYYY/MM/DD hh:mm:ss.mmm %3u  text": the prefix of an entry's first item.
bool ParseEntryLine(std::string_view line, Entry* out) {
  static const char kShape[] = "dddd/dd/dd dd:dd:dd.ddd ";
  if (line.size() < sizeof kShape - 1) return false;
  for (size_t i = 0; i + 1 < sizeof kShape; ++i) {
    if (kShape[i] == 'd' ? !IsDigit(line[i]) : line[i] != kShape[i]) return false;
  }
  size_t p = sizeof kShape - 1;
  while (p < line.size() && line[p] == ' ') ++p;
  size_t digits = p;
  unsigned code = 0;
  while (p < line.size() && IsDigit(line[p]) && p - digits < 10) code = code * 10 + static_cast<unsigned>(line[p++] - '0');
  if (p == digits || line.substr(p, 2) != "  ") return false;
  out->time = std::string(line.substr(0, 19));
  out->code = code;
  out->text = line.substr(p + 2);
  return true;
}

// "更新開始(v1.105) : McCPU.prg(00h, 00h, v1.203)".
bool ParseUpdateStart(std::string_view text, LoggedUpdate* out) {
  static constexpr std::string_view kHead = "更新開始(";
  if (text.substr(0, kHead.size()) != kHead) return false;
  size_t close = FindText(text, ") : ", kHead.size());
  if (close == std::string_view::npos) return false;
  std::string_view before = text.substr(kHead.size(), close - kHead.size());
  if (!before.empty() && before[0] == 'v') before.remove_prefix(1);
  std::string_view file = text.substr(close + 4);
  size_t open = std::string_view::npos;
  for (size_t i = 0; i < file.size(); i += CharLength(file, i)) {
    if (file[i] == '(') open = i;
  }
  if (open == std::string_view::npos || file.empty() || file.back() != ')') return false;
  std::string_view inner = file.substr(open + 1, file.size() - open - 2);
  size_t v = FindText(inner, ", v");
  out->file = std::string(file.substr(0, open));
  out->before = std::string(before);
  out->after = v == std::string_view::npos ? std::string() : std::string(inner.substr(v + 3));
  out->done = false;
  return true;
}

constexpr std::string_view kDeviceLabel = "接続デバイス・バージョン = ";

void Take(const Entry& e, LogSession* s) {
  std::string_view t = e.text;
  if (t == "修復情報保存フォルダ選択") {
    s->repair = true;
  } else if (t == "パラメータ設定ツール起動") {
    s->stage = "parameter";
  } else if (t == "バージョン更新ツール起動") {
    s->stage = "version update";
  } else if (t == "自動更新開始キャンセル" || t == "修復更新開始キャンセル") {
    s->outcome = SessionOutcome::kCancelled;
  } else if (t.substr(0, kDeviceLabel.size()) == kDeviceLabel) {
    s->device = std::string(t.substr(kDeviceLabel.size()));
  } else if (t == "更新成功") {
    if (!s->updates.empty()) s->updates.back().done = true;
  } else if (LoggedUpdate u; e.code == 0 && ParseUpdateStart(t, &u)) {
    for (auto it = s->updates.begin(); it != s->updates.end(); ++it) {
      if (it->file == u.file) {
        u.before = it->before;  // the version before the first attempt
        s->updates.erase(it);
        break;
      }
    }
    s->updates.push_back(std::move(u));
  } else if (e.code == 0 && EndsWithText(t, "正常終了")) {
    if (s->outcome != SessionOutcome::kCancelled) s->outcome = SessionOutcome::kSucceeded;
  } else if (EndsWithText(t, "異常終了")) {
    if (s->outcome != SessionOutcome::kCancelled) s->outcome = SessionOutcome::kFailed;
  }
  if (e.code >= 2 && s->outcome != SessionOutcome::kSucceeded) s->reason = std::string(t);
}

}  // namespace

std::vector<LogSession> ParseRunLog(std::string_view bytes) {
  std::vector<LogSession> sessions;
  LogSession* current = nullptr;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t end = bytes.find('\n', pos);
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view line = bytes.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    Entry e;
    if (!ParseEntryLine(line, &e)) continue;
    // OrvexRoll's start entry: "<title>起動(v2.0.1.1)".
    const size_t start = FindText(e.text, "起動(v");
    if (current == nullptr || (e.code == 0 && start != std::string_view::npos && start > 0)) {
      sessions.emplace_back();
      current = &sessions.back();
      current->started = e.time;
      current->stage = "driver";
    }
    Take(e, current);
  }
  return sessions;
}

RunOutcome RunOutcomeOf(const std::vector<LogSession>& sessions) {
  if (sessions.empty()) return RunOutcome::kNoLog;
  switch (sessions.front().outcome) {
    case SessionOutcome::kSucceeded: return RunOutcome::kSucceeded;
    case SessionOutcome::kCancelled: return RunOutcome::kCancelled;
    case SessionOutcome::kUnfinished:
    case SessionOutcome::kFailed: break;
  }
  for (size_t i = 1; i < sessions.size(); ++i) {
    if (sessions[i].repair && sessions[i].outcome == SessionOutcome::kSucceeded) return RunOutcome::kRepaired;
  }
  return sessions.front().outcome == SessionOutcome::kFailed ? RunOutcome::kFailed : RunOutcome::kUnfinished;
}

const char* RunOutcomeName(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::kSucceeded: return "success";
    case RunOutcome::kFailed: return "failure";
    case RunOutcome::kRepaired: return "repaired";
    case RunOutcome::kCancelled: return "cancelled";
    case RunOutcome::kUnfinished: return "unfinished";
    case RunOutcome::kNoLog: return "no log";
  }
  return "";
}

const char* SessionOutcomeName(SessionOutcome outcome) {
  switch (outcome) {
    case SessionOutcome::kSucceeded: return "success";
    case SessionOutcome::kFailed: return "failure";
    case SessionOutcome::kCancelled: return "cancelled";
    case SessionOutcome::kUnfinished: return "unfinished";
  }
  return "";
}

std::string RunFolderDate(std::string_view name) {
  if (name.size() != 15 || name[8] != '_') return std::string();
  for (size_t i = 0; i < name.size(); ++i) {
    if (i != 8 && !IsDigit(name[i])) return std::string();
  }
  std::string n(name);
  return n.substr(0, 4) + "/" + n.substr(4, 2) + "/" + n.substr(6, 2) + " " + n.substr(9, 2) + ":" + n.substr(11, 2) +
         ":" + n.substr(13, 2);
}

}  // namespace orvex::autoupdate
