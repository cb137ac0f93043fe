// The tools' about box (dialog 100): own version, library and driver versions, what the device
// says about itself. Both tools use the same class with their own control numbers.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "AboutBoxIds.h"
#include "AboutText.h"
#include "Dialog.h"

namespace orvex {

class DeviceChannel;

struct AboutBoxLayout {
  int title;  // -1: no title line to replace
  int own_version;
  int library;
  int driver;
  int notice;
  int description;
  int definition;   // -1: no definition file line
  bool wow64_mark;  // append " <x64>" to the own version under WOW64
};

constexpr AboutBoxLayout kParameterToolAbout = {
    IDC_SET_ABOUT_TITLE,  IDC_SET_ABOUT_VERSION, IDC_SET_ABOUT_LIBRARY,    IDC_SET_ABOUT_DRIVER,
    IDC_SET_ABOUT_NOTICE, IDC_SET_ABOUT_DEVICE,  IDC_SET_ABOUT_DEFINITION, false};
constexpr AboutBoxLayout kUpdateToolAbout = {-1,
                                             IDC_FLASH_ABOUT_VERSION,
                                             IDC_FLASH_ABOUT_LIBRARY,
                                             IDC_FLASH_ABOUT_DRIVER,
                                             IDC_FLASH_ABOUT_NOTICE,
                                             IDC_FLASH_ABOUT_DEVICE,
                                             -1,
                                             true};

// What the library, the driver and the device say now; without a channel only the library.
AboutFacts CollectAboutFacts(DeviceChannel* channel);

class AboutBox : public Dialog {
 public:
  // `channel` may be null (no channel could be opened).
  AboutBox(const AboutBoxLayout& layout, DeviceChannel* channel, std::string program_name,
           uint32_t own_version);

  // OrvexSet: the main window's title replaces the product line when not empty.
  void SetTitle(std::string_view title) { title_ = std::string(title); }
  // OrvexSet: the definition file in use.
  void SetDefinitionFile(std::string_view path) { definition_ = std::string(path); }

  INT_PTR Run(HWND parent, HINSTANCE instance = nullptr, int template_id = IDD_ORVEX_ABOUT);

 protected:
  bool OnInit() override;

 private:
  AboutBoxLayout layout_;
  DeviceChannel* channel_;
  std::string program_name_;
  uint32_t own_version_;
  std::string title_;
  std::string definition_;
};

}  // namespace orvex
