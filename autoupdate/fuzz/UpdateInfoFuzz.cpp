// Arbitrary bytes as OrvexRoll.ini: reading, the derived texts and the start-up validation.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ChildCommandLine.h"
#include "HandoffFile.h"
#include "UpdateInfo.h"

namespace {

struct SomeFilesExist : orvex::autoupdate::ToolFileProbe {
  bool FileExists(const std::string& path) override { return path.size() % 2 == 0; }
  uint32_t FileVersion(const std::string& path) override { return static_cast<uint32_t>(path.size()) << 16; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvex::autoupdate;
  std::string content(reinterpret_cast<const char*>(data), size);
  UpdateInfo info;
  if (ParseUpdateInfo(content, "C:\\Upd\\", &info) != UpdateInfoStatus::kOk) return 0;
  (void)WindowTitle(info);
  (void)DeviceLabel(info);
  SomeFilesExist probe;
  (void)ValidateUpdateInfo(info, "C:\\Upd\\", probe);
  ToolCommand tool = SplitToolEntry("C:\\Upd\\", info.ver_up_prog);
  RemoveTestOption(&tool.options);
  (void)BuildChildCommandLine(tool, "C:\\run\\AutoVerUp.def", 1, 0x8102, 2, 0x400);
  // Whatever the file says must either be refused by the writers or read back by the children.
  HandoffFolders folders;
  folders.run_folder = "C:\\run\\";
  HandoffText para = BuildAutoParaText(info, folders);
  if (para.count >= 0) {
    AutoParaContent read;
    if (ParseAutoPara(para.text, "C:\\x.exe", &read, nullptr) != para.count) __builtin_trap();
  }
  HandoffText verup = BuildAutoVerUpText(info, folders, VersionUpdateStart());
  if (verup.count >= 0) {
    AutoVerUpContent read;
    if (ParseAutoVerUp(verup.text, "C:\\x.exe", &read, nullptr) != verup.count) __builtin_trap();
  }
  return 0;
}
