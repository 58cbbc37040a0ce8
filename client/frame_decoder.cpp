#include "client/frame_decoder.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace mirelon {

uint8_t* GrowBuffer::Reserve(size_t n) {
  if (capacity_ >= n && data_) {
    length_ = n;
    return data_.get();
  }
  if (n == 0 || n > kLimit) return nullptr;
  size_t rounded = (n + kStep - 1) / kStep * kStep;
  std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[rounded]);
  if (!block) {
    length_ = 0;
    return nullptr;
  }
  if (data_ && length_) std::memcpy(block.get(), data_.get(), length_);
  data_ = std::move(block);
  capacity_ = rounded;
  length_ = n;
  return data_.get();
}

FrameDecoder::Verdict FrameDecoder::Verify(size_t position, uint8_t byte) {
  if (position < 2) return byte == kFrameMark ? Verdict::kExtend : Verdict::kReject;
  return position + 1 == kFrameHeaderSize ? Verdict::kHeaderComplete : Verdict::kExtend;
}

size_t FrameDecoder::BytesWanted() const { return inBody_ ? payloadLength_ - payloadHeld_ : 1; }

void FrameDecoder::Reset() {
  headerLength_ = 0;
  inBody_ = false;
  payloadLength_ = payloadHeld_ = 0;
  payload_ = nullptr;
}

void FrameDecoder::Feed(std::span<const uint8_t> bytes, Sink& sink) {
  size_t at = 0;
  while (at < bytes.size()) {
    if (inBody_) {
      const size_t take = std::min(bytes.size() - at, payloadLength_ - payloadHeld_);
      if (payload_) std::memcpy(payload_ + payloadHeld_, bytes.data() + at, take);
      payloadHeld_ += take;
      at += take;
      if (payloadHeld_ == payloadLength_) Deliver(sink);
      continue;
    }
    const uint8_t byte = bytes[at];
    switch (Verify(headerLength_, byte)) {
      case Verdict::kReject:
        if (headerLength_ > 0) {
          // Not a frame after all: what was held is a reply, and this byte
          // is looked at again from the start.
          sink.OnReplyBytes(std::span<const uint8_t>(header_, headerLength_));
          headerLength_ = 0;
        } else {
          // Outside a frame, everything up to the next mark is a reply.
          const auto from = bytes.begin() + static_cast<std::ptrdiff_t>(at);
          const size_t end = static_cast<size_t>(std::find(from, bytes.end(), kFrameMark) - bytes.begin());
          sink.OnReplyBytes(bytes.subspan(at, end - at));
          at = end;
        }
        break;
      case Verdict::kExtend:
        header_[headerLength_++] = byte;
        ++at;
        break;
      case Verdict::kHeaderComplete:
        header_[headerLength_++] = byte;
        ++at;
        BeginPayload(sink);
        break;
    }
  }
}

void FrameDecoder::BeginPayload(Sink& sink) {
  payloadLength_ = header_[4] | (static_cast<size_t>(header_[5]) << 8);
  payloadHeld_ = 0;
  payload_ = payloadLength_ ? buffer_.Reserve(payloadLength_) : nullptr;
  inBody_ = true;
  if (payloadLength_ == 0) Deliver(sink);
}

void FrameDecoder::Deliver(Sink& sink) {
  const bool whole = payloadLength_ == 0 || payload_ != nullptr;
  const Frame frame{header_[2], header_[3], std::span<const uint8_t>(payload_, whole ? payloadLength_ : 0)};
  Reset();  // ready for the next frame; the payload stays in the buffer
  if (whole) sink.OnFrame(frame);
}

}  // namespace mirelon
