#include "list/pcd_table.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/program_path.h"

namespace txorb::list {
namespace {

// Each value is the shortest decimal form of the stored double: copied digit for digit.
constexpr double kOpenDefaults[kPcdEntryCount] = {
    17.7777777777778,
    19.091763573177,
    20.3670914018801,
    21.6038725461914,
    22.8022923259674,
    23.9626098728326,
    25.0851578144681,
    26.1703418693554,
    27.2186403524715,
    28.2306035925355,
    29.2068532615177,
    30.1480816172283,
    31.0550506599078,
    31.9285912038472,
    32.7696018651686,
    33.5790479669997,
    34.3579603633769,
    35.1074341833077,
    35.8286274965252,
    36.5227599025583,
    37.1911110448378,
    37.8350190516475,
    38.4558789058215,
    39.0551407451721,
    39.6343080957207,
    40.1949360398825,
    40.7386293218385,
    41.2670403924015,
    41.7818673957596,
    42.2848521005492,
    42.7777777777778,
    43.2624670281835,
    43.7407795616761,
    44.2146099315678,
    44.6858852263512,
    45.156562721839,
    45.6286274965252,
    46.1040900130723,
    46.5849836688723,
    47.0733623186658,
    47.5712977722355,
    48.0697661591145,
    48.5597564967161,
    49.0433792427619,
    49.5227526129029,
    50.0000000000001,
    50.4772473870973,
    50.9566207572383,
    51.4402435032841,
    51.9302338408857,
    52.4287022277647,
    52.9377487924455,
    53.4594607755723,
    53.9959099869279,
    54.5491502812527,
    55.1212150559389,
    55.7141147736489,
    56.3298345128768,
    56.9703315494351,
    57.6375329718167,
    58.3333333333334,
    59.0595923438954,
    59.8181326042405,
    60.6107373853764,
    61.4391484559394,
    62.3050639601176,
    63.2101363487238,
    64.1559703659391,
    65.1441210941786,
    66.1760920594637,
    67.2533333996067,
    68.3772400974418,
    69.5491502812527,
    70.7703435944702,
    72.0420396366232,
    73.3653964774448,
    74.7415092459426,
    76.1714087961528,
    77.6560604512034,
    79.1963628272162,
    80.7931467384824,
    82.4471741852424,
    84.1591374253063,
    85.9296581306447,
    87.7592866299764,
    89.6485012382785,
    91.5977076740326,
    93.6072385649197,
    95.6773530425643,
    97.808236426823,
    100.0,
};

constexpr double kShutDefaults[kPcdEntryCount] = {
    0.0,
    6.77777777777739,
    9.55555555555501,
    11.7777777777771,
    13.5555555555548,
    15.2222222222214,
    16.6666666666657,
    17.999999999999,
    19.3333333333322,
    20.5555555555544,
    21.6666666666654,
    22.7777777777765,
    23.8888888888875,
    24.8888888888875,
    25.8888888888874,
    26.7777777777763,
    27.7777777777762,
    28.666666666665,
    29.5555555555539,
    30.4444444444428,
    31.3333333333317,
    32.1111111111095,
    32.9999999999984,
    33.7777777777762,
    34.555555555554,
    35.4444444444429,
    36.2222222222207,
    36.9999999999985,
    37.7777777777763,
    38.4444444444429,
    39.2222222222207,
    39.9999999999985,
    40.7777777777763,
    41.444444444443,
    42.2222222222208,
    42.8888888888874,
    43.6666666666652,
    44.3333333333319,
    45.1111111111097,
    45.7777777777764,
    46.5555555555542,
    47.2222222222208,
    47.8888888888875,
    48.6666666666653,
    49.333333333332,
    50.1111111111098,
    50.7777777777764,
    51.4444444444431,
    52.2222222222209,
    52.8888888888876,
    53.5555555555543,
    54.3333333333321,
    54.9999999999987,
    55.7777777777765,
    56.4444444444432,
    57.222222222221,
    57.8888888888877,
    58.6666666666654,
    59.3333333333321,
    60.1111111111099,
    60.8888888888877,
    61.6666666666655,
    62.3333333333322,
    63.11111111111,
    63.8888888888877,
    64.6666666666655,
    65.5555555555544,
    66.3333333333322,
    67.11111111111,
    67.9999999999989,
    68.7777777777767,
    69.6666666666656,
    70.5555555555545,
    71.4444444444434,
    72.3333333333323,
    73.3333333333323,
    74.2222222222212,
    75.2222222222212,
    76.2222222222212,
    77.3333333333324,
    78.4444444444435,
    79.5555555555546,
    80.7777777777769,
    82.1111111111102,
    83.4444444444436,
    84.888888888888,
    86.5555555555547,
    88.3333333333324,
    90.5555555555546,
    93.3333333333324,
    99.9999999999991,
};

bool IsTrimmed(char c) { return c == ' ' || c == ';' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
// The C locale's white space, whatever locale the host program has set.
bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool LoadTable(PcdTable& table, PcdCurve curve, const char* fileName) {
    FillPcdDefaults(table, curve);
    const std::string path = ProgramFilePath(fileName);
    return LoadPcdFile(path.c_str(), table.entries, kPcdEntryCount);
}

}  // namespace

const double* PcdDefaultPercents(PcdCurve curve) {
    return curve == PcdCurve::kOpen ? kOpenDefaults : kShutDefaults;
}

uint16_t PcdLevel(double percent) {
    return static_cast<uint16_t>(static_cast<int32_t>(percent / 100.0 * 65535.0 + 0.5));
}

void FillPcdDefaults(PcdTable& table, PcdCurve curve) {
    const double* percents = PcdDefaultPercents(curve);
    for (int i = 0; i < kPcdEntryCount; ++i) {
        table.entries[i].percent = percents[i];
        table.entries[i].level = PcdLevel(percents[i]);
    }
}

bool LoadPcdOpenTable(PcdTable& table) { return LoadTable(table, PcdCurve::kOpen, "PCD_OPEN.txt"); }
bool LoadPcdShutTable(PcdTable& table) { return LoadTable(table, PcdCurve::kShut, "PCD_SHUT.txt"); }

bool LoadPcdFile(const char* path, PcdEntry* first, int count) {
    if (path == nullptr || first == nullptr || count < 0) return false;
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    // Every line read takes at most 49 bytes, so this much of the file is all the entries can
    // ever consume; whatever follows is never looked at.
    char data[kPcdEntryCount * (kPcdLineBufferSize - 1)];
    const size_t want = static_cast<size_t>(count) * (kPcdLineBufferSize - 1);
    const size_t size = std::fread(data, 1, want < sizeof data ? want : sizeof data, file);
    std::fclose(file);
    // A read error counts as the end of the file: the lines not read keep their defaults.
    return ParsePcdText(data, size, first, count < kPcdEntryCount ? count : kPcdEntryCount);
}

bool PcdTextSource::ReadLine(char* buffer, int size) {
    if (size < 2 || pos_ >= size_) return false;
    size_t n = 0;
    const size_t limit = static_cast<size_t>(size - 1);
    while (n < limit && pos_ < size_) {
        const char c = data_[pos_++];
        buffer[n++] = c;
        if (c == '\n') break;
    }
    buffer[n] = '\0';
    return true;
}

int ReadTrimmedLine(char* buffer, int size, PcdTextSource& source) {
    if (!source.ReadLine(buffer, size)) return 0;
    // The line ends at its first NUL, as a C string does.
    int length = static_cast<int>(std::strlen(buffer));
    while (length > 0 && IsTrimmed(buffer[length - 1])) --length;
    buffer[length] = '\0';
    return length;
}

double ParseLeadingNumber(const char* text) {
    const char* p = text;
    while (IsSpace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    // Only the decimal form: no hexadecimal, infinity or NaN spellings.
    const char* start = p;
    int digits = 0;
    while (IsDigit(*p)) ++p, ++digits;
    if (*p == '.') {
        ++p;
        while (IsDigit(*p)) ++p, ++digits;
    }
    if (digits == 0) return 0.0;
    if (*p == 'e' || *p == 'E') {
        const char* e = p + 1;
        if (*e == '+' || *e == '-') ++e;
        if (IsDigit(*e)) {
            while (IsDigit(*e)) ++e;
            p = e;
        }
    }
    double value = 0.0;
    const auto result = std::from_chars(start, p, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // A 49-byte line can only leave the range through its exponent: a negative one
        // underflows to 0, a positive one overflows.
        const char* e = start;
        while (e < p && *e != 'e' && *e != 'E') ++e;
        value = (e + 1 < p && e[1] == '-') ? 0.0 : HUGE_VAL;
    } else if (result.ec != std::errc()) {
        value = 0.0;
    }
    return negative ? -value : value;
}

bool ParsePcdText(const char* data, size_t size, PcdEntry* first, int count) {
    PcdTextSource source(data, size);
    char line[kPcdLineBufferSize];
    for (int i = 0; i < count; ++i) {
        if (ReadTrimmedLine(line, sizeof line, source) < 1) return false;
        const double percent = ParseLeadingNumber(line);
        // Out of range, NaN included: the entry is switched off rather than clamped.
        if (percent >= 0.0 && percent <= 100.0) {
            first[i].percent = percent;
            first[i].level = PcdLevel(percent);
        } else {
            first[i].percent = 0.0;
            first[i].level = 0;
        }
    }
    return true;
}

std::string ProgramFilePath(const char* fileName) {
    const std::string name = fileName != nullptr ? fileName : "";
    const std::string directory = platform::ProgramDirectoryPath();
    if (directory.size() >= kPcdPathBufferSize) return name;
    std::string path = directory + name;
    if (path.size() > kPcdPathBufferSize - 1) path.resize(kPcdPathBufferSize - 1);
    return path;
}

uint16_t LookupPcdValue(const PcdTable& table, double fraction) {
    const double scaled = std::fabs(fraction) * 90.0;
    // Anything from 91 on, infinity and NaN included, is past the last entry.
    const int index = scaled < 91.0 ? static_cast<int>(scaled) : kPcdEntryCount - 1;
    return table.entries[index].level;
}

}  // namespace txorb::list
