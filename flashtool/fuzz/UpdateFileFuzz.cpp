// The start of an update file as the list reads it: header, stored name, row texts and filter.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <cstring>

#include "FileListRules.h"

using namespace orvex;
using namespace orvex::flash;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ProgramHeader header;
  if (!ReadProgramHeader(data, size, &header)) return 0;
  uint8_t area[kStoredNameArea] = {};
  if (size > kStoredNameOffset) std::memcpy(area, data + kStoredNameOffset, std::min(size - kStoredNameOffset, sizeof area));
  std::string name = NeedsStoredName(header.kind) ? StoredProgramName(area, sizeof area) : std::string();
  FileRow row = BuildFileRow("fuzz.prg", header, name, size, {2024, 1, 1, 0, 0, 0});
  for (int device_class = -1; device_class <= 7; ++device_class) (void)FileListed(header, device_class);
  (void)row;
  // The extension dialog and a handed-over path read the same bytes as text.
  std::string_view text(reinterpret_cast<const char*>(data), size);
  (void)NormalizeExtension(text);
  SplitPath split = SplitFilePath(text);
  (void)SearchPattern(split.folder, split.extension);
  return 0;
}
