// orvex ini: OrvexRoll's update information file — write its template, show it as OrvexRoll reads it.
#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Command.h"
#include "Cp932Text.h"
#include "Format.h"
#include "ModelNumber.h"
#include "PathText.h"
#include "UpdateInfo.h"
#include "VersionText.h"
#ifdef _WIN32
#include "UpdateInfoFile.h"
#endif

namespace orvex::cli {
namespace {

using namespace orvex::autoupdate;

#ifdef _WIN32
constexpr bool kVersionsRead = true;
using ToolProbe = FileSystemToolProbe;

std::string AbsolutePath(const std::string& path) {
  char* full = _fullpath(nullptr, path.c_str(), 0);
  if (!full) return path;
  std::string out(full);
  std::free(full);
  return out;
}
std::string FolderOf(const std::string& path) { return std::string(PathFolder(path)); }
#else
// Version resources are only read by orvex.exe; here a tool counts as present when the file exists.
constexpr bool kVersionsRead = false;

std::string HostPath(std::string_view path) {
  std::string out;
  for (size_t i = 0; i < path.size(); i += CharLength(path, i)) {
    size_t n = CharLength(path, i);
    out.append(n == 1 && path[i] == '\\' ? std::string_view("/") : path.substr(i, n));
  }
  return out;
}

struct ToolProbe : ToolFileProbe {
  bool FileExists(const std::string& path) override {
    struct stat st;
    return stat(HostPath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
  }
  uint32_t FileVersion(const std::string&) override { return 0; }
};

std::string AbsolutePath(const std::string& path) {
  char full[PATH_MAX];
  return realpath(path.c_str(), full) ? std::string(full) : path;
}
std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}
#endif

const char* AvailabilityName(ToolAvailability a) {
  switch (a) {
    case kToolPresent: return "present";
    case kToolMissing: return "missing";
    default: return "not configured";
  }
}

std::string JsonTool(const ToolCheck& t) {
  return Format("{\"availability\": %s, \"state\": %d, \"path\": %s, \"version\": %s, \"version_read\": %s}",
                JsonString(AvailabilityName(t.availability)).c_str(), static_cast<int>(t.availability),
                JsonString(t.path).c_str(), JsonString(VersionText(t.version)).c_str(),
                kVersionsRead ? "true" : "false");
}

std::string ToolLine(const ToolCheck& t) {
  if (t.availability == kToolNotConfigured) return "not configured";
  std::string line = Format("%s '%s'", AvailabilityName(t.availability), t.path.c_str());
  if (t.availability == kToolPresent) {
    line += kVersionsRead ? (t.version ? " version " + VersionText(t.version) : " (no version resource)")
                          : " (version not read on this system)";
  }
  return line;
}

int RunTemplate(const Args& args) {
  std::string out;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-o" && i + 1 < args.size()) {
      out = args[++i];
    } else {
      Fail("ini template: unexpected argument '" + args[i] + "'");
      return kExitBadArguments;
    }
  }
  if (out.empty()) {
    Fail("ini template: -o FILE is required");
    return kExitBadArguments;
  }
  // Like OrvexRoll, never write over an existing file.
  if (FILE* existing = std::fopen(out.c_str(), "rb")) {
    std::fclose(existing);
    Fail(out + ": already exists; the template is only written where there is no file");
    return kExitFileError;
  }
  std::string text = UpdateInfoTemplate();
  std::string error;
  if (!WriteWholeFile(out, std::vector<unsigned char>(text.begin(), text.end()), &error)) {
    Fail(error);
    return kExitFileError;
  }
  return kExitOk;
}

