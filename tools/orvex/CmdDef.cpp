// orvex def: check parameter definition files, build the save file of their initial values, and
// show or compare save files item by item.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "AutomaticUpdate.h"
#include "Command.h"
#include "DefinitionLoader.h"
#include "Format.h"
#include "ParameterFileTexts.h"
#include "ParameterImage.h"
#include "ParameterSaveFile.h"
#include "ValueCodec.h"

namespace orvex::cli {
namespace {

constexpr int kExitInvalidItems = 4;  // check: loaded, but some items are unusable
constexpr int kExitDifferent = 1;     // diff: the files differ

struct ParsedArgs {
  std::vector<std::string> files;
  std::string output;
  bool json = false;
};

// Positional files plus -o FILE and --json where the subcommand takes them.
bool ParseArgs(const std::string& command, const Args& args, bool allow_output, bool allow_json, ParsedArgs* out) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (allow_output && a == "-o") {
      if (i + 1 >= args.size()) {
        Fail(command + ": -o needs a file name");
        return false;
      }
      out->output = args[++i];
    } else if (allow_json && a == "--json") {
      out->json = true;
    } else if (a.size() > 1 && a[0] == '-') {
      Fail(command + ": unknown option " + a);
      return false;
    } else {
      out->files.push_back(a);
    }
  }
  return true;
}

// Loads a definition, reporting a failure on stderr; nullptr then, with the exit code in *exit.
std::unique_ptr<ParameterDefinition> Load(const std::string& command, const std::string& path,
                                          DefinitionDiagnostics* diagnostics, int* valid_items, int* exit) {
  DefinitionLoad load = LoadDefinition(path, diagnostics);
  if (load.result != kDefinitionLoaded) {
    Fail(Format("%s: %s: %s (code %d, system error %d)", command.c_str(), path.c_str(),
                DefinitionLoadFailureText(load.result), load.result, load.system_error));
    *exit = load.result == kDefinitionOpenFailed ? kExitFileError : kExitInvalidImage;
    return nullptr;
  }
  if (valid_items) *valid_items = load.valid_items;
  return std::move(load.definition);
}

// Reads a save file, reporting a failure on stderr.
bool LoadImage(const std::string& command, const std::string& path, LoadedSaveFile* out, int* exit) {
  int error = 0;
  const int result = LoadSaveFile(path, out, &error);
  if (result == kSaveFileLoaded) return true;
  if (result == kSaveFileRefused) {
    std::string text = texts::kNotParameterFileText;
    for (size_t at; (at = text.find("\n\n")) != std::string::npos;) text.replace(at, 2, " ");
    Fail(Format("%s: %s: %s", command.c_str(), path.c_str(), text.c_str()));
    *exit = kExitInvalidImage;
  } else {
    Fail(Format("%s: %s: cannot read the file (system error %d)", command.c_str(), path.c_str(), error));
    *exit = kExitFileError;
  }
  return false;
}

template <typename F>
void ForEachItem(const ParameterTable& table, F f) {
  for (const auto& tag : table.tags) {
    for (const ParameterItem& item : tag->items) f(*tag, item);
  }
}

int CountItems(const ParameterDefinition& definition) {
  int n = 0;
  for (const auto& table : definition.tables) {
    if (table) ForEachItem(*table, [&](const ParameterTag&, const ParameterItem&) { ++n; });
  }
  return n;
}

std::string LayoutText(int layout) { return layout == 2 ? "2 columns" : "1 column"; }

std::string RangeText(int offset, int width) {
  if (width <= 1) return Format("%04X", offset);
  return Format("%04X-%04X", offset, offset + width - 1);
}

// ---- check -------------------------------------------------------------------------------

class CollectNotes : public DefinitionDiagnostics {
 public:
  struct Line {
    int line;
    std::string text;
  };
  void Note(const DefinitionNote& note) override { lines.push_back({note.line, DefinitionNoteText(note)}); }
  std::vector<Line> lines;
};

