// The 32-byte header at the start of every .prg file (program images and parameter save
// files), its checksum, the kind tables and the texts the lists show.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orvex {

constexpr size_t kProgramHeaderSize = 32;
constexpr uint8_t kKindParameterFile = 0x91;
constexpr size_t kParameterImageSize = 15420;
constexpr size_t kParameterFileSize = kProgramHeaderSize + kParameterImageSize;  // 15452
constexpr char kMagicMain[] = "KV4100";
constexpr char kMagicSecond[] = "PV4100";

// The header as it lies in the file (little-endian); ProgramHeader below is its decoded form.
#pragma pack(push, 1)
struct ProgramHeaderLayout {
  char magic[6];
  uint8_t kind;
  uint8_t subkind;
  uint16_t checksum;
  uint8_t valid_size[3];
  uint8_t reserved13;
  uint16_t reserved14;
  uint16_t extended[8];
};
#pragma pack(pop)
static_assert(sizeof(ProgramHeaderLayout) == kProgramHeaderSize);
static_assert(offsetof(ProgramHeaderLayout, kind) == 6 && offsetof(ProgramHeaderLayout, subkind) == 7 &&
              offsetof(ProgramHeaderLayout, checksum) == 8 && offsetof(ProgramHeaderLayout, valid_size) == 10 &&
              offsetof(ProgramHeaderLayout, reserved13) == 13 && offsetof(ProgramHeaderLayout, reserved14) == 14 &&
              offsetof(ProgramHeaderLayout, extended) == 16);

struct ProgramHeader {
  char magic[6] = {};
  uint8_t kind = 0;
  uint8_t subkind = 0;        // board for kinds 0x10/0x20; class byte in parameter save files
  uint16_t checksum = 0;
  uint32_t valid_size = 0;    // 24 bits on file
  uint8_t reserved13 = 0;
  uint16_t reserved14 = 0;
  uint16_t extended[8] = {};  // extended[0] is the version word

  uint16_t version() const { return extended[0]; }
  std::string_view Magic() const { return std::string_view(magic, sizeof magic); }
  bool HasMagic(std::string_view m) const { return Magic() == m; }
};

// Reads the header from the first 32 bytes; false when fewer bytes are given.
bool ReadProgramHeader(const uint8_t* bytes, size_t count, ProgramHeader* out);
// Writes the 32 header bytes (valid size as 24 bits plus the byte at offset 13).
void WriteProgramHeader(const ProgramHeader& header, uint8_t* out32);

// 16-bit little-endian words summed into 32 bits, a single last byte added alone, complemented.
uint16_t ProgramChecksum(const uint8_t* bytes, size_t length);
// The checksum a file should carry: over offsets 10 .. valid_size - 1 (0 bytes when shorter).
uint16_t FileChecksum(const uint8_t* file, size_t valid_size);

// The parameter setting tool's header check (it adds kind and size checks of its own).
bool CheckParameterToolHeader(const uint8_t* bytes, size_t count);

// Builds a complete 15452-byte parameter save file from a 15420-byte body.
void WriteParameterFileImage(const uint8_t* body, uint8_t class_byte, uint16_t version, uint8_t* file_out);

// "%d.%03X" of a version word: 0x1025 -> "1.025", 0xF123 -> "15.123".
std::string VersionWordText(uint16_t version);
// The eight extended words as "%04X", one blank between, two after the fourth.
std::string ExtendedInfoText(const uint16_t extended[8]);

// Name of a kind from the kind table, or nullptr (also for 0x10/0x20/0x30-0x3F, which take
// their names from elsewhere).
const char* ProgramKindName(uint8_t kind);
// Board name of a sub-kind of kind 0x10 or 0x20, or nullptr.
const char* ProgramSubKindName(uint8_t kind, uint8_t subkind);
// Name stored in files of kinds 0x30-0x3F, from the bytes at file offset 48 onwards: the first
// two bytes of every four-byte group, up to 18 characters, up to the first NUL.
std::string StoredProgramName(const uint8_t* area, size_t count);
// The text of the update list's kind column.
std::string ProgramKindText(uint8_t kind, uint8_t subkind, std::string_view stored_name);

// The target code the device channel announces for a kind and sub-kind.
uint8_t ProgramTargetCode(uint8_t kind, uint8_t subkind);

}  // namespace orvex
