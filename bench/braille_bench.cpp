// Braille translation throughput and the cost of building the braille
// lines of a long talk.
#include <benchmark/benchmark.h>

#include <string>

#include "braille/braille_line_list.h"
#include "braille/kana_braille.h"
#include "braille/text_to_braille.h"

using namespace mirelon;

namespace {

std::u16string Repeat(std::u16string_view piece, size_t times) {
  std::u16string s;
  for (size_t i = 0; i < times; ++i) s += piece;
  return s;
}

const std::u16string kKanaText =
    Repeat(u"きょうは いい てんきですね。あしたも はれると いいですね。", 40);
const std::u16string kKanjiText = Repeat(
    u"会議は午後3時から第2会議室で行います。明日の予定を教えてください？新しいiPhone15を買いました"
    u"。",
    20);

void Translate(benchmark::State& state, const std::u16string& text) {
  auto analyser = CreateSystemReadingProvider();
  if (!analyser) {
    state.SkipWithError("no reading provider");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(TranslateToBraille(*analyser, text, 0x30003));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(text.size()));
  state.counters["chars/s"] = benchmark::Counter(static_cast<double>(text.size()),
                                                 benchmark::Counter::kIsIterationInvariantRate);
}

void BM_TranslateKanaText(benchmark::State& state) {
  Translate(state, kKanaText);
}
void BM_TranslateKanjiText(benchmark::State& state) {
  Translate(state, kKanjiText);
}

void BM_KanaConverter(benchmark::State& state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(
        PVN_KanaToBrl(kKanaText.c_str(), 0, static_cast<int>(kKanaText.size()), 3));
  state.counters["chars/s"] = benchmark::Counter(static_cast<double>(kKanaText.size()),
                                                 benchmark::Counter::kIsIterationInvariantRate);
}

// The braille lines of a talk of 100,000 messages, as the talk window makes
// them: a header line and a two-line body per message.
void BM_AppendTalkLines(benchmark::State& state) {
  bool translator = state.range(0) != 0;
  if (translator && !ZerinOpen()) {
    state.SkipWithError("translator did not open");
    return;
  }
  if (!translator) ZerinClose();
  for (auto _ : state) {
    BrailleLineList list;
    for (uint32_t n = 1; n <= 100000; ++n) {
      AppendBrailleLines(u"たなかさん 12/08 9:05", list, n, 1);
      AppendBrailleLines(u"明日の会議は10時からです。\r資料を忘れずに。", list, n, 0);
    }
    benchmark::DoNotOptimize(list.Newest());
  }
  ZerinClose();
}

}  // namespace

BENCHMARK(BM_TranslateKanaText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TranslateKanjiText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KanaConverter)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AppendTalkLines)->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond);
