// The soak: ten virtual cards driven at once from one process for minutes, each from a thread
// of its own that marks lists in a loop while its card commits random faults (late replies,
// garbage, silence, refusals, hang-ups). At the end it checks that every list transfer the library
// reported as sent was carried out exactly once by its card, that no call waited past its
// bound, and that memory and descriptors stayed flat. scripts/soak builds and runs it:
//   txorb-soak MINUTES DIR [SEED]      (TXORB_SIM names another txorb-sim)
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <random>
#include <thread>

#include "delivery_check.h"
#include "sim/launcher/sim_process.h"
#include "support/sim_control.h"
#include "txorb/txorb.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using txorb::soak::Counts;
namespace fs = std::filesystem;

constexpr int kCards = 10;
constexpr int kCommTimeoutMs = 500;
constexpr double kTimeScale = 2;  // the virtual cards run lists twice as fast as a card
constexpr int kReplyBoundMs = 4 * kCommTimeoutMs;  // a 2-byte reply: (2 + 2) x comm_timeout
constexpr int kSlackMs = 500;                      // scheduling on a busy two-core machine
constexpr int kSampleSeconds = 5;                  // memory and descriptor samples
constexpr int kFdsPerCard = 2;      // an initialised card holds its serial port and capture
constexpr long kRssSlackKb = 2048;  // what the allocator may still settle after warm-up
constexpr double kMarkBitsPerMs = 250, kJumpBitsPerMs = 1000;  // the card's power-up speeds
constexpr int kTransferRecords = 500;  // 2,500 pending bytes of 5-byte records start a transfer

// The library keeps ONE active card and ONE list buffer for the whole process. A program with
// several cards must therefore make its card active and make its call under a lock of its own,
// and must build a whole list under that lock: records still pending in the shared buffer go
// to whichever card is active when the next transfer leaves, so a thread that let go between
// two records could have its records carried to another thread's card.
std::mutex gLibrary;
std::atomic<bool> gStop{false};

struct Longest {
    double ms = 0;
    int64_t calls = 0, overBound = 0;
};

struct Card {
    int n = 0;
    std::string dir;
    std::unique_ptr<txorb::cli::SimProcess> sim = std::make_unique<txorb::cli::SimProcess>();
    std::mt19937 rng;
    bool initialised = false, linkUp = false;
    std::vector<txorb::soak::CaptureSession> sessions;  // one capture file per initialisation
    int64_t captureBytes = 0;
    std::map<std::string, Longest> calls;
    Counts counts;

