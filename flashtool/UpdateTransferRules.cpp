#include "UpdateTransferRules.h"

#include <algorithm>

#include "Cp932Text.h"
#include "DeviceRecords.h"
#include "Format.h"

namespace orvex::flash {

int32_t ProgressScale(uint32_t valid_size) {
  return static_cast<int32_t>((valid_size / 2) * 10);
}

int32_t ProgressPosition(uint32_t valid_size, uint8_t pass, uint32_t remaining) {
  const int64_t half = valid_size / 2;
  const int64_t r = std::min<int64_t>(remaining, half);
  const int64_t position = ((static_cast<int64_t>(pass) - 1) * valid_size) / 2 + half - r;
  return static_cast<int32_t>(std::clamp<int64_t>(position, 0, ProgressScale(valid_size)));
}

std::string RecordDetailText(const uint8_t* record) {
  std::string text;
  for (size_t i = 0; i < 8; ++i) text += Format(" %02X", record[kRecordHeaderSize + i]);
  return text;
}

std::string TitleText(std::string_view title, std::string_view name, std::string_view kind, std::string_view version) {
  std::string text(title);
  text += " - <";
  text += name;
  text += "> ";
  text += kind;
  text += " Ver ";
  text += version;
  return text;
}

std::string RunningText() { return "実行中"; }
std::string ProgressText(std::string_view detail) { return "実行中 :" + std::string(detail); }
std::string SucceededText() { return "正常に終了しました"; }
std::string EndFailedText(uint8_t status, std::string_view detail) {
  return Format("異常終了 Err = %Xh : ", status) + std::string(detail);
}

std::string NoAnswerText(std::string_view current) {
  size_t colon = FindChar(current, ':');
  if (colon == kNotFound) return "更新失敗(デバイス応答無)";
  return Format("更新失敗(デバイス応答無) Err = %s", std::string(current.substr(colon + 1)).c_str());
}

std::string OpenFailedText() { return "更新失敗(更新ﾌｧｲﾙ･ｵｰﾌﾟﾝ失敗)"; }
std::string FileFaultText() { return "更新失敗(更新ﾌｧｲﾙ異常)"; }
std::string MemoryText() { return "更新失敗(メモリ不足)"; }
std::string ReadFailedText() { return "更新失敗(更新ﾌｧｲﾙ読込失敗)"; }
std::string TimerFailedText() { return "更新失敗(ﾀｲﾏｰ･ｲﾍﾞﾝﾄ取得失敗)"; }
std::string WriteRefusedText(int result) {
  if (result == 255) return Format("更新失敗(更新ﾌｧｲﾙ形式不可 Stat = %d)", result);
  return Format("更新失敗(ﾃﾞﾊﾞｲｽ異常 Stat = %d)", result);
}

std::string TransferErrorMessage() {
  return "デバイスに転送エラーが発生しました。\n\nデバイスの電源を一旦OFF(しばらくしてからON)にして、再度行って下さい。";
}
std::string NoAnswerMessage() {
  return "デバイスからの応答がありません。\n\nデバイスの電源を一旦OFF(しばらくしてからON)にして、再度行って下さい。";
}

std::string AutoReadFailedText(uint32_t error) { return Format("ファイル読込失敗 Err = %d", static_cast<int>(error)); }
std::string AutoResourceText() { return "リソースエラー（メモリ不足）"; }
std::string AutoWriteFailedText(int result) { return Format("フラッシュ書換データ転送失敗 Err = %d", result); }
std::string AutoLostDeviceText(uint32_t error) {
  if (error == 0) return "更新失敗(デバイス取外検知)";
  return Format("更新失敗(デバイス異常検知=%u)", error);
}
std::string AutoSucceededText() { return "更新成功"; }
std::string AutoResetText(bool done) { return Format("ハードウェア・リセット%s", done ? "実行" : "失敗"); }

std::string ReplaceFirst(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  for (size_t pos = 0; pos < text.size(); pos += CharLength(text, pos)) {
    if (text.substr(pos, from.size()) == from) {
      std::string out(text.substr(0, pos));
      out += to;
      out += text.substr(pos + from.size());
      return out;
    }
  }
  return std::string(text);
}

std::string AutoEndFailedText(std::string_view status) { return ReplaceFirst(status, "異常終了", "更新失敗"); }
std::string AutoNoAnswerText(std::string_view status) { return ReplaceFirst(status, "失敗", "異常"); }

}  // namespace orvex::flash
