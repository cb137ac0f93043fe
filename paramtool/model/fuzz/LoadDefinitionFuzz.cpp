// Definition files from arbitrary bytes: loading, the notes for engineers, the image of initial
// values and every item decoded and encoded again.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "DefinitionLoader.h"
#include "ParameterImage.h"
#include "ValueCodec.h"

namespace {

class Sink : public orvex::DefinitionDiagnostics {
 public:
  void Note(const orvex::DefinitionNote& note) override { (void)orvex::DefinitionNoteText(note); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace orvex;
  Sink sink;
  DefinitionLoad load = LoadDefinitionFromMemory(std::string_view(reinterpret_cast<const char*>(data), size), &sink);
  if (load.result != kDefinitionLoaded) return 0;
  const ParameterDefinition& definition = *load.definition;

  auto image = std::make_unique<ParameterImage>();
  BuildImage(definition, image.get());
  // Merging a definition with itself never copies anything.
  if (MergeNewItemDefaults(image->blocks, &definition, definition) != 0) __builtin_trap();

  for (const auto& table : definition.tables) {
    if (!table) continue;
    (void)table->IsZeroValid(0);
    BlockImage block = table->default_image;
    for (const auto& tag : table->tags) {
      (void)TagCaption(*tag);
      for (const ParameterItem& item : tag->items) {
        (void)DiagnoseItem(item);
        (void)UnitLabel(item.kind);
        ValueText text;
        uint32_t number = 0;
        if (DecodeValue(block, item, &text, &number) != DisplayClass::kInvalid) {
          (void)EncodeValue(block, item, &text);
          (void)EncodeNumber(block, item, number);
        }
      }
    }
  }
  return 0;
}
