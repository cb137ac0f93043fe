// Parameter save files from arbitrary bytes: the checks, and every kind of item decoded from
// whatever image gets through them.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "DefinitionLoader.h"
#include "ParameterSaveFile.h"
#include "ValueCodec.h"

namespace {

// One item of every kind, some of them wide, some at the end of the block.
constexpr char kDefinition[] =
    "[CMDB1] a, PAR1\n[CMDB2] b, PAR1\n[CMDB3] c, PAR1\n[CMDB4] d, PAR1\n[CMDB5] e, PAR1\n"
    "[PAR1]\n[TAG] t, 2\n"
    "0000, bnr, BNR, 6, , 1\n0006, hex, HEX, 3, , 1\n0009, asc, ASC, 300, , x\n"
    "0200, bcd, BCD, 4, , 1\n0204, chb, CHB, 2, , 1\n0206, t0, TBN0, 1\n0207, t1, TBN1, 2\n"
    "0209, t2, TBN2, 3\n020C, t3, TBN3, 4\n0210, c0, TBC0, 1\n0211, c1, TBC1, 2\n0213, c2, TBC2, 3\n"
    "0216, c3, TBC3, 4\n021A, gch, GCH, 2\n1, m1, GCHL\n0F, m2, GCHL\n021C, gop, GOP, 1\n1, r1, GOPL\n"
    "021D, gchv, GCHV, 1\n7, m3, GCHL\n021E, gopv, GOPV, 1\n2, r2, GOPL\n"
    "021F, list, DDWN, 1\n0, e1, DLST\n0, e2, DLST\n0BF0, tail, ASC, 16\n0BFF, last, BNR, 1\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvex;
  static const DefinitionLoad load = LoadDefinitionFromMemory(kDefinition);
  auto file = std::make_unique<LoadedSaveFile>();
  const bool loaded = LoadSaveFileImage(data, size, file.get()) == kSaveFileLoaded;
  if (!loaded) {
    // Most inputs fail the checks: take them as the image of a well-formed file instead.
    std::memset(&file->image, 0, sizeof file->image);
    std::memcpy(file->image.Bytes(), data, size < kParameterImageSize ? size : kParameterImageSize);
    auto composed = ComposeFileImage(file->image, 1, 0x1000);
    if (LoadSaveFileImage(composed->bytes, sizeof composed->bytes, file.get()) != kSaveFileLoaded) __builtin_trap();
  }
  const ParameterTable* table = load.definition->Table(1);
  for (int n = 1; n <= kBlockCount; ++n) {
    for (const ParameterItem& item : table->tags[0]->items) {
      ValueText text;
      uint32_t number = 0;
      (void)DecodeValue(file->image.Block(n), item, &text, &number);
    }
  }
  return 0;
}
