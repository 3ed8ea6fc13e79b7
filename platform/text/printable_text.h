#pragma once
// Texts made printable for the programs' outputs: the bridge's Latin-1 bytes as UTF-8, quoted
// texts, and messages kept on one line. Shared by every program that prints what a device or a
// user said.

#include <string>
#include <string_view>

namespace kelm::text {

// `text` (UTF-8) in double quotes, with CR, LF, quote and backslash escaped.
std::string Quote(std::string_view text);

// The core's texts are Latin-1 bytes; outputs are UTF-8.
std::string Latin1ToUtf8(std::string_view bytes);

// The reverse, for texts that came as UTF-8 (over the system bus): a character beyond
// Latin-1 becomes '?'.
std::string Utf8ToLatin1(std::string_view text);

// A message kept on one line whatever the names it quotes hold (an argument may carry a line
// feed): control characters become spaces.
std::string OneLine(std::string text);

}  // namespace kelm::text
