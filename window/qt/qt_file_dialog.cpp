#include "window/qt/qt_file_dialog.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>

namespace kelm::ui {

std::string QtFilterOf(std::string_view filter) {
  std::string out;
  while (!filter.empty()) {
    const std::size_t nameEnd = filter.find('|');
    if (nameEnd == std::string_view::npos) break;  // a name without patterns
    const std::string_view name = filter.substr(0, nameEnd);
    filter.remove_prefix(nameEnd + 1);
    const std::size_t patternsEnd = filter.find('|');
    std::string patterns(filter.substr(0, patternsEnd));
    filter.remove_prefix(patternsEnd == std::string_view::npos ? filter.size() : patternsEnd + 1);
    for (char& c : patterns) {
      if (c == ';') c = ' ';  // "*.bin;*.rom" lists patterns
    }
    if (!out.empty()) out += ";;";
    out.append(name).append(" (").append(patterns).append(")");
  }
  return out;
}

std::optional<std::string> QtFileDialog::GetOpenFileName(const std::string& initialDir,
                                                         const std::string& filter) {
  const QString chosen = QFileDialog::getOpenFileName(
      QApplication::activeWindow(), QString(), QString::fromStdString(initialDir),
      QString::fromStdString(QtFilterOf(filter)));
  if (chosen.isEmpty()) return std::nullopt;
  return QFile::encodeName(chosen).toStdString();
}

}  // namespace kelm::ui
