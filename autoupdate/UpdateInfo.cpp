#include "UpdateInfo.h"

#include <new>

#include "ChildCommandLine.h"
#include "Cp932Text.h"
#include "Format.h"
#include "ModelNumber.h"
#include "NumberText.h"
#include "PathText.h"

namespace orvex::autoupdate {

namespace {

const char* const kTemplateLines[kTemplateLineCount] = {
    ";==============================================================================",
    "; 自動更新情報定義ファイル",
    ";",
    "; ※キーワードと設定値を連結する'='の前後には、空白やTABを挿入してはいけない。",
    ";   ただし、設定値が文字列の場合、空白は有効となる。",
    ";   コメント文字';'は、必ず行頭に設定する必要がある。",
    ";  (キーワード行の末尾は、コメント設定不可)",
    ";",
    ";   各種ファイル名は、本定義ファイルが置かれているディレクトリを基点とした",
    "; 相対ディレクトリ指定とする。",
    ";==============================================================================",
    "[Info]",
    "",
    "; 下記の設定値は連結して、ウィンドウ・タイトルに表示される",
    "; 先頭の半角２文字によって、機種判定される",
    "DeviceName=KV-4100CTIアダプター",
    "TitleName=自動更新",
    "",
    "; デバイス接続待機時間[秒]",
    "DeviceWaitTime=60",
    "",
    "; 更新リトライ回数(0=リトライ無)",
    "DeviceNumRetry=3",
    "",
    "; 強制更新フラグ",
    "; bit0: 1=デバイス・プログラム書換",
    "; bit1: 1=デバイス・パラメータ初期値書換",
    "ForceUpdate=0",
    "",
    "; ドライバ更新種別",
    ";  0=デバイスドライバ、DLLファイル無条件更新",
    ";  1=現バージョンが古いファイルのみ更新",
    ";  2=現ドライバがハードリセット対応済のときは更新しない(DLL含む)",
    "DriverUpdate=0",
    "",
    "; インストール先不存在時ユーザ確認フラグ(0=確認無 0以外=有)",
    "InstNotExistMsg=0",
    "",
    "; バージョン更新、パラメータ設定プログラム名",
    "VerUpProg=Bin\\OrvexFlash.exe",
    "ParaProg=Bin\\OrvexSet.exe",
    "",
    "; 更新デバイスドライバ・ファイル名リスト",
    "SysFile0=Driver\\Orvex.sys",
    "SysFile1=Driver\\Orvex.inf",
    "SysFile2=Driver\\Orvex2.sys",
    "SysFile3=Driver\\Orvex2.inf",
    "",
    "; 更新DLLファイル名リスト",
    "DllFile0=Driver\\Orvex.dll",
    "",
    "; デバイス・プログラム更新ファイル名リスト",
    "; ※更新の有無に関わらず、USB1.1版の更新専用と正規MC-CPUをリストに含める必要は",
    "; ない。",
    ";   USB1.1版MC-DSPを更新する場合は、リストに含める必要がある。",
    "PrgFile0=Prg\\McCPU.prg",
    "PrgFile1=Prg\\McDSP.prg",
    "PrgFile2=",
    "PrgFile3=",
    "PrgFile4=",
    "PrgFile5=",
    "PrgFile6=",
    "PrgFile7=",
    "",
    "; USB1.1版MCボード用プログラム・ファイル名リスト",
    "; #0: 専用MC-CPUプログラム(リストより前にデバイス書込)",
    "; #1: 正規MC-CPUプログラム(リストの後にデバイス書込)",
    "; #2: 正規MC-DSPプログラム(パラメータ更新失敗修復時にデバイス書込)",
    "USB1McFile0=",
    "USB1McFile1=",
    "USB1McFile2=",
    "",
    "; 更新パラメータ定義ファイル名",
    "; ※パラメータは全プログラム更新後に、デバイス書込",
    "DefFile0=Para\\Cti_par.txt",
};

const char kVersionUpdateToolLabel[] = "バージョン更新ツール";
const char kParameterToolLabel[] = "パラメータ設定ツール";

int32_t IntegerValue(const std::vector<std::string_view>& lines, std::string_view key, int32_t fallback) {
  auto value = LookUpKey(lines, key);
  return value ? SignedDecimal(*value) : fallback;
}

std::string TextValue(const std::vector<std::string_view>& lines, std::string_view key) {
  auto value = LookUpKey(lines, key);
  return value ? std::string(*value) : std::string();
}

// A missing key (nothing) is told apart from an empty value.
std::optional<std::string_view> EntryValue(const std::vector<std::string_view>& lines, std::string_view prefix,
                                           int index) {
  return LookUpKey(lines, std::string(prefix) + std::to_string(index), true);
}

void AddEntry(std::string_view update_folder, std::string_view value, std::vector<std::string>* list) {
  value = TrimControl(value);
  if (value.empty()) return;
  if (value[0] == '\\') value.remove_prefix(1);
  list->push_back(std::string(update_folder) + std::string(value));
}

// Read from index 0 up to the first missing key.
void ReadOpenList(const std::vector<std::string_view>& lines, std::string_view prefix, std::string_view update_folder,
                  std::vector<std::string>* list) {
  for (int index = 0;; ++index) {
    auto value = EntryValue(lines, prefix, index);
    if (!value) break;
    AddEntry(update_folder, *value, list);
  }
}

// Every index 0-99, gaps allowed.
void ReadIndexedList(const std::vector<std::string_view>& lines, std::string_view prefix,
                     std::string_view update_folder, std::vector<std::string>* list) {
  for (int index = 0; index < kIndexedListSize; ++index) {
    auto value = EntryValue(lines, prefix, index);
    if (value) AddEntry(update_folder, *value, list);
  }
}

std::string OldVersionText(const char* label, const ToolCheck& check) {
  uint32_t v = check.version, m = kMinimumToolVersion;
  return Format("初期設定ファイル内の%sは旧バージョンです。\n\n'%s'\n\nVersion %u.%u.%u.%u < %u.%u.%u.%u", label,
                check.path.c_str(), v >> 24, (v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF, m >> 24, (m >> 16) & 0xFF,
                (m >> 8) & 0xFF, m & 0xFF);
}

bool IsOld(const ToolCheck& check) {
  return check.availability == kToolPresent && check.version != 0 && check.version < kMinimumToolVersion;
}

}  // namespace

std::string UpdateInfoTemplate() {
  std::string text;
  for (const char* line : kTemplateLines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

std::vector<std::string_view> UpdateInfoLines(std::string_view content) {
  size_t nul = content.find('\0');
  if (nul != std::string_view::npos) content = content.substr(0, nul);
  std::vector<std::string_view> lines;
  size_t pos = 0;
  while (pos <= content.size()) {
    // CR and LF are never trail bytes.
    size_t end = content.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = content.size();
    std::string_view line = content.substr(pos, end - pos);
    size_t semicolon = FindChar(line, ';');
    if (semicolon != kNotFound) line = line.substr(0, semicolon);
    if (!line.empty()) lines.push_back(line);
    if (end >= content.size()) break;
    pos = end + ((content[end] == '\r' && end + 1 < content.size() && content[end + 1] == '\n') ? 2 : 1);
  }
  return lines;
}

std::optional<std::string_view> LookUpKey(const std::vector<std::string_view>& lines, std::string_view key,
                                          bool indexed) {
  for (std::string_view line : lines) {
    if (!StartsWithNoCase(line, key)) continue;
    if (indexed && line.size() > key.size() && line[key.size()] >= '0' && line[key.size()] <= '9') continue;
    size_t equals = FindChar(line, '=');
    if (equals == kNotFound) continue;
    return line.substr(equals + 1);
  }
  return std::nullopt;
}

UpdateInfoStatus ParseUpdateInfo(std::string_view content, std::string_view update_folder, UpdateInfo* out) {
  try {
    std::vector<std::string_view> lines = UpdateInfoLines(content);
    UpdateInfo info;
    info.device_name = TextValue(lines, "DeviceName");
    info.title_name = TextValue(lines, "TitleName");
    info.device_wait_time = IntegerValue(lines, "DeviceWaitTime", kDefaultWaitSeconds);
    if (info.device_wait_time <= 0) info.device_wait_time = kDefaultWaitSeconds;
    if (info.device_wait_time > kMaxWaitSeconds) info.device_wait_time = kMaxWaitSeconds;
    info.device_num_retry = IntegerValue(lines, "DeviceNumRetry", 3);
    if (info.device_num_retry < 0) info.device_num_retry = 0;
    info.force_update = IntegerValue(lines, "ForceUpdate", 0);
    info.driver_update = IntegerValue(lines, "DriverUpdate", 0);
    info.inst_not_exist_msg = IntegerValue(lines, "InstNotExistMsg", 0);
    info.ver_up_prog = std::string(TrimControl(TextValue(lines, "VerUpProg")));
    info.para_prog = std::string(TrimControl(TextValue(lines, "ParaProg")));
    ReadOpenList(lines, "SysFile", update_folder, &info.sys_files);
    ReadOpenList(lines, "DllFile", update_folder, &info.dll_files);
    ReadIndexedList(lines, "PrgFile", update_folder, &info.prg_files);
    ReadIndexedList(lines, "DefFile", update_folder, &info.def_files);
    ReadOpenList(lines, "USB1McFile", update_folder, &info.usb1mc_files);
    *out = std::move(info);
    return UpdateInfoStatus::kOk;
  } catch (const std::bad_alloc&) {
    return UpdateInfoStatus::kOutOfMemory;
  }
}

std::string DeviceLabel(const UpdateInfo& info) {
  return info.device_name.empty() ? std::string("CTIアダプター") : info.device_name;
}

std::string WindowTitle(const UpdateInfo& info) {
  if (info.device_name.empty() && info.title_name.empty()) return "自動更新";
  return info.device_name + info.title_name;
}

int ModelNumberOf(const UpdateInfo& info) { return ModelNumber(info.device_name); }

std::string UpdateFolder(const std::optional<std::string_view>& first_argument, std::string_view program_path) {
  if (first_argument && !first_argument->empty()) {
    std::string folder(*first_argument);
    if (!EndsWithChar(folder, '\\')) folder += '\\';
    return folder;
  }
  return std::string(PathFolder(program_path));
}

std::string ExecutableStem(std::string_view program_path) {
  std::string_view name = FileNamePart(program_path);
  size_t dot = FindLastChar(name, '.');
  return std::string(dot == kNotFound ? name : name.substr(0, dot));
}

std::string UpdateInfoPath(std::string_view update_folder, std::string_view program_path) {
  return std::string(update_folder) + ExecutableStem(program_path) + ".ini";
}

std::string ReplaceDrive(std::string_view path, std::string_view remote_name) {
  if (path.size() < 2 || path[1] != ':' || remote_name.empty()) return std::string(path);
  return std::string(remote_name) + std::string(path.substr(2));
}

ToolCheck CheckToolEntry(std::string_view update_folder, std::string_view entry, ToolFileProbe& probe) {
  ToolCheck check;
  if (entry.empty()) return check;
  check.path = SplitToolEntry(update_folder, entry).program_path;
  if (!probe.FileExists(check.path)) {
    check.availability = kToolMissing;
    return check;
  }
  check.availability = kToolPresent;
  check.version = probe.FileVersion(check.path);
  return check;
}

UpdateInfoValidation ValidateUpdateInfo(const UpdateInfo& info, std::string_view update_folder,
                                        ToolFileProbe& probe) {
  UpdateInfoValidation result;
  size_t usb = info.usb1mc_files.size();
  if (usb == 1 || usb == 2) {
    result.message = "初期設定ファイル内のUSB1.1版MCプログラム・ファイル名項目が不足しています。";
    return result;
  }
  result.version_update_tool = CheckToolEntry(update_folder, info.ver_up_prog, probe);
  const ToolCheck& verup = result.version_update_tool;
  if (verup.availability == kToolNotConfigured) {
    result.message = Format("初期設定ファイル内に%sが設定されていません。", kVersionUpdateToolLabel);
    return result;
  }
  if (verup.availability == kToolMissing) {
    result.message = Format("初期設定ファイル内の%sは存在していません。\n\n'%s'", kVersionUpdateToolLabel,
                            verup.path.c_str());
    return result;
  }
  if (IsOld(verup)) {
    result.message = OldVersionText(kVersionUpdateToolLabel, verup);
    return result;
  }
  result.parameter_tool = CheckToolEntry(update_folder, info.para_prog, probe);
  if (IsOld(result.parameter_tool)) {
    result.message = OldVersionText(kParameterToolLabel, result.parameter_tool);
    return result;
  }
  result.ok = true;
  return result;
}

std::string UpdateInfoReadErrorText(std::string_view path, uint32_t error) {
  return Format("初期設定ファイルの読込に失敗しました。\n\n'%s'\n\nError = %d", std::string(path).c_str(),
                static_cast<int>(error));
}

std::string UpdateInfoMemoryText() { return "初期設定ファイル読込中にメモリ不足が発生しました。"; }

}  // namespace orvex::autoupdate
