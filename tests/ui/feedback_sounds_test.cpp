#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "ui/feedback_sounds.h"

using namespace mirelon;

namespace {

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
uint16_t Le16(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}
bool Tag(const std::vector<uint8_t>& b, size_t at, const char* tag) {
  return std::memcmp(b.data() + at, tag, 4) == 0;
}

std::vector<int16_t> Samples(const std::vector<uint8_t>& image) {
  std::vector<int16_t> s;
  for (size_t at = kWavHeaderBytes; at + 1 < image.size(); at += 2)
    s.push_back(static_cast<int16_t>(Le16(image, at)));
  return s;
}

// Frequency of a stretch of samples from its sign changes (two per period).
double MeasuredFrequency(const std::vector<int16_t>& s, size_t from, size_t count) {
  int crossings = 0;
  int last = 0;
  size_t first = 0, lastAt = 0;
  for (size_t i = from; i < from + count; ++i) {
    int sign = (s[i] > 0) - (s[i] < 0);
    if (sign == 0) continue;
    if (last != 0 && sign != last) {
      if (crossings == 0) first = i;
      lastAt = i;
      ++crossings;
    }
    last = sign;
  }
  if (crossings < 2) return 0;
  return (crossings - 1) / 2.0 * kSoundSampleRate / static_cast<double>(lastAt - first);
}

struct Expected {
  FeedbackSound sound;
  size_t bytes;
  std::vector<std::pair<size_t, size_t>> tones;  // start, length in samples
  double frequency;
};

const Expected kClips[] = {
    {FeedbackSound::kConfirm, 2934, {{173, 341}}, 1318},
    {FeedbackSound::kNewMessages, 4312, {{173, 341}, {860, 341}}, 1318},
    {FeedbackSound::kRefusal, 3600, {{173, 674}}, 783},
    {FeedbackSound::kBrailleSpace, 2922, {{173, 336}}, 1046},
};

}  // namespace

TEST(FeedbackSounds, WaveLayoutAndSize) {
  for (const Expected& e : kClips) {
    const std::vector<uint8_t>& image = SoundImage(e.sound);
    ASSERT_EQ(image.size(), e.bytes);
    EXPECT_TRUE(Tag(image, 0, "RIFF"));
    EXPECT_EQ(Le32(image, 4), e.bytes - 8);
    EXPECT_TRUE(Tag(image, 8, "WAVE"));
    EXPECT_TRUE(Tag(image, 12, "fmt "));
    EXPECT_EQ(Le32(image, 16), 16u);
    EXPECT_EQ(Le16(image, 20), 1);  // PCM
    EXPECT_EQ(Le16(image, 22), 1);  // mono
    EXPECT_EQ(Le32(image, 24), 11025u);
    EXPECT_EQ(Le32(image, 28), 22050u);
    EXPECT_EQ(Le16(image, 32), 2);
    EXPECT_EQ(Le16(image, 34), 16);
    EXPECT_TRUE(Tag(image, 36, "data"));
    EXPECT_EQ(Le32(image, 40), e.bytes - 44);
    // The same image on every call: a player may still be reading it.
    EXPECT_EQ(&SoundImage(e.sound), &image);
  }
}

TEST(FeedbackSounds, TonesWherePitchAndLevelSay) {
  for (const Expected& e : kClips) {
    SCOPED_TRACE(e.bytes);
    std::vector<int16_t> s = Samples(SoundImage(e.sound));
    // Silence everywhere outside the tones, the lead-in included.
    std::vector<bool> inTone(s.size(), false);
    for (auto [start, length] : e.tones)
      for (size_t i = start; i < start + length; ++i) inTone[i] = true;
    for (size_t i = 0; i < s.size(); ++i)
      if (!inTone[i]) {
        ASSERT_EQ(s[i], 0) << "sample " << i;
      }
    for (size_t i = 0; i < 173; ++i) ASSERT_FALSE(inTone[i]);

    for (auto [start, length] : e.tones) {
      EXPECT_NEAR(MeasuredFrequency(s, start, length), e.frequency, e.frequency * 0.02);
      int peak = 0;
      for (size_t i = start; i < start + length; ++i) peak = std::max(peak, std::abs(int{s[i]}));
      EXPECT_GE(peak, 2900);
      EXPECT_LE(peak, 2950);
      // The tone fills its span: the middle of it is never silent for long.
      size_t quiet = 0, longestQuiet = 0;
      for (size_t i = start + 20; i < start + length - 20; ++i) {
        quiet = std::abs(int{s[i]}) < 200 ? quiet + 1 : 0;
        longestQuiet = std::max(longestQuiet, quiet);
      }
      EXPECT_LE(longestQuiet, 3u);
    }
  }
}
