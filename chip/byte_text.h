#pragma once
// Text comparisons on raw answer bytes, the way the bridge's records are read: case-sensitive,
// of a fixed length, and a zero byte ends a text. Bytes past the end of the data count as zero.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace kelm::chip {

// Byte `i` of `bytes`, or 0 past its end.
constexpr std::uint8_t ByteAt(std::span<const std::uint8_t> bytes, std::size_t i) {
  return i < bytes.size() ? bytes[i] : 0;
}

// True when the first `length` characters of the two texts are equal, both ending at their
// first zero byte (as strncmp compares them).
constexpr bool TextEquals(std::span<const std::uint8_t> bytes, std::string_view text,
                          std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    const std::uint8_t a = ByteAt(bytes, i);
    const std::uint8_t b = i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0;
    if (a != b) return false;
    if (a == 0) return true;
  }
  return true;
}

// Whole-text form: the text's own length.
constexpr bool TextEquals(std::span<const std::uint8_t> bytes, std::string_view text) {
  return TextEquals(bytes, text, text.size());
}

}  // namespace kelm::chip
