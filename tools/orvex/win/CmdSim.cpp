// orvex sim: the simulated adapter from the command line. `init` writes a fresh state file,
// `show` and `set` read and change it, `session` drives a whole device session through the
// device channel and the driver stand-in and prints what happens.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Command.h"
#include "DeviceChannel.h"
#include "DeviceEventQueue.h"
#include "Format.h"
#include "JsonText.h"
#include "ProgramHeader.h"
#include "SimState.h"
#include "SimStore.h"
#include "VersionText.h"
#include "Wide.h"

namespace orvex::cli {
namespace {

constexpr int kExitDeviceError = 4;
constexpr DWORD kWaitMs = 30000;

const char* BoardName(uint8_t kind) {
  switch (kind) {
    case 0x00:
      return "analog trunk";
    case 0x01:
      return "analog extension";
    case 0x02:
      return "INS64";
    case 0x03:
      return "INS1500";
    case 0x04:
      return "INS64U";
    case 0x14:
      return "INS64ST/U";
    case 0x05:
      return "PV board";
    default:
      return "unknown";
  }
}

std::string Words(const uint8_t* words) {
  std::string text;
  for (int i = 0; i < 4; ++i) {
    uint16_t w = GetLe16(words + 2 * i);
    if (w == 0) break;
    if (!text.empty()) text += ' ';
    text += VersionWordText(w);
  }
  return text.empty() ? "-" : text;
}

sim::SimStore StoreFromEnvironment(bool* ok) {
  std::wstring folder = sim::SimStore::FolderFromEnvironment();
  *ok = !folder.empty();
  if (!*ok) Fail("ORVEX_SIM is not set (orvex sim init DIR, then set ORVEX_SIM=DIR)");
  return sim::SimStore(folder);
}

int Init(const Args& args) {
  if (args.size() != 1) {
    Fail("usage: orvex sim init DIR");
    return kExitBadArguments;
  }
  sim::SimStore store(ToWide(args[0]));
  std::string error;
  if (!store.WriteInitial(&error)) {
    Fail(error);
    return kExitFileError;
  }
  Print("%s written\n", FromWide(store.StatePath()).c_str());
  return kExitOk;
}

// The state as the adapter sees it; the operation count always shows, so that a test learns the
// N of a clean run, and so does the time those operations took the adapter itself.
int Show(const Args& args) {
  bool json = false;
  for (const std::string& a : args) {
    if (a != "--json") {
      Fail("usage: orvex sim show [--json]");
      return kExitBadArguments;
    }
    json = true;
  }
  bool ok;
  sim::SimStore store = StoreFromEnvironment(&ok);
  if (!ok) return kExitBadArguments;
  sim::SimState state;
  std::string error;
  if (!store.Load(&state, &error)) {
    Fail(error);
    return kExitFileError;
  }
  if (!json) {
    Print("%s", sim::UpdateSimStateText("operations = 0\nadapter_ms = 0\n", state).c_str());
    return kExitOk;
  }
  std::string keys;
  for (const auto& [key, value] : sim::SimStateEntries(state)) {
    if (!keys.empty()) keys += ", ";
    keys += JsonString(key) + ": " + JsonString(value);
  }
  Print(
      "{\"folder\": %s, \"operations\": %u, \"adapter_ms\": %llu, \"unplug_at\": %u, \"unplugged\": %s, \"present\": %s, "
      "\"available\": %s, \"state\": {%s}}\n",
      JsonString(FromWide(store.Folder())).c_str(), state.operations,
      static_cast<unsigned long long>(state.adapter_ms), state.unplug_at,
      JsonString(state.unplugged).c_str(), state.present ? "true" : "false",
      state.Available(sim::WallClockMs()) ? "true" : "false", keys.c_str());
  return kExitOk;
}

// Each argument is one "key=value" line laid over the state.
int Set(const Args& args) {
  bool ok;
  sim::SimStore store = StoreFromEnvironment(&ok);
  if (!ok) return kExitBadArguments;
  if (args.empty()) {
    Fail("usage: orvex sim set KEY=VALUE...");
    return kExitBadArguments;
  }
  std::string lines;
  for (const std::string& a : args) lines += a + "\n";
  std::string error;
  std::string parse_error;
  bool parsed = false;
  bool updated = store.Update(
      [&](sim::SimState& s) { parsed = sim::ApplySimStateLines(lines, &s, &parse_error); }, nullptr, &error);
  if (!updated || !parsed) {
    Fail(updated ? parse_error : error);
    return kExitBadArguments;
  }
  return kExitOk;
}

// A main controller program one version above what the adapter runs.
std::vector<uint8_t> NextControllerImage(uint16_t version) {
  std::vector<uint8_t> image(4096, 0);
  ProgramHeader h;
  std::memcpy(h.magic, kMagicMain, 6);
  h.kind = 0x00;
  h.valid_size = static_cast<uint32_t>(image.size());
  h.extended[0] = version;
  WriteProgramHeader(h, image.data());
  for (size_t i = 32; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 13);
  uint16_t sum = FileChecksum(image.data(), image.size());
  image[8] = static_cast<uint8_t>(sum);
  image[9] = static_cast<uint8_t>(sum >> 8);
  return image;
}

class Session {
 public:
  Session() { queue_.ReleaseThrough(&channel_); }

