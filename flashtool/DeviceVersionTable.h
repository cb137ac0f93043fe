// What the attached device has said about its channels: one 16-byte entry for the main
// controller (entry 0) and one per line channel, kept from the channel-started records, and the
// texts of the device list built from them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "FileListRules.h"

namespace orvex::flash {

// Record offsets of a channel-started record: board kind, then the version words.
constexpr size_t kBoardKindOffset = 16;
constexpr size_t kWordOffset18 = 18;
constexpr size_t kWordOffset20 = 20;  // the main controller's version
constexpr size_t kWordOffset22 = 22;
constexpr size_t kWordOffset24 = 24;
// A record must hold at least this much for an entry to be taken from it.
constexpr size_t kStartedRecordMinSize = 26;

struct ChannelEntry {
  uint32_t started = 0;
  uint8_t bytes[10] = {};  // record offsets 16..25

  uint8_t BoardKind() const { return bytes[0]; }
  // The word at record offset 16 + 2k (18, 20, 22 or 24).
  uint16_t Word(size_t record_offset) const;
};

// The lowest word that no started channel gave: above every 16-bit word.
constexpr uint32_t kNoWord = 0x10000;

class DeviceVersionTable {
 public:
  // Entries for the main controller and `max_lines` line channels; `channel_count` is N (the
  // system channel's number).
  DeviceVersionTable(uint32_t max_lines, uint32_t channel_count);

  // The entry a channel-started record fills: the channel itself below N, else 0 (the main
  // controller). Nothing when the record is too short or the channel has no entry.
  std::optional<size_t> OnChannelStarted(const uint8_t* record, size_t size);
  // The line channel a channel-stopped record ends (0 < channel < N), else nothing.
  std::optional<size_t> OnChannelStopped(uint32_t channel);

  size_t Size() const { return entries_.size(); }
  uint32_t ChannelCount() const { return channel_count_; }
  const ChannelEntry& Entry(size_t index) const { return entries_[index]; }
  // The main controller's word at a record offset; 0 before it has started.
  uint16_t MainWord(size_t record_offset) const { return entries_[0].Word(record_offset); }
  bool MainStarted() const { return entries_[0].started != 0; }

  // The lowest word at `record_offset` of the started line channels whose board kind passes
  // `kind_matches` and whose word passes `word_matches` (when given); kNoWord when none.
  template <typename KindMatch, typename WordMatch>
  uint32_t LowestLineWord(size_t record_offset, KindMatch kind_matches, WordMatch word_matches) const {
    uint32_t lowest = kNoWord;
    for (size_t c = 1; c < entries_.size(); ++c) {
      const ChannelEntry& e = entries_[c];
      if (!e.started || !kind_matches(e.BoardKind())) continue;
      uint16_t w = e.Word(record_offset);
      if (word_matches(w) && w < lowest) lowest = w;
    }
    return lowest;
  }
  uint32_t LowestLineWord(size_t record_offset, uint8_t board_kind) const {
    return LowestLineWord(record_offset, [&](uint8_t k) { return k == board_kind; }, [](uint16_t) { return true; });
  }

 private:
  std::vector<ChannelEntry> entries_;
  uint32_t channel_count_;
};

// ---- Device list texts ----

constexpr int kDeviceColumnCount = 5;
constexpr ListColumn kDeviceColumns[kDeviceColumnCount] = {
    {"ﾁｬﾈﾙ番号", 8, false}, {"ﾎﾞｰﾄﾞ種別", 11, false}, {"ﾊﾞｰｼﾞｮﾝ番号", 24, false},
    {"状態", 33, false},    {"拡張情報", 24, false},
};

constexpr char kMainRowLabel[] = "(MC)";
constexpr char kMainRowKind[] = "本体";

// "%02d" of a line channel.
std::string ChannelLabel(uint32_t channel);
// The line board's name, or "unknown(%02X)".
std::string BoardKindName(uint8_t kind);
// The main controller's kind column: the current text up to its first blank, then " PV" or
// " USB2.0" by the driver detail's low 12 bits (4, or 3 and more).
std::string MainKindText(const std::string& current, uint32_t driver_detail);
// Up to four version words, stopping at the first 0, each "%d.%03X", one blank between.
std::string EntryVersionsText(const ChannelEntry& entry);
// The five 16-bit words at entry offsets 4-13 (the board kind byte and what follows) as "%04X".
std::string EntryExtendedText(const ChannelEntry& entry);

// ---- Status texts of the device list ----

std::string AttachWaitingText();                                // ﾃﾞﾊﾞｲｽ接続待機...
std::string ChannelWaitingText();                               // ﾁｬﾈﾙ起動待機...
std::string RestartWaitingText();                               // ﾁｬﾈﾙ再起動待機...
std::string AttachCallFailedText(int answer, uint32_t error);   // the attach call itself
std::string AttachFailedText(uint32_t status, uint32_t error);  // the attach-finished message
std::string AttachMemoryText();
std::string DeviceFaultText(uint32_t status, uint32_t error);   // an abnormal detach
std::string TransferStatusText(uint8_t status);                 // empty: clear the status
std::string DeviceStoppedText(uint8_t status);
std::string DeviceStatusText(uint8_t status);

}  // namespace orvex::flash
