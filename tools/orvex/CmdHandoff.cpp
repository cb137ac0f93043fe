// orvex handoff: show AutoPara.def or AutoVerUp.def as the child tool reads it.
#include <cstdio>
#include <string>
#include <vector>

#include "Command.h"
#include "Format.h"
#include "HandoffFile.h"

namespace orvex::cli {
namespace {

using namespace orvex::autoupdate;

struct Reports : ReportSink {
  std::vector<std::pair<uint32_t, std::string>> calls;
  void Report(uint32_t code, std::string_view text) override { calls.emplace_back(code, std::string(text)); }
};

std::string JsonReports(const Reports& r) {
  std::string out = "[";
  for (size_t i = 0; i < r.calls.size(); ++i) {
    out += Format("%s{\"code\": %u, \"text\": %s}", i ? ", " : "", r.calls[i].first,
                  JsonString(r.calls[i].second).c_str());
  }
  return out + "]";
}

void PrintReports(const Reports& r) {
  for (const auto& [code, text] : r.calls) Print("report:           code %u: %s\n", code, text.c_str());
}

void PrintList(const char* title, const std::vector<std::string>& list) {
  Print("%-18s%zu\n", title, list.size());
  for (const std::string& entry : list) Print("  %s\n", entry.c_str());
}

void ShowPara(const std::string& file, const std::string& bytes, bool json) {
  AutoParaContent c;
  Reports reports;
  int count = ParseAutoPara(bytes, "", &c, &reports);
  if (json) {
    Print(
        "{\"file\": %s, \"kind\": \"AutoPara.def\", \"count\": %d, \"model\": %d, \"wait_ms\": %u, "
        "\"retry_count\": %d, \"fill_flag\": %d, \"install_folder\": %s, \"documents_folder\": %s, "
        "\"run_folder\": %s, \"run_second_field\": %s, \"save_file_name\": %s, \"definition_files\": %s, "
        "\"reports\": %s}\n",
        JsonString(file).c_str(), count, c.model, c.wait_ms, c.retry_count, c.fill_flag,
        JsonString(c.install_folder).c_str(), JsonString(c.documents_folder).c_str(), JsonString(c.run_folder).c_str(),
        JsonString(c.run_second_field).c_str(), JsonString(c.save_file_name).c_str(),
        JsonList(c.definition_files).c_str(), JsonReports(reports).c_str());
    return;
  }
  Print("file:             %s\n", file.c_str());
  Print("kind:             AutoPara.def (read as the parameter tool reads it)\n");
  Print("model:            %d\n", c.model);
  Print("wait:             %u ms\n", c.wait_ms);
  Print("retries:          %d\n", c.retry_count);
  Print("fill flag:        %d\n", c.fill_flag);
  Print("install folder:   %s\n", c.install_folder.c_str());
  Print("documents folder: %s\n", c.documents_folder.c_str());
  Print("run folder:       %s\n", c.run_folder.c_str());
  if (!c.run_second_field.empty()) Print("second field:     %s\n", c.run_second_field.c_str());
  Print("save file name:   %s\n", c.save_file_name.c_str());
  PrintList("definition files: ", c.definition_files);
  PrintReports(reports);
}

void ShowVerUp(const std::string& file, const std::string& bytes, bool json) {
  AutoVerUpContent c;
  Reports reports;
  int count = ParseAutoVerUp(bytes, "", &c, &reports);
  std::vector<std::string> slots(std::begin(c.fixed_slots), std::end(c.fixed_slots));
  if (json) {
    Print(
        "{\"file\": %s, \"kind\": \"AutoVerUp.def\", \"count\": %d, \"model\": %d, \"wait_ms\": %u, "
        "\"retry_count\": %d, \"force_flag\": %d, \"first_stage\": %d, \"resume_value\": %u, "
        "\"install_folder\": %s, \"documents_folder\": %s, \"run_folder\": %s, \"fixed_slots\": %s, "
        "\"program_files\": %s, \"reports\": %s}\n",
        JsonString(file).c_str(), count, c.model, c.wait_ms, c.retry_count, c.force_flag, c.first_stage,
        c.resume_value, JsonString(c.install_folder).c_str(), JsonString(c.documents_folder).c_str(),
        JsonString(c.run_folder).c_str(), JsonList(slots).c_str(), JsonList(c.program_files).c_str(),
        JsonReports(reports).c_str());
    return;
  }
  Print("file:             %s\n", file.c_str());
  Print("kind:             AutoVerUp.def (read as the version update tool reads it)\n");
  Print("model:            %d\n", c.model);
  Print("wait:             %u ms\n", c.wait_ms);
  Print("retries:          %d\n", c.retry_count);
  Print("force flag:       %d\n", c.force_flag);
  Print("first stage:      %d%s\n", c.first_stage, c.first_stage == 1 ? " (normal run)" : " (repair run)");
  Print("resume value:     0x%08X\n", c.resume_value);
  Print("install folder:   %s\n", c.install_folder.c_str());
  Print("documents folder: %s\n", c.documents_folder.c_str());
  Print("run folder:       %s\n", c.run_folder.c_str());
  static const char* const kSlotNames[4] = {"USB1.1 MC #0:", "USB1.1 MC #1:", "USB1.1 MC #2:", "parameter file:"};
  for (int i = 0; i < 4; ++i) Print("%-18s%s\n", kSlotNames[i], c.fixed_slots[i].c_str());
  PrintList("program files:    ", c.program_files);
  PrintReports(reports);
}

int RunShow(const Args& args) {
  std::string file;
  std::vector<std::string> given;
  if (!ParseFileArguments("handoff show", args, {"--json", "--para", "--verup"}, &file, &given)) {
    return kExitBadArguments;
  }
  const bool json = HasFlag(given, "--json");
  // The last of --para / --verup wins; without either the name decides.
  int forced = -1;  // 0 para, 1 verup
  for (const auto& g : given) {
    if (g == "--para") forced = 0;
    if (g == "--verup") forced = 1;
  }
  HandoffKind kind = HandoffKind::kAutoPara;
  if (forced >= 0) {
    kind = forced == 0 ? HandoffKind::kAutoPara : HandoffKind::kAutoVerUp;
  } else if (!HandoffKindFromName(file, &kind)) {
    Fail(file + ": not named AutoPara.def or AutoVerUp.def; say --para or --verup");
    return kExitBadArguments;
  }
  std::vector<unsigned char> bytes;
  if (!ReadInputFile(file, &bytes)) return kExitFileError;
  std::string text(bytes.begin(), bytes.end());
  if (kind == HandoffKind::kAutoPara) {
    ShowPara(file, text, json);
  } else {
    ShowVerUp(file, text, json);
  }
  return kExitOk;
}

int RunHandoff(const Args& args) {
  if (!args.empty() && args[0] == "show") return RunShow(Args(args.begin() + 1, args.end()));
  Fail("handoff: use 'handoff show FILE [--json] [--para|--verup]'");
  return kExitBadArguments;
}

CommandRegistrar reg({"handoff",
                      "  handoff show FILE [--json] [--para|--verup]\n"
                      "                             a hand-off file as the child tool reads it",
                      RunHandoff});

}  // namespace
}  // namespace orvex::cli
