#include "window/qt/qt_file_dialog.h"

#include <gtest/gtest.h>

#include <utility>

namespace kelm::ui {
namespace {

TEST(FileDialog, FiltersInQtsSpelling) {
  const std::pair<const char*, const char*> cases[] = {
      {"BinaryFile|*.bin|All Files|*.*", "BinaryFile (*.bin);;All Files (*.*)"},
      {"Images|*.bin;*.rom", "Images (*.bin *.rom)"},
      {"", ""},
      {"Dangling", ""},
  };
  for (const auto& [windows, qt] : cases) EXPECT_EQ(QtFilterOf(windows), qt) << windows;
}

}  // namespace
}  // namespace kelm::ui
