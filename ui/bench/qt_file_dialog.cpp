#include "ui/bench/qt_file_dialog.h"

#include <QFileDialog>

#include "ui/bench/file_filter.h"

namespace kelm::bench {

std::optional<std::string> QtFileDialog::GetOpenFileName(const std::string& initialDir,
                                                         const std::string& filter) {
  const QString chosen = QFileDialog::getOpenFileName(parent_, QString(), QString::fromStdString(initialDir),
                                                      QString::fromStdString(QtFilterOf(filter)));
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.toLocal8Bit().toStdString();
}

}  // namespace kelm::bench
