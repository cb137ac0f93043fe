#include "Output.h"

#include <cstdarg>

#include "Cp932Unicode.h"

#ifndef _WIN32
#include <langinfo.h>
#include <locale.h>
#endif

namespace orvex::cli {

namespace {

struct StreamSetup {
  TextEncoding encoding = TextEncoding::kCp932;
  bool json = false;
};

StreamSetup g_stdout;
StreamSetup g_stderr;

// The bytes for a stream that is no console: a JSON document is UTF-8 already.
std::string EncodeForStream(std::string_view text, TextEncoding encoding, bool json) {
  if (json || encoding == TextEncoding::kCp932) return std::string(text);
  return Cp932ToUtf8(text);
}

}  // namespace

TextEncoding ChooseTextEncoding(std::string_view forced, bool console, bool utf8_locale) {
  if (forced == "utf-8") return TextEncoding::kUtf8;
  if (forced == "cp932") return TextEncoding::kCp932;
  if (console) return TextEncoding::kConsole;
  return utf8_locale ? TextEncoding::kUtf8 : TextEncoding::kCp932;
}

bool SetUpOutput(std::vector<std::string>* args) {
  std::string forced;
  bool json = false;
  for (size_t i = 0; i < args->size();) {
    const std::string& a = (*args)[i];
    if (a == "--encoding") {
      if (i + 1 >= args->size() || ((*args)[i + 1] != "utf-8" && (*args)[i + 1] != "cp932")) {
        // Said in plain ASCII: nothing is set up yet.
        std::fprintf(stderr, "orvex: --encoding takes utf-8 or cp932\n");
        return false;
      }
      forced = (*args)[i + 1];
      args->erase(args->begin() + static_cast<std::ptrdiff_t>(i), args->begin() + static_cast<std::ptrdiff_t>(i + 2));
      continue;
    }
    json = json || a == "--json";
    ++i;
  }
  const bool utf8_locale = forced.empty() && LocaleIsUtf8();
  g_stdout = {ChooseTextEncoding(forced, StreamIsConsole(stdout), utf8_locale), json};
  g_stderr = {ChooseTextEncoding(forced, StreamIsConsole(stderr), utf8_locale), false};
  return true;
}

void PrintTo(FILE* stream, std::string_view text) {
  const StreamSetup& setup = stream == stderr ? g_stderr : g_stdout;
  if (setup.encoding == TextEncoding::kConsole) {
    std::fflush(stream);
    if (WriteConsoleText(stream, setup.json ? Utf8ToUtf16(text) : Cp932ToUtf16(text))) return;
  }
  std::string bytes = EncodeForStream(text, setup.encoding, setup.json);
  std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

void Print(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = FormatArgs(format, args);
  va_end(args);
  PrintTo(stdout, text);
}

#ifndef _WIN32
bool StreamIsConsole(FILE*) {
  return false;
}

bool LocaleIsUtf8() {
  // Asked once, and the C locale restored: the texts are bytes, and printf must not depend on it.
  const char* set = setlocale(LC_CTYPE, "");
  bool utf8 = false;
  if (set != nullptr) {
    std::string codeset = nl_langinfo(CODESET);
    utf8 = codeset == "UTF-8" || codeset == "utf-8" || codeset == "utf8";
  }
  setlocale(LC_CTYPE, "C");
  return utf8;
}

bool WriteConsoleText(FILE*, const std::u16string&) {
  return false;
}
#endif

}  // namespace orvex::cli
