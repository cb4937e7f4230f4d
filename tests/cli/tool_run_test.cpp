// Whole runs of build/txorb: marking the example on the virtual card (geometry, power ramps,
// Ctrl-C), and the small subcommands' exact output and exit status.
#include <gtest/gtest.h>

#include <png.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli/fit.h"
#include "cli/svg_reader.h"
#include "proto/list_records.h"
#include "proto/packet.h"

namespace txorb::cli {
namespace {

namespace fs = std::filesystem;

const std::string kTool = TXORB_BUILD_DIR "/txorb";
const std::string kDemo = TXORB_SOURCE_DIR "/examples/demo.svg";

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ToolRun : public ::testing::Test {
protected:
    void SetUp() override {
        char templ[] = "/tmp/txorb-cli-test-XXXXXX";
        ASSERT_NE(::mkdtemp(templ), nullptr);
        dir_ = templ;
        // No store names a port: the tool takes the virtual card by itself.
        ::setenv("TXORB_REGISTRY", (dir_ + "/none.reg").c_str(), 1);
        fs::copy_file(kDemo, dir_ + "/demo.svg");
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Runs the tool in the test directory; whileRunning gets its pid.
    int Run(const std::vector<std::string>& args,
            const std::function<void(pid_t)>& whileRunning = nullptr) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (::chdir(dir_.c_str()) != 0) ::_exit(126);
            const int out = ::open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int err = ::open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(out, 1);
            ::dup2(err, 2);
            std::vector<char*> argv{const_cast<char*>(kTool.c_str())};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        if (whileRunning) whileRunning(pid);
        int status = 0;
        ::waitpid(pid, &status, 0);
        out_ = ReadText(dir_ + "/stdout.txt");
        err_ = ReadText(dir_ + "/stderr.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    std::string dir_;
    std::string out_;
    std::string err_;
};

struct LogMove {
    std::string kind;
    double x0, y0, x1, y1, power;
    int64_t t0;
};
struct LogPacket {
    int opcode;
    int64_t t;
};

double Number(const std::string& line, const std::string& key, size_t from = 0) {
    const size_t at = line.find("\"" + key + "\":", from);
    return at == std::string::npos ? NAN : std::strtod(line.c_str() + at + key.size() + 3, nullptr);
}

void ReadLog(const std::string& path, std::vector<LogMove>* moves,
             std::vector<LogPacket>* packets) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.find("\"event\":\"move\"") != std::string::npos) {
            LogMove m;
            const size_t k = line.find("\"kind\":\"") + 8;
            m.kind = line.substr(k, line.find('"', k) - k);
            const size_t from = line.find("\"from\":[") + 8;
            const size_t to = line.find("\"to\":[") + 6;
            char* end = nullptr;
            m.x0 = std::strtod(line.c_str() + from, &end);
            m.y0 = std::strtod(end + 1, nullptr);
            m.x1 = std::strtod(line.c_str() + to, &end);
            m.y1 = std::strtod(end + 1, nullptr);
            m.power = Number(line, "power");
            m.t0 = static_cast<int64_t>(Number(line, "t_us"));
            moves->push_back(m);
        } else if (line.find("\"event\":\"packet\"") != std::string::npos) {
            packets->push_back({static_cast<int>(Number(line, "opcode")),
                                static_cast<int64_t>(Number(line, "t_us"))});
        }
    }
}

double SegmentDistance(Point p, Point a, Point b) { return DistanceToSegment(p, a, b); }

TEST_F(ToolRun, MarkedMovesFollowTheDrawingWithinTheTolerance) {
    // Outlines only: every mark must lie on an outline of the drawing.
    ASSERT_EQ(Run({"mark", "demo.svg", "--no-fill", "--sim-log", "log.jsonl", "--no-progress",
                   "--time-scale", "50"}),
              0)
        << err_;
    EXPECT_NE(out_.find("picture: " + fs::canonical(dir_).string() + "/demo.marked.svg\n"),
              std::string::npos)
        << out_;
    EXPECT_TRUE(fs::exists(dir_ + "/demo.marked.png"));

    // The drawing as it should land in the field: the curves flattened far finer than the
    // tool's 1-bit tolerance.
    const SvgReadResult drawing = ReadSvgFile(kDemo);
    ASSERT_TRUE(drawing.ok);
    FittedJob job;
    std::string error;
    FitOptions outlines;
    outlines.hatch.fill = false;
    ASSERT_TRUE(FitDrawing(drawing.drawing, outlines, &job, &error));
    EXPECT_EQ(
        out_.rfind("marked demo.svg: " + std::to_string(job.polylines.size()) + " paths, ", 0), 0u)
        << out_;
    const double scale = job.toField.a;
    std::vector<std::vector<Point>> truth;
    for (const Subpath& p : AllOutlines(drawing.drawing)) {
        std::vector<Point> line;
        for (const Point q : Flatten(p, 0.05 / scale)) line.push_back(job.toField.Apply(q));
        truth.push_back(line);
    }
    auto distanceToDrawing = [&](Point p) {
        double best = 1e300;
        for (const auto& line : truth) {
            for (size_t i = 1; i < line.size(); ++i) {
                best = std::min(best, SegmentDistance(p, line[i - 1], line[i]));
            }
        }
        return best;
    };

    std::vector<LogMove> moves;
    std::vector<LogPacket> packets;
    ReadLog(dir_ + "/log.jsonl", &moves, &packets);
    size_t marks = 0;
    // Tolerance 1 bit, plus rounding to whole bits at both ends of a move.
    const double allowed = 1.0 + 0.75;
    for (const LogMove& m : moves) {
        if (m.kind != "mark") continue;
        ++marks;
        const Point a{m.x0, m.y0}, b{m.x1, m.y1};
        EXPECT_LE(distanceToDrawing(a), allowed) << m.x0 << "," << m.y0;
        EXPECT_LE(distanceToDrawing(b), allowed) << m.x1 << "," << m.y1;
        EXPECT_LE(distanceToDrawing((a + b) * 0.5), allowed) << m.x0 << "," << m.y0;
    }
    EXPECT_GE(marks, job.markMoves - 2 * job.polylines.size());
    // And every straight move of the drawing was marked: the middle of each lies on a mark.
    size_t unmarked = 0;
    for (const auto& line : job.polylines) {
        for (size_t i = 1; i < line.size(); ++i) {
            const Point mid{(line[i - 1].x + line[i].x) / 2.0, (line[i - 1].y + line[i].y) / 2.0};
            bool covered = false;
            for (const LogMove& m : moves) {
                if (m.kind == "mark" && SegmentDistance(mid, {m.x0, m.y0}, {m.x1, m.y1}) <= 1.0) {
                    covered = true;
                    break;
                }
            }
            if (!covered) ++unmarked;
        }
    }
    EXPECT_EQ(unmarked, 0u);
}

TEST_F(ToolRun, RampsSendPowerRecordsAndThePowerFollows) {
    ASSERT_EQ(Run({"mark", "demo.svg", "--ramps", "--capture", "cap.bin", "--sim-log", "log.jsonl",
                   "--no-progress", "--time-scale", "50"}),
              0)
        << err_;
    const std::string bytes = ReadText(dir_ + "/cap.bin");
    proto::PacketParser parser;
    std::vector<proto::Packet> packets;
    parser.Feed(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &packets);
    bool captureMode = false;
    std::set<uint16_t> powers;
    size_t powerRecords = 0;
    for (const proto::Packet& p : packets) {
        if (p.opcode == 74) captureMode = p.payload == std::vector<uint8_t>{0x00, 0x02};
        if (p.opcode != 156) continue;
        std::vector<proto::ListRecord> records;
        proto::DecodeListRecords(p.payload.data(), p.payload.size(), &records);
        for (const proto::ListRecord& r : records) {
            if (r.opcode == 135 && r.param1 == 40) {
                ++powerRecords;
                powers.insert(r.param2);
            }
        }
    }
    EXPECT_TRUE(captureMode);
    EXPECT_GE(powerRecords, 100u);
    EXPECT_GE(powers.size(), 20u);
    EXPECT_EQ(powers.count(0), 1u);  // the power is switched off at the end

    std::vector<LogMove> moves;
    std::vector<LogPacket> logPackets;
    ReadLog(dir_ + "/log.jsonl", &moves, &logPackets);
    std::set<long> markPowers;
    for (const LogMove& m : moves) {
        if (m.kind == "mark") markPowers.insert(std::lround(m.power * 1000));
    }
    EXPECT_GE(markPowers.size(), 20u);
}

TEST_F(ToolRun, CtrlCStopsTheCardAndRemovesIt) {
    const int rc = Run(
        {"mark", "demo.svg", "--sim-log", "log.jsonl", "--no-progress", "--time-scale", "0.2"},
        [&](pid_t pid) {
            // Wait for the first marks, then interrupt.
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (std::chrono::steady_clock::now() < deadline &&
                   ReadText(dir_ + "/log.jsonl").find("\"kind\":\"mark\"") == std::string::npos) {
                ::poll(nullptr, 0, 20);
            }
            ::kill(pid, SIGINT);
        });
    EXPECT_EQ(rc, 130) << err_;
    EXPECT_NE(err_.find("txorb mark: interrupted; the card is stopped\n"), std::string::npos)
        << err_;
    std::vector<LogMove> moves;
    std::vector<LogPacket> packets;
    ReadLog(dir_ + "/log.jsonl", &moves, &packets);
    // After the start of the list: a stop, then the removal (stop, Set_T3 0, release).
    size_t execute = packets.size(), stop = packets.size();
    for (size_t i = 0; i < packets.size(); ++i) {
        if (packets[i].opcode == 65 && execute == packets.size()) execute = i;
        if (packets[i].opcode == 36 && i > execute && stop == packets.size()) stop = i;
    }
    ASSERT_LT(execute, packets.size());
    ASSERT_LT(stop, packets.size());
    std::vector<int> after;
    for (size_t i = stop; i < packets.size(); ++i) after.push_back(packets[i].opcode);
    EXPECT_EQ(after, (std::vector<int>{36, 36, 62, 175}));
    size_t marks = 0;
    for (const LogMove& m : moves) {
        if (m.kind == "mark") ++marks;
        EXPECT_LE(m.t0, packets[stop].t) << "a move began after the stop";
    }
    EXPECT_GE(marks, 1u);
    EXPECT_LT(marks, 1000u);
    EXPECT_TRUE(fs::exists(dir_ + "/demo.marked.svg"));
}

TEST_F(ToolRun, SmallCommandsAndErrors) {
    std::ofstream(dir_ + "/bad.svg") << "<svg>\n  <path d='M 0 0 L 1'/></svg>";
    EXPECT_EQ(Run({"mark", "bad.svg"}), 2);
    EXPECT_EQ(err_,
              "txorb mark: warning: bad.svg:2:9: <path>: d, character 10: expected a number "
              "for 'L'; drawn up to there\n"
              "txorb mark: bad.svg: the drawing holds no shape to mark\n");
    std::ofstream(dir_ + "/page.html") << "<html><body/></html>";
    EXPECT_EQ(Run({"mark", "page.html"}), 2);
    EXPECT_EQ(err_,
              "txorb mark: cannot read the drawing: page.html:1:2: not an SVG drawing: the "
              "root element is <html>\n");

    EXPECT_EQ(Run({"mark", "demo.svg", "--no-sim"}), 1);
    EXPECT_EQ(err_,
              "txorb mark: cannot initialise card 1: error 32: Serial port key not found "
              "in Registry\n");

    std::ofstream(dir_ + "/cap.bin", std::ios::binary)
        << std::string("\x37\x02\x00\x64\x00\x9c\x05\x00\x10\x00\x00\x00\x00", 13);
    EXPECT_EQ(Run({"decode", "cap.bin"}), 0) << err_;
    EXPECT_EQ(out_,
              "#1     @0        55 0x37 Set_Jump_Delay  length 2  usJumpDelay=100\n"
              "#2     @5       156 0x9C List_Records  length 5  1 record\n"
              "        Set_End_Of_List\n"
              "2 packets, 1 list packets, 1 list records\n");
    EXPECT_EQ(Run({"decode", "missing.bin"}), 1);
    EXPECT_EQ(err_, "txorb decode: cannot open missing.bin: No such file or directory\n");

    EXPECT_EQ(Run({"goto", "100", "-200", "--sim"}), 0) << err_;
    EXPECT_EQ(out_, "position: x=100 y=-200\n");
    EXPECT_EQ(Run({"info"}), 0) << err_;
    EXPECT_NE(out_.find("identity:         0x54584F52\n"), std::string::npos) << out_;
    EXPECT_NE(out_.find("  1     0xFFFF    0xFFFF  0            1    1            1\n"),
              std::string::npos)
        << out_;
    EXPECT_EQ(Run({"stop", "--sim"}), 0) << err_;
    EXPECT_EQ(out_, "card 1 stopped\n");

    EXPECT_EQ(Run({"--version"}), 0);
    EXPECT_EQ(out_, "txorb 1.0.0\nlibtxorb 1.0.0 (file version 11249)\n");
    for (const char* cmd : {"mark", "preview", "decode", "info", "config", "goto", "stop"}) {
        EXPECT_EQ(Run({cmd, "--help"}), 0) << cmd;
        EXPECT_NE(out_.find("Usage:"), std::string::npos) << cmd;
    }
    EXPECT_NE(Run({}), 0);
}

TEST_F(ToolRun, ConfigTellsWhatTheStoreGivesACard) {
    const std::string store = dir_ + "/store.reg";
    ::setenv("TXORB_REGISTRY", store.c_str(), 1);
    struct Case {
        std::string values;
        int rc;
        std::string lines;  // after the card key and ping_allowed lines
    };
    const Case cases[] = {
        {"\"serial_port\"=\"3\"\n\"parallel_port\"=\"378\"\n\"fifo_port\"=\"778\"\n"
         "\"comm_timeout\"=\"500\"\n\"CMD_dump_file\"=\"/tmp/c.bin\"\n",
         0,
         "serial_port:      \"3\"\n"
         "COM port:         COM3 (serial_port)\n"
         "COM device:       /dev/ttyUSB7 (HKEY_LOCAL_MACHINE\\SOFTWARE\\Zazave\\TX-ORB\\ComPorts "
         "\"COM3\")\n"
         "parallel port:    0x378, FIFO port 0x778 (parallel_port and fifo_port)\n"
         "comm_timeout:     500 ms\n"
         "CMD_dump_file:    /tmp/c.bin\n"},
        {"\"serial_port\"=\"45\"\n\"parallel_port\"=\"378\"\n\"fifo_port\"=\"778\"\n"
         "\"comm_timeout\"=\"0\"\n",
         0,
         "serial_port:      \"45\"\n"
         "COM port:         COM5 (serial_port minus 40 (no parallel link))\n"
         "COM device:       /dev/ttyS4 (default)\n"
         "parallel port:    none (not used with this serial_port value)\n"
         "comm_timeout:     2000 ms (default)\n"
         "CMD_dump_file:    none\n"},
        {"\"serial_port\"=\"20\"\n", 1,
         "serial_port:      \"20\"\n"
         "comm_timeout:     2000 ms (default)\n"
         "CMD_dump_file:    none\n"},
    };
    for (const Case& c : cases) {
        std::ofstream(store) << "Windows Registry Editor Version 5.00\n\n"
                                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zazave\\TX-ORB\\ComPorts]\n"
                                "\"COM3\"=\"/dev/ttyUSB7\"\n\n"
                                "[HKEY_LOCAL_MACHINE\\Software\\Zazave\\TX-ORB_Card2]\n"
                             << c.values;
        EXPECT_EQ(Run({"config", "--card", "2"}), c.rc) << c.values << err_;
        EXPECT_EQ(out_, "registry store:   " + store +
                            "\n"
                            "card key:         HKEY_LOCAL_MACHINE\\Software\\Zazave\\TX-ORB_Card2\n"
                            "ping_allowed:     no\n" +
                            c.lines)
            << c.values;
    }
    EXPECT_EQ(err_,
              "txorb config: card 2 cannot be initialised from this store: error 34: "
              "Invalid serial port number in Registry\n");
}

