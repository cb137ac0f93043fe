#include "RunFolder.h"

#include "Cp932Text.h"
#include "Format.h"

namespace orvex::autoupdate {

namespace {

unsigned DaysInMonth(unsigned year, unsigned month) {
  static const unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 31;
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

std::string RunFolderName(const RunTime& t) {
  return Format("%04u%02u%02u_%02u%02u%02u", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

RunTime NextSecond(RunTime t) {
  if (++t.second < 60) return t;
  t.second = 0;
  if (++t.minute < 60) return t;
  t.minute = 0;
  if (++t.hour < 24) return t;
  t.hour = 0;
  if (++t.day <= DaysInMonth(t.year, t.month)) return t;
  t.day = 1;
  if (++t.month <= 12) return t;
  t.month = 1;
  ++t.year;
  return t;
}

bool WindowsDrive(std::string_view dir, std::string* drive) {
  if (dir.empty() || EndsWithChar(dir, '\\')) return false;
  if (dir.size() > 3 && dir[0] == '\\' && dir[1] == '\\') {
    size_t last = FindLastChar(dir, '\\');
    std::string_view head = dir.substr(0, last);
    // "\\server\share" at least: a '\' after the server name, with a share name behind it.
    size_t share = FindChar(head, '\\', 2);
    if (share == kNotFound || share == 2 || share + 1 >= head.size()) return false;
    *drive = std::string(head);
    return true;
  }
  size_t colon = FindChar(dir, ':');
  if (colon == kNotFound) return false;
  *drive = std::string(dir.substr(0, colon + 1));
  return true;
}

std::string RunFolderBase(std::string_view drive, std::string_view executable_name) {
  return std::string(drive) + "\\" + std::string(executable_name) + "\\";
}

}  // namespace orvex::autoupdate
