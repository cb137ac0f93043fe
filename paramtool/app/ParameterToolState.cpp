#include "ParameterToolState.h"

#include <cstring>

#include "Cp932Text.h"
#include "DefinitionLoader.h"
#include "Format.h"
#include "ToolIds.h"
#include "ToolTexts.h"

namespace orvex {
namespace {

constexpr const char* kBlockMarks[kBlockCount] = {"・", "Ａ", "Ｂ", "Ｃ", "Ｄ"};

}  // namespace

const char* BoardName(uint8_t code) {
  switch (code) {
    case 0x00:
      return "ｱﾅﾛｸﾞ局線";
    case 0x01:
      return "ｱﾅﾛｸﾞ内線";
    case 0x02:
      return "INS64";
    case 0x03:
      return "INS1500";
    case 0x04:
      return "INS64U";
    case 0x14:
      return "INS64ST/U";
    case 0x05:
      return "PVﾎﾞｰﾄﾞ";
    default:
      return nullptr;
  }
}

std::string BlockMark(uint8_t value) {
  // A loaded file may hold any byte; counting on from "Ａ" would run into bytes that are no
  // character at all.
  return value < kBlockCount ? kBlockMarks[value] : "？";
}

ChannelRow ChannelRowView(int row, uint8_t value, uint8_t board, bool show_board) {
  ChannelRow view;
  view.text = BlockMark(value);
  view.image = row;
  if (show_board && board != kNoBoard) {
    if (const char* name = BoardName(board)) {
      view.text += " - ";
      view.text += name;
    } else {
      view.text += Format(" unknown(%02X)", board);
    }
    view.image = static_cast<int>(kChannelCount) + row;
  }
  if (view.text.size() < kChannelRowWidth) view.text.append(kChannelRowWidth - view.text.size(), ' ');
  return view;
}

BlockControls BuildBlockControls(const ParameterDefinition* definition,
                                 const std::array<std::string, kBlockCount>& initial_captions) {
  BlockControls controls;
  for (int n = 1; n <= kBlockCount; ++n) {
    BlockControl& c = controls.blocks[static_cast<size_t>(n - 1)];
    c.caption = initial_captions[static_cast<size_t>(n - 1)];
    if (definition == nullptr) {
      c.letter_enabled = true;
      continue;
    }
    if (definition->BlockTable(n) == nullptr) continue;
    const CommandBlock& block = definition->blocks[static_cast<size_t>(n - 1)];
    c.letter_enabled = block.assign_switch != 0;
    c.block_enabled = true;
    c.caption = block.name + c.caption;
  }
  controls.reset_enabled = definition != nullptr;
  return controls;
}

std::vector<MenuItem> ChannelMenuItems(const ParameterDefinition* definition) {
  std::vector<MenuItem> items;
  items.push_back({IDC_SELECT_ALL, texts::kMenuSelectAll, true});
  items.push_back({IDC_SELECT_SAME_BOARD, texts::kMenuSelectSameBoard, true});
  items.push_back({0, std::string(), true});
  const BlockControls controls = BuildBlockControls(definition, {});
  for (int n = 2; n <= kBlockCount; ++n) {
    MenuItem item;
    item.id = IDC_LETTER_FIRST + n - 1;
    item.text = definition ? Format("(&%d) %s", n - 1, definition->blocks[static_cast<size_t>(n - 1)].name.c_str())
                           : Format("(&%d)", n - 1);
    item.enabled = controls.blocks[static_cast<size_t>(n - 1)].letter_enabled;
    items.push_back(std::move(item));
  }
  return items;
}

std::string MainTitle(std::string_view initial_title, const ParameterDefinition* definition, uint16_t word1,
                      uint16_t word2, bool automatic) {
  std::string title;
  if (definition != nullptr) {
    std::string lead;
    if (definition->title.empty()) {
      lead = std::string(initial_title);
    } else {
      size_t blank = FindChar(initial_title, ' ');
      if (blank != kNotFound) lead = std::string(initial_title.substr(0, blank)) + " - ";
    }
    title = Format("%s%s <%04X-%04X-%04X>", lead.c_str(), definition->title.c_str(), definition->version, word1,
                   word2);
  } else {
    title = Format("%s <0000-%04X-%04X>", std::string(initial_title).c_str(), word1, word2);
  }
  if (automatic) title += texts::kAutomaticTitleSuffix;
  return title;
}

std::string ConfirmText(std::string_view prefix, std::string_view question, bool pending) {
  std::string text(prefix);
  if (pending) text += texts::kPendingChangesText;
  text.append(question);
  return text;
}

std::string WriteConfirmText(bool editing) {
  std::string text = texts::kWriteConfirmText;
  if (editing) text += texts::kWriteConfirmEditing;
  return text + texts::kWriteConfirmQuestion;
}

std::string DefinitionUpdateFailureText(int load_result, int valid_items) {
  std::string text = texts::kUpdateFailedText;
  switch (load_result) {
    case kDefinitionLoaded:
      if (valid_items == 0) text += texts::kUpdateNoValidItems;
      break;
    case kDefinitionOutOfMemory:
      text += texts::kUpdateOutOfMemory;
      break;
    case kDefinitionOpenFailed:
      text += texts::kUpdateOpenError;
      break;
    default:
      text += texts::kUpdateReadError;
      break;
  }
  return text;
}

ParameterToolState::ParameterToolState() {
  boards_.fill(kNoBoard);
}

void ParameterToolState::StartWith(std::unique_ptr<ParameterDefinition> definition) {
  definition_ = std::move(definition);
  if (definition_) {
    BuildImage(*definition_, &image_);
  } else {
    std::memset(&image_, 0, sizeof image_);
  }
}

int ParameterToolState::ReplaceDefinition(std::unique_ptr<ParameterDefinition> definition) {
  const int merged = MergeNewItemDefaults(image_.blocks, definition_.get(), *definition);
  FreeDefinition(definition_);
  definition_ = std::move(definition);
  return merged;
}

std::vector<int> ParameterToolState::Assign(const std::vector<int>& rows, uint8_t value) {
  std::vector<int> changed;
  for (int row : rows) {
    if (row < 0 || row >= static_cast<int>(kChannelCount)) continue;
    uint8_t& channel = image_.channels.channel[row];
    if (channel == value) continue;
    channel = value;
    changed.push_back(row);
  }
  if (!changed.empty()) modified_ = true;
  return changed;
}

std::array<bool, kBlockCount> ParameterToolState::ResetAll() {
  std::array<bool, kBlockCount> used{};
  if (definition_) BuildImage(*definition_, &image_);
  modified_ = false;
  for (uint8_t value : image_.channels.channel) {
    if (value < kBlockCount) used[value] = true;
  }
  return used;
}

void ParameterToolState::RestoreDeviceCopy() {
  image_ = device_copy_;
  modified_ = false;
}

void ParameterToolState::TakeOverFile(const LoadedSaveFile& file) {
  image_loaded_ = true;
  loaded_class_ = file.class_byte;
  loaded_version_ = file.version;
  image_ = file.image;
  modified_ = false;
}

uint8_t ParameterToolState::SaveClassByte() const {
  return definition_ ? definition_->class_byte : loaded_class_;
}

uint16_t ParameterToolState::SaveVersion() const {
  return definition_ ? definition_->version : loaded_version_;
}

void ParameterToolState::ClearBoards() {
  boards_.fill(kNoBoard);
}

ChannelRow ParameterToolState::Row(int row, bool show_board) const {
  return ChannelRowView(row, image_.channels.channel[row], boards_[static_cast<size_t>(row)], show_board);
}

std::vector<int> ParameterToolState::SameBoardRows(int focus_row) const {
  std::vector<int> rows;
  if (focus_row < 0 || focus_row >= static_cast<int>(kChannelCount)) return rows;
  const uint8_t code = boards_[static_cast<size_t>(focus_row)];
  for (int row = 0; row < static_cast<int>(kChannelCount); ++row) {
    if (boards_[static_cast<size_t>(row)] == code) rows.push_back(row);
  }
  return rows;
}

std::string ParameterToolState::Title(std::string_view initial_title, bool automatic) const {
  return MainTitle(initial_title, definition_.get(), device_words_[0], device_words_[1], automatic);
}

}  // namespace orvex
