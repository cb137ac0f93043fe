#include "DefinitionLoader.h"

#include <cstring>
#include <new>

#include "Cp932Text.h"
#include "Format.h"
#include "NumberText.h"
#include "TextLineReader.h"

namespace orvex {
namespace {

constexpr size_t kKeywordLimit = 20;
constexpr size_t kFieldLimit = 255;

inline bool IsBlank(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u >= 0x01 && u <= 0x20;
}

// Cut to a field's limit; most fields are well within it.
inline std::string_view Limit(std::string_view text, size_t limit) {
  return text.size() <= limit ? text : CutText(text, limit);
}

// Trimmed of bytes 0x01-0x20, at most 255 bytes, without a lead byte left alone at the end.
inline __attribute__((always_inline)) std::string_view NormaliseField(std::string_view field) {
  size_t begin = 0;
  size_t end = field.size();
  while (begin < end && IsBlank(field[begin])) ++begin;
  while (end > begin && IsBlank(field[end - 1])) --end;
  if (end - begin > kFieldLimit) end = begin + kFieldLimit;
  field = field.substr(begin, end - begin);
  return !field.empty() && IsLeadByte(static_cast<unsigned char>(field.back())) ? DropDanglingLead(field) : field;
}

// The first N fields of a header's arguments or an item line, normalised; fields that are not
// there read as empty.
template <size_t N>
class Fields {
 public:
  explicit Fields(std::string_view text) {
    size_t start = 0;
    for (size_t i = 0; i < N; ++i) {
      if (start > text.size()) {
        fields_[i] = std::string_view();
        continue;
      }
      const size_t comma = FindChar(text, ',', start);
      const size_t end = comma == kNotFound ? text.size() : comma;
      fields_[i] = NormaliseField(text.substr(start, end - start));
      start = end + 1;
    }
  }
  std::string_view operator[](size_t i) const { return std::string_view(fields_[i].data, fields_[i].size); }

 private:
  // A trivial pair, so that the array is not cleared before it is filled.
  struct Span {
    Span& operator=(std::string_view text) {
      data = text.data();
      size = text.size();
      return *this;
    }
    const char* data;
    size_t size;
  };
  Span fields_[N];
};

// Non-digits are skipped up to the first hexadecimal digit, then at most `digits` are read.
uint32_t HexField(std::string_view text, int digits) {
  size_t i = 0;
  while (i < text.size() && !IsHexDigit(text[i])) ++i;
  return static_cast<uint32_t>(HexValue(text.substr(i), digits));
}

// Each backslash-n becomes CR LF; a backslash that is the trail byte of a character is text.
std::string_view HelpText(std::string_view text, DefinitionMemory& store) {
  char help[kHelpLimit];
  size_t n = 0;
  size_t from = 0;
  for (;;) {
    const size_t found = FindChar(text.substr(from), '\\');
    const size_t end = found == kNotFound ? text.size() : from + found;
    const bool line_break = found != kNotFound && end + 1 < text.size() && text[end + 1] == 'n';
    const size_t keep = (found == kNotFound || line_break) ? end : end + 1;
    std::memcpy(help + n, text.data() + from, keep - from);
    n += keep - from;
    if (found == kNotFound) break;
    if (line_break) {
      help[n++] = '\r';
      help[n++] = '\n';
      from = end + 2;
    } else {
      from = end + 1;
    }
  }
  return store.Add(std::string_view(help, n));
}

class DefinitionParser {
 public:
  DefinitionParser(ParameterDefinition& definition, DefinitionDiagnostics* sink)
      : definition_(definition), sink_(sink) {}

  void Line(std::string_view raw, int line_number);
  void Finish();
  int valid_items() const { return valid_items_; }

 private:
  void Header(std::string_view keyword, std::string_view args);
  void Item(std::string_view text);
  void ClearContext() {
    table_ = nullptr;
    tag_ = nullptr;
  }
  void Note(DefinitionNoteKind kind, std::string_view text = {}, int number = 0) {
    if (!sink_) return;
    DefinitionNote note;
    note.line = line_;
    note.kind = kind;
    note.text = text;
    note.number = number;
    sink_->Note(note);
  }

