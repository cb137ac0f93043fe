// Where OrvexSet finds its files: the definition path file OrvexSet.ini (two lines: the parameter
// definition file and the parameter save file), the definition file itself with its fallback to
// the documents folder, the help file beside the program, and the backup name of an installed
// definition file. Portable; paths are code page 932 texts.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "DefinitionLoader.h"

namespace orvex {

constexpr char kDefaultDefinitionName[] = "Cti_par.txt";
constexpr char kDefaultSaveFileName[] = "MCPARA.prg";
// Each line of the definition path file is read with at most this many bytes; the rest of a
// longer line is read as the next line.
constexpr size_t kDefinitionPathLineLimit = 254;

struct DefinitionPathNames {
  std::string definition = kDefaultDefinitionName;
  std::string save_file = kDefaultSaveFileName;
};

// The two lines, each cut at its first LF or CR and trimmed of blanks; a missing or empty line
// keeps its default. The bytes are read as a text-mode file (CR LF is one line end, Ctrl-Z ends it).
DefinitionPathNames ParseDefinitionPathFile(std::string_view bytes);
// What a missing definition path file is created with: the two default lines.
std::string DefaultDefinitionPathFileText();

// A name without any folder or drive part.
bool IsBareFileName(std::string_view name);

// The definition path file's full path: a name that is not a full path lies in the program folder.
std::string DefinitionPathFilePath(std::string_view program_folder, std::string_view name);

// The path with the extension of its file name replaced (".old", ".chm"); a name without one gets
// it appended. Dots in folder names are not extensions.
std::string ReplaceExtension(std::string_view path, std::string_view extension);

// Paths compared as Windows does for the same file: ASCII letters in either case.
bool SamePath(std::string_view a, std::string_view b);

// The start-up load of the definition file. A bare name is taken from the program folder; when
// that file does not exist and the documents folder (given only when it exists) is there, the
// definition name and a bare save file name move to the documents folder and the load is tried
// once more. On success a save file name still bare is placed in the program folder.
struct StartupDefinition {
  std::string definition_path;
  std::string save_file_path;
  bool from_documents = false;
  DefinitionLoad load;
};
using DefinitionLoader = std::function<DefinitionLoad(const std::string& path)>;
StartupDefinition LoadStartupDefinition(const DefinitionPathNames& names, std::string_view program_folder,
                                        std::string_view documents_folder, const DefinitionLoader& load);

}  // namespace orvex
