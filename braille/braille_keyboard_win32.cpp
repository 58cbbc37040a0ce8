#include "braille/braille_keyboard.h"
#include "braille/dotlane_win32.h"

namespace mirelon {

namespace {

// The program's keyboard braille input is the input library.
class DotlaneKeyboard final : public BrailleKeyboard {
 public:
  explicit DotlaneKeyboard(HWND mainWindow) : mainWindow_(mainWindow) {}

  void* MainWindow() const override { return mainWindow_; }
  bool StartDlgSupport() override { return Dotlane_StartDlgSupport() != FALSE; }
  void EndDlgSupport() override { Dotlane_EndDlgSupport(); }
  unsigned RegisterNotifyMessage() override {
    return RegisterWindowMessageW(L"Voxmira BrlInput NotifyMessage");
  }
  void SetInputMode(void* window, unsigned message, int value) override {
    Dotlane_SetInputMode(static_cast<HWND>(window), message, value);
  }
  int GetInputMode() override { return Dotlane_GetInputMode(); }
  void ShowTestingDialog(void* owner) override {
    Dotlane_ShowTestingDialog(static_cast<HWND>(owner));
  }

 private:
  HWND mainWindow_;
};

}  // namespace

std::unique_ptr<BrailleKeyboard> CreateDotlaneKeyboard(HWND mainWindow) {
  return std::make_unique<DotlaneKeyboard>(mainWindow);
}

}  // namespace mirelon