// Items whose bytes overlap another item's, and members that share a bit of their head.
void FindOverlaps(const ParameterTable& table, std::vector<CollectNotes::Line>* out) {
  std::vector<const ParameterItem*> own;
  std::vector<const ParameterItem*> members;
  ForEachItem(table, [&](const ParameterTag&, const ParameterItem& item) {
    const int location = LocateItem(item);
    if (location == kItemOwnBytes) own.push_back(&item);
    if (location == kItemHeadBytes && item.kind != ValueKind::kDlst && DiagnoseItem(item) == ItemFault::kNone) {
      members.push_back(&item);
    }
  });
  std::stable_sort(own.begin(), own.end(),
                   [](const ParameterItem* a, const ParameterItem* b) { return a->offset < b->offset; });
  const ParameterItem* reach = nullptr;  // the item reaching furthest so far
  for (const ParameterItem* item : own) {
    if (reach && item->offset < reach->offset + reach->width) {
      out->push_back({item->line, Format("item \"%s\" (%s) overlaps item \"%s\" (%s) of line %d in PAR%d",
                                         std::string(item->name).c_str(), RangeText(item->offset, item->width).c_str(),
                                         std::string(reach->name).c_str(), RangeText(reach->offset, reach->width).c_str(),
                                         reach->line, table.number)});
    }
    if (!reach || item->offset + item->width > reach->offset + reach->width) reach = item;
  }
  for (size_t i = 0; i < members.size(); ++i) {
    for (size_t j = 0; j < i; ++j) {
      if (members[i]->head == members[j]->head && members[i]->offset == members[j]->offset) {
        out->push_back({members[i]->line, Format("member \"%s\" uses bit %d of its head, as \"%s\" of line %d does",
                                                 std::string(members[i]->name).c_str(), members[i]->offset,
                                                 std::string(members[j]->name).c_str(), members[j]->line)});
        break;
      }
    }
  }
}

int RunCheck(const Args& args) {
  ParsedArgs parsed;
  if (!ParseArgs("def check", args, false, false, &parsed)) return kExitBadArguments;
  if (parsed.files.size() != 1) {
    Fail("def check: give one definition file");
    return kExitBadArguments;
  }
  CollectNotes notes;
  int valid = 0;
  int exit = kExitOk;
  auto definition = Load("def check", parsed.files[0], &notes, &valid, &exit);
  if (!definition) return exit;

  Print("title: %s\n", definition->title.c_str());
  Print("version: %04X\n", definition->version);
  Print("class: %u\n", definition->class_byte);
  for (const CommandBlock& block : definition->blocks) {
    std::string table = block.table > 0 ? Format("PAR%d", block.table) : std::string("none");
    Print("block %d: \"%s\", table %s, switch %d\n", block.number, block.name.c_str(), table.c_str(),
                block.assign_switch);
  }
  for (const auto& table : definition->tables) {
    if (!table) continue;
    int items = 0;
    ForEachItem(*table, [&](const ParameterTag&, const ParameterItem&) { ++items; });
    std::string zero;
    for (const ZeroValidRange& r : table->zero_ranges) {
      zero += r.low == r.high ? Format(" %04X", r.low) : Format(" %04X-%04X", r.low, r.high);
    }
    Print("table PAR%d: %zu tags, %d items%s%s\n", table->number, table->tags.size(), items,
                zero.empty() ? "" : ", zero-valid", zero.c_str());
    for (const auto& tag : table->tags) {
      Print("  tag %d \"%s\" (%s): %zu items\n", tag->index + 1, tag->name.c_str(), LayoutText(tag->layout).c_str(),
                  tag->items.size());
    }
  }
  for (const auto& table : definition->tables) {
    if (table) FindOverlaps(*table, &notes.lines);
  }
  std::stable_sort(notes.lines.begin(), notes.lines.end(),
                   [](const CollectNotes::Line& a, const CollectNotes::Line& b) { return a.line < b.line; });
  for (const auto& line : notes.lines) Print("line %d: %s\n", line.line, line.text.c_str());
  const int invalid = CountItems(*definition) - valid;
  if (invalid > 0) Print("invalid items: %d\n", invalid);
  Print("valid items: %d\n", valid);
  return invalid > 0 ? kExitInvalidItems : kExitOk;
}

