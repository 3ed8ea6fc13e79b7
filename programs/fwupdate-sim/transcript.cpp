#include "programs/fwupdate-sim/transcript.h"

namespace kelm::bench {

void Transcript::Line(std::string_view text) {
  if (midLine_) out_ << '\n';
  out_ << text << '\n' << std::flush;
  midLine_ = false;
}

void Transcript::Raw(std::string_view text) {
  if (text.empty()) return;
  out_ << text << std::flush;
  midLine_ = text.back() != '\n';
}

}  // namespace kelm::bench
