// Correction files and target-disk files: packet bytes, the length check, the remembered name,
// the copy limit, and host files that misbehave between open and read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/process_state.h"
#include "fake_driver/fake_driver_session.h"
#include "link/card.h"
#include "link/card_table.h"
#include "platform/file.h"
#include "proto/packet.h"
#include "support/card_fixture.h"
#include "txorb/txorb.h"

namespace txorb {
namespace {

using test::FakeRtb;
using test::ShownReports;
using Strings = std::vector<std::string>;

// A correction table is sent whole: the card takes exactly this many bytes.
constexpr int kTableBytes = 25350;
// The remembered file name keeps this many characters (a 260-byte buffer with its terminator).
constexpr size_t kLongestRememberedName = 259;

std::vector<uint8_t> Pattern(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 31 + 7);
    return bytes;
}

std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Wraps the native file table to count opens, closes and reads, and to fake a size or a
// failing read.
struct FileSpy {
    static inline const platform::FileMethods* native = nullptr;
    static inline int opens = 0, closes = 0, reads = 0;
    static inline long long sizeOverride = -2;  // -2: the real size
    static inline bool failRead = false;

    static platform::FileHandle Open(const char* path) {
        const platform::FileHandle f = native->openForRead(path);
        if (f != platform::kInvalidFile) ++opens;
        return f;
    }
    static long long Read(platform::FileHandle f, void* data, size_t count) {
        ++reads;
        return failRead ? -1 : native->read(f, data, count);
    }
    static long long Size(platform::FileHandle f) {
        return sizeOverride != -2 ? sizeOverride : native->size(f);
    }
    static void Close(platform::FileHandle f, bool flush) {
        ++closes;
        native->close(f, flush);
    }
    static void Install() {
        native = &platform::Files();
        static platform::FileMethods table;
        table = *native;
        table.openForRead = Open;
        table.read = Read;
        table.size = Size;
        table.close = Close;
        platform::SetFileMethods(&table);
    }
};

class CorrectionFiles : public test::CardTest {
protected:
    void TearDown() override {
        platform::SetFileMethods(nullptr);
        CardTest::TearDown();
    }
    std::string MakeFile(const std::string& name, size_t size) {
        const std::string path = dir.File(name);
        const auto bytes = Pattern(size);
        test::WriteFile(path, std::string(bytes.begin(), bytes.end()));
        return path;
    }
};

TEST_F(CorrectionFiles, LoadSendsExactlyOneTableWhenTheLow16BitsOfTheLengthMatch) {
    Install();
    const struct {
        size_t size;
        bool sent;
    } cases[] = {
        {kTableBytes - 1, false},    {kTableBytes, true}, {kTableBytes + 1, false},
        {kTableBytes + 65536, true}, {0, false},          {kTableBytes + 65536 + 1, false}};
    for (const auto& c : cases) {
        const std::string path = MakeFile("c" + std::to_string(c.size) + ".cor", c.size);
        for (int n : {0, 2}) {
            rtb.Clear();
            test::ClearShownReports();
            const bool ok = n == 0 ? Load_Cor(path.c_str()) : Load_Corr_N(path.c_str(), n);
            EXPECT_EQ(ok, c.sent) << c.size;
            EXPECT_STREQ(Corr_File_Name(), path.c_str());  // remembered before the check
            if (!c.sent) {
                EXPECT_EQ(ShownReports(), Strings{n == 0 ? "21 Load_Cor" : "21 Load_Corr_N"});
                EXPECT_TRUE(rtb.RawReceived().empty());
                continue;
            }
            const auto whole = Pattern(c.size);
            const std::vector<uint8_t> first(whole.begin(), whole.begin() + kTableBytes);
            const auto expected = n == 0 ? proto::FrameRequest(0x44, first)
                                         : proto::FrameRequest(0x94, Concat({2, 0, 0, 0}, first));
            EXPECT_TRUE(rtb.WaitForPackets(1, 2000));
            EXPECT_EQ(rtb.RawReceived(), expected) << c.size;
            EXPECT_EQ(test::Hex({expected.begin(), expected.begin() + 7}),
                      n == 0 ? "44 06 63 07 26 45 64" : "94 0A 63 02 00 00 00");
        }
    }
}

TEST_F(CorrectionFiles, RefusalsBeforeTheFileSystemIsTouched) {
    const std::string path = MakeFile("r.cor", kTableBytes);
    FileSpy::Install();
    // Table numbers are checked first: even without a card, and before the name.
    const struct {
        std::function<bool()> call;
        const char* report;
        uint32_t lastError;
    } cases[] = {
        {[&] { return Load_Corr_N(path.c_str(), 5); }, "30 Load_Corr_N", 0},
        {[&] { return Load_Corr_N(path.c_str(), 0); }, "30 Load_Corr_N", 0},
        {[&] { return Load_Corr_N(nullptr, -1); }, "30 Load_Corr_N", 0},
        {[&] { return Load_Corr_N(nullptr, 4); }, "20 Load_Corr_N", 20},
        {[&] { return Load_Cor(nullptr); }, "20 Load_Cor", 20},
        {[&] { return Load_Cor(path.c_str()); }, "26 Load_Cor", 26},
        {[&] { return Load_Corr_N(path.c_str(), 1); }, "26 Load_Corr_N", 26},
    };
    for (const auto& c : cases) {
        test::ClearShownReports();
        StoreLastErrorCode(0);
        EXPECT_FALSE(c.call());
        EXPECT_EQ(ShownReports(), Strings{c.report});
        EXPECT_EQ(Get_Last_Error_Code(), c.lastError) << c.report;
    }
    EXPECT_EQ(FileSpy::opens, 0);
    EXPECT_STREQ(Corr_File_Name(), "");
}

TEST_F(CorrectionFiles, AFileThatCannotBeOpenedLeavesTheNameAndALongNameIsCut) {
    Install();
    const std::string good = MakeFile("good.cor", kTableBytes);
    ASSERT_TRUE(Load_Cor(good.c_str()));
    EXPECT_FALSE(Load_Cor(dir.File("missing.cor").c_str()));
    EXPECT_FALSE(Load_Corr_N(dir.Path().c_str(), 1));  // a directory cannot be read as a file
    EXPECT_STREQ(Corr_File_Name(), good.c_str());
    EXPECT_EQ(ShownReports(), (Strings{"20 Load_Cor", "20 Load_Corr_N"}));
    EXPECT_EQ(Get_Last_Error_Code(), TXORB_ERR_OK);
    std::string path = dir.Path();
    while (path.size() < 2000) path += "/.";
    path += "/good.cor";
    EXPECT_TRUE(Load_Cor(path.c_str()));
    EXPECT_EQ(std::string(Corr_File_Name()), path.substr(0, kLongestRememberedName));
}

// The numbered load turns a failed send into TXORB_ERR_COULD_NOT_SEND_TO_RTB; the others keep
// the send's code, and every packet still reaches the card. Copy, delete and the boot program
// never report.
TEST_F(CorrectionFiles, FailedExchangesGiveTheirCodesAndOnlyTheLoadsReport) {
    const std::string path = MakeFile("f.cor", kTableBytes);
    const std::string copy = MakeFile("f.bin", 10);
    const std::function<bool()> calls[] = {
        [&] { return Load_Corr_N(path.c_str(), 1); },
        [&] { return Load_Cor(path.c_str()); },
        [&] { return Load_Corr_File_From_Target_Disk("x.cor"); },
        [&] { return Copy_File_To_Target_Disk(copy.c_str()); },
        [&] { return Delete_File_On_Target_Disk("x.cor"); },
        [&] { return Make_Boot_Program("x.cor"); },
    };
    Install(200, "/dev/full");
    // Nothing waits for an answer here, and none may linger for the exchanges below.
    rtb.SetResponder([](const proto::Packet&) { return test::Reply{}; });
    for (size_t i = 0; i < std::size(calls); ++i) {
        EXPECT_FALSE(calls[i]());
        // Waiting for the packet keeps the next command's transmit purge from cutting its tail.
        EXPECT_TRUE(rtb.WaitForPackets(i + 1, 3000)) << i;
    }
    const auto packets = rtb.Packets();
    ASSERT_EQ(packets.size(), 6u);
    EXPECT_EQ(test::Hex({packets[0].opcode, packets[1].opcode, packets[2].opcode, packets[3].opcode,
                         packets[4].opcode, packets[5].opcode}),
              "94 44 95 90 9E 89");
    Install(100);
    rtb.SetResponder([](const proto::Packet&) { return FakeRtb::Status(1); });
    rtb.ReplyTo(0x94, FakeRtb::Status(0));
    rtb.ReplyTo(0x44, test::Reply{});
    rtb.ReplyTo(0x95, test::Reply{{0x02, 0x00, 0x01, 0x01}});
    for (size_t i = 0; i < 3; ++i) EXPECT_FALSE(calls[i]());
    EXPECT_EQ(ShownReports(),
              (Strings{"38 Load_Corr_N", "43 Load_Cor", "43 Load_Corr_File_From_Target_Disk",
                       "40 Load_Corr_N", "45 Load_Cor", "44 Load_Corr_File_From_Target_Disk"}));
}

TEST_F(CorrectionFiles, CopyUpToTheLimitGoesInOnePacketAndOneByteMoreIsRefusedUnread) {
    Install(2000);
    FileSpy::Install();
    const struct {
        size_t size;
        bool ok;
        std::string header;
    } cases[] = {
        {223981, true, "90 04 00 F9 6A 03 00"},
        {223982, false, ""},
        {0, false, ""},
    };
    for (const auto& c : cases) {
        rtb.Clear();
        FileSpy::reads = 0;
        const std::string path = MakeFile("d\\big.bin", c.size);
        EXPECT_EQ(Copy_File_To_Target_Disk(path.c_str()), c.ok) << c.size;
        if (!c.ok) {
            EXPECT_EQ(FileSpy::reads, 0) << c.size;
            EXPECT_FALSE(rtb.WaitForPackets(1, 100));
            continue;
        }
        ASSERT_TRUE(rtb.WaitForPackets(1, 5000));
        const auto raw = rtb.RawReceived();
        const std::vector<uint8_t> field{'b', 'i', 'g', '.', 'b', 'i', 'n', 0, 0, 0, 0, 0};
        EXPECT_EQ(raw, proto::FrameRequest(0x90, Concat(field, Pattern(c.size))));
        EXPECT_EQ(test::Hex({raw.begin(), raw.begin() + (c.header.size() + 1) / 3}), c.header);
    }
    EXPECT_EQ(FileSpy::opens, FileSpy::closes);
}

TEST_F(CorrectionFiles, AFileThatShrinksOrCannotBeReadSendsNothing) {
    Install();
    FileSpy::Install();
    // Both files really hold 100 bytes; the spy claims other sizes or fails the read.
    const std::string cor = MakeFile("x.cor", 100);
    const std::string bin = MakeFile("x.bin", 100);
    const struct {
        long long corSize, binSize;
        bool failRead;
    } cases[] = {{kTableBytes, 110, false}, {-1, -1, false}, {kTableBytes, -2, true}};
    for (const auto& c : cases) {
        FileSpy::failRead = c.failRead;
        FileSpy::sizeOverride = c.corSize;
        test::ClearShownReports();
        EXPECT_FALSE(Load_Cor(cor.c_str()));
        EXPECT_EQ(ShownReports(), Strings{"21 Load_Cor"});
        FileSpy::sizeOverride = c.binSize;
        EXPECT_FALSE(Copy_File_To_Target_Disk(bin.c_str()));
    }
    EXPECT_FALSE(rtb.WaitForPackets(1, 100));
    EXPECT_EQ(FileSpy::opens, 6);
    EXPECT_EQ(FileSpy::closes, 6);
}

TEST_F(CorrectionFiles, NameCommandsSendTheBaseNameWithItsTerminator) {
    Install();
    const struct {
        std::function<bool()> call;
        std::string wire;  // empty: refused with nothing sent
    } cases[] = {
        {[] { return Delete_File_On_Target_Disk("x.cor"); }, "9E 06 00 78 2E 63 6F 72 00"},
        {[] { return Delete_File_On_Target_Disk("C:\\d\\x.cor"); }, "9E 06 00 78 2E 63 6F 72 00"},
        {[] { return Delete_File_On_Target_Disk("C:\\d\\"); }, ""},
        {[] { return Delete_File_On_Target_Disk(nullptr); }, ""},
        {[] { return Load_Corr_File_From_Target_Disk("a/b.c"); }, "95 06 00 61 2F 62 2E 63 00"},
        {[] { return Load_Corr_File_From_Target_Disk("\\"); }, ""},
        {[] { return Load_Corr_File_From_Target_Disk(nullptr); }, ""},
        {[] { return Make_Boot_Program("C:\\boot\\b.out"); },
         "89 0C 00 62 2E 6F 75 74 00 00 00 00 00 00 00"},
        {[] { return Make_Boot_Program("x\\ABCDEFGHIJKLMNOP"); },
         "89 0C 00 41 42 43 44 45 46 47 48 49 4A 4B 4C"},
        {[] { return Make_Boot_Program(nullptr); }, ""},
    };
    for (const auto& c : cases) {
        rtb.Clear();
        EXPECT_EQ(c.call(), !c.wire.empty()) << c.wire;
        if (c.wire.empty()) {
            EXPECT_FALSE(rtb.WaitForPackets(1, 50));
        } else {
            EXPECT_EQ(Wire(), c.wire);
        }
    }
    EXPECT_EQ(ShownReports(), (Strings{"20 Load_Corr_File_From_Target_Disk",
                                       "20 Load_Corr_File_From_Target_Disk"}));
}

TEST_F(CorrectionFiles, BootProgramGoesOnTheSerialLinkEvenWithAParallelLink) {
    test::FakeDriverSession driver;
    ASSERT_TRUE(driver.Ok());
    ASSERT_TRUE(driver.Install());
    constexpr uint32_t kData = 0xE000;
    driver.addPeripheral(kData, 1, 1);
    const link::LinkDescriptor d = link::MakeDescriptor(kData, kData + 0x100, 1, kComPort, 1, 1);
    delete link::ExchangeCardInSlot(1, new link::Card(d, 200, nullptr));
    link::StoreDescriptor(1, d);
    link::SetActiveCardIndex(1);
    ASSERT_TRUE(link::CardInSlot(1)->HasParallelLink());
    EXPECT_TRUE(Make_Boot_Program("C:\\b.out"));
    EXPECT_EQ(Wire(), "89 0C 00 62 2E 6F 75 74 00 00 00 00 00 00 00");
    EXPECT_TRUE(driver.Received(kData).empty());
    EXPECT_FALSE(Delete_File_On_Target_Disk("b.out"));  // this one leaves on the parallel link
    EXPECT_EQ(test::Hex(driver.Received(kData)), "9E 06 00 62 2E 6F 75 74 00");
    test::RemoveInstalledCard(1);
}

}  // namespace
}  // namespace txorb
