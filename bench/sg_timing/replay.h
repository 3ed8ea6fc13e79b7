#pragma once
// kelm-sg-timing --replay: requests read from standard input, one a line
//   NODE in|out CDB-HEX LENGTH
// each sent once the bare way (open, one SG_IO, close), as the least any program pays for
// them. Prints how many were sent and the sum of their round trips. Data-out requests carry
// no data: a line with data to write is refused, so a replay never changes a flash.

#include <cstdio>

namespace kelm::timing {

// 0 when every request came back good, 1 otherwise, 2 for a line that is no request.
int Replay(std::FILE* in);

}  // namespace kelm::timing
