#include "app/brl_input.h"

#include "speech/reading.h"

namespace mirelon {

namespace {

constexpr size_t kAnnouncementLimit = 80;

}  // namespace

BrlInput::BrlInput(Hooks hooks, std::optional<std::u16string> settingsPath)
    : hooks_(std::move(hooks)), settingsPath_(std::move(settingsPath)) {}

void BrlInput::Start(std::unique_ptr<BrailleKeyboard> keyboard) {
  keyboard_ = std::move(keyboard);
  if (!keyboard_) return;
  keyboard_->StartDlgSupport();
  settings_.notifyMessage = keyboard_->RegisterNotifyMessage();
  LoadBrlInputSettings(settings_, settingsPath_);
  Apply(keyboard_->MainWindow());
}

void BrlInput::Stop() {
  if (!keyboard_) return;
  keyboard_->EndDlgSupport();
  keyboard_.reset();
}

void BrlInput::Apply(void* window) {
  if (!keyboard_) return;
  const int value = BrlInputModeValue(settings_.inputType);
  if (On() && value != 0)
    keyboard_->SetInputMode(window, settings_.notifyMessage, value);
  else
    keyboard_->SetInputMode(window, 0, 0);
}

void BrlInput::Toggle(void* window) {
  settings_.inputSwitch = On() ? 0 : 1;
  SaveBrlInputSettings(settings_, settingsPath_);
  Apply(window);
  std::u16string text = u"点字入力終了";
  if (On() && BrlInputModeValue(settings_.inputType) != 0) {
    text = u"点字入力開始（" + std::u16string(BrlInputTypeName(settings_.inputType)) + u"）";
    if (text.size() > kAnnouncementLimit) text.resize(kAnnouncementLimit);
  }
  // Spoken whatever the speech scenes say, where every other text goes.
  if (hooks_.speech) SpeakMainVoice(*hooks_.speech, text);
}

void BrlInput::Confirmed(void* window) {
  SaveBrlInputSettings(settings_, settingsPath_);
  Apply(window);
}

void BrlInput::Notified(unsigned code, std::u16string_view text) {
  if (code == 1) {
    if (hooks_.speech && !text.empty()) SpeakInputModeText(*hooks_.speech, text);
  } else if (code == 2) {
    if (hooks_.refuse) hooks_.refuse();
  }
}

}  // namespace mirelon
