// orvex history: the automatic updates OrvexRoll recorded on this PC, newest first: each run
// folder with its date, its outcome as its log tells it, the program versions before and after,
// and whether the recovery file points at it.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Command.h"
#include "Cp932Text.h"
#include "Format.h"
#include "JsonText.h"
#include "PathText.h"
#include "RecoveryFile.h"
#include "RunFolder.h"
#include "RunHistory.h"
#include "Wide.h"

namespace orvex::cli {
namespace {

using namespace orvex::autoupdate;

constexpr char kLogName[] = "OrvexRoll.log";

// "<Windows drive>\OrvexRoll\", where OrvexRoll makes its run folders.
std::string DefaultRunsFolder() {
  wchar_t windows[MAX_PATH + 1] = {};
  UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
  std::string drive;
  if (n == 0 || n > MAX_PATH || !WindowsDrive(FromWide(windows), &drive)) return std::string();
  return RunFolderBase(drive, "OrvexRoll");
}

std::vector<std::string> RunFolderNames(const std::string& base) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(ToWide(base + "*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = FromWide(found.cFileName);
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !RunFolderDate(name).empty()) names.push_back(name);
  } while (FindNextFileW(find, &found));
  FindClose(find);
  std::sort(names.rbegin(), names.rend());  // the names are time stamps: newest first
  return names;
}

struct Recovery {
  bool looked = false;  // a documents folder was given
  bool present = false;
  bool offered = false;  // OrvexRoll would offer a repair run
  RecoveryRecord record;
  std::string folder;
};

Recovery LoadRecovery(const std::string& documents) {
  Recovery r;
  if (documents.empty()) return r;
  r.looked = true;
  std::string folder = documents;
  if (!EndsWithBackslash(folder)) folder += '\\';
  if (LoadRecoveryFile(RecoveryFilePath(folder + "Orvex\\"), &r.record) != 0) return r;
  r.present = true;
  FileSystemFolderProbe probe;
  RecoveryRecord checked = r.record;
  RecoveryCheck check = CheckRecoveryRecord(&checked, probe);
  r.offered = check.repair_offered;
  r.folder = check.folder.empty() ? RecoveryFolder(r.record) : check.folder;
  return r;
}

// The recovery file's state for one run folder.
std::string RecoveryStateFor(const Recovery& r, const std::string& run_folder) {
  if (!r.looked) return "not looked at";
  if (!r.present) return "none";
  std::string stored = r.folder;
  if (!stored.empty() && !EndsWithBackslash(stored)) stored += '\\';
  if (!EqualsNoCase(stored, run_folder)) return "none";
  return r.offered ? "a repair run is offered" : "present, no repair offered";
}

int Run(const Args& args) {
  bool json = false;
  std::string runs, documents;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--json") {
      json = true;
    } else if (args[i] == "--runs" && i + 1 < args.size()) {
      runs = args[++i];
    } else if (args[i] == "--documents" && i + 1 < args.size()) {
      documents = args[++i];
    } else {
      Fail("usage: orvex history [--json] [--runs FOLDER] [--documents FOLDER]");
      return kExitBadArguments;
    }
  }
  if (runs.empty()) runs = DefaultRunsFolder();
  if (runs.empty()) {
    Fail("history: the Windows drive cannot be told (give --runs FOLDER)");
    return kExitFileError;
  }
  if (!EndsWithBackslash(runs)) runs += '\\';
  const Recovery recovery = LoadRecovery(documents);

  std::string items;
  std::string text;
  for (const std::string& name : RunFolderNames(runs)) {
    const std::string folder = runs + name + "\\";
    std::vector<unsigned char> bytes;
    std::string error;
    std::vector<LogSession> sessions;
    if (ReadWholeFile(folder + kLogName, &bytes, &error)) {
      sessions = ParseRunLog(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    const RunOutcome outcome = RunOutcomeOf(sessions);
    const std::string state = RecoveryStateFor(recovery, folder);
    // Versions: every image a session started, its last attempt winning.
    std::vector<LoggedUpdate> updates;
    for (const LogSession& s : sessions) {
      for (const LoggedUpdate& u : s.updates) {
        auto same = std::find_if(updates.begin(), updates.end(), [&](const LoggedUpdate& o) { return o.file == u.file; });
        if (same == updates.end()) {
          updates.push_back(u);
        } else {
          same->after = u.after;
          same->done = u.done;
        }
      }
    }
    const LogSession* first = sessions.empty() ? nullptr : &sessions.front();
    const LogSession* repair = nullptr;
    if (outcome == RunOutcome::kRepaired) {
      for (const LogSession& s : sessions) {
        if (s.repair && s.outcome == SessionOutcome::kSucceeded) repair = &s;
      }
    }
    const bool failed = first && first->outcome != SessionOutcome::kSucceeded && outcome != RunOutcome::kCancelled;
    if (json) {
      std::string list, runs_list;
      for (const LoggedUpdate& u : updates) {
        if (!list.empty()) list += ", ";
        list += Format("{\"file\": %s, \"before\": %s, \"after\": %s, \"done\": %s}", JsonString(u.file).c_str(),
                       JsonString(u.before).c_str(), JsonString(u.after).c_str(), u.done ? "true" : "false");
      }
      for (const LogSession& s : sessions) {
        if (!runs_list.empty()) runs_list += ", ";
        runs_list += Format("{\"started\": %s, \"outcome\": %s, \"repair\": %s, \"stage\": %s, \"reason\": %s}",
                            JsonString(s.started).c_str(), JsonString(SessionOutcomeName(s.outcome)).c_str(),
                            s.repair ? "true" : "false", JsonString(s.stage).c_str(), JsonString(s.reason).c_str());
      }
      if (!items.empty()) items += ",\n  ";
      items += Format("{\"folder\": %s, \"date\": %s, \"outcome\": %s, \"failed_stage\": %s, \"reason\": %s, "
                      "\"repaired_on\": %s, \"device\": %s, \"updates\": [%s], \"sessions\": [%s], \"recovery\": %s}",
                      JsonString(folder).c_str(), JsonString(RunFolderDate(name)).c_str(),
                      JsonString(RunOutcomeName(outcome)).c_str(),
                      failed ? JsonString(first->stage).c_str() : "null",
                      failed ? JsonString(first->reason).c_str() : "null",
                      repair ? JsonString(repair->started).c_str() : "null",
                      JsonString(first ? first->device : "").c_str(), list.c_str(), runs_list.c_str(),
                      JsonString(state).c_str());
      continue;
    }
    text += folder + "\n";
    text += Format("  date:           %s\n", RunFolderDate(name).c_str());
    text += Format("  outcome:        %s\n", RunOutcomeName(outcome));
    if (failed) {
      text += Format("  failed in the %s step%s%s\n", first->stage.c_str(), first->reason.empty() ? "" : ": ",
                     first->reason.c_str());
    }
    if (repair) text += Format("  repaired by the run of %s\n", repair->started.c_str());
    if (first && !first->device.empty()) text += Format("  device:         %s\n", first->device.c_str());
    for (const LoggedUpdate& u : updates) {
      text += Format("  %-16s %s -> %s%s\n", u.file.c_str(), u.before.c_str(), u.after.c_str(),
                     u.done ? "" : " (not written)");
    }
    text += Format("  recovery file: %s\n", state.c_str());
  }
  if (json) {
    std::string rec = "null";
    if (recovery.looked) {
      rec = Format("{\"present\": %s, \"repair_offered\": %s, \"folder\": %s, \"failure_state\": %d, \"stage\": %d}",
                   recovery.present ? "true" : "false", recovery.offered ? "true" : "false",
                   JsonString(recovery.folder).c_str(), recovery.present ? recovery.record.failure_state : 0,
                   recovery.present ? recovery.record.stage : 0);
    }
    Print("{\"runs_folder\": %s, \"recovery\": %s, \"runs\": [%s%s%s]}\n", JsonString(runs).c_str(), rec.c_str(),
          items.empty() ? "" : "\n  ", items.c_str(), items.empty() ? "" : "\n");
    return kExitOk;
  }
  if (text.empty()) text = "no automatic update recorded in " + runs + "\n";
  Print("%s", text.c_str());
  return kExitOk;
}

CommandRegistrar reg({"history",
                      "  history [--json] [--runs FOLDER] [--documents FOLDER]\n"
                      "                                   the automatic updates OrvexRoll recorded, newest first",
                      Run});

}  // namespace
}  // namespace orvex::cli
