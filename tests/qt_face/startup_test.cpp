// The application: its title, and exceptions that escape an event handler.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QEvent>
#include <QIcon>

#include <functional>
#include <stdexcept>

#include "tests/support/rig.h"
#include "window/qt/startup.h"

namespace kelm::test {
namespace {

ui::Application& App() { return *static_cast<ui::Application*>(QCoreApplication::instance()); }

TEST(Application, CarriesTheTitle) {
  EXPECT_EQ(QCoreApplication::applicationName().toStdString(), "Kelm Firmware Update Utility");
  EXPECT_EQ(QGuiApplication::applicationDisplayName().toStdString(),
            "Kelm Firmware Update Utility");
}

// Every window gets the program's icon, in the sizes the desktop and the task bar ask for.
TEST(Application, CarriesTheIcon) {
  const QIcon icon = QGuiApplication::windowIcon();
  ASSERT_FALSE(icon.isNull());
  const QList<QSize> sizes = icon.availableSizes();
  for (const int size : {16, 32, 48, 256}) {
    EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
  }
  EXPECT_FALSE(icon.pixmap(32).toImage().pixelColor(16, 16).alpha() == 0);
}

// Throws what it is told from its event handler, then counts the events it handled.
class Thrower final : public QObject {
 public:
  explicit Thrower(std::function<void()> fault) : fault_(std::move(fault)) {}
  bool event(QEvent* event) override {
    if (event->type() != QEvent::User) return QObject::event(event);
    ++handled;
    if (handled == 1) fault_();
    return true;
  }
  int handled = 0;

 private:
  std::function<void()> fault_;
};

struct EscapeCase {
  std::function<void()> fault;
  std::string shown;
};

class EscapedException : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(EscapedException, IsShownAndTheLoopGoesOn) {
  Recorder boxes;
  App().setExceptionBoxes(&boxes);
  Thrower target(GetParam().fault);
  QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
  QCoreApplication::postEvent(&target, new QEvent(QEvent::User));

  QCoreApplication::processEvents();
  App().setExceptionBoxes(nullptr);

  EXPECT_EQ(target.handled, 2);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].caption, "Kelm Firmware Update Utility");
  EXPECT_EQ(boxes.boxes[0].text, GetParam().shown);
  EXPECT_EQ(boxes.boxes[0].icon, platform::MessageIcon::Error);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, EscapedException,
    ::testing::Values(EscapeCase{[] { throw std::runtime_error("Access violation"); },
                                 "Access violation"},
                      EscapeCase{[] { throw 42; }, ""}));

}  // namespace
}  // namespace kelm::test
