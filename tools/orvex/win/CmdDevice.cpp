// orvex device: the adapter itself, through Orvex.dll as OrvexSet and OrvexFlash bind it. `info`
// shows what OrvexFlash's device list shows, `params read|write` are OrvexSet's /s and /f, `plan`
// is what OrvexFlash /a would do with a package, worked out by its own sequencer without writing.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Command.h"
#include "DefinitionLoader.h"
#include "DeviceChannel.h"
#include "DeviceDriver.h"
#include "DeviceEventQueue.h"
#include "DeviceVersionTable.h"
#include "FileListRules.h"
#include "Format.h"
#include "HandoffFile.h"
#include "JsonText.h"
#include "NumberText.h"
#include "PathText.h"
#include "ProgramHeader.h"
#include "ReadTransfer.h"
#include "Sequencer.h"
#include "UpdateFileList.h"
#include "UpdateInfoFile.h"
#include "VersionText.h"
#include "Wide.h"
#include "WriteTransfer.h"

namespace orvex::cli {
namespace {

using namespace orvex::flash;

// Exit codes of `device info` and `device plan`; `params` exits with OrvexSet's file-mode codes.
constexpr int kExitDeviceFailed = 4;
constexpr int kExitNoAdapter = 5;
constexpr int kExitHeld = 6;
// OrvexSet's file-mode codes that are about the device rather than the file.
constexpr int kParamsNoDevice = 256;
constexpr int kParamsDeviceFailed = 257;
constexpr int kParamsResource = 255;

constexpr DWORD kDefaultWaitSeconds = 10;
// From the attach to the system channel: OrvexSet's file-mode limit.
constexpr DWORD kChannelWaitMs = 30000;

enum class Connect { kOk, kNoAdapter, kHeld, kFailed };

// An attached adapter with every channel it has started, as the tools see it after an attach.
class DeviceSession {
 public:
  DeviceSession() { queue_.ReleaseThrough(&channel_); }
  ~DeviceSession() {
    if (attached_) channel_.Detach();
  }

  // Waits up to `wait_ms` for an adapter; `check_held` refuses one that another application has
  // open (the driver's open count, as OrvexRoll asks it).
  Connect Open(DWORD wait_ms, bool check_held) {
    const ULONGLONG until = GetTickCount64() + wait_ms;
    while (!ParameterDeviceChannel::DevicePresent()) {
      if (GetTickCount64() >= until) return Connect::kNoAdapter;
      Sleep(250);
    }
    if (check_held) {
      auto driver = CreateDeviceDriver();
      Adapter adapter = driver->OpenAdapter();
      if (adapter.Found() && driver->QueryOpenCount(adapter.handle.Get()) > 1) return Connect::kHeld;
    }
    if (!channel_.Open(queue_.hwnd(), DeviceEventQueue::kMessages, 3)) {
      error_ = Format("the device channel could not be opened (error %lu)", GetLastError());
      return Connect::kFailed;
    }
    return Attach(until > GetTickCount64() + kChannelWaitMs ? until - GetTickCount64() : kChannelWaitMs);
  }

  ParameterDeviceChannel& channel() { return channel_; }
  DeviceEventQueue& queue() { return queue_; }
  const DeviceVersionTable& table() const { return *table_; }
  const std::string& error() const { return error_; }
  void Forget() { attached_ = false; }  // the adapter restarts on its own after a write

 private:
  Connect Attach(DWORD wait_ms) {
    const ULONGLONG until = GetTickCount64() + wait_ms;
    auto left = [&]() -> DWORD {
      ULONGLONG now = GetTickCount64();
      return now >= until ? 0 : static_cast<DWORD>(until - now);
    };
    int answer = channel_.Attach();
    if (answer == kAttachUnderWay) {
      auto e = queue_.NextOf(kMessageAttachFinished, left());
      if (!e) {
        error_ = Format("no attach within %lu s", wait_ms / 1000);
        return Connect::kFailed;
      }
      if (e->Status() != kAttachedAtOnce) {
        error_ = Format("the attach failed: status %Xh, error %lu", static_cast<unsigned>(e->Status()), e->Error());
        return Connect::kFailed;
      }
    } else if (answer != kAttachedAtOnce) {
      // Both tools take every answer but 255 for a failure.
      error_ = Format("the attach failed: status %Xh, error %lu", static_cast<unsigned>(answer), GetLastError());
      return Connect::kFailed;
    }
    attached_ = true;
    DeviceInfoBlock info = channel_.InfoBlock();
    table_ = std::make_unique<DeviceVersionTable>(info.MaxLines(), info.ChannelCount());
    // The channels start until the system channel has; a few may follow it.
    while (!table_->MainStarted()) {
      auto e = queue_.Next(left());
      if (!e) {
        error_ = Format("the system channel did not start within %lu s", wait_ms / 1000);
        return Connect::kFailed;
      }
      if (!Take(*e)) return Connect::kFailed;
    }
    while (auto e = queue_.Next(200)) {
      if (!Take(*e)) return Connect::kFailed;
    }
    return Connect::kOk;
  }