int RunShow(const Args& args) {
  std::string file;
  std::vector<std::string> given;
  if (!ParseFileArguments("ini show", args, {"--json"}, &file, &given)) return kExitBadArguments;
  const bool json = HasFlag(given, "--json");
  std::vector<unsigned char> bytes;
  if (!ReadInputFile(file, &bytes)) return kExitFileError;
  const std::string folder = FolderOf(AbsolutePath(file));
  UpdateInfo info;
  if (ParseUpdateInfo(std::string(bytes.begin(), bytes.end()), folder, &info) != UpdateInfoStatus::kOk) {
    Fail(file + ": " + UpdateInfoMemoryText());
    return kExitFileError;
  }
  ToolProbe probe;
  UpdateInfoValidation verdict = ValidateUpdateInfo(info, folder, probe);
  ToolCheck verup = CheckToolEntry(folder, info.ver_up_prog, probe);
  ToolCheck para = CheckToolEntry(folder, info.para_prog, probe);
  int model = ModelNumberOf(info);

  if (json) {
    Print(
        "{\"file\": %s, \"update_folder\": %s, \"DeviceName\": %s, \"TitleName\": %s, \"DeviceWaitTime\": %d, "
        "\"DeviceNumRetry\": %d, \"ForceUpdate\": %d, \"DriverUpdate\": %d, \"InstNotExistMsg\": %d, "
        "\"VerUpProg\": %s, \"ParaProg\": %s, \"SysFile\": %s, \"DllFile\": %s, \"PrgFile\": %s, \"DefFile\": %s, "
        "\"USB1McFile\": %s, \"window_title\": %s, \"device_label\": %s, \"model\": %d, \"model_prefix\": %s, "
        "\"version_update_tool\": %s, \"parameter_tool\": %s, \"valid\": %s, \"message\": %s}\n",
        JsonString(file).c_str(), JsonString(folder).c_str(), JsonString(info.device_name).c_str(),
        JsonString(info.title_name).c_str(), info.device_wait_time, info.device_num_retry, info.force_update,
        info.driver_update, info.inst_not_exist_msg, JsonString(info.ver_up_prog).c_str(),
        JsonString(info.para_prog).c_str(), JsonList(info.sys_files).c_str(), JsonList(info.dll_files).c_str(),
        JsonList(info.prg_files).c_str(), JsonList(info.def_files).c_str(), JsonList(info.usb1mc_files).c_str(),
        JsonString(WindowTitle(info)).c_str(), JsonString(DeviceLabel(info)).c_str(), model,
        JsonString(ModelPrefix(model)).c_str(), JsonTool(verup).c_str(), JsonTool(para).c_str(),
        verdict.ok ? "true" : "false", JsonString(verdict.message).c_str());
  } else {
    Print("file:          %s\n", file.c_str());
    Print("update folder: %s\n", folder.c_str());
    Print("DeviceName=%s\n", info.device_name.c_str());
    Print("TitleName=%s\n", info.title_name.c_str());
    Print("DeviceWaitTime=%d\n", info.device_wait_time);
    Print("DeviceNumRetry=%d\n", info.device_num_retry);
    Print("ForceUpdate=%d\n", info.force_update);
    Print("DriverUpdate=%d\n", info.driver_update);
    Print("InstNotExistMsg=%d\n", info.inst_not_exist_msg);
    Print("VerUpProg=%s\n", info.ver_up_prog.c_str());
    Print("ParaProg=%s\n", info.para_prog.c_str());
    const std::pair<const char*, const std::vector<std::string>*> lists[] = {
        {"SysFile", &info.sys_files}, {"DllFile", &info.dll_files},       {"PrgFile", &info.prg_files},
        {"DefFile", &info.def_files}, {"USB1McFile", &info.usb1mc_files}};
    for (const auto& [name, list] : lists) {
      Print("%s: %zu\n", name, list->size());
      for (const std::string& entry : *list) Print("  %s\n", entry.c_str());
    }
    Print("window title:  %s\n", WindowTitle(info).c_str());
    Print("device label:  %s\n", DeviceLabel(info).c_str());
    Print("model:         %d (%s)\n", model, ModelPrefix(model));
    Print("version update tool: %s\n", ToolLine(verup).c_str());
    Print("parameter tool:      %s\n", ToolLine(para).c_str());
    if (verdict.ok) {
      Print("result:        accepted\n");
    } else {
      Print("result:        refused\n%s\n", verdict.message.c_str());
    }
  }
  return verdict.ok ? kExitOk : kExitInvalidImage;
}

int RunIni(const Args& args) {
  if (!args.empty() && args[0] == "template") return RunTemplate(Args(args.begin() + 1, args.end()));
  if (!args.empty() && args[0] == "show") return RunShow(Args(args.begin() + 1, args.end()));
  Fail("ini: use 'ini template -o FILE' or 'ini show FILE [--json]'");
  return kExitBadArguments;
}

CommandRegistrar reg({"ini",
                      "  ini template -o FILE       write the update information template (not over a file)\n"
                      "  ini show FILE [--json]     the update information as OrvexRoll reads and checks it\n"
                      "                             (exit 3 when OrvexRoll would refuse it)",
                      RunIni});

}  // namespace
}  // namespace orvex::cli
