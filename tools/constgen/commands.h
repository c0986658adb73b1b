#pragma once

// What constgen does for each command: read and check every input first, then write the
// outputs. On any error nothing is written and the error is reported as "file:line: message".

#include <ostream>
#include <string>
#include <vector>

#include "command_line.h"
#include "common/result.h"

namespace constgen {

gen::Status RunDeclare(const DeclareCommand& command);
gen::Status RunSegment(const SegmentCommand& command);

// The whole program: `arguments` without the program name; errors go to `errors`. Returns the
// process exit code.
int Run(const std::vector<std::string>& arguments, std::ostream& errors);

}  // namespace constgen
