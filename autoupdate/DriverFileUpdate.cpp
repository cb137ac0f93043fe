#include "DriverFileUpdate.h"

#include <set>

#include "Cp932Text.h"
#include "Format.h"
#include "PathText.h"
#include "SystemErrorCodes.h"
#include "VersionText.h"

namespace orvex::autoupdate {

namespace {

constexpr char kSaveQuestion[] =
    "\n保存失敗を無視して処理を継続しますか？　［はい］をクリックすると実行継続、［いいえ］をクリックすると実行終了します。";
constexpr char kUpdateQuestion[] =
    "\n更新失敗を無視して処理を継続しますか？　［はい］をクリックすると実行継続、［いいえ］をクリックすると実行終了します。";

bool IsMissing(uint32_t error) { return error == kErrorFileNotFound || error == kErrorPathNotFound; }

std::string Extension(std::string_view name) {
  size_t dot = FindLastChar(name, '.');
  return dot == kNotFound ? std::string() : std::string(name.substr(dot + 1));
}

std::string WithSlash(std::string_view folder) {
  std::string out(folder);
  if (!EndsWithBackslash(out)) out += '\\';
  return out;
}

std::string Vtext(uint32_t version) { return "v" + VersionText(version); }

// Looks for one installed file; true when present.
bool InspectOne(DriverFileSystem& fs, const std::string& folder, const char* name, const char* failure,
                const char* present, LogSink& log) {
  std::string path = folder + name;
  uint32_t error = fs.Probe(path);
  if (error == 0) {
    log.AddEntry(Format(present, name, Vtext(fs.FileVersion(path)).c_str()), 0, true);
    return true;
  }
  if (!IsMissing(error)) {
    log.AddEntry(Format(failure, path.c_str(), static_cast<int>(error), fs.ErrorText(error).c_str()), 2, true);
  }
  return false;
}

// One update run over both lists.
class Updater {
 public:
  Updater(const UpdateInfo& info, const InstallTargets& targets, std::string_view run_folder, DriverFileSystem& fs,
          Questions& questions, LogSink& log)
      : info_(info), targets_(targets), old_folder_(WithSlash(run_folder) + "Old\\"), fs_(fs), questions_(questions),
        log_(log) {}

  int Run() {
    for (const std::string& source : info_.sys_files) {
      if (source.empty()) continue;
      if (!DriverEntry(source)) return -1;
    }
    if (!skip_library_) {
      for (const std::string& source : info_.dll_files) {
        if (source.empty()) continue;
        if (!LibraryEntry(source)) return -1;
      }
    }
    return sys_replaced_ ? 1 : 0;
  }

 private:
  // False when the user chose to stop.
  bool DriverEntry(const std::string& source) {
    const std::string name(FileNamePart(source));
    const std::string ext = Extension(name);
    const bool inf = EqualsNoCase(ext, "inf");
    const bool sys = EqualsNoCase(ext, "sys");
    std::string target;
    if (inf) {
      if (sys_skipped_) return true;
      target = targets_.inf + name;
    } else {
      target = targets_.drivers + name;
      if (sys) {
        uint32_t installed = fs_.FileVersion(target);
        uint32_t fresh = fs_.FileVersion(source);
        if (info_.driver_update == kUpdateOlderOnly && installed != 0 && fresh != 0 && installed >= fresh) {
          log_.AddEntry(Format("現デバイスドライバは新しいバージョンのため、更新必要無(%s)\n\n'%s'",
                               Vtext(installed).c_str(), target.c_str()),
                        0, true);
          sys_skipped_ = true;
          return true;
        }
        if (info_.driver_update == kUpdateUnlessResetCapable &&
            (EqualsNoCase(name, "Orvex.sys") || EqualsNoCase(name, "Orvex2.sys")) && installed > kResetCapableDriver) {
          log_.AddEntry(Format("現デバイスドライバはハードリセット対応版のため、更新必要無(%s)\n\n'%s'",
                               Vtext(installed).c_str(), target.c_str()),
                        0, true);
          sys_skipped_ = true;
          skip_library_ = true;
          return true;
        }
      }
    }
    fs_.ClearReadOnly(target);
    const bool existed = fs_.Probe(target) == 0;
    if (!Backup(target, name, !inf, "デバイスドライバ・ファイルの保存に失敗しました。\n\n'%s' → '%s'\n\nErr = %d : %s"))
      return false;
    if (!existed && (sys || inf)) return true;  // a driver that is not installed is not installed here
    uint32_t error = fs_.Copy(source, target);
    if (error == 0) {
      fs_.ClearReadOnly(target);
      if (sys) sys_replaced_ = true;
      log_.AddEntry(Format("デバイスドライバ・ファイル更新成功(%s)\n\n'%s'", Vtext(fs_.FileVersion(target)).c_str(),
                           target.c_str()),
                    0, true);
      return true;
    }
    std::string text = Format("デバイスドライバ・ファイルの更新に失敗しました。\n\n'%s' → '%s'\n\nErr = %d : %s",
                              source.c_str(), target.c_str(), static_cast<int>(error), fs_.ErrorText(error).c_str());
    log_.AddEntry(text, 2, true);
    return inf || Continue(text + kUpdateQuestion);
  }

