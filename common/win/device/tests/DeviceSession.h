// A device channel on a fresh simulated adapter, with a window that collects its messages.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DeviceChannel.h"
#include "DeviceEventQueue.h"
#include "SimFolder.h"

namespace orvex::test {

constexpr DWORD kWait = 10000;

// One whole parameter read: what the device announced, the data of every block, the block
// lengths and the last answer of the block call.
struct ReadResult {
  uint32_t announced = 0;
  std::vector<uint8_t> data;
  std::vector<uint32_t> lengths;
  int last = 0;
};

inline ReadResult ReadParameters(ParameterDeviceChannel& channel) {
  ReadResult result;
  uint16_t low, high;
  EXPECT_EQ(channel.ParameterReadStart(&result.announced, &low, &high), 0);
  std::vector<uint8_t> block(1040);
  do {
    result.last = channel.ParameterReadBlock(true, block.data(), 1040);
    if (result.last < 0) break;
    uint32_t n = GetLe32(block.data());
    result.lengths.push_back(n);
    if (n > 18 && n <= block.size())
      result.data.insert(result.data.end(), block.begin() + 18, block.begin() + n);
  } while (result.last == 0);
  return result;
}

struct DeviceSession {
  explicit DeviceSession(const std::string& lines = "") : sim(lines) {
    queue.ReleaseThrough(&channel);
    opened = channel.Open(queue.hwnd(), DeviceEventQueue::kMessages, 3) == 1;
  }

  // Attaches and waits for the attach-finished message; its status, or -1 when none came.
  int AttachAndWait(DWORD* error = nullptr) {
    int answer = channel.Attach();
    if (answer != kAttachUnderWay) return answer;
    auto e = queue.NextOf(kMessageAttachFinished, kWait);
    if (!e) return -1;
    if (error) *error = e->Error();
    return e->Status();
  }

  // Waits for the system channel's started record; the records before it go to *lines.
  bool WaitSystemChannel(std::vector<DeviceEvent>* lines = nullptr) {
    for (;;) {
      auto e = queue.NextNotification(kCodeChannelStarted, kWait);
      if (!e) return false;
      if (e->header.channel >= channel.InfoBlock().ChannelCount()) return true;
      if (lines) lines->push_back(*e);
    }
  }

  bool AttachReady() { return AttachAndWait() == kAttachedAtOnce && WaitSystemChannel(); }

  SimFolder sim;
  ParameterDeviceChannel channel;
  DeviceEventQueue queue;
  bool opened = false;
};

}  // namespace orvex::test
