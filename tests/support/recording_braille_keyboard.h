// A keyboard braille input for tests: keeps the input mode as the library
// does and writes every call, in order, into a log it may share with other
// fakes (a recording speech engine's calls, to see the order of both).
#pragma once

#include <string>
#include <vector>

#include "base/utf.h"
#include "braille/braille_keyboard.h"

namespace mirelon {

class RecordingBrailleKeyboard final : public BrailleKeyboard {
 public:
  static constexpr unsigned kMessage = 0xC123;

  explicit RecordingBrailleKeyboard(std::vector<std::u16string>& log, void* mainWindow = nullptr)
      : log_(log), mainWindow_(mainWindow) {}

  void* MainWindow() const override { return mainWindow_; }
  bool StartDlgSupport() override {
    log_.push_back(u"StartDlgSupport");
    return true;
  }
  void EndDlgSupport() override { log_.push_back(u"EndDlgSupport"); }
  unsigned RegisterNotifyMessage() override {
    log_.push_back(u"RegisterNotifyMessage");
    return kMessage;
  }
  // "SetInputMode(<window>,<message>,<value>)", the window as the number of
  // its pointer.
  void SetInputMode(void* window, unsigned message, int value) override {
    mode_ = message != 0 ? value : 0;
    log_.push_back(U16("SetInputMode(" + std::to_string(reinterpret_cast<uintptr_t>(window)) + "," +
                       std::to_string(message) + "," + std::to_string(value) + ")"));
  }
  int GetInputMode() override { return mode_; }
  void ShowTestingDialog(void*) override { log_.push_back(u"ShowTestingDialog"); }

 private:
  std::vector<std::u16string>& log_;
  void* const mainWindow_;
  int mode_ = 0;
};

}  // namespace mirelon