// ---- new ---------------------------------------------------------------------------------

int RunNew(const Args& args) {
  ParsedArgs parsed;
  if (!ParseArgs("def new", args, true, false, &parsed)) return kExitBadArguments;
  if (parsed.files.size() != 1 || parsed.output.empty()) {
    Fail("def new: give one definition file and -o FILE.prg");
    return kExitBadArguments;
  }
  int exit = kExitOk;
  auto definition = Load("def new", parsed.files[0], nullptr, nullptr, &exit);
  if (!definition) return exit;
  auto image = std::make_unique<ParameterImage>();
  BuildImage(*definition, image.get());
  int error = 0;
  const int result = WriteSaveFile(parsed.output, image.get(), definition->class_byte, definition->version, &error);
  if (result != kSaveFileWritten) {
    Fail(Format("def new: %s: the save file could not be written (result %d, system error %d)",
                parsed.output.c_str(), result, error));
    return kExitFileError;
  }
  Print("%s: class %u, version %04X\n", parsed.output.c_str(), definition->class_byte, definition->version);
  return kExitOk;
}

// ---- fill --------------------------------------------------------------------------------

// The automatic parameter update's fill of a device's parameters with a new definition: what the
// parameter tool saves as MCPARA.prg from IMAGE as read. --zero-valid fills zero-valid items too
// (the fill flag of AutoPara.def).
int RunFill(const Args& args) {
  ParsedArgs parsed;
  bool zero_valid = false;
  Args rest;
  for (const std::string& a : args) {
    if (a == "--zero-valid") {
      zero_valid = true;
    } else {
      rest.push_back(a);
    }
  }
  if (!ParseArgs("def fill", rest, true, false, &parsed)) return kExitBadArguments;
  if (parsed.files.size() != 2 || parsed.output.empty()) {
    Fail("def fill: give a definition file, a save file and -o FILE.prg");
    return kExitBadArguments;
  }
  int exit = kExitOk;
  auto definition = Load("def fill", parsed.files[0], nullptr, nullptr, &exit);
  if (!definition) return exit;
  auto loaded = std::make_unique<LoadedSaveFile>();
  if (!LoadImage("def fill", parsed.files[1], loaded.get(), &exit)) return exit;
  int32_t filled = 0;
  FillEmptyItems(loaded->image, *definition, zero_valid, &filled, [](const std::string&) {});
  int error = 0;
  const int result =
      WriteSaveFile(parsed.output, &loaded->image, definition->class_byte, definition->version, &error);
  if (result != kSaveFileWritten) {
    Fail(Format("def fill: %s: the save file could not be written (result %d, system error %d)",
                parsed.output.c_str(), result, error));
    return kExitFileError;
  }
  Print("%s: %d items filled, class %u, version %04X\n", parsed.output.c_str(), filled, definition->class_byte,
        definition->version);
  return kExitOk;
}

// ---- show and diff -----------------------------------------------------------------------

std::string ChannelText(uint8_t value) {
  if (value == 0) return "-";
  if (value <= 4) return std::string(1, static_cast<char>('A' + value - 1));
  return Format("?%u", value);
}

// The entry text of a drop-down head's index, or nullptr.
const ParameterItem* DropDownEntry(const ParameterItem& head, uint32_t index) {
  uint32_t n = 0;
  for (const ParameterItem& item : head.tag->items) {
    if (item.head == &head && item.kind == ValueKind::kDlst) {
      if (n == index) return &item;
      ++n;
    }
  }
  return nullptr;
}

struct ShownValue {
  DisplayClass display = DisplayClass::kInvalid;
  std::string text;  // as the settings window shows it, with the unit
  std::string raw;   // the decoded text alone
};

