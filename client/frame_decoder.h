// Cuts the bytes of one serial line into whole frames and bare reply bytes.
//
// A frame is FF FF, command, parameter, payload length (16 bits, low byte
// first) and the payload; every byte outside a frame is a reply to a
// request. Bytes are fed as they arrive, in pieces of any size; each frame
// and each run of reply bytes goes to the sink in line order. The decoder
// does no I/O and keeps no time: a frame that stalls is dropped by the
// caller (Reset) when its read times out.
//
// Each byte of a header is checked as it comes: it extends the frame begun
// so far, completes its header, or shows that the bytes held are not a
// frame. In that case the bytes held are replies and the current byte is
// looked at again as the possible start of a new frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "modes/wire_protocol.h"

namespace mirelon {

// A buffer that grows in steps of 256 bytes up to a limit and keeps its
// block from one use to the next.
class GrowBuffer {
 public:
  static constexpr size_t kLimit = 65536;
  static constexpr size_t kStep = 256;

  // A block of at least `n` bytes holding the earlier content; null when n
  // is 0 or above the limit (while no block is held), or on allocation
  // failure.
  uint8_t* Reserve(size_t n);
  size_t capacity() const { return capacity_; }
  size_t length() const { return length_; }
  uint8_t* data() const { return data_.get(); }

 private:
  size_t capacity_ = 0;
  size_t length_ = 0;
  std::unique_ptr<uint8_t[]> data_;
};

// A whole frame as received. The payload lies in the decoder's buffer and
// is valid only while the sink's OnFrame runs.
struct Frame {
  uint8_t command = 0;
  uint8_t parameter = 0;
  std::span<const uint8_t> payload;
};

class FrameDecoder {
 public:
  class Sink {
   public:
    virtual ~Sink() = default;
    virtual void OnReplyBytes(std::span<const uint8_t> bytes) = 0;
    virtual void OnFrame(const Frame& frame) = 0;
  };

  // Takes every byte of `bytes`, none beyond.
  void Feed(std::span<const uint8_t> bytes, Sink& sink);
  // Forgets the frame in progress: its bytes are neither replies nor a
  // frame, and the next byte is looked at afresh.
  void Reset();

  // No frame is in progress.
  bool Idle() const { return headerLength_ == 0 && !inBody_; }
  // Bytes held of the frame in progress (header and payload).
  size_t Held() const { return headerLength_ + payloadHeld_; }
  // What a reader should ask for next: the rest of the payload being read,
  // otherwise one byte (a header is checked byte by byte, and the next
  // byte may be a reply). That many bytes all belong to the frame, so a
  // reader never waits on bytes that are not part of it.
  size_t BytesWanted() const;

 private:
  enum class Verdict { kReject, kExtend, kHeaderComplete };
  // What the byte at `position` of a header does to it.
  static Verdict Verify(size_t position, uint8_t byte);
  void BeginPayload(Sink& sink);
  void Deliver(Sink& sink);

  uint8_t header_[kFrameHeaderSize] = {};
  size_t headerLength_ = 0;
  bool inBody_ = false;
  size_t payloadLength_ = 0;
  size_t payloadHeld_ = 0;
  // Null while a payload that got no buffer is skipped by count; such a
  // frame is dropped.
  uint8_t* payload_ = nullptr;
  GrowBuffer buffer_;
};

}  // namespace mirelon
