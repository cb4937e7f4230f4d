// The library module's own file version, as a version resource holds it ("11, 2, 49, 0").
#pragma once

#include <string>

namespace txorb::platform {

// The "FileVersion" text of the library's own module. False when the module's name, its
// version resource or its translation table cannot be read; true with an empty text when the
// resource has no "FileVersion". Read afresh at every call.
bool ReadModuleFileVersion(std::string* text);

}  // namespace txorb::platform
