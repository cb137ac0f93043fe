// Program images for the device tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "ProgramHeader.h"

namespace orvex::test {

// A complete image with a correct header and checksum.
inline std::vector<uint8_t> ProgramImage(uint8_t kind, uint8_t subkind, uint16_t version, size_t size) {
  std::vector<uint8_t> image(size, 0);
  ProgramHeader h;
  std::memcpy(h.magic, kMagicMain, 6);
  h.kind = kind;
  h.subkind = subkind;
  h.valid_size = static_cast<uint32_t>(size);
  h.extended[0] = version;
  WriteProgramHeader(h, image.data());
  for (size_t i = kProgramHeaderSize; i < size; ++i) image[i] = static_cast<uint8_t>(i * 7 + 1);
  uint16_t sum = FileChecksum(image.data(), size);
  image[8] = static_cast<uint8_t>(sum);
  image[9] = static_cast<uint8_t>(sum >> 8);
  return image;
}

inline std::vector<uint8_t> ParameterFile(uint16_t version) {
  std::vector<uint8_t> body(kParameterImageSize);
  for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<uint8_t>(i % 251);
  std::vector<uint8_t> file(kParameterFileSize);
  WriteParameterFileImage(body.data(), 3, version, file.data());
  return file;
}

}  // namespace orvex::test
