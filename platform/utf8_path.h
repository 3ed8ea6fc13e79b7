#pragma once
// The program's names are UTF-8, but std::filesystem::path reads and writes a std::string in
// the system's narrow encoding, which on Windows is not UTF-8 (MinGW's library takes each
// byte for a letter of its own and hands back UTF-8: "Jörg" comes back as "JÃ¶rg"). Names go
// through char8_t both ways instead; on Linux the bytes stay as they are.

#include <filesystem>
#include <string>
#include <string_view>

namespace kelm::platform {

inline std::filesystem::path Utf8Path(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string Utf8Text(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace kelm::platform
