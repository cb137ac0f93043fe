// OrvexRoll.ini on disk: where it lies, the template written when it is missing, reading it, and
// the file facts the start-up validation asks for.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "UpdateInfo.h"

namespace orvex::autoupdate {

// This program's path with a network drive letter replaced by the share's remote name.
std::string ProgramPathOnShare();
std::string ReplaceNetworkDrive(std::string_view path);

struct UpdateInfoLoad {
  bool ok = false;
  bool template_written = false;
  uint32_t error = 0;
  std::string message;  // the message box text when not ok (read error or lack of memory)
};

// Opens the file for reading (shared read); when it does not exist (and only then) writes the
// template and opens it again. A template that could not be written completely is removed, so a
// half file is never read on a later start.
UpdateInfoLoad LoadUpdateInfoFile(const std::string& path, std::string_view update_folder, UpdateInfo* out);

// FileVersion of the version resource, from the blocks 041104b0, 040904b0, 041103a4 in that order,
// packed one byte per number; 0 without a resource or string.
uint32_t FileVersionPacked(std::string_view path);

class FileSystemToolProbe : public ToolFileProbe {
 public:
  bool FileExists(const std::string& path) override;
  uint32_t FileVersion(const std::string& path) override { return FileVersionPacked(path); }
};

}  // namespace orvex::autoupdate