    std::string Path(const std::string& name) const { return dir + "/" + name; }
    int Rand(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
};

int64_t CaptureBytes(const Card& c) {
    struct stat st {};
    return ::stat(c.Path("cap").c_str(), &st) == 0 ? st.st_size : 0;
}

template <typename F>
void Timed(Card& c, const char* name, int exchanges, int fixedMs, F call) {
    const auto t0 = Clock::now();
    call();
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    Longest& l = c.calls[name];
    l.ms = std::max(l.ms, ms), ++l.calls;
    l.overBound += ms > exchanges * kReplyBoundMs + fixedMs + kSlackMs;
}

// One call on the card, gLibrary held: makes the card active, times the call and notes the
// capture bytes that a failed call appended.
template <typename F>
bool OnCard(Card& c, const char* name, int exchanges, F call) {
    if (!c.initialised || !Set_Active_Card(static_cast<uint16_t>(c.n))) return false;
    Timed(c, name, exchanges, 0, call);
    const uint32_t code = txorb_thread_last_failure();
    const int64_t size = CaptureBytes(c);
    if (code != TXORB_ERR_OK && size > c.captureBytes) {
        c.sessions.back().failedRanges.emplace_back(c.captureBytes, size);
    }
    c.captureBytes = size;
    // After a hang-up only a new initialisation opens the card's new line.
    if (code == TXORB_ERR_SERIAL_SEND_FAILED || code == TXORB_ERR_COM_PORT_NOT_OPEN) {
        c.linkUp = false;
    }
    return code == TXORB_ERR_OK;
}

// Each initialisation starts a new capture file: the last one is kept under its session.
void Remove(Card& c) {
    if (c.initialised) Timed(c, "Remove_Scan_Card_Ex", 2, 500, [&] { Remove_Scan_Card_Ex(c.n); });
    c.initialised = false;
    if (fs::exists(c.Path("cap"))) fs::rename(c.Path("cap"), c.sessions.back().path);
}

void Reinitialise(Card& c) {
    std::lock_guard lock(gLibrary);
    Remove(c);
    c.sessions.push_back({c.Path("cap." + std::to_string(c.sessions.size())), {}});
    Timed(c, "Init_Scan_Card_Ex", 2, 0,
          [&] { c.initialised = Init_Scan_Card_Ex(static_cast<uint16_t>(c.n)) == TXORB_ERR_OK; });
    c.linkUp = c.initialised;
    c.captureBytes = CaptureBytes(c);
    ++c.counts["re-initialisations"];
}

// One list of random polylines, every x tagged with the card (x mod 10 = n - 1), long enough
// for two to four transfers, the last never the end record alone. Returns whether every call
// succeeded; *cardMs is how long the card will take.
bool BuildList(Card& c, double* cardMs) {
    std::lock_guard lock(gLibrary);
    const int total = c.Rand(2, 4) * kTransferRecords - c.Rand(10, kTransferRecords - 10);
    const auto tag = [&](int x) { return int16_t(x - (x % 10 + 10) % 10 + c.n - 1); };
    bool ok = true;
    int x = 0, y = 0;
    for (int done = 0; done < total;) {
        const int nx = c.Rand(-3000, 3000) * 10, ny = c.Rand(-30000, 30000);
        *cardMs += std::hypot(nx - x, ny - y) / kJumpBitsPerMs;
        ok &= OnCard(c, "Jump_Abs", 1, [&] { Jump_Abs(tag(nx), int16_t(ny)); });
        x = nx, y = ny, ++done;
        for (int v = 0, len = std::min(c.Rand(3, 80), total - done); v < len; ++v, ++done) {
            x = std::clamp(x + c.Rand(-400, 400), -30000, 30000);
            y = std::clamp(y + c.Rand(-400, 400), -30000, 30000);
            const auto put = v == 0 ? PolA_Abs : v + 1 == len ? PolC_Abs : PolB_Abs;
            *cardMs += 400 / kMarkBitsPerMs;
            ok &= OnCard(c, "PolA/B/C_Abs", 1, [&] { put(tag(x), int16_t(y)); });
        }
    }
    c.counts["records queued"] += total + 1;
    return OnCard(c, "Set_End_Of_List", 1, [] { Set_End_Of_List(); }) && ok;
}

// One or two rules of the card's fault plan, through its control socket.
void InjectFaults(Card& c) {
    std::lock_guard lock(gLibrary);  // no socket is open while descriptors are counted
    for (int i = 0, rules = c.Rand(1, 2); i < rules; ++i) {
        const std::string ms = std::to_string(c.Rand(20, 2 * kCommTimeoutMs));
        const std::string kinds[] = {
            "delay=" + ms + "@156#1",  // from the timeout on, a late reply
            "delay=" + ms + "@" + (c.Rand(0, 1) ? "65#1" : "34#1"),
            "garbage=" + std::to_string(c.Rand(1, 12)) + "@*#1",
            "trickle=" + std::to_string(c.Rand(5, kCommTimeoutMs)) + "@156#1",
            "silent@156,65#1",
            "status0@156#1",
            "hangup=" + std::to_string(c.Rand(0, 8))};
        const std::string rule = "fault " + kinds[c.Rand(0, 6)];
        c.counts["faults injected"] += txorb::test::SimControl(c.Path("sock"), rule) == "ok";
    }
}

// Runs the list and waits for the card with a bounded poll: past twice its time, it is overdue.
void RunList(Card& c, double cardMs) {
    const auto until = Clock::now() + milliseconds(int(2 * cardMs / kTimeScale) + 3000);
    {
        std::lock_guard lock(gLibrary);
        if (!OnCard(c, "Execute_List_1", 1, [] { Execute_List_1(); })) return;
        ++c.counts["lists executed"];
    }
    for (uint16_t status = 1; c.linkUp && !gStop;) {
        std::this_thread::sleep_for(milliseconds(20));
        std::lock_guard lock(gLibrary);
        if (OnCard(c, "Read_Status", 1, [&] { status = Read_Status(); }) && !(status & 1)) return;
        if (Clock::now() > until) {
            ++c.counts["lists overdue"];
            return;
        }
    }
}

void CardLoop(Card& c) {
    while (!gStop) {
        if (!c.linkUp) {
            Reinitialise(c);
            if (!c.linkUp) std::this_thread::sleep_for(milliseconds(200));
            continue;
        }
        if (c.Rand(0, 2) == 0) InjectFaults(c);
        double cardMs = 0;
        ++c.counts["lists"];
        if (BuildList(c, &cardMs)) RunList(c, cardMs);
        // Whatever the card holds or still runs must not run into the next list.
        std::lock_guard lock(gLibrary);
        OnCard(c, "Stop_Execution", 2, [] { Stop_Execution(); });
    }
}

bool StartSim(Card& c) {
    const char* sim = std::getenv("TXORB_SIM") ? std::getenv("TXORB_SIM") : TXORB_SIM_PATH;
    std::string error;
    return c.sim->Start(
        sim,
        {"--link", c.Path("tty"), "--socket", c.Path("sock"), "--log", c.Path("log.jsonl"),
         "--time-scale", std::to_string(kTimeScale), "--max-picture-moves", "0"},
        5000, &error);
}

void WriteRegistry(const std::vector<Card>& cards, const std::string& path) {
    std::ofstream reg(path);
    reg << "Windows Registry Editor Version 5.00\n\n"
        << "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zazave\\TX-ORB\\ComPorts]\n";
    for (const Card& c : cards) reg << "\"COM" << c.n << "\"=\"" << c.Path("tty") << "\"\n";
    for (const Card& c : cards) {
        reg << "\n[HKEY_LOCAL_MACHINE\\Software\\Zazave\\TX-ORB_Card" << c.n << "]\n"
            << "\"serial_port\"=\"" << c.n << "\"\n\"comm_timeout\"=\"" << kCommTimeoutMs
            << "\"\n\"CMD_dump_file\"=\"" << c.Path("cap") << "\"\n";
    }
    ::setenv("TXORB_REGISTRY", path.c_str(), 1);
}

// Taken under gLibrary, so that no call is half done; the initialised cards' own descriptors
// are left out.
std::pair<long, long> RssKbAndFds(const std::vector<Card>& cards) {
    std::lock_guard lock(gLibrary);
    std::pair<long, long> s{0, 0};
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) s.first = std::stol(line.substr(6));
    }
    for ([[maybe_unused]] const auto& e : fs::directory_iterator("/proc/self/fd")) ++s.second;
    for (const Card& c : cards) s.second -= c.initialised ? kFdsPerCard : 0;
    return s;
}

