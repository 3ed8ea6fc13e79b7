#include "window/qt/qt_controls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QProgressBar>
#include <QSignalBlocker>

#include <stdexcept>

#include "window/qt/qt_text.h"

namespace kelm::ui {

namespace {

QColor ToQColor(window::ColorRef color) {
  return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                static_cast<int>((color >> 16) & 0xFF));
}

}  // namespace

template <typename T>
T& QtControls::Find(std::string_view name) const {
  T* control = window_.findChild<T*>(ToQString(name));
  if (control == nullptr) {
    throw std::logic_error("the window has no control " + std::string(name));
  }
  return *control;
}

bool QtControls::Visible(std::string_view control) const {
  return !Find<QWidget>(control).isHidden();
}

void QtControls::SetVisible(std::string_view control, bool shown) {
  QWidget& widget = Find<QWidget>(control);
  widget.setVisible(shown);
  // A labelled edit's caption is a label of its own here.
  for (QLabel* label : window_.findChildren<QLabel*>()) {
    if (label->buddy() == &widget) label->setVisible(shown);
  }
}

bool QtControls::Enabled(std::string_view control) const {
  return Find<QWidget>(control).isEnabled();
}

void QtControls::SetEnabled(std::string_view control, bool enabled) {
  Find<QWidget>(control).setEnabled(enabled);
}

std::string QtControls::Text(std::string_view control) const {
  QWidget& widget = Find<QWidget>(control);
  if (auto* edit = qobject_cast<QLineEdit*>(&widget)) return edit->text().toStdString();
  if (auto* label = qobject_cast<QLabel*>(&widget)) return label->text().toStdString();
  if (auto* button = qobject_cast<QAbstractButton*>(&widget)) return button->text().toStdString();
  throw std::logic_error("the control " + std::string(control) + " has no text");
}

void QtControls::SetText(std::string_view control, std::string_view text) {
  QWidget& widget = Find<QWidget>(control);
  if (auto* edit = qobject_cast<QLineEdit*>(&widget)) {
    edit->setText(ToQString(text));
  } else if (auto* label = qobject_cast<QLabel*>(&widget)) {
    label->setText(ToQString(text));
  } else if (auto* button = qobject_cast<QAbstractButton*>(&widget)) {
    button->setText(ToQString(text));
  } else {
    throw std::logic_error("the control " + std::string(control) + " has no text");
  }
}

void QtControls::SetColor(std::string_view control, window::ColorRef color) {
  QWidget& widget = Find<QWidget>(control);
  QPalette palette = widget.palette();
  palette.setColor(QPalette::WindowText, ToQColor(color));
  widget.setPalette(palette);
}

int QtControls::Height(std::string_view control) const { return Find<QWidget>(control).height(); }

int QtControls::ItemCount(std::string_view list) const { return Find<QComboBox>(list).count(); }

void QtControls::ClearItems(std::string_view list) {
  QComboBox& box = Find<QComboBox>(list);
  const QSignalBlocker quiet(box);
  box.clear();
}

void QtControls::AddItem(std::string_view list, std::string_view text) {
  QComboBox& box = Find<QComboBox>(list);
  const QSignalBlocker quiet(box);
  box.addItem(ToQString(text));
}

std::string QtControls::ItemText(std::string_view list, int index) const {
  return Find<QComboBox>(list).itemText(index).toStdString();
}

int QtControls::ItemIndex(std::string_view list) const {
  return Find<QComboBox>(list).currentIndex();
}

void QtControls::SetItemIndex(std::string_view list, int index) {
  QComboBox& box = Find<QComboBox>(list);
  const QSignalBlocker quiet(box);
  box.setCurrentIndex(index);
}

bool QtControls::Checked(std::string_view box) const {
  return Find<QAbstractButton>(box).isChecked();
}

void QtControls::SetChecked(std::string_view box, bool checked) {
  Find<QAbstractButton>(box).setChecked(checked);
}

int QtControls::Position(std::string_view bar) const { return Find<QProgressBar>(bar).value(); }

window::ProgressRange QtControls::Range(std::string_view bar) const {
  const QProgressBar& progress = Find<QProgressBar>(bar);
  return {progress.minimum(), progress.maximum()};
}

void QtControls::SetPosition(std::string_view bar, int position) {
  QProgressBar& progress = Find<QProgressBar>(bar);
  progress.setValue(position);
  progress.repaint();
}

}  // namespace kelm::ui
