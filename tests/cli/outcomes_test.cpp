// Whole runs of build/txorb held to one outcome rule: each command line's exit status (0 done,
// 1 the card or an output failed, 2 the command line or the drawing cannot be used), its exact
// standard error, and a line of its output; outputs that could not be written are never
// claimed, and work stays bounded whatever numbers a drawing holds. Also what `config` tells.
#include <chrono>

#include "tool_run.h"
#include "txorb_build_version.h"

namespace txorb::cli {
namespace {

namespace fs = std::filesystem;

std::string Svg(const std::string& inside, const char* viewBox = "0 0 100 100") {
    return std::string("<svg xmlns='http://www.w3.org/2000/svg' viewBox='") + viewBox + "'>\n" +
           inside + "\n</svg>\n";
}

class Outcomes : public ToolRunTest {
protected:
    void SetUp() override {
        ToolRunTest::SetUp();
        // An 80 by 80 square on a page of 100: fitted, it spans 60,000 bits round the centre.
        Write("d.svg", Svg("<rect x='10' y='10' width='80' height='80'/>"));
        // A square filled by a gradient: marked as a picture, in bitmap lines.
        Write("shaded.svg", Svg("<linearGradient id='g'><stop offset='0'/><stop offset='1' "
                                "stop-color='white'/></linearGradient><rect width='100' "
                                "height='100' fill='url(#g)'/>"));
        for (const char* dash : {"1e-30", "0.001", "1e-6"}) {
            Write(std::string("dash-") + dash + ".svg",
                  Svg(std::string("<line x2='100' y2='100' stroke='black' stroke-dasharray='") +
                      dash + "'/>"));
        }
        Write("wide.svg", Svg("<rect x='10' y='10' width='80' height='80' stroke='red' "
                              "stroke-width='1e30'/>"));
        Write("empty-box.svg", Svg("<rect width='80' height='80'/>", "0 0 0 0"));
        Write("bad.svg", "<svg>\n  <path d='M 0 0 L 1'/></svg>");
        Write("page.html", "<html><body/></html>");
        Write("objects.svg", Svg("<rect width='10' height='10'/><foreignObject/><foreignObject/>"));
        Write("pageless.svg", "<svg><rect width='10' height='10'/></svg>");
        // A capture of a Set_Jump_Delay packet and a list packet holding the list's end.
        Write("cap.bin", std::string("\x37\x02\x00\x64\x00\x9c\x05\x00\x10\x00\x00\x00\x00", 13));
        fs::create_directory(dir_ + "/taken.png");  // a picture's name taken by a folder
        fs::create_hard_link(dir_ + "/demo.svg", dir_ + "/linked.svg");
        fs::copy_file(TXORB_SOURCE_DIR "/examples/corpus/assets/checker.png", dir_ + "/photo.png");
    }
};

TEST_F(Outcomes, EveryCommandEndsByTheRuleWithItsExactMessages) {
    const std::string no = ": No such file or directory\n";
    const std::string help = "\nRun with --help for more information.\n";
    const std::string noPort =
        ": cannot initialise card 1: error 32: Serial port key not found in Registry\n";
    auto over = [](const char* cmd, const char* named) {
        return std::string("txorb ") + cmd + ": " + named +
               " is the drawing itself; it is not written over (give --out another name)\n";
    };
    const std::string bad =
        "txorb mark: warning: bad.svg:2:9: <path>: d, character 10: expected a number for 'L'; "
        "drawn up to there\ntxorb mark: bad.svg: the drawing holds no shape to mark\n";
    // The file version that Get_DLL_Version gives: (major * 10 + minor) * 100 + build.
    const int file =
        (TXORB_FILE_VERSION_MAJOR * 10 + TXORB_FILE_VERSION_MINOR) * 100 + TXORB_FILE_VERSION_BUILD;
    const std::string pictures = "picture: " + fs::canonical(dir_).string() + "/demo.preview.svg\n";
    const std::string version = std::string("txorb ") + TXORB_RELEASE_VERSION + "\nlibtxorb " +
                                TXORB_RELEASE_VERSION + " (file version " + std::to_string(file) +
                                ")\n";
    const struct {
        std::vector<std::string> args;
        int rc;
        std::string err;       // all of standard error
        std::string out = {};  // a piece of standard output
    } rows[] = {
        // clang-format off
        {{"--version"}, 0, "", version},
        {{"preview", "demo.svg"}, 0, "", "estimated marking time: 40.2 s\n" + pictures},
        {{"preview", "d.svg", "--size", "50", "--no-progress"}, 0, "", "previewed d.svg: 1 paths"},
        {{"goto", "100", "-200", "--sim"}, 0, "", "position: x=100 y=-200\n"},
        {{"info"}, 0, "", "card:             1 (the virtual card, txorb-sim)\ncard version:     "
                          "512\nKRT1 version:     257\nidentity:         0x54584F52\n"},
        {{"info"}, 0, "", "  1     0xFFFF    0xFFFF  0            1    1            1\n"},
        {{"stop", "--sim"}, 0, "", "card 1 stopped\n"},
        {{"decode", "cap.bin"}, 0, "", "length 5  1 record\n        Set_End_Of_List\n2 packets, 1 "
                                       "list packets, 1 list records\n"},
        {{"mark", "objects.svg", "--hatch-spacing", "600", "--time-scale", "50"}, 0, "",
         "\nnot marked: <foreignObject>: 2\n"},
        {{"mark", "pageless.svg", "--fit", "page", "--hatch-spacing", "600", "--time-scale", "50"},
         0, "txorb mark: note: pageless.svg has no page (viewBox, or width and height): fitted by "
         "what is drawn\n", "marked pageless.svg: 1 paths, "},
        // demo.svg takes 40.2 s on a card: 14 times as fast keeps the wait within 3 s.
        {{"mark", "demo.svg", "--sim"}, 0, "txorb mark: note: the virtual card runs 14 times as "
         "fast as a card (--time-scale 1 for real time)\n", "marked demo.svg: "},
        {{"mark", "demo.svg", "--time-scale", "100"}, 0, "", "jump travel: "},  // no note then
        // The command line and the drawing.
        {{"mark", "--bogus"}, 2, "The following argument was not expected: --bogus" + help},
        {{"preview", "missing.svg"}, 2, "drawing: File does not exist: missing.svg" + help},
        {{"mark", "bad.svg"}, 2, bad},
        {{"mark", "page.html"}, 2, "txorb mark: cannot read the drawing: page.html:1:2: not an SVG "
         "drawing: the root element is <html>\n"},
        {{"preview", "demo.svg", "--skip-colour", "greenish"}, 2,
         "txorb preview: --skip-colour greenish: not a colour\n"},
        {{"decode", "missing.bin"}, 2, "txorb decode: cannot open missing.bin" + no},
        {{"decode", kTool}, 2, "txorb decode: " + kTool + " is not a command capture: offset 0 "
         "holds 0x7F, which opens no command the card knows\n"},
        {{"preview", "demo.svg", "--out", "demo"}, 2, over("preview", "demo.svg")},
        {{"preview", "demo.svg", "--out", "linked"}, 2, over("preview", "linked.svg")},
        {{"preview", "photo.png", "--out", "photo"}, 2, over("preview", "photo.png")},
        {{"mark", "demo.svg", "--sim", "--capture", "demo.svg"}, 2, over("mark", "demo.svg")},
        {{"mark", "demo.svg", "--sim", "--sim-log", "linked.svg"}, 2, over("mark", "linked.svg")},
        // Work bounded by the drawing, whatever numbers it holds.
        {{"preview", "d.svg", "--max-vectors", "1000"}, 2, "txorb preview: d.svg: the drawing "
         "would need about 8.01e+03 vectors, more than the limit of 1000 (--max-vectors)\n"},
        {{"preview", "shaded.svg", "--line-spacing", "1"}, 2, "txorb preview: shaded.svg: the "
         "drawing would need about 3.6e+09 bitmap pixels, more than the limit of 50000000 "
         "(--max-pixels)\n"},
        {{"preview", "dash-1e-30.svg"}, 0, ""},
        {{"preview", "dash-0.001.svg"}, 0, ""},
        {{"preview", "dash-1e-6.svg"}, 0, ""},
        // Values no browser would draw.
        {{"preview", "wide.svg"}, 0, "txorb preview: warning: wide.svg:2:57: <rect>: stroke-width "
         "1e+30 is wider than a million pages; the stroke is left out\n"},
        {{"preview", "empty-box.svg"}, 2, "txorb preview: warning: empty-box.svg:1:41: <svg>: "
         "viewBox=\"0 0 0 0\": no width or height; nothing in it is drawn\ntxorb preview: "
         "empty-box.svg: the drawing holds no shape to mark\n"},
        // The field's edge: 30,000 bits from the centre moved by 50,000 ends 47,233 beyond it.
        {{"preview", "d.svg", "--offset", "50000", "0"}, 2, "txorb preview: d.svg: 1 item reaches "
         "beyond the card's field, the farthest by 47233 bits (--clip-to-field cuts them at its "
         "edge)\n"},
        {{"preview", "d.svg", "--offset", "50000", "0", "--clip-to-field"}, 0, ""},
        // Outputs: nothing written, nothing claimed.
        {{"preview", "d.svg", "--out", "no-such-dir/x"}, 1,
         "txorb preview: cannot write no-such-dir/x.png" + no},
        {{"preview", "d.svg", "--out", "taken"}, 1,
         "txorb preview: cannot write taken.png: Is a directory\n"},
        {{"preview", "d.svg", "--ramps", "--out", "taken"}, 1, "txorb-sim: cannot write taken.png: "
         "Is a directory\ntxorb preview: the virtual card exited with status 3\n"},
        {{"mark", "d.svg", "--sim", "--capture", "no-such-dir/c.cap"}, 1,
         "txorb mark: cannot write no-such-dir/c.cap" + no},
        {{"layers", "d.svg", "--write", "no-such-dir/j.toml"}, 1,
         "txorb layers: cannot write no-such-dir/j.toml" + no},
        // No card.
        {{"mark", "demo.svg", "--no-sim"}, 1, "txorb mark" + noPort},
        {{"goto", "1", "2", "--no-sim"}, 1, "txorb goto" + noPort},
        // clang-format on
    };
    const std::string drawing = Read("demo.svg");
    for (const auto& row : rows) {
        std::vector<std::string> args = row.args;
        if (args[0] == "mark") args.push_back("--no-progress");
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(Run(args), row.rc) << row.args.at(1) << "\n" << err_;
        EXPECT_EQ(err_, row.err) << row.args.at(1);
        EXPECT_NE(out_.find(row.out), std::string::npos) << out_;
        if (row.rc != 0) {
            EXPECT_EQ(out_.find("picture:"), std::string::npos) << row.args.at(1);
        }
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20))
            << row.args.at(1);
    }
    EXPECT_FALSE(fs::exists(dir_ + "/no-such-dir"));
    EXPECT_EQ(Read("demo.svg"), drawing);
    for (const char* cmd : {"mark", "preview", "decode", "info", "config", "goto", "stop"}) {
        EXPECT_EQ(Run({cmd, "--help"}), 0) << cmd;
        EXPECT_NE(out_.find("Usage:"), std::string::npos) << cmd;
    }
    EXPECT_NE(Run({}), 0);
}

