// A job of three layers marked by build/txorb on the virtual card: the capture, read back with
// `txorb decode`, holds each layer's power and speed records before its marks, and its marks
// `passes` times in a row.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Record {
    std::string name;
    std::vector<int> params;
    bool operator==(const Record&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const Record& r) {
        out << r.name;
        for (int v : r.params) out << " " << v;
        return out;
    }
};

// The list records of `txorb decode`'s text: one a line, indented under their packet.
std::vector<Record> DecodedRecords(const std::string& path) {
    std::ifstream in(path);
    std::vector<Record> records;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("        ", 0) != 0) continue;
        std::istringstream fields(line);
        Record r;
        fields >> r.name;
        for (int v; fields >> v;) r.params.push_back(v);
        records.push_back(r);
    }
    return records;
}

TEST(JobRun, EachLayerMarksAtItsPowerAndSpeedItsPassesTimes) {
    char templ[] = "/tmp/txorb-job-run-XXXXXX";
    ASSERT_NE(::mkdtemp(templ), nullptr);
    const fs::path dir = templ;
    std::ofstream(dir / "three.svg")
        << R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 90 30">
  <rect width="30" height="30" fill="red"/>
  <rect x="30" width="30" height="30" fill="lime"/>
  <rect x="60" width="30" height="30" fill="blue"/>
</svg>)";
    std::ofstream(dir / "three.toml") << R"toml(drawing = "three.svg"
[[layer]]
colour = "#f00"
power = 40
speed = 800
passes = 2
hatch-spacing = 500
[[layer]]
colour = "rgb(0,255,0)"
power = 70
speed = 500
hatch-spacing = 500
[[layer]]
colour = "blue"
passes = 3
hatch-spacing = 500
)toml";
    const std::string tool = TXORB_BUILD_DIR "/txorb";
    const std::string run = "cd " + dir.string() + " && TXORB_REGISTRY=none.reg " + tool +
                            " mark --sim --job three.toml --capture three.cap --time-scale 1000 "
                            "--no-progress >out.txt 2>&1 && " +
                            tool + " decode three.cap >decoded.txt";
    ASSERT_EQ(std::system(run.c_str()), 0) << std::ifstream(dir / "out.txt").rdbuf();
    const std::vector<Record> records = DecodedRecords(dir / "decoded.txt");
    fs::remove_all(dir);

    // Power levels floor(p / 100 * 65535 + 0.5) on port 40; 100-bit steps every 100,000 / speed
    // µs. The third layer gives no power: its tone sets it, blue's ink (1 - 0.0722) times the
    // command line's 100 %; its speed is the command line's 250 bits/ms.
    const struct {
        Record power, speed;
        int passes;
    } layers[] = {
        {{"Write_Port_List", {40, 26214}}, {"Set_Mark_Parameters_List", {125, 100}}, 2},
        {{"Write_Port_List", {40, 45875}}, {"Set_Mark_Parameters_List", {200, 100}}, 1},
        {{"Write_Port_List", {40, 60803}}, {"Set_Mark_Parameters_List", {400, 100}}, 3},
    };
    size_t at = 0;
    for (const auto& layer : layers) {
        ASSERT_LT(at + 2, records.size());
        EXPECT_EQ(records[at], layer.power);
        EXPECT_EQ(records[at + 1], layer.speed);
        size_t end = at + 2;
        while (end < records.size() && records[end].name != "Write_Port_List" &&
               records[end].name != "Set_End_Of_List") {
            ++end;
        }
        const std::vector<Record> marks(records.begin() + at + 2, records.begin() + end);
        ASSERT_FALSE(marks.empty());
        ASSERT_EQ(marks.size() % layer.passes, 0u);
        const size_t pass = marks.size() / layer.passes;
        for (size_t i = pass; i < marks.size(); ++i) EXPECT_EQ(marks[i], marks[i % pass]) << i;
        at = end;
    }
    ASSERT_LT(at, records.size());
    EXPECT_EQ(records[at].name, "Set_End_Of_List");
}

}  // namespace
