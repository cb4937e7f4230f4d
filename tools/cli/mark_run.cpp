#include "cli/mark_run.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>

#include "cli/decode.h"
#include "cli/drawing_input.h"
#include "cli/interrupt.h"
#include "cli/library_errors.h"
#include "cli/progress.h"
#include "sim/launcher/sim_process.h"
#include "cli/store_config.h"
#include "cli/svg_reader.h"
#include "txorb/txorb.h"

namespace txorb::cli {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr uint16_t kBusyBit = 0x0001;     // the status word's "a list is running"
constexpr uint16_t kCaptureMode = 0x200;  // Set_Mode: rewrite polylines with power ramps
constexpr uint16_t kStepBits = 100;       // step size of the list's speed records
// A preview runs the virtual card this many times faster than a real card would mark.
constexpr double kPreviewTimeScale = 1000.0;
// Longest run of the virtual card at real time before it is sped up (without --time-scale):
// scripts mark many drawings one after another and should not wait for a card that is not there.
constexpr double kLongRunSeconds = 3.0;

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Everything a run sets up and must take down again, in reverse order, on every path out.
class Session {
public:
    explicit Session(const MarkOptions& o) : o_(o) {}
    ~Session() {
        TearDown();
        std::error_code ignored;
        if (!tempDir_.empty()) fs::remove_all(tempDir_, ignored);
    }

    int Run();

private:
    bool StartSimulator();
    double LongRunScale() const;
    bool InitCard();
    bool SetTiming();
    bool BuildList();
    bool AddPolyline(const std::vector<FieldPoint>& line);
    bool AddBitmapLines();
    int Execute();
    bool Prepare();
    void Summary(double wall);
    void TearDown();
    int Fail(const std::string& message) {
        EndProgressLine();
        std::cerr << CommandName() << ": " << message << "\n";
        return 1;
    }
    bool Refuse(const std::string& message) {
        Fail(message);
        return false;
    }
    int Stopped();
    // Messages carry the name of the command that was run.
    const char* CommandName() const { return o_.preview ? "txorb preview" : "txorb mark"; }
    void EndProgressLine() {
        if (progressShown_) std::cerr << "\n";
        progressShown_ = false;
    }

