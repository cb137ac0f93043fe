#include "DefinitionLocation.h"

#include "Cp932Text.h"
#include "PathText.h"

namespace orvex {
namespace {

// The system's codes for a file or its folder that does not exist (ENOENT is 2 as well).
constexpr int kFileNotFound = 2;
constexpr int kPathNotFound = 3;

bool IsFullPath(std::string_view path) {
  return FindChar(path, ':') != kNotFound || (path.size() >= 2 && path[0] == '\\' && path[1] == '\\');
}

std::string InFolderWhenBare(std::string_view folder, const std::string& name) {
  return IsBareFileName(name) ? JoinPath(folder, name) : name;
}

}  // namespace

DefinitionPathNames ParseDefinitionPathFile(std::string_view bytes) {
  DefinitionPathNames names;
  std::string* targets[2] = {&names.definition, &names.save_file};
  size_t pos = 0;
  for (std::string* target : targets) {
    if (pos >= bytes.size()) break;
    // One read of the line buffer: up to the LF (text mode turns CR LF into LF) or the limit.
    std::string piece;
    while (pos < bytes.size() && piece.size() < kDefinitionPathLineLimit) {
      char c = bytes[pos];
      if (c == 0x1A) {  // Ctrl-Z ends a text-mode file
        pos = bytes.size();
        break;
      }
      ++pos;
      if (c == '\r' && pos < bytes.size() && bytes[pos] == '\n') continue;
      piece += c;
      if (c == '\n') break;
    }
    std::string_view line(piece.c_str());  // as a C string: up to a NUL
    size_t end = line.find_first_of("\r\n");
    if (end != std::string_view::npos) line = line.substr(0, end);
    line = TrimControl(line);
    if (!line.empty()) *target = std::string(line);
  }
  return names;
}

std::string DefaultDefinitionPathFileText() {
  return std::string(kDefaultDefinitionName) + "\r\n" + kDefaultSaveFileName + "\r\n";
}

bool IsBareFileName(std::string_view name) {
  return FindAnyChar(name, "\\/:") == kNotFound;
}

std::string DefinitionPathFilePath(std::string_view program_folder, std::string_view name) {
  if (IsFullPath(name)) return std::string(name);
  return JoinPath(program_folder, name);
}

std::string ReplaceExtension(std::string_view path, std::string_view extension) {
  const size_t name_start = path.size() - FileNamePart(path).size();
  const size_t dot = FindLastChar(path, '.');
  std::string out(path);
  if (dot != kNotFound && dot >= name_start) out.resize(dot);
  out += '.';
  out.append(extension);
  return out;
}

bool SamePath(std::string_view a, std::string_view b) {
  return EqualsNoCase(a, b);
}

StartupDefinition LoadStartupDefinition(const DefinitionPathNames& names, std::string_view program_folder,
                                        std::string_view documents_folder, const DefinitionLoader& load) {
  StartupDefinition result;
  result.definition_path = InFolderWhenBare(program_folder, names.definition);
  result.save_file_path = names.save_file;
  result.load = load(result.definition_path);
  const bool missing = result.load.result == kDefinitionOpenFailed &&
                       (result.load.system_error == kFileNotFound || result.load.system_error == kPathNotFound);
  if (missing && IsBareFileName(names.definition) && !documents_folder.empty()) {
    result.from_documents = true;
    result.definition_path = JoinPath(documents_folder, names.definition);
    result.save_file_path = InFolderWhenBare(documents_folder, names.save_file);
    result.load = load(result.definition_path);
  }
  if (result.load.result == kDefinitionLoaded)
    result.save_file_path = InFolderWhenBare(program_folder, result.save_file_path);
  return result;
}

}  // namespace orvex
