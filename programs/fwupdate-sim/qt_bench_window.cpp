#include "programs/fwupdate-sim/qt_bench_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kelm::bench {

BenchWindow::BenchWindow(SimNotifications& enclosures, const sim::SimPlatform& sim,
                         QWidget* parent)
    : QWidget(parent, Qt::Window), enclosures_(enclosures), sim_(sim), state_(new QLabel(this)) {
  setWindowTitle("Enclosure bench");
  auto* unplug = new QPushButton("Unplug", this);
  auto* plug = new QPushButton("Plug", this);
  connect(unplug, &QPushButton::clicked, this, [this] {
    enclosures_.Unplug();
    ShowState();
  });
  connect(plug, &QPushButton::clicked, this, [this] {
    enclosures_.Plug();
    ShowState();
  });
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(unplug);
  buttons->addWidget(plug);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(state_);
  layout->addLayout(buttons);
  ShowState();
}

void BenchWindow::PlaceBeside(const QWidget& window) {
  const QRect frame = window.frameGeometry();
  move(frame.right() + 12, frame.top());
}

void BenchWindow::ShowState() {
  const auto count = static_cast<int>(sim_.DeviceCount());
  if (count == 0) {
    state_->setText("No enclosure in the scenario");
  } else {
    state_->setText(sim_.Plugged() ? QString("%1 enclosure(s) plugged in").arg(count)
                                   : QString("%1 enclosure(s) unplugged").arg(count));
  }
}

}  // namespace kelm::bench
