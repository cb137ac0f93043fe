// The hand-off definition files that OrvexRoll writes into the run folder for its children:
// AutoPara.def for OrvexSet and AutoVerUp.def for OrvexFlash. Lines end in CR LF, text is code
// page 932; the children read them line by line into fixed buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ChildReport.h"
#include "UpdateInfo.h"

namespace orvex::autoupdate {

constexpr char kAutoParaFileName[] = "AutoPara.def";
constexpr char kAutoVerUpFileName[] = "AutoVerUp.def";
constexpr char kParameterSaveFileName[] = "MCPARA.prg";

// The children's line buffers; a longer line would be read as several lines.
constexpr size_t kAutoParaLineBuffer = 2048;
constexpr size_t kAutoVerUpLineBuffer = 388;

enum class HandoffKind { kAutoPara, kAutoVerUp };

// The folders and model number both files carry.
struct HandoffFolders {
  int model = 0;
  std::string install_folder;    // may be empty
  std::string documents_folder;
  std::string run_folder;        // ends in '\'
};

// What AutoVerUp.def carries besides the update information.
struct VersionUpdateStart {
  int32_t stage = 1;          // 1 on a normal run
  uint32_t resume_value = 0;  // 0 on a normal run
  bool parameter_tool_present = false;  // line 7 names the parameter save file only then
};

// The whole text of a file and the number of file lines it lists (definition files or program
// files), or a refusal: a line that the child would read in pieces, or that holds a ';' the child
// would cut it at (or a control character), is not handed over (`refusal_error` then holds the
// Windows error to report: 206 for a line too long, 123 for a ';' or control character).
struct HandoffText {
  int count = -1;
  std::string text;
  uint32_t refusal_error = 0;
  std::string refused_line;
};

HandoffText BuildAutoParaText(const UpdateInfo& info, const HandoffFolders& folders);
HandoffText BuildAutoVerUpText(const UpdateInfo& info, const HandoffFolders& folders, const VersionUpdateStart& start);

// The writers' failure texts (logged with code 2). `error_text` is the system's text for `error`.
std::string HandoffCreateFailureText(HandoffKind kind, std::string_view path, uint32_t error,
                                     std::string_view error_text);
std::string HandoffWriteFailureText(HandoffKind kind, std::string_view path, uint32_t error);

// ---- Reading, in the children -------------------------------------------------------------------

// OrvexSet's view of AutoPara.def. Fields keep the values they had before reading when the file
// does not give them, so the caller sets its defaults first.
struct AutoParaContent {
  int model = -1;
  uint32_t wait_ms = 60000;
  int32_t retry_count = 0;
  int32_t fill_flag = 0;
  std::string install_folder;
  std::string documents_folder;
  std::string run_folder;
  std::string run_second_field;   // a '|' part of line 3 that OrvexRoll never writes
  std::string save_file_name;     // line 4, a leading '\' removed
  std::vector<std::string> definition_files;
};

// OrvexFlash's view of AutoVerUp.def, with OrvexFlash's defaults.
struct AutoVerUpContent {
  int model = 0;
  uint32_t wait_ms = 60000;
  int32_t retry_count = 0;
  int32_t force_flag = 0;
  int32_t first_stage = 1;
  uint32_t resume_value = 0;
  std::string install_folder;    // each folder with a trailing '\'
  std::string documents_folder;
  std::string run_folder;
  std::string fixed_slots[4];    // USB 1.1 main-controller files #0-#2, parameter save file
  std::vector<std::string> program_files;
};

// The lines a child sees: the file as a text-mode stream (CR LF read as LF, a Ctrl-Z ends it)
// read into a buffer of `buffer_size` bytes at a time, so a longer line comes in pieces; each
// piece is cut at its first LF (else its first CR), then at its first ';'.
std::vector<std::string> HandoffLines(std::string_view file_bytes, size_t buffer_size);

// The readers on the file's bytes. Paths without a drive are completed from `program_path`.
// Return the number of definition (program) files read, or -1; a failure is reported through
// `sink` as the tools do (OrvexSet also reports a file without any definition file line).
int ParseAutoPara(std::string_view file_bytes, std::string_view program_path, AutoParaContent* out, ReportSink* sink);
int ParseAutoVerUp(std::string_view file_bytes, std::string_view program_path, AutoVerUpContent* out,
                   ReportSink* sink);

// The readers' failure texts, reported with code 2 (code 3 for lack of memory).
std::string HandoffOpenFailureText(std::string_view path, uint32_t error, std::string_view error_text);
std::string HandoffReadFailureText(uint32_t error);
std::string HandoffMemoryText();

// Which file a name stands for, by its file name (any case); false when neither.
bool HandoffKindFromName(std::string_view path, HandoffKind* kind);

}  // namespace orvex::autoupdate
