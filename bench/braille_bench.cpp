// Braille translation throughput and the cost of building the braille
// lines of a long talk. The everyday sentences of the translator's tests
// are translated, and analysed by MeCab alone, in the same run: the
// translation rate is meant to stay at half MeCab's own rate or better.
#include <benchmark/benchmark.h>
#include <mecab.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/utf.h"

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

// The sentences of tests/braille/everyday_sentences.tsv (the first field of
// each line that is not a comment).
const std::vector<std::string>& Sentences() {
  static const std::vector<std::string> sentences = [] {
    std::vector<std::string> out;
    std::filesystem::path file = std::filesystem::path(__FILE__).parent_path().parent_path() /
                                 "tests" / "braille" / "everyday_sentences.tsv";
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
      if (line.empty() || line[0] == '#' || line[0] == '\r') continue;
      out.push_back(line.substr(0, line.find('\t')));
    }
    return out;
  }();
  return sentences;
}

size_t CorpusCharacters() {
  size_t n = 0;
  for (const auto& s : Sentences()) n += Utf8ToUtf16Lenient(s).size();
  return n;
}

// MeCab's own analysis of every sentence, walking the nodes as the reading
// provider does, without anything of the translator.
void BM_MecabRawCorpus(benchmark::State& state) {
  if (Sentences().empty()) {
    state.SkipWithError("no sentences");
    return;
  }
  std::string dic = "/var/lib/mecab/dic/ipadic-utf8";  // Debian's mecab-ipadic-utf8
  std::string program = "mecab", r = "-r", rc = "/dev/null", d = "-d";
  char* argv[] = {program.data(), r.data(), rc.data(), d.data(), dic.data()};
  mecab_t* tagger = mecab_new(5, argv);
  if (!tagger) {
    state.SkipWithError("MeCab did not start");
    return;
  }
  for (auto _ : state) {
    size_t nodes = 0;
    for (const auto& s : Sentences())
      for (const mecab_node_t* n = mecab_sparse_tonode2(tagger, s.data(), s.size()); n; n = n->next)
        nodes += n->length;
    benchmark::DoNotOptimize(nodes);
  }
  mecab_destroy(tagger);
  state.counters["chars/s"] = benchmark::Counter(static_cast<double>(CorpusCharacters()),
                                                 benchmark::Counter::kIsIterationInvariantRate);
  state.counters["sentences/s"] = benchmark::Counter(static_cast<double>(Sentences().size()),
                                                     benchmark::Counter::kIsIterationInvariantRate);
}

// The same sentences through the translator, as the braille line list asks.
void BM_TranslateCorpus(benchmark::State& state) {
  auto analyser = CreateSystemReadingProvider();
  if (!analyser || Sentences().empty()) {
    state.SkipWithError("no reading provider or no sentences");
    return;
  }
  std::vector<std::u16string> texts;
  for (const auto& s : Sentences()) texts.push_back(Utf8ToUtf16Lenient(s));
  for (auto _ : state)
    for (const auto& t : texts) benchmark::DoNotOptimize(TranslateToBraille(*analyser, t, 0x30003));
  state.counters["chars/s"] = benchmark::Counter(static_cast<double>(CorpusCharacters()),
                                                 benchmark::Counter::kIsIterationInvariantRate);
  state.counters["sentences/s"] = benchmark::Counter(static_cast<double>(Sentences().size()),
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

BENCHMARK(BM_MecabRawCorpus)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TranslateCorpus)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TranslateKanaText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TranslateKanjiText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KanaConverter)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AppendTalkLines)->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond);
