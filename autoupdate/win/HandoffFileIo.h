// Writing the hand-off files in OrvexRoll and reading them in the children.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "HandoffFile.h"

namespace orvex::autoupdate {

struct HandoffWriteResult {
  int count = -1;            // file lines listed, or -1
  std::string path;          // run folder + file name
  std::string failure_text;  // for the log (code 2) when count is -1
  uint32_t error = 0;
};

// Builds the whole text and writes it with one write into a file created anew (exclusive access,
// normal attributes, sequential scan); a short write is a failure.
HandoffWriteResult WriteAutoParaFile(const UpdateInfo& info, const HandoffFolders& folders);
HandoffWriteResult WriteAutoVerUpFile(const UpdateInfo& info, const HandoffFolders& folders,
                                      const VersionUpdateStart& start);

// The children's readers: the number of definition (program) files read, or -1 after reporting
// the failure through `sink`. OrvexSet reports an empty path as an open failure with error 8;
// OrvexFlash returns -1 for it silently.
int ReadAutoParaFile(std::string_view path, std::string_view program_path, AutoParaContent* out, ReportSink* sink);
int ReadAutoVerUpFile(std::string_view path, std::string_view program_path, AutoVerUpContent* out,
                      ReportSink* sink);

}  // namespace orvex::autoupdate
