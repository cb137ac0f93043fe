// Feeds arbitrary bytes to the header reader, the parameter tool's check and the list texts.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ProgramHeader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orvex::ProgramHeader h;
  if (orvex::ReadProgramHeader(data, size, &h)) {
    std::string name;
    if (size > 48) name = orvex::StoredProgramName(data + 48, size - 48);
    (void)orvex::ProgramKindText(h.kind, h.subkind, name);
    (void)orvex::ExtendedInfoText(h.extended);
    (void)orvex::VersionWordText(h.version());
    if (h.valid_size <= size) (void)orvex::FileChecksum(data, h.valid_size);
  }
  (void)orvex::CheckParameterToolHeader(data, size);
  return 0;
}
