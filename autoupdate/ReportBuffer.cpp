#include "ReportBuffer.h"

#include <cstring>

#include "Cp932Text.h"
#include "Format.h"

namespace orvex::autoupdate {

std::string TestFailureText(int32_t value) { return Format("デバッグ自動更新失敗終了(%d)", value); }

size_t ReportTextLimit(ChildTool tool, size_t size) {
  size_t reserve = tool == ChildTool::kVersionUpdateTool ? 5 : 1;
  return size > reserve ? size - reserve : 0;
}

size_t PutReportText(uint8_t* buffer, size_t size, ChildTool tool, std::string_view text) {
  if (buffer == nullptr || size == 0) return 0;
  size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  size_t n = CutLength(text, ReportTextLimit(tool, size));
  if (n > 0) std::memcpy(buffer, text.data(), n);
  buffer[n] = 0;
  return n;
}

bool PutResumeValue(uint8_t* buffer, size_t size, uint32_t value) {
  if (buffer == nullptr || size < 4) return false;
  uint8_t* p = buffer + size - 4;
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
  return true;
}

uint32_t GetResumeValue(const uint8_t* buffer, size_t size) {
  if (buffer == nullptr || size < 4) return 0;
  const uint8_t* p = buffer + size - 4;
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

std::string GetReportText(const uint8_t* buffer, size_t size) {
  if (buffer == nullptr) return std::string();
  const void* nul = std::memchr(buffer, 0, size);
  size_t n = nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - buffer) : size;
  return std::string(reinterpret_cast<const char*>(buffer), n);
}

void ClearReportText(uint8_t* buffer, size_t size) {
  if (buffer == nullptr) return;
  for (size_t i = 0; i < 2 && i < size; ++i) buffer[i] = 0;
}

}  // namespace orvex::autoupdate
