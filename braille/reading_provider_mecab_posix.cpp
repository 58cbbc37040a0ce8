// Readings from MeCab with the IPADIC dictionary. The dictionary is named
// explicitly: the system default follows whichever dictionary package was
// installed last, and the word classes below are IPADIC's.
#include <mecab.h>

#include <mutex>

#include "base/utf.h"
#include "braille/reading_provider.h"

#ifndef MIRELON_MECAB_DICDIR
#define MIRELON_MECAB_DICDIR "/var/lib/mecab/dic/ipadic-utf8"
#endif

namespace mirelon {

namespace {

std::vector<std::string_view> SplitFeatures(std::string_view feature) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  while (true) {
    size_t comma = feature.find(',', start);
    fields.push_back(feature.substr(
        start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return fields;
}

WordClass Classify(std::string_view pos, std::string_view sub) {
  if (pos == "助詞") return WordClass::Particle;
  if (pos == "助動詞") return WordClass::Auxiliary;
  if (pos == "接頭詞") return WordClass::Prefix;
  if (pos == "記号") return WordClass::Symbol;
  if (pos == "名詞") {
    if (sub == "接尾") return WordClass::Suffix;
    if (sub == "数") return WordClass::Numeral;
    if (sub == "サ変接続") return WordClass::SahenNoun;
    return WordClass::Noun;
  }
  if (pos == "動詞" || pos == "形容詞") {
    if (sub == "接尾") return WordClass::Suffix;
    return pos == "動詞" ? WordClass::Verb : WordClass::Word;
  }
  return WordClass::Word;
}

class MecabReadingProvider : public ReadingProvider {
 public:
  explicit MecabReadingProvider(mecab_t* tagger) : tagger_(tagger) {}
  ~MecabReadingProvider() override { mecab_destroy(tagger_); }

  std::optional<std::vector<ReadingToken>> Analyse(std::u16string_view text) override {
    std::string utf8 = Utf16ToUtf8(text);
    std::lock_guard<std::mutex> lock(mutex_);  // a tagger serves one caller at a time
    const mecab_node_t* node = mecab_sparse_tonode2(tagger_, utf8.data(), utf8.size());
    if (!node) return std::nullopt;
    std::vector<ReadingToken> tokens;
    for (; node; node = node->next) {
      if (node->stat == MECAB_BOS_NODE || node->stat == MECAB_EOS_NODE) continue;
      ReadingToken token;
      token.surface = Utf8ToUtf16Lenient(std::string_view(node->surface, node->length));
      auto f = SplitFeatures(node->feature ? node->feature : "");
      std::string_view pos = f.size() > 0 ? f[0] : "";
      std::string_view sub = f.size() > 1 ? f[1] : "";
      token.wordClass = Classify(pos, sub);
      token.suru = pos == "動詞" && f.size() > 6 && f[6] == "する";
      if (f.size() > 7 && f[7] != "*") token.reading = Utf8ToUtf16Lenient(f[7]);
      if (f.size() > 8 && f[8] != "*") token.pronunciation = Utf8ToUtf16Lenient(f[8]);
      tokens.push_back(std::move(token));
    }
    return tokens;
  }

 private:
  mecab_t* tagger_;
  std::mutex mutex_;
};

}  // namespace

std::unique_ptr<ReadingProvider> CreateSystemReadingProvider() {
  // An empty resource file: every setting is given here.
  std::string args = "mecab -r /dev/null -d " MIRELON_MECAB_DICDIR;
  mecab_t* tagger = mecab_new2(args.c_str());
  if (!tagger) return nullptr;
  return std::make_unique<MecabReadingProvider>(tagger);
}

}  // namespace mirelon
