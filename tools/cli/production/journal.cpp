#include "cli/production/journal.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <random>

#include "cli/production/process_token.h"

namespace txorb::cli {
namespace {

// "txrj": marks a database as this tool's journal, so that another program's database is
// refused instead of changed.
constexpr int kApplicationId = 0x7478726A;
constexpr int kSchemaVersion = 1;

constexpr const char* kSchema = R"sql(
CREATE TABLE parts(
    serial INTEGER PRIMARY KEY,
    outcome TEXT NOT NULL CHECK (outcome IN ('started', 'marked', 'failed', 'interrupted')),
    fields TEXT NOT NULL DEFAULT '{}',
    card TEXT NOT NULL DEFAULT '',
    started TEXT NOT NULL,
    ended TEXT,
    error_code INTEGER,
    error_text TEXT,
    list_bytes INTEGER,
    program_hash TEXT,
    run TEXT NOT NULL,
    pid INTEGER NOT NULL,
    process TEXT NOT NULL);
CREATE INDEX parts_started ON parts(outcome) WHERE outcome = 'started';
)sql";

constexpr std::array<std::string_view, 4> kOutcomeNames = {"started", "marked", "failed",
                                                           "interrupted"};

class Statement {
public:
    Statement(sqlite3* db, const char* sql) {
        rc_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr);
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool Ok() const { return rc_ == SQLITE_OK; }
    void Bind(int i, int64_t value) { sqlite3_bind_int64(stmt_, i, value); }
    void Bind(int i, std::string_view text) {
        sqlite3_bind_text(stmt_, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
    // SQLITE_ROW, SQLITE_DONE or an error.
    int Step() { return Ok() ? sqlite3_step(stmt_) : rc_; }
    int64_t Int(int column) const { return sqlite3_column_int64(stmt_, column); }
    bool Null(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
    std::string Text(int column) const {
        const auto* text = sqlite3_column_text(stmt_, column);
        return text == nullptr ? std::string()
                               : std::string(reinterpret_cast<const char*>(text),
                                             sqlite3_column_bytes(stmt_, column));
    }

private:
    sqlite3_stmt* stmt_ = nullptr;
    int rc_;
};

// A write transaction taken at once (BEGIN IMMEDIATE), so that reading the highest serial and
// writing the next one cannot interleave with another run; rolled back unless committed.
class WriteTransaction {
public:
    explicit WriteTransaction(sqlite3* db) : db_(db) {
        began_ = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~WriteTransaction() {
        if (began_ && !committed_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    bool Began() const { return began_; }
    bool Commit() {
        committed_ = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
        return committed_;
    }

private:
    sqlite3* db_;
    bool began_ = false;
    bool committed_ = false;
};

std::string IsoTime(std::chrono::system_clock::time_point when) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch());
    const std::time_t seconds = static_cast<std::time_t>(ms.count() / 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[80];  // what GCC proves enough for any int fields; 24 bytes are used
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(ms.count() % 1000));
    return text;
}

std::string RandomRunId() {
    std::random_device random;
    char text[17];
    std::snprintf(text, sizeof text, "%08x%08x", random(), random());
    return text;
}

std::string DbError(const std::string& path, sqlite3* db) {
    return path + ": " + (db != nullptr ? sqlite3_errmsg(db) : "out of memory");
}

// Whether the database is this tool's journal (true), empty (true, *fresh), or something else.
bool CheckKind(sqlite3* db, const std::string& path, bool* fresh, std::string* error) {
    Statement id(db, "PRAGMA application_id");
    Statement version(db, "PRAGMA user_version");
    Statement tables(db, "SELECT count(*) FROM sqlite_master");
    if (id.Step() != SQLITE_ROW || version.Step() != SQLITE_ROW || tables.Step() != SQLITE_ROW) {
        *error = DbError(path, db);
        return false;
    }
    *fresh = id.Int(0) == 0 && tables.Int(0) == 0;
    if (*fresh) return true;
    if (id.Int(0) != kApplicationId) {
        *error = path + ": not a parts journal (a database of another kind)";
        return false;
    }
    if (version.Int(0) > kSchemaVersion) {
        *error =
            path + ": a journal of a newer txorb (version " + std::to_string(version.Int(0)) + ")";
        return false;
    }
    return true;
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

}  // namespace

std::string_view PartOutcomeName(PartOutcome outcome) {
    return kOutcomeNames[static_cast<size_t>(outcome)];
}

std::string FieldsJson(const std::vector<drawing::FieldValue>& fields) {
    std::vector<drawing::FieldValue> kept;
    for (const auto& [name, value] : fields) {
        std::string key = name;
        for (int n = 2;; ++n) {
            const auto same = std::find_if(kept.begin(), kept.end(),
                                           [&](const auto& k) { return k.first == key; });
            if (same == kept.end()) {
                kept.emplace_back(key, value);
                break;
            }
            if (same->second == value) break;
            key = name + "." + std::to_string(n);
        }
    }
    std::string out = "{";
    for (const auto& [name, value] : kept) {
        if (out.size() > 1) out += ',';
        out += JsonString(name) + ":" + JsonString(value);
    }
    return out + "}";
}

Journal::Journal(std::string path, sqlite3* db)
    : path_(std::move(path)),
      db_(db),
      run_(RandomRunId()),
      pid_(CurrentPid()),
      processToken_(ProcessToken(pid_)) {}

Journal::~Journal() {
    {
        // Finalized before the close: SQLite will not close a connection with a live statement.
        Statement left(db_,
                       "UPDATE parts SET outcome = 'interrupted' "
                       "WHERE outcome = 'started' AND run = ?");
        left.Bind(1, run_);
        left.Step();
    }
    sqlite3_close(db_);
}

std::unique_ptr<Journal> Journal::Open(const std::string& path, int64_t firstSerial,
                                       std::string* error) {
    sqlite3* db = nullptr;
    const int rc =
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    std::unique_ptr<Journal> journal(new Journal(path, db));
    if (rc != SQLITE_OK) {
        journal->Fail(error);
        return nullptr;
    }
    if (!journal->Prepare(firstSerial, error) || !journal->MarkDeadRunsInterrupted(error)) {
        return nullptr;
    }
    return journal;
}

bool Journal::Fail(std::string* error) const {
    *error = DbError(path_, db_);
    return false;
}

// Creates the tables of a new journal, or checks an existing one; then turns on write-ahead
// logging, with which readers do not wait for a run's writes, and full syncs, with which a
// part recorded survives the machine losing power.
bool Journal::Prepare(int64_t firstSerial, std::string* error) {
    firstSerial_ = firstSerial;
    sqlite3_busy_timeout(db_, kJournalBusyTimeoutMs);
    {
        WriteTransaction transaction(db_);
        if (!transaction.Began()) return Fail(error);
        bool fresh = false;
        if (!CheckKind(db_, path_, &fresh, error)) return false;
        if (fresh) {
            const std::string create = std::string(kSchema) +
                                       "PRAGMA application_id = " + std::to_string(kApplicationId) +
                                       "; PRAGMA user_version = " + std::to_string(kSchemaVersion);
            if (sqlite3_exec(db_, create.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
                return Fail(error);
            }
        }
        if (!transaction.Commit()) return Fail(error);
    }
    Statement wal(db_, "PRAGMA journal_mode = WAL");
    if (wal.Step() != SQLITE_ROW) return Fail(error);
    return sqlite3_exec(db_, "PRAGMA synchronous = FULL", nullptr, nullptr, nullptr) == SQLITE_OK ||
           Fail(error);
}

bool Journal::MarkDeadRunsInterrupted(std::string* error) {
    WriteTransaction transaction(db_);
    if (!transaction.Began()) return Fail(error);
    Statement started(db_, "SELECT serial, pid, process FROM parts WHERE outcome = 'started'");
    std::vector<int64_t> dead;
    int rc;
    while ((rc = started.Step()) == SQLITE_ROW) {
        if (!ProcessAlive(started.Int(1), started.Text(2))) dead.push_back(started.Int(0));
    }
    if (rc != SQLITE_DONE) return Fail(error);
    for (const int64_t serial : dead) {
        Statement mark(db_, "UPDATE parts SET outcome = 'interrupted' WHERE serial = ?");
        mark.Bind(1, serial);
        if (mark.Step() != SQLITE_DONE) return Fail(error);
    }
    if (!transaction.Commit()) return Fail(error);
    interruptedAtOpen_ = static_cast<int>(dead.size());
    return true;
}

bool Journal::StartPart(std::string_view card, StartedPart* part, std::string* error) {
    WriteTransaction transaction(db_);
    if (!transaction.Began()) return Fail(error);
    Statement highest(db_, "SELECT max(serial) FROM parts");
    if (highest.Step() != SQLITE_ROW) return Fail(error);
    const int64_t serial = highest.Null(0) ? firstSerial_ : highest.Int(0) + 1;
    const auto now = std::chrono::system_clock::now();
    Statement insert(db_,
                     "INSERT INTO parts (serial, outcome, card, started, run, pid, process) "
                     "VALUES (?, 'started', ?, ?, ?, ?, ?)");
    insert.Bind(1, serial);
    insert.Bind(2, card);
    insert.Bind(3, IsoTime(now));
    insert.Bind(4, run_);
    insert.Bind(5, pid_);
    insert.Bind(6, processToken_);
    if (insert.Step() != SQLITE_DONE || !transaction.Commit()) return Fail(error);
    *part = {serial, now};
    return true;
}

bool Journal::DescribePart(int64_t serial, const std::vector<drawing::FieldValue>& fields,
                           int64_t listBytes, std::string_view programHash, std::string* error) {
    Statement update(db_,
                     "UPDATE parts SET fields = ?, list_bytes = ?, program_hash = ? "
                     "WHERE serial = ? AND run = ? AND outcome = 'started'");
    update.Bind(1, FieldsJson(fields));
    update.Bind(2, listBytes);
    update.Bind(3, programHash);
    update.Bind(4, serial);
    update.Bind(5, run_);
    if (update.Step() != SQLITE_DONE) return Fail(error);
    if (sqlite3_changes(db_) == 1) return true;
    *error = path_ + ": part " + std::to_string(serial) + " is not one this run has started";
    return false;
}

bool Journal::FinishPart(int64_t serial, PartOutcome outcome, int errorCode,
                         std::string_view errorText, std::string* error) {
    if (outcome == PartOutcome::kStarted) {
        *error = path_ + ": a part is finished as marked, failed or interrupted";
        return false;
    }
    const bool failed = outcome == PartOutcome::kFailed;
    Statement update(db_,
                     "UPDATE parts SET outcome = ?, ended = ?, error_code = ?, error_text = ? "
                     "WHERE serial = ? AND run = ? AND outcome = 'started'");
    update.Bind(1, PartOutcomeName(outcome));
    if (outcome != PartOutcome::kInterrupted) {
        update.Bind(2, IsoTime(std::chrono::system_clock::now()));
    }
    if (failed) {
        update.Bind(3, static_cast<int64_t>(errorCode));
        update.Bind(4, errorText);
    }
    update.Bind(5, serial);
    update.Bind(6, run_);
    if (update.Step() != SQLITE_DONE) return Fail(error);
    if (sqlite3_changes(db_) == 1) return true;
    *error = path_ + ": part " + std::to_string(serial) + " is not one this run has started";
    return false;
}

bool ReadJournal(const std::string& path, std::vector<PartRecord>* parts, std::string* error) {
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> closer(db, sqlite3_close);
    if (rc != SQLITE_OK) {
        *error = DbError(path, db);
        return false;
    }
    sqlite3_busy_timeout(db, kJournalBusyTimeoutMs);
    bool fresh = false;
    if (!CheckKind(db, path, &fresh, error)) return false;
    if (fresh) {
        *error = path + ": not a parts journal (an empty database)";
        return false;
    }
    Statement select(db,
                     "SELECT serial, outcome, fields, card, started, ended, error_code, "
                     "error_text, list_bytes, program_hash FROM parts ORDER BY serial");
    parts->clear();
    int step;
    while ((step = select.Step()) == SQLITE_ROW) {
        PartRecord part;
        part.serial = select.Int(0);
        const std::string outcome = select.Text(1);
        for (size_t i = 0; i < kOutcomeNames.size(); ++i) {
            if (outcome == kOutcomeNames[i]) part.outcome = static_cast<PartOutcome>(i);
        }
        part.fields = select.Text(2);
        part.card = select.Text(3);
        part.started = select.Text(4);
        part.ended = select.Text(5);
        part.errorCode = static_cast<int>(select.Int(6));
        part.errorText = select.Text(7);
        part.listBytes = select.Null(8) ? -1 : select.Int(8);
        part.programHash = select.Text(9);
        parts->push_back(std::move(part));
    }
    if (step != SQLITE_DONE) {
        *error = DbError(path, db);
        return false;
    }
    return true;
}

}  // namespace txorb::cli
