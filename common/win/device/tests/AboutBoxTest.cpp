// The about boxes of both tools, built from their templates and read back, with and without the
// simulated device; and the file versions they show.
#include <gtest/gtest.h>

#include <map>

#include "AboutBox.h"
#include "DeviceSession.h"
#include "FileVersion.h"
#include "VersionResource.h"

using namespace orvex;
using namespace orvex::test;

namespace {

constexpr int kSetTemplate = 100;  // DeviceTests.rc
constexpr int kFlashTemplate = 101;

// Reads every line once the box is up, then presses OK.
class ReadAboutBox : public AboutBox {
 public:
  using AboutBox::AboutBox;
  std::map<int, std::string> texts;

 protected:
  bool OnInit() override {
    bool result = AboutBox::OnInit();
    for (int id = 1000; id <= 1007; ++id) {
      if (Item(id)) texts[id] = GetItemText(id);
    }
    PostMessageW(hwnd(), WM_COMMAND, IDOK, 0);
    return result;
  }
};

std::map<int, std::string> Show(const AboutBoxLayout& layout, int template_id, DeviceChannel* channel,
                                const char* program, const std::string& title = "",
                                const std::string& definition = "") {
  ReadAboutBox box(layout, channel, program, ReadOwnFileVersion());
  box.SetTitle(title);
  box.SetDefinitionFile(definition);
  EXPECT_EQ(box.Run(nullptr, nullptr, template_id), IDOK);
  return box.texts;
}

}  // namespace

TEST(AboutBox, OwnFileVersionsWithCarry) {
  // This test program's FileVersion text is "2.10.0.300".
  EXPECT_EQ(ReadOwnFileVersion(), 0x020A012Cu);
  EXPECT_EQ(OwnProgramName(), "device_tests");
  EXPECT_EQ(ReadFileVersion(OwnModuleFolder() + "Orvex.dll"), 0x01010203u);
  EXPECT_EQ(ReadFileVersion(OwnModuleFolder() + "no such file.dll"), 0u);
}

// The shipped 32-bit update tool on 64-bit Windows marks its version; this 64-bit test program
// never runs under WOW64, so the answer comes from the override.
TEST(AboutBox, X64MarkOfAThirtyTwoBitUpdateToolOnSixtyFourBitWindows) {
  EXPECT_FALSE(RunsUnderWow64());
  DeviceSession s("present = 0\n");
  {
    Wow64Override wow64(true);
    EXPECT_TRUE(RunsUnderWow64());
    EXPECT_EQ(Show(kUpdateToolAbout, kFlashTemplate, &s.channel, "OrvexFlash")[IDC_FLASH_ABOUT_VERSION],
              "OrvexFlash.exe Ver 2.10.1.44 <x64>");
    // The parameter tool never shows the mark.
    EXPECT_EQ(Show(kParameterToolAbout, kSetTemplate, &s.channel, "OrvexSet")[IDC_SET_ABOUT_VERSION],
              "OrvexSet.exe Ver 2.10.1.44");
    {
      Wow64Override native(false);
      EXPECT_EQ(Show(kUpdateToolAbout, kFlashTemplate, &s.channel, "OrvexFlash")[IDC_FLASH_ABOUT_VERSION],
                "OrvexFlash.exe Ver 2.10.1.44");
    }
    EXPECT_TRUE(RunsUnderWow64());
  }
  EXPECT_FALSE(RunsUnderWow64());
}

TEST(AboutBox, UpdateToolWithTheSimulatedDevice) {
  DeviceSession s;
  ASSERT_TRUE(s.AttachReady());
  auto texts = Show(kUpdateToolAbout, kFlashTemplate, &s.channel, "OrvexFlash");
  EXPECT_EQ(texts[IDC_FLASH_ABOUT_VERSION], "OrvexFlash.exe Ver 2.10.1.44");
  EXPECT_EQ(texts[IDC_FLASH_ABOUT_LIBRARY], "DLL Ver 1.1.2.3 (1.1.2.3)");
  EXPECT_EQ(texts[IDC_FLASH_ABOUT_DRIVER], "SYS Ver 1.1.4.0 (60) <USB2.0>");
  EXPECT_EQ(texts[IDC_FLASH_ABOUT_DEVICE], "for 'KV4100' (USB 60ch)");
  EXPECT_EQ(texts[IDC_FLASH_ABOUT_NOTICE], "Copyright (C) Orvex Systems");

  s.sim.Set(
      "driver_detail = 0x1004\nvoice_channels = 8\ndevice_text2 =\ndevice_text1 =   Maker  \n"
      "library_version = 1.1.2.4\n");
  texts = Show(kUpdateToolAbout, kFlashTemplate, &s.channel, "OrvexFlash");
  EXPECT_EQ(texts[IDC_FLASH_ABOUT_LIBRARY], "DLL Ver 1.1.2.4 (1.1.2.3)");
  EXPECT_EQ(texts[IDC_FLASH_ABOUT_DRIVER], "SYS Ver 1.1.4.0 (60) <PV>");  // the block read at the attach
  EXPECT_EQ(texts[IDC_FLASH_ABOUT_DEVICE], "for (USB 60ch)");
  EXPECT_EQ(texts[IDC_FLASH_ABOUT_NOTICE], "Copyright (C) Maker");
}

TEST(AboutBox, ParameterToolWithoutADevice) {
  DeviceSession s("present = 0\n");
  auto texts = Show(kParameterToolAbout, kSetTemplate, &s.channel, "OrvexSet",
                    "Orvex - パラメータ設定 [試験]", "C:\\Orvex\\Cti_par.txt");
  EXPECT_EQ(texts[IDC_SET_ABOUT_TITLE], "Orvex - パラメータ設定 [試験]");
  EXPECT_EQ(texts[IDC_SET_ABOUT_VERSION], "OrvexSet.exe Ver 2.10.1.44");
  EXPECT_EQ(texts[IDC_SET_ABOUT_LIBRARY], "DLL Ver 1.1.2.3 (1.1.2.3)");
  EXPECT_EQ(texts[IDC_SET_ABOUT_DRIVER], "SYS (Device Not Connected)");
  EXPECT_EQ(texts[IDC_SET_ABOUT_DEVICE], "");
  EXPECT_EQ(texts[IDC_SET_ABOUT_NOTICE], "Copyright (C) ");
  EXPECT_EQ(texts[IDC_SET_ABOUT_DEFINITION], "C:\\Orvex\\Cti_par.txt");

  // An empty title keeps the template's; a library that answers 0 cannot be used.
  s.sim.Set("library_version = 0.0.0.0\n");
  texts = Show(kParameterToolAbout, kSetTemplate, &s.channel, "OrvexSet");
  EXPECT_EQ(texts[IDC_SET_ABOUT_TITLE], "Orvex - パラメータ設定");
  EXPECT_EQ(texts[IDC_SET_ABOUT_LIBRARY], "DLL (Link Error)");
}
