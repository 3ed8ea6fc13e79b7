#include "window/qt/fwupdate.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMetaObject>

#include <array>
#include <utility>

#include "ui_fwupdate.h"

namespace kelm::ui {

namespace {

// The design gives these fonts in pixels, which the form file cannot carry.
struct PixelFont {
  const char* control;
  int pixels;
};
constexpr std::array<PixelFont, 6> kPixelFonts = {{
    {"devLable", 19},
    {"replugLable1", 19},
    {"replugLable2", 19},
    {"EraseButton", 13},
    {"ExitBtn", 13},
    {"ExtBtn", 13},
}};

}  // namespace

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
  window::TZintFwTool* logic = logic_.get();
  connect(ui_->StatusEdit, &QLineEdit::textChanged, this,
          [logic](const QString& text) { logic->StatusEditChange(text.toStdString()); });
  const std::array<std::pair<QAbstractButton*, void (window::TZintFwTool::*)()>, 8> clicks = {{
      {ui_->EraseButton, &window::TZintFwTool::EraseButtonClick},
      {ui_->ExitBtn, &window::TZintFwTool::ExitBtnClick},
      {ui_->ExtBtn, &window::TZintFwTool::ExitBtnClick},
      {ui_->RefreshBtn, &window::TZintFwTool::RefreshBtnClick},
      {ui_->UpdateBtn, &window::TZintFwTool::UpdateBtnClick},
      {ui_->LoadBtn, &window::TZintFwTool::LoadBtnClick},
      {ui_->BackupBtn, &window::TZintFwTool::BackupBtnClick},
      {ui_->RdCheckBox, &window::TZintFwTool::RdCheckBoxClick},
  }};
  for (const auto& [button, handler] : clicks) {
    connect(button, &QAbstractButton::clicked, this, [logic, handler] { (logic->*handler)(); });
  }
  for (QCheckBox* box : {ui_->EraseOnlyCheck, ui_->BackupFWCheckBox}) {
    connect(box, &QAbstractButton::clicked, this,
            [logic, box] { logic->EraseOnlyCheckClick(box->property("tag").toInt()); });
  }
  const auto check = [logic] { logic->UpdateBtnCheck(); };
  connect(ui_->DeviceList, &QComboBox::currentIndexChanged, this, check);
  connect(ui_->FlashTypeList, &QComboBox::currentIndexChanged, this, check);
  connect(ui_->FwFilenameEdit, &QLineEdit::textChanged, this, check);
  connect(ui_->FwSizeCheck, &QComboBox::currentIndexChanged, this,
          [logic](int index) { logic->FwSizeCheckChange(index); });
  connect(ui_->FwPgSizeCheck, &QComboBox::currentIndexChanged, this,
          [logic](int index) { logic->FwPgSizeCheckChange(index); });
}

void TZintFwTool::ApplyFonts() {
  for (const PixelFont& entry : kPixelFonts) {
    auto* control = findChild<QWidget*>(QString::fromLatin1(entry.control));
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
