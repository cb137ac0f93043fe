#include "RemoteStructs.h"

namespace orvex::uidriver {

namespace {

void Put(std::vector<uint8_t>& bytes, size_t offset, uint64_t value, size_t size) {
  for (size_t i = 0; i < size; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

std::optional<std::vector<uint8_t>> StructImage(const StructLayout& layout, const StructFields& fields) {
  // Cut to 32 bits, another address would point somewhere else in the target.
  if (layout.pointer < 8 && (fields.text >> (8 * layout.pointer)) != 0) return std::nullopt;
  std::vector<uint8_t> bytes(layout.size, 0);
  auto put = [&](size_t offset, uint64_t value, size_t size) {
    if (offset != StructLayout::kNoField) {
      Put(bytes, offset, value, size);
      return true;
    }
    return value == 0;
  };
  bool ok = put(layout.mask, fields.mask, 4) &&
            put(layout.sub_item, static_cast<uint32_t>(fields.sub_item), 4) &&
            put(layout.state, fields.state, 4) && put(layout.state_mask, fields.state_mask, 4) &&
            put(layout.text, fields.text, layout.pointer) &&
            put(layout.text_max, static_cast<uint32_t>(fields.text_max), 4);
  if (!ok) return std::nullopt;
  return bytes;
}

std::vector<uint64_t> LowPlaces(const std::vector<FreeRegion>& free_regions, uint64_t size,
                                uint64_t granularity, uint64_t limit) {
  std::vector<uint64_t> places;
  if (size == 0 || granularity == 0) return places;
  for (const FreeRegion& region : free_regions) {
    // The region's end, computed without overflowing at the top of a 64-bit space.
    const uint64_t end = region.size > UINT64_MAX - region.base ? UINT64_MAX : region.base + region.size;
    // Address 0 would ask VirtualAllocEx to choose the place itself.
    const uint64_t from = region.base < granularity ? granularity : region.base;
    const uint64_t start = (from + granularity - 1) / granularity * granularity;
    if (start < from || start >= end || end - start < size) continue;
    if (start > limit || limit - start < size) continue;
    places.push_back(start);
  }
  return places;
}

}  // namespace orvex::uidriver
