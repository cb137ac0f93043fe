// The texts of the settings window and its copy dialog: the title, the copy sources, the
// questions and the failure messages.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ParameterDefinition.h"

namespace orvex {

// The tab of a table without pages.
constexpr char kNoItemsTabCaption[] = " パラメータ項目無 ";
constexpr char kWindowFailedText[] = "パラメータ設定画面の表示に失敗しました。(リソース不足)";
constexpr char kControlsFailedText[] = "パラメータ設定画面の表示に失敗しました。(コントロール用リソース不足)";
constexpr char kCopyListFailedText[] = "メモリ不足です。";

// The block's name, or its number - 1 when it has none, followed by the template's caption.
std::string SettingsWindowTitle(const CommandBlock& block, std::string_view template_caption);

std::string InitialValueQuestion(std::string_view block_name);
std::string CopyQuestion(std::string_view own_name, std::string_view source_name);

// Command block 1 takes copies from nobody.
inline bool CopyAllowed(int block_number) {
  return block_number != 1;
}

struct CopySource {
  int block = 0;
  std::string text;  // "A - name" with the block's letter
};
// Command blocks 2..5 that have a table, except the own one.
std::vector<CopySource> CopySources(const ParameterDefinition& definition, int own_block);

}  // namespace orvex
