#include "window/qt/qt_message_boxes.h"

#include <QMessageBox>

#include "window/qt/qt_text.h"

namespace kelm::ui {

void QtMessageBoxes::Show(std::string_view caption, std::string_view text,
                          platform::MessageIcon icon) {
  QMessageBox::Icon qtIcon = QMessageBox::NoIcon;
  if (icon == platform::MessageIcon::Error) qtIcon = QMessageBox::Critical;
  if (icon == platform::MessageIcon::Information) qtIcon = QMessageBox::Information;
  QMessageBox box(qtIcon, ToQString(caption), ToQString(text), QMessageBox::Ok, parent_);
  // Texts carry names the device supplied; markup in them must show as typed.
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

}  // namespace kelm::ui
