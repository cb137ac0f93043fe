// What OrvexFlash's end-to-end tests share: the real OrvexFlash.exe (with OrvexKeys.exe) in a
// scratch folder, a fresh simulated adapter, the demo's update package, driven from outside.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ProgramFolder.h"
#include "ProgramHeader.h"
#include "UiDriver.h"

namespace orvex::flash::e2e {

using uidriver::DrivenProcess;
using uidriver::MessageBoxInfo;
using uidriver::Window;
using uidriver::ProgramFolder;
using uidriver::SimFolder;

constexpr DWORD kWait = 15000;
constexpr char kMainCaption[] = "Orvex - デバイス・バージョン更新";

// A program image with a correct header and checksum, the payload of `size - 32` bytes.
std::vector<uint8_t> Image(const char* magic, uint8_t kind, uint8_t subkind, uint16_t version, size_t size,
                           const std::vector<uint16_t>& extended = {}, const std::string& stored_name = {});
std::string Bytes(const std::vector<uint8_t>& image);
// A parameter save file of the given definition version.
std::vector<uint8_t> ParameterFile(uint16_t version);

// The update package `make demo` builds (scripts/demo.sh): six images over a 65,536-byte payload.
struct PackageFile {
  const char* name;
  const char* magic;
  uint8_t kind, subkind;
  uint16_t version;
};
extern const PackageFile kDemoPackage[6];
void WriteDemoPackage(const ProgramFolder& folder, const std::string& sub = {});

class FlashEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A fresh adapter with these lines laid over the defaults.
  void Adapter(const std::string& lines);
  // Starts OrvexFlash.exe from the scratch folder (its update folder is that folder unless the
  // settings say otherwise; the tests clear them).
  bool Start(const std::string& arguments = {}, const uidriver::Environment& environment = {},
             bool inherit = false);
  std::optional<Window> Main();
  // Waits for a message box of OrvexFlash and reads it (the test fails without one).
  std::optional<MessageBoxInfo> Box(DWORD ms = kWait);
  // Polls a condition on the main window (or any) until it holds.
  bool WaitFor(const std::function<bool()>& done, DWORD ms = kWait);
  std::string Screen() const;

  ProgramFolder folder;
  std::unique_ptr<SimFolder> sim;
  std::string exe;
  std::optional<DrivenProcess> app;
};

}  // namespace orvex::flash::e2e