    const MarkOptions& o_;
    FittedJob job_;
    bool useSim_ = false;
    SimProcess sim_;
    bool simStarted_ = false;
    std::string tempDir_;
    std::string prefix_;
    std::string capturePath_;
    bool cardUp_ = false;
    bool handshakeCaptured_ = false;
    size_t statusPolls_ = 0;
    size_t listRecords_ = 0;
    bool progressShown_ = false;
    int16_t lastX_ = 0, lastY_ = 0;
    std::map<std::string, size_t> notMarked_;
    Clock::time_point started_;
};

bool Session::StartSimulator() {
    char templ[] = "/tmp/txorb-mark-XXXXXX";
    if (::mkdtemp(templ) == nullptr) return false;
    tempDir_ = templ;
    // A socket of its own, so that runs side by side do not meet.
    std::vector<std::string> args = {"--render", prefix_, "--socket", tempDir_ + "/sim.sock"};
    if (!o_.simLog.empty()) args.insert(args.end(), {"--log", o_.simLog});
    const double timeScale = o_.preview         ? kPreviewTimeScale
                             : o_.timeScale > 0 ? o_.timeScale
                                                : LongRunScale();
    if (timeScale > 0) args.insert(args.end(), {"--time-scale", FormatDouble(timeScale)});
    std::string error;
    if (!sim_.Start(FindSimulator(), args, 10000, &error)) {
        std::cerr << CommandName() << ": " << error << "\n";
        return false;
    }
    simStarted_ = true;
    if (capturePath_.empty()) capturePath_ = tempDir_ + "/capture.bin";
    if (!UseStoreForDevice(tempDir_, o_.card, sim_.PtyPath(), capturePath_, &error)) {
        std::cerr << CommandName() << ": " << error << "\n";
        return false;
    }
    handshakeCaptured_ = true;
    return true;
}

// A virtual card left at real time would keep a large drawing running for many minutes: it
// runs faster then, so that the run takes about kLongRunSeconds, and says so.
double Session::LongRunScale() const {
    const double seconds = ProgressTracker(job_, o_.markSpeed, o_.jumpSpeed).ExpectedMs() / 1000.0;
    if (seconds <= kLongRunSeconds) return 0.0;
    const double scale = std::ceil(seconds / kLongRunSeconds);
    std::cerr << CommandName() << ": note: the virtual card runs " << FormatDouble(scale)
              << " times as fast as a card (--time-scale 1 for real time)\n";
    return scale;
}

bool Session::InitCard() {
    const uint32_t code = Init_Scan_Card_Ex(o_.card);
    if (code != 0) {
        std::cerr << CommandName() << ": cannot initialise card " << o_.card << ": "
                  << ErrorText(code) << "\n";
        return false;
    }
    cardUp_ = true;
    if (!useSim_) {
        const CardConfig config = ReadCardConfig(o_.card);
        if (!o_.capture.empty() || config.captureFile.empty()) {
            if (capturePath_.empty()) {
                char templ[] = "/tmp/txorb-mark-XXXXXX";
                if (::mkdtemp(templ) != nullptr) {
                    tempDir_ = templ;
                    capturePath_ = tempDir_ + "/capture.bin";
                }
            }
            if (!capturePath_.empty() && !Output_To_File(capturePath_.c_str())) {
                std::cerr << CommandName() << ": warning: cannot capture to " << capturePath_
                          << "\n";
                capturePath_.clear();
            }
        } else {
            capturePath_ = config.captureFile;
            handshakeCaptured_ = true;
        }
    }
    return true;
}

bool Session::SetTiming() {
    struct Delay {
        const std::optional<uint16_t>& value;
        bool (*set)(uint16_t);
        const char* name;
    };
    const Delay delays[] = {{o_.laserOnDelay, Set_Laser_On_Delay, "Set_Laser_On_Delay"},
                            {o_.laserOffDelay, Set_Laser_Off_Delay, "Set_Laser_Off_Delay"},
                            {o_.jumpDelay, Set_Jump_Delay, "Set_Jump_Delay"},
                            {o_.markDelay, Set_Mark_Delay, "Set_Mark_Delay"},
                            {o_.polyDelay, Set_Poly_Delay, "Set_Poly_Delay"}};
    if (!Set_Mark_Speed(o_.markSpeed)) return Refuse(ExportFailure("Set_Mark_Speed"));
    if (!Set_Jump_Speed(o_.jumpSpeed)) return Refuse(ExportFailure("Set_Jump_Speed"));
    for (const Delay& d : delays) {
        if (d.value && !d.set(*d.value)) return Refuse(ExportFailure(d.name));
    }
    if (o_.ramps) {
        if (!Set_Mode(kCaptureMode)) return Refuse(ExportFailure("Set_Mode"));
        const double slope =
            o_.slope > 0 ? o_.slope : o_.markSpeed * o_.markSpeed / (2.0 * o_.rampLength);
        Set_Custlist_Parameters(o_.leadInPercent, o_.leadOutPercent, slope, o_.microSegment);
    }
    return true;
}

bool Session::AddPolyline(const std::vector<FieldPoint>& line) {
    if (!Jump_Abs(line.front().x, line.front().y)) return Refuse(ExportFailure("Jump_Abs"));
    ++listRecords_;
    // A polyline opens with PolA and must close with PolC: a single move is cut in two
    // halves when it is long enough, else its end point is given twice.
    std::vector<FieldPoint> rest(line.begin() + 1, line.end());
    if (rest.size() == 1) {
        const FieldPoint a = line.front(), b = line.back();
        const FieldPoint mid{static_cast<int16_t>((a.x + b.x) / 2),
                             static_cast<int16_t>((a.y + b.y) / 2)};
        rest.insert(rest.begin(), (mid == a || mid == b) ? b : mid);
    }
    for (size_t i = 0; i < rest.size(); ++i) {
        bool ok;
        const char* name;
        if (i == 0) {
            ok = PolA_Abs(rest[i].x, rest[i].y), name = "PolA_Abs";
        } else if (i + 1 == rest.size()) {
            ok = PolC_Abs(rest[i].x, rest[i].y), name = "PolC_Abs";
        } else {
            ok = PolB_Abs(rest[i].x, rest[i].y), name = "PolB_Abs";
        }
        if (!ok) return Refuse(ExportFailure(name));
        ++listRecords_;
    }
    return true;
}

bool Session::AddBitmapLines() {
    for (const BitmapLine& row : job_.bitmapLines) {
        if (Interrupted()) return false;
        std::vector<uint16_t> delays = row.delays;
        if (!Put_Bitmapline_List(row.begin.x, row.begin.y, row.end.x, row.end.y, delays.data(),
                                 static_cast<uint16_t>(delays.size()))) {
            return Refuse(ExportFailure("Put_Bitmapline_List"));
        }
    }
    return true;
}

bool Session::BuildList() {
    auto step = [](double bitsPerMs) {
        return static_cast<uint16_t>(
            std::clamp(std::lround(kStepBits * 1000.0 / bitsPerMs), 1L, 65535L));
    };
    if (o_.ramps) {
        // The segmentation takes its nominal speed from these records, and they are what the
        // card runs at between the ramps.
        if (!Set_Mark_Parameters_List(step(o_.markSpeed), kStepBits) ||
            !Set_Jump_Parameters_List(step(o_.jumpSpeed), kStepBits)) {
            return Refuse(ExportFailure("Set_Mark_Parameters_List"));
        }
        listRecords_ += 2;
    }
    for (const auto& line : job_.polylines) {
        if (Interrupted() || !AddPolyline(line)) return false;
    }
    if (!AddBitmapLines()) return false;
    if (Interrupted()) return false;
    if (!Set_End_Of_List()) return Refuse(ExportFailure("Set_End_Of_List"));
    ++listRecords_;
    return true;
}

int Session::Stopped() {
    EndProgressLine();
    if (cardUp_) {
        const bool stopped = Stop_Execution();
        std::cerr << CommandName() << ": interrupted; "
                  << (stopped ? "the card is stopped" : ExportFailure("Stop_Execution")) << "\n";
    }
    TearDown();
    return 130;
}

int Session::Execute() {
    if (!Execute_List_1()) return Fail(ExportFailure("Execute_List_1"));
    ProgressTracker tracker(job_, o_.markSpeed, o_.jumpSpeed);
    const double limit = o_.timeoutSeconds > 0
                             ? o_.timeoutSeconds
                             : std::max(60.0, tracker.ExpectedMs() / 1000.0 * 20.0);
    const auto runStart = Clock::now();
    const bool bar = o_.progress && ::isatty(STDERR_FILENO);
    for (;;) {
        if (WaitForInterrupt(o_.pollMs)) return Stopped();
        const uint16_t status = Read_Status();
        ++statusPolls_;
        int16_t x = 0, y = 0;
        if (!Get_XY_Pos(&x, &y)) return Fail("lost the card: " + ExportFailure("Get_XY_Pos"));
        lastX_ = x;
        lastY_ = y;
        const double done = tracker.Update(x, y);
        const double seconds = std::chrono::duration<double>(Clock::now() - runStart).count();
        if (bar) {
            std::cerr << "\r" << ProgressLine(done, seconds, x, y) << std::flush;
            progressShown_ = true;
        }
        if ((status & kBusyBit) == 0) break;
        if (seconds > limit) {
            Stop_Execution();
            return Fail("the card did not finish within " + FormatDouble(std::round(limit)) +
                        " s; it was stopped");
        }
    }
    if (bar) {
        const double seconds = std::chrono::duration<double>(Clock::now() - runStart).count();
        std::cerr << "\r" << ProgressLine(1.0, seconds, lastX_, lastY_) << "\n";
    }
    progressShown_ = false;
    return 0;
}

void Session::TearDown() {
    if (cardUp_) {
        Remove_Scan_Card_Ex(o_.card);
        cardUp_ = false;
    }
    if (simStarted_) {
        std::string error;
        if (!sim_.Stop(10000, &error)) std::cerr << CommandName() << ": " << error << "\n";
        simStarted_ = false;
    }
}

// Reads and plans the drawing; false when it cannot be marked (the reason is printed).
bool Session::Prepare() {
    const SvgReadResult read = ReadDrawing(o_.drawing);
    if (!read.ok) {
        std::cerr << CommandName() << ": cannot read the drawing: " << read.error << "\n";
        return false;
    }
    for (const std::string& w : read.drawing.warnings) {
        std::cerr << CommandName() << ": warning: " << w << "\n";
    }
    if (o_.fit.mode == FitMode::kPage && !read.drawing.hasPage) {
        std::cerr << CommandName() << ": note: " << o_.drawing
                  << " has no page (viewBox, or width and height): fitted by what is drawn\n";
    }
    std::string why;
    if (!FitDrawing(read.drawing, o_.fit, &job_, &why)) {
        std::cerr << CommandName() << ": " << o_.drawing << ": " << why << "\n";
        return false;
    }
    notMarked_ = read.drawing.notMarked;
    return true;
}

void Session::Summary(double wall) {
    size_t exchanges = statusPolls_;
    size_t listBytes = listRecords_ * 5;
    if (!capturePath_.empty()) {
        const DecodeStats stats = CountCapture(ReadAll(capturePath_));
        exchanges += stats.packets + (handshakeCaptured_ ? 0 : 2);
        listBytes = stats.listBytes;
    }
    size_t vectors = 0;
    for (const auto& line : job_.polylines) vectors += line.size();
    char wallText[32];
    std::snprintf(wallText, sizeof wallText, "%.2f s", wall);
    std::cout << "marked " << o_.drawing << ": " << job_.polylines.size() << " paths, " << vectors
              << " vectors (" << job_.polylines.size() << " jumps, " << job_.markMoves
              << " marks), ";
    if (!job_.bitmapLines.empty()) std::cout << job_.bitmapLines.size() << " bitmap lines, ";
    std::cout << listBytes << " list bytes, " << exchanges << " exchanges, " << wallText << "\n";
    std::cout << "jump travel: " << std::lround(job_.jumpLengthBefore)
              << " bits in the drawing's order, " << std::lround(job_.jumpLength)
              << " bits as marked\n";
    for (const auto& [kind, count] : notMarked_) {
        std::cout << "not marked: " << kind << ": " << count << "\n";
    }
}

int Session::Run() {
    started_ = Clock::now();
    prefix_ = PicturePrefix(o_.drawing, o_.out, o_.preview ? ".preview" : ".marked");
    const std::string clash = OutputOverwritesInput(
        o_.drawing, {prefix_ + ".svg", prefix_ + ".png", o_.capture, o_.simLog});
    if (!clash.empty()) {
        std::cerr << CommandName() << ": " << clash << " is the drawing itself; it is not written "
                  << "over (give --out another name)\n";
        return 2;
    }
    if (!Prepare()) return 2;
    capturePath_ = o_.capture;
    useSim_ = o_.choice == CardChoice::kSimulator || o_.preview;
    if (o_.choice == CardChoice::kAuto && !o_.preview) {
        const CardConfig config = ReadCardConfig(o_.card);
        useSim_ = !config.pingAllowed && !config.serialPortPresent;
    }
    InstallInterruptHandler();
    if (useSim_ && !StartSimulator()) return 1;
    if (Interrupted()) return Stopped();
    if (!InitCard()) return 1;
    if (!SetTiming()) return 1;
    if (!BuildList()) return Interrupted() ? Stopped() : 1;
    const int rc = Execute();
    if (rc != 0) return rc;
    TearDown();
    Summary(std::chrono::duration<double>(Clock::now() - started_).count());
    if (o_.preview) {
        char expected[48];
        std::snprintf(expected, sizeof expected, "%.1f s",
                      ProgressTracker(job_, o_.markSpeed, o_.jumpSpeed).ExpectedMs() / 1000.0);
        std::cout << "estimated marking time: " << expected << "\n";
    }
    if (useSim_) {
        for (const char* ext : {".svg", ".png"}) {
            const std::string path = prefix_ + ext;
            if (fs::exists(path)) std::cout << "picture: " << fs::absolute(path).string() << "\n";
        }
    }
    if (!o_.capture.empty()) std::cout << "capture: " << o_.capture << "\n";
    return 0;
}

}  // namespace

std::string PicturePrefix(const std::string& drawing, const std::string& out, const char* suffix) {
    fs::path p(out.empty() ? drawing : out);
    const std::string ext = p.extension().string();
    if (out.empty()) return (p.parent_path() / p.stem()).string() + suffix;
    if (ext == ".svg" || ext == ".png" || ext == ".SVG" || ext == ".PNG") {
        return (p.parent_path() / p.stem()).string();
    }
    return out;
}

std::string OutputOverwritesInput(const std::string& input,
                                  const std::vector<std::string>& outputs) {
    std::error_code ec;
    const fs::path in = fs::weakly_canonical(input, ec);
    for (const auto& out : outputs) {
        if (out.empty()) continue;
        std::error_code same;
        // The same inode under another name (a hard link, a bind mount) counts too.
        if (fs::equivalent(input, out, same) && !same) return out;
        std::error_code canon;
        if (!ec && fs::weakly_canonical(out, canon) == in && !canon) return out;
    }
    return {};
}

int RunMark(const MarkOptions& options) {
    Session session(options);
    const int rc = session.Run();
    return rc;
}

}  // namespace txorb::cli
