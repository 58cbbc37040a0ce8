// The talk window's sound player: PlaySoundW on the in-memory images.
#pragma once

#include "ui/feedback_sounds.h"

namespace mirelon {

class SystemSoundPlayer final : public SoundPlayer {
 public:
  void Play(FeedbackSound sound) override;
};

}  // namespace mirelon
