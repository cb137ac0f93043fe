// orvex recovery: show OrvexRoll.recovery and whether OrvexRoll would offer a repair run from it.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "Command.h"
#include "Cp932Text.h"
#include "Format.h"
#include "RecoveryRecord.h"
#include "SystemErrorCodes.h"
#include "VersionText.h"
#ifdef _WIN32
#include "RecoveryFile.h"
#endif

namespace orvex::cli {
namespace {

using namespace orvex::autoupdate;

#ifdef _WIN32
using Probe = FileSystemFolderProbe;
#else
// The stored folder is a Windows path; here its backslashes are taken as slashes and the
// system's answers mapped onto the Windows errors OrvexRoll compares against.
struct Probe : FolderProbe {
  uint32_t OpenError(const std::string& path) override {
    std::string host;
    for (size_t i = 0; i < path.size(); i += CharLength(path, i)) {
      size_t n = CharLength(path, i);
      host.append(n == 1 && path[i] == '\\' ? std::string_view("/") : std::string_view(path).substr(i, n));
    }
    if (FILE* f = std::fopen(host.c_str(), "rb")) {
      std::fclose(f);
      return 0;
    }
    if (errno != ENOENT) return 5;  // access denied
    std::string folder = host.substr(0, host.rfind('/') + 1);
    struct stat st;
    return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? kErrorFileNotFound : kErrorPathNotFound;
  }
};
#endif

std::vector<std::string> ReasonLines(uint32_t reasons) {
  std::vector<std::string> lines;
  std::string text = RecoveryReasonText(reasons);
  size_t start = 0;
  for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) {
    lines.push_back(text.substr(start, nl - start));
  }
  return lines;
}

int RunShow(const Args& args) {
  std::string file;
  std::vector<std::string> given;
  if (!ParseFileArguments("recovery show", args, {"--json"}, &file, &given)) return kExitBadArguments;
  const bool json = HasFlag(given, "--json");
  std::vector<unsigned char> bytes;
  if (!ReadInputFile(file, &bytes)) return kExitFileError;
  RecoveryRecord record;
  if (!DecodeRecoveryRecord(bytes.data(), bytes.size(), &record)) {
    Fail(Format("%s: %zu bytes, a recovery record has %zu; OrvexRoll ignores it and starts afresh", file.c_str(),
                bytes.size(), kRecoveryRecordSize));
    return kExitInvalidImage;
  }
  const RecoveryRecord stored = record;
  Probe probe;
  RecoveryCheck check = CheckRecoveryRecord(&record, probe);
  std::vector<std::string> reasons = ReasonLines(check.reasons);
  std::string folder = RecoveryFolder(stored);
  if (json) {
    Print(
        "{\"file\": %s, \"size\": %zu, \"version\": %s, \"version_packed\": %u, \"failure_state\": %d, "
        "\"parameter_value\": %d, \"stage\": %d, \"resume_value\": %u, \"run_folder\": %s, \"probe_error\": %u, "
        "\"repair_offered\": %s, \"reasons\": %s, \"log\": %s}\n",
        JsonString(file).c_str(), bytes.size(), JsonString(VersionText(stored.version)).c_str(), stored.version,
        stored.failure_state, stored.parameter_value, stored.stage, stored.resume_value,
        JsonString(folder).c_str(), check.probe_error, check.repair_offered ? "true" : "false",
        JsonList(reasons).c_str(), JsonString(check.repair_offered ? RecoveryCheckText(record) : "").c_str());
  } else {
    Print("file:            %s (%zu bytes%s)\n", file.c_str(), bytes.size(),
                bytes.size() > kRecoveryRecordSize ? ", the first 1056 are read" : "");
    Print("version:         %s\n", VersionText(stored.version).c_str());
    Print("failure state:   %d (%Xh)\n", stored.failure_state, static_cast<unsigned>(stored.failure_state));
    Print("parameter value: %d\n", stored.parameter_value);
    Print("stage:           %d\n", stored.stage);
    Print("resume value:    0x%08X\n", stored.resume_value);
    Print("run folder:      %s\n", folder.c_str());
    Print("repair offered:  %s\n", check.repair_offered ? "yes" : "no");
    for (const std::string& r : reasons) Print("  because: %s\n", r.c_str());
    if (check.repair_offered) Print("%s\n", RecoveryCheckText(record).c_str());
  }
  return kExitOk;
}

int RunRecovery(const Args& args) {
  if (!args.empty() && args[0] == "show") return RunShow(Args(args.begin() + 1, args.end()));
  Fail("recovery: use 'recovery show FILE [--json]'");
  return kExitBadArguments;
}

CommandRegistrar reg({"recovery",
                      "  recovery show FILE [--json]\n"
                      "                             a recovery record and whether OrvexRoll offers a repair from it",
                      RunRecovery});

}  // namespace
}  // namespace orvex::cli
