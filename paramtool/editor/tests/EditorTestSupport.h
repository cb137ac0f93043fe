// Definitions written out in the tests, and a form built from one of their tables.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "DefinitionLoader.h"
#include "PageLayout.h"
#include "SettingsForm.h"

namespace orvex::test {

// Every kind of control over two pages of block 1, and small tables for blocks 2..5 (block 5's
// without pages), for the form's and the window's tests.
inline const char kEditorDefinition[] = R"([CMDB1] 共通, PAR1, 0
[CMDB2] 局線, PAR2, 1
[CMDB3] 内線, PAR3, 1
[CMDB4] INS64, PAR4, 1
[CMDB5] INS1500, PAR5, 1
[PAR1]
[TAG] 基本, 1
0000, 数値, BNR, 1, , 7, 数値の説明です。
0001, 十六進, HEX, 2, , 00FF, 十六進の説明\n二行目
0003, 局番, BCD, 2, , 300
0005, 名称, ASC, 6, , ABC
0010, 方式, DDWN, 1, , 1
0, 甲, DLST
0, 乙, DLST
0, 丙, DLST
0011, 時間, TBN1, 2, , 30
0100, 長文, ASC, 300, ,
[TAG] 群, 2
0020, 連動, GCHV, 1, , 1
1, 連動A, GCHL, , , 1
2, 連動B, GCHL, , , 0
0021, 選択, GOP, 1, , ,
1, 選択1, GOPL, , , 1
2, 選択2, GOPL, , , 0
0022, 選択V, GOPV, 1, , 1
1, V1, GOPL, , , 0
2, V2, GOPL, , , 1
0023, 有効, CHB, 1, , 0
[PAR2]
[TAG] 局, 1
0000, 局値, BNR, 1, , 2
[PAR3]
[TAG] 内, 1
0000, 内値, BNR, 1, , 3
0005, 内名称, ASC, 6, , XYZ
[PAR4]
[TAG] 四, 1
0000, 四値, BNR, 1, , 4
[PAR5]
)";

inline std::unique_ptr<ParameterDefinition> LoadText(const std::string& text) {
  DefinitionLoad load = LoadDefinitionFromMemory(text);
  EXPECT_EQ(load.result, kDefinitionLoaded);
  return std::move(load.definition);
}

// A definition whose block 1 uses table 1, holding `body` (tags and items).
inline std::string OneTable(const std::string& body) {
  return "[CMDB1] 共通, PAR1, 0\n[PAR1]\n" + body;
}

// `count` BNR items of one byte each on one tag of the layout.
inline std::string NumberItems(int count, int layout) {
  std::string text = "[TAG] 数値, " + std::to_string(layout) + "\n";
  for (int i = 0; i < count; ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "%04X, 項目%d, BNR, 1, , %d\n", i, i, i);
    text += line;
  }
  return text;
}

struct BuiltForm {
  std::unique_ptr<ParameterDefinition> definition;
  BlockImage block{};
  SettingsForm form;

  const ParameterTable* table() const { return definition->BlockTable(1); }
  // The index of the first control of the type whose item is named `name`, or -1.
  int Find(ControlType type, const std::string& name) const {
    for (int i = 0; i < form.size(); ++i) {
      const FormControl& c = form.control(i);
      if (c.type == type && c.item != nullptr && c.item->name == name) return i;
    }
    return -1;
  }
};

inline std::unique_ptr<BuiltForm> BuildForm(const std::string& definition_text) {
  auto built = std::make_unique<BuiltForm>();
  built->definition = LoadText(definition_text);
  if (!built->definition) return built;
  if (const ParameterTable* table = built->table()) built->block = table->default_image;
  built->form.Build(built->table(), built->block, TemplateMeasures());
  return built;
}

}  // namespace orvex::test
