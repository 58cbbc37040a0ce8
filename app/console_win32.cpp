#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <windows.h>

#include "app/console.h"

namespace mirelon {

void UseBinaryStdio() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  SetConsoleOutputCP(CP_UTF8);
}

}  // namespace mirelon
