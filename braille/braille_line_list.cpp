#include "braille/braille_line_list.h"

#include "braille/kana_braille.h"
#include "braille/text_to_braille.h"

namespace mirelon {

namespace {

// Program-wide, never reused; the sentinel takes a number too.
std::atomic<uint32_t> g_nextSerial{0};

constexpr uint32_t kZerinOption = 0x30003;
constexpr uint32_t kPavonaOption = 3;

std::vector<uint8_t> CopyBraille(const uint8_t* bytes, size_t count) {
  if (!bytes) return {};
  return std::vector<uint8_t>(bytes, bytes + count + 1);  // with its zero
}

std::vector<uint8_t> Translate(const std::u16string& line) {
  int length = static_cast<int>(line.size());
  if (ZerinIsOpen()) {
    ZerinRecordPtr record = ZerinTextToBrlNW(line.c_str(), 0, length, kZerinOption);
    if (!record) return {};
    return CopyBraille(record->Braille(), static_cast<size_t>(record->length));
  }
  PvnRecordPtr record = PVN_KanaToBrl(line.c_str(), 0, length, kPavonaOption);
  if (!record) return {};
  return CopyBraille(record->Braille(), static_cast<size_t>(record->cells));
}

}  // namespace

BrailleLine::BrailleLine()
    : serial(g_nextSerial.fetch_add(1, std::memory_order_relaxed)), older(this), newer(this) {}

BrailleLineList::~BrailleLineList() {
  BrailleLine* line = sentinel_.newer.load(std::memory_order_relaxed);
  while (line != &sentinel_) {
    BrailleLine* next = line->newer.load(std::memory_order_relaxed);
    delete line;
    line = next;
  }
}

void BrailleLineList::Append(BrailleLine* line) {
  BrailleLine* newest = sentinel_.older.load(std::memory_order_relaxed);
  // The new line's own links are set before it can be reached, so a reader
  // that arrives at it never finds it pointing at itself.
  line->older.store(newest, std::memory_order_relaxed);
  line->newer.store(&sentinel_, std::memory_order_relaxed);
  sentinel_.older.store(line, std::memory_order_release);
  newest->newer.store(line, std::memory_order_release);
}

void AppendBrailleLines(std::u16string_view text, BrailleLineList& list, uint32_t messageNumber,
                        uint32_t messageStart) {
  size_t pos = 0;
  bool first = true;
  while (pos < text.size()) {
    // The first character always belongs to the line, so a line end at the
    // start of a line is carried into it instead of making an empty line.
    size_t end = pos + 1;
    while (end < text.size() && text[end] != u'\r' && text[end] != u'\n') ++end;
    auto* line = new BrailleLine;
    line->messageNumber = messageNumber;
    line->text.assign(text.substr(pos, end - pos));
    line->braille = Translate(line->text);
    line->messageStart = (first && messageStart != 0) ? 1 : 0;
    list.Append(line);
    first = false;
    pos = end;
    if (pos < text.size() && text[pos] == u'\r') ++pos;
    if (pos < text.size() && text[pos] == u'\n') ++pos;
  }
}

}  // namespace mirelon