// The delays of every bitmap line in `txorb decode`'s text, line by line.
std::vector<std::vector<int>> BitmapDelays(const std::string& decoded) {
    std::vector<std::vector<int>> out;
    std::istringstream in(decoded);
    std::string line;
    while (std::getline(in, line)) {
        if (line.find("Put_Bitmapline_List") == std::string::npos) continue;
        const size_t open = line.find("delays=[");
        if (open == std::string::npos) continue;
        std::vector<int> delays;
        const char* p = line.c_str() + open + 8;
        while (*p != ']' && *p != '\0') {
            char* end = nullptr;
            delays.push_back(static_cast<int>(std::strtol(p, &end, 10)));
            p = *end == ',' ? end + 1 : end;
        }
        out.push_back(delays);
    }
    return out;
}

TEST_F(ToolRun, GradientPictureGivesBitmapLinesWithRisingDelays) {
    // White on the left to black on the right, 64 by 4 pixels.
    std::vector<uint8_t> pixels;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 64; ++x) pixels.push_back(static_cast<uint8_t>(255 - x * 4));
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = 64;
    image.height = 4;
    image.format = PNG_FORMAT_GRAY;
    ASSERT_TRUE(png_image_write_to_file(&image, (dir_ + "/ramp.png").c_str(), 0, pixels.data(), 0,
                                        nullptr));
    struct Case {
        const char* what;
        std::vector<std::string> extra;
        bool alternate;  // every other line runs backwards
    };
    const Case cases[] = {{"both ways", {}, true}, {"one way", {"--one-way"}, false}};
    for (const Case& c : cases) {
        // 40 mm at 100 bits a mm: 4000 bits for 64 pixels; lines 100 bits apart.
        std::vector<std::string> args = {
            "mark",          "ramp.png",       "--size", "40",        "--bits-per-mm",
            "100",           "--line-spacing", "100",    "--capture", "cap.bin",
            "--no-progress", "--time-scale",   "50"};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        ASSERT_EQ(Run(args), 0) << err_;
        EXPECT_NE(out_.find(" bitmap lines, "), std::string::npos) << out_;
        ASSERT_EQ(Run({"decode", "cap.bin"}), 0) << err_;
        const std::vector<std::vector<int>> lines = BitmapDelays(out_);
        ASSERT_GE(lines.size(), 2u) << c.what;
        for (size_t i = 0; i < lines.size(); ++i) {
            std::vector<int> d = lines[i];
            if (c.alternate && i % 2 == 1) std::reverse(d.begin(), d.end());
            EXPECT_TRUE(std::is_sorted(d.begin(), d.end())) << c.what << " line " << i;
            EXPECT_GT(d.back(), d.front()) << c.what;
            // The darkest end, near the default largest delay of 100 for black.
            EXPECT_GE(d.back(), 95) << c.what;
            EXPECT_GT(d.front(), 0) << c.what;  // white is trimmed off the ends
        }
    }
}

