// The per-card configuration readers against a registry store file, and the conversions they use.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

#include "config/card_config.h"
#include "config/config_parsing.h"
#include "support/test_env.h"

namespace txorb::config {
namespace {

const std::string kCard1 = "[HKEY_LOCAL_MACHINE\\Software\\Zazave\\TX-ORB_Card1]\n";
const std::string kSerialMap = "[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM]\n";
const std::string kLoadedParallel =
    "[HKEY_LOCAL_MACHINE\\HARDWARE\\RESOURCEMAP\\LOADED PARALLEL DRIVER RESOURCES\\oxpar]\n";

// A .reg "hex:" value with 32-bit little-endian words placed at the given offsets.
std::string HexWords(size_t size, const std::vector<std::pair<size_t, uint32_t>>& words) {
    std::vector<uint8_t> bytes(size, 0);
    for (const auto& [offset, value] : words) {
        for (size_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
    }
    std::string out = "hex:";
    char buf[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%02x", bytes[i]);
        if (i > 0) out.push_back(',');
        out += buf;
    }
    return out;
}

TEST(ConfigParsing, DecimalTexts) {
    const struct {
        const char* text;
        int32_t value;
    } cases[] = {
        {"3", 3},
        {"  \t-12abc", -12},
        {"+7", 7},
        {"abc", 0},
        {"", 0},
        {"- 5", 0},
        {"0x10", 0},
        {"19 ", 19},
        {"99999999999", INT_MAX},
        {"-99999999999", INT_MIN},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseDecimal(c.text), c.value) << c.text;
    EXPECT_EQ(ParseDecimal(nullptr), 0);
}

TEST(ConfigParsing, HexTexts) {
    const struct {
        const char* text;
        bool parsed;
        uint32_t value;  // 0xABCD: left as it was
    } cases[] = {
        {"378", true, 0x378},
        {"0x3BC", true, 0x3BC},
        {"  778  ", true, 0x778},
        {"ffffffff", true, 0xFFFFFFFF},
        {"-1", true, 0xFFFFFFFF},
        {"3g", true, 3},
        {"0x", true, 0},
        {"zz", false, 0xABCD},
        {"", false, 0xABCD},
        {"  ", false, 0xABCD},
        {"100000000", false, 0xABCD},
    };
    for (const auto& c : cases) {
        uint32_t value = 0xABCD;
        EXPECT_EQ(ParseHexNumber(c.text, &value), c.parsed) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
}

TEST(ConfigParsing, FirstWordOfAnInstancePath) {
    char out[8];
    FirstWord("  PCI\\VEN_1415 rest", out, sizeof out);
    EXPECT_STREQ(out, "PCI\\VEN");  // cut to the buffer
    FirstWord("ROOT\\X\tY", out, sizeof out);
    EXPECT_STREQ(out, "ROOT\\X");
    FirstWord(" \t", out, sizeof out);
    EXPECT_STREQ(out, "");
}

TEST(ConfigParsing, ResourceListTakesTheTwoSmallestOfDescriptorsOneToThree) {
    const struct {
        uint32_t a, b, c;
        uint32_t base, fifo;
    } cases[] = {
        {0x3000, 0x1000, 0x2000, 0x1000, 0x2000}, {0x1000, 0x2000, 0x3000, 0x1000, 0x2000},
        {0x3000, 0x2000, 0x1000, 0x1000, 0x2000}, {0x2000, 0x3000, 0x1000, 0x1000, 0x2000},
        {0x2000, 0x1000, 0x3000, 0x1000, 0x2000}, {0x1000, 0x3000, 0x2000, 0x1000, 0x2000},
        {0x378, 0x378, 0x778, 0x378, 0x378},      {0x778, 0x378, 0x378, 0x378, 0x378},
    };
    for (const auto& c : cases) {
        uint8_t list[144] = {};
        const uint32_t starts[3] = {c.a, c.b, c.c};
        for (size_t d = 0; d < 3; ++d) {
            for (size_t i = 0; i < 4; ++i) {
                list[40 + 16 * d + i] = static_cast<uint8_t>(starts[d] >> (8 * i));
            }
        }
        list[24] = 0x99;  // descriptor 0 is not used
        uint32_t base = 0, fifo = 0;
        ParseResourceListPorts(list, sizeof list, &base, &fifo);
        EXPECT_EQ(base, c.base) << std::hex << c.a << " " << c.b << " " << c.c;
        EXPECT_EQ(fifo, c.fifo) << std::hex << c.a << " " << c.b << " " << c.c;
    }
    uint8_t shortList[44] = {};
    shortList[41] = 0x30;  // a = 0x3000
    uint32_t base = 1, fifo = 1;
    ParseResourceListPorts(shortList, sizeof shortList, &base, &fifo);  // b and c read as 0
    EXPECT_EQ(base, 0u);
    EXPECT_EQ(fifo, 0u);
}

TEST(ConfigParsing, BootConfigTakesDescriptorsZeroAndOne) {
    uint8_t list[144] = {};
    list[24] = 0x78, list[25] = 0x03, list[40] = 0x78, list[41] = 0x07, list[56] = 0x11;
    uint32_t base = 0, fifo = 0;
    ParseBootConfigPorts(list, sizeof list, &base, &fifo);
    EXPECT_EQ(base, 0x378u);
    EXPECT_EQ(fifo, 0x778u);
    ParseBootConfigPorts(list, 26, &base, &fifo);
    EXPECT_EQ(base, 0x378u);
    EXPECT_EQ(fifo, 0u);
}

class CardConfig : public ::testing::Test {
protected:
    test::TempRegistry registry;
};

TEST_F(CardConfig, SerialPortValue) {
    const struct {
        std::string text;
        ErrorCode code;
        int32_t com;
    } cases[] = {
        {kCard1 + "\"serial_port\"=\"3\"\n", 0, 3},
        {kCard1 + "\"serial_port\"=\" -4x\"\n", 0, -4},
        {kCard1 + "\"serial_port\"=\"abc\"\n", 0, 0},
        {kCard1 + "\"serial_port\"=\"\"\n", 32, 0},
        {kCard1 + "\"serial_port\"=dword:00000003\n", 32, 0},
        {kCard1 + "\"serial_port\"=\"" + std::string(300, '1') + "\"\n", 32, 0},  // does not fit
        {kCard1 + "\"other\"=\"3\"\n", 32, 0},
        {"[HKEY_LOCAL_MACHINE\\Software\\Zazave\\TX-ORB_Card10]\n\"serial_port\"=\"3\"\n", 32, 0},
        {"[HKEY_CURRENT_USER\\Software\\Zazave\\TX-ORB_Card1]\n\"serial_port\"=\"3\"\n", 32, 0},
        {"", 32, 0},
    };
    for (const auto& c : cases) {
        registry.Write(c.text);
        int32_t com = 77;
        EXPECT_EQ(ReadSerialPort(1, &com), c.code) << c.text;
        EXPECT_EQ(com, c.com) << c.text;
    }
    registry.Write(
        "[HKEY_LOCAL_MACHINE\\Software\\Zazave\\TX-ORB_Card10]\n\"serial_port\"=\"12\"\n");
    int32_t com = 0;
    EXPECT_EQ(ReadSerialPort(10, &com), 0u);
    EXPECT_EQ(com, 12);
}

TEST_F(CardConfig, SerialDriverMapUsesDeviceIndexTwoNMinusTwo) {
    const struct {
        std::string text;
        int card;
        ErrorCode code;
        int32_t com;
    } cases[] = {
        {kSerialMap + "\"Oxser0\"=\"COM5\"\n", 1, 0, 5},
        {kSerialMap + "\"Oxser4\"=\"COM12\"\n\"Oxser2\"=\"COM9\"\n", 3, 0, 12},
        {kSerialMap + "\"\\\\Device\\\\Oxser2\"=\"COM7\"\n", 2, 0, 7},
        {kSerialMap + "\"\\\\Device\\\\Oxser0\"=\"COM7\"\n\"Oxser0\"=\"COM6\"\n", 1, 0, 6},
        {kSerialMap + "\"Oxser0\"=dword:00000005\n\"\\\\Device\\\\Oxser0\"=\"COM8\"\n", 1, 0, 8},
        {kSerialMap + "\"Oxser0\"=\"COM\"\n", 1, 0, 0},
        {kSerialMap + "\"Oxser1\"=\"COM5\"\n", 1, 32, 0},
        {kSerialMap + "\"Oxser2\"=\"COM5\"\n", 1, 32, 0},
        {"[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP]\n\"Oxser0\"=\"COM5\"\n", 1, 32, 0},
    };
    for (const auto& c : cases) {
        registry.Write(c.text);
        int32_t com = 77;
        EXPECT_EQ(ResolveSerialPortByDriver(c.card, &com), c.code) << c.text;
        EXPECT_EQ(com, c.com) << c.text;
    }
}

TEST_F(CardConfig, ParallelPortsNeedFifoAndAnyParallelValue) {
    const struct {
        std::string values;
        ErrorCode code;
        uint32_t base, fifo;  // fifo 0xABCD: untouched
    } cases[] = {
        {"\"parallel_port\"=\"378\"\n\"fifo_port\"=\"778\"\n", 0, 0x378, 0x778},
        {"\"parallel_port\"=\"zz\"\n\"fifo_port\"=\"778\"\n", 0, 0xFFFF, 0x778},
        {"\"parallel_port\"=\"\"\n\"fifo_port\"=\"778\"\n", 0, 0xFFFF, 0x778},
        {"\"parallel_port\"=dword:00000378\n\"fifo_port\"=\"778\"\n", 0, 0xFFFF, 0x778},
        {"\"parallel_port\"=\"378\"\n\"fifo_port\"=\"zz\"\n", 0, 0x378, 0xABCD},
        {"\"fifo_port\"=\"778\"\n", 33, 0xFFFF, 0xABCD},
        {"\"parallel_port\"=\"378\"\n", 33, 0x378, 0xABCD},
        {"\"parallel_port\"=\"378\"\n\"fifo_port\"=dword:00000778\n", 33, 0x378, 0xABCD},
        {"", 33, 0xFFFF, 0xABCD},
    };
    for (const auto& c : cases) {
        registry.Write(kCard1 + c.values);
        uint32_t base = 1, fifo = 0xABCD;
        EXPECT_EQ(ReadParallelPorts(1, &base, &fifo), c.code) << c.values;
        EXPECT_EQ(base, c.base) << c.values;
        EXPECT_EQ(fifo, c.fifo) << c.values;
    }
}

TEST_F(CardConfig, ParallelResourcesFromTheLoadedListThenTheBootConfig) {
    const std::string enumKey =
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Oxpar\\Enum]\n";
    const std::string bootConfig =
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\PCI\\VEN_1415\\3&1\\LogConf]\n"
        "\"BootConfig\"=" +
        HexWords(80, {{24, 0xE800}, {40, 0xE400}}) + "\n";
    const struct {
        std::string text;
        int card;
        ErrorCode code;
        uint32_t base, fifo;
    } cases[] = {
        {kLoadedParallel + "\"\\\\Device\\\\ParallelPort0.Raw\"=" +
             HexWords(144, {{40, 0x3000}, {56, 0x1000}, {72, 0x2000}}) + "\n",
         1, 0, 0x1000, 0x2000},
        {kLoadedParallel + "\"\\\\Device\\\\ParallelPort2.Raw\"=" +
             HexWords(80, {{40, 0x378}, {56, 0x778}, {72, 0xBC00}}) + "\n",
         3, 0, 0x378, 0x778},
        // Too long for the 144-byte buffer: the boot configuration is used instead.
        {kLoadedParallel + "\"\\\\Device\\\\ParallelPort0.Raw\"=" + HexWords(150, {{40, 1}}) +
             "\n" + enumKey + "\"0\"=\"PCI\\\\VEN_1415\\\\3&1 extra\"\n" + bootConfig,
         1, 0, 0xE800, 0xE400},
        {enumKey + "\"1\"=\"PCI\\\\VEN_1415\\\\3&1\"\n" + bootConfig, 2, 0, 0xE800, 0xE400},
        {enumKey + "\"0\"=\"PCI\\\\VEN_1415\\\\3&1\"\n" + bootConfig, 2, 33, 0xFFFF, 0xFFFF},
        {enumKey + "\"0\"=\"PCI\\\\OTHER\"\n" + bootConfig, 1, 33, 0xFFFF, 0xFFFF},
        {bootConfig, 1, 33, 0xFFFF, 0xFFFF},
        {"", 1, 33, 0xFFFF, 0xFFFF},
    };
    for (const auto& c : cases) {
        registry.Write(c.text);
        uint32_t base = 1, fifo = 1;
        EXPECT_EQ(FindParallelResources(c.card, &base, &fifo), c.code) << c.text;
        EXPECT_EQ(base, c.base) << c.text;
        EXPECT_EQ(fifo, c.fifo) << c.text;
    }
}

TEST_F(CardConfig, CommTimeoutAndDumpFile) {
    const struct {
        std::string values;
        ErrorCode timeoutCode;
        int32_t ms;
        ErrorCode dumpCode;
        std::string dump;
    } cases[] = {
        {"\"comm_timeout\"=\"1500\"\n\"CMD_dump_file\"=\"/tmp/x.bin\"\n", 0, 1500, 0, "/tmp/x.bin"},
        {"\"comm_timeout\"=\"0\"\n\"CMD_dump_file\"=\"\"\n", 0, 0, 37, ""},
        {"\"comm_timeout\"=\"fast\"\n", 0, 0, 37, ""},
        {"\"comm_timeout\"=dword:00000064\n\"CMD_dump_file\"=dword:00000001\n", 32, 0, 37, ""},
        {"\"CMD_dump_file\"=\"" + std::string(259, 'd') + "\"\n", 32, 0, 0, std::string(259, 'd')},
        {"\"CMD_dump_file\"=\"" + std::string(260, 'd') + "\"\n", 32, 0, 37, ""},
    };
    for (const auto& c : cases) {
        registry.Write(kCard1 + c.values);
        int32_t ms = 77;
        EXPECT_EQ(ReadCommTimeout(1, &ms), c.timeoutCode) << c.values;
        EXPECT_EQ(ms, c.ms) << c.values;
        char dump[kDumpFileNameBytes];
        std::snprintf(dump, sizeof dump, "stale");
        EXPECT_EQ(ReadDumpFileName(1, dump), c.dumpCode) << c.values;
        EXPECT_EQ(std::string(dump), c.dump) << c.values;
    }
}

TEST_F(CardConfig, PingAllowedOnlyForYes) {
    const struct {
        std::string text;
        bool allowed;
    } cases[] = {
        {"\"ping_allowed\"=\"yes\"\n", true}, {"\"ping_allowed\"=\"YES\"\n", true},
        {"\"ping_allowed\"=\"yEs\"\n", true}, {"\"ping_allowed\"=\"yes \"\n", false},
        {"\"ping_allowed\"=\"1\"\n", false},  {"\"ping_allowed\"=\"true\"\n", false},
        {"\"ping_allowed\"=\"ye\"\n", false}, {"\"ping_allowed\"=dword:00000001\n", false},
    };
    for (const auto& c : cases) {
        registry.Write("[HKEY_LOCAL_MACHINE\\Software\\Zazave]\n" + c.text);
        EXPECT_EQ(IsPingAllowed(), c.allowed) << c.text;
    }
    registry.Write("[HKEY_LOCAL_MACHINE\\Software\\Zazave\\TX-ORB]\n\"ping_allowed\"=\"yes\"\n");
    EXPECT_FALSE(IsPingAllowed());
}

}  // namespace
}  // namespace txorb::config
