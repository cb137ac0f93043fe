// Loads a parameter definition file (code page 932 text) into a ParameterDefinition.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "FileSystem.h"
#include "ParameterDefinition.h"
#include "ValueCodec.h"

namespace orvex {

enum DefinitionLoadResult : int {
  kDefinitionLoaded = 0,
  kDefinitionOutOfMemory = 1,
  kDefinitionOpenFailed = 2,
  kDefinitionReadFailed = 3,  // a read error other than the end of the file
};

struct DefinitionLoad {
  int result = kDefinitionOpenFailed;
  std::unique_ptr<ParameterDefinition> definition;  // only when result is 0
  int valid_items = 0;   // item lines whose initial value could be stored
  int system_error = 0;  // with results 2 and 3
};

// What the loader skipped or could not use, line by line, for the engineers' check. Reporting
// changes nothing of the loader's result.
enum class DefinitionNoteKind {
  kUnknownHeader,          // text: the keyword
  kBlockNumberOutOfRange,  // number: the block number
  kTableNumberOutOfRange,  // number: the table number
  kTableReused,            // number: the table number; the table goes on
  kTagOutsideTable,
  kZeroOutsideTable,
  kItemOutsideTag,
  kInvalidItem,            // fault and item; text: the kind column
  kMissingTable,           // number: the block; the line of its header
  kEndOfFileMark,          // a Ctrl-Z ended the file early
};

struct DefinitionNote {
  int line = 0;
  DefinitionNoteKind kind = DefinitionNoteKind::kUnknownHeader;
  ItemFault fault = ItemFault::kNone;
  std::string_view text;
  const ParameterItem* item = nullptr;
  int number = 0;
};

class DefinitionDiagnostics {
 public:
  virtual ~DefinitionDiagnostics() = default;
  // The note's text and item are only valid during the call.
  virtual void Note(const DefinitionNote& note) = 0;
};

// One line of English for the engineers, without the line number.
std::string DefinitionNoteText(const DefinitionNote& note);

DefinitionLoad LoadDefinition(const std::string& path, DefinitionDiagnostics* diagnostics = nullptr,
                              FileSystem& file_system = PlatformFileSystem());
DefinitionLoad LoadDefinitionFromMemory(std::string_view bytes, DefinitionDiagnostics* diagnostics = nullptr);
DefinitionLoad LoadDefinitionFrom(InputFile& file, DefinitionDiagnostics* diagnostics = nullptr);

// The start-up message for a failed load (results 1..3), nullptr for 0. The caller appends
// kDefinitionUnusableText.
const char* DefinitionLoadFailureText(int result);
constexpr char kDefinitionUnusableText[] = "\n\nパラメータ内容の表示／編集は出来ません。";

}  // namespace orvex