TEST_F(ToolRun, UnreadableTransformIsAWarningAndTheRestIsMarked) {
    std::ofstream(dir_ + "/skewed.svg")
        << "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 10 10'>\n"
           "  <g transform=\"matrix(1,0,0.09,1,0,0\"><rect width='10' height='10'/></g>\n"
           "  <foreignObject/><foreignObject/>\n"
           "</svg>\n";
    ASSERT_EQ(Run({"mark", "skewed.svg", "--hatch-spacing", "600", "--fit", "page", "--no-progress",
                   "--time-scale", "50"}),
              0)
        << err_;
    EXPECT_EQ(err_,
              "txorb mark: warning: skewed.svg:2:6: <g>: transform=\"matrix(1,0,0.09,1,0,0\": "
              "malformed arguments of matrix; ignored\n");
    EXPECT_EQ(out_.rfind("marked skewed.svg: 1 paths, ", 0), 0u) << out_;
    EXPECT_NE(out_.find("\nnot marked: <foreignObject>: 2\n"), std::string::npos) << out_;

    std::ofstream(dir_ + "/pageless.svg") << "<svg><rect width='10' height='10'/></svg>";
    ASSERT_EQ(Run({"mark", "pageless.svg", "--hatch-spacing", "600", "--fit", "page",
                   "--no-progress", "--time-scale", "50"}),
              0)
        << err_;
    EXPECT_EQ(err_,
              "txorb mark: note: pageless.svg has no page (viewBox, or width and height): "
              "fitted by what is drawn\n");
}

