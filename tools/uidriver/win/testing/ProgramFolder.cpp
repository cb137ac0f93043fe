#include "ProgramFolder.h"

#include <gtest/gtest.h>

#include "PathText.h"
#include "UiDriver.h"
#include "Wide.h"

namespace orvex::uidriver::testing {

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
  return test_support::ReadAll(PathOf(name));
}

bool ProgramFolder::Exists(const std::string& name) const {
  return test_support::Exists(PathOf(name));
}

}  // namespace orvex::uidriver::testing