  int Run(const std::string& image_path, bool reset) {
    uint32_t library = 0, expected = 0, detail = 0;
    channel_.Versions(&library, &expected, &detail);
    Print("library version %s (the tools expect %s)\n", VersionText(library).c_str(),
                VersionText(expected).c_str());
    if (!channel_.Open(queue_.hwnd(), DeviceEventQueue::kMessages, 3)) {
      Print("open: refused (error %lu)\n", GetLastError());
      return kExitDeviceError;
    }
    Print("open: channel %d\n", channel_.ChannelHandle());
    if (!AttachAndWatch()) return kExitDeviceError;

    if (!ReadParameters()) return kExitDeviceError;
    if (!WriteProgram(image_path)) return kExitDeviceError;
    Print("restart:\n");
    if (!WaitDetach() || !AttachAndWatch()) return kExitDeviceError;
    if (reset) {
      Print("hardware reset: %d\n", channel_.HardwareReset());
      if (!WaitDetach() || !AttachAndWatch()) return kExitDeviceError;
    }
    Driver();
    Print("detach: %d\n", channel_.Detach());
    Print("session complete\n");
    return kExitOk;
  }

 private:
  bool AttachAndWatch() {
    int answer = channel_.Attach();
    Print("attach: %d%s\n", answer, answer == kAttachUnderWay ? " (under way)" : "");
    if (answer == kAttachUnderWay) {
      auto e = queue_.NextOf(kMessageAttachFinished, kWaitMs);
      if (!e) {
        Print("  no attach within %lu s\n", kWaitMs / 1000);
        return false;
      }
      Print("  attach finished: status %d, error %lu\n", e->Status(), e->Error());
      if (e->Status() != kAttachedAtOnce) return false;
    } else if (answer != kAttachedAtOnce) {
      Print("  failed, error %lu\n", GetLastError());
      return false;
    }
    DeviceInfoBlock info = channel_.InfoBlock();
    uint32_t library = 0, expected = 0, detail = 0;
    uint32_t driver = channel_.Versions(&library, &expected, &detail);
    Print("  device: %u channels, %u lines, %u voice, block length %u; driver %s (detail %Xh)\n",
                info.ChannelCount(), info.MaxLines(), info.VoiceChannels(), info.BlockLength(),
                VersionText(driver).c_str(), detail);
    Print("  texts: '%s' '%s' '%s'\n", channel_.DeviceText(1).c_str(), channel_.DeviceText(2).c_str(),
                channel_.DeviceText(3).c_str());
    // Channels start until the system channel has.
    for (;;) {
      auto e = queue_.NextNotification(kCodeChannelStarted, kWaitMs);
      if (!e) {
        Print("  the system channel did not start\n");
        return false;
      }
      const uint8_t* p = e->record.data();
      if (e->header.channel < info.ChannelCount()) {
        Print("  channel %u started: %s (%02Xh), versions %s\n", e->header.channel, BoardName(p[16]),
                    p[16], Words(p + 18).c_str());
        continue;
      }
      Print("  channel %u (system) started: MC-DSP %s, MC-CPU %s, parameters %s\n", e->header.channel,
                  VersionWordText(GetLe16(p + 18)).c_str(), VersionWordText(GetLe16(p + 20)).c_str(),
                  VersionWordText(GetLe16(p + 22)).c_str());
      mc_cpu_ = GetLe16(p + 20);
      break;
    }
    std::string states;
    for (uint32_t c = 1; c <= info.ChannelCount(); ++c) states += Format(" %d", channel_.ChannelStateAt(c));
    Print("  channel states:%s\n", states.c_str());
    return true;
  }

  bool WaitDetach() {
    auto e = queue_.NextOf(kMessageDetached, kWaitMs);
    if (!e) {
      Print("  no detach within %lu s\n", kWaitMs / 1000);
      return false;
    }
    Print("  detached: status %Xh, error %lu\n", static_cast<unsigned>(e->Status()), e->Error());
    return true;
  }

  bool ReadParameters() {
    uint32_t size = 0;
    uint16_t low = 0, high = 0;
    int status = channel_.ParameterReadStart(&size, &low, &high);
    if (status != 0) {
      Print("parameter read: refused with %d\n", status);
      return false;
    }
    Print("parameter read: %u bytes announced, device version words %04X %04X\n", size, low, high);
    uint32_t capacity = channel_.InfoBlock().BlockLength() + 16;
    std::vector<uint8_t> block(capacity);
    std::vector<uint8_t> data;
    int blocks = 0;
    for (;;) {
      int r = channel_.ParameterReadBlock(true, block.data(), capacity);
      if (r < 0) {
        Print("  block %d failed (error %lu)\n", blocks + 1, GetLastError());
        return false;
      }
      ++blocks;
      uint32_t n = GetLe32(block.data());
      if (n > kParameterBlockHeaderSize && n <= capacity)
        data.insert(data.end(), block.begin() + 18, block.begin() + n);
      if (r != 0) break;
    }
    ProgramHeader h;
    bool header = ReadProgramHeader(data.data(), data.size(), &h);
    Print("  %zu bytes in %d blocks; %s, kind %02Xh, version %s\n", data.size(), blocks,
                header && CheckParameterToolHeader(data.data(), data.size())
                    ? "a valid parameter save file"
                    : "not a valid parameter save file",
                header ? h.kind : 0, header ? VersionWordText(h.version()).c_str() : "-");
    return data.size() == size;
  }

