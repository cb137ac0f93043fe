#include "FlashEndToEnd.h"

#include <cstring>
#include <functional>

#include "DeviceRecords.h"
#include "Handles.h"
#include "TestImages.h"
#include "Wide.h"

namespace orvex::flash::e2e {

const PackageFile kDemoPackage[6] = {
    {"MC_CPU.prg", kMagicMain, 0x00, 0x00, 0x2103},      {"MC_DSP.prg", kMagicMain, 0x01, 0x00, 0x2040},
    {"INS64_CPU.prg", kMagicMain, 0x10, 0x00, 0x1012},   {"INS1500_CPU.prg", kMagicMain, 0x10, 0x20, 0x1300},
    {"PV_CPU.prg", kMagicSecond, 0x20, 0x40, 0x3001},    {"ANALOG_TRK.prg", kMagicMain, 0x35, 0x02, 0x1000},
};

std::vector<uint8_t> Image(const char* magic, uint8_t kind, uint8_t subkind, uint16_t version, size_t size,
                           const std::vector<uint16_t>& extended, const std::string& stored_name) {
  std::vector<uint8_t> image = orvex::test::ProgramImage(kind, subkind, version, size);
  std::memcpy(image.data(), magic, 6);
  for (size_t i = 0; i < extended.size() && i < 7; ++i) PutLe16(image.data() + 18 + 2 * i, extended[i]);
  // A stored name: two characters at the start of every four-byte group from offset 48.
  for (size_t i = 0; i <= stored_name.size() && i < 18 && !stored_name.empty(); ++i) {
    size_t at = 48 + (i / 2) * 4 + (i % 2);
    if (at < size) image[at] = i < stored_name.size() ? static_cast<uint8_t>(stored_name[i]) : 0;
  }
  const uint16_t sum = FileChecksum(image.data(), size);
  PutLe16(image.data() + 8, sum);
  return image;
}

std::string Bytes(const std::vector<uint8_t>& image) { return std::string(image.begin(), image.end()); }

std::vector<uint8_t> ParameterFile(uint16_t version) { return orvex::test::ParameterFile(version); }

void WriteDemoPackage(const ProgramFolder& folder, const std::string& sub) {
  for (const PackageFile& f : kDemoPackage) {
    std::vector<uint16_t> extended;
    if (f.kind == 0x00) extended = {1, 0, 0x0120};
    std::string name = f.kind == 0x35 ? "ANALOG-TRK" : "";
    ASSERT_TRUE(folder.Write(sub + f.name, Bytes(Image(f.magic, f.kind, f.subkind, f.version, 65536 + 32, extended, name))));
  }
}

void FlashEndToEnd::SetUp() {
  exe = folder.AddProgram("flashtool/win/OrvexFlash.exe");
  ASSERT_FALSE(exe.empty());
  ASSERT_FALSE(folder.AddFile(uidriver::BuildPath("flashtool/win/OrvexKeys.exe")).empty());
  // The update folder is the program's own: no folder from an earlier run.
  RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Orvex\\OrvexFlash\\Settings", L"PrgFolder");
}

void FlashEndToEnd::TearDown() {
  if (app && app->Running()) app->Terminate();
  app.reset();
  sim.reset();
}

void FlashEndToEnd::Adapter(const std::string& lines) {
  sim.reset();  // first: the old folder takes ORVEX_SIM away with it
  sim = std::make_unique<SimFolder>(lines);
}

bool FlashEndToEnd::Start(const std::string& arguments, const uidriver::Environment& environment, bool inherit) {
  std::string error;
  app = DrivenProcess::Start(exe, arguments, {}, environment, inherit, &error);
  EXPECT_TRUE(app.has_value()) << error;
  return app.has_value();
}

std::optional<Window> FlashEndToEnd::Main() {
  auto w = uidriver::WaitWindow(kMainCaption, app->pid(), kWait, uidriver::Match::kPrefix);
  EXPECT_TRUE(w) << Screen();
  return w;
}

std::optional<MessageBoxInfo> FlashEndToEnd::Box(DWORD ms) {
  auto box = uidriver::WaitMessageBox(app->pid(), ms);
  EXPECT_TRUE(box) << Screen();
  return box;
}

bool FlashEndToEnd::WaitFor(const std::function<bool()>& done, DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  for (;;) {
    if (done()) return true;
    if (GetTickCount64() >= end) return false;
    Sleep(50);
  }
}

std::string FlashEndToEnd::Screen() const { return app ? uidriver::DescribeProcess(app->pid()) : std::string(); }

}  // namespace orvex::flash::e2e
