#include <cerrno>
#include <cstdio>
#include <cstring>

#include "Command.h"
#include "Cp932Text.h"

namespace orvex::cli {

static std::vector<CommandFamily>& Registry() {
  static std::vector<CommandFamily> families;
  return families;
}

CommandRegistrar::CommandRegistrar(const CommandFamily& family) { Registry().push_back(family); }

const std::vector<CommandFamily>& Families() { return Registry(); }

void Fail(const std::string& text) { std::fprintf(stderr, "orvex: %s\n", text.c_str()); }

bool ReadWholeFile(const std::string& path, std::vector<unsigned char>* bytes, std::string* error) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  bytes->clear();
  unsigned char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes->insert(bytes->end(), buf, buf + n);
  bool ok = !std::ferror(f);
  if (!ok) *error = path + ": read error";
  std::fclose(f);
  return ok;
}

bool ReadInputFile(const std::string& path, std::vector<unsigned char>* bytes) {
  std::string error;
  if (ReadWholeFile(path, bytes, &error)) return true;
  Fail(error);
  return false;
}

bool WriteWholeFile(const std::string& path, const std::vector<unsigned char>& bytes, std::string* error) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    *error = path + ": " + std::strerror(errno);
    return false;
  }
  bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = (std::fclose(f) == 0) && ok;
  if (!ok) *error = path + ": write error";
  return ok;
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size(); ++i) {
    // A double-byte character goes out whole: its trail byte may look like a backslash.
    if (i + 1 < text.size() && IsValidPair(static_cast<unsigned char>(text[i]), static_cast<unsigned char>(text[i + 1]))) {
      out.append(text, i, 2);
      ++i;
      continue;
    }
    const unsigned char c = static_cast<unsigned char>(text[i]);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char esc[8];
          std::snprintf(esc, sizeof esc, "\\u%04x", c);
          out += esc;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string JsonList(const std::vector<std::string>& list) {
  std::string out = "[";
  for (size_t i = 0; i < list.size(); ++i) out += (i ? ", " : "") + JsonString(list[i]);
  return out + "]";
}

bool ParseFileArguments(const char* command, const Args& args, const std::vector<std::string>& flags,
                        std::string* file, std::vector<std::string>* given) {
  file->clear();
  for (const std::string& a : args) {
    bool is_flag = false;
    for (const auto& f : flags) is_flag = is_flag || a == f;
    if (is_flag) {
      given->push_back(a);
    } else if (file->empty() && !a.empty() && a[0] != '-') {
      *file = a;
    } else {
      Fail(std::string(command) + ": unexpected argument '" + a + "'");
      return false;
    }
  }
  if (file->empty()) {
    Fail(std::string(command) + ": FILE is required");
    return false;
  }
  return true;
}

static void PrintUsage(FILE* to) {
  std::fprintf(to, "usage: orvex <command> ...\n");
  for (const auto& f : Families()) std::fprintf(to, "%s\n", f.usage);
}

}  // namespace orvex::cli

int main(int argc, char** argv) {
  using namespace orvex::cli;
  if (argc < 2) {
    PrintUsage(stderr);
    return kExitBadArguments;
  }
  std::string name = argv[1];
  if (name == "help" || name == "--help" || name == "-h") {
    PrintUsage(stdout);
    return kExitOk;
  }
  for (const auto& f : Families()) {
    if (name == f.name) return f.run(Args(argv + 2, argv + argc));
  }
  Fail("unknown command '" + name + "' (try: orvex help)");
  return kExitBadArguments;
}
