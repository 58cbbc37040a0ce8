// The speech engine on SAPI 5.
#pragma once

#include "speech/speech_engine.h"

namespace mirelon {

// Creates the engine for the talk window (the owner of its dialogs). None
// when SAPI cannot speak on this system (no voice, or a SAPI that refuses
// rate or speech, as Wine's does); the program then runs without speech.
SpeechEnginePtr CreateVoxmira(void* talkWindow);

}  // namespace mirelon
