// Hostile files: capture and correction-file paths with odd characters, a capture file on a
// full disk, and a registry store that cannot be read, holds garbage or huge lines, or is
// replaced while a card is in use.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "support/card_fixture.h"
#include "txorb/txorb.h"

namespace txorb {
namespace {

using test::FakeRtb;

// A correction table is sent whole: the card takes exactly this many bytes.
constexpr size_t kTableBytes = 25350;
// Set_Mark_Speed(100.0) on the wire.
const char* const kMarkSpeedPacket = "5D 08 00 00 00 00 00 00 00 59 40";

using test::FileHex;
const char* const kOddNames[] = {
    "with space.bin",
    "quote\"d 'both'.bin",
    "\xC3\xBC"
    "ber-\xE2\x82\xAC-\xE6\x97\xA5.bin",
    "new\nline.bin",
    "semi;colon&amp$HOME*.bin",
    "-leading-dash",
    "back\\slash.bin",
};

class HostileFiles : public test::CardTest {};

TEST_F(HostileFiles, CaptureAndCorrectionFilesWithOddNamesAreWrittenReadAndRemembered) {
    Install();
    for (const char* name : kOddNames) {
        rtb.Clear();
        const std::string path = dir.File(name);
        ASSERT_TRUE(Output_To_File(path.c_str())) << name;
        EXPECT_TRUE(Set_Mark_Speed(100.0)) << name;
        ASSERT_TRUE(Output_To_File(nullptr)) << name;
        EXPECT_EQ(FileHex(path), kMarkSpeedPacket) << name;
        EXPECT_EQ(Wire(), kMarkSpeedPacket) << name;
        rtb.Clear();
        test::WriteFile(path, std::string(kTableBytes, '\x07'));
        EXPECT_TRUE(Load_Cor(path.c_str())) << name;
        EXPECT_EQ(std::string(Corr_File_Name()), path) << name;
        ASSERT_TRUE(rtb.WaitForPackets(1, 3000)) << name;
        EXPECT_EQ(rtb.Packets().front().payload, std::vector<uint8_t>(kTableBytes, 7)) << name;
    }
}

// Huge lines before the card's settings do not hide them, and the capture file they name, with
// spaces and UTF-8, holds everything from the handshake on.
TEST_F(HostileFiles, SettingsAfterHugeLinesNameACaptureFileWithSpacesAndUtf8) {
    const std::string path = dir.File("capture \xC3\xA9t\xC3\xA9.bin");
    rtb.ReplyTo(0xB1, test::Reply{});
    registry.Write("[HKEY_LOCAL_MACHINE\\Software\\Junk]\n\"big\"=\"" + std::string(4 << 20, 'x') +
                   "\"\n" + std::string(1 << 20, ';') + "\n" +
                   test::TempRegistry::ComPort(3, rtb.Path()) +
                   test::TempRegistry::Card(1, 3, 300, "\"CMD_dump_file\"=\"" + path + "\"\n"));
    ASSERT_EQ(Init_Scan_Card_Ex(1), TXORB_ERR_OK);
    ASSERT_TRUE(Set_Mark_Speed(100.0));
    ASSERT_TRUE(Output_To_File(""));
    EXPECT_EQ(FileHex(path), std::string("B1 00 00 73 00 00 ") + kMarkSpeedPacket);
    Remove_Scan_Card_Ex(1);
}

// A store that cannot be read is taken as an empty one: the same refusal, no hang.
TEST_F(HostileFiles, UnreadableOrGarbageStoresRefuseInitialisationLikeAnEmptyOne) {
    test::WriteFile(registry.Path(), "");
    const uint32_t emptyStoreCode = Init_Scan_Card_Ex(1);
    ASSERT_NE(emptyStoreCode, 0u);
    std::string garbage;
    for (int i = 0; i < 70000; ++i) garbage.push_back(static_cast<char>((i * 7919) % 256));
    struct Case {
        const char* name;
        std::function<void(const std::string&)> make;
    };
    const Case cases[] = {
        {"a directory",
         [](const std::string& p) {
             std::remove(p.c_str());
             mkdir(p.c_str(), 0700);
         }},
        {"garbage bytes", [&](const std::string& p) { test::WriteFile(p, garbage); }},
        {"one 8 MB line",
         [](const std::string& p) { test::WriteFile(p, std::string(8 << 20, '[')); }},
        {"a value of 2 MB",
         [](const std::string& p) {
             test::WriteFile(
                 p,
                 "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\"
                 "Zazave\\TX-ORB_Card1]\n\"serial_port\"=\"" +
                     std::string(2 << 20, '9') + "\"\n");
         }},
        {"a file of 65 MB",
         [](const std::string& p) { test::WriteFile(p, std::string(65 << 20, '\n')); }},
    };
    for (const Case& c : cases) {
        std::remove(registry.Path().c_str());
        rmdir(registry.Path().c_str());
        c.make(registry.Path());
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Init_Scan_Card_Ex(1), emptyStoreCode) << c.name;
        // Bounded, though not quick: every lookup reads the store again.
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20)) << c.name;
        EXPECT_EQ(Get_Active_Card(), 0) << c.name;
    }
    rmdir(registry.Path().c_str());
}

TEST_F(HostileFiles, AStoreReplacedOrRemovedWhileInUse) {
    FakeRtb other;
    for (FakeRtb* r : {&rtb, &other}) r->ReplyTo(0xB1, test::Reply{});
    const std::string card = test::TempRegistry::Card(1, 3, 300);
    registry.Write(test::TempRegistry::ComPort(3, rtb.Path()) + card);
    ASSERT_EQ(Init_Scan_Card_Ex(1), TXORB_ERR_OK);

    // Replaced by rename, as an editor saves: the running card keeps its line.
    const std::string next = dir.File("next.reg");
    test::WriteFile(next, "Windows Registry Editor Version 5.00\n\n" +
                              test::TempRegistry::ComPort(3, other.Path()) + card);
    ASSERT_EQ(std::rename(next.c_str(), registry.Path().c_str()), 0);
    rtb.Clear();
    EXPECT_TRUE(Set_Mark_Speed(100.0));
    EXPECT_EQ(Wire(), kMarkSpeedPacket);
    // The next initialisation reads the new store.
    Remove_Scan_Card_Ex(1);
    ASSERT_EQ(Init_Scan_Card_Ex(1), TXORB_ERR_OK);
    ASSERT_TRUE(other.WaitForPackets(2, 3000));
    EXPECT_EQ(test::Hex(other.RawReceived()), "B1 00 00 73 00 00");

    // Removed altogether: the card still works; only a new initialisation misses it.
    std::remove(registry.Path().c_str());
    EXPECT_TRUE(Set_Mark_Speed(100.0));
    Remove_Scan_Card_Ex(1);
    EXPECT_NE(Init_Scan_Card_Ex(1), TXORB_ERR_OK);
}

}  // namespace
}  // namespace txorb
