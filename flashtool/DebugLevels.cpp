#include "DebugLevels.h"

#include "Format.h"
#include "PathText.h"

namespace orvex::flash {

LevelWrite WriteDebugLevels(DebugLevelSystem& system, uint32_t driver_level, uint32_t library_level,
                            std::string_view program_folder) {
  const bool attached = system.DeviceAttached();
  if (attached) {
    uint32_t error = system.SendToDriver(true, driver_level);
    if (error == 0) error = system.SendToDriver(false, library_level);
    if (error == 0) return {system.DriverVersion() >= kDriverAppliesLevelsVersion ? 3 : 2, 0};
    if (error != kErrorInvalidFunction) return {-1, error};
  }
  const int written = attached ? 2 : 1;
  uint32_t error = system.WriteRegistry(driver_level, library_level);
  if (error == 0) return {written, 0};
  if (error != kErrorAccessDenied || !system.ElevationAvailable()) return {0, error};
  DebugLevelSystem::HelperRun run =
      system.RunElevated(KeysHelperFile(program_folder), KeysHelperParameters(driver_level, library_level));
  if (!run.started) return {-2, run.error};
  if (!run.waited || run.exit_code == 0) return {written, 0};
  return {-2, 0};
}

std::string KeysHelperFile(std::string_view program_folder) {
  return "\"" + JoinPath(program_folder, kKeysProgramName) + "\"";
}

std::string KeysHelperParameters(uint32_t driver_level, uint32_t library_level) {
  return Format("\"SYSTEM\\CurrentControlSet\\Services\\Orvex\\Parameters\\DebugLevel\" 0x%X "
                "\"SYSTEM\\CurrentControlSet\\Services\\Orvex\\DLL\\DebugLevel\" 0x%X",
                driver_level, library_level);
}

std::optional<uint32_t> ParseLevelText(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  int base = 10;
  if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  uint64_t value = 0;
  bool any = false;
  for (; i < text.size(); ++i) {
    int digit = -1;
    char c = text[i];
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) break;
    any = true;
    value = value * base + static_cast<uint64_t>(digit);
    if (value > 0xFFFFFFFFu) value = 0xFFFFFFFFu;  // saturates, as the C library does
  }
  if (!any) return std::nullopt;
  return static_cast<uint32_t>(value);
}

SettingsAfterWrite DecideAfterWrite(int status) {
  switch (status) {
    case 1:
    case 3:
      return SettingsAfterWrite::kCloseOk;
    case 2:
      return SettingsAfterWrite::kAskReset;
    case 0:
      return SettingsAfterWrite::kShowRegistryError;
    case -2:
      return SettingsAfterWrite::kCloseQuietly;
    default:
      return SettingsAfterWrite::kShowUpdateError;
  }
}

std::string RegistryRefusedText(uint32_t error) {
  return Format("システム用レジストリ操作の権限が与えられていない、あるいはレジストリキーが存在していません。\n"
                "（ドライバ未インストール）\n\nError = %u",
                error);
}

std::string UpdateFailedText(int status, uint32_t error) {
  return Format("システム設定内容の更新に失敗しました。\n\nStatus = %d, Error = %u", status, error);
}

std::string UpdateQuestionText() {
  return "システム設定を更新します。よろしいですか？\n\n※製造／販売元の許可を得ずに不用意な値を設定した場合、"
         "デバイスの動作は保証致しかねます。";
}

std::string ResetQuestionText() {
  return "システム設定の内容を反映するには、デバイスの再接続(USBケーブルの抜き差し)、あるいはハードウェア・リセット"
         "(通話中の回線は切断)が必要となります。\n\nここで、ハードウェア・リセットを実行しますか？";
}

}  // namespace orvex::flash
