#include "ui/feedback_sounds.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace mirelon {

namespace {

// One tone of a clip: where it starts, how long it lasts, its pitch.
struct ToneSpan {
  uint32_t startSample;
  uint32_t samples;
  double frequency;
};

struct SoundShape {
  uint32_t totalSamples;
  std::vector<ToneSpan> tones;
};

// Pitches of the tones: E6, G5 and C6.
constexpr double kHigh = 1318.5;
constexpr double kLow = 784.0;
constexpr double kMiddle = 1046.5;

// Edges of each tone rise and fall over this many samples, so that the
// clip does not click where the sine starts or stops off zero.
constexpr uint32_t kEdgeSamples = 16;

void PutLe16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v & 0xFF));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutLe32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>((v >> (8 * i)) & 0xFF));
}

void PutTag(std::vector<uint8_t>& out, const char (&tag)[5]) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(tag[i]));
}

std::vector<uint8_t> BuildImage(const SoundShape& shape) {
  std::vector<int16_t> samples(shape.totalSamples, 0);
  for (const ToneSpan& tone : shape.tones) {
    for (uint32_t i = 0; i < tone.samples && tone.startSample + i < samples.size(); ++i) {
      double envelope = 1.0;
      if (i < kEdgeSamples) envelope = static_cast<double>(i) / kEdgeSamples;
      uint32_t left = tone.samples - 1 - i;
      if (left < kEdgeSamples) envelope = std::min(envelope, static_cast<double>(left) / kEdgeSamples);
      double phase = 2.0 * std::numbers::pi * tone.frequency * i / kSoundSampleRate;
      samples[tone.startSample + i] =
          static_cast<int16_t>(std::lround(kSoundPeak * envelope * std::sin(phase)));
    }
  }

  const uint32_t dataBytes = shape.totalSamples * 2;
  std::vector<uint8_t> image;
  image.reserve(kWavHeaderBytes + dataBytes);
  PutTag(image, "RIFF");
  PutLe32(image, kWavHeaderBytes - 8 + dataBytes);
  PutTag(image, "WAVE");
  PutTag(image, "fmt ");
  PutLe32(image, 16);
  PutLe16(image, 1);                     // PCM
  PutLe16(image, 1);                     // mono
  PutLe32(image, kSoundSampleRate);      // samples per second
  PutLe32(image, kSoundSampleRate * 2);  // bytes per second
  PutLe16(image, 2);                     // block alignment
  PutLe16(image, 16);                    // bits per sample
  PutTag(image, "data");
  PutLe32(image, dataBytes);
  for (int16_t s : samples) PutLe16(image, static_cast<uint16_t>(s));
  return image;
}

SoundShape ShapeOf(FeedbackSound sound) {
  switch (sound) {
    case FeedbackSound::kConfirm:
      return {1445, {{kSoundLeadInSamples, 341, kHigh}}};
    case FeedbackSound::kNewMessages:
      // Two beeps, the second one starting at about 78 ms.
      return {2134, {{kSoundLeadInSamples, 341, kHigh}, {860, 341, kHigh}}};
    case FeedbackSound::kRefusal:
      return {1778, {{kSoundLeadInSamples, 674, kLow}}};
    case FeedbackSound::kBrailleSpace:
      return {1439, {{kSoundLeadInSamples, 336, kMiddle}}};
  }
  return {0, {}};
}

}  // namespace

const std::vector<uint8_t>& SoundImage(FeedbackSound sound) {
  // Built once, on first use; the images live until the process ends, so an
  // asynchronous player may keep reading one after Play has returned.
  static const std::array<std::vector<uint8_t>, 4> images = {
      BuildImage(ShapeOf(FeedbackSound::kConfirm)),
      BuildImage(ShapeOf(FeedbackSound::kNewMessages)),
      BuildImage(ShapeOf(FeedbackSound::kRefusal)),
      BuildImage(ShapeOf(FeedbackSound::kBrailleSpace)),
  };
  return images[static_cast<size_t>(sound)];
}

}  // namespace mirelon