TEST_F(Outcomes, ConfigTellsWhatTheStoreGivesACard) {
    const std::string store = dir_ + "/store.reg";
    ::setenv("TXORB_REGISTRY", store.c_str(), 1);
    const struct {
        std::string values;
        int rc;
        std::string lines;  // after the card key and ping_allowed lines
    } cases[] = {
        {"\"serial_port\"=\"3\"\n\"parallel_port\"=\"378\"\n\"fifo_port\"=\"778\"\n"
         "\"comm_timeout\"=\"500\"\n\"CMD_dump_file\"=\"/tmp/c.bin\"\n",
         0,
         "serial_port:      \"3\"\nCOM port:         COM3 (serial_port)\n"
         "COM device:       /dev/ttyUSB7 (HKEY_LOCAL_MACHINE\\SOFTWARE\\Zazave\\TX-ORB\\ComPorts "
         "\"COM3\")\nparallel port:    0x378, FIFO port 0x778 (parallel_port and fifo_port)\n"
         "comm_timeout:     500 ms\nCMD_dump_file:    /tmp/c.bin\n"},
        {"\"serial_port\"=\"45\"\n\"parallel_port\"=\"378\"\n\"fifo_port\"=\"778\"\n"
         "\"comm_timeout\"=\"0\"\n",
         0,
         "serial_port:      \"45\"\nCOM port:         COM5 (serial_port minus 40 (no parallel "
         "link))\nCOM device:       /dev/ttyS4 (default)\nparallel port:    none (not used with "
         "this serial_port value)\ncomm_timeout:     2000 ms (default)\nCMD_dump_file:    none\n"},
        {"\"serial_port\"=\"20\"\n", 1,
         "serial_port:      \"20\"\ncomm_timeout:     2000 ms (default)\nCMD_dump_file:    none\n"},
    };
    for (const auto& c : cases) {
        std::ofstream(store) << "Windows Registry Editor Version 5.00\n\n"
                                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zazave\\TX-ORB\\ComPorts]"
                                "\n\"COM3\"=\"/dev/ttyUSB7\"\n\n"
                                "[HKEY_LOCAL_MACHINE\\Software\\Zazave\\TX-ORB_Card2]\n"
                             << c.values;
        EXPECT_EQ(Run({"config", "--card", "2"}), c.rc) << c.values << err_;
        EXPECT_EQ(out_,
                  "registry store:   " + store +
                      "\ncard key:         HKEY_LOCAL_MACHINE\\Software\\Zazave\\TX-ORB_Card2\n"
                      "ping_allowed:     no\n" +
                      c.lines)
            << c.values;
    }
    EXPECT_EQ(
        err_,
        "txorb config: card 2 cannot be initialised from this store: error 34: Invalid serial port "
        "number in Registry\n");
}

}  // namespace
}  // namespace txorb::cli
