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
constexpr ErrorCode kNoSerial = TXORB_ERR_SERIAL_PORT_KEY_NOT_FOUND;
constexpr ErrorCode kNoParallel = TXORB_ERR_PARALLEL_PORT_KEY_NOT_FOUND;
constexpr uint32_t kUntouched = 0xABCD;

using test::TempRegistry;

TEST(ConfigParsing, DecimalAndHexTexts) {
    const std::pair<const char*, int32_t> decimals[] = {{"  \t-12abc", -12},
                                                        {"+7", 7},
                                                        {"abc", 0},
                                                        {"- 5", 0},
                                                        {"0x10", 0},
                                                        {"99999999999", INT_MAX},
                                                        {"-99999999999", INT_MIN}};
    for (const auto& [text, value] : decimals) EXPECT_EQ(ParseDecimal(text), value) << text;
    EXPECT_EQ(ParseDecimal(nullptr), 0);
    const std::pair<const char*, uint32_t> hexes[] = {
        {"0x3BC", 0x3BC}, {"  778  ", 0x778}, {"-1", 0xFFFFFFFF}, {"3g", 3},
        {"0x", 0},        {"zz", kUntouched}, {"  ", kUntouched}, {"100000000", kUntouched}};
    for (const auto& [text, value] : hexes) {
        uint32_t parsed = kUntouched;
        EXPECT_EQ(ParseHexNumber(text, &parsed), value != kUntouched) << text;
        EXPECT_EQ(parsed, value) << text;
    }
    char out[8];
    FirstWord("  PCI\\VEN_1415 rest", out, sizeof out);
    EXPECT_STREQ(out, "PCI\\VEN");  // cut to the buffer
    FirstWord("ROOT\\X\tY", out, sizeof out);
    EXPECT_STREQ(out, "ROOT\\X");
}