  bool Take(const DeviceEvent& e) {
    if (e.message == kMessageDetached) {
      attached_ = false;
      error_ = Format("the adapter went away: status %Xh, error %lu", static_cast<unsigned>(e.Status()), e.Error());
      return false;
    }
    if (e.message != kMessageNotification) return true;
    if (e.header.code == kCodeChannelStarted) {
      table_->OnChannelStarted(e.record.data(), e.record.size());
    } else if (e.header.code == kCodeChannelStopped) {
      table_->OnChannelStopped(e.header.channel);
    } else if (e.header.code == kCodeDeviceStopped) {
      error_ = Format("the adapter reports a device stop (%02Xh)", e.Payload()[0]);
      return false;
    }
    return true;
  }

  ParameterDeviceChannel channel_;
  DeviceEventQueue queue_;
  std::unique_ptr<DeviceVersionTable> table_;
  bool attached_ = false;
  std::string error_;
};

int ConnectFailure(const char* command, Connect result, const DeviceSession& session) {
  switch (result) {
    case Connect::kNoAdapter:
      Fail(std::string(command) + ": no adapter");
      return kExitNoAdapter;
    case Connect::kHeld:
      Fail(std::string(command) + ": the adapter is held by another application");
      return kExitHeld;
    default:
      Fail(std::string(command) + ": " + session.error());
      return kExitDeviceFailed;
  }
}

// --json and --wait SECONDS among a command's arguments; the rest are its operands.
struct DeviceArgs {
  bool json = false;
  DWORD wait_ms = kDefaultWaitSeconds * 1000;
  std::vector<std::string> operands;
};

bool ParseDeviceArgs(const char* usage, const Args& args, bool json_allowed, DeviceArgs* out) {
  for (size_t i = 0; i < args.size(); ++i) {
    if (json_allowed && args[i] == "--json") {
      out->json = true;
    } else if (args[i] == "--wait" && i + 1 < args.size()) {
      const std::string& value = args[++i];
      char* end = nullptr;
      unsigned long seconds = std::strtoul(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0' || value[0] == '-' || seconds > 3600) {
        Fail(std::string("--wait takes seconds, 0 to 3600: '") + args[i] + "'");
        return false;
      }
      out->wait_ms = static_cast<DWORD>(seconds * 1000);
    } else if (!args[i].empty() && args[i][0] == '-') {
      Fail(std::string("usage: ") + usage);
      return false;
    } else {
      out->operands.push_back(args[i]);
    }
  }
  return true;
}

// ---- info ----

std::string WordText(uint16_t w) { return VersionWordText(w); }

int Info(const Args& args) {
  const char* usage = "orvex device info [--json] [--wait SECONDS]";
  DeviceArgs a;
  if (!ParseDeviceArgs(usage, args, true, &a)) return kExitBadArguments;
  if (!a.operands.empty()) {
    Fail(std::string("usage: ") + usage);
    return kExitBadArguments;
  }
  DeviceSession session;
  Connect c = session.Open(a.wait_ms, true);
  if (c != Connect::kOk) return ConnectFailure("device info", c, session);

  ParameterDeviceChannel& channel = session.channel();
  const DeviceVersionTable& table = session.table();
  const DeviceInfoBlock info = channel.InfoBlock();
  uint32_t library = 0, expected = 0, detail = 0;
  const uint32_t driver = channel.Versions(&library, &expected, &detail);
  const uint16_t dsp = table.MainWord(kWordOffset18), cpu = table.MainWord(kWordOffset20);
  const uint16_t para = table.MainWord(kWordOffset22), second = table.MainWord(kWordOffset24);
  const int generation = cpu >> 12;
  const std::string main_kind = MainKindText(kMainRowKind, detail);
  struct Row {
    std::string channel, kind, versions, extended;
    uint32_t number;
    uint8_t board;
  };
  std::vector<Row> rows;
  rows.push_back({kMainRowLabel, main_kind, EntryVersionsText(table.Entry(0)), EntryExtendedText(table.Entry(0)), 0,
                  table.Entry(0).BoardKind()});
  for (size_t c = 1; c < table.Size(); ++c) {
    const ChannelEntry& e = table.Entry(c);
    if (!e.started) continue;
    rows.push_back({ChannelLabel(static_cast<uint32_t>(c)), BoardKindName(e.BoardKind()), EntryVersionsText(e),
                    EntryExtendedText(e), static_cast<uint32_t>(c), e.BoardKind()});
  }
  const std::string texts[3] = {channel.DeviceText(1), channel.DeviceText(2), channel.DeviceText(3)};

  if (a.json) {
    std::string list;
    for (const Row& r : rows) {
      if (!list.empty()) list += ", ";
      list += Format("{\"channel\": %u, \"label\": %s, \"board_kind\": %u, \"kind\": %s, \"versions\": %s, "
                     "\"extended\": %s}",
                     r.number, JsonString(r.channel).c_str(), r.board, JsonString(r.kind).c_str(),
                     JsonString(r.versions).c_str(), JsonString(r.extended).c_str());
    }
    Print("{\"channels\": %u, \"max_lines\": %u, \"voice_channels\": %u, \"block_length\": %u, "
          "\"main\": {\"mc_dsp\": %s, \"mc_cpu\": %s, \"parameters\": %s, \"second\": %s, \"generation\": %d}, "
          "\"library_version\": %s, \"expected_library_version\": %s, \"driver_version\": %s, "
          "\"driver_detail\": %u, \"device_texts\": %s, \"list\": [%s]}\n",
          info.ChannelCount(), info.MaxLines(), info.VoiceChannels(), info.BlockLength(),
          JsonString(WordText(dsp)).c_str(), JsonString(WordText(cpu)).c_str(), JsonString(WordText(para)).c_str(),
          JsonString(WordText(second)).c_str(), generation, JsonString(VersionText(library)).c_str(),
          JsonString(VersionText(expected)).c_str(), JsonString(VersionText(driver)).c_str(), detail,
          JsonList({texts[0], texts[1], texts[2]}).c_str(), list.c_str());
    return kExitOk;
  }
  Print("adapter:          %s %s %s\n", texts[0].c_str(), texts[1].c_str(), texts[2].c_str());
  Print("channels:         %u (channel %u is the system channel), %u lines, %u voice\n", info.ChannelCount(),
        info.ChannelCount(), info.MaxLines(), info.VoiceChannels());
  Print("main controller:  MC-DSP %s, MC-CPU %s, parameters %s, %s; generation %d\n", WordText(dsp).c_str(),
        WordText(cpu).c_str(), WordText(para).c_str(), WordText(second).c_str(), generation);
  Print("library:          %s (the tools expect %s)\n", VersionText(library).c_str(), VersionText(expected).c_str());
  Print("driver:           %s (detail %Xh)\n", VersionText(driver).c_str(), detail);
  Print("\n%-8s %-11s %-24s %s\n", kDeviceColumns[0].heading, kDeviceColumns[1].heading, kDeviceColumns[2].heading,
        kDeviceColumns[4].heading);
  for (const Row& r : rows) {
    Print("%-8s %-11s %-24s %s\n", r.channel.c_str(), r.kind.c_str(), r.versions.c_str(), r.extended.c_str());
  }
  return kExitOk;
}

// ---- params read / write ----

// A text progress bar on stderr, drawn only when stderr is a console.
class ProgressBar {
 public:
  explicit ProgressBar(const char* label) : label_(label), shown_(StreamIsConsole(stderr)) {}
  ~ProgressBar() {
    if (drawn_) PrintTo(stderr, "\n");
  }
  void Show(uint64_t position, uint64_t range) {
    if (!shown_ || range == 0) return;
    unsigned percent = static_cast<unsigned>(position * 100 / range);
    if (drawn_ && percent == last_) return;
    last_ = percent;
    drawn_ = true;
    std::string bar(percent / 4, '#');
    bar.resize(25, '.');
    PrintTo(stderr, Format("\r%s [%s] %3u%%", label_, bar.c_str(), percent));
  }

 private:
  const char* label_;
  bool shown_;
  bool drawn_ = false;
  unsigned last_ = 101;
};

// OrvexSet's final message for a file-mode exit code.
std::string ParamsResultText(uint32_t code, bool read) {
  switch (code) {
    case 1: return "ファイル・オープンに失敗しました。";
    case 2: return "ファイル・リード／ライトに失敗しました。";
    case 3: return read ? "読み込まれたパラメータ・データは不正です。" : "書換パラメータ・ファイル形式が不正です。";
    case 255: return "リソース・エラーが発生しました。（メモリ不足の可能性があります）";
    case 256: return "デバイスが接続されていません。";
    case 257:
      return "デバイスに異常が発生しました。※一旦、デバイスの電源をOFFにして、しばらくしてから電源ONにして再度実行して下さい。";
    default: return "";
  }
}

int ParamsEnd(const char* command, uint32_t code, bool read, const std::string& detail = "") {
  if (code != 0) {
    Fail(Format("%s: %u %s%s", command, code, ParamsResultText(code, read).c_str(),
                detail.empty() ? "" : (" (" + detail + ")").c_str()));
  }
  return static_cast<int>(code);
}

class ChannelBlocks : public ParameterBlockSource {
 public:
  explicit ChannelBlocks(ParameterDeviceChannel& channel) : channel_(channel) {}
  int NextBlock(uint8_t* buffer, uint32_t capacity) override {
    int r = channel_.ParameterReadBlock(true, buffer, capacity);
    if (r < 0) error_ = GetLastError();
    return r;
  }
  void EndRead(uint8_t* buffer, uint32_t capacity) override { channel_.ParameterReadBlock(false, buffer, capacity); }
  uint32_t LastError() const override { return error_; }

 private:
  ParameterDeviceChannel& channel_;
  uint32_t error_ = 0;
};

int ParamsRead(const std::string& path, DWORD wait_ms) {
  const char* command = "device params read";
  DeviceSession session;
  Connect c = session.Open(wait_ms, false);
  if (c == Connect::kNoAdapter) return ParamsEnd(command, kParamsNoDevice, true);
  if (c != Connect::kOk) return ParamsEnd(command, kParamsDeviceFailed, true, session.error());
  ParameterDeviceChannel& channel = session.channel();

  std::vector<uint8_t> block;
  if (!MakeBlockBuffer(channel.InfoBlock().BlockLength(), &block)) return ParamsEnd(command, kParamsResource, true);
  uint32_t total = 0;
  uint16_t low = 0, high = 0;
  const int status = channel.ParameterReadStart(&total, &low, &high);
  ParameterReadData data;
  int result = kReadFailed;
  std::string detail;
  if (status != 0 || total == 0) {
    detail = Format("the read was refused: %d", status);
  } else if (!data.Start(total)) {
    channel.ParameterReadBlock(false, block.data(), static_cast<uint32_t>(block.size()));
    result = -1;
  } else {
    ChannelBlocks source(channel);
    ProgressBar bar("reading");
    ReadLoopResult loop = RunParameterRead(source, data, block, [&](uint32_t position) { bar.Show(position, total); });
    if (loop.end == ReadEnd::kFailed) {
      detail = Format("no answer from the adapter, error %u", loop.error);
    } else {
      result = kReadSucceeded;
      if (!data.Complete()) detail = Format("Size = %u, Cnt = %u", data.total(), data.received());
    }
  }
  uint32_t code = ReadFileModeExitCode(result, data, [&]() {
    return WriteReceivedFile(path, data.bytes(), data.total());
  });
  if (code == 0) Print("%s: %u bytes read, device version words %04X %04X\n", path.c_str(), data.total(), low, high);
  return ParamsEnd(command, code, true, detail);
}

int ParamsWrite(const std::string& path, DWORD wait_ms) {
  const char* command = "device params write";
  // The file first: nothing reaches the adapter unless it is parameter data.
  std::vector<uint8_t> bytes;
  uint32_t code = ReadWriteModeFile(path, &bytes);
  if (code == 0) code = CheckWriteFile(bytes);
  if (code != 0) return ParamsEnd(command, code, false);

  DeviceSession session;
  Connect c = session.Open(wait_ms, false);
  if (c == Connect::kNoAdapter) return ParamsEnd(command, kParamsNoDevice, false);
  if (c != Connect::kOk) return ParamsEnd(command, kParamsDeviceFailed, false, session.error());
  ParameterDeviceChannel& channel = session.channel();

  const int status = channel.WriteProgramImage(bytes.data(), bytes.size());
  if (status != 0) return ParamsEnd(command, WriteFileModeExitCode(kWriteFailed, 0), false, Format("Stat = %d", status));
  WriteProgressMeter meter(bytes.size());
  ProgressBar bar("writing");
  uint8_t completion[kCompletionRecordSize] = {};
  int result = kWriteFailed;
  std::string detail;
  // Every record waits in the queue until it is taken, so none is lost while the write starts.
  ULONGLONG last = GetTickCount64();
  for (;;) {
    ULONGLONG now = GetTickCount64();
    if (WriteSilent(static_cast<uint32_t>(now), static_cast<uint32_t>(last))) {
      detail = "the adapter fell silent";
      channel.LeaveProgramMode();
      break;
    }
    auto e = session.queue().Next(static_cast<DWORD>(last + kWriteSilenceMs - now));
    if (!e) continue;
    if (e->message == kMessageDetached) {
      detail = "the adapter went away during the write";
      session.Forget();
      break;
    }
    if (e->message != kMessageNotification) continue;
    if (e->header.code == kCodeTransferProgress) {
      bar.Show(meter.Progress(e->Payload()).position, meter.range());
      last = GetTickCount64();
    } else if (e->header.code == kCodeTransferEnd) {
      std::memcpy(completion, e->Payload(), kCompletionRecordSize);
      bar.Show(meter.range(), meter.range());
      channel.LeaveProgramMode();
      result = kWriteSucceeded;
      break;
    }
  }
  // The adapter restarts with the new parameters; the channel is not detached by us.
  session.Forget();
  code = WriteFileModeExitCode(result, completion[0]);
  if (result == kWriteSucceeded && completion[0] != 0) detail = WriteResultFor(completion).text;
  if (code == 0) Print("%s: %zu bytes written\n", path.c_str(), bytes.size());
  return ParamsEnd(command, code, false, detail);
}

int Params(const Args& args) {
  const char* usage = "orvex device params read|write FILE [--wait SECONDS]";
  DeviceArgs a;
  if (args.empty() || !ParseDeviceArgs(usage, Args(args.begin() + 1, args.end()), false, &a) ||
      a.operands.size() != 1 || (args[0] != "read" && args[0] != "write")) {
    Fail(std::string("usage: ") + usage);
    return kExitBadArguments;
  }
  return args[0] == "read" ? ParamsRead(a.operands[0], a.wait_ms) : ParamsWrite(a.operands[0], a.wait_ms);
}

// ---- plan ----

// One decision of the sequencer: the stage, its file and what the automatic mode reported.
struct PlanRow {
  int32_t stage = 0;
  std::string file, kind_text, version, current, decision, report;
  bool listed = false;
  bool from_run = false;  // the parameter save file OrvexSet makes during the run
};

// The sequencer's host without a window: the same update file list (a hidden list view), the
// reports collected, every update taken as done.
class PlanHost : public SequencerHost {
 public:
  PlanHost(HWND list, const DeviceVersionTable& table, std::string run_folder)
      : table_(table), run_folder_(std::move(run_folder)) {
    files_.Attach(list, 8, false);
  }
  void SetSequencer(Sequencer* s) { sequencer_ = s; }

  void Report(uint32_t code, const std::string& text) override {
    reports_.push_back({code, text});
    if (code != 0 || text.rfind("修復処理実行", 0) == 0 || text.rfind("更新リトライ", 0) == 0) return;
    PlanRow row;
    row.stage = sequencer_->Stage();
    row.report = text;
    size_t colon = text.find(" : ");
    std::string head = colon == std::string::npos ? text : text.substr(0, colon);
    size_t paren = head.find('(');
    row.decision = paren == std::string::npos ? head : head.substr(0, paren);
    if (paren != std::string::npos && head.back() == ')') row.current = head.substr(paren + 1, head.size() - paren - 2);
    if (row.decision == "更新ファイル名未設定") row.current.clear();
    if (selected_) {
      row.file = selected_name_;
      row.listed = true;
      // The list's kind and version columns, from the file as the list read it.
      std::vector<unsigned char> bytes;
      std::string error, stored;
      if (ReadWholeFile(JoinPath(files_.Folder(), selected_name_), &bytes, &error) &&
          NeedsStoredName(ItemKind(selected_data_)) && bytes.size() > kStoredNameOffset) {
        std::vector<uint8_t> area(kStoredNameArea, 0);
        std::copy_n(bytes.begin() + kStoredNameOffset, std::min(kStoredNameArea, bytes.size() - kStoredNameOffset),
                    area.begin());
        stored = StoredProgramName(area.data(), area.size());
      }
      row.kind_text = ProgramKindText(ItemKind(selected_data_), ItemSubKind(selected_data_), stored);
      row.version = VersionWordText(ItemVersion(selected_data_));
      row.from_run = SameFolder(files_.Folder(), run_folder_);
    } else if (colon != std::string::npos) {
      row.file = text.substr(colon + 3);
    }
    selected_ = false;
    rows_.push_back(std::move(row));
  }
  bool FillList() override { return files_.Fill(DeviceClassNow()); }
  std::string ListFolder() const override { return files_.Folder(); }
  std::string ListExtension() const override { return files_.Extension(); }
  void SetListLocation(const std::string& folder, const std::string& extension) override {
    files_.SetFolder(folder);
    files_.SetExtension(extension);
  }
  std::optional<uint32_t> SelectFile(const std::string& name) override {
    auto data = files_.SelectOnly(name);
    selected_ = data.has_value();
    selected_name_ = name;
    selected_data_ = data.value_or(0);
    return data;
  }
  void PostUpdate() override { update_posted_ = true; }
  void EndWindow(int result) override {
    ended_ = true;
    end_result_ = result;
  }

