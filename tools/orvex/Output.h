// The one way orvex's output reaches its reader. Commands print the suite's code page 932 texts;
// this layer converts them for the reader:
// - JSON (any command given --json) is UTF-8, as JSON readers require: the strings in it are
//   converted by JsonString, and the layer writes the document as it is (to a console: as wide
//   characters).
// - Plain text goes to a Windows console as wide characters, to a UTF-8 locale's terminal or
//   pipe as UTF-8, and elsewhere as code page 932, the encoding of the suite's own files.
//   --encoding utf-8|cp932 forces either.
// Files that commands write (prg make, def new, ini template) do not pass through here.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "Format.h"
#include "JsonText.h"

namespace orvex::cli {

enum class TextEncoding { kCp932, kUtf8, kConsole };

// The plain-text encoding: `forced` is the --encoding value ("" when not given); a console wins
// over the locale.
TextEncoding ChooseTextEncoding(std::string_view forced, bool console, bool utf8_locale);

// Takes "--encoding VALUE" out of the arguments (anywhere after the program name) and sets the
// layer up for stdout and stderr; "--json" anywhere switches stdout to JSON. False, with the
// message printed, for an unknown encoding or a missing value.
bool SetUpOutput(std::vector<std::string>* args);

// printf into a code page 932 text, then out through the layer.
void Print(const char* format, ...) ORVEX_PRINTF(1, 2);
void PrintTo(FILE* stream, std::string_view text);

// Platform part (Output.cpp for POSIX hosts, win/ConsoleOutput.cpp for Windows).
bool StreamIsConsole(FILE* stream);
bool LocaleIsUtf8();
// Writes UTF-16 to a console stream; false when the console refuses it.
bool WriteConsoleText(FILE* stream, const std::u16string& text);

}  // namespace orvex::cli
