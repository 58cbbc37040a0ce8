// Any bytes on a serial line: the frame decoder takes exactly what it is
// given, accounts for every byte (a reply, part of a frame whose length
// field it honoured, or held for the frame in progress), gives the same
// result whatever the pieces the bytes come in, and recognises a good
// frame again after any garbage.
#include <algorithm>
#include <vector>

#include "client/frame_decoder.h"
#include "fuzz/fuzz_target.h"

using namespace mirelon;

namespace {

using Bytes = std::vector<uint8_t>;

// Every reply byte and every frame (encoded again) in line order.
class Transcript : public FrameDecoder::Sink {
 public:
  void OnReplyBytes(std::span<const uint8_t> bytes) override {
    FuzzCheck(!bytes.empty());
    line.insert(line.end(), bytes.begin(), bytes.end());
  }
  void OnFrame(const Frame& frame) override {
    FuzzCheck(frame.payload.size() <= kMaxFramePayload);
    const Bytes encoded = EncodeFrame(frame.command, frame.parameter, frame.payload);
    line.insert(line.end(), encoded.begin(), encoded.end());
    last = encoded;
    ++frames;
  }

  Bytes line;
  Bytes last;
  size_t frames = 0;
};

// Feeds `data` in pieces copied to blocks of their exact size, so that a
// read past a piece is caught by the address sanitizer.
void FeedInPieces(FrameDecoder& decoder, const uint8_t* data, size_t size, Transcript& out) {
  size_t at = 0;
  for (size_t k = 0; at < size; ++k) {
    const size_t n = std::min<size_t>(size - at, 1 + data[k % size] % 23);
    const Bytes piece(data + at, data + at + n);
    decoder.Feed(piece, out);
    at += n;
  }
}

// Completes the frame in progress with zero bytes, as a terminal's next
// bytes would: at most the rest of a header and a payload.
void Complete(FrameDecoder& decoder, Transcript& out) {
  for (size_t round = 0; round <= kFrameHeaderSize && !decoder.Idle(); ++round)
    decoder.Feed(Bytes(decoder.BytesWanted(), 0), out);
  FuzzCheck(decoder.Idle());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FrameDecoder whole;
  Transcript a;
  whole.Feed(std::span<const uint8_t>(data, size), a);
  // Nothing lost, nothing invented: replies and frames in line order are
  // the input up to the bytes held for the frame in progress.
  FuzzCheck(a.line.size() + whole.Held() == size);
  FuzzCheck(std::equal(a.line.begin(), a.line.end(), data));
  FuzzCheck(whole.BytesWanted() >= 1);

  FrameDecoder pieces;
  Transcript b;
  FeedInPieces(pieces, data, size, b);
  FuzzCheck(b.line == a.line && b.frames == a.frames && pieces.Held() == whole.Held());

  // After the garbage, a frame is recognised: once the frame in progress is
  // complete, or once it is dropped (a read time-out).
  const Bytes good = EncodeFrame(FRAME_TEXT_CELL, 0x41, Bytes{kFrameMark, kFrameMark, 0});
  Complete(pieces, b);
  const size_t before = b.frames;
  pieces.Feed(good, b);
  FuzzCheck(b.frames == before + 1 && b.last == good && pieces.Idle());
  whole.Reset();
  FuzzCheck(whole.Idle() && whole.Held() == 0);
  Transcript c;
  whole.Feed(Bytes{0x41}, c);
  whole.Feed(good, c);
  FuzzCheck(c.frames == 1 && c.last == good && c.line.front() == 0x41);
  return 0;
}

std::vector<std::string> FuzzDictionary() {
  return {"\xFF", "\xFF\xFF", "\xFF\xFF\x6B\x10\x00\x00", "\xFF\xFF\xF0\x00\x03\x00\x01\x02\x03",
          "\xFF\xFF\x32\x00\x50\x00", "\xFF\xFF\x00\x00\x02\x00", "\xFF\x41", "\x41", "\x00",
          "\xFF\xFF\xFF\xFF\x01\x00"};
}
