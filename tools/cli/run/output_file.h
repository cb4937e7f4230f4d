// The tool's own outputs (pictures, captures, job files) are written under a temporary name in
// their folder and renamed to their name once complete, so that nobody finds half a file and
// nothing is claimed that was not written: the virtual card's writer (sim/output_file.h) is
// the one that does it, for the card and for the tool alike. Failures read "PATH: reason".
#pragma once

#include <string>

namespace txorb::cli {

// Whether a file can be made where the output goes: a temporary one is made there and removed
// again, before a run that would make the output at its end.
bool CanWriteOutput(const std::string& path, std::string* error);

// Writes data as path in one go.
bool WriteOutputFile(const std::string& path, const std::string& data, std::string* error);

}  // namespace txorb::cli
