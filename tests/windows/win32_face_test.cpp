// The Win32 face on the simulated demo enclosure: the design's controls where the design puts
// them, and what the logic relies on of any face (list changes it makes notify nobody, its
// text changes reach the edit's handler, a labelled edit's caption comes and goes with it).

#include <gtest/gtest.h>

#include <sstream>

#include "programs/fwupdate-sim/bench_inputs.h"
#include "programs/fwupdate-sim/bench_session.h"
#include "window/win32/fw_tool_window.h"

namespace kelm {
namespace {

class Win32Face : public ::testing::Test {
 protected:
  Win32Face()
      : inputs_(bench::LoadInputs(bench::ParseCommandLine({"--script", "show"}), true)),
        session_(inputs_, transcript_),
        window_(session_.Environment(session_.scriptedDialog(), ""), session_.boxes()) {
    session_.sim().SetTrace(&trace_);
  }
  ~Win32Face() override { session_.sim().SetTrace(nullptr); }

  // The requests the logic sent since the last call.
  std::string TakeRequests() { return std::exchange(trace_, std::ostringstream()).str(); }

  // Where the control lies in its parent's client area.
  RECT PlaceOf(std::string_view name) {
    HWND control = window_.Control(name);
    RECT place{};
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&place), 2);
    return place;
  }

  std::ostringstream out_;
  bench::Transcript transcript_{out_};
  bench::BenchInputs inputs_;
  bench::BenchSession session_;
  std::ostringstream trace_;
  win32::FwToolWindow window_;
};

TEST_F(Win32Face, EveryDesignedControlIsWhereTheDesignPutsIt) {
  RECT client{};
  GetClientRect(window_.Handle(), &client);
  EXPECT_EQ(client.right, 338);
  EXPECT_EQ(client.bottom, 100) << "the engineering panel is hidden";
  for (std::string_view name : {"devLable", "EraseButton", "ExitBtn", "FwUpdatBar", "RdPanel",
                                "EraseOnlyCheck", "BackupFileEdit", "SFlashTypeLable"}) {
    SCOPED_TRACE(std::string(name));
    ASSERT_NE(window_.Control(name), nullptr);
  }
  const RECT yes = PlaceOf("EraseButton");
  EXPECT_EQ((std::array{yes.left, yes.top, yes.right, yes.bottom}), (std::array<LONG, 4>{70, 60, 145, 88}));
  const RECT browse = PlaceOf("BackupBtn");  // in the panel, at the panel's coordinates
  EXPECT_EQ((std::array{browse.left, browse.top, browse.right, browse.bottom}),
            (std::array<LONG, 4>{262, 75, 330, 99}));
  EXPECT_EQ(GetParent(window_.Control("BackupBtn")), window_.Control("RdPanel"));
}

TEST_F(Win32Face, ListChangesOfTheLogicCallNoHandlerButItsTextChangesDo) {
  window::Controls& controls = window_.controls();
  TakeRequests();
  controls.ClearItems("DeviceList");
  controls.AddItem("DeviceList", "again");
  controls.SetItemIndex("DeviceList", 0);
  controls.SetItemIndex("FwSizeCheck", 3);
  EXPECT_EQ(TakeRequests(), "") << "a list change of the logic's ran a handler";

  // The Run check identifies the drive again, then finds no such file.
  controls.SetText("FwFilenameEdit", "absent.bin");
  EXPECT_NE(TakeRequests(), "");
  EXPECT_NE(out_.str().find("The firmware file seems not match this chip!"), std::string::npos);
}

TEST_F(Win32Face, ALabelledEditsCaptionComesAndGoesWithIt) {
  // The caption is the control the design names as the edit's buddy.
  HWND edit = window_.Control("SFlashTypeLable");
  HWND caption = window_.Control("SFlashTypeLableLabel");
  ASSERT_NE(caption, nullptr);
  window_.controls().SetVisible("SFlashTypeLable", false);
  EXPECT_FALSE(IsWindowVisible(edit) || (GetWindowLongPtrW(caption, GWL_STYLE) & WS_VISIBLE));
  window_.controls().SetVisible("SFlashTypeLable", true);
  EXPECT_TRUE((GetWindowLongPtrW(edit, GWL_STYLE) & WS_VISIBLE) &&
              (GetWindowLongPtrW(caption, GWL_STYLE) & WS_VISIBLE));
}

}  // namespace
}  // namespace kelm
