#include "ProgramHeader.h"

#include <cstring>

#include "Format.h"

namespace orvex {

static uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
static void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

#define AT(field) offsetof(ProgramHeaderLayout, field)

bool ReadProgramHeader(const uint8_t* bytes, size_t count, ProgramHeader* out) {
  if (bytes == nullptr || count < kProgramHeaderSize) return false;
  ProgramHeader h;
  std::memcpy(h.magic, bytes + AT(magic), sizeof h.magic);
  h.kind = bytes[AT(kind)];
  h.subkind = bytes[AT(subkind)];
  h.checksum = Get16(bytes + AT(checksum));
  const uint8_t* valid = bytes + AT(valid_size);
  h.valid_size = static_cast<uint32_t>(valid[0]) | (static_cast<uint32_t>(valid[1]) << 8) |
                 (static_cast<uint32_t>(valid[2]) << 16);
  h.reserved13 = bytes[AT(reserved13)];
  h.reserved14 = Get16(bytes + AT(reserved14));
  for (int i = 0; i < 8; ++i) h.extended[i] = Get16(bytes + AT(extended) + 2 * i);
  *out = h;
  return true;
}

void WriteProgramHeader(const ProgramHeader& h, uint8_t* out) {
  std::memcpy(out + AT(magic), h.magic, sizeof h.magic);
  out[AT(kind)] = h.kind;
  out[AT(subkind)] = h.subkind;
  Put16(out + AT(checksum), h.checksum);
  uint8_t* valid = out + AT(valid_size);
  valid[0] = static_cast<uint8_t>(h.valid_size);
  valid[1] = static_cast<uint8_t>(h.valid_size >> 8);
  valid[2] = static_cast<uint8_t>(h.valid_size >> 16);
  out[AT(reserved13)] = h.reserved13;
  Put16(out + AT(reserved14), h.reserved14);
  for (int i = 0; i < 8; ++i) Put16(out + AT(extended) + 2 * i, h.extended[i]);
}

#undef AT

uint16_t ProgramChecksum(const uint8_t* bytes, size_t length) {
  uint32_t sum = 0;
  size_t i = 0;
  for (; i + 1 < length; i += 2) sum += Get16(bytes + i);
  if (i < length) sum += bytes[i];
  return static_cast<uint16_t>(~sum);
}

uint16_t FileChecksum(const uint8_t* file, size_t valid_size) {
  return valid_size > 10 ? ProgramChecksum(file + 10, valid_size - 10) : ProgramChecksum(file, 0);
}

bool CheckParameterToolHeader(const uint8_t* bytes, size_t count) {
  ProgramHeader h;
  if (!ReadProgramHeader(bytes, count, &h)) return false;
  if (!h.HasMagic(kMagicMain)) return false;
  if (h.valid_size > count) return false;
  return FileChecksum(bytes, h.valid_size) == h.checksum;
}

void WriteParameterFileImage(const uint8_t* body, uint8_t class_byte, uint16_t version, uint8_t* file) {
  std::memset(file, 0, kProgramHeaderSize);
  std::memcpy(file, kMagicMain, 6);
  file[6] = kKindParameterFile;
  file[7] = class_byte;
  const uint32_t size = kParameterFileSize;
  for (int i = 0; i < 4; ++i) file[10 + i] = static_cast<uint8_t>(size >> (8 * i));
  Put16(file + 16, version);
  std::memcpy(file + kProgramHeaderSize, body, kParameterImageSize);
  Put16(file + 8, FileChecksum(file, kParameterFileSize));
}

std::string VersionWordText(uint16_t version) {
  return Format("%d.%03X", version >> 12, version & 0x0FFF);
}

std::string ExtendedInfoText(const uint16_t e[8]) {
  return Format("%04X %04X %04X %04X  %04X %04X %04X %04X", e[0], e[1], e[2], e[3], e[4], e[5], e[6], e[7]);
}

const char* ProgramKindName(uint8_t kind) {
  switch (kind) {
    case 0x00: return "MC-CPU";
    case 0x01: return "MC-DSP";
    case 0x02: return "MC-DSP";
    case 0x11: return "INS64-DSP1";
    case 0x12: return "INS64-DSP2";
    case 0x13: return "INS64-DSP3";
    case 0x90: return "MC音声ﾃﾞｰﾀ";
    case 0x91: return "MCﾊﾟﾗﾒｰﾀ";
    case 0x92: return "MC静止画ﾃﾞｰﾀ";
    default: return nullptr;
  }
}

const char* ProgramSubKindName(uint8_t kind, uint8_t sub) {
  if (kind == 0x10) {
    switch (sub) {
      case 0x00: return "INS64-CPU";
      case 0x20: return "INS1500-CPU";
      case 0x21: return "INS1500-DSP";
      case 0x30: return "INS64U-CPU";
      case 0x31: return "INS64U-DSP";
      case 0x32: return "INS64ST/U-CPU";
      case 0x33: return "INS64ST/U-DSP";
      default: return nullptr;
    }
  }
  if (kind == 0x20) {
    switch (sub) {
      case 0x40: return "PV-CPU";
      case 0x41: return "PV-DSP";
      default: return nullptr;
    }
  }
  return nullptr;
}

std::string StoredProgramName(const uint8_t* area, size_t count) {
  std::string name;
  for (size_t group = 0; group * 4 < count && name.size() < 18; ++group) {
    for (size_t k = 0; k < 2 && name.size() < 18; ++k) {
      size_t at = group * 4 + k;
      if (at >= count || area[at] == 0) return name;
      name += static_cast<char>(area[at]);
    }
  }
  return name;
}

std::string ProgramKindText(uint8_t kind, uint8_t sub, std::string_view stored_name) {
  std::string text;
  if (kind == 0x10 || kind == 0x20) {
    if (const char* board = ProgramSubKindName(kind, sub)) text = Format("%s (%02X)", board, sub);
  } else if (const char* name = ProgramKindName(kind)) {
    text = Format("%s (%02X)", name, sub);
  } else if ((kind & 0xF0) == 0x30) {
    text = Format("%.*s (%02X)", static_cast<int>(stored_name.size()), stored_name.data(), sub);
  }
  if (text.empty()) text = Format("unknown(%02X,%02X)", kind, sub);
  return text;
}

uint8_t ProgramTargetCode(uint8_t kind, uint8_t sub) {
  if (kind == 0x10) {
    switch (sub) {
      case 0x00: return 0;
      case 0x30: return 1;
      case 0x31: return 2;
      case 0x20: return 3;
      case 0x21: return 4;
      case 0x32: return 7;
      case 0x33: return 8;
      default: break;
    }
  } else if (kind == 0x20) {
    if (sub == 0x40) return 5;
    if (sub == 0x41) return 6;
  }
  return sub;
}

}  // namespace orvex
