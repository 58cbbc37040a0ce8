// The braille converters and the line list on arbitrary text and cells.
#include <memory>

#include "base/utf.h"
#include "braille/braille_line_list.h"
#include "braille/cells.h"
#include "braille/kana_braille.h"
#include "braille/text_to_braille.h"
#include "fuzz/fuzz_target.h"

using namespace mirelon;

namespace {

void CheckPositions(const PvnRecord& r, size_t textLength) {
  FuzzCheck(r.positions.size() == static_cast<size_t>(r.cells) + 1);
  for (size_t i = 1; i < r.positions.size(); ++i) FuzzCheck(r.positions[i - 1] <= r.positions[i]);
  FuzzCheck(r.positions.back() <= textLength);
}

// Kana units that must read back exactly as written.
const std::u16string_view kUnits[] = {
    u"ア",   u"イ",   u"ウ",   u"エ",   u"オ",   u"カ",   u"キ",   u"ク",   u"ケ",   u"コ",
    u"サ",   u"シ",   u"ス",   u"セ",   u"ソ",   u"タ",   u"チ",   u"ツ",   u"テ",   u"ト",
    u"ナ",   u"ニ",   u"ヌ",   u"ネ",   u"ノ",   u"ハ",   u"ヒ",   u"フ",   u"ヘ",   u"ホ",
    u"マ",   u"ミ",   u"ム",   u"メ",   u"モ",   u"ヤ",   u"ユ",   u"ヨ",   u"ラ",   u"リ",
    u"ル",   u"レ",   u"ロ",   u"ワ",   u"ヲ",   u"ン",   u"ヰ",   u"ガ",   u"ザ",   u"ダ",
    u"バ",   u"パ",   u"ヅ",   u"ヴ",   u"ッ",   u"ー",   u"キャ", u"シュ", u"チョ", u"ギャ",
    u"ジュ", u"ビョ", u"ピャ", u"ファ", u"ウィ", u"ティ", u"ディ", u"テュ", u"デュ", u"トゥ",
    u"ヴォ", u"ツァ", u"クォ", u"グァ", u"イェ", u"シェ", u"スィ", u"フュ", u"ヴュ",
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint32_t options[] = {0, 1, 2, 3, 0x103, 0x203};
  uint32_t option = options[data[0] % 6];
  std::u16string text =
      Utf8ToUtf16Lenient(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));

  // Text to cells: no zero byte inside, count and positions consistent.
  PvnRecordPtr forward = PVN_KanaToBrl(text.c_str(), 0, static_cast<int>(text.size()), option);
  FuzzCheck(forward != nullptr);
  if (forward->cells == 0) {
    FuzzCheck(forward->Braille() == nullptr);
  } else {
    FuzzCheck(forward->braille.size() == static_cast<size_t>(forward->cells) + 1 &&
              forward->braille.back() == 0);
    for (int i = 0; i < forward->cells; ++i)
      FuzzCheck(forward->braille[static_cast<size_t>(i)] != 0);
  }
  CheckPositions(*forward, text.size());

  // The input bytes as cells, and back to kana.
  std::vector<uint8_t> cells(data + 1, data + size);
  for (auto& c : cells)
    if (c == 0) c = kBlankCell;
  cells.push_back(0);
  PvnRecordPtr back = PVN_BrlToKana(cells.data(), option);
  FuzzCheck(back != nullptr);
  CheckPositions(*back, back->kana.size());
  FuzzCheck(back->positions.back() == back->kana.size());
  int first = data[0] % (back->cells + 1);
  int end = first + (size % static_cast<size_t>(back->cells - first + 1));
  PvnStringPtr part = PVN_CopyKanaForBrl(back.get(), first, end);
  FuzzCheck(part != nullptr && part->text.size() <= back->kana.size());

  std::u16string braille;
  for (size_t i = 1; i < size; ++i) braille += LibraryCellToUnicode(data[i]);
  braille += text;
  FuzzCheck(PVN_UBrlToKana(braille.c_str(), option) != nullptr);

  // Kana units read back as written.
  std::u16string kana;
  for (size_t i = 1; i < size; ++i) kana += kUnits[data[i] % std::size(kUnits)];
  PvnRecordPtr kanaCells = PVN_KanaToBrl(kana.c_str(), 0, static_cast<int>(kana.size()), 3);
  FuzzCheck(kanaCells != nullptr);
  if (kanaCells->Braille()) {
    PvnRecordPtr kanaBack = PVN_BrlToKana(kanaCells->Braille(), 0x103);
    FuzzCheck(kanaBack != nullptr && kanaBack->kana == kana);
  }

  // The translator, on the system's analyser where there is one.
  static std::unique_ptr<ReadingProvider> analyser = CreateSystemReadingProvider();
  if (analyser) {
    std::vector<uint8_t> translated = TranslateToBraille(*analyser, text, 0x30003);
    if (!translated.empty()) {
      FuzzCheck(translated.back() == 0);
      for (size_t i = 0; i + 1 < translated.size(); ++i) FuzzCheck(translated[i] != 0);
    }
  }

  // Line cutting: no empty line, nothing invented.
  BrailleLineList list;
  AppendBrailleLines(text, list, 1, 1);
  size_t total = 0;
  for (const BrailleLine* l = list.First(); l; l = list.Next(l)) {
    FuzzCheck(!l->text.empty());
    total += l->text.size();
  }
  FuzzCheck(total <= text.size());
  return 0;
}

std::vector<std::string> FuzzDictionary() {
  return {"きゃ",  "ファ",   "ティ",   "がっこう",    "コーヒー", "123", "3.14",  "1,000",
          "5えん", "ABC",    "iPhone", "Hello World", "。",       "、",  "？",    "！",
          "・",    "「",     "」",     "（",          "）",       " ",   "　",    "\r",
          "\r\n",  "\n",     "⠼⠁",     "⠰⠠⠠⠁",        "⠦⠁⠀⠃⠴",    "⠤",   "12/08", "9:05",
          "漢字",  "今日は", "😀",      "\xED\xA0\x80"};
}
