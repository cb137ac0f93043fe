// Notification records as the main window and the update dialog read them: channel-started
// records into the version table and the device list, progress and end records on the bar.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "DebugLevels.h"
#include "DeviceRecords.h"
#include "DeviceVersionTable.h"
#include "UpdateTransferRules.h"

using namespace orvex;
using namespace orvex::flash;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  // The first bytes shape the device, the rest are records of 32 bytes.
  const uint32_t max_lines = data[0];
  const uint32_t channels = data[1];
  const uint32_t valid_size = GetLe16(data + 2) * 257u;
  DeviceVersionTable table(max_lines, channels);
  for (size_t at = 4; at + 32 <= size; at += 32) {
    std::vector<uint8_t> record(data + at, data + at + 32);
    NotificationHeader h = ReadNotificationHeader(record.data());
    if (auto index = table.OnChannelStarted(record.data(), record.size())) {
      const ChannelEntry& e = table.Entry(*index);
      (void)EntryVersionsText(e);
      (void)EntryExtendedText(e);
      (void)BoardKindName(e.BoardKind());
    }
    if (h.code == kCodeChannelStopped) (void)table.OnChannelStopped(h.channel);
    std::string detail = RecordDetailText(record.data());
    int32_t position = ProgressPosition(valid_size, record[16], GetLe32(record.data() + 20));
    if (position < 0 || position > ProgressScale(valid_size)) __builtin_trap();
    (void)NoAnswerText(ProgressText(detail));
    (void)AutoEndFailedText(EndFailedText(record[16], detail));
  }
  (void)table.LowestLineWord(kWordOffset22, 0x02);
  // A REG_SZ level is outside input too.
  (void)ParseLevelText(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