TEST_F(ToolRun, PreviewGivesThePictureAndTheExpectedTime) {
    ASSERT_EQ(Run({"preview", "demo.svg"}), 0) << err_;
    EXPECT_NE(out_.find("estimated marking time: "), std::string::npos) << out_;
    EXPECT_NE(out_.find("picture: " + fs::canonical(dir_).string() + "/demo.preview.png\n"),
              std::string::npos)
        << out_;
    EXPECT_TRUE(fs::exists(dir_ + "/demo.preview.svg"));
}

TEST_F(ToolRun, AnOutputThatIsTheDrawingItselfIsRefusedAndTheDrawingKept) {
    const std::string drawing = ReadText(dir_ + "/demo.svg");
    fs::create_directory(dir_ + "/sub");
    fs::create_hard_link(dir_ + "/demo.svg", dir_ + "/linked.svg");
    const struct {
        std::vector<std::string> args;
        std::string named;  // the output the message names
    } kCases[] = {
        {{"preview", "demo.svg", "--out", "demo"}, "demo.svg"},
        {{"preview", "demo.svg", "--out", "demo.svg"}, "demo.svg"},
        {{"preview", "demo.svg", "--out", "sub/../demo.png"}, "sub/../demo.svg"},
        {{"preview", "demo.svg", "--out", "linked"}, "linked.svg"},
        {{"mark", "demo.svg", "--sim", "--out", "./demo"}, "./demo.svg"},
        {{"mark", "demo.svg", "--sim", "--capture", "demo.svg"}, "demo.svg"},
        {{"mark", "demo.svg", "--sim", "--sim-log", "linked.svg"}, "linked.svg"},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(Run(c.args), 2) << c.args[3];
        EXPECT_EQ(err_, "txorb " + c.args[0] + ": " + c.named +
                            " is the drawing itself; it is not written over (give --out another "
                            "name)\n");
        EXPECT_EQ(ReadText(dir_ + "/demo.svg"), drawing) << c.args[3];
    }
    // A picture given to mark is an input just the same.
    fs::copy_file(TXORB_SOURCE_DIR "/examples/corpus/assets/checker.png", dir_ + "/photo.png");
    EXPECT_EQ(Run({"preview", "photo.png", "--out", "photo"}), 2);
    EXPECT_EQ(err_,
              "txorb preview: photo.png is the drawing itself; it is not written over (give "
              "--out another name)\n");
}

