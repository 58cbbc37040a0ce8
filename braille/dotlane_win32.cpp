#include "braille/dotlane_win32.h"

#include <algorithm>
#include <vector>

namespace mirelon {

namespace {

// The library's state for the run, on the windows' thread.
struct Dotlane {
  bool started = false;
  // Input mode value; 0 while input is off.
  int mode = 0;
  HWND notifyWindow = nullptr;
  UINT notifyMessage = 0;
  // Controls in braille mode, and windows with a menu open.
  std::vector<HWND> brailleControls;
  std::vector<HWND> menuWindows;
};

Dotlane& State() {
  static Dotlane state;
  return state;
}

void Forget(std::vector<HWND>& windows, HWND window) {
  windows.erase(std::remove(windows.begin(), windows.end(), window), windows.end());
}

}  // namespace

BOOL Dotlane_StartDlgSupport() {
  State() = Dotlane{};
  State().started = true;
  return TRUE;
}

void Dotlane_EndDlgSupport() { State() = Dotlane{}; }

void Dotlane_SetInputMode(HWND window, UINT message, int value) {
  Dotlane& s = State();
  if (!s.started) return;
  s.notifyWindow = window;
  s.notifyMessage = message;
  s.mode = message != 0 && (value == kDotlaneCells || value == kDotlaneKana || value == kDotlaneKantenji) ? value : 0;
}

int Dotlane_GetInputMode() { return State().mode; }

BOOL Dotlane_OnGetMessage(MSG*) { return FALSE; }

void Dotlane_OnActivate() {}

void Dotlane_SetInMenuLoop(HWND window, BOOL inMenu) {
  Dotlane& s = State();
  Forget(s.menuWindows, window);
  if (inMenu) s.menuWindows.push_back(window);
}

void Dotlane_SetBrlMode(HWND control, BOOL on) {
  Dotlane& s = State();
  Forget(s.brailleControls, control);
  if (on && s.started) s.brailleControls.push_back(control);
}

void Dotlane_ShowTestingDialog(HWND) {}

}  // namespace mirelon