  bool WriteProgram(const std::string& image_path) {
    std::vector<uint8_t> image;
    if (image_path.empty()) {
      image = NextControllerImage(static_cast<uint16_t>(mc_cpu_ + 1));
      Print("program write: a main controller program, version %s, %zu bytes\n",
                  VersionWordText(static_cast<uint16_t>(mc_cpu_ + 1)).c_str(), image.size());
    } else {
      std::string error;
      if (!ReadWholeFile(image_path, &image, &error)) {
        Print("program write: %s\n", error.c_str());
        return false;
      }
      if (image.size() % 2 != 0) image.push_back(0);
      Print("program write: %s, %zu bytes\n", image_path.c_str(), image.size());
    }
    int result = channel_.WriteProgramImage(image.data(), image.size());
    Print("  WriteProgramImage: %d\n", result);
    if (result != 0) return false;
    for (;;) {
      auto e = queue_.Next(15000);
      if (!e) {
        Print("  the device fell silent\n");
        channel_.LeaveProgramMode();
        return false;
      }
      if (e->message != kMessageNotification) {
        Print("  unexpected message %Xh (%d)\n", e->message, e->Status());
        return false;
      }
      const uint8_t* p = e->Payload();
      if (e->header.code == kCodeTransferProgress) {
        if (GetLe32(p + 4) == 0) Print("  progress: phase %u done\n", p[0]);
      } else if (e->header.code == kCodeTransferEnd) {
        Print("  end: completion %02X, detail %02X %02X %02X %02X %02X %02X %02X\n", p[0], p[1], p[2],
                    p[3], p[4], p[5], p[6], p[7]);
        channel_.LeaveProgramMode();
        return p[0] == 0;
      }
    }
  }

  void Driver() {
    auto driver = CreateDeviceDriver();
    Adapter adapter = driver->OpenAdapter();
    if (!adapter.Found()) {
      Print("driver: no adapter (error %lu)\n", GetLastError());
      return;
    }
    DriverVersion v;
    bool got = driver->QueryVersion(adapter.handle.Get(), &v);
    Print(
        "driver: adapter %04Xh kind %u, system channel C%u; version %s, attributes %Xh; open count %u\n",
        adapter.info.Product(), adapter.info.ProductKind(), adapter.info.SystemChannelNumber(),
        got ? VersionText(v.version).c_str() : "-", v.detail, driver->QueryOpenCount(adapter.handle.Get()));
  }

  ParameterDeviceChannel channel_;
  DeviceEventQueue queue_;
  uint16_t mc_cpu_ = 0;
};

int RunSession(const Args& args) {
  std::string image;
  bool reset = true;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--write" && i + 1 < args.size()) {
      image = args[++i];
    } else if (args[i] == "--no-reset") {
      reset = false;
    } else {
      Fail("usage: orvex sim session [--write FILE.prg] [--no-reset]");
      return kExitBadArguments;
    }
  }
  bool ok;
  sim::SimStore store = StoreFromEnvironment(&ok);
  if (!ok) return kExitBadArguments;
  sim::SimState state;
  std::string error;
  if (!store.Load(&state, &error)) {
    Fail(error);
    return kExitFileError;
  }
  Print("ORVEX_SIM = %s\n", FromWide(store.Folder()).c_str());
  Session session;
  return session.Run(image, reset);
}

int Run(const Args& args) {
  if (args.empty()) {
    Fail("usage: orvex sim init|show|set|session ...");
    return kExitBadArguments;
  }
  Args rest(args.begin() + 1, args.end());
  if (args[0] == "init") return Init(rest);
  if (args[0] == "show") return Show(rest);
  if (args[0] == "set") return Set(rest);
  if (args[0] == "session") return RunSession(rest);
  Fail("unknown sim command '" + args[0] + "'");
  return kExitBadArguments;
}

CommandRegistrar reg(
    {"sim",
     "  sim init DIR                     write a fresh simulated adapter into DIR\n"
     "  sim show [--json]                the adapter's state (folder in ORVEX_SIM) and its\n"
     "                                   operation count\n"
     "  sim set KEY=VALUE...             change it, e.g. fault.alarm=0x42 unplug_at=40 present=1\n"
     "  sim session [--write FILE.prg] [--no-reset]\n"
     "                                   a whole device session, printed step by step",
     Run});

}  // namespace
}  // namespace orvex::cli
