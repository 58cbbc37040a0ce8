// The folder the running program lives in, where the files shipped with it
// lie.
#pragma once

#include <optional>
#include <string>

namespace mirelon {

// The program's own full path; none when it cannot be told.
std::optional<std::u16string> ProgramPath();

// With a trailing separator; none when it cannot be told.
std::optional<std::u16string> ProgramFolder();

}  // namespace mirelon
