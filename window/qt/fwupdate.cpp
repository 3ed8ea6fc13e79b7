#include "window/qt/fwupdate.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMetaObject>

#include <string>
#include <utility>

#include "ui_fwupdate.h"
#include "window/logic/control_events.h"
#include "window/logic/design_fonts.h"
#include "window/qt/qt_text.h"

namespace kelm::ui {

TZintFwTool::TZintFwTool(WindowEnvironment env, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ui_(std::make_unique<::Ui::TZintFwTool>()),
      controls_(*this) {
  ui_->setupUi(this);
  setAttribute(Qt::WA_DeleteOnClose, false);
  setFixedSize(window::kClientWidth, window::kClientHeight);
  ApplyFonts();
  window::Frame& frame = *this;
  logic_ = std::make_unique<window::TZintFwTool>(controls_, frame, std::move(env));
  ConnectHandlers();
  logic_->Start();
}

TZintFwTool::~TZintFwTool() {
  // The controls outlive the logic by a little; nothing they say may reach it then.
  for (QObject* control : findChildren<QObject*>()) control->disconnect(this);
}

void TZintFwTool::ConnectHandlers() {
  // Every control says what happened; the logic's table decides which handler, if any, runs.
  window::TZintFwTool* logic = logic_.get();
  const window::Controls* controls = &controls_;
  for (QAbstractButton* button : findChildren<QAbstractButton*>()) {
    const std::string name = button->objectName().toStdString();
    const QVariant tag = button->property("tag");
    connect(button, &QAbstractButton::clicked, this, [logic, name, tag] {
      window::OnClick(*logic, name, tag.isValid() ? tag.toInt() : -1);
    });
  }
  for (QComboBox* list : findChildren<QComboBox*>()) {
    connect(list, &QComboBox::currentIndexChanged, this,
            [logic, controls, name = list->objectName().toStdString()] {
              window::OnChange(*logic, *controls, name);
            });
  }
  for (QLineEdit* edit : findChildren<QLineEdit*>()) {
    connect(edit, &QLineEdit::textChanged, this,
            [logic, controls, name = edit->objectName().toStdString()] {
              window::OnChange(*logic, *controls, name);
            });
  }
}

void TZintFwTool::ApplyFonts() {
  for (const window::PixelFont& entry : window::kPixelFonts) {
    auto* control = findChild<QWidget*>(ToQString(entry.control));
    QFont font = control->font();
    font.setPixelSize(entry.pixels);
    control->setFont(font);
  }
}

// --- window::Frame ---

void TZintFwTool::SetClientSize(int width, int height) { setFixedSize(width, height); }

void TZintFwTool::Close() { close(); }

void TZintFwTool::CloseLater() {
  QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void TZintFwTool::ProcessMessages() { QCoreApplication::processEvents(); }

// --- closing ---

void TZintFwTool::closeEvent(QCloseEvent* event) {
  if (!logic_->CloseRequested()) {
    event->ignore();
    return;
  }
  event->accept();
  emit windowClosed();
}

void TZintFwTool::reject() { close(); }

}  // namespace kelm::ui
