// The parts journal: runs in other processes at the same time, a run killed with SIGKILL
// between a part's start and its end, files that are not journals, and the printed parts.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "cli/production/journal.h"

namespace txorb::cli {
namespace {

class JournalTest : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/txorb-journal-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        dir_ = dir;
        path_ = dir_ + "/parts.db";
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::vector<PartRecord> Parts() {
        std::vector<PartRecord> parts;
        std::string error;
        EXPECT_TRUE(ReadJournal(path_, &parts, &error)) << error;
        return parts;
    }

    // A child process that opens the journal, runs `body` and exits with its result. Nothing
    // of SQLite is open in this process when it forks.
    template <typename Body>
    pid_t Run(Body body) {
        const pid_t pid = fork();
        if (pid == 0) {
            std::string error;
            std::unique_ptr<Journal> journal = Journal::Open(path_, 1000, &error);
            _exit(journal && body(*journal) ? 0 : 1);
        }
        return pid;
    }

    std::string dir_, path_;
};

int ExitCode(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(JournalTest, ConcurrentRunsNeverShareASerialAndLeaveNoGap) {
    constexpr int kPartsPerRun = 40;
    auto run = [](const char* card) {
        return [card](Journal& journal) {
            std::string error;
            for (int i = 0; i < kPartsPerRun; ++i) {
                StartedPart part;
                if (!journal.StartPart(card, &part, &error)) return false;
                usleep(500);  // marking it, while the other run takes its serials
                if (!journal.DescribePart(part.serial, {{"serial", std::to_string(part.serial)}},
                                          100, "0123456789abcdef", &error) ||
                    !journal.FinishPart(part.serial, PartOutcome::kMarked, 0, "", &error)) {
                    return false;
                }
            }
            return true;
        };
    };
    const pid_t a = Run(run("a")), b = Run(run("b"));
    EXPECT_EQ(ExitCode(a), 0);
    EXPECT_EQ(ExitCode(b), 0);
    const std::vector<PartRecord> parts = Parts();
    ASSERT_EQ(parts.size(), 2u * kPartsPerRun);
    EXPECT_EQ(std::count_if(parts.begin(), parts.end(), [](auto& p) { return p.card == "a"; }),
              kPartsPerRun);
    for (size_t i = 0; i < parts.size(); ++i) {
        EXPECT_EQ(parts[i].serial, 1000 + static_cast<int64_t>(i));
        EXPECT_EQ(parts[i].outcome, PartOutcome::kMarked);
        EXPECT_EQ(parts[i].fields, "{\"serial\":\"" + std::to_string(parts[i].serial) + "\"}");
    }
}

TEST_F(JournalTest, KilledRunsPartBecomesInterruptedAndSerialsContinue) {
    int pipes[2];
    ASSERT_EQ(pipe(pipes), 0);
    // Each child reports its serial (and how many parts its opening marked interrupted), then
    // waits to be killed in the middle of its part.
    auto startAndHang = [&](Journal& journal) {
        std::string error;
        StartedPart part;
        if (!journal.StartPart("virtual", &part, &error)) return false;
        const int64_t report[2] = {part.serial, journal.InterruptedAtOpen()};
        if (write(pipes[1], report, sizeof report) != sizeof report) return false;
        pause();
        return true;
    };
    int64_t report[2];
    const pid_t killed = Run(startAndHang);
    ASSERT_EQ(read(pipes[0], report, sizeof report), static_cast<ssize_t>(sizeof report));
    EXPECT_EQ(report[0], 1000);
    kill(killed, SIGKILL);
    EXPECT_EQ(ExitCode(killed), -1);

    const pid_t live = Run(startAndHang);
    ASSERT_EQ(read(pipes[0], report, sizeof report), static_cast<ssize_t>(sizeof report));
    EXPECT_EQ(report[0], 1001);
    EXPECT_EQ(report[1], 1);  // the killed run's part 1000
    {
        std::string error;
        std::unique_ptr<Journal> journal = Journal::Open(path_, 1, &error);
        ASSERT_TRUE(journal) << error;
        EXPECT_EQ(journal->InterruptedAtOpen(), 0);  // 1001 belongs to a live run
        EXPECT_FALSE(journal->FinishPart(1001, PartOutcome::kMarked, 0, "", &error));
        EXPECT_EQ(error, path_ + ": part 1001 is not one this run has started");
        StartedPart part;
        ASSERT_TRUE(journal->StartPart("card 2", &part, &error)) << error;
        EXPECT_EQ(part.serial, 1002);
        ASSERT_TRUE(journal->FinishPart(1002, PartOutcome::kFailed, 7, "no card", &error));
        ASSERT_TRUE(journal->StartPart("card 2", &part, &error)) << error;
        kill(live, SIGKILL);
        EXPECT_EQ(ExitCode(live), -1);
        std::unique_ptr<Journal> again = Journal::Open(path_, 1, &error);
        ASSERT_TRUE(again) << error;
        EXPECT_EQ(again->InterruptedAtOpen(), 1);  // 1001; 1003 is this process's own
    }  // closing leaves 1003, started and not finished, interrupted
    std::vector<std::pair<int64_t, PartOutcome>> outcomes;
    for (const PartRecord& p : Parts()) outcomes.emplace_back(p.serial, p.outcome);
    EXPECT_EQ(outcomes,
              (std::vector<std::pair<int64_t, PartOutcome>>{{1000, PartOutcome::kInterrupted},
                                                            {1001, PartOutcome::kInterrupted},
                                                            {1002, PartOutcome::kFailed},
                                                            {1003, PartOutcome::kInterrupted}}));
    close(pipes[0]);
    close(pipes[1]);
}

TEST_F(JournalTest, OtherFilesAreRefusedUnchanged) {
    struct Case {
        const char* content;  // nullptr: an SQLite database of another program
        const char* error;
    };
    const Case cases[] = {
        {"not a database at all, just text that is long enough to have a header\n",
         ": file is not a database"},
        {nullptr, ": not a parts journal (a database of another kind)"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(path_);
        if (c.content != nullptr) {
            std::ofstream(path_) << c.content;
        } else {
            sqlite3* db = nullptr;
            ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
            ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE t(x)", nullptr, nullptr, nullptr), SQLITE_OK);
            sqlite3_close(db);
        }
        const auto before = std::filesystem::file_size(path_);
        std::string error;
        EXPECT_EQ(Journal::Open(path_, 1, &error), nullptr);
        EXPECT_EQ(error, path_ + c.error);
        std::vector<PartRecord> parts;
        EXPECT_FALSE(ReadJournal(path_, &parts, &error));
        EXPECT_EQ(error, path_ + c.error);
        EXPECT_EQ(std::filesystem::file_size(path_), before);
    }
}

TEST(JournalFormat, TableAndCsv) {
    PartRecord marked{
        1,  PartOutcome::kMarked, "{\"serial\":\"000001\"}", "virtual", "T1", "T2", 0, "",
        42, "00000000000000ff"};
    PartRecord failed{2, PartOutcome::kFailed, "{}", "card, 2", "T3", "T4",
                      7, "said \"no\"",        -1,   ""};
    EXPECT_EQ(FormatParts({marked, failed}, PartsFormat::kTable),
              "serial  outcome  started  ended  card     list_bytes  program_hash      "
              "error         fields\n"
              "1       marked   T1       T2     virtual  42          00000000000000ff  "
              "-             {\"serial\":\"000001\"}\n"
              "2       failed   T3       T4     card, 2  -           -                 "
              "7: said \"no\"  {}\n");
    EXPECT_EQ(FormatParts({marked, failed}, PartsFormat::kCsv),
              "serial,outcome,started,ended,card,list_bytes,program_hash,error,fields\r\n"
              "1,marked,T1,T2,virtual,42,00000000000000ff,,\"{\"\"serial\"\":\"\"000001\"\"}\"\r\n"
              "2,failed,T3,T4,\"card, 2\",,,\"7: said \"\"no\"\"\",{}\r\n");
    EXPECT_EQ(FieldsJson({{"serial", "1"}, {"date", "x\"y"}, {"serial", "1"}, {"serial", "01"}}),
              "{\"serial\":\"1\",\"date\":\"x\\\"y\",\"serial.2\":\"01\"}");
}

}  // namespace
}  // namespace txorb::cli