// Takes the cards down and stops the virtual cards, which write their logs on the way out;
// then checks each card's deliveries. False when a virtual card did not exit cleanly.
bool Finish(std::vector<Card>& cards, Counts* total, std::map<std::string, Longest>* calls) {
    bool clean = true;
    for (Card& c : cards) {
        Remove(c);
        std::string error;
        c.sim->Stop(10000, &error);
        clean &= c.sim->ExitCode() == 0;
        txorb::soak::CheckDelivery(c.sessions, c.Path("log.jsonl"), c.n - 1, &c.counts);
        c.counts["unaccounted"] =
            std::abs(c.counts["records queued"] - c.counts["records captured"]);
        for (const auto& [name, value] : c.counts) (*total)[name] += value;
        for (const auto& [name, l] : c.calls) {
            Longest& m = (*calls)[name];
            m.ms = std::max(m.ms, l.ms), m.calls += l.calls, m.overBound += l.overBound;
            (*total)["calls over bound"] += l.overBound;
        }
    }
    return clean;
}

int64_t Print(const char* title, Counts& total, std::initializer_list<const char*> keys) {
    int64_t sum = 0;
    std::printf("%s:", title);
    for (const char* key : keys)
        std::printf(" %s %lld,", key, (long long)total[key]), sum += total[key];
    std::printf("\n");
    return sum;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: txorb-soak MINUTES DIR [SEED]\n");
        return 2;
    }
    const double minutes = std::atof(argv[1]);
    const std::string dir = fs::absolute(argv[2]);
    const unsigned seed = argc > 3 ? unsigned(std::atol(argv[3])) : std::random_device{}();
    std::vector<Card> cards(kCards);
    for (int i = 0; i < kCards; ++i) {
        Card& c = cards[size_t(i)];
        c.n = i + 1;
        c.dir = dir + "/card" + std::to_string(c.n);
        c.rng.seed(seed + unsigned(i));
        fs::create_directories(c.dir);
        if (!StartSim(c)) {
            std::fprintf(stderr, "soak: virtual card %d did not start\n", c.n);
            return 1;
        }
    }
    WriteRegistry(cards, dir + "/registry.reg");
    std::printf("soak: %d cards for %.1f min, comm_timeout %d ms, seed %u, files in %s\n", kCards,
                minutes, kCommTimeoutMs, seed, dir.c_str());
    std::fflush(stdout);

    std::vector<std::thread> threads;
    for (Card& c : cards) threads.emplace_back(CardLoop, std::ref(c));
    const auto start = Clock::now(), end = start + milliseconds(int64_t(minutes * 60000));
    const auto warm = start + milliseconds(int64_t(std::min(60.0, minutes * 15) * 1000));
    std::vector<std::pair<long, long>> samples;  // VmRSS in kB, descriptors
    samples.reserve(size_t(minutes * 60 / kSampleSeconds) + 2);
    while (Clock::now() < end) {
        std::this_thread::sleep_until(
            std::min(end, Clock::now() + std::chrono::seconds(kSampleSeconds)));
        if (Clock::now() >= warm) samples.push_back(RssKbAndFds(cards));
    }
    gStop = true;
    for (auto& t : threads) t.join();

    Counts total;
    std::map<std::string, Longest> calls;
    const bool simsClean = Finish(cards, &total, &calls);
    Print("lists", total,
          {"lists", "lists executed", "faults injected", "hang-ups", "re-initialisations"});
    Print("transfers", total, {"transfers sent", "transfers failed", "failed but stored"});
    Print("records", total,
          {"records queued", "records captured", "records sent", "records carried out"});
    const int64_t faults = Print("faults", total,
                                 {"lost", "duplicated", "reordered", "unknown", "misrouted",
                                  "unaccounted", "lists overdue", "calls over bound"});
    for (const auto& [name, l] : calls) {
        std::printf("  %-20s %9lld calls, longest %7.1f ms, over bound %lld\n", name.c_str(),
                    (long long)l.calls, l.ms, (long long)l.overBound);
    }
    bool leaking = samples.empty();
    if (!samples.empty()) {
        std::pair<long, long> max{0, 0};
        for (const auto& s : samples)
            max = {std::max(max.first, s.first), std::max(max.second, s.second)};
        const auto &first = samples.front(), &last = samples.back();
        std::printf(
            "after warm-up, %zu samples: VmRSS kB first %ld, last %ld, max %ld; descriptors "
            "(cards' own left out) first %ld, last %ld, max %ld\n",
            samples.size(), first.first, last.first, max.first, first.second, last.second,
            max.second);
        leaking = last.first > first.first + kRssSlackKb || max.second > first.second;
    }
    const bool ok = faults == 0 && !leaking && simsClean;
    std::printf("soak: %s%s%s\n", ok ? "PASS" : "FAIL", leaking ? " (leaking)" : "",
                simsClean ? "" : " (a virtual card did not exit cleanly)");
    return ok ? 0 : 1;
}
