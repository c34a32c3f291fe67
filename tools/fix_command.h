// cabhost fix: checks a vehicle folder as cabhost check does, shows each
// repair the findings carry, applies those that hold (repair/repair.h), with
// the originals kept in the vehicle's cabhost-backup folder, and says what
// is left to do by hand and what a check finds afterwards. A second run
// finds nothing more to repair and changes nothing.
#pragma once

#include <ostream>

#include "tools/command_line.h"

namespace tools {

// Returns 0 when the repairs went through and Load completes afterwards, else 1.
int fixVehicle(const CheckOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tools
