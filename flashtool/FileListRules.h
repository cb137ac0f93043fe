// The update file list's decisions: which files fit the attached device, what each row shows, the
// folder and extension the list searches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ProgramHeader.h"

namespace orvex::flash {

constexpr char kDefaultExtension[] = "prg";

struct ListColumn {
  const char* heading;
  int width;  // in average characters of the dialog font
  bool right_aligned;
};

constexpr int kFileColumnCount = 6;
constexpr ListColumn kFileColumns[kFileColumnCount] = {
    {"ﾌｧｲﾙ名", 18, false},   {"ﾌｧｲﾙ種別(製品)", 21, false},      {"ﾊﾞｰｼﾞｮﾝ番号", 11, true},
    {"ﾌｧｲﾙ･ｻｲｽﾞ (有効ｻｲｽﾞ)", 20, true}, {"更新日時", 16, false}, {"拡張情報", 39, false},
};

// What decides the list filter. The main board's word is the second version word its channel
// reported (record offset 20); 0 until it has.
struct DeviceClassInput {
  bool attached = false;
  uint16_t main_word = 0;
  bool automatic = false;
  bool filter_on = true;
  int32_t first_stage = 1;      // automatic mode
  bool stage_started = false;   // automatic mode: the sequencer has set a stage
};

// 0 shows every main-family file; 1 and 2 are board generations, -1 a board beyond them.
int DeviceClass(const DeviceClassInput& input);

// Whether a file with this header belongs in the list for the device class.
bool FileListed(const ProgramHeader& header, int device_class);

// Item data of a row: kind in bits 0-7, sub-kind in bits 8-15, version word in bits 16-31.
inline uint32_t FileItemData(uint8_t kind, uint8_t subkind, uint16_t version) {
  return kind | (static_cast<uint32_t>(subkind) << 8) | (static_cast<uint32_t>(version) << 16);
}
inline uint8_t ItemKind(uint32_t data) { return static_cast<uint8_t>(data); }
inline uint8_t ItemSubKind(uint32_t data) { return static_cast<uint8_t>(data >> 8); }
inline uint16_t ItemVersion(uint32_t data) { return static_cast<uint16_t>(data >> 16); }

// What a file gives the list: its header and, for kinds 0x30-0x3F, the bytes from offset 48
// (42 of them, zero where the file ends).
constexpr size_t kStoredNameOffset = 48;
constexpr size_t kStoredNameArea = 42;
inline bool NeedsStoredName(uint8_t kind) { return (kind & 0xF0) == 0x30; }

struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

struct FileRow {
  std::string cells[kFileColumnCount];
  uint32_t item_data = 0;
};

FileRow BuildFileRow(std::string_view name, const ProgramHeader& header, std::string_view stored_name,
                     uint64_t file_size, const LocalTime& written);

// "folder\*.ext" as the folder field shows it; a folder ending in a double-byte character whose
// second byte is 0x5C still gets its backslash.
std::string SearchPattern(std::string_view folder, std::string_view extension);

// The extension dialog's text as the list takes it: blanks gone at both ends, the first '.'
// removed, "prg" when nothing is left.
std::string NormalizeExtension(std::string_view text);

// A handed-over file path taken apart: folder up to and including the last backslash (empty
// when there is none), the name, and the extension after the name's last '.' (empty without).
struct SplitPath {
  std::string folder;
  std::string name;
  std::string extension;
};
SplitPath SplitFilePath(std::string_view path);

// Whether two folder texts name the same folder (case and one trailing backslash aside).
bool SameFolder(std::string_view a, std::string_view b);

}  // namespace orvex::flash
