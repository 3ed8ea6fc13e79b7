// The Win32 face's control table, made by the build from fwupdate.ui, against the dialog that
// uic makes from the same form: one design, two readers that must agree on every control.

#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "fwupdate_design.h"
#include "ui_fwupdate.h"

namespace kelm {
namespace {

namespace design = win32::design;

std::string Name(const QObject* object) { return object->objectName().toStdString(); }
std::string Utf8(const QString& text) { return text.toUtf8().toStdString(); }

std::string TextOf(QWidget& widget) {
  if (auto* label = qobject_cast<QLabel*>(&widget)) return Utf8(label->text());
  if (auto* button = qobject_cast<QAbstractButton*>(&widget)) return Utf8(button->text());
  if (auto* edit = qobject_cast<QLineEdit*>(&widget)) return Utf8(edit->text());
  return {};
}

TEST(DesignTable, AgreesWithTheFormOnEveryControl) {
  QDialog dialog;
  Ui::TZintFwTool form;
  form.setupUi(&dialog);
  dialog.show();
  EXPECT_EQ(design::kCaption, Utf8(dialog.windowTitle()));
  EXPECT_EQ(QSize(design::kWidth, design::kHeight), dialog.size());
  EXPECT_EQ(design::kFontFamily, Utf8(dialog.font().family()));

  std::set<std::string> named;
  for (const design::Control& control : design::kControls) {
    const std::string name(control.name);
    named.insert(name);
    auto* widget = dialog.findChild<QWidget*>(QString::fromStdString(name));
    ASSERT_NE(widget, nullptr) << name;
    SCOPED_TRACE(name);
    EXPECT_EQ(QRect(control.x, control.y, control.width, control.height), widget->geometry());
    EXPECT_EQ(control.parent.empty() ? "TZintFwTool" : std::string(control.parent),
              Name(widget->parentWidget()));
    EXPECT_EQ(control.visible, !widget->isHidden());
    EXPECT_EQ(control.enabled, widget->isEnabled());
    EXPECT_EQ(control.text, TextOf(*widget));
    if (!control.fontFamily.empty()) {
      EXPECT_EQ(control.fontFamily, Utf8(widget->font().family()));
    }
    if (control.pointSize != 0) {
      EXPECT_EQ(control.pointSize, widget->font().pointSize());
    }
    const QVariant tag = widget->property("tag");
    EXPECT_EQ(control.tag, tag.isValid() ? tag.toInt() : -1);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      EXPECT_EQ(control.buddy, label->buddy() == nullptr ? "" : Name(label->buddy()));
    }
    if (auto* box = qobject_cast<QAbstractButton*>(widget)) {
      EXPECT_EQ(control.checked, box->isChecked());
    }
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
      EXPECT_EQ(control.readOnly, edit->isReadOnly());
    }
    if (auto* list = qobject_cast<QComboBox*>(widget)) {
      ASSERT_EQ(control.itemCount, list->count());
      for (int item = 0; item < list->count(); ++item) {
        EXPECT_EQ(design::kItems[static_cast<std::size_t>(control.firstItem + item)],
                  Utf8(list->itemText(item)));
      }
      EXPECT_EQ(control.currentIndex, list->currentIndex());
    }
    if (auto* bar = qobject_cast<QProgressBar*>(widget)) {
      EXPECT_EQ(control.minimum, bar->minimum());
      EXPECT_EQ(control.maximum, bar->maximum());
      EXPECT_EQ(control.value, bar->value());
    }
  }
  // And the table leaves no control of the form out.
  for (QWidget* widget : dialog.findChildren<QWidget*>()) {
    if (!widget->objectName().isEmpty() && !widget->objectName().startsWith("qt_")) {
      EXPECT_TRUE(named.count(Name(widget))) << Name(widget) << " is not in the table";
    }
  }
}

}  // namespace
}  // namespace kelm
