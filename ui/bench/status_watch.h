#pragma once
// The `status:` lines: every change of StatusEdit's text, in order with the other events.
//
// The window changes StatusEdit already while it is being constructed (its first refresh),
// before anyone can connect to the control. Until then the watch looks at the text whenever
// something else is about to be written or a device request is about to be made; from
// Follow() on it hears every change.

#include <QPointer>
#include <QString>

#include "ui/bench/transcript.h"

class QLineEdit;
class QWidget;

namespace kelm::bench {

class StatusWatch {
 public:
  explicit StatusWatch(Transcript& transcript) : transcript_(transcript) {}

  // Reports the text when it differs from the one reported last.
  void Poll();
  void Follow(QWidget& window);

 private:
  QLineEdit* Find();

  Transcript& transcript_;
  QPointer<QLineEdit> edit_;
  QString last_;
};

}  // namespace kelm::bench
