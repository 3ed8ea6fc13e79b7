#pragma once
// kelm-fwupdate's start before its window: the command line, and a missing display told in
// one line instead of Qt's abort.

#include <QtGlobal>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace kelm::hardware {

// Answers --help and --version on `out` (exit 0) and any other argument but --images DIR with
// one line on `err` (exit 2); nothing when the window is to run, with `imagesDir` set to the
// folder --images names.
std::optional<int> AnswerArguments(int argc, char** argv, std::FILE* out, std::FILE* err,
                                   std::optional<std::string>& imagesDir);

// While alive, Qt's fatal error for a display it cannot open ends the program with one line
// on standard error and exit status 2; what Qt says meanwhile is held back and passed on
// once the application stands.
class DisplayWatch {
 public:
  DisplayWatch();
  ~DisplayWatch();
  DisplayWatch(const DisplayWatch&) = delete;
  DisplayWatch& operator=(const DisplayWatch&) = delete;
};

}  // namespace kelm::hardware
