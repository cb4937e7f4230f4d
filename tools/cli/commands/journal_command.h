// `txorb journal FILE`: the parts a run's journal holds, as a table or as CSV.
#pragma once

#include <string>

namespace txorb::cli {

// The exit status: 0, or 2 when the file is missing or not a parts journal.
int RunJournal(const std::string& path, bool csv);

}  // namespace txorb::cli