// Resource lists carry partial descriptors of 16 bytes from byte 24 on; the start address is
// their second word.
TEST(ConfigParsing, PortBasesFromResourceListsAndBootConfigurations) {
    const struct {
        uint32_t a, b, c;
        uint32_t base, fifo;
    } cases[] = {
        {0x3000, 0x1000, 0x2000, 0x1000, 0x2000},
        {0x1000, 0x2000, 0x3000, 0x1000, 0x2000},
        {0x2000, 0x3000, 0x1000, 0x1000, 0x2000},
        {0x778, 0x378, 0x378, 0x378, 0x378},
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
    uint8_t list[144] = {};
    list[24] = 0x78, list[25] = 0x03, list[40] = 0x78, list[41] = 0x07, list[56] = 0x11;
    uint32_t base = 1, fifo = 1;
    ParseResourceListPorts(list, 44, &base, &fifo);  // descriptors 2 and 3 read as 0
    EXPECT_EQ(base + fifo, 0u);
    ParseBootConfigPorts(list, sizeof list, &base, &fifo);  // descriptors 0 and 1
    EXPECT_EQ(base, 0x378u);
    EXPECT_EQ(fifo, 0x778u);
    ParseBootConfigPorts(list, 26, &base, &fifo);
    EXPECT_EQ(fifo, 0u);
}

class CardConfig : public ::testing::Test {
protected:
    test::TempRegistry registry;
};

TEST_F(CardConfig, SerialPortValueAndTheDriverMapsEntryTwoNMinusTwo) {
    const struct {
        std::string text;
        ErrorCode code;
        int32_t com;
    } values[] = {
        {kCard1 + "\"serial_port\"=\" -4x\"\n", 0, -4},
        {kCard1 + "\"serial_port\"=\"abc\"\n", 0, 0},
        {kCard1 + "\"serial_port\"=\"\"\n", kNoSerial, 0},
        {kCard1 + "\"serial_port\"=dword:00000003\n", kNoSerial, 0},
        {kCard1 + "\"serial_port\"=\"" + std::string(300, '1') + "\"\n", kNoSerial, 0},  // too long
        {"[HKEY_CURRENT_USER\\Software\\Zazave\\TX-ORB_Card1]\n\"serial_port\"=\"3\"\n", kNoSerial,
         0},
    };
    for (const auto& c : values) {
        registry.Write(c.text);
        int32_t com = 77;
        EXPECT_EQ(ReadSerialPort(1, &com), c.code) << c.text;
        EXPECT_EQ(com, c.com) << c.text;
    }
    const struct {
        std::string text;
        int card;
        ErrorCode code;
        int32_t com;
    } maps[] = {
        {"\"Oxser4\"=\"COM12\"\n\"Oxser2\"=\"COM9\"\n", 3, 0, 12},
        {"\"\\\\Device\\\\Oxser2\"=\"COM7\"\n", 2, 0, 7},
        {"\"\\\\Device\\\\Oxser0\"=\"COM7\"\n\"Oxser0\"=\"COM6\"\n", 1, 0, 6},
        {"\"Oxser0\"=dword:00000005\n\"\\\\Device\\\\Oxser0\"=\"COM8\"\n", 1, 0, 8},
        {"\"Oxser0\"=\"COM\"\n", 1, 0, 0},
        {"\"Oxser1\"=\"COM5\"\n", 1, kNoSerial, 0},
    };
    for (const auto& c : maps) {
        registry.Write(kSerialMap + c.text);
        int32_t com = 77;
        EXPECT_EQ(ResolveSerialPortByDriver(c.card, &com), c.code) << c.text;
        EXPECT_EQ(com, c.com) << c.text;
    }
}

TEST_F(CardConfig, ParallelPortsNeedFifoAndAnyParallelValue) {
    const struct {
        std::string values;
        ErrorCode code;
        uint32_t base, fifo;
    } cases[] = {
        {"\"parallel_port\"=\"378\"\n\"fifo_port\"=\"778\"\n", 0, 0x378, 0x778},
        {"\"parallel_port\"=\"zz\"\n\"fifo_port\"=\"778\"\n", 0, 0xFFFF, 0x778},
        {"\"parallel_port\"=dword:00000378\n\"fifo_port\"=\"778\"\n", 0, 0xFFFF, 0x778},
        {"\"parallel_port\"=\"378\"\n\"fifo_port\"=\"zz\"\n", 0, 0x378, kUntouched},
        {"\"fifo_port\"=\"778\"\n", kNoParallel, 0xFFFF, kUntouched},
        {"\"parallel_port\"=\"378\"\n\"fifo_port\"=dword:00000778\n", kNoParallel, 0x378,
         kUntouched},
    };
    for (const auto& c : cases) {
        registry.Write(kCard1 + c.values);
        uint32_t base = 1, fifo = kUntouched;
        EXPECT_EQ(ReadParallelPorts(1, &base, &fifo), c.code) << c.values;
        EXPECT_EQ(base, c.base) << c.values;
        EXPECT_EQ(fifo, c.fifo) << c.values;
    }
}

TEST_F(CardConfig, ParallelResourcesFromTheLoadedListThenTheBootConfig) {
    const std::string loaded =
        "[HKEY_LOCAL_MACHINE\\HARDWARE\\RESOURCEMAP\\LOADED PARALLEL DRIVER RESOURCES\\oxpar]\n";
    const std::string enumKey =
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Oxpar\\Enum]\n";
    const std::string bootConfig =
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\PCI\\VEN_1415\\3&1\\LogConf]\n"
        "\"BootConfig\"=" +
        TempRegistry::HexWords(80, {{24, 0xE800}, {40, 0xE400}}) + "\n";
    const struct {
        std::string text;
        int card;
        ErrorCode code;
        uint32_t base, fifo;
    } cases[] = {
        {loaded + "\"\\\\Device\\\\ParallelPort2.Raw\"=" +
             TempRegistry::HexWords(80, {{40, 0x378}, {56, 0x778}, {72, 0xBC00}}) + "\n",
         3, 0, 0x378, 0x778},
        // Too long for the 144-byte buffer: the boot configuration is used instead.
        {loaded + "\"\\\\Device\\\\ParallelPort0.Raw\"=" + TempRegistry::HexWords(150, {{40, 1}}) +
             "\n" + enumKey + "\"0\"=\"PCI\\\\VEN_1415\\\\3&1 extra\"\n" + bootConfig,
         1, 0, 0xE800, 0xE400},
        {enumKey + "\"1\"=\"PCI\\\\VEN_1415\\\\3&1\"\n" + bootConfig, 2, 0, 0xE800, 0xE400},
        {enumKey + "\"0\"=\"PCI\\\\VEN_1415\\\\3&1\"\n" + bootConfig, 2, kNoParallel, 0xFFFF,
         0xFFFF},
        {enumKey + "\"0\"=\"PCI\\\\OTHER\"\n" + bootConfig, 1, kNoParallel, 0xFFFF, 0xFFFF},
    };
    for (const auto& c : cases) {
        registry.Write(c.text);
        uint32_t base = 1, fifo = 1;
        EXPECT_EQ(FindParallelResources(c.card, &base, &fifo), c.code) << c.text;
        EXPECT_EQ(base, c.base) << c.text;
        EXPECT_EQ(fifo, c.fifo) << c.text;
    }
}

TEST_F(CardConfig, CommTimeoutDumpFileAndPingAllowed) {
    constexpr ErrorCode kNoDumpFile = TXORB_ERR_FUNCTION_CALL_FAILED;
    const struct {
        std::string values;
        ErrorCode timeoutCode;
        int32_t ms;
        ErrorCode dumpCode;
        std::string dump;
    } cases[] = {
        {"\"comm_timeout\"=\"1500\"\n\"CMD_dump_file\"=\"/tmp/x.bin\"\n", 0, 1500, 0, "/tmp/x.bin"},
        {"\"comm_timeout\"=\"fast\"\n\"CMD_dump_file\"=\"\"\n", 0, 0, kNoDumpFile, ""},
        {"\"comm_timeout\"=dword:00000064\n\"CMD_dump_file\"=dword:00000001\n", kNoSerial, 0,
         kNoDumpFile, ""},
        {"\"CMD_dump_file\"=\"" + std::string(259, 'd') + "\"\n", kNoSerial, 0, 0,
         std::string(259, 'd')},
        {"\"CMD_dump_file\"=\"" + std::string(260, 'd') + "\"\n", kNoSerial, 0, kNoDumpFile, ""},
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
    const std::pair<const char*, bool> pings[] = {
        {"\"yEs\"", true}, {"\"yes \"", false}, {"\"1\"", false}, {"dword:00000001", false}};
    for (const auto& [value, allowed] : pings) {
        registry.Write("[HKEY_LOCAL_MACHINE\\Software\\Zazave]\n\"ping_allowed\"=" +
                       std::string(value) + "\n");
        EXPECT_EQ(IsPingAllowed(), allowed) << value;
    }
}

}  // namespace
}  // namespace txorb::config
