#include "ui/sound_player_win32.h"

#include <windows.h>
#include <mmsystem.h>

namespace mirelon {

void SystemSoundPlayer::Play(FeedbackSound sound) {
  // SND_MEMORY takes the image itself in place of a name; SND_ASYNC returns
  // at once and a later clip cuts this one off. Failures are ignored: no
  // command depends on the tone.
  const std::vector<uint8_t>& image = SoundImage(sound);
  PlaySoundW(reinterpret_cast<LPCWSTR>(image.data()), nullptr, SND_ASYNC | SND_MEMORY);
}

}  // namespace mirelon
