// The system's IPADIC dictionary, whose folder the build found.
#include "braille/reading_provider_mecab.h"

#ifndef MIRELON_MECAB_DICDIR
#define MIRELON_MECAB_DICDIR "/var/lib/mecab/dic/ipadic-utf8"
#endif

namespace mirelon {

std::unique_ptr<ReadingProvider> CreateSystemReadingProvider() {
  return CreateMecabReadingProvider(MIRELON_MECAB_DICDIR, "/dev/null");
}

}  // namespace mirelon
