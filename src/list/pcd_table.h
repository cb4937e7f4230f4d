// The two power tables (OPEN for rising power, SHUT for falling power): 91 entries each for the
// velocity fractions 0 to 1 in steps of 1/90, filled with built-in curves and optionally
// overridden line by line from "PCD_OPEN.txt" / "PCD_SHUT.txt" beside the host program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace txorb::list {

inline constexpr int kPcdEntryCount = 91;
// One table line as the line reader takes it: at most 49 characters and the terminator.
inline constexpr int kPcdLineBufferSize = 50;
// The longest path the table loader builds, terminator included.
inline constexpr size_t kPcdPathBufferSize = 260;

struct PcdEntry {
    double percent = 0.0;
    uint16_t level = 0;
};

struct PcdTable {
    PcdEntry entries[kPcdEntryCount];
};

enum class PcdCurve { kOpen, kShut };

// The built-in percentages of a curve, 91 values.
const double* PcdDefaultPercents(PcdCurve curve);
// The integer part of percent / 100 x 65535 + 0.5; the percent must already be within 0..100.
uint16_t PcdLevel(double percent);
void FillPcdDefaults(PcdTable& table, PcdCurve curve);

// Defaults, then the file beside the host program; true when the file gave all 91 entries.
bool LoadPcdOpenTable(PcdTable& table);
bool LoadPcdShutTable(PcdTable& table);
bool LoadPcdFile(const char* path, PcdEntry* first, int count);

// The parsing half of LoadPcdFile, on bytes already read (kept apart from the file access so
// that any byte string can be fed to it).
class PcdTextSource {
public:
    PcdTextSource(const char* data, size_t size) : data_(data), size_(size) {}
    // As the C library's line read: up to size - 1 bytes, stopping after a line feed; copies
    // the bytes and a terminator into buffer. Returns false at the end of the data.
    bool ReadLine(char* buffer, int size);

private:
    const char* data_;
    size_t size_;
    size_t pos_ = 0;
};

// Reads one line and strips every trailing ' ', ';', CR and LF; the remaining length, 0 at the
// end of the data.
int ReadTrimmedLine(char* buffer, int size, PcdTextSource& source);
// Fills up to count entries from the text; false when a line was missing or empty.
bool ParsePcdText(const char* data, size_t size, PcdEntry* first, int count);
// Leading white space, sign, digits, point and exponent as far as they form a number; the rest
// is ignored; 0 when the text does not start with a number.
double ParseLeadingNumber(const char* text);

// fileName in the host program's directory, cut to 259 characters.
std::string ProgramFilePath(const char* fileName);

// The level for a velocity fraction: entry trunc(|fraction| x 90), clamped to 90.
uint16_t LookupPcdValue(const PcdTable& table, double fraction);

}  // namespace txorb::list
