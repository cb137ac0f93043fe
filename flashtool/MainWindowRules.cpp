#include "MainWindowRules.h"

#include "Cp932Text.h"
#include "DeviceRecords.h"
#include "Format.h"

namespace orvex::flash {

std::optional<std::string> WatchdogReport(int phase, uint64_t elapsed_ms, uint32_t wait_ms) {
  if ((phase != kPhaseWaitDevice && phase != kPhaseWaitSystemChannel) || elapsed_ms <= wait_ms) return std::nullopt;
  int seconds = static_cast<int>(wait_ms / 1000);
  if (phase == kPhaseWaitDevice) return Format("デバイス接続待機時間オーバー(%d秒)", seconds);
  return Format("システム・チャネル接続待機時間オーバー(%d秒)", seconds);
}

std::string HelpFilePath(std::string_view program_path) {
  std::string path(program_path);
  size_t dot = FindLastChar(path, '.');
  size_t slash = FindLastChar(path, '\\');
  if (dot != kNotFound && (slash == kNotFound || dot > slash) && path.size() - dot - 1 == 3) {
    path.replace(dot + 1, 3, "chm");
  } else {
    path += ".chm";
  }
  return path;
}

uint32_t LostDeviceValue(uint32_t status, uint32_t error) {
  if (status == kDetachOrdinary) return 0;
  return error != 0 ? error : 1;
}

std::string FolderDialogTitle(std::string_view extension) {
  return Format("更新ファイル(*.%s) が存在するフォルダの指定", std::string(extension).c_str());
}
std::string UpdateQuestion(std::string_view name) {
  return Format("選択されたファイル  '%s'  によって、対象となるデバイス・バージョンを更新します。\n\nよろしいですか？",
                std::string(name).c_str());
}
std::string FillFailedText() { return "ファイル検索に失敗しました"; }
std::string NoFileSelectedText() { return "更新ファイルが選択されていません"; }
std::string AutoNoFileSelectedText() { return "更新ファイル非選択"; }
std::string HelpMissingText(std::string_view help_path) {
  return Format("ヘルプファイルが見つからないか、もしくは壊れています。\n\n%s", std::string(help_path).c_str());
}
std::string MenuFailedText() { return "メニュー・リソースの作成に失敗しました。"; }
std::string ChannelFailedText() { return "デバイス制御オブジェクトの作成に失敗しました。\n\n(デバイス制御不能)"; }
std::string AutoChannelFailedText() { return "デバイス制御オブジェクト作成失敗"; }
std::string AutoTimerFailedText() { return "タイマ・イベントの起動に失敗しました。"; }
std::string AutoDeviceFaultText(uint32_t status, uint32_t error) {
  return Format("デバイスに異常が発生しました。\n\nStat = %Xh, Err = %d", status, static_cast<int>(error));
}
std::string AutoDeviceStoppedText(uint8_t status) { return Format("デバイス停止通知 Stat = %Xh", status); }
std::string FatalAlarmQuestion(uint8_t status) {
  return Format("デバイスに致命的なエラーが発生しました。 Stat = %Xh\n\nハードウェア・リセットを実行しますか？\n\n"
                "※ここでハードウェア・リセットを行わない場合は、デバイスの電源を一旦OFF(しばらくしてからON)にして下さい。",
                status);
}
std::string ResetQuestion() { return "デバイスをハードウェア・リセットします。\n\nよろしいですか？"; }

}  // namespace orvex::flash
