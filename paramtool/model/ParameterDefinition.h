// The parameter model loaded from the definition file: command blocks, parameter tables with
// their pages (tags) and items, and the default block image of every table.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <memory_resource>
#include <string>
#include <string_view>
#include <vector>

#include "ParameterImage.h"

namespace orvex {

constexpr int kTableCount = 100;          // table numbers 1..100
constexpr size_t kTitleLimit = 255;
constexpr size_t kBlockNameLimit = 16;
constexpr size_t kTagNameLimit = 255;
constexpr size_t kItemNameLimit = 34;
constexpr size_t kHelpLimit = 160;
constexpr size_t kInitialValueLimit = 255;

// How an item's value is stored; the numbers are those of the definition file's kind column.
enum class ValueKind : int {
  kUnknown = -1,
  kBnr = 0,
  kHex = 1,
  kAsc = 2,
  kBcd = 3,
  kChb = 4,
  kTbn0 = 5, kTbn1 = 6, kTbn2 = 7, kTbn3 = 8,
  kTbc0 = 9, kTbc1 = 10, kTbc2 = 11, kTbc3 = 12,
  kGch = 13,
  kGop = 14,
  kGchv = 15,
  kGopv = 16,
  kGchl = 17,
  kGopl = 18,
  kDdwn = 19,
  kDlst = 20,
};
constexpr int kValueKindCount = 21;

// The keyword of a kind ("BNR", ...), or nullptr for kUnknown.
const char* ValueKindKeyword(ValueKind kind);
// Whole-word, case-insensitive match against the 21 keywords; kUnknown when none matches.
ValueKind ValueKindFromKeyword(std::string_view word);

inline bool IsGroupHeadKind(ValueKind k) {
  return (k >= ValueKind::kGch && k <= ValueKind::kGopv) || k == ValueKind::kDdwn;
}
inline bool IsMemberKind(ValueKind k) {
  return k == ValueKind::kGchl || k == ValueKind::kGopl || k == ValueKind::kDlst;
}
inline bool IsTimerBinaryKind(ValueKind k) { return k >= ValueKind::kTbn0 && k <= ValueKind::kTbn3; }
inline bool IsTimerBcdKind(ValueKind k) { return k >= ValueKind::kTbc0 && k <= ValueKind::kTbc3; }

// The memory of a definition's items and their texts: large blocks taken one after another and
// given back all at once with the definition. A definition holds tens of thousands of items;
// this keeps them close together and spares the allocator as many small requests.
class DefinitionMemory : public std::pmr::monotonic_buffer_resource {
 public:
  DefinitionMemory() : std::pmr::monotonic_buffer_resource(64 * 1024) {}
  // A copy of the text that lives as long as the definition, followed by a NUL.
  std::string_view Add(std::string_view text) {
    if (text.empty()) return std::string_view("", 0);
    char* at = static_cast<char*>(allocate(text.size() + 1, 1));
    std::memcpy(at, text.data(), text.size());
    at[text.size()] = '\0';
    return std::string_view(at, text.size());
  }
};

struct ParameterTag;
struct ParameterTable;
struct ParameterDefinition;

struct ParameterItem {
  int index = 0;                  // position in its tag
  int offset = -1;                // byte offset in the block image; bit number for GCHL/GOPL
  std::string_view name;          // at most 34 bytes, kept in the definition's memory
  ValueKind kind = ValueKind::kUnknown;
  int width = 0;                  // bytes
  std::string_view help;          // at most 160 bytes, CR LF for line breaks
  int member_count = 0;           // members attached to this group head
  const ParameterItem* head = nullptr;
  int head_index = -1;            // the head's position in the same tag
  const ParameterTag* tag = nullptr;
  int line = 0;                   // line of the definition file, for reports
};

// An offset range at which an all-zero value is a legitimate setting; low <= high.
struct ZeroValidRange {
  uint16_t low = 0;
  uint16_t high = 0;
};

struct ParameterTag {
  explicit ParameterTag(std::pmr::memory_resource* memory = std::pmr::get_default_resource()) : items(memory) {}

  int index = 0;                  // position in its table
  std::string name;               // at most 255 bytes
  int layout = 0;                 // 2: two columns of narrow controls; else one wide column
  std::pmr::vector<ParameterItem> items;  // complete once loaded: links point into it
  const ParameterTable* table = nullptr;
};

struct ParameterTable {
  int number = 0;                 // 1..100
  std::vector<std::unique_ptr<ParameterTag>> tags;
  std::vector<ZeroValidRange> zero_ranges;
  BlockImage default_image{};     // initial values of the items
  const ParameterDefinition* definition = nullptr;

  // True when the offset lies in one of the zero-valid ranges (compared as 16-bit values).
  bool IsZeroValid(int offset) const;
};

struct CommandBlock {
  int number = 0;                 // 1..5, fixed by position
  std::string name;               // at most 16 bytes
  int table = -1;                 // table number 1..100, or -1 for none
  int assign_switch = 0;          // not 0: channels may be assigned to this block
  const ParameterDefinition* definition = nullptr;
};

// Owns everything below it. Not copyable or movable: the parts link back to it.
struct ParameterDefinition {
  ParameterDefinition();
  ParameterDefinition(const ParameterDefinition&) = delete;
  ParameterDefinition& operator=(const ParameterDefinition&) = delete;

  DefinitionMemory memory;        // first: what it holds must go before it
  std::string title;              // at most 255 bytes
  uint16_t version = 0;
  uint8_t class_byte = 0;
  std::array<CommandBlock, kBlockCount> blocks;
  std::array<std::unique_ptr<ParameterTable>, kTableCount> tables;  // index = number - 1
  ChannelTable channel_defaults;  // all 1

  // Table by number 1..100, or nullptr.
  const ParameterTable* Table(int number) const;
  ParameterTable* Table(int number);
  // The table of command block 1..5, or nullptr.
  const ParameterTable* BlockTable(int block_number) const;
};

// Releases the definition and everything it owns.
void FreeDefinition(std::unique_ptr<ParameterDefinition>& definition);

// The tab title of a page: " name ", or " Page<n> " with its 1-based number when unnamed.
std::string TagCaption(const ParameterTag& tag);

}  // namespace orvex