  bool TakeUpdate() {
    bool posted = update_posted_;
    update_posted_ = false;
    return posted;
  }
  bool Ended() const { return ended_; }
  UpdateFileList& files() { return files_; }
  const std::vector<PlanRow>& rows() const { return rows_; }
  const std::vector<std::pair<uint32_t, std::string>>& reports() const { return reports_; }

 private:
  int DeviceClassNow() const {
    DeviceClassInput in;
    in.attached = true;
    in.main_word = table_.MainWord(kWordOffset20);
    in.automatic = true;
    in.first_stage = sequencer_ ? sequencer_->FirstStage() : 1;
    in.stage_started = sequencer_ && sequencer_->Started();
    return DeviceClass(in);
  }

  const DeviceVersionTable& table_;
  std::string run_folder_;
  UpdateFileList files_;
  Sequencer* sequencer_ = nullptr;
  std::vector<PlanRow> rows_;
  std::vector<std::pair<uint32_t, std::string>> reports_;
  bool selected_ = false;
  std::string selected_name_;
  uint32_t selected_data_ = 0;
  bool update_posted_ = false;
  bool ended_ = false;
  int end_result_ = 0;
};

// A scratch run folder, removed with what the plan put into it.
class ScratchFolder {
 public:
  ScratchFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    if (GetTempPathW(MAX_PATH, temp) == 0) return;
    for (int i = 0; i < 100 && path_.empty(); ++i) {
      std::wstring p = std::wstring(temp) + L"orvex-plan-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                       std::to_wstring(i);
      if (CreateDirectoryW(p.c_str(), nullptr)) path_ = FromWide(p) + "\\";
    }
  }
  ~ScratchFolder() {
    if (path_.empty()) return;
    for (const std::string& f : files_) DeleteFileW(ToWide(f).c_str());
    RemoveDirectoryW(ToWide(path_).c_str());
  }
  const std::string& path() const { return path_; }
  bool Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string error;
    files_.push_back(path_ + name);
    return WriteWholeFile(path_ + name, bytes, &error);
  }

