#include "ParameterImage.h"

#include <bitset>
#include <cstring>

#include "ParameterDefinition.h"
#include "ValueCodec.h"

namespace orvex {

void BuildImage(const ParameterDefinition& definition, ParameterImage* image) {
  std::memset(image, 0, sizeof *image);
  image->channels = definition.channel_defaults;
  for (int n = 1; n <= kBlockCount; ++n) {
    if (const ParameterTable* table = definition.BlockTable(n)) image->Block(n) = table->default_image;
  }
}

int MergeNewItemDefaults(std::array<BlockImage, kBlockCount>& blocks, const ParameterDefinition* old_definition,
                         const ParameterDefinition& new_definition) {
  int copied = 0;
  for (int n = 1; n <= kBlockCount; ++n) {
    const ParameterTable* new_table = new_definition.BlockTable(n);
    if (new_table == nullptr) continue;
    const ParameterTable* old_table = old_definition ? old_definition->BlockTable(n) : nullptr;

    // Offsets at which the old table already had an item with its own bytes.
    std::bitset<kBlockImageSize> known;
    if (old_table) {
      for (const auto& tag : old_table->tags) {
        for (const ParameterItem& item : tag->items) {
          if (LocateItem(item) == kItemOwnBytes) known.set(static_cast<size_t>(item.offset));
        }
      }
    }

    BlockImage& block = blocks[static_cast<size_t>(n - 1)];
    for (const auto& tag : new_table->tags) {
      for (const ParameterItem& item : tag->items) {
        if (LocateItem(item) != kItemOwnBytes || known.test(static_cast<size_t>(item.offset))) continue;
        std::memcpy(block.bytes + item.offset, new_table->default_image.bytes + item.offset,
                    static_cast<size_t>(item.width));
        ++copied;
      }
    }
  }
  return copied;
}

}  // namespace orvex
