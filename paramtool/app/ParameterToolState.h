// What OrvexSet's main window holds and decides, without the window: the definition, the working
// image and the device copy, the channel assignments and boards, the title, the channel rows, the
// block controls and the list's context menu. The window shows what this says and carries out
// the changes it reports.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ParameterDefinition.h"
#include "ParameterImage.h"
#include "ParameterSaveFile.h"

namespace orvex {

constexpr uint8_t kNoBoard = 0xFF;
constexpr size_t kChannelRowWidth = 14;  // bytes a row text is padded to

// The name a channel row shows for a board code, or nullptr for a code not in the table.
const char* BoardName(uint8_t code);
// "・" for block 1 (value 0), "Ａ" to "Ｄ" for blocks 2 to 5, "？" for a value no block has.
std::string BlockMark(uint8_t value);

struct ChannelRow {
  std::string text;
  int image = 0;  // 0..59 without a board, 60..119 with one
};
// Row `row` (0..59): the block mark, the board when wanted and known, padded to 14 bytes.
ChannelRow ChannelRowView(int row, uint8_t value, uint8_t board, bool show_board);

// The enabled state and caption of one command block's letter and block buttons.
struct BlockControl {
  bool letter_enabled = false;
  bool block_enabled = false;
  std::string caption;
};
struct BlockControls {
  std::array<BlockControl, kBlockCount> blocks;
  bool reset_enabled = false;
};
BlockControls BuildBlockControls(const ParameterDefinition* definition,
                                 const std::array<std::string, kBlockCount>& initial_captions);

struct MenuItem {
  int id = 0;  // 0: a separator
  std::string text;
  bool enabled = true;
};
// The channel list's context menu: select all, select same board, then blocks 2 to 5.
std::vector<MenuItem> ChannelMenuItems(const ParameterDefinition* definition);

// The main window's title. With a definition: the initial title's first word and " - " (or the
// whole initial title when the definition has no title), the definition's title, and
// "<version-word1-word2>"; without: the initial title and "<0000-word1-word2>". Automatic runs
// append "  <自動>".
std::string MainTitle(std::string_view initial_title, const ParameterDefinition* definition, uint16_t word1,
                      uint16_t word2, bool automatic);

// The question of a command: prefix + question, with the pending-changes warning between them
// while changes are pending or a settings window is editing.
std::string ConfirmText(std::string_view prefix, std::string_view question, bool pending);
std::string WriteConfirmText(bool editing);

// The message of a definition update that did not load (or loaded no valid item).
std::string DefinitionUpdateFailureText(int load_result, int valid_items);

class ParameterToolState {
 public:
  ParameterToolState();

  const ParameterDefinition* definition() const { return definition_.get(); }
  // The definition loaded at start-up (or none); the working image gets its initial values.
  void StartWith(std::unique_ptr<ParameterDefinition> definition);
  // A newer definition replaces the current one: items it adds get their initial values in the
  // working image. Returns the number of items given initial values.
  int ReplaceDefinition(std::unique_ptr<ParameterDefinition> definition);

  ParameterImage& image() { return image_; }
  const ParameterImage& image() const { return image_; }
  ParameterImage& device_copy() { return device_copy_; }
  const ParameterImage& device_copy() const { return device_copy_; }

  bool modified() const { return modified_; }
  void set_modified(bool modified) { modified_ = modified; }

  // Channel assignment: the rows (0..59) whose byte differs from `value` get it; returns them.
  std::vector<int> Assign(const std::vector<int>& rows, uint8_t value);
  // All parameters back to the definition's initial values. Returns which block values (0..4)
  // the channels now hold, so their letter buttons can be marked.
  std::array<bool, kBlockCount> ResetAll();
  // The working image back to the state read from the device.
  void RestoreDeviceCopy();
  // A parameter save file was loaded: its image, class byte and version are taken over.
  void TakeOverFile(const LoadedSaveFile& file);

  // Class byte and version that a save file gets: the definition's, else those of the last image
  // taken over.
  uint8_t SaveClassByte() const;
  uint16_t SaveVersion() const;
  bool image_loaded() const { return image_loaded_; }

  // Boards and device state (the device events fill them).
  uint8_t board(int row) const { return boards_[static_cast<size_t>(row)]; }
  void set_board(int row, uint8_t code) { boards_[static_cast<size_t>(row)] = code; }
  void ClearBoards();
  uint16_t device_word(int i) const { return device_words_[i]; }
  void set_device_words(uint16_t first, uint16_t second) { device_words_[0] = first, device_words_[1] = second; }
  int read_state() const { return read_state_; }
  void set_read_state(int state) { read_state_ = state; }

  ChannelRow Row(int row, bool show_board = true) const;
  // Rows with the same board code as `focus_row` (rows without a board share 0xFF); none when
  // no row has the focus (-1).
  std::vector<int> SameBoardRows(int focus_row) const;
  std::string Title(std::string_view initial_title, bool automatic) const;

 private:
  std::unique_ptr<ParameterDefinition> definition_;
  ParameterImage image_{};
  ParameterImage device_copy_{};
  bool modified_ = false;
  bool image_loaded_ = false;
  uint8_t loaded_class_ = 0;
  uint16_t loaded_version_ = 0;
  std::array<uint8_t, kChannelCount> boards_;
  uint16_t device_words_[2] = {0, 0};
  int read_state_ = -1;  // -1 no device, 0 attached and not read, 1 read done
};

}  // namespace orvex
