// UTF-16 to UTF-8, written once for every system: the platform layer needs
// it where UTF-8 is the system's own encoding of messages and file names,
// and the layers above use it for the same file names. It asks nothing of
// the system, so one portable implementation serves both builds.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Encodes 16-bit code units as UTF-8. A surrogate pair becomes its one code
// point; a surrogate without its partner becomes U+FFFD.
std::string toUtf8(std::u16string_view text);

}  // namespace platform
