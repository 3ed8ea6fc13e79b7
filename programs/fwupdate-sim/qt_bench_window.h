#pragma once
// The small window beside the main one on a display: unplug and plug the simulated
// enclosures by hand.

#include <QWidget>

#include "programs/fwupdate-sim/bench_ports.h"

class QLabel;

namespace kelm::bench {

class BenchWindow final : public QWidget {
 public:
  BenchWindow(SimNotifications& enclosures, const sim::SimPlatform& sim,
              QWidget* parent = nullptr);

  // Places the bench to the right of `window`.
  void PlaceBeside(const QWidget& window);

 private:
  void ShowState();

  SimNotifications& enclosures_;
  const sim::SimPlatform& sim_;
  QLabel* state_;
};

}  // namespace kelm::bench
