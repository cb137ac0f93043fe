#include "ProgramFolder.h"

#include <gtest/gtest.h>

#include "Handles.h"
#include "PathText.h"
#include "UiDriver.h"
#include "Wide.h"

namespace orvex::uidriver {

namespace test_support = orvex::autoupdate::test_support;

std::string ProgramFolder::AddFile(const std::string& path, const std::string& as_name) {
  std::string target = Path() + (as_name.empty() ? std::string(FileNamePart(path)) : as_name);
  if (!CopyFileW(ToWide(path).c_str(), ToWide(target).c_str(), FALSE)) {
    ADD_FAILURE() << "cannot copy " << path << " to " << target << " (error " << GetLastError() << ")";
    return std::string();
  }
  return target;
}

std::string ProgramFolder::AddProgram(const std::string& build_relative, const std::string& as_name) {
  std::string source = BuildPath(build_relative);
  std::string copied = AddFile(source, as_name);
  std::string library = JoinPath(PathFolder(source), "Orvex.dll");
  if (!copied.empty() && test_support::Exists(library) && !Exists("Orvex.dll")) AddFile(library);
  return copied;
}

bool ProgramFolder::Write(const std::string& name, const std::string& bytes) const {
  return test_support::WriteAll(PathOf(name), bytes);
}

std::string ProgramFolder::Read(const std::string& name) const {
  // Shared for writing too: the driven program may be writing the file just now, and must not
  // be refused because the test reads it.
  UniqueFile file(CreateFileW(ToWide(PathOf(name)).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              0, nullptr));
  std::string bytes;
  if (!file) return bytes;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  return bytes;
}

bool ProgramFolder::Exists(const std::string& name) const {
  return test_support::Exists(PathOf(name));
}

}  // namespace orvex::uidriver
