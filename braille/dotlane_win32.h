// Keyboard braille input: the user chords braille cells on the PC
// keyboard and the library turns them into text in the focused input
// control.
//
// Keys: F D S J K L are dots 1 to 6, A and ; dots 7 and 8 (kantenji), Space
// the blank cell, by their place on the keyboard whatever its layout. A
// chord is every key pressed until all are released. Chords are taken only
// while input is on, in a control that is in braille mode, with its window
// active and no menu of it open; every other key passes untouched.
//
// Input-mode values: 9 each cell as its Unicode braille character, 1 kana
// braille read as katakana (digits and Latin letters as ASCII), 2 kantenji
// (8-dot braille kanji, kana as hiragana). A control with ES_NUMBER takes
// digits in every mode.
//
// Notifications go to the window given to Dotlane_SetInputMode (or, once
// that is gone, to the nearest of its owners still there) as the registered
// message it was given: wParam 1 with lParam a UTF-16 text that describes
// the state of the input (a sign waiting for its cell), valid while the
// message is handled; wParam 2 when a chord means nothing where it was
// typed.
//
// Everything here is called on the thread of the program's windows.
#pragma once

#include <windows.h>

#include <memory>

#include "braille/braille_keyboard.h"

namespace mirelon {

inline constexpr int kDotlaneCells = 9;
inline constexpr int kDotlaneKana = 1;
inline constexpr int kDotlaneKantenji = 2;

inline constexpr WPARAM kDotlaneNotifyState = 1;
inline constexpr WPARAM kDotlaneNotifyRefused = 2;

// Prepares the library; once per run, before any other call.
BOOL Dotlane_StartDlgSupport();
// Releases it; input is off afterwards.
void Dotlane_EndDlgSupport();

// From now on chords produce text of `value`, reported to `window` with
// `message`; (window, 0, 0) switches keyboard braille input off.
void Dotlane_SetInputMode(HWND window, UINT message, int value);
// The input-mode value while input is on, else 0.
int Dotlane_GetInputMode();

// Called first for every message a loop of the program takes from its
// queue; nonzero when the library consumed it, and the loop then does
// nothing more with it.
BOOL Dotlane_OnGetMessage(MSG* msg);

// A window of the program became active: keys held before do not count.
void Dotlane_OnActivate();
// A menu of `window` opened (TRUE) or closed (FALSE).
void Dotlane_SetInMenuLoop(HWND window, BOOL inMenu);
// `control` takes keyboard braille input now (TRUE), or no longer does.
void Dotlane_SetBrlMode(HWND control, BOOL on);

// The braille input test: a small modal window in which the user types
// chords and sees each cell, its dots and the text it produced.
void Dotlane_ShowTestingDialog(HWND owner);

// The program's keyboard braille input: this library, with `mainWindow`
// taking the notifications from start-up on.
std::unique_ptr<BrailleKeyboard> CreateDotlaneKeyboard(HWND mainWindow);

}  // namespace mirelon
