// How `txorb journal` prints the parts: a table for people, CSV for spreadsheets.
#include <algorithm>
#include <array>

#include "cli/production/journal.h"

namespace txorb::cli {
namespace {

constexpr std::array<const char*, 9> kColumns = {"serial",       "outcome", "started",
                                                 "ended",        "card",    "list_bytes",
                                                 "program_hash", "error",   "fields"};

std::array<std::string, kColumns.size()> Cells(const PartRecord& part) {
    const bool failed = part.outcome == PartOutcome::kFailed;
    return {std::to_string(part.serial),
            std::string(PartOutcomeName(part.outcome)),
            part.started,
            part.ended,
            part.card,
            part.listBytes < 0 ? std::string() : std::to_string(part.listBytes),
            part.programHash,
            failed ? std::to_string(part.errorCode) + ": " + part.errorText : std::string(),
            part.fields};
}

std::string CsvCell(const std::string& cell) {
    if (cell.find_first_of(",\"\r\n") == std::string::npos) return cell;
    std::string out = "\"";
    for (const char c : cell) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string Csv(const std::vector<PartRecord>& parts) {
    std::string out;
    for (size_t i = 0; i < kColumns.size(); ++i) {
        if (i) out += ',';
        out += kColumns[i];
    }
    out += "\r\n";
    for (const PartRecord& part : parts) {
        const auto cells = Cells(part);
        for (size_t i = 0; i < cells.size(); ++i) {
            if (i) out += ',';
            out += CsvCell(cells[i]);
        }
        out += "\r\n";
    }
    return out;
}

// Columns as wide as their widest cell, two spaces apart; an empty cell shows "-".
std::string Table(const std::vector<PartRecord>& parts) {
    std::vector<std::array<std::string, kColumns.size()>> rows;
    rows.push_back({});
    for (size_t i = 0; i < kColumns.size(); ++i) rows[0][i] = kColumns[i];
    for (const PartRecord& part : parts) rows.push_back(Cells(part));
    std::array<size_t, kColumns.size()> widths{};
    for (auto& row : rows) {
        for (size_t i = 0; i < row.size(); ++i) {
            if (row[i].empty()) row[i].push_back('-');  // not = "-": GCC 12 -O3's -Wrestrict
            widths[i] = std::max(widths[i], row[i].size());
        }
    }
    std::string out;
    for (const auto& row : rows) {
        std::string line;
        for (size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size()) line += std::string(widths[i] - row[i].size() + 2, ' ');
        }
        out += line + "\n";
    }
    return out;
}

}  // namespace

std::string FormatParts(const std::vector<PartRecord>& parts, PartsFormat format) {
    return format == PartsFormat::kCsv ? Csv(parts) : Table(parts);
}

}  // namespace txorb::cli
