// Status and identity queries: the packet each sends, the value it delivers, its preset on
// failure and whether it reports.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "link/card_table.h"
#include "list_card_fixture.h"
#include "txorb/txorb.h"

namespace txorb {
namespace {

using CardQueries = test::ListCardTest;

struct Query {
    const char* name;
    uint8_t opcode;
    std::function<uint32_t()> call;
    std::vector<uint8_t> reply;
    uint32_t value;
    uint32_t preset;
    bool reports;
};

uint32_t ModeMask() {
    uint16_t mode = 0xBEEF;
    const uint32_t code = Get_Mode_Mask(&mode);
    return code == 0 ? mode : 0x10000u + mode;  // a failure must also leave the mask at 0
}

const Query kQueries[] = {
    {"Read_Status", 0x22, Read_Status, {0x34, 0x12}, 0x1234, 0, false},
    {"Get_Counts",
     0x2A,
     [] { return static_cast<uint32_t>(Get_Counts()); },
     {0xFE, 0xFF, 0xFF, 0xFF},
     0xFFFFFFFE,
     0,
     false},
    {"Get_Head_Mask", 0x8F, Get_Head_Mask, {0x0F, 0x00}, 15, 0, false},
    {"Get_Version", 0x52, Get_Version, {0x01, 0x02}, 0x0201, 0, false},
    {"Get_KRT1_Version", 0x54, Get_KRT1_Version, {0x22, 0x00}, 0x22, 0, false},
    {"Get_Ident_Ex", 0xAD, Get_Ident_Ex, {0x78, 0x56, 0x34, 0x12}, 0x12345678, 0, false},
    {"Get_Mode_Mask", 0xB0, ModeMask, {0x00, 0x02}, 0x0200, 0x10000, true},
    {"Read_Int_Start_Attempts", 0xBC, Read_Int_Start_Attempts, {0x03, 0x00}, 3, 0, true},
    {"Get_CPU_Type", 0xE0, Get_CPU_Type, {0x86, 0x00}, 0x86, 0xFFFF, true},
};

TEST_F(CardQueries, EachQueryDeliversTheCardsValueOrItsPreset) {
    ShowErrors();
    for (const auto& q : kQueries) {
        // Answered; silent (45); answered with too many bytes (44); no card (26).
        const struct {
            test::Reply reply;
            bool active;
            ErrorCode code;
        } outcomes[] = {
            {test::FakeRtb::Data(q.reply), true, err::kOk},
            {test::Reply{}, true, err::kResponseTimeout},
            {test::FakeRtb::Data(std::vector<uint8_t>(q.reply.size() + 1, 0x55)), true,
             err::kWrongResponseLength},
            {test::Reply{}, false, err::kNoCardActive},
        };
        for (const auto& o : outcomes) {
            rtb.Clear();
            test::RecordedMessages().clear();
            rtb.ReplyTo(q.opcode, o.reply);
            link::SetActiveCardIndex(o.active ? 1 : 0);
            EXPECT_EQ(q.call(), o.code == err::kOk ? q.value : q.preset) << q.name << " " << o.code;
            if (o.active) {
                ASSERT_TRUE(rtb.WaitForPackets(1, 1000)) << q.name;
                EXPECT_EQ(test::Hex(Raw(0)), test::Hex({q.opcode, 0, 0})) << q.name;
            }
            std::vector<std::string> expected;
            if (q.reports && o.code != err::kOk) {
                expected.push_back(std::to_string(o.code) + " " + q.name);
            }
            EXPECT_EQ(Shown(), expected) << q.name << " " << o.code;
        }
    }
}

TEST_F(CardQueries, GetModeMaskReturnsTheCodeItselfAndRefusesANullPointer) {
    ShowErrors();
    rtb.ReplyTo(0xB0, test::FakeRtb::Data({0x00, 0x02}));
    uint16_t mode = 0;
    EXPECT_EQ(Get_Mode_Mask(&mode), TXORB_ERR_OK);
    EXPECT_EQ(mode, 0x0200);
    rtb.ReplyTo(0xB0, test::Reply{});
    EXPECT_EQ(Get_Mode_Mask(&mode), err::kResponseTimeout);
    rtb.Clear();
    EXPECT_EQ(Get_Mode_Mask(nullptr), err::kInvalidPointer);
    EXPECT_FALSE(rtb.WaitForPackets(1, 50));
    EXPECT_EQ(Shown(), (std::vector<std::string>{"45 Get_Mode_Mask", "19 Get_Mode_Mask"}));
}

TEST_F(CardQueries, ThreeDModeSwitchesAreQuietStatusExchanges) {
    CheckStatusCommands({{"Set_3DMode", Set_3DMode, "DA 00 00", false},
                         {"Reset_3DMode", Reset_3DMode, "DB 00 00", false}});
}

TEST_F(CardQueries, ModeAndControlCallsNeedNoCard) {
    link::SetActiveCardIndex(0);
    EXPECT_EQ(Get_KRT1_Mode(), 1);
    EXPECT_TRUE(Set_Control_Mode(5));
    EXPECT_EQ(Get_Last_Error_Code(), TXORB_ERR_OK);
    EXPECT_FALSE(rtb.WaitForPackets(1, 50));
}

TEST(CardQueriesCapture, ReadStatusIsNeverCopiedToTheCaptureFile) {
    test::FakeRtb rtb;
    test::TempRegistry registry;
    registry.Write(test::TempRegistry::ComPort(1, rtb.Path()));
    test::TempDir dir;
    const std::string file = dir.File("capture.bin");
    test::InstallCard(1, 1, 150, file.c_str());
    rtb.ReplyTo(0x22, test::FakeRtb::Data({0x01, 0x00}));
    rtb.ReplyTo(0x52, test::FakeRtb::Data({0x02, 0x00}));
    EXPECT_EQ(Read_Status(), 1);
    EXPECT_EQ(Get_Version(), 2);
    EXPECT_EQ(Read_Status(), 1);
    test::RemoveInstalledCard(1);  // closes the file
    std::ifstream in(file, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(test::Hex(bytes), "52 00 00");
    EXPECT_EQ(rtb.Packets().size(), 3u);
}

}  // namespace
}  // namespace txorb
