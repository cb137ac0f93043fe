// The definition loader against a bare line-by-line read of the same large file, and the image
// operations on the loaded model.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "DefinitionLoader.h"
#include "Format.h"
#include "ParameterImage.h"
#include "ValueCodec.h"

namespace {

using namespace orvex;

// The machine may be shared: the fastest repetition tells the cost of the code itself.
double Fastest(const std::vector<double>& times) { return *std::min_element(times.begin(), times.end()); }

constexpr int kTables = 100;
constexpr int kItemsPerTable = 200;  // 20,000 item lines in all
constexpr int kItemsPerTag = 15;

// One line of every kind in turn; members follow their heads, entries their lists.
std::string ItemLine(int n, int* offset) {
  const int at = *offset;
  switch (n % 20) {
    case 0: *offset += 2; return Format("%04X, 応答監視時間%d, TBN3, 2, , 60, 着信から応答までを監視する時間です。\\n0で監視しません。", at, n);
    case 1: *offset += 1; return Format("%04X, 装置番号%d, BNR, 1, , 12, 装置を識別する番号です。", at, n);
    case 2: *offset += 16; return Format("%04X, 装置名称%d, ASC, 16, , ORVEX-CTI, 保守画面に表示される名称です。", at, n);
    case 3: *offset += 2; return Format("%04X, 代表局番%d, BCD, 2, , 0300", at, n);
    case 4: *offset += 2; return Format("%04X, 保守パスワード%d, HEX, 2, , 1A2B, 照合に使う値です。", at, n);
    case 5: *offset += 1; return Format("%04X, 時刻自動補正%d, CHB, 1, , 1", at, n);
    case 6: *offset += 1; return Format("%04X, ログを出力する%d, GCHV, 1, , 1, 保守ログを記録します。", at, n);
    case 7: return Format("1, 発着信ログ%d, GCHL, , , 1", n);
    case 8: return Format("2, エラーログ%d, GCHL, , , 0", n);
    case 9: *offset += 1; return Format("%04X, ダイヤル種別%d, DDWN, 1, , 2, 回線の契約に合わせて選択して下さい。", at, n);
    case 10: return "0, 10PPS, DLST";
    case 11: return "0, 20PPS, DLST";
    case 12: return "0, PB(DTMF), DLST";
    case 13: *offset += 2; return Format("%04X, トーン送出時間%d, TBC0, 2, , 100", at, n);
    case 14: *offset += 1; return Format("%04X, 保存先%d, GOP, 1, , , 保存する場所です。", at, n);
    case 15: return Format("1, 内蔵メモリ%d, GOPL, , , 1", n);
    case 16: return Format("2, USBメモリ%d, GOPL, , , 0", n);
    case 17: *offset += 2; return Format("%04X, 呼出停止検出%d, TBN1, 2, , 60", at, n);
    case 18: *offset += 1; return Format("%04X, 発信音検出待ち%d, TBC2, 1, , 30, 0で待たずにダイヤルします。", at, n);
    default: *offset += 4; return Format("%04X, 誤り監視閾値%d, HEX, 4, , 00010000", at, n);
  }
}

// The generated file, written once per run.
const std::string& LargeDefinitionPath() {
  static const std::string path = [] {
    const std::string p = (std::filesystem::temp_directory_path() / "orvex_bench_definition.txt").string();
    std::string text = "; generated\r\n[TITLE] ベンチマーク用定義\r\n[VER] 1003\r\n[CLASS] 1\r\n";
    for (int b = 1; b <= kBlockCount; ++b) text += Format("[CMDB%d] ブロック%d, PAR%d, 1\r\n", b, b, b);
    for (int t = 1; t <= kTables; ++t) {
      text += Format("[PAR%d]\r\n", t);
      int offset = 0;
      for (int n = 0; n < kItemsPerTable; ++n) {
        // Pages break only before a head or a plain item, never between a head and its members.
        if (n % 20 == 0 || (n % 20 == 13 && n % kItemsPerTag == 13)) text += Format("[TAG] ページ%d, 2\r\n", n / 20 + 1);
        text += ItemLine(n, &offset) + "\r\n";
      }
      text += "[ZERO] 0000-0003, 0010\r\n";
    }
    FILE* f = std::fopen(p.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    return p;
  }();
  return path;
}

void BM_ReadLines(benchmark::State& state) {
  const std::string& path = LargeDefinitionPath();
  for (auto _ : state) {
    FILE* f = std::fopen(path.c_str(), "r");
    char line[260];
    size_t lines = 0;
    while (std::fgets(line, sizeof line, f)) ++lines;
    std::fclose(f);
    benchmark::DoNotOptimize(lines);
  }
}
BENCHMARK(BM_ReadLines)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);

void BM_LoadDefinition(benchmark::State& state) {
  const std::string& path = LargeDefinitionPath();
  int valid = 0;
  for (auto _ : state) {
    DefinitionLoad load = LoadDefinition(path);
    valid = load.valid_items;
    benchmark::DoNotOptimize(load.definition);
  }
  state.counters["valid_items"] = valid;
}
BENCHMARK(BM_LoadDefinition)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);

void BM_BuildImage(benchmark::State& state) {
  DefinitionLoad load = LoadDefinition(LargeDefinitionPath());
  auto image = std::make_unique<ParameterImage>();
  for (auto _ : state) {
    BuildImage(*load.definition, image.get());
    benchmark::DoNotOptimize(image->Bytes()[100]);
  }
}
BENCHMARK(BM_BuildImage)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", Fastest);

void BM_DecodeEveryItem(benchmark::State& state) {
  DefinitionLoad load = LoadDefinition(LargeDefinitionPath());
  int items = 0;
  for (auto _ : state) {
    items = 0;
    for (const auto& table : load.definition->tables) {
      if (!table) continue;
      BlockImage block = table->default_image;
      for (const auto& tag : table->tags) {
        for (const ParameterItem& item : tag->items) {
          ValueText text;
          uint32_t number = 0;
          benchmark::DoNotOptimize(DecodeValue(block, item, &text, &number));
          ++items;
        }
      }
    }
  }
  state.counters["items"] = items;
  state.SetItemsProcessed(state.iterations() * items);
}
BENCHMARK(BM_DecodeEveryItem)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", Fastest);

}  // namespace

BENCHMARK_MAIN();
