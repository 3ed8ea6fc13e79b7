// The bench on Windows: the window's Win32 face, headless under a script or on the desktop
// beside the small bench window.

#include "window/win32/windows_api.h"

#include <exception>
#include <iostream>
#include <memory>
#include <string>

#include "programs/fwupdate-sim/bench_run.h"
#include "programs/fwupdate-sim/bench_session.h"
#include "programs/fwupdate-sim/script_runner.h"
#include "programs/fwupdate-sim/win32_bench_window.h"
#include "programs/fwupdate-sim/win32_face_view.h"
#include "window/logic/application_title.h"
#include "window/win32/fw_tool_window.h"
#include "window/win32/parent_console.h"
#include "window/win32/program_folder.h"
#include "window/win32/win32_file_dialog.h"
#include "window/win32/win32_message_boxes.h"

namespace kelm::bench {

// Every Windows session has a desktop to open the window on.
bool HasDisplay() { return true; }

void Tell(std::string_view text, bool error) { win32::TellUser(window::kApplicationTitle, text, error); }

int RunScripted(BenchInputs& inputs, char*) {
  win32::ConnectStandardStreams();
  Transcript transcript(std::cout);
  BenchSession session(inputs, transcript);
  platform::MessageBoxes& boxes = session.boxes();
  const auto showException = [&boxes](std::string_view message) {
    boxes.Show(window::kApplicationTitle, message, platform::MessageIcon::Error);
  };
  try {
    ScriptedFileDialog& dialog = session.scriptedDialog();
    // Made but never shown: its controls keep their own visibility flags all the same.
    std::unique_ptr<win32::FwToolWindow> window;
    try {
      window = std::make_unique<win32::FwToolWindow>(session.Environment(dialog, win32::ProgramFolder()), boxes);
    } catch (const win32::WindowNotMade& error) {
      // Nothing of the script ran: a failure, not a transcript.
      Tell(std::string("kelm-fwupdate-sim: ") + error.what() + '\n', true);
      return 1;
    }
    {
      Win32FaceView view(*window);
      ScriptRunner runner(view, session.enclosures(), dialog, transcript, showException);
      runner.Run(*inputs.actions);
      if (!window->Closed()) SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
      view.ProcessMessages();
    }
    window.reset();  // the destruction sends the leave commands
  } catch (const std::exception& error) {
    showException(error.what());
  } catch (...) {
    showException("");
  }
  return session.Finish();
}

int RunOnDisplay(BenchInputs& inputs, char*) {
  win32::Win32MessageBoxes boxes;
  BenchSession session(inputs, boxes);
  win32::Win32FileDialog dialog;
  try {
    win32::FwToolWindow window(session.Environment(dialog, win32::ProgramFolder()), boxes);
    boxes.SetOwner(window.Handle());
    Win32BenchWindow bench(session.enclosures(), session.sim(), window.Handle());
    window.Show();
    bench.PlaceBeside();
    // The bench window's messages come through the same loop; it ends with the main window.
    win32::RunUntilClosed(window);
  } catch (const win32::WindowNotMade& error) {
    boxes.Show(window::kApplicationTitle, error.what(), platform::MessageIcon::Error);
    return 1;
  } catch (const std::exception& error) {
    boxes.Show(window::kApplicationTitle, error.what(), platform::MessageIcon::Error);
  }
  return session.Finish();
}

}  // namespace kelm::bench