  bool LibraryEntry(const std::string& source) {
    const std::string name(FileNamePart(source));
    const std::string target = targets_.system + name;
    if (info_.driver_update == kUpdateOlderOnly && EqualsNoCase(Extension(name), "dll")) {
      uint32_t installed = fs_.FileVersion(target);
      uint32_t fresh = fs_.FileVersion(source);
      if (installed != 0 && fresh != 0 && installed >= fresh) {
        log_.AddEntry(Format("現DLLファイルは新しいバージョンのため、更新必要無(%s)\n\n'%s'",
                             Vtext(installed).c_str(), target.c_str()),
                      0, true);
        return true;
      }
    }
    fs_.ClearReadOnly(target);
    if (!Backup(target, name, true, "DLLファイルの保存に失敗しました。\n\n'%s' → '%s'\n\nErr = %d : %s")) return false;
    uint32_t error = fs_.Copy(source, target);
    if (error == 0) {
      fs_.ClearReadOnly(target);
      log_.AddEntry(
          Format("ドライバ・ファイル更新成功(%s)\n\n'%s'", Vtext(fs_.FileVersion(target)).c_str(), target.c_str()), 0,
          true);
      return true;
    }
    std::string text = Format("ドライバ・ファイルの更新に失敗しました。\n\n'%s' → '%s'\n\nErr = %d : %s",
                              source.c_str(), target.c_str(), static_cast<int>(error), fs_.ErrorText(error).c_str());
    log_.AddEntry(text, 2, true);
    return Continue(text + kUpdateQuestion);
  }

  // Copies the installed file into Old\. A target listed a second time has already been saved
  // before its first replacement; saving it again would put the new file over that backup and
  // lose the only copy of the file that was installed.
  bool Backup(const std::string& target, const std::string& name, bool ask, const char* failure) {
    std::string key = target;
    for (char& c : key) {
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    if (!saved_.insert(key).second) return true;
    const std::string backup = old_folder_ + name;
    uint32_t error = fs_.Copy(target, backup);
    if (error == 0 || error == kErrorFileNotFound) return true;
    std::string text =
        Format(failure, target.c_str(), backup.c_str(), static_cast<int>(error), fs_.ErrorText(error).c_str());
    log_.AddEntry(text, 2, true);
    return !ask || Continue(text + kSaveQuestion);
  }

  bool Continue(const std::string& question) {
    if (questions_.Ask(question, "", kBoxYesNo | kIconQuestion) != kAnswerYes) return false;
    log_.AddEntry("実行継続", 0, true);
    return true;
  }

  const UpdateInfo& info_;
  const InstallTargets& targets_;
  const std::string old_folder_;
  DriverFileSystem& fs_;
  Questions& questions_;
  LogSink& log_;
  bool sys_skipped_ = false;
  bool skip_library_ = false;
  bool sys_replaced_ = false;
  std::set<std::string> saved_;  // targets already saved in Old\, upper case
};

}  // namespace

InstallTargets InstallTargetsFor(std::string_view windows_directory) {
  std::string windows = WithSlash(windows_directory);
  return {windows + "System32\\Drivers\\", windows + "Inf\\", windows + "System32\\"};
}

InspectionResult InspectInstalledFiles(DriverFileSystem& fs, InstallTargets* targets, LogSink& log) {
  const char* kDriverFailure = "デバイスドライバの検査に失敗しました。\n\n'%s'\n\nErr = %d : %s";
  const char* kDriverPresent = "現デバイスドライバ = %s(%s)";
  bool second = InspectOne(fs, targets->drivers, "Orvex2.sys", kDriverFailure, kDriverPresent, log);
  bool first = InspectOne(fs, targets->drivers, "Orvex.sys", kDriverFailure, kDriverPresent, log);
  if (!first && !second) {
    log.AddEntry("デバイスドライバが見つかりません。", 2, true);
    return kInspectionNoDriver;
  }
  const char* kLibraryFailure = "DLLファイルの検査に失敗しました。\n\n'%s'\n\nErr = %d : %s";
  const char* kLibraryPresent = "現DLLファイル = %s(%s)";
  if (InspectOne(fs, targets->system, "Orvex.dll", kLibraryFailure, kLibraryPresent, log)) return kInspectionOk;
  // A system folder "...\System32\" without the library: try "...\System\".
  std::string older = targets->system;
  if (older.size() >= 3 && older.compare(older.size() - 3, 3, "32\\") == 0) {
    older.erase(older.size() - 3, 2);
    uint32_t error = fs.Probe(older + "Orvex.dll");
    if (error == 0) {
      log.AddEntry(Format(kLibraryPresent, "Orvex.dll", Vtext(fs.FileVersion(older + "Orvex.dll")).c_str()), 0, true);
      targets->system = older;
      return kInspectionOk;
    }
    if (!IsMissing(error)) {
      log.AddEntry(Format(kLibraryFailure, (older + "Orvex.dll").c_str(), static_cast<int>(error),
                          fs.ErrorText(error).c_str()),
                   2, true);
    }
  }
  log.AddEntry("DLLファイルが見つかりません。", 2, true);
  return kInspectionNoLibrary;
}

int UpdateDriverFiles(const UpdateInfo& info, const InstallTargets& targets, std::string_view run_folder,
                      DriverFileSystem& fs, Questions& questions, LogSink& log) {
  return Updater(info, targets, run_folder, fs, questions, log).Run();
}

}  // namespace orvex::autoupdate