TEST_F(ToolRun, MessagesCarryTheNameOfTheCommandThatWasRun) {
    std::ofstream(dir_ + "/bad.svg") << "<svg>\n  <path d='M 0 0 L 1'/></svg>";
    for (const std::string cmd : {"mark", "preview"}) {
        EXPECT_EQ(Run({cmd, "bad.svg"}), 2);
        EXPECT_EQ(err_, "txorb " + cmd +
                            ": warning: bad.svg:2:9: <path>: d, character 10: expected a number "
                            "for 'L'; drawn up to there\n"
                            "txorb " +
                            cmd + ": bad.svg: the drawing holds no shape to mark\n");
        EXPECT_EQ(Run({cmd, "demo.svg", "--skip-colour", "greenish"}), 2);
        EXPECT_EQ(err_, "txorb " + cmd + ": --skip-colour greenish: not a colour\n");
    }
}

TEST_F(ToolRun, TheVirtualCardIsSpedUpSoThatARunWaitsAboutThreeSeconds) {
    // demo.svg takes 38.6 s on a card (the preview's estimate): 13 times as fast keeps the
    // wait within 3 s; a --time-scale given is used as it is, without a note.
    const struct {
        std::vector<std::string> args;
        std::string err;
    } kCases[] = {
        {{"mark", "demo.svg", "--sim", "--no-progress"},
         "txorb mark: note: the virtual card runs 13 times as fast as a card (--time-scale 1 "
         "for real time)\n"},
        {{"mark", "demo.svg", "--sim", "--no-progress", "--time-scale", "100"}, ""},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(Run(c.args), 0) << err_;
        EXPECT_EQ(err_, c.err);
    }
}

}  // namespace
}  // namespace txorb::cli
