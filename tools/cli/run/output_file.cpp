#include "cli/run/output_file.h"

#include "sim/output_file.h"

namespace txorb::cli {

bool CanWriteOutput(const std::string& path, std::string* error) {
    sim::OutputFile probe(path);  // never committed: it leaves nothing behind
    return probe.Open(error);
}

bool WriteOutputFile(const std::string& path, const std::string& data, std::string* error) {
    return sim::WriteOutput(path, data, error);
}

}  // namespace txorb::cli