// Decodes from a copy, so that the image itself stays as it was read.
ShownValue Show(const BlockImage& image, const ParameterItem& item) {
  BlockImage copy = image;
  ValueText text;
  uint32_t number = 0;
  ShownValue shown;
  shown.display = DecodeValue(copy, item, &text, &number);
  shown.raw.assign(text.View());
  if (shown.display == DisplayClass::kInvalid) {
    shown.text = "(invalid)";
    return shown;
  }
  shown.text = shown.raw;
  if (const char* unit = UnitLabel(item.kind)) shown.text += Format(" %s", unit);
  if (shown.display == DisplayClass::kDropDown) {
    const ParameterItem* entry = DropDownEntry(item, number);
    shown.text += entry ? Format(" (%s)", std::string(entry->name).c_str()) : std::string(" (no such entry)");
  }
  if (shown.display == DisplayClass::kMemberDisabled) shown.text += " (disabled)";
  return shown;
}

std::string ItemPlace(const ParameterItem& item) {
  if (IsMemberKind(item.kind) && item.head) {
    if (item.kind == ValueKind::kDlst) return Format("entry of %04X", item.head->offset);
    return Format("bit %d of %04X", item.offset, item.head->offset);
  }
  return item.offset >= 0 ? Format("%04X", item.offset) : std::string("----");
}

// Whether an item's own bytes differ where no value shows it (a CHB's further bytes, a wide
// number's bytes beyond the fourth, head bits no member takes). The bits of a head's members
// are theirs and listed with them.
bool OwnBytesDiffer(const ParameterTag& tag, const ParameterItem& item, const BlockImage& a, const BlockImage& b) {
  for (int k = 0; k < item.width; ++k) {
    unsigned mask = 0xFF;
    if (item.member_count > 0) {
      for (const ParameterItem& member : tag.items) {
        if (member.head == &item && member.kind != ValueKind::kDlst && DiagnoseItem(member) == ItemFault::kNone &&
            member.offset / 8 == k) {
          mask &= ~(1u << (member.offset % 8));
        }
      }
    }
    if ((a.bytes[item.offset + k] ^ b.bytes[item.offset + k]) & mask) return true;
  }
  return false;
}

void PrintShowText(const ParameterDefinition& definition, const LoadedSaveFile& file, const std::string& source) {
  Print("definition: \"%s\", version %04X, class %u\n", definition.title.c_str(), definition.version,
              definition.class_byte);
  Print("image: %s, version %04X, class %u\n", source.c_str(), file.version, file.class_byte);
  for (const CommandBlock& block : definition.blocks) {
    const ParameterTable* table = definition.BlockTable(block.number);
    if (!table) {
      Print("block %d \"%s\": no table\n", block.number, block.name.c_str());
      continue;
    }
    Print("block %d \"%s\" (PAR%d)\n", block.number, block.name.c_str(), table->number);
    const BlockImage& image = file.image.Block(block.number);
    for (const auto& tag : table->tags) {
      Print("  page %d \"%s\"\n", tag->index + 1, tag->name.c_str());
      for (const ParameterItem& item : tag->items) {
        if (item.kind == ValueKind::kDlst && item.head) {
          Print("      - %s\n", std::string(item.name).c_str());
          continue;
        }
        const ShownValue shown = Show(image, item);
        const char* indent = IsMemberKind(item.kind) && item.head ? "      " : "    ";
        Print("%s%s %s = %s\n", indent, ItemPlace(item).c_str(), std::string(item.name).c_str(), shown.text.c_str());
      }
    }
  }
  Print("channels:\n");
  for (size_t first = 0; first < kChannelCount; first += 10) {
    std::string row;
    for (size_t n = first; n < first + 10; ++n) row += " " + ChannelText(file.image.channels.channel[n]);
    Print("  %2zu-%2zu:%s\n", first + 1, first + 10, row.c_str());
  }
}

