// Text-to-braille translation of mixed kanji/kana text: words and readings
// from a ReadingProvider, written in kana braille as pronounced, with a
// blank between words. The operations keep the names the rest of the
// program calls them by.
//
// Option word: the low bits are those of the kana/braille converter (0x01
// numbers, 0x02 Latin letters); 0x10000 puts a blank before each
// independent word; 0x20000 writes as pronounced (the particles は and へ as
// わ and え, the う of a long vowel as ー). The braille line list passes
// 0x30003, everything.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "braille/reading_provider.h"

namespace mirelon {

inline constexpr uint32_t kZerinWordSpacing = 0x10000;
inline constexpr uint32_t kZerinAsPronounced = 0x20000;

struct ZerinRecord {
  // Cells in library layout followed by a zero byte; empty means none.
  std::vector<uint8_t> braille;
  int32_t length = 0;  // number of braille bytes, without the zero

  const uint8_t* Braille() const { return braille.empty() ? nullptr : braille.data(); }
};

void ZerinFreeTB(ZerinRecord* record);
struct ZerinRecordDeleter {
  void operator()(ZerinRecord* r) const { ZerinFreeTB(r); }
};
using ZerinRecordPtr = std::unique_ptr<ZerinRecord, ZerinRecordDeleter>;

// Opens the engine on the system's analyser: nonzero when it is ready.
int ZerinOpen();
// Opens the engine on the given analyser (tests, benchmarks).
int ZerinOpenWith(std::unique_ptr<ReadingProvider> provider);
void ZerinClose();
bool ZerinIsOpen();

// text[start, start + length) to braille; none when the engine is not open
// or the arguments are out of range.
ZerinRecordPtr ZerinTextToBrlNW(const char16_t* text, int start, int length, uint32_t option);

// The translation itself, for one analyser.
std::vector<uint8_t> TranslateToBraille(ReadingProvider& provider, std::u16string_view text,
                                        uint32_t option);

}  // namespace mirelon
