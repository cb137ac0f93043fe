// The common controls' structures (LVCOLUMNW, LVITEMW, TCITEMW) as the driver places them in the
// process that owns a list view or tab control: laid out for that process's bitness, which need
// not be the driver's (the shipped programs are 32-bit, the driver may be either), and where in
// its memory a 32-bit driver may put them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace orvex::uidriver {

// The pointer size of a process: 4 for a 32-bit program (under WOW64 too), 8 for a 64-bit one.
enum class Bitness { k32 = 4, k64 = 8 };

// Where the fields the driver fills lie, in bytes from the start; the others stay zero. A field
// the structure lacks is kNoField.
struct StructLayout {
  static constexpr size_t kNoField = SIZE_MAX;
  size_t pointer = 0;  // the size of a pointer field: 4 or 8
  size_t size = 0;
  size_t mask = 0;
  size_t sub_item = kNoField;
  size_t state = kNoField;
  size_t state_mask = kNoField;
  size_t text = 0;  // pszText, `pointer` bytes
  size_t text_max = 0;
};

namespace detail {

// Lays fields out as the compilers for Windows do: each on a multiple of its own size, the whole
// padded to a multiple of its widest field.
class FieldWalker {
 public:
  constexpr explicit FieldWalker(Bitness bitness) : pointer_(static_cast<size_t>(bitness)) {}
  constexpr size_t Pointer() { return Add(pointer_); }
  constexpr size_t Int() { return Add(4); }
  constexpr StructLayout Finish(StructLayout layout) const {
    layout.pointer = pointer_;
    layout.size = RoundUp(at_, widest_);
    return layout;
  }

 private:
  static constexpr size_t RoundUp(size_t value, size_t unit) { return (value + unit - 1) / unit * unit; }
  constexpr size_t Add(size_t size) {
    at_ = RoundUp(at_, size);
    const size_t offset = at_;
    at_ += size;
    if (size > widest_) widest_ = size;
    return offset;
  }

  size_t pointer_;
  size_t at_ = 0;
  size_t widest_ = 1;
};

}  // namespace detail

// The structures as Vista's headers declare them, the largest form the controls take; every
// field is listed, so that the padding before each pointer comes out as the compiler's.
constexpr StructLayout ListColumnLayout(Bitness bitness) {
  detail::FieldWalker f(bitness);
  StructLayout l;
  l.mask = f.Int();
  f.Int();  // fmt
  f.Int();  // cx
  l.text = f.Pointer();
  l.text_max = f.Int();
  for (int i = 0; i < 6; ++i) f.Int();  // iSubItem, iImage, iOrder, cxMin, cxDefault, cxIdeal
  return f.Finish(l);
}

constexpr StructLayout ListItemLayout(Bitness bitness) {
  detail::FieldWalker f(bitness);
  StructLayout l;
  l.mask = f.Int();
  f.Int();  // iItem
  l.sub_item = f.Int();
  l.state = f.Int();
  l.state_mask = f.Int();
  l.text = f.Pointer();
  l.text_max = f.Int();
  f.Int();      // iImage
  f.Pointer();  // lParam
  f.Int();      // iIndent
  f.Int();      // iGroupId
  f.Int();      // cColumns
  f.Pointer();  // puColumns
  f.Pointer();  // piColFmt
  f.Int();      // iGroup
  return f.Finish(l);
}

constexpr StructLayout TabItemLayout(Bitness bitness) {
  detail::FieldWalker f(bitness);
  StructLayout l;
  l.mask = f.Int();
  f.Int();  // dwState
  f.Int();  // dwStateMask
  l.text = f.Pointer();
  l.text_max = f.Int();
  f.Int();      // iImage
  f.Pointer();  // lParam
  return f.Finish(l);
}

struct StructFields {
  uint32_t mask = 0;
  int32_t sub_item = 0;
  uint32_t state = 0;
  uint32_t state_mask = 0;
  uint64_t text = 0;  // the text buffer's address in the target
  int32_t text_max = 0;
};

// The structure's bytes (little-endian); nothing when the text address does not fit the target's
// pointers or a field is set that the structure lacks.
std::optional<std::vector<uint8_t>> StructImage(const StructLayout& layout, const StructFields& fields);

// A free stretch of the target's address space, as VirtualQueryEx reports it.
struct FreeRegion {
  uint64_t base = 0;
  uint64_t size = 0;
};

// Where a block of `size` bytes can be reserved, in the order to try: the start of each free
// region rounded up to the allocation granularity, where the block fits and ends at or below
// `limit`. A 32-bit driver cannot take the address a 64-bit target's VirtualAllocEx chooses (it
// may lie above 4 GiB), so it picks one itself below 2 GiB, where its LPARAM reaches the target
// unchanged (a 32-bit LPARAM is sign-extended on the way).
std::vector<uint64_t> LowPlaces(const std::vector<FreeRegion>& free_regions, uint64_t size,
                                uint64_t granularity, uint64_t limit);

}  // namespace orvex::uidriver