void PrintShowJson(const ParameterDefinition& definition, const LoadedSaveFile& file, const std::string& source,
                   bool from_file) {
  Print("{\"definition\": {\"title\": %s, \"version\": \"%04X\", \"class\": %u},\n",
              JsonString(definition.title).c_str(), definition.version, definition.class_byte);
  Print(" \"image\": {\"file\": %s, \"version\": \"%04X\", \"class\": %u},\n",
              from_file ? JsonString(source).c_str() : "null", file.version, file.class_byte);
  Print(" \"blocks\": [");
  for (const CommandBlock& block : definition.blocks) {
    const ParameterTable* table = definition.BlockTable(block.number);
    Print("%s\n  {\"number\": %d, \"name\": %s, \"table\": %d, \"switch\": %d, \"pages\": [",
                block.number > 1 ? "," : "", block.number, JsonString(block.name).c_str(),
                table ? table->number : -1, block.assign_switch);
    if (table) {
      const BlockImage& image = file.image.Block(block.number);
      for (const auto& tag : table->tags) {
        Print("%s\n   {\"name\": %s, \"layout\": %d, \"items\": [", tag->index > 0 ? "," : "",
                    JsonString(tag->name).c_str(), tag->layout);
        for (const ParameterItem& item : tag->items) {
          const ShownValue shown = Show(image, item);
          const char* keyword = ValueKindKeyword(item.kind);
          const char* unit = UnitLabel(item.kind);
          Print("%s\n    {\"line\": %d, \"offset\": %d, \"name\": %s, \"kind\": %s, \"width\": %d, "
                      "\"class\": %d, \"value\": %s, \"shown\": %s, \"unit\": %s}",
                      item.index > 0 ? "," : "", item.line, item.offset, JsonString(std::string(item.name)).c_str(),
                      keyword ? JsonString(keyword).c_str() : "null", item.width, static_cast<int>(shown.display),
                      shown.display == DisplayClass::kInvalid ? "null" : JsonString(shown.raw).c_str(),
                      JsonString(shown.text).c_str(), unit ? JsonString(unit).c_str() : "null");
        }
        Print("]}");
      }
    }
    Print("]}");
  }
  Print("],\n \"channels\": [");
  for (size_t n = 0; n < kChannelCount; ++n) Print("%s%u", n ? ", " : "", file.image.channels.channel[n]);
  Print("]}\n");
}

int RunShow(const Args& args) {
  ParsedArgs parsed;
  if (!ParseArgs("def show", args, false, true, &parsed)) return kExitBadArguments;
  if (parsed.files.empty() || parsed.files.size() > 2) {
    Fail("def show: give a definition file and at most one save file");
    return kExitBadArguments;
  }
  int exit = kExitOk;
  auto definition = Load("def show", parsed.files[0], nullptr, nullptr, &exit);
  if (!definition) return exit;
  auto file = std::make_unique<LoadedSaveFile>();
  std::string source = "initial values";
  const bool from_file = parsed.files.size() == 2;
  if (from_file) {
    if (!LoadImage("def show", parsed.files[1], file.get(), &exit)) return exit;
    source = parsed.files[1];
  } else {
    BuildImage(*definition, &file->image);
    file->class_byte = definition->class_byte;
    file->version = definition->version;
  }
  if (parsed.json) {
    PrintShowJson(*definition, *file, source, from_file);
  } else {
    PrintShowText(*definition, *file, source);
  }
  return kExitOk;
}

