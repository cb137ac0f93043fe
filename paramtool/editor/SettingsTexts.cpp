#include "SettingsTexts.h"

#include "Format.h"

namespace orvex {

std::string SettingsWindowTitle(const CommandBlock& block, std::string_view template_caption) {
  std::string title = block.name.empty() ? Format("%d", block.number - 1) : block.name;
  title.append(template_caption);
  return title;
}

std::string InitialValueQuestion(std::string_view block_name) {
  return Format("%.*s画面のパラメータ入力項目に、初期値を設定します。\n\nよろしいですか？",
                static_cast<int>(block_name.size()), block_name.data());
}

std::string CopyQuestion(std::string_view own_name, std::string_view source_name) {
  return Format("%.*s画面のパラメータ入力項目に、「%.*s」の内容を複写します。\n\nよろしいですか？",
                static_cast<int>(own_name.size()), own_name.data(), static_cast<int>(source_name.size()),
                source_name.data());
}

std::vector<CopySource> CopySources(const ParameterDefinition& definition, int own_block) {
  std::vector<CopySource> sources;
  for (const CommandBlock& block : definition.blocks) {
    if (block.number < 2 || block.number == own_block || definition.BlockTable(block.number) == nullptr)
      continue;
    // Blocks 2..5 carry the letters A..D.
    const char letter = static_cast<char>('A' + block.number - 2);
    sources.push_back({block.number, Format("%c - %s", letter, block.name.c_str())});
  }
  return sources;
}

}  // namespace orvex
