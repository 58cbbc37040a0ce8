#include "app/console.h"

namespace mirelon {

// POSIX streams never translate line ends.
void UseBinaryStdio() {}

}  // namespace mirelon