int RunDiff(const Args& args) {
  // Trouble exits with 2 or 3 here, never 1, which means "different".
  ParsedArgs parsed;
  if (!ParseArgs("def diff", args, false, false, &parsed) || parsed.files.size() != 3) {
    if (parsed.files.size() != 3) Fail("def diff: give a definition file and two save files");
    return kExitFileError;
  }
  int exit = kExitOk;
  auto definition = Load("def diff", parsed.files[0], nullptr, nullptr, &exit);
  if (!definition) return exit;
  auto a = std::make_unique<LoadedSaveFile>();
  auto b = std::make_unique<LoadedSaveFile>();
  if (!LoadImage("def diff", parsed.files[1], a.get(), &exit) || !LoadImage("def diff", parsed.files[2], b.get(), &exit)) {
    return exit;
  }

  int differences = 0;
  if (a->class_byte != b->class_byte) {
    Print("class: %u -> %u\n", a->class_byte, b->class_byte);
    ++differences;
  }
  if (a->version != b->version) {
    Print("version: %04X -> %04X\n", a->version, b->version);
    ++differences;
  }
  for (size_t n = 0; n < kChannelCount; ++n) {
    const uint8_t old_value = a->image.channels.channel[n];
    const uint8_t new_value = b->image.channels.channel[n];
    if (old_value != new_value) {
      Print("channel %zu: %s -> %s\n", n + 1, ChannelText(old_value).c_str(), ChannelText(new_value).c_str());
      ++differences;
    }
  }
  for (const CommandBlock& block : definition->blocks) {
    const BlockImage& old_image = a->image.Block(block.number);
    const BlockImage& new_image = b->image.Block(block.number);
    bool covered[kBlockImageSize] = {};
    if (const ParameterTable* table = definition->BlockTable(block.number)) {
      ForEachItem(*table, [&](const ParameterTag& tag, const ParameterItem& item) {
        if (item.kind == ValueKind::kDlst) return;
        const int location = LocateItem(item);
        if (location == kItemNotLocated) return;
        const ShownValue old_shown = Show(old_image, item);
        const ShownValue new_shown = Show(new_image, item);
        std::string change;
        // The values, not the shown texts: a member whose head was switched off keeps its value.
        if (old_shown.raw != new_shown.raw) {
          change = old_shown.text + " -> " + new_shown.text;
        } else if (location == kItemOwnBytes && OwnBytesDiffer(tag, item, old_image, new_image)) {
          std::string old_hex, new_hex;
          for (int k = 0; k < item.width; ++k) {
            old_hex += Format("%02X", old_image.bytes[item.offset + k]);
            new_hex += Format("%02X", new_image.bytes[item.offset + k]);
          }
          change = "bytes " + old_hex + " -> " + new_hex;
        }
        if (location == kItemOwnBytes) {
          for (int k = 0; k < item.width; ++k) covered[item.offset + k] = true;
        }
        if (change.empty()) return;
        Print("block %d \"%s\", page \"%s\", \"%s\" (%s): %s\n", block.number, block.name.c_str(),
                    tag.name.c_str(), std::string(item.name).c_str(), ItemPlace(item).c_str(), change.c_str());
        ++differences;
      });
    }
    int outside = 0;
    int first = -1;
    for (size_t k = 0; k < kBlockImageSize; ++k) {
      if (!covered[k] && old_image.bytes[k] != new_image.bytes[k]) {
        if (first < 0) first = static_cast<int>(k);
        ++outside;
      }
    }
    if (outside > 0) {
      Print("block %d \"%s\": %d bytes outside the defined items differ, the first at %04X\n", block.number,
                  block.name.c_str(), outside, first);
      ++differences;
    }
  }
  if (differences == 0) Print("no differences\n");
  return differences > 0 ? kExitDifferent : kExitOk;
}

int RunDef(const Args& args) {
  if (args.empty()) {
    Fail("def: say check, new, fill, show or diff (try: orvex help)");
    return kExitBadArguments;
  }
  const Args rest(args.begin() + 1, args.end());
  if (args[0] == "check") return RunCheck(rest);
  if (args[0] == "new") return RunNew(rest);
  if (args[0] == "fill") return RunFill(rest);
  if (args[0] == "show") return RunShow(rest);
  if (args[0] == "diff") return RunDiff(rest);
  Fail("def: unknown subcommand " + args[0]);
  return kExitBadArguments;
}

CommandRegistrar reg({"def",
                      "  def check DEF                  load a definition file and report what it holds and every\n"
                      "                                 line it skips or cannot use (exit 4: some items invalid)\n"
                      "  def new DEF -o FILE.prg        write the save file of the definition's initial values\n"
                      "  def fill DEF FILE.prg [--zero-valid] -o OUT.prg   the automatic update's fill of the\n"
                      "                                 items FILE.prg leaves empty with DEF's initial values\n"
                      "  def show DEF [FILE.prg] [--json]   every block, page and item with its value\n"
                      "  def diff DEF A.prg B.prg       what differs between two save files (exit 0 equal,\n"
                      "                                 1 different, 2 or 3 trouble)",
                      RunDef});

}  // namespace
}  // namespace orvex::cli
