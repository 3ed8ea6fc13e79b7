#include "window/qt/qt_message_boxes.h"

#include <QMessageBox>

#include "window/qt/qt_text.h"

namespace kelm::ui {

void QtMessageBoxes::Show(std::string_view caption, std::string_view text,
                          platform::MessageIcon icon) {
  const QMessageBox::Icon qtIcon =
      icon == platform::MessageIcon::Error ? QMessageBox::Critical : QMessageBox::NoIcon;
  QMessageBox box(qtIcon, ToQString(caption), ToQString(text), QMessageBox::Ok, parent_);
  // Texts carry names the device supplied; markup in them must show as typed.
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

}  // namespace kelm::ui
