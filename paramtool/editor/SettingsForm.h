// What a settings window shows for one parameter table, and the editing rules, without a window:
// the pages and their controls (kind, identifier, place, item), each control's state (text,
// check, choice, enabled), and how edits, clicks and choices change that state. The window
// makes one system control per FormControl, keeps the two in step and leaves every decision here.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "PageLayout.h"
#include "ParameterDefinition.h"
#include "ValueCodec.h"

namespace orvex {

// The thousands digit of an identifier tells the control's kind.
enum class ControlType : int { kLabel = 0, kEdit = 1, kButton = 2, kList = 3 };
constexpr int kPlainLabelId = 0xFFFF;
constexpr int kFirstHeadLabelId = 10000;  // GCH/GOP group heads
constexpr int kFirstEditId = 11000;
constexpr int kFirstButtonId = 12000;
constexpr int kFirstListId = 13000;
inline int ControlTypeDigit(int id) {
  return id % 10000 / 1000;
}

enum class ButtonRole : int {
  kCheck = 0,        // CHB
  kHead = 1,         // GCHV, GOPV: enables its members
  kCheckMember = 2,  // GCHL
  kRadioMember = 3,  // GOPL
};

// The longest text an edit stores.
constexpr size_t kStoredTextLimit = 254;

struct FormControl {
  int page = 0;
  ControlType type = ControlType::kLabel;
  int id = kPlainLabelId;
  LayoutRect rect;
  std::string caption;                  // labels and buttons
  const ParameterItem* item = nullptr;  // null for unit labels
  DisplayClass display = DisplayClass::kInvalid;
  ButtonRole role = ButtonRole::kCheck;
  bool group_start = false;  // starts a new tab group
  bool enabled = true;

  // Edits.
  std::string text;
  std::string baseline;  // the text last seen; a different text marks the window changed
  std::string loaded;    // the text the last reload gave
  // Buttons.
  bool checked = false;
  int owner = -1;            // members: the control index of their group head
  std::vector<int> members;  // heads: their member buttons
  int selected = -1;         // heads: the selected radio member
  // Drop-down lists.
  std::vector<std::string> entries;
  int choice = -1;  // chosen entry, -1 for none

  bool IsValueControl() const { return type != ControlType::kLabel; }
  bool IsHeadLabel() const { return type == ControlType::kLabel && display == DisplayClass::kGroupLabel; }
};

struct FormPage {
  std::string caption;  // the tab's title
  bool two_columns = false;
  int shown_items = 0;  // items of the tag shown before the page was full
};

// What an event changed: whether the window is now changed, and which controls must show their
// new state (enabled, checked).
struct FormUpdate {
  bool changed = false;
  std::vector<int> refresh;
};

class SettingsForm {
 public:
  // Lays out one page per tag of the table and takes every control's first state from the block
  // image (decoding a GCH/GOP head sets its bit in it). A null table gives no pages.
  void Build(const ParameterTable* table, BlockImage& block, const LayoutMeasures& measures);

  const std::vector<FormPage>& pages() const { return pages_; }
  const std::vector<FormControl>& controls() const { return controls_; }
  const FormControl& control(int index) const { return controls_[static_cast<size_t>(index)]; }
  int size() const { return static_cast<int>(controls_.size()); }
  // Any edit, button or list on any page.
  bool HasValueControls() const;

  // The values of a block image into every control; the image itself is not touched. A control
  // whose item cannot be decoded keeps its state.
  void Reload(const BlockImage& source);
  // Every control into the block image. An edit whose text is what its item's bytes already
  // show is left alone, so a value the field cannot show exactly (a BCD byte of 0xFF, a
  // character outside the decoded ranges) survives untouched. `shown_as` gives a text as an
  // edit field shows it back (the window's text conversion); the default keeps it as it is.
  void Store(BlockImage& block, const std::function<std::string(std::string_view)>& shown_as = nullptr) const;

  // The state the window reads back from its controls before a Store.
  void SetText(int index, std::string_view text) { At(index).text = std::string(text); }
  void SetChecked(int index, bool checked) { At(index).checked = checked; }
  void SetChoice(int index, int choice) { At(index).choice = choice; }

  // An edit's text was updated; true when the window becomes changed.
  bool TextChanged(int index, std::string_view text);
  // An edit lost the focus: the text to write back (its normalised form), or the text as it
  // stands when it needs no change. A text a reload put there is left as it is.
  std::string NormalisedText(int index) const;
  // A button was clicked; `checked` is its state after the click.
  FormUpdate ButtonClicked(int index, bool checked);
  // A list's choice was confirmed; true when the window becomes changed.
  bool ChoiceConfirmed(int index, int choice);

 private:
  FormControl& At(int index) { return controls_[static_cast<size_t>(index)]; }
  void BuildPage(const ParameterTag& tag, int page, BlockImage& block, const LayoutMeasures& m);
  int Add(FormControl control);
  void SelectCheckedMembers();

  std::vector<FormPage> pages_;
  std::vector<FormControl> controls_;
  int next_head_label_id_ = kFirstHeadLabelId;
  int next_edit_id_ = kFirstEditId;
  int next_button_id_ = kFirstButtonId;
  int next_list_id_ = kFirstListId;
};

}  // namespace orvex
