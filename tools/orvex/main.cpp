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

void Fail(const std::string& text) { PrintTo(stderr, "orvex: " + text + "\n"); }

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
  std::string text = "usage: orvex [--encoding utf-8|cp932] <command> ...\n";
  for (const auto& f : Families()) text += std::string(f.usage) + "\n";
  PrintTo(to, text);
}

}  // namespace orvex::cli

int main(int argc, char** argv) {
  using namespace orvex::cli;
  Args args(argv + 1, argv + argc);
  if (!SetUpOutput(&args)) return kExitBadArguments;
  if (args.empty()) {
    PrintUsage(stderr);
    return kExitBadArguments;
  }
  std::string name = args[0];
  if (name == "help" || name == "--help" || name == "-h") {
    PrintUsage(stdout);
    return kExitOk;
  }
  for (const auto& f : Families()) {
    if (name == f.name) return f.run(Args(args.begin() + 1, args.end()));
  }
  Fail("unknown command '" + name + "' (try: orvex help)");
  return kExitBadArguments;
}
