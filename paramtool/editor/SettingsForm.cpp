#include "SettingsForm.h"

#include <cstdint>
#include <utility>

#include "Cp932Text.h"

namespace orvex {
namespace {

// The entry a list shows for a stored index: that one, else the first (none in an empty list).
int ChoiceFor(uint32_t stored, size_t entries) {
  const int64_t index = static_cast<int32_t>(stored);
  if (index >= 0 && static_cast<size_t>(index) < entries) return static_cast<int>(index);
  return entries > 0 ? 0 : -1;
}

NumberForm FormOf(DisplayClass display) {
  switch (display) {
    case DisplayClass::kHexadecimal:
      return NumberForm::kHexadecimal;
    case DisplayClass::kBcd:
      return NumberForm::kBcd;
    default:
      return NumberForm::kDecimal;
  }
}

bool IsEditClass(DisplayClass display) {
  return display == DisplayClass::kDecimal || display == DisplayClass::kHexadecimal ||
         display == DisplayClass::kBcd || display == DisplayClass::kText;
}

}  // namespace

void SettingsForm::Build(const ParameterTable* table, BlockImage& block, const LayoutMeasures& measures) {
  *this = SettingsForm();
  if (table == nullptr) return;
  for (const auto& tag : table->tags) {
    BuildPage(*tag, static_cast<int>(pages_.size()), block, measures);
  }
  SelectCheckedMembers();
}

int SettingsForm::Add(FormControl control) {
  controls_.push_back(std::move(control));
  return static_cast<int>(controls_.size()) - 1;
}

void SettingsForm::BuildPage(const ParameterTag& tag, int page, BlockImage& block, const LayoutMeasures& m) {
  FormPage form_page;
  form_page.caption = TagCaption(tag);
  form_page.two_columns = tag.layout == 2;
  const bool two = form_page.two_columns;
  const int rows = m.Rows();
  const int capacity = rows * (two ? 2 : 1);
  const int value_offset = two ? m.narrow_value_offset : m.wide_value_offset;
  const LayoutSize label_size = two ? m.narrow_label : m.wide_label;
  const LayoutSize text_size = two ? m.narrow_text_edit : m.wide_text_edit;
  const LayoutSize check_size = two ? m.narrow_check : m.wide_check;
  const LayoutSize list_size = two ? m.narrow_list : m.wide_list;

  std::vector<std::pair<const ParameterItem*, int>> heads;  // group heads on this page
  std::vector<std::pair<int, uint32_t>> wanted;             // lists and their stored index
  int list = -1;                                            // the list whose entries follow
  int slot = 0;

  auto make = [&](ControlType type, const ParameterItem& item, LayoutRect rect) {
    FormControl c;
    c.page = page;
    c.type = type;
    c.item = &item;
    c.rect = rect;
    return c;
  };
  auto label = [&](const ParameterItem& item, int x, int y) {
    FormControl c = make(ControlType::kLabel, item, {x, y, label_size.width, label_size.height});
    c.caption = std::string(item.name);
    return c;
  };

  for (const ParameterItem& item : tag.items) {
    // A list's entries take no slot of their own: the list took one already.
    if (item.kind == ValueKind::kDlst && list >= 0 && item.head == control(list).item) {
      At(list).entries.emplace_back(item.name);
      ++form_page.shown_items;
      continue;
    }
    if (slot >= capacity) break;

    ValueText text;
    uint32_t number = 0;
    const DisplayClass display = DecodeValue(block, item, &text, &number);
    // An entry of no list on this page (its head is no drop-down list) shows nothing.
    if (display == DisplayClass::kDropDownEntry) continue;

    const int column = two ? slot / rows : 0;
    const int row = two ? slot % rows : slot;
    const int x0 = m.origin_x + column * m.column_pitch;
    const int y = m.origin_y + row * m.row_pitch;
    ++slot;
    ++form_page.shown_items;

    switch (display) {
      case DisplayClass::kInvalid: {
        FormControl c = label(item, x0, y);
        c.enabled = static_cast<int>(item.kind) <= 0;
        Add(std::move(c));
        break;
      }
      case DisplayClass::kDecimal:
      case DisplayClass::kHexadecimal:
      case DisplayClass::kBcd:
      case DisplayClass::kText: {
        Add(label(item, x0, y));
        const LayoutSize size = display == DisplayClass::kText ? text_size : m.number_edit;
        FormControl edit = make(ControlType::kEdit, item, {x0 + value_offset, y, size.width, size.height});
        edit.id = next_edit_id_++;
        edit.display = display;
        edit.text = edit.baseline = edit.loaded = std::string(text.View());
        const int edit_x = edit.rect.x;
        Add(std::move(edit));
        if (const char* unit = UnitLabel(item.kind)) {
          FormControl c;
          c.page = page;
          c.rect = {edit_x + m.unit_offset, y, m.unit_label.width, m.unit_label.height};
          c.caption = unit;
          Add(std::move(c));
        }
        break;
      }
      case DisplayClass::kCheckBox:
      case DisplayClass::kGroupCheckBox: {
        FormControl c = make(ControlType::kButton, item, {x0, y, check_size.width, check_size.height});
        c.id = next_button_id_++;
        c.display = display;
        c.caption = std::string(item.name);
        c.checked = number != 0;
        c.group_start = true;
        c.role = display == DisplayClass::kGroupCheckBox ? ButtonRole::kHead : ButtonRole::kCheck;
        const int index = Add(std::move(c));
        if (display == DisplayClass::kGroupCheckBox) heads.emplace_back(&item, index);
        break;
      }
      case DisplayClass::kGroupLabel: {
        FormControl c = label(item, x0, y);
        c.id = next_head_label_id_++;
        c.display = display;
        heads.emplace_back(&item, Add(std::move(c)));
        break;
      }
      case DisplayClass::kMemberEnabled:
      case DisplayClass::kMemberDisabled: {
        FormControl c =
            make(ControlType::kButton, item, {x0 + m.member_indent, y, check_size.width, check_size.height});
        c.id = next_button_id_++;
        c.display = display;
        c.caption = std::string(item.name);
        c.checked = number != 0;
        c.enabled = display == DisplayClass::kMemberEnabled;
        c.role = item.kind == ValueKind::kGopl ? ButtonRole::kRadioMember : ButtonRole::kCheckMember;
        // A member joins its own head, never whatever head came last: a definition may put a
        // member under a list.
        for (const auto& [head, index] : heads) {
          if (head == item.head) c.owner = index;
        }
        const int index = Add(std::move(c));
        if (control(index).owner >= 0) At(control(index).owner).members.push_back(index);
        break;
      }
      case DisplayClass::kDropDown: {
        Add(label(item, x0, y));
        FormControl c =
            make(ControlType::kList, item, {x0 + value_offset, y, list_size.width, list_size.height});
        c.id = next_list_id_++;
        c.display = display;
        list = Add(std::move(c));
        wanted.emplace_back(list, number);
        break;
      }
      default:
        break;
    }
  }
  for (const auto& [index, stored] : wanted)
    At(index).choice = ChoiceFor(stored, control(index).entries.size());
  pages_.push_back(std::move(form_page));
}

void SettingsForm::SelectCheckedMembers() {
  for (FormControl& head : controls_) {
    head.selected = -1;
    for (int member : head.members) {
      if (control(member).role == ButtonRole::kRadioMember && control(member).checked) head.selected = member;
    }
  }
}

bool SettingsForm::HasValueControls() const {
  for (const FormControl& c : controls_) {
    if (c.IsValueControl()) return true;
  }
  return false;
}

void SettingsForm::Reload(const BlockImage& source) {
  // Decoding a group head sets its bit: that must not reach the image read from.
  BlockImage image = source;
  for (FormControl& c : controls_) {
    if (c.item == nullptr) continue;
    ValueText text;
    uint32_t number = 0;
    switch (c.type) {
      case ControlType::kLabel:
        if (c.IsHeadLabel()) DecodeValue(image, *c.item, nullptr, &number);
        break;
      case ControlType::kEdit:
        if (DecodeValue(image, *c.item, &text, nullptr) != DisplayClass::kInvalid) {
          c.text = c.baseline = c.loaded = std::string(text.View());
        }
        break;
      case ControlType::kButton: {
        const DisplayClass display = DecodeValue(image, *c.item, nullptr, &number);
        if (display == DisplayClass::kInvalid) break;
        c.checked = number != 0;
        if (c.role == ButtonRole::kCheckMember || c.role == ButtonRole::kRadioMember) {
          c.enabled = display == DisplayClass::kMemberEnabled;
        }
        break;
      }
      case ControlType::kList:
        if (DecodeValue(image, *c.item, nullptr, &number) != DisplayClass::kInvalid) {
          c.choice = ChoiceFor(number, c.entries.size());
        }
        break;
    }
  }
  SelectCheckedMembers();
}

void SettingsForm::Store(BlockImage& block,
                         const std::function<std::string(std::string_view)>& shown_as) const {
  for (const FormControl& c : controls_) {
    if (c.item == nullptr) continue;
    switch (c.type) {
      case ControlType::kLabel:
        if (c.IsHeadLabel()) EncodeNumber(block, *c.item, 1);
        break;
      case ControlType::kEdit: {
        const std::string_view text = CutText(c.text, kStoredTextLimit);
        ValueText now;
        // Edits hold number and text items only, whose decoding leaves the image as it is.
        if (IsEditClass(DecodeValue(block, *c.item, &now, nullptr))) {
          const std::string shown = shown_as ? shown_as(now.View()) : std::string(now.View());
          if (shown == text) break;
        }
        ValueText value(text);
        EncodeValue(block, *c.item, &value);
        break;
      }
      case ControlType::kButton:
        EncodeNumber(block, *c.item, c.checked ? 1 : 0);
        break;
      case ControlType::kList:
        EncodeNumber(block, *c.item, static_cast<uint32_t>(c.choice));
        break;
    }
  }
}

bool SettingsForm::TextChanged(int index, std::string_view text) {
  FormControl& c = At(index);
  c.text = std::string(text);
  if (c.text == c.baseline) return false;
  c.baseline = c.text;
  return true;
}

std::string SettingsForm::NormalisedText(int index) const {
  const FormControl& c = control(index);
  if (c.type != ControlType::kEdit || c.display == DisplayClass::kText || c.item == nullptr) return c.text;
  // What a reload showed is the value's own text; reading it back could change the value
  // (a BCD field shows a byte of 0xFF as "FF", which reads as 0).
  if (c.text == c.loaded) return c.text;
  const NumberForm form = FormOf(c.display);
  ValueText shown;
  ShowNumberText(form, ParseNumberText(form, c.text, c.item->width), c.item->width, &shown);
  return std::string(shown.View());
}

FormUpdate SettingsForm::ButtonClicked(int index, bool checked) {
  FormUpdate update;
  FormControl& c = At(index);
  switch (c.role) {
    case ButtonRole::kHead:
      c.checked = checked;
      for (int member : c.members) {
        At(member).enabled = checked;
        update.refresh.push_back(member);
      }
      break;
    case ButtonRole::kRadioMember: {
      if (c.owner >= 0 && control(c.owner).selected == index) {
        // Clicking the selected one again changes nothing; it stays checked.
        c.checked = true;
        update.refresh.push_back(index);
        return update;
      }
      if (c.owner >= 0) {
        FormControl& owner = At(c.owner);
        for (int member : owner.members) {
          FormControl& other = At(member);
          if (member == index || other.role != ButtonRole::kRadioMember || !other.checked) continue;
          other.checked = false;
          update.refresh.push_back(member);
        }
        owner.selected = index;
      }
      c.checked = true;
      update.refresh.push_back(index);
      break;
    }
    default:
      c.checked = checked;
      break;
  }
  update.changed = true;
  return update;
}

bool SettingsForm::ChoiceConfirmed(int index, int choice) {
  FormControl& c = At(index);
  if (choice == c.choice) return false;
  c.choice = choice;
  return true;
}

}  // namespace orvex
