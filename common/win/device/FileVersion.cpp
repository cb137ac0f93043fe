#include "FileVersion.h"

#include <windows.h>

#include "Cp932Text.h"
#include "PathText.h"
#include "VersionResource.h"
#include "VersionText.h"

namespace orvex {

uint32_t ReadFileVersion(std::string_view path) {
  auto text = ReadVersionString(path, "041104b0", "FileVersion");
  return text ? ParseVersionWithCarry(*text) : 0;
}

std::string OwnProgramName() {
  std::string name(FileNamePart(OwnModulePath()));
  size_t dot = FindLastChar(name, '.');
  if (dot != kNotFound && dot != 0) name.resize(dot);
  return name;
}

uint32_t ReadOwnFileVersion() {
  return ReadFileVersion(OwnModuleFolder() + OwnProgramName() + ".exe");
}

}  // namespace orvex
