#include "programs/fwupdate-sim/window_view.h"

#include <QAbstractButton>
#include <QColor>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QProgressBar>
#include <QString>
#include <QWidget>

namespace kelm::bench {

namespace {

std::string Utf8(const QString& text) { return text.toUtf8().toStdString(); }

std::string TextOf(QWidget& widget, ControlKind kind) {
  switch (kind) {
    case ControlKind::Label:
      if (auto* label = qobject_cast<QLabel*>(&widget)) return Utf8(label->text());
      break;
    case ControlKind::Button:
    case ControlKind::CheckBox:
      if (auto* button = qobject_cast<QAbstractButton*>(&widget)) return Utf8(button->text());
      break;
    case ControlKind::List:
      if (auto* list = qobject_cast<QComboBox*>(&widget)) return Utf8(list->currentText());
      break;
    case ControlKind::Edit:
      if (auto* edit = qobject_cast<QLineEdit*>(&widget)) return Utf8(edit->text());
      break;
    case ControlKind::ProgressBar:
    case ControlKind::Panel:
      break;
  }
  return {};
}

std::string SuffixOf(QWidget& widget, ControlKind kind) {
  switch (kind) {
    case ControlKind::Label: {
      const QColor colour = widget.palette().color(QPalette::WindowText);
      return " color=" + Utf8(colour.name(QColor::HexRgb).toUpper());
    }
    case ControlKind::CheckBox: {
      auto* box = qobject_cast<QAbstractButton*>(&widget);
      return box != nullptr && box->isChecked() ? " checked" : " unchecked";
    }
    case ControlKind::List: {
      auto* list = qobject_cast<QComboBox*>(&widget);
      if (list == nullptr) return " items=0 index=-1";
      return " items=" + std::to_string(list->count()) +
             " index=" + std::to_string(list->currentIndex());
    }
    case ControlKind::ProgressBar: {
      auto* bar = qobject_cast<QProgressBar*>(&widget);
      // A bar that was never moved reports minimum - 1; it shows its minimum.
      return " pos=" + std::to_string(bar == nullptr ? 0 : std::max(bar->value(), bar->minimum()));
    }
    case ControlKind::Button:
    case ControlKind::Edit:
    case ControlKind::Panel:
      break;
  }
  return {};
}

}  // namespace

QWidget* FindControl(QWidget& window, std::string_view name) {
  return window.findChild<QWidget*>(QString::fromUtf8(name.data(), qsizetype(name.size())));
}

std::optional<std::string> OutOfReach(QWidget& window, const ControlInfo& control) {
  QWidget* widget = FindControl(window, control.name);
  if (widget == nullptr) return "missing";
  if (!control.neverShown) {
    QWidget* panel = FindControl(window, kRdPanel);
    if (widget->isHidden() || (control.inRdPanel && panel != nullptr && panel->isHidden())) {
      return "hidden";
    }
  }
  if (!widget->isEnabled()) return "disabled";
  return std::nullopt;
}

void PrintWindow(QWidget& window, Transcript& transcript) {
  transcript.Line("window " + std::to_string(window.width()) + "x" +
                  std::to_string(window.height()) + " " + Quote(Utf8(window.windowTitle())));
  for (const ControlInfo& control : kControls) {
    QWidget* widget = FindControl(window, control.name);
    if (widget == nullptr) {
      transcript.Line(std::string(control.name) + " missing");
      continue;
    }
    transcript.Line(std::string(control.name) + (widget->isHidden() ? " hidden" : " visible") +
                    (widget->isEnabled() ? " enabled " : " disabled ") +
                    Quote(TextOf(*widget, control.kind)) + SuffixOf(*widget, control.kind));
  }
}

}  // namespace kelm::bench
