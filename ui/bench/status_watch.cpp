#include "ui/bench/status_watch.h"

#include <QApplication>
#include <QLineEdit>
#include <QWidget>

namespace kelm::bench {

QLineEdit* StatusWatch::Find() {
  if (edit_.isNull()) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (auto* edit = window->findChild<QLineEdit*>("StatusEdit")) edit_ = edit;
    }
  }
  return edit_.data();
}

void StatusWatch::Poll() {
  QLineEdit* edit = Find();
  if (edit == nullptr || edit->text() == last_) return;
  last_ = edit->text();
  transcript_.Line("status: " + Quote(last_.toUtf8().toStdString()));
}

void StatusWatch::Follow(QWidget& window) {
  edit_ = window.findChild<QLineEdit*>("StatusEdit");
  Poll();
  if (edit_) QObject::connect(edit_, &QLineEdit::textChanged, edit_, [this] { Poll(); });
}

}  // namespace kelm::bench
