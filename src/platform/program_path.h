// The directory of the host program, where per-installation data files sit beside it.
#pragma once

#include <string>

namespace txorb::platform {

// The directory part of the program's first command-line word, with a trailing separator;
// empty when it has none (the program was started through the search path).
std::string ProgramDirectoryPath();

}  // namespace txorb::platform
