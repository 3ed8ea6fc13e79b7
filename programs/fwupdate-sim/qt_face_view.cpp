#include "programs/fwupdate-sim/qt_face_view.h"

#include <QAbstractButton>
#include <QColor>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QProgressBar>

#include <algorithm>

namespace kelm::bench {

namespace {
QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), qsizetype(text.size()));
}
std::string Utf8(const QString& text) { return text.toUtf8().toStdString(); }
}  // namespace

template <typename T>
T* QtFaceView::Find(std::string_view name) const {
  return window_->findChild<T*>(FromUtf8(name));
}

bool QtFaceView::Has(std::string_view name) const { return Find<QWidget>(name) != nullptr; }

bool QtFaceView::Hidden(std::string_view name) const { return Find<QWidget>(name)->isHidden(); }

bool QtFaceView::Enabled(std::string_view name) const { return Find<QWidget>(name)->isEnabled(); }

std::string QtFaceView::Text(std::string_view name) const {
  QWidget* widget = Find<QWidget>(name);
  if (auto* label = qobject_cast<QLabel*>(widget)) return Utf8(label->text());
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return Utf8(button->text());
  if (auto* list = qobject_cast<QComboBox*>(widget)) return Utf8(list->currentText());
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return Utf8(edit->text());
  return {};
}

window::ColorRef QtFaceView::LabelColor(std::string_view name) const {
  const QColor colour = Find<QWidget>(name)->palette().color(QPalette::WindowText);
  return static_cast<window::ColorRef>(colour.red()) |
         static_cast<window::ColorRef>(colour.green()) << 8 |
         static_cast<window::ColorRef>(colour.blue()) << 16;
}

bool QtFaceView::Checked(std::string_view box) const {
  auto* button = Find<QAbstractButton>(box);
  return button != nullptr && button->isChecked();
}

int QtFaceView::ItemCount(std::string_view list) const {
  auto* box = Find<QComboBox>(list);
  return box == nullptr ? 0 : box->count();
}

int QtFaceView::ItemIndex(std::string_view list) const {
  auto* box = Find<QComboBox>(list);
  return box == nullptr ? -1 : box->currentIndex();
}

int QtFaceView::Position(std::string_view bar) const {
  auto* progress = Find<QProgressBar>(bar);
  // A bar that was never moved reports minimum - 1; it shows its minimum.
  return progress == nullptr ? 0 : std::max(progress->value(), progress->minimum());
}

std::string QtFaceView::Caption() const { return Utf8(window_->windowTitle()); }

void QtFaceView::Click(std::string_view name) {
  if (auto* button = Find<QAbstractButton>(name)) button->click();
}

void QtFaceView::Clicked(std::string_view name) {
  if (auto* button = Find<QAbstractButton>(name)) emit button->clicked(false);
}

void QtFaceView::Choose(std::string_view list, int index) {
  if (auto* box = Find<QComboBox>(list)) box->setCurrentIndex(index);
}

void QtFaceView::Type(std::string_view edit, std::string_view text) {
  if (auto* field = Find<QLineEdit>(edit)) field->setText(FromUtf8(text));
}

void QtFaceView::ProcessMessages() { QCoreApplication::processEvents(); }

}  // namespace kelm::bench
