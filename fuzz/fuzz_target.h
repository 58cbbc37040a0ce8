// Declarations shared by the fuzz targets and the random driver.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// A target may list pieces of text that its parser cares about (keys,
// separators, quotes). The random driver splices them into its inputs so
// that structured inputs are reached, not only random bytes.
std::vector<std::string> FuzzDictionary();

// Stops the run when an invariant of the target does not hold, so that
// both libFuzzer and the random driver report the input as a crash.
inline void FuzzCheck(bool ok) {
  if (!ok) __builtin_trap();
}
