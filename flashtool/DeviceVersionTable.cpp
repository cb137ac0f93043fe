#include "DeviceVersionTable.h"

#include <cstring>

#include "DeviceRecords.h"
#include "Format.h"
#include "ProgramHeader.h"

namespace orvex::flash {

uint16_t ChannelEntry::Word(size_t record_offset) const {
  if (record_offset < kBoardKindOffset || record_offset + 2 > kBoardKindOffset + sizeof bytes) return 0;
  return GetLe16(bytes + (record_offset - kBoardKindOffset));
}

DeviceVersionTable::DeviceVersionTable(uint32_t max_lines, uint32_t channel_count)
    : entries_(static_cast<size_t>(max_lines) + 1), channel_count_(channel_count) {}

std::optional<size_t> DeviceVersionTable::OnChannelStarted(const uint8_t* record, size_t size) {
  if (record == nullptr || size < kStartedRecordMinSize) return std::nullopt;
  uint32_t channel = ReadNotificationHeader(record).channel;
  size_t index = channel < channel_count_ ? channel : 0;
  if (index >= entries_.size()) return std::nullopt;
  ChannelEntry& e = entries_[index];
  e.started = 1;
  std::memcpy(e.bytes, record + kBoardKindOffset, sizeof e.bytes);
  return index;
}

std::optional<size_t> DeviceVersionTable::OnChannelStopped(uint32_t channel) {
  if (channel == 0 || channel >= channel_count_ || channel >= entries_.size()) return std::nullopt;
  entries_[channel].started = 0;
  return channel;
}

std::string ChannelLabel(uint32_t channel) { return Format("%02u", channel); }

std::string BoardKindName(uint8_t kind) {
  switch (kind) {
    case 0x00: return "ｱﾅﾛｸﾞ局線";
    case 0x01: return "ｱﾅﾛｸﾞ内線";
    case 0x02: return "INS64";
    case 0x03: return "INS1500";
    case 0x04: return "INS64U";
    case 0x14: return "INS64ST/U";
    case 0x05: return "PVﾎﾞｰﾄﾞ";
    default: return Format("unknown(%02X)", kind);
  }
}

std::string MainKindText(const std::string& current, uint32_t driver_detail) {
  std::string text = current.substr(0, current.find(' '));
  uint32_t connection = driver_detail & 0x0FFF;
  if (connection == 4) {
    text += " PV";
  } else if (connection >= 3) {
    text += " USB2.0";
  }
  return text;
}

std::string EntryVersionsText(const ChannelEntry& entry) {
  std::string text;
  for (size_t offset = kWordOffset18; offset <= kWordOffset24; offset += 2) {
    uint16_t w = entry.Word(offset);
    if (w == 0) break;
    if (!text.empty()) text += ' ';
    text += VersionWordText(w);
  }
  return text;
}

std::string EntryExtendedText(const ChannelEntry& entry) {
  std::string text;
  for (size_t k = 0; k < 5; ++k) {
    if (k > 0) text += ' ';
    text += Format("%04X", GetLe16(entry.bytes + 2 * k));
  }
  return text;
}

std::string AttachWaitingText() { return "ﾃﾞﾊﾞｲｽ接続待機..."; }
std::string ChannelWaitingText() { return "ﾁｬﾈﾙ起動待機..."; }
std::string RestartWaitingText() { return "ﾁｬﾈﾙ再起動待機..."; }

std::string AttachCallFailedText(int answer, uint32_t error) {
  return Format("ﾃﾞﾊﾞｲｽ接続異常 Stat = %Xh, Err = %d", static_cast<unsigned>(answer), static_cast<int>(error));
}
std::string AttachFailedText(uint32_t status, uint32_t error) {
  return Format("ﾃﾞﾊﾞｲｽ接続失敗 Stat = %Xh, Err = %d", status, static_cast<int>(error));
}
std::string AttachMemoryText() { return "ﾃﾞﾊﾞｲｽ接続失敗(ﾒﾓﾘ不足)"; }
std::string DeviceFaultText(uint32_t status, uint32_t error) {
  return Format("ﾃﾞﾊﾞｲｽ異常 Stat = %Xh, Err = %d", status, static_cast<int>(error));
}
std::string TransferStatusText(uint8_t status) {
  if (status == 1) return std::string();
  if (status == 0) return "ﾃﾞﾊﾞｲｽ転送停止";
  return Format("ﾃﾞﾊﾞｲｽ転送状態(%02Xh)", status);
}
std::string DeviceStoppedText(uint8_t status) { return Format("ﾃﾞﾊﾞｲｽ停止通知(%02Xh)", status); }
std::string DeviceStatusText(uint8_t status) { return Format("ﾃﾞﾊﾞｲｽ状態通知(%02Xh)", status); }

}  // namespace orvex::flash
