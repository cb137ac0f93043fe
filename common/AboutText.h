// The lines of the tools' about box, built from what the program, the library and the device
// report.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvex {

struct AboutFacts {
  std::string program_name;  // without ".exe"
  uint32_t own_version = 0;
  bool wow64 = false;            // a 32-bit process on 64-bit Windows (the update tool says so)
  uint32_t library_version = 0;  // 0: the library cannot be used
  uint32_t expected_library_version = 0;
  uint32_t driver_version = 0;  // 0: no device
  uint32_t driver_detail = 0;
  uint32_t voice_channels = 0;
  bool device_open = false;
  std::string device_text[3];  // the device's texts 1, 2 and 3
};

std::string AboutOwnVersionLine(const AboutFacts& facts);
std::string AboutLibraryLine(const AboutFacts& facts);
std::string AboutDriverLine(const AboutFacts& facts);
// "for 'text 2' (text 3)", either part only when its text is there; empty without a device.
std::string AboutDeviceDescription(const AboutFacts& facts);
// The template's own text of the notice line followed by device text 1 without its blanks.
std::string AboutNoticeLine(std::string_view template_text, const AboutFacts& facts);

}  // namespace orvex
