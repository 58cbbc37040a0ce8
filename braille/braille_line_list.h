// The braille lines of the displayed talk: every displayed message cut into
// lines, each with its braille. The talk window appends; the terminal
// clients read the list from their own threads without a lock. A line is
// complete before it is linked, links are published with release stores
// and read with acquire loads, and no line is freed while the list lives.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mirelon {

struct BrailleLine {
  BrailleLine();  // takes the next serial number; both links point to itself

  BrailleLine(const BrailleLine&) = delete;
  BrailleLine& operator=(const BrailleLine&) = delete;

  // Cells in library layout, or null when the line has no braille.
  const uint8_t* Braille() const { return braille.empty() ? nullptr : braille.data(); }

  uint32_t serial;
  uint32_t messageNumber = 0;
  std::u16string text;
  std::vector<uint8_t> braille;  // zero-terminated; empty: no braille
  uint32_t messageStart = 0;
  std::atomic<BrailleLine*> older;
  std::atomic<BrailleLine*> newer;
};

class BrailleLineList {
 public:
  BrailleLineList() = default;
  ~BrailleLineList();
  BrailleLineList(const BrailleLineList&) = delete;
  BrailleLineList& operator=(const BrailleLineList&) = delete;

  // The sentinel: its older link is the newest line, its newer link the
  // oldest; following newer links from it gives display order.
  const BrailleLine& Sentinel() const { return sentinel_; }
  BrailleLine& Sentinel() { return sentinel_; }

  // For readers: the line after `line` in display order, null at the end.
  const BrailleLine* Next(const BrailleLine* line) const {
    const BrailleLine* next = line->newer.load(std::memory_order_acquire);
    return next == &sentinel_ ? nullptr : next;
  }
  const BrailleLine* First() const { return Next(&sentinel_); }
  const BrailleLine* Newest() const {
    const BrailleLine* newest = sentinel_.older.load(std::memory_order_acquire);
    return newest == &sentinel_ ? nullptr : newest;
  }

  // Writer side: links a complete line in as the newest.
  void Append(BrailleLine* line);

 private:
  BrailleLine sentinel_;
};

// Cuts `text` into lines, translates each into braille (the text-to-braille
// translator when it is open, otherwise the kana/braille converter with
// option 3) and appends them. The first line gets message start 1 when
// `messageStart` is nonzero. An empty text adds nothing.
void AppendBrailleLines(std::u16string_view text, BrailleLineList& list, uint32_t messageNumber,
                        uint32_t messageStart);

}  // namespace mirelon
