#include "FileListRules.h"

#include "Cp932Text.h"
#include "Format.h"
#include "NumberText.h"
#include "PathText.h"

namespace orvex::flash {

int DeviceClass(const DeviceClassInput& in) {
  if (!in.attached || (!in.automatic && !in.filter_on)) return 0;
  const uint16_t v = in.main_word;
  if (in.automatic) {
    if (in.first_stage != 1 && !in.stage_started) return 0;
    if (v > 0x7FFF) return -1;
    int generation = v >> 12;
    return generation == 0 ? 1 : generation;
  }
  if (v <= 0x1FFF) return 1;
  if (v <= 0x7FFF) return 2;
  if (v <= 0xDFFF) return 0;
  if (v <= 0xEFFF) return 1;
  return 0;
}

bool FileListed(const ProgramHeader& h, int device_class) {
  if (h.kind == 0x99 || (h.kind == 0x47 && h.subkind == 6)) return false;
  if (h.HasMagic(kMagicMain)) {
    if (h.kind == 0x00 || h.kind == 0x01) return device_class == 0 || device_class == 1;
    return true;
  }
  if (h.HasMagic(kMagicSecond)) return device_class != -1 && device_class != 1;
  return false;
}

FileRow BuildFileRow(std::string_view name, const ProgramHeader& h, std::string_view stored_name,
                     uint64_t file_size, const LocalTime& t) {
  FileRow row;
  row.cells[0] = std::string(name);
  row.cells[1] = ProgramKindText(h.kind, h.subkind, stored_name);
  row.cells[2] = VersionWordText(h.version());
  row.cells[3] = Format("%s (%9s)", DecimalWithSeparators(file_size).c_str(),
                        DecimalWithSeparators(h.valid_size).c_str());
  row.cells[4] = Format("%d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  row.cells[5] = ExtendedInfoText(h.extended);
  row.item_data = FileItemData(h.kind, h.subkind, h.version());
  return row;
}

std::string SearchPattern(std::string_view folder, std::string_view extension) {
  std::string out(folder);
  if (!EndsWithBackslash(out)) out += '\\';
  out += "*.";
  out += extension;
  return out;
}

std::string NormalizeExtension(std::string_view text) {
  std::string out(TrimControl(text));
  size_t dot = FindChar(out, '.');
  if (dot != kNotFound) out.erase(dot, 1);
  if (out.empty()) out = kDefaultExtension;
  return out;
}

SplitPath SplitFilePath(std::string_view path) {
  SplitPath out;
  size_t slash = FindLastChar(path, '\\');
  std::string_view name = path;
  if (slash != kNotFound) {
    out.folder = std::string(path.substr(0, slash + 1));
    name = path.substr(slash + 1);
  }
  out.name = std::string(name);
  size_t dot = FindLastChar(name, '.');
  if (dot != kNotFound) out.extension = std::string(name.substr(dot + 1));
  return out;
}

bool SameFolder(std::string_view a, std::string_view b) {
  if (EndsWithBackslash(a)) a.remove_suffix(1);
  if (EndsWithBackslash(b)) b.remove_suffix(1);
  return EqualsNoCase(a, b);
}

}  // namespace orvex::flash
