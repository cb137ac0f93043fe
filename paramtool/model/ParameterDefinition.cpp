#include "ParameterDefinition.h"

#include <cstring>

#include "Cp932Text.h"
#include "Format.h"

namespace orvex {

namespace {
constexpr std::string_view kKeywords[kValueKindCount] = {
    "BNR",  "HEX",  "ASC",  "BCD",  "CHB",  "TBN0", "TBN1", "TBN2", "TBN3", "TBC0", "TBC1",
    "TBC2", "TBC3", "GCH",  "GOP",  "GCHV", "GOPV", "GCHL", "GOPL", "DDWN", "DLST",
};
}  // namespace

const char* ValueKindKeyword(ValueKind kind) {
  const int n = static_cast<int>(kind);
  return n >= 0 && n < kValueKindCount ? kKeywords[n].data() : nullptr;
}

namespace {
// Every keyword has 3 or 4 letters: they compare packed into one number, in upper case.
constexpr uint32_t PackKeyword(std::string_view word) {
  uint32_t packed = static_cast<uint32_t>(word.size()) << 28;
  for (size_t i = 0; i < word.size(); ++i) {
    const char c = word[i];
    packed |= static_cast<uint32_t>(static_cast<uint8_t>((c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c)) << (8 * i);
  }
  return packed;
}
constexpr std::array<uint32_t, kValueKindCount> PackAll() {
  std::array<uint32_t, kValueKindCount> packed{};
  for (int n = 0; n < kValueKindCount; ++n) packed[static_cast<size_t>(n)] = PackKeyword(kKeywords[n]);
  return packed;
}
constexpr std::array<uint32_t, kValueKindCount> kPackedKeywords = PackAll();
}  // namespace

ValueKind ValueKindFromKeyword(std::string_view word) {
  if (word.size() != 3 && word.size() != 4) return ValueKind::kUnknown;
  const uint32_t key = PackKeyword(word);
  // The keywords with the same first letter stand together; start among them.
  int first = 0;
  switch (key & 0xFF) {
    case 'H': first = 1; break;
    case 'A': first = 2; break;
    case 'C': first = 4; break;
    case 'T': first = 5; break;
    case 'G': first = 13; break;
    case 'D': first = 19; break;
    default: break;
  }
  for (int n = first; n < kValueKindCount; ++n) {
    if (kPackedKeywords[static_cast<size_t>(n)] == key) return static_cast<ValueKind>(n);
  }
  return ValueKind::kUnknown;
}

bool ParameterTable::IsZeroValid(int offset) const {
  const uint16_t at = static_cast<uint16_t>(offset);
  for (const ZeroValidRange& range : zero_ranges) {
    if (range.low <= at && at <= range.high) return true;
  }
  return false;
}

ParameterDefinition::ParameterDefinition() {
  for (int n = 0; n < kBlockCount; ++n) {
    blocks[static_cast<size_t>(n)].number = n + 1;
    blocks[static_cast<size_t>(n)].definition = this;
  }
  for (uint8_t& c : channel_defaults.channel) c = 1;
}

const ParameterTable* ParameterDefinition::Table(int number) const {
  if (number < 1 || number > kTableCount) return nullptr;
  return tables[static_cast<size_t>(number - 1)].get();
}

ParameterTable* ParameterDefinition::Table(int number) {
  if (number < 1 || number > kTableCount) return nullptr;
  return tables[static_cast<size_t>(number - 1)].get();
}

const ParameterTable* ParameterDefinition::BlockTable(int block_number) const {
  if (block_number < 1 || block_number > kBlockCount) return nullptr;
  return Table(blocks[static_cast<size_t>(block_number - 1)].table);
}

void FreeDefinition(std::unique_ptr<ParameterDefinition>& definition) { definition.reset(); }

std::string TagCaption(const ParameterTag& tag) {
  if (tag.name.empty()) return Format(" Page%d ", tag.index + 1);
  return Format(" %s ", tag.name.c_str());
}

}  // namespace orvex
