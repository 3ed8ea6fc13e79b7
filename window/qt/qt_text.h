#pragma once
// The core speaks std::string (UTF-8); Qt controls speak QString.

#include <QString>

#include <string_view>

namespace kelm::ui {

inline QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace kelm::ui
