// Keyboard braille input: building the kantenji map from liblouis's table
// (done once, the first time kantenji is typed) and reading typed cells.
// Both happen between a key release and the text appearing, so they are
// meant to stay far below a keystroke's time.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "braille/braille_input.h"
#include "braille/kantenji_map.h"

using namespace mirelon;

namespace {

std::vector<uint8_t> Cells(std::u16string_view unicodeBraille) {
  std::vector<uint8_t> cells;
  for (char16_t c : unicodeBraille) cells.push_back(static_cast<uint8_t>(c - 0x2800));
  return cells;
}

void BM_LoadKantenjiTable(benchmark::State& state) {
  size_t entries = 0;
  for (auto _ : state) {
    std::optional<KantenjiMap> map = KantenjiMap::Load(u"" MIRELON_KANTENJI_TABLE_PATH);
    if (!map) {
      state.SkipWithError("no kantenji table");
      return;
    }
    entries = map->size();
  }
  state.counters["entries"] = static_cast<double>(entries);
}
BENCHMARK(BM_LoadKantenjiTable)->Unit(benchmark::kMillisecond);

void Type(benchmark::State& state, int mode, std::u16string_view text, const KantenjiMap* map) {
  const std::vector<uint8_t> cells = Cells(text);
  for (auto _ : state) {
    BrailleInputReader reader(mode, map, false);
    size_t length = 0;
    for (uint8_t cell : cells) length += reader.Cell(cell).text.size();
    benchmark::DoNotOptimize(length);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * cells.size()));
}

// きょうは いい てんきですね。 with a number and a Latin word.
void BM_TypeKana(benchmark::State& state) {
  Type(state, 1, u"⠈⠪⠒⠄⠀⠃⠃⠀⠟⠴⠣⠐⠟⠹⠏⠲⠀⠀⠼⠁⠃⠀⠰⠠⠏⠉", nullptr);
}
BENCHMARK(BM_TypeKana);

// 日本語が 人 一
void BM_TypeKantenji(benchmark::State& state) {
  static const std::optional<KantenjiMap> map = KantenjiMap::Load(u"" MIRELON_KANTENJI_TABLE_PATH);
  if (!map) {
    state.SkipWithError("no kantenji table");
    return;
  }
  Type(state, 2, u"⣦⡣⢠⣖⠐⠡⠀⣅⠀⡰⢁", &*map);
}
BENCHMARK(BM_TypeKantenji);

}  // namespace
