// Settings pages from arbitrary definition files: every block's table laid out on the template's
// measures and on odd ones, reloaded, edited and stored, with the invariants the window relies on.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

#include "DefinitionLoader.h"
#include "InputFilter.h"
#include "PageLayout.h"
#include "ParameterImage.h"
#include "SettingsForm.h"
#include "SettingsTexts.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

void Exercise(const orvex::ParameterDefinition& definition, const orvex::ParameterTable& table,
              const orvex::LayoutMeasures& measures, const uint8_t* data, size_t size) {
  using namespace orvex;
  auto image = std::make_unique<ParameterImage>();
  BuildImage(definition, image.get());
  BlockImage block = table.default_image;
  // The rest of the input overwrites the start of the block.
  std::memcpy(block.bytes, data, size < kBlockImageSize ? size : kBlockImageSize);

  SettingsForm form;
  form.Build(&table, block, measures);
  Check(form.pages().size() == table.tags.size());
  const int capacity = measures.Rows() * 2;
  for (const FormPage& page : form.pages()) Check(page.shown_items >= 0);
  for (int i = 0; i < form.size(); ++i) {
    const FormControl& c = form.control(i);
    Check(c.id == kPlainLabelId || c.id >= kFirstHeadLabelId);
    Check(c.owner < 0 || form.control(c.owner).item == c.item->head);
    Check(c.type != ControlType::kList || c.choice < static_cast<int>(c.entries.size()));
    Check(measures.row_pitch <= 0 || c.rect.y < measures.origin_y + capacity * measures.row_pitch);
  }

  // A store writes only the bytes of the table's items.
  bool covered[kBlockImageSize] = {};
  for (const auto& tag : table.tags) {
    for (const ParameterItem& item : tag->items) {
      const int location = LocateItem(item);
      if (location == kItemNotLocated) continue;
      const ParameterItem& owner = location == kItemOwnBytes ? item : *item.head;
      for (int i = 0; i < owner.width; ++i) covered[owner.offset + i] = true;
    }
  }
  BlockImage stored = block;
  form.Store(stored);
  for (size_t i = 0; i < kBlockImageSize; ++i) Check(covered[i] || stored.bytes[i] == block.bytes[i]);

  // Edit everything with bytes from the input, then store and reload.
  size_t at = 0;
  for (int i = 0; i < form.size(); ++i) {
    const FormControl& c = form.control(i);
    const uint8_t byte = size > 0 ? data[at++ % size] : 0;
    switch (c.type) {
      case ControlType::kEdit: {
        const size_t n = size > 0 ? byte % 300 : 0;
        std::string text;
        for (size_t k = 0; k < n; ++k) text.push_back(static_cast<char>(data[(at + k) % size]));
        (void)FilterAccepts(FilterFlagsFor(c.display), byte);
        form.TextChanged(i, text);
        form.SetText(i, form.NormalisedText(i));
        break;
      }
      case ControlType::kButton:
        form.ButtonClicked(i, (byte & 1) != 0);
        break;
      case ControlType::kList:
        form.ChoiceConfirmed(i, static_cast<int>(byte % 5) - 1);
        break;
      default:
        break;
    }
  }
  form.Store(stored);
  form.Reload(stored);
  form.Reload(table.default_image);
  (void)CopySources(definition, 3);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvex;
  // The first bytes up to a NUL are the definition, the rest goes into the block image.
  const uint8_t* nul = static_cast<const uint8_t*>(std::memchr(data, 0, size));
  const size_t text_size = nul ? static_cast<size_t>(nul - data) : size;
  DefinitionLoad load =
      LoadDefinitionFromMemory(std::string_view(reinterpret_cast<const char*>(data), text_size));
  if (load.result != kDefinitionLoaded) return 0;
  const uint8_t* rest = nul ? nul + 1 : data + size;
  const size_t rest_size = static_cast<size_t>(data + size - rest);

  LayoutMeasures odd = TemplateMeasures();
  odd.row_pitch = rest_size > 0 ? rest[0] % 40 : 0;
  for (const auto& table : load.definition->tables) {
    if (!table) continue;
    Exercise(*load.definition, *table, TemplateMeasures(), rest, rest_size);
    Exercise(*load.definition, *table, odd, rest, rest_size);
  }
  return 0;
}
