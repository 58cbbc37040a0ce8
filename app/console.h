// Standard streams of the console runner.
#pragma once

namespace mirelon {

// Makes standard input and output carry bytes unchanged (no CR LF
// translation), so that UTF-8 text passes through as it is.
void UseBinaryStdio();

}  // namespace mirelon
