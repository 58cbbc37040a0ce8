// The frame decoder alone: what it makes of a byte stream, fed whole and a
// byte at a time, and what it asks a reader for.
#include <gtest/gtest.h>

#include <vector>

#include "client/frame_decoder.h"

using namespace mirelon;

namespace {

using Bytes = std::vector<uint8_t>;

// The decoder's output in line order: frames encoded again, reply bytes
// as "R" followed by the run (runs that follow each other are one run).
struct Events : FrameDecoder::Sink {
  void OnReplyBytes(std::span<const uint8_t> bytes) override {
    if (log.empty() || log.back().front() != 'R') log.push_back(Bytes{'R'});
    log.back().insert(log.back().end(), bytes.begin(), bytes.end());
  }
  void OnFrame(const Frame& frame) override {
    log.push_back(EncodeFrame(frame.command, frame.parameter, frame.payload));
  }
  std::vector<Bytes> log;
};

Bytes Reply(Bytes bytes) {
  bytes.insert(bytes.begin(), 'R');
  return bytes;
}

Bytes Join(const std::vector<Bytes>& parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

TEST(FrameDecoder, CutsStreamsIntoFramesAndReplies) {
  const Bytes withMarks = EncodeFrame(0x30, 7, Bytes{0xFF, 0xFF, 0x01});
  const Bytes empty = EncodeFrame(0x17, 0);
  const struct {
    Bytes stream;
    std::vector<Bytes> events;
    size_t held;
  } cases[] = {
      {{0x41}, {Reply({0x41})}, 0},
      {{0xFF, 0x41}, {Reply({0xFF, 0x41})}, 0},  // not a frame: both are replies
      {{0xFF, 0xFF, 0x41}, {}, 3},                 // any third byte is a command
      {empty, {empty}, 0},                         // complete without a payload
      {withMarks, {withMarks}, 0},                 // the length, not the marks, ends it
      {EncodeFrame(0xFF, 0xFF), {EncodeFrame(0xFF, 0xFF)}, 0},
      {Join({{0x41, 0xFF, 0x05}, empty, {0xFF, 0x20}, withMarks, {0x06, 0xFF}}),
       {Reply({0x41, 0xFF, 0x05}), empty, Reply({0xFF, 0x20}), withMarks, Reply({0x06})}, 1},
  };
  for (const auto& c : cases) {
    FrameDecoder whole, single;
    Events a, b;
    whole.Feed(c.stream, a);
    for (uint8_t byte : c.stream) single.Feed(Bytes{byte}, b);
    EXPECT_EQ(a.log, c.events);
    EXPECT_EQ(b.log, c.events);
    EXPECT_EQ(whole.Held(), c.held);
    EXPECT_EQ(single.Held(), c.held);
  }
}

TEST(FrameDecoder, AsksForWhatTheFrameStillTakesAndForgetsItOnReset) {
  FrameDecoder d;
  Events e;
  EXPECT_EQ(d.BytesWanted(), 1u);
  d.Feed(Bytes{0xFF}, e);
  EXPECT_EQ(d.BytesWanted(), 1u);  // the next byte may be a reply
  d.Feed(Bytes{0xFF, 0x32, 0x00, 0x2C}, e);
  EXPECT_EQ(d.BytesWanted(), 1u);  // a header goes byte by byte
  d.Feed(Bytes{0x01}, e);
  EXPECT_EQ(d.BytesWanted(), 300u);
  d.Feed(Bytes(100, 0xFF), e);
  EXPECT_EQ(d.BytesWanted(), 200u);
  EXPECT_EQ(d.Held(), 106u);
  d.Reset();  // a stalled frame is dropped, not turned into replies
  EXPECT_TRUE(d.Idle());
  d.Feed(EncodeFrame(0x33, 1, Bytes(100, 2)), e);
  ASSERT_EQ(e.log.size(), 1u);
  EXPECT_EQ(e.log[0], EncodeFrame(0x33, 1, Bytes(100, 2)));
}

TEST(GrowBuffer, GrowsInStepsAndKeepsItsBlock) {
  GrowBuffer b;
  EXPECT_EQ(b.Reserve(0), nullptr);
  uint8_t* p = b.Reserve(300);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(b.capacity(), 512u);
  p[299] = 0xAB;
  EXPECT_EQ(b.Reserve(100), p);  // a smaller frame reuses the block
  EXPECT_EQ(b.capacity(), 512u);
  uint8_t* q = b.Reserve(513);
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(b.capacity(), 768u);
  EXPECT_EQ(b.Reserve(GrowBuffer::kLimit + 1), nullptr);
  ASSERT_NE(b.Reserve(GrowBuffer::kLimit), nullptr);
  EXPECT_EQ(b.capacity(), GrowBuffer::kLimit);
}

}  // namespace