 private:
  std::string path_;
  std::vector<std::string> files_;
};

// The header of the parameter save file OrvexSet will save in the run: the class and version of
// the package's definition file (its first), else the adapter's current parameter version.
std::vector<uint8_t> RunParameterFileStandIn(const autoupdate::UpdateInfo& info, uint16_t adapter_version) {
  ProgramHeader h;
  std::memcpy(h.magic, kMagicMain, 6);
  h.kind = 0x91;
  h.extended[0] = adapter_version;
  for (const std::string& def : info.def_files) {
    DefinitionLoad load = LoadDefinition(def);
    if (load.result == kDefinitionLoaded && load.definition) {
      h.subkind = load.definition->class_byte;
      h.extended[0] = load.definition->version;
      break;
    }
  }
  std::vector<uint8_t> bytes(kProgramHeaderSize, 0);
  h.valid_size = kProgramHeaderSize;
  WriteProgramHeader(h, bytes.data());
  return bytes;
}

int Plan(const Args& args) {
  const char* usage = "orvex device plan PACKAGE [--json] [--wait SECONDS]";
  DeviceArgs a;
  if (!ParseDeviceArgs(usage, args, true, &a)) return kExitBadArguments;
  if (a.operands.size() != 1) {
    Fail(std::string("usage: ") + usage);
    return kExitBadArguments;
  }
  std::string package = a.operands[0];
  if (!EndsWithBackslash(package)) package += '\\';
  autoupdate::UpdateInfo info;
  const std::string ini = package + "OrvexRoll.ini";
  if (GetFileAttributesW(ToWide(ini).c_str()) == INVALID_FILE_ATTRIBUTES) {
    Fail(ini + ": no update information file");
    return kExitFileError;
  }
  autoupdate::UpdateInfoLoad load = autoupdate::LoadUpdateInfoFile(ini, package, &info);
  if (!load.ok) {
    Fail(ini + ": " + load.message);
    return kExitFileError;
  }
  DeviceSession session;
  Connect c = session.Open(a.wait_ms, true);
  if (c != Connect::kOk) return ConnectFailure("device plan", c, session);
  const DeviceVersionTable& table = session.table();

  ScratchFolder run;
  if (run.path().empty()) {
    Fail("device plan: no scratch folder for the run");
    return kExitFileError;
  }
  // The checks OrvexRoll makes at its start, then AutoVerUp.def as it writes it for a normal run,
  // read as OrvexFlash reads it.
  autoupdate::FileSystemToolProbe probe;
  autoupdate::UpdateInfoValidation valid = autoupdate::ValidateUpdateInfo(info, package, probe);
  if (!valid.ok) {
    Fail("device plan: OrvexRoll would refuse this package: " + valid.message);
    return kExitInvalidImage;
  }
  autoupdate::VersionUpdateStart start;
  start.parameter_tool_present = valid.parameter_tool.availability == autoupdate::kToolPresent;
  autoupdate::HandoffFolders folders;
  folders.documents_folder = package;
  folders.run_folder = run.path();
  autoupdate::HandoffText text = autoupdate::BuildAutoVerUpText(info, folders, start);
  if (text.count < 0) {
    Fail("device plan: OrvexRoll would not hand this package over: " + text.refused_line);
    return kExitFileError;
  }
  autoupdate::AutoVerUpContent content;
  struct : autoupdate::ReportSink {
    void Report(uint32_t, std::string_view t) override { Fail("device plan: " + std::string(t)); }
  } sink;
  const std::string flash_path = valid.version_update_tool.path;
  if (autoupdate::ParseAutoVerUp(text.text, flash_path, &content, &sink) < 0) return kExitFileError;
  if (start.parameter_tool_present &&
      !run.Write(autoupdate::kParameterSaveFileName, RunParameterFileStandIn(info, table.MainWord(kWordOffset22)))) {
    Fail("device plan: cannot write into " + run.path());
    return kExitFileError;
  }

  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&icc);
  // A message-only list: it needs no display.
  HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | LVS_REPORT, 0, 0, 400, 300, HWND_MESSAGE, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  if (list == nullptr) {
    Fail(Format("device plan: no list (error %lu)", GetLastError()));
    return kExitDeviceFailed;
  }
  PlanHost host(list, table, run.path());
  SequencerSetup setup = SetupFromHandoff(content);
  // The tool starts with the folder and extension of the first listed file.
  host.files().SetFolder(flash_path.substr(0, flash_path.rfind('\\') + 1));
  if (!content.program_files.empty()) {
    SplitPath first = SplitFilePath(content.program_files.front());
    if (!first.folder.empty()) host.files().SetFolder(first.folder);
    host.files().SetExtension(first.extension);
  }
  Sequencer sequencer(std::move(setup), host);
  host.SetSequencer(&sequencer);
  // Each update is taken as done: the device's restart runs the sequencer again.
  sequencer.Run(table);
  while (!host.Ended() && !sequencer.Finished() && host.TakeUpdate()) {
    sequencer.OnUpdateSucceeded();
    sequencer.Run(table);
  }
  DestroyWindow(list);

  const auto& rows = host.rows();
  const auto& reports = host.reports();
  const std::string last = reports.empty() ? "" : reports.back().second;
  if (a.json) {
    std::string items;
    for (const PlanRow& r : rows) {
      if (!items.empty()) items += ", ";
      items += Format("{\"stage\": %d, \"file\": %s, \"kind\": %s, \"version\": %s, \"current\": %s, "
                      "\"decision\": %s, \"update\": %s, \"saved_by_run\": %s, \"report\": %s}",
                      r.stage, JsonString(r.file).c_str(), JsonString(r.kind_text).c_str(),
                      JsonString(r.version).c_str(), JsonString(r.current).c_str(), JsonString(r.decision).c_str(),
                      r.decision == "更新開始" ? "true" : "false", r.from_run ? "true" : "false",
                      JsonString(r.report).c_str());
    }
    Print("{\"package\": %s, \"generation\": %d, \"total\": %d, \"updates\": %d, \"slots\": [%s], \"end\": %s}\n",
          JsonString(package).c_str(), sequencer.Generation(), sequencer.Total(), sequencer.Successes(),
          items.c_str(), JsonString(last).c_str());
    return kExitOk;
  }
  Print("package:    %s\n", package.c_str());
  Print("adapter:    MC-CPU %s, generation %d\n", VersionWordText(table.MainWord(kWordOffset20)).c_str(),
        sequencer.Generation());
  Print("\n%-6s %-16s %-22s %-9s %-9s %s\n", "stage", "file", "kind", "version", "current", "decision");
  for (const PlanRow& r : rows) {
    std::string file = r.file + (r.from_run ? " *" : "");
    if (file.empty()) file = "-";
    Print("%-6d %-16s %-22s %-9s %-9s %s\n", r.stage, file.c_str(), r.kind_text.empty() ? "-" : r.kind_text.c_str(),
          r.version.empty() ? "-" : r.version.c_str(), r.current.empty() ? "-" : r.current.c_str(),
          r.decision.c_str());
  }
  if (start.parameter_tool_present) Print("\n* saved by OrvexSet during the run, then written back\n");
  Print("\nthe tool would end with: %s\n", last.c_str());
  return kExitOk;
}

int Run(const Args& args) {
  if (args.empty()) {
    Fail("usage: orvex device info|params|plan ...");
    return kExitBadArguments;
  }
  Args rest(args.begin() + 1, args.end());
  if (args[0] == "info") return Info(rest);
  if (args[0] == "params") return Params(rest);
  if (args[0] == "plan") return Plan(rest);
  Fail("unknown device command '" + args[0] + "'");
  return kExitBadArguments;
}

CommandRegistrar reg(
    {"device",
     "  device info [--json] [--wait SECONDS]\n"
     "                                   the adapter as the tools see it: channels, boards, versions\n"
     "  device params read|write FILE [--wait SECONDS]\n"
     "                                   its parameters to or from a parameter save file (OrvexSet /s, /f)\n"
     "  device plan PACKAGE [--json] [--wait SECONDS]\n"
     "                                   what OrvexFlash /a would do with the package, nothing written",
     Run});

}  // namespace
}  // namespace orvex::cli
