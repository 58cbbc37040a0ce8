// A sound player that writes down which tones were played, from any thread.
#pragma once

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

#include "ui/feedback_sounds.h"

namespace mirelon {

class RecordingSounds final : public SoundPlayer {
 public:
  void Play(FeedbackSound sound) override {
    const std::lock_guard<std::mutex> lock(mutex_);
    played_.push_back(sound);
  }
  size_t Count(FeedbackSound sound) {
    const std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<size_t>(std::count(played_.begin(), played_.end(), sound));
  }
  std::vector<FeedbackSound> Take() {
    const std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(played_, {});
  }

 private:
  std::mutex mutex_;
  std::vector<FeedbackSound> played_;
};

}  // namespace mirelon
