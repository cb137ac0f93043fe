// The 15420-byte parameter image exchanged with the device and kept in save files: the channel
// table followed by the five command blocks' images. Multi-byte values are little-endian.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "ProgramHeader.h"

namespace orvex {

constexpr size_t kChannelCount = 60;
constexpr int kBlockCount = 5;
constexpr size_t kBlockImageSize = 3072;

// One byte per channel 1..60 (channel n at index n - 1): 0..4, 1..4 naming command blocks 2..5.
struct ChannelTable {
  uint8_t channel[kChannelCount];
};

struct BlockImage {
  uint8_t bytes[kBlockImageSize];
};

struct ParameterImage {
  ChannelTable channels;
  std::array<BlockImage, kBlockCount> blocks;  // blocks[n - 1] is command block n

  uint8_t* Bytes() { return reinterpret_cast<uint8_t*>(this); }
  const uint8_t* Bytes() const { return reinterpret_cast<const uint8_t*>(this); }
  BlockImage& Block(int number) { return blocks[static_cast<size_t>(number - 1)]; }
  const BlockImage& Block(int number) const { return blocks[static_cast<size_t>(number - 1)]; }
};

static_assert(sizeof(ParameterImage) == kParameterImageSize, "the image must have no padding");
static_assert(std::is_trivially_copyable_v<ParameterImage> && std::is_standard_layout_v<ParameterImage>);

// Offset of command block n's image inside the whole image.
constexpr size_t BlockImageOffset(int number) {
  return kChannelCount + static_cast<size_t>(number - 1) * kBlockImageSize;
}

struct ParameterDefinition;

// Fills the whole image with the definition's initial values: channel defaults, and each block's
// table default image (blocks without a table stay zero).
void BuildImage(const ParameterDefinition& definition, ParameterImage* image);

// After a newer definition replaces an older one: gives every item the new definition adds (no
// item with own bytes at the same offset in the old block's table) its initial value in the
// working image. Returns the number of items copied. old_definition may be null.
int MergeNewItemDefaults(std::array<BlockImage, kBlockCount>& blocks, const ParameterDefinition* old_definition,
                         const ParameterDefinition& new_definition);

}  // namespace orvex
