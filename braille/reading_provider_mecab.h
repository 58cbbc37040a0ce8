// MeCab with the IPADIC dictionary as a ReadingProvider, on every platform;
// the platform files say where the dictionary is.
#pragma once

#include <memory>
#include <string>

#include "braille/reading_provider.h"

namespace mirelon {

// A provider on the IPADIC dictionary in `dictionaryFolder` (UTF-8 path),
// with `nullDevice` as MeCab's resource file so that every setting comes
// from here. Null when MeCab cannot load the dictionary.
std::unique_ptr<ReadingProvider> CreateMecabReadingProvider(const std::string& dictionaryFolder,
                                                            const std::string& nullDevice);

}  // namespace mirelon
