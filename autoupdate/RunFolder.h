// Where one run of OrvexRoll keeps its files: "<Windows drive>\<executable name>\YYYYMMDD_hhmmss\"
// with an "Old\" subfolder for the replaced driver and library files. The folder is named after
// the start time; a name already taken moves on by one second.
#pragma once

#include <string>
#include <string_view>

namespace orvex::autoupdate {

struct RunTime {
  unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// "%04u%02u%02u_%02u%02u%02u".
std::string RunFolderName(const RunTime& time);

// One second later, carried through minutes, hours, days, months and years (leap years included).
RunTime NextSecond(RunTime time);

// The drive the run folders go to, from the Windows directory: "C:" for "C:\WINDOWS", and for a
// network Windows directory ("\\server\share\WINDOWS", longer than 3 characters) the part before
// its last '\'. False for an empty directory, one that ends in '\', one without a drive, and a
// network form without server and share.
bool WindowsDrive(std::string_view windows_directory, std::string* drive);

// drive + '\' + executable name + '\'.
std::string RunFolderBase(std::string_view drive, std::string_view executable_name);

// The run folder's path must fit the recovery record's field with its NUL.
constexpr size_t kRunFolderLimit = 1024;

}  // namespace orvex::autoupdate
