// The talk window's title: "%s - %s" with the mode name and the talk
// file's name without folder and extension.
#pragma once

#include <string>
#include <string_view>

namespace mirelon {

std::u16string TalkWindowTitle(std::u16string_view talkPath);

// The talk file's name without folder and extension.
std::u16string TalkName(std::u16string_view talkPath);

}  // namespace mirelon
