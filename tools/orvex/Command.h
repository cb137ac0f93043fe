// The orvex command line: each command family registers itself from its own file.
#pragma once

#include <string>
#include <vector>

#include "Output.h"

namespace orvex::cli {

// Exit codes shared by every command.
enum ExitCode {
  kExitOk = 0,
  kExitBadArguments = 1,
  kExitFileError = 2,
  kExitInvalidImage = 3,
};

using Args = std::vector<std::string>;
using CommandFunction = int (*)(const Args& args);  // args after the family name

struct CommandFamily {
  const char* name;   // "prg", "def", ...
  const char* usage;  // one or more lines shown by `orvex help`
  CommandFunction run;
};

// Registers a family at static initialisation; the files are linked into the program directly.
struct CommandRegistrar {
  explicit CommandRegistrar(const CommandFamily& family);
};

const std::vector<CommandFamily>& Families();

// One short line on stderr, "orvex: <text>", through the output layer.
void Fail(const std::string& text);

// Reads a whole file; false (and errno-based text in *error) when it cannot be read.
bool ReadWholeFile(const std::string& path, std::vector<unsigned char>* bytes, std::string* error);
// ReadWholeFile for a command's input: a failure is printed as the one error line.
bool ReadInputFile(const std::string& path, std::vector<unsigned char>* bytes);
bool WriteWholeFile(const std::string& path, const std::vector<unsigned char>& bytes, std::string* error);

// The arguments of a "show"-like command: exactly one FILE and any of the given flags. On
// anything else prints one line naming `command` and returns false.
bool ParseFileArguments(const char* command, const Args& args, const std::vector<std::string>& flags,
                        std::string* file, std::vector<std::string>* given);
inline bool HasFlag(const std::vector<std::string>& given, const char* flag) {
  for (const auto& g : given) {
    if (g == flag) return true;
  }
  return false;
}

}  // namespace orvex::cli
