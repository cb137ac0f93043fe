#include "LogEntry.h"

#include "Format.h"

namespace orvex::autoupdate {

std::string LogTimePrefix(const LogTime& t, uint32_t code) {
  return Format("%04u/%02u/%02u %02u:%02u:%02u.%03u %3u  ", t.year, t.month, t.day, t.hour, t.minute, t.second,
                t.millisecond, code);
}

std::vector<std::string> LogEntryItems(std::string_view text, uint32_t code, const LogTime* time) {
  const std::string blank(kLogPrefixWidth, ' ');
  std::string prefix = time ? LogTimePrefix(*time, code) : blank;
  std::vector<std::string> items;
  if (text.empty()) {
    items.push_back(prefix);
    return items;
  }
  // CR and LF never occur as trail bytes, so a plain byte scan is safe here.
  const char end_char = text.find('\n') != std::string_view::npos ? '\n' : '\r';
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find(end_char, pos);
    size_t stop = end == std::string_view::npos ? text.size() : end;
    size_t piece_end = stop;
    if (end_char == '\n' && end != std::string_view::npos && piece_end > pos && text[piece_end - 1] == '\r') {
      --piece_end;
    }
    items.push_back((items.empty() ? prefix : blank) + std::string(text.substr(pos, piece_end - pos)));
    pos = stop;
    while (pos < text.size() && (text[pos] == '\r' || text[pos] == '\n')) ++pos;
  }
  return items;
}

std::string CopyAllText(const std::vector<std::string>& items) {
  std::string out;
  out.reserve(CopyAllSize(items));
  for (const std::string& item : items) {
    out += item;
    out += "\r\n";
  }
  return out;
}

size_t CopyAllSize(const std::vector<std::string>& items) {
  size_t size = 1;
  for (const std::string& item : items) size += item.size() + 2;
  return size;
}

std::string LogFilePath(std::string_view run_folder, std::string_view executable_name) {
  return std::string(run_folder) + std::string(executable_name) + ".log";
}

std::string LogNoRunFolderText() {
  return "ログ情報保存フォルダが指定されていないため、ログ情報はファイル保存されません。\n\n"
         "ログ情報は、ウィンドウを右クリックすることにより、内容をコピーすることができます。";
}

std::string LogSaveFailureText(const std::string& path) {
  return Format("ログ情報のファイル保存に失敗しました。\n\n'%s'\n\nログ情報は、ウィンドウを右クリックすることにより、"
                "内容をコピーすることができます。",
                path.c_str());
}

}  // namespace orvex::autoupdate
