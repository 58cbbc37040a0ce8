// The user's screen reader as a way to speak: texts are handed to it as
// notifications, and it speaks them in the user's own voice.
#pragma once

#include <string_view>

namespace mirelon {

// How a screen reader treats a text that comes while another is spoken.
enum class Urgency {
  kMostRecent,  // at once, in place of what came before (lines, jumps)
  kAll,         // after what came before (typed characters, announcements)
};

class ScreenReaderNotifier {
 public:
  virtual ~ScreenReaderNotifier() = default;
  // False when the text could not be handed over; the caller speaks it
  // with the engine's voice instead.
  virtual bool Notify(std::u16string_view text, Urgency urgency) = 0;
};

}  // namespace mirelon
