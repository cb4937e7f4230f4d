// `txorb layers`: the layers a drawing is marked in (each distinct final colour), what each
// holds and how it would be marked, and, with --write, a job file of them to edit.
#pragma once

#include <string>

#include "cli/commands/mark_command.h"

namespace txorb::cli {

// Prints the table; writes the job file to `writePath` unless it is empty. The exit status: 0
// done, 1 the job file could not be written, 2 the drawing or the job cannot be used.
int RunLayers(const MarkOptions& options, const std::string& writePath);

}  // namespace txorb::cli
