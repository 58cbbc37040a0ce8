// The four short tones that confirm or refuse an action. Each is a complete
// WAV image built in memory at first use and played from there; no sound
// file is installed or read.
#pragma once

#include <cstdint>
#include <vector>

namespace mirelon {

enum class FeedbackSound {
  kConfirm,       // a navigation command reached its target
  kNewMessages,   // a batch of new messages was displayed
  kRefusal,       // a navigation command found nothing
  kBrailleSpace,  // a blank braille cell was typed
};

// Layout shared by every clip: PCM, mono, 16-bit.
inline constexpr uint32_t kSoundSampleRate = 11025;
inline constexpr uint32_t kSoundLeadInSamples = 173;  // about 16 ms of silence
inline constexpr int16_t kSoundPeak = 2950;           // about -21 dBFS
inline constexpr uint32_t kWavHeaderBytes = 44;

// The RIFF WAVE image of a clip: "RIFF", "WAVE", a 16-byte "fmt " chunk and
// the "data" chunk. The reference stays valid for the whole run (playback
// from memory reads it asynchronously).
const std::vector<uint8_t>& SoundImage(FeedbackSound sound);

// Plays the clips. The talk window's player starts a clip and returns at
// once; a clip started while another plays replaces it. A clip that cannot
// be played is ignored.
class SoundPlayer {
 public:
  virtual ~SoundPlayer() = default;
  virtual void Play(FeedbackSound sound) = 0;
};

}  // namespace mirelon
