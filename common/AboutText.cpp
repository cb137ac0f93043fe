#include "AboutText.h"

#include "Cp932Text.h"
#include "Format.h"

namespace orvex {

namespace {

unsigned Byte(uint32_t v, int n) {
  return (v >> (8 * n)) & 0xFF;
}

}  // namespace

std::string AboutOwnVersionLine(const AboutFacts& f) {
  uint32_t v = f.own_version;
  std::string line = Format("%s.exe Ver %u.%u.%u.%u", f.program_name.c_str(), Byte(v, 3), Byte(v, 2),
                            Byte(v, 1), Byte(v, 0));
  if (f.wow64) line += " <x64>";
  return line;
}

std::string AboutLibraryLine(const AboutFacts& f) {
  if (f.library_version == 0) return "DLL (Link Error)";
  uint32_t v = f.library_version;
  uint32_t e = f.expected_library_version;
  return Format("DLL Ver %u.%u.%u.%u (%u.%u.%u.%u)", Byte(v, 3), Byte(v, 2), Byte(v, 1), Byte(v, 0),
                Byte(e, 3), Byte(e, 2), Byte(e, 1), Byte(e, 0));
}

std::string AboutDriverLine(const AboutFacts& f) {
  if (f.driver_version == 0) return "SYS (Device Not Connected)";
  uint32_t v = f.driver_version;
  std::string line = Format("SYS Ver %u.%u.%u.%u (%d)", Byte(v, 3), Byte(v, 2), Byte(v, 1), Byte(v, 0),
                            static_cast<int>(f.voice_channels));
  uint32_t connection = f.driver_detail & 0xFFF;
  if (connection == 4) {
    line += " <PV>";
  } else if (connection >= 3) {
    line += " <USB2.0>";
  }
  return line;
}

std::string AboutDeviceDescription(const AboutFacts& f) {
  if (!f.device_open) return std::string();
  std::string text;
  if (!f.device_text[1].empty()) text = "for '" + f.device_text[1] + "'";
  if (!f.device_text[2].empty()) {
    text += text.empty() ? "for " : " ";
    text += "(" + f.device_text[2] + ")";
  }
  return text;
}

std::string AboutNoticeLine(std::string_view template_text, const AboutFacts& f) {
  return std::string(template_text) + std::string(TrimControl(f.device_text[0]));
}

}  // namespace orvex
