#include "cli/commands/journal_command.h"

#include <iostream>
#include <vector>

#include "cli/production/journal.h"
#include "cli/run/outcome.h"

namespace txorb::cli {

int RunJournal(const std::string& path, bool csv) {
    std::vector<PartRecord> parts;
    std::string error;
    if (!ReadJournal(path, &parts, &error)) {
        std::cerr << "txorb journal: " << error << "\n";
        return kBadInput;
    }
    std::cout << FormatParts(parts, csv ? PartsFormat::kCsv : PartsFormat::kTable);
    return kDone;
}

}  // namespace txorb::cli