  ParameterDefinition& definition_;
  DefinitionDiagnostics* sink_;
  ParameterTable* table_ = nullptr;
  ParameterTag* tag_ = nullptr;
  int group_head_ = -1;  // position of the current group head in the current tag
  int valid_items_ = 0;
  int line_ = 0;
  int block_lines_[kBlockCount] = {};
};

void DefinitionParser::Line(std::string_view raw, int line_number) {
  line_ = line_number;
  // The reader has taken off the line end (an LF kept after a lone lead byte would only be
  // trimmed away as a blank) and anything after a NUL. What follows a ';' is a comment.
  const size_t cut = FindChar(raw, ';');
  if (cut != kNotFound) raw = raw.substr(0, cut);

  const std::string_view text = TrimLeadingControl(raw);
  if (!text.empty() && text[0] == '[') {
    const size_t close = FindChar(text.substr(1), ']');
    if (close != kNotFound) {
      Header(CutText(text.substr(1, close), kKeywordLimit), text.substr(close + 2));
      return;
    }
  }
  if (!raw.empty()) Item(raw);
}

void DefinitionParser::Header(std::string_view keyword, std::string_view args) {
  const Fields<3> fields(args);
  if (EqualsNoCase(keyword, "TITLE")) {
    ClearContext();
    const std::string_view title = fields[0];
    if (!title.empty()) definition_.title.assign(CutText(title, kTitleLimit));
  } else if (EqualsNoCase(keyword, "VER")) {
    ClearContext();
    const std::string_view version = fields[0];
    if (!version.empty()) definition_.version = static_cast<uint16_t>(HexValueLoose(version) & 0xFFFF);
  } else if (EqualsNoCase(keyword, "CLASS")) {
    ClearContext();
    const std::string_view value = fields[0];
    if (!value.empty()) {
      const uint32_t v = UnsignedDecimal(value);
      definition_.class_byte = static_cast<uint8_t>(v > 255 ? 255 : v);
    }
  } else if (StartsWithNoCase(keyword, "CMDB")) {
    ClearContext();
    const int number = SignedDecimal(keyword.substr(4));
    if (number < 1 || number > kBlockCount) {
      Note(DefinitionNoteKind::kBlockNumberOutOfRange, keyword, number);
      return;
    }
    CommandBlock& block = definition_.blocks[static_cast<size_t>(number - 1)];
    const std::string_view name = fields[0];
    const std::string_view reference = fields[1];
    const std::string_view value = fields[2];
    if (!name.empty()) block.name.assign(CutText(name, kBlockNameLimit));
    if (StartsWithNoCase(reference, "PAR")) {
      block.table = SignedDecimal(reference.substr(3));
      block_lines_[number - 1] = line_;
    }
    if (!value.empty()) block.assign_switch = SignedDecimal(value);
  } else if (StartsWithNoCase(keyword, "PAR")) {
    tag_ = nullptr;
    table_ = nullptr;
    const int number = SignedDecimal(keyword.substr(3));
    if (number < 1 || number > kTableCount) {
      Note(DefinitionNoteKind::kTableNumberOutOfRange, keyword, number);
      return;
    }
    auto& slot = definition_.tables[static_cast<size_t>(number - 1)];
    if (slot) {
      // A second use of a number goes on with the same table and keeps the initial values
      // read so far (clearing them would leave the earlier items without their values).
      Note(DefinitionNoteKind::kTableReused, keyword, number);
    } else {
      slot = std::make_unique<ParameterTable>();
      slot->number = number;
      slot->definition = &definition_;
    }
    table_ = slot.get();
  } else if (EqualsNoCase(keyword, "TAG")) {
    group_head_ = -1;
    if (table_ == nullptr) {
      Note(DefinitionNoteKind::kTagOutsideTable);
      return;
    }
    auto tag = std::make_unique<ParameterTag>(&definition_.memory);
    tag->items.reserve(32);  // a page shows up to 30 items, and drop-down entries besides
    tag->index = static_cast<int>(table_->tags.size());
    tag->table = table_;
    const std::string_view name = fields[0];
    const std::string_view layout = fields[1];
    tag->name.assign(CutText(name, kTagNameLimit));
    if (!layout.empty()) tag->layout = SignedDecimal(layout);
    table_->tags.push_back(std::move(tag));
    tag_ = table_->tags.back().get();
  } else if (EqualsNoCase(keyword, "ZERO")) {
    if (table_ == nullptr) {
      Note(DefinitionNoteKind::kZeroOutsideTable);
      return;
    }
    for (std::string_view field : SplitFields(args, ',')) {
      field = NormaliseField(field);
      if (!field.empty()) {
        const size_t dash = FindChar(field, '-');
        uint16_t low = static_cast<uint16_t>(HexField(field.substr(0, dash), 4));
        uint16_t high = dash == kNotFound ? low : static_cast<uint16_t>(HexField(field.substr(dash + 1), 4));
        if (low > high) std::swap(low, high);
        table_->zero_ranges.push_back(ZeroValidRange{low, high});
      }
    }
  } else {
    ClearContext();
    Note(DefinitionNoteKind::kUnknownHeader, keyword);
  }
}

void DefinitionParser::Item(std::string_view text) {
  if (tag_ == nullptr) {
    Note(DefinitionNoteKind::kItemOutsideTag);
    return;
  }
  const Fields<7> fields(text);
  const std::string_view offset = fields[0];
  const std::string_view name = fields[1];
  const std::string_view kind = fields[2];
  const std::string_view width = fields[3];
  // Column 5 is not used.
  const std::string_view initial = fields[5];
  const std::string_view help = fields[6];

  const int index = static_cast<int>(tag_->items.size());
  const ValueKind value_kind = kind.empty() ? ValueKind::kUnknown : ValueKindFromKeyword(kind);
  int head_index = -1;
  if (IsGroupHeadKind(value_kind)) {
    group_head_ = index;
  } else if (IsMemberKind(value_kind)) {
    head_index = group_head_;
  } else {
    group_head_ = -1;
  }

  // Every member given, so that nothing is cleared first only to be written again.
  const ParameterItem* before = tag_->items.data();
  tag_->items.push_back(ParameterItem{
      index,
      offset.empty() ? -1 : static_cast<int>(HexValueLoose(offset) & 0xFFFF),
      definition_.memory.Add(Limit(name, kItemNameLimit)),
      value_kind,
      width.empty() ? 0 : SignedDecimal(width),
      help.empty() ? std::string_view() : HelpText(Limit(help, kHelpLimit), definition_.memory),
      0,
      nullptr,
      head_index,
      tag_,
      line_,
  });
  ParameterItem& item = tag_->items.back();
  if (tag_->items.data() != before) {
    // The tag's items moved: point the members at their heads' new places.
    for (ParameterItem& moved : tag_->items) {
      if (moved.head_index >= 0) moved.head = &tag_->items[static_cast<size_t>(moved.head_index)];
    }
  }
  if (head_index >= 0) {
    ParameterItem& head = tag_->items[static_cast<size_t>(head_index)];
    item.head = &head;
    ++head.member_count;
  }

  if (EncodeText(table_->default_image, item, Limit(initial, kInitialValueLimit)) >= 0) {
    ++valid_items_;
  } else if (sink_) {
    DefinitionNote note;
    note.line = line_;
    note.kind = DefinitionNoteKind::kInvalidItem;
    note.fault = kind.empty() ? ItemFault::kNoKind : DiagnoseItem(item);
    note.text = kind;
    note.item = &item;
    sink_->Note(note);
  }
}

void DefinitionParser::Finish() {
  for (CommandBlock& block : definition_.blocks) {
    if (block.table != -1 && definition_.Table(block.table) == nullptr) {
      line_ = block_lines_[block.number - 1];
      Note(DefinitionNoteKind::kMissingTable, std::string_view(), block.number);
      block.table = -1;
    }
  }
}

DefinitionLoad Load(InputFile& file, DefinitionDiagnostics* diagnostics) {
  DefinitionLoad load;
  try {
    auto definition = std::make_unique<ParameterDefinition>();
    DefinitionParser parser(*definition, diagnostics);
    auto reader = std::make_unique<TextLineReader>(file);
    std::string_view line;
    int line_number = 0;
    for (;;) {
      const TextLineReader::Result r = reader->Next(&line, &line_number);
      if (r == TextLineReader::kEnd) break;
      if (r == TextLineReader::kError) {
        load.result = kDefinitionReadFailed;
        load.system_error = reader->error();
        return load;
      }
      parser.Line(line, line_number);
    }
    if (reader->StoppedAtEndMark() && diagnostics) {
      DefinitionNote note;
      note.line = line_number;
      note.kind = DefinitionNoteKind::kEndOfFileMark;
      diagnostics->Note(note);
    }
    parser.Finish();
    load.result = kDefinitionLoaded;
    load.valid_items = parser.valid_items();
    load.definition = std::move(definition);
  } catch (const std::bad_alloc&) {
    load = DefinitionLoad();
    load.result = kDefinitionOutOfMemory;
  }
  return load;
}

const char* FaultText(ItemFault fault) {
  switch (fault) {
    case ItemFault::kNone: return "initial value not stored";
    case ItemFault::kNoKind: return "no kind (an empty row on the page)";
    case ItemFault::kUnknownKind: return "unknown kind";
    case ItemFault::kOffsetMissing: return "offset missing";
    case ItemFault::kWidthMissing: return "width missing or not above 0";
    case ItemFault::kOutsideBlock: return "offset or width outside the block";
    case ItemFault::kMemberWithoutHead: return "member without a head";
    case ItemFault::kHeadOutsideBlock: return "member of a head whose bytes lie outside the block";
    case ItemFault::kBitOutOfRange: return "bit number out of range";
  }
  return "initial value not stored";
}

}  // namespace

std::string DefinitionNoteText(const DefinitionNote& note) {
  const std::string text(note.text);
  switch (note.kind) {
    case DefinitionNoteKind::kUnknownHeader:
      return Format("unknown header [%s], line skipped (no current table until the next [PAR])", text.c_str());
    case DefinitionNoteKind::kBlockNumberOutOfRange:
      return Format("command block number %d outside 1-5, line skipped", note.number);
    case DefinitionNoteKind::kTableNumberOutOfRange:
      return Format("table number %d outside 1-100, no current table", note.number);
    case DefinitionNoteKind::kTableReused:
      return Format("table PAR%d used again, its tags and items go on", note.number);
    case DefinitionNoteKind::kTagOutsideTable:
      return "tag outside a table, skipped";
    case DefinitionNoteKind::kZeroOutsideTable:
      return "zero-valid ranges outside a table, skipped";
    case DefinitionNoteKind::kItemOutsideTag:
      return "item outside a tag, skipped";
    case DefinitionNoteKind::kInvalidItem: {
      std::string what = FaultText(note.fault);
      if (note.fault == ItemFault::kUnknownKind) what += Format(" '%s'", text.c_str());
      if (note.item) {
        return Format("invalid item \"%s\": %s", std::string(note.item->name).c_str(), what.c_str());
      }
      return "invalid item: " + what;
    }
    case DefinitionNoteKind::kMissingTable:
      return Format("command block %d names a table that does not exist, it has no table", note.number);
    case DefinitionNoteKind::kEndOfFileMark:
      return "end-of-file mark (Ctrl-Z), the rest of the file is not read";
  }
  return std::string();
}

DefinitionLoad LoadDefinitionFrom(InputFile& file, DefinitionDiagnostics* diagnostics) {
  return Load(file, diagnostics);
}

DefinitionLoad LoadDefinitionFromMemory(std::string_view bytes, DefinitionDiagnostics* diagnostics) {
  MemoryInputFile file(bytes);
  return Load(file, diagnostics);
}

DefinitionLoad LoadDefinition(const std::string& path, DefinitionDiagnostics* diagnostics, FileSystem& file_system) {
  DefinitionLoad load;
  try {
    int error = 0;
    std::unique_ptr<InputFile> file = file_system.OpenRead(path, &error);
    if (!file) {
      load.result = kDefinitionOpenFailed;
      load.system_error = error;
      return load;
    }
    return Load(*file, diagnostics);
  } catch (const std::bad_alloc&) {
    load.result = kDefinitionOutOfMemory;
    return load;
  }
}

const char* DefinitionLoadFailureText(int result) {
  switch (result) {
    case kDefinitionOutOfMemory: return "メモリ不足のため、パラメータ定義ファイルのロードに失敗しました。";
    case kDefinitionOpenFailed: return "パラメータ定義ファイルのオープンに失敗しました。";
    case kDefinitionReadFailed: return "パラメータ定義ファイルにリードエラーが発生しました。";
    default: return nullptr;
  }
}

}  // namespace orvex
