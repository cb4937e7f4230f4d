// The journal of a production run: one SQLite database that records every part, so that what
// went on which part can be told later and a run killed at any moment loses nothing.
//
// Results: a function that can fail returns false with one line in *error, "FILE: what"
// (SQLite's own reason when it has one); nothing is left half-written, each change is one
// transaction.
// Waiting: every call may wait for another run's transaction on the same file, at most
// kJournalBusyTimeoutMs, and then fails.
// Threads: a Journal is used by one thread at a time; several processes may use one file.
// Serials: the next part's serial is the journal's highest plus one (the first part's, when it
// holds none, is the one Open is given). It is taken and recorded as started in one
// transaction before the part is sent, so a serial is never handed out twice, also not to two
// runs at once, and never skipped without a record. A part still started when a journal is
// opened belongs to a run that was killed, unless that run's process is still alive: such
// parts become interrupted.
// Times: UTC, as ISO 8601 with milliseconds ("2024-03-05T07:08:09.123Z").
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "drawing/job/fields.h"

struct sqlite3;

namespace txorb::cli {

inline constexpr int kJournalBusyTimeoutMs = 10000;

enum class PartOutcome : uint8_t { kStarted, kMarked, kFailed, kInterrupted };

// "started", "marked", "failed", "interrupted": as stored and printed.
std::string_view PartOutcomeName(PartOutcome outcome);

struct PartRecord {
    int64_t serial = 0;
    PartOutcome outcome = PartOutcome::kStarted;
    std::string fields;  // a JSON object of the field values: {"serial":"000042"}
    std::string card;    // which card marked it, as the run names it
    std::string started;
    std::string ended;        // empty while started, and for an interrupted part
    int errorCode = 0;        // kFailed: the code the card or library gave
    std::string errorText;    // kFailed: its text
    int64_t listBytes = -1;   // the bytes of list records sent; -1 before the part is described
    std::string programHash;  // see ListProgramHash; empty before the part is described
};

// A part just started: its serial and the time recorded for its start (fill its fields from
// this time, so that the date on the part and in the journal agree).
struct StartedPart {
    int64_t serial = 0;
    std::chrono::system_clock::time_point started;
};

class Journal {
public:
    // Opens the journal at `path`, creating it when missing, and marks the parts of runs that
    // are gone interrupted. Null on failure (a file that is not a journal, a folder that cannot
    // be written, ...).
    static std::unique_ptr<Journal> Open(const std::string& path, int64_t firstSerial,
                                         std::string* error);
    // Parts this run started and did not finish become interrupted.
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // Takes the next serial and records its part as started on `card`.
    bool StartPart(std::string_view card, StartedPart* part, std::string* error);
    // Records what the part gets, before it is sent: its field values, the bytes of its list
    // records and its program's hash.
    bool DescribePart(int64_t serial, const std::vector<drawing::FieldValue>& fields,
                      int64_t listBytes, std::string_view programHash, std::string* error);
    // Records how the part ended: kMarked, kFailed (with the card's or library's code and
    // text) or kInterrupted. Only a part this run started and has not finished.
    bool FinishPart(int64_t serial, PartOutcome outcome, int errorCode, std::string_view errorText,
                    std::string* error);

    // How many parts of killed runs opening this journal marked interrupted.
    int InterruptedAtOpen() const { return interruptedAtOpen_; }

private:
    Journal(std::string path, sqlite3* db);
    bool Prepare(int64_t firstSerial, std::string* error);
    bool MarkDeadRunsInterrupted(std::string* error);
    bool Fail(std::string* error) const;

    std::string path_;
    sqlite3* db_;
    int64_t firstSerial_ = 1;
    std::string run_;  // this Journal's own id, so that it finishes only its own parts
    int64_t pid_ = 0;
    std::string processToken_;
    int interruptedAtOpen_ = 0;
};

// Every part of the journal at `path`, by serial, without changing it.
bool ReadJournal(const std::string& path, std::vector<PartRecord>* parts, std::string* error);

enum class PartsFormat : uint8_t { kTable, kCsv };

// The parts as a table with aligned columns, or as CSV (RFC 4180, a header line first).
std::string FormatParts(const std::vector<PartRecord>& parts, PartsFormat format);

// The values as the JSON object the journal stores; a name given again with another value
// is kept as "name.2", "name.3", ...
std::string FieldsJson(const std::vector<drawing::FieldValue>& fields);

}  // namespace txorb::cli
