// One application for the whole test program, headless.

#include <gtest/gtest.h>

#include <memory>

#include "window/qt/startup.h"

namespace {

class QtEnvironment final : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = std::make_unique<kelm::ui::Application>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[16] = "kelm_ui_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<kelm::ui::Application> app_;
};

const auto* const kQt = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace
