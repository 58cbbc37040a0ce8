// Readings from MeCab with the IPADIC dictionary. The dictionary is named
// explicitly: the system default follows whichever dictionary package was
// installed last, and the word classes below are IPADIC's.
#include "braille/reading_provider_mecab.h"

#include <mecab.h>

#include <mutex>
#include <unordered_map>

#include "base/utf.h"

namespace mirelon {

namespace {

// IPADIC's feature fields: part of speech, three sub-classes, conjugation
// type and form, dictionary form, reading, pronunciation.
constexpr size_t kFeatureFields = 9;

struct Features {
  std::string_view field[kFeatureFields];
};

Features SplitFeatures(const char* feature) {
  Features f;
  if (!feature) return f;
  // One pass up to the last field needed; the rest of the line is never read.
  const char* start = feature;
  size_t n = 0;
  for (const char* p = feature;; ++p) {
    if (*p == ',' || *p == '\0') {
      f.field[n++] = std::string_view(start, static_cast<size_t>(p - start));
      if (*p == '\0' || n == kFeatureFields) break;
      start = p + 1;
    }
  }
  return f;
}

// UTF-8 from the analyser to UTF-16. Its text is ours or the dictionary's,
// so nearly always kana, kanji and ASCII: those are decoded here without a
// heap buffer for short words; anything else goes to the full decoder.
std::u16string Widen(std::string_view s) {
  char16_t buffer[32];
  size_t n = 0;
  for (size_t i = 0; i < s.size();) {
    auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    if (n == std::size(buffer)) return Utf8ToUtf16Lenient(s);
    if (b(i) < 0x80) {
      buffer[n++] = b(i++);
    } else if (b(i) >= 0xE1 && b(i) <= 0xEC && i + 2 < s.size() && (b(i + 1) & 0xC0) == 0x80 &&
               (b(i + 2) & 0xC0) == 0x80) {
      // Three bytes, U+1000 to U+CFFF: no overlong form, no surrogate.
      buffer[n++] = static_cast<char16_t>(((b(i) & 0x0F) << 12) | ((b(i + 1) & 0x3F) << 6) |
                                          (b(i + 2) & 0x3F));
      i += 3;
    } else {
      return Utf8ToUtf16Lenient(s);
    }
  }
  return std::u16string(buffer, n);
}

WordClass Classify(std::string_view pos, std::string_view sub) {
  if (pos == "助詞") return WordClass::Particle;
  if (pos == "助動詞") return WordClass::Auxiliary;
  if (pos == "接頭詞") return WordClass::Prefix;
  if (pos == "記号") return WordClass::Symbol;
  if (pos == "名詞") {
    if (sub == "接尾") return WordClass::Suffix;
    if (sub == "特殊") return WordClass::Auxiliary;  // the そう of hearsay (降るそうです)
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
    tokens.reserve(text.size() / 2 + 4);
    for (; node; node = node->next) {
      if (node->stat == MECAB_BOS_NODE || node->stat == MECAB_EOS_NODE) continue;
      ReadingToken& token = tokens.emplace_back(WordOf(node->feature));
      token.surface = Widen(std::string_view(node->surface, node->length));
    }
    return tokens;
  }

 private:
  // Everything of a word but its surface, from its feature line.
  static ReadingToken ParseFeatures(const char* feature) {
    ReadingToken token;
    Features f = SplitFeatures(feature);
    std::string_view pos = f.field[0], sub = f.field[1], sub2 = f.field[2];
    auto known = [&](size_t n) { return !f.field[n].empty() && f.field[n] != "*"; };
    token.wordClass = Classify(pos, sub);
    token.suru = pos == "動詞" && f.field[6] == "する";
    token.dependent = sub == "非自立";
    token.counter = pos == "名詞" && sub == "接尾" && sub2 == "助数詞";
    token.timeNoun = pos == "名詞" && sub == "副詞可能";
    // The dictionary form matters for the conjugating words only.
    bool conjugates = pos == "動詞" || pos == "助動詞" || pos == "形容詞";
    if (conjugates && known(6)) token.baseForm = Widen(f.field[6]);
    if (known(7)) token.reading = Widen(f.field[7]);
    if (known(8))
      token.pronunciation = f.field[8] == f.field[7] ? token.reading : Widen(f.field[8]);
    return token;
  }

  // A word's feature line lies in the dictionary (or, for an unknown word,
  // in the unknown-word dictionary), so one line is always at one address:
  // each is read once and kept. Only constrained (partial) analysis, which
  // is not used here, makes feature lines of its own.
  const ReadingToken& WordOf(const char* feature) {
    auto it = words_.find(feature);
    if (it != words_.end()) return it->second;
    if (words_.size() >= kMaxWords) words_.clear();
    return words_.emplace(feature, ParseFeatures(feature)).first->second;
  }

  static constexpr size_t kMaxWords = 50000;

  mecab_t* tagger_;
  std::mutex mutex_;
  std::unordered_map<const char*, ReadingToken> words_;  // by feature line; under mutex_
};

}  // namespace

std::unique_ptr<ReadingProvider> CreateMecabReadingProvider(const std::string& dictionaryFolder,
                                                            const std::string& nullDevice) {
  // Arguments one by one, so that a folder with spaces stays one argument.
  std::string program = "mecab", r = "-r", d = "-d";
  std::string rc = nullDevice, dic = dictionaryFolder;
  char* argv[] = {program.data(), r.data(), rc.data(), d.data(), dic.data()};
  mecab_t* tagger = mecab_new(5, argv);
  if (!tagger) return nullptr;
  return std::make_unique<MecabReadingProvider>(tagger);
}

}  // namespace mirelon
