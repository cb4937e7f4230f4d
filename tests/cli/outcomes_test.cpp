// Whole runs of build/txorb held to one outcome rule: each command line's exit status and the
// exact first line it writes on stderr; outputs that could not be written are never claimed;
// the preview's in-process card draws what the virtual card draws when the drawing is marked.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string kTool = TXORB_BUILD_DIR "/txorb";

// An 80 by 80 square on a page of 100: fitted, it spans 60,000 bits round the field's centre.
const char kSquare[] =
    "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 100 100'>"
    "<rect x='10' y='10' width='80' height='80'/></svg>\n";
// A square filled by a gradient: marked as a picture, in bitmap lines.
const char kShaded[] =
    "<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 100 100'><linearGradient id='g'>"
    "<stop offset='0'/><stop offset='1' stop-color='white'/></linearGradient>"
    "<rect width='100' height='100' fill='url(#g)'/></svg>\n";

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Svg(const std::string& inside, const char* viewBox = "0 0 100 100") {
    return std::string("<svg xmlns='http://www.w3.org/2000/svg' viewBox='") + viewBox + "'>\n" +
           inside + "\n</svg>\n";
}

class Outcomes : public ::testing::Test {
protected:
    void SetUp() override {
        char templ[] = "/tmp/txorb-outcomes-XXXXXX";
        ASSERT_NE(::mkdtemp(templ), nullptr);
        dir_ = templ;
        ::setenv("TXORB_REGISTRY", (dir_ + "/none.reg").c_str(), 1);  // no port: the virtual card
        Write("d.svg", kSquare);
        Write("shaded.svg", kShaded);
        fs::create_directory(dir_ + "/taken.png");  // a picture's name taken by a folder
    }
    void TearDown() override { fs::remove_all(dir_); }

    void Write(const std::string& name, const std::string& text) {
        std::ofstream(dir_ + "/" + name, std::ios::binary) << text;
    }

