// The text layout of a talk: file kinds, stream names and the records kept
// in the message streams. Pure functions; the file access is in talk_file.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace mirelon {

// The kind of a talk, fixed by the extension of its file name.
enum class TalkMode { kTalk, kMeeting, kShare };

// ".talk", ".meeting" or ".share" (letter case ignored) -> the mode; none
// for any other extension. `extension` starts with the dot.
std::optional<TalkMode> TalkModeFromExtension(std::u16string_view extension);
std::u16string_view ExtensionOfMode(TalkMode mode);

inline constexpr std::u16string_view kOwnerStream = u"Owner";
inline constexpr std::u16string_view kDescriptionStream = u"Description";

// Message numbers start at 1. Numbers above this are never written and are
// ignored when found, so that "next number + tries" can never overflow.
inline constexpr uint32_t kMaxMessageNumber = 999999999;

// "Msg" and the number with at least six digits: Msg000012, Msg1234567.
std::u16string MessageStreamName(uint32_t number);

// A stream name as a listing reports it (":Msg000012:$DATA"): ":Msg" and a
// run of digits give the number. None for other names, for 0 and for
// numbers above kMaxMessageNumber (however many digits they have).
std::optional<uint32_t> ParseMessageStreamName(std::u16string_view reported);

// The writer's local time as a talk record shows it.
struct LocalTime {
  int month = 1;   // 1-12
  int day = 1;     // 1-31
  int hour = 0;    // 0-23
  int minute = 0;  // 0-59
};

// "talk\t<name>さん 3/05 9:07\t<body>", or without name and "さん" when the
// name is empty. A TAB in the name would end the header early for every
// reader, so it is written as a space.
std::u16string BuildTalkRecord(std::u16string_view name, const LocalTime& time,
                               std::u16string_view body);
// "in\t<name>" and "out\t<name>".
std::u16string BuildInRecord(std::u16string_view name);
std::u16string BuildOutRecord(std::u16string_view name);

// What a reader takes from a record.
struct ParsedRecord {
  enum class Kind { kTalk, kIn, kOut } kind = Kind::kTalk;
  std::u16string header;              // talk: between the first and second TAB; in/out: "入室 %sさん"
  std::optional<std::u16string> body; // talk records only
  std::u16string name;                // in/out: the member's name
};
// None for records of any other kind (they are passed over).
std::optional<ParsedRecord> ParseRecord(std::u16string_view text);

// The header line that shows a record: "12: user1さん 3/05 9:07" and a CR.
std::u16string DisplayHeaderLine(uint32_t number, std::u16string_view header);

// CR LF and lone LF become CR, the talk's line break.
std::u16string NormalizeLineBreaks(std::u16string_view text);

// Decoding of a message stream's bytes. A byte order mark selects UTF-8;
// otherwise well-formed UTF-8 with a multi-byte sequence is UTF-8 and
// everything else the ANSI code page. Bytes after a zero byte are ignored.
// When the bytes are not valid in the chosen encoding the text is decoded
// leniently (U+FFFD for each bad sequence) and `exact` is false.
// `cut` says the stream was longer than the bytes given: an incomplete
// character at the end is dropped and kCutMark is appended.
struct DecodedStream {
  std::u16string text;
  bool exact = true;
};
DecodedStream DecodeStreamBytes(std::string_view bytes, bool cut);

// Appended to a record that was too long to be held whole.
inline constexpr std::u16string_view kCutMark = u"\r［長すぎるため、ここから先は省略されました］";

}  // namespace mirelon