    // Runs the tool in the test directory: its exit status; out_ and err_ hold what it wrote.
    int Run(const std::vector<std::string>& args) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (::chdir(dir_.c_str()) != 0) ::_exit(126);
            ::dup2(::open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
            ::dup2(::open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
            std::vector<char*> argv{const_cast<char*>(kTool.c_str())};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        out_ = ReadText(dir_ + "/stdout.txt");
        err_ = ReadText(dir_ + "/stderr.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::string FirstErrorLine() const { return err_.substr(0, err_.find('\n')); }

    std::string dir_, out_, err_;
};

TEST_F(Outcomes, EveryCommandEndsByTheRuleWithItsFirstWord) {
    Write("dash-1e-30.svg",
          Svg("<line x2='100' y2='100' stroke='black' stroke-dasharray='1e-30'/>"));
    Write("dash-0.001.svg",
          Svg("<line x2='100' y2='100' stroke='black' stroke-dasharray='0.001'/>"));
    Write("dash-1e-6.svg", Svg("<line x2='100' y2='100' stroke='black' stroke-dasharray='1e-6'/>"));
    Write("wide.svg", Svg("<rect x='10' y='10' width='80' height='80' stroke='red' "
                          "stroke-width='1e30'/>"));
    Write("empty-box.svg", Svg("<rect width='80' height='80'/>", "0 0 0 0"));
    const std::string no = ": No such file or directory";
    const struct {
        std::vector<std::string> args;
        int rc;
        std::string err;  // the first line on stderr
    } rows[] = {
        {{"--help"}, 0, ""},
        {{"mark", "--bogus"}, 2, "The following argument was not expected: --bogus"},
        {{"preview", "missing.svg"}, 2, "drawing: File does not exist: missing.svg"},
        {{"preview", "d.svg", "--size", "50", "--no-progress"}, 0, ""},
        // Outputs: nothing written, nothing claimed.
        {{"preview", "d.svg", "--out", "no-such-dir/x"},
         1,
         "txorb preview: cannot write no-such-dir/x.png" + no},
        {{"preview", "d.svg", "--out", "taken"},
         1,
         "txorb preview: cannot write taken.png: Is a directory"},
        {{"preview", "d.svg", "--ramps", "--out", "taken"},
         1,
         "txorb-sim: cannot write taken.png: Is a directory"},
        {{"mark", "d.svg", "--sim", "--capture", "no-such-dir/c.cap"},
         1,
         "txorb mark: cannot write no-such-dir/c.cap" + no},
        {{"layers", "d.svg", "--write", "no-such-dir/j.toml"},
         1,
         "txorb layers: cannot write no-such-dir/j.toml" + no},
        // Work bounded by the drawing, whatever numbers it holds.
        {{"preview", "d.svg", "--max-vectors", "1000"},
         2,
         "txorb preview: d.svg: the drawing would need about 8.01e+03 vectors, more than the "
         "limit of 1000 (--max-vectors)"},
        {{"preview", "shaded.svg", "--line-spacing", "1"},
         2,
         "txorb preview: shaded.svg: the drawing would need about 3.6e+09 bitmap pixels, more "
         "than the limit of 50000000 (--max-pixels)"},
        {{"preview", "dash-1e-30.svg"}, 0, ""},
        {{"preview", "dash-0.001.svg"}, 0, ""},
        {{"preview", "dash-1e-6.svg"}, 0, ""},
        // Values no browser would draw.
        {{"preview", "wide.svg"},
         0,
         "txorb preview: warning: wide.svg:2:57: <rect>: stroke-width 1e+30 is wider than a "
         "million pages; the stroke is left out"},
        {{"preview", "empty-box.svg"},
         2,
         "txorb preview: warning: empty-box.svg:1:41: <svg>: viewBox=\"0 0 0 0\": no width or "
         "height; nothing in it is drawn"},
        // The field's edge: 30,000 bits from the centre moved by 50,000 ends 47,233 beyond it.
        {{"preview", "d.svg", "--offset", "50000", "0"},
         2,
         "txorb preview: d.svg: 1 item reaches beyond the card's field, the farthest by 47233 "
         "bits (--clip-to-field cuts them at its edge)"},
        {{"preview", "d.svg", "--offset", "50000", "0", "--clip-to-field"}, 0, ""},
        {{"decode", kTool},
         2,
         "txorb decode: " + kTool +
             " is not a command capture: offset 0 holds 0x7F, which opens no command the card "
             "knows"},
    };
    for (const auto& row : rows) {
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(Run(row.args), row.rc) << row.args[1] << "\n" << err_;
        EXPECT_EQ(FirstErrorLine(), row.err) << row.args[1];
        if (row.rc != 0) {
            EXPECT_EQ(out_.find("picture:"), std::string::npos) << row.args[1];
        }
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20))
            << row.args[1];
    }
    EXPECT_FALSE(fs::exists(dir_ + "/no-such-dir"));
    EXPECT_EQ(Run({"info"}), 0) << err_;
    EXPECT_NE(out_.find("card:             1 (the virtual card, txorb-sim)\n"), std::string::npos);
}

TEST_F(Outcomes, PreviewDrawsWhatTheVirtualCardDrawsWhenMarked) {
    for (const std::string drawing : {"d.svg", "shaded.svg"}) {
        ASSERT_EQ(Run({"preview", drawing, "--out", "previewed"}), 0) << err_;
        EXPECT_EQ(out_.substr(0, 10 + drawing.size()), "previewed " + drawing);
        ASSERT_EQ(Run({"mark", drawing, "--sim", "--time-scale", "2000", "--no-progress", "--out",
                       "marked"}),
                  0)
            << err_;
        EXPECT_EQ(ReadText(dir_ + "/previewed.png"), ReadText(dir_ + "/marked.png")) << drawing;
        EXPECT_EQ(ReadText(dir_ + "/previewed.svg"), ReadText(dir_ + "/marked.svg")) << drawing;
    }
}

}  // namespace
