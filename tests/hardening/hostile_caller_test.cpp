// Hostile callers: null pointers, empty and 10,000-character texts, sizes beyond the limits.
// Each call must give its documented refusal, write nothing outside its outputs, leave nothing
// half-sent, and the card must take the next command as if nothing had happened.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "api/report.h"
#include "common/process_state.h"
#include "guarded.h"
#include "support/command_fixture.h"
#include "txorb/txorb.h"

namespace txorb {
namespace {

using test::FakeRtb;
using test::Guarded;
using test::ShownReports;

const std::string kLongText(10000, 'a');

std::string Joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines) out += (out.empty() ? "" : "|") + l;
    return out;
}

struct Outcome {
    int64_t result;
    const char* shown;  // the reports shown, "|"-separated
    uint32_t lastError;
};

struct Row {
    const char* name;
    std::function<int64_t()> call;
    Outcome withCard;
    Outcome withoutCard;
    int expectedOpcode = -1;  // the one packet the call sends with a card, -1 for none
    size_t expectedPayload = 0;
};

std::vector<Row> Rows() {
    static int16_t x, y;
    static uint16_t u;
    return {
        // Null pointers.
        {"Get_XY_Pos x null",
         [] { return Get_XY_Pos(nullptr, &y); },
         {0, "19 Get_XY_Pos", 19},
         {0, "19 Get_XY_Pos", 19}},
        {"Get_XY_Pos y null",
         [] { return Get_XY_Pos(&x, nullptr); },
         {0, "19 Get_XY_Pos", 19},
         {0, "19 Get_XY_Pos", 19}},
        {"Get_XY_Manual null", [] { return Get_XY_Manual(nullptr, &y); }, {0, "", 19}, {0, "", 19}},
        {"Get_DXDY_Manual null",
         [] { return Get_DXDY_Manual(&x, nullptr); },
         {0, "", 19},
         {0, "", 19}},
        {"Read_Port null",
         [] { return Read_Port(5, nullptr); },
         {0, "19 Read_Port", 0},
         {0, "19 Read_Port", 0}},
        {"Test_Read_Port null", [] { return Test_Read_Port(5, nullptr); }, {0, "", 0}, {0, "", 0}},
        {"Read_DSR_State null",
         [] { return Read_DSR_State(nullptr); },
         {0, "19 Read_DSR_State", 0},
         {0, "26 Read_DSR_State", 26}},
        {"Get_Mode_Mask null",
         [] { return Get_Mode_Mask(nullptr); },
         {19, "19 Get_Mode_Mask", 0},
         {19, "19 Get_Mode_Mask", 0}},
        {"Get_Custlist_Parameters null",
         [] { return Get_Custlist_Parameters(nullptr, nullptr, nullptr, nullptr); },
         {0, "", 0},
         {0, "", 0}},
        {"Put_Bitmapline_List null array",
         [] { return Put_Bitmapline_List(0, 0, 9, 9, nullptr, 4); },
         {0, "10 Put_Bitmapline_List", 0},
         {0, "26 Put_Bitmapline_List", 26}},
        {"Put_Bitmapline_List_Ex no values",
         [] { return Put_Bitmapline_List_Ex(0, 0, 9, 9, &u, 0, 1); },
         {0, "10 Put_Bitmapline_List_Ex", 0},
         {0, "26 Put_Bitmapline_List_Ex", 26}},
        {"Load_Cor null",
         [] { return Load_Cor(nullptr); },
         {0, "20 Load_Cor", 20},
         {0, "20 Load_Cor", 20}},
        {"Load_Corr_N null",
         [] { return Load_Corr_N(nullptr, 2); },
         {0, "20 Load_Corr_N", 20},
         {0, "20 Load_Corr_N", 20}},
        {"Load_Corr_N null, table 5",
         [] { return Load_Corr_N(nullptr, 5); },
         {0, "30 Load_Corr_N", 0},
         {0, "30 Load_Corr_N", 0}},
        {"Load_Corr_File_From_Target_Disk null",
         [] { return Load_Corr_File_From_Target_Disk(nullptr); },
         {0, "20 Load_Corr_File_From_Target_Disk", 0},
         {0, "26 Load_Corr_File_From_Target_Disk", 26}},
        {"Copy_File_To_Target_Disk null",
         [] { return Copy_File_To_Target_Disk(nullptr); },
         {0, "", 0},
         {0, "", 26}},
        {"Delete_File_On_Target_Disk null",
         [] { return Delete_File_On_Target_Disk(nullptr); },
         {0, "", 0},
         {0, "", 26}},
        {"Make_Boot_Program null",
         [] { return Make_Boot_Program(nullptr); },
         {0, "", 0},
         {0, "", 26}},
        {"Output_To_File null", [] { return Output_To_File(nullptr); }, {1, "", 0}, {0, "", 26}},
        {"DLL_Status_Query table to address 0",
         [] { return DLL_Status_Query(239, 0, 0, reinterpret_cast<int32_t*>(220), nullptr); },
         {0, "", 0},
         {0, "", 0}},
        {"DLL_Status_Query ports into null",
         [] { return DLL_Status_Query(232, 1, 0, nullptr, nullptr); },
         {1, "", 0},
         {1, "", 0}},
        {"DLL_Status_Query slot 11",
         [] { return DLL_Status_Query(233, 11, 0, nullptr, nullptr); },
         {0, "", 0},
         {0, "", 0}},
        // Empty texts.
        {"Load_Cor empty",
         [] { return Load_Cor(""); },
         {0, "20 Load_Cor", 0},
         {0, "26 Load_Cor", 26}},
        {"Load_Corr_N empty",
         [] { return Load_Corr_N("", 1); },
         {0, "20 Load_Corr_N", 0},
         {0, "26 Load_Corr_N", 26}},
        {"Load_Corr_File_From_Target_Disk empty",
         [] { return Load_Corr_File_From_Target_Disk(""); },
         {0, "20 Load_Corr_File_From_Target_Disk", 0},
         {0, "26 Load_Corr_File_From_Target_Disk", 26}},
        {"Copy_File_To_Target_Disk empty",
         [] { return Copy_File_To_Target_Disk(""); },
         {0, "", 0},
         {0, "", 26}},
        {"Delete_File_On_Target_Disk empty",
         [] { return Delete_File_On_Target_Disk(""); },
         {0, "", 0},
         {0, "", 26}},
        {"Make_Boot_Program empty",
         [] { return Make_Boot_Program(""); },
         {1, "", 0},
         {0, "", 26},
         137,
         12},
        {"Output_To_File empty", [] { return Output_To_File(""); }, {1, "", 0}, {0, "", 26}},
        // 10,000-character texts.
        {"Load_Cor long",
         [] { return Load_Cor(kLongText.c_str()); },
         {0, "20 Load_Cor", 0},
         {0, "26 Load_Cor", 26}},
        {"Load_Corr_N long",
         [] { return Load_Corr_N(kLongText.c_str(), 4); },
         {0, "20 Load_Corr_N", 0},
         {0, "26 Load_Corr_N", 26}},
        {"Load_Corr_File_From_Target_Disk long",
         [] { return Load_Corr_File_From_Target_Disk(kLongText.c_str()); },
         {1, "", 0},
         {0, "26 Load_Corr_File_From_Target_Disk", 26},
         149,
         10001},
        {"Copy_File_To_Target_Disk long",
         [] { return Copy_File_To_Target_Disk(kLongText.c_str()); },
         {0, "", 0},
         {0, "", 26}},
        {"Delete_File_On_Target_Disk long",
         [] { return Delete_File_On_Target_Disk(kLongText.c_str()); },
         {1, "", 0},
         {0, "", 26},
         158,
         10001},
        {"Make_Boot_Program long",
         [] { return Make_Boot_Program(kLongText.c_str()); },
         {1, "", 0},
         {0, "", 26},
         137,
         12},
        {"Output_To_File long",
         [] { return Output_To_File(kLongText.c_str()); },
         {0, "", 0},
         {0, "", 26}},
    };
}

class HostileCaller : public test::CommandTest {
protected:
    // The next command after a row: Set_Jump_Delay(0x1234) must be the next packet, whole.
    void ExpectCardCarriesOn(const std::string& row, size_t packetsBefore) {
        ASSERT_TRUE(Set_Jump_Delay(0x1234)) << row;
        ASSERT_TRUE(rtb.WaitForPackets(packetsBefore + 1, 3000)) << row;
        const auto packets = rtb.Packets();
        ASSERT_EQ(packets.size(), packetsBefore + 1) << row;
        EXPECT_EQ(test::Hex(packets.back().raw), "37 02 00 34 12") << row;
    }
};

TEST_F(HostileCaller, EveryPointerAndTextExportRefusesWithItsCodeAndTheCardCarriesOn) {
    Install();
    for (const Row& row : Rows()) {
        rtb.Clear();
        ShownReports().clear();
        StoreLastErrorCode(0);
        EXPECT_EQ(row.call(), row.withCard.result) << row.name;
        EXPECT_EQ(Joined(ShownReports()), row.withCard.shown) << row.name;
        EXPECT_EQ(Get_Last_Error_Code(), row.withCard.lastError) << row.name;
        const size_t sent = row.expectedOpcode < 0 ? 0 : 1;
        ExpectCardCarriesOn(row.name, sent);
        if (sent == 1) {
            const auto first = rtb.Packets().front();
            EXPECT_EQ(first.opcode, row.expectedOpcode) << row.name;
            EXPECT_EQ(first.payload.size(), row.expectedPayload) << row.name;
        }
    }
}

TEST_F(HostileCaller, WithoutACardEveryPointerAndTextExportRefusesWithItsCode) {
    for (const Row& row : Rows()) {
        ShownReports().clear();
        StoreLastErrorCode(0);
        EXPECT_EQ(row.call(), row.withoutCard.result) << row.name;
        EXPECT_EQ(Joined(ShownReports()), row.withoutCard.shown) << row.name;
        EXPECT_EQ(Get_Last_Error_Code(), row.withoutCard.lastError) << row.name;
    }
    EXPECT_TRUE(rtb.Packets().empty());
}

TEST_F(HostileCaller, NamesTooLongForTheirFieldsAreCutNotOverrun) {
    Install();
    ASSERT_TRUE(Make_Boot_Program((std::string("C:\\dir\\") + kLongText).c_str()));
    ASSERT_TRUE(Delete_File_On_Target_Disk("C:\\dir\\x.cor"));
    ASSERT_TRUE(rtb.WaitForPackets(2, 3000));
    const auto packets = rtb.Packets();
    EXPECT_EQ(test::Hex(packets[0].raw), "89 0C 00 61 61 61 61 61 61 61 61 61 61 61 61");
    EXPECT_EQ(test::Hex(packets[1].raw), "9E 06 00 78 2E 63 6F 72 00");
    // The remembered correction-file name stays what it was when the open fails.
    const std::string before = Corr_File_Name();
    EXPECT_FALSE(Load_Cor(kLongText.c_str()));
    EXPECT_EQ(std::string(Corr_File_Name()), before);
}

TEST_F(HostileCaller, ALongTextIsCutToTheTraceLine) {
    WriteRegistry("\"DisplayMessBox\"=dword:00000001\n");
    api::ReadTraceSwitch();
    ASSERT_TRUE(api::TraceEnabled());
    Install();
    EXPECT_FALSE(Load_Cor(kLongText.c_str()));
    char line[1024];
    std::memset(line, 0x5A, sizeof line);
    api::CopyTraceLine(line, sizeof line);
    EXPECT_EQ(std::strlen(line), 255u);
    EXPECT_EQ(std::string(line, 14), "lpstrFileName=");
    EXPECT_EQ(std::string(line + 14, 241), std::string(241, 'a'));
}

TEST_F(HostileCaller, ErrorTextsForAnyCodeAreNeverNull) {
    for (int32_t code : {INT_MIN, -1, 51, 52, 1000, INT_MAX}) {
        ASSERT_NE(Get_Error_Message(code), nullptr) << code;
        EXPECT_STREQ(Get_Error_Message(code), "Unknown Error") << code;
    }
}

TEST_F(HostileCaller, BitmapLinesBeyondTheLimitSendNothing) {
    Install();
    struct Case {
        uint16_t count;
        bool ok;
        const char* shown;
    };
    const Case cases[] = {{1000, true, ""},
                          {32764, false, "16 Put_Bitmapline_List"},
                          {65535, false, "16 Put_Bitmapline_List"}};
    for (const Case& c : cases) {
        rtb.Clear();
        ShownReports().clear();
        // Exactly count values on the heap: reading one more is caught by the sanitizer.
        std::vector<uint16_t> delays(c.count);
        for (size_t i = 0; i < delays.size(); ++i) delays[i] = static_cast<uint16_t>(i);
        EXPECT_EQ(Put_Bitmapline_List(1, 2, 3, 4, delays.data(), c.count), c.ok) << c.count;
        EXPECT_EQ(Joined(ShownReports()), c.shown) << c.count;
        ExpectCardCarriesOn(std::to_string(c.count), c.ok ? 1 : 0);
        if (c.ok) {
            const auto line = rtb.Packets().front();
            EXPECT_EQ(test::Hex({line.raw.begin(), line.raw.begin() + 3}), "AB D8 07");
            EXPECT_EQ(test::Hex({line.raw.end() - 2, line.raw.end()}), "E7 03");
        }
    }
}

TEST_F(HostileCaller, FilesBeyondTheCopyLimitAndCorrectionFilesOfTheWrongLengthSendNothing) {
    Install();
    struct Case {
        const char* name;
        std::function<bool(const char*)> call;
        size_t bytes;
        bool ok;
        const char* shown;
        int opcode;
    };
    const Case cases[] = {
        {"copy at the limit", Copy_File_To_Target_Disk, 223981, true, "", 144},
        {"copy one byte over", Copy_File_To_Target_Disk, 223982, false, "", -1},
        {"copy of 1 MB", Copy_File_To_Target_Disk, 1 << 20, false, "", -1},
        {"correction file one byte short", Load_Cor, 25349, false, "21 Load_Cor", -1},
        {"correction file one byte long", Load_Cor, 25351, false, "21 Load_Cor", -1},
    };
    for (const Case& c : cases) {
        rtb.Clear();
        ShownReports().clear();
        const std::string path = dir.File("f.bin");
        std::ofstream(path, std::ios::binary | std::ios::trunc) << std::string(c.bytes, '\x42');
        EXPECT_EQ(c.call(path.c_str()), c.ok) << c.name;
        EXPECT_EQ(Joined(ShownReports()), c.shown) << c.name;
        ExpectCardCarriesOn(c.name, c.opcode < 0 ? 0 : 1);
        if (c.opcode >= 0) {
            const auto packet = rtb.Packets().front();
            EXPECT_EQ(packet.opcode, c.opcode) << c.name;
            EXPECT_EQ(packet.payload.size(), c.bytes + 12) << c.name;
        }
    }
}

TEST_F(HostileCaller, OutputsAreWrittenWithinTheirBounds) {
    Install();
    rtb.ReplyTo(120, FakeRtb::Data({0x34, 0x12}));
    rtb.ReplyTo(129, FakeRtb::Data({0xCE, 0xFF}));
    rtb.ReplyTo(176, FakeRtb::Data({0x01, 0x02}));
    rtb.ReplyTo(114, FakeRtb::Data({0x0F, 0x00}));
    Guarded<int16_t> gx, gy;
    ASSERT_TRUE(Get_XY_Pos(&gx.value, &gy.value));
    EXPECT_EQ(gx.value, 0x1234);
    EXPECT_EQ(gy.value, -50);
    Guarded<uint16_t> mode, port;
    EXPECT_EQ(Get_Mode_Mask(&mode.value), TXORB_ERR_OK);
    EXPECT_EQ(mode.value, 0x0201);
    ASSERT_TRUE(Read_Port(3, &port.value));
    EXPECT_EQ(port.value, 0x000F);
    Guarded<double> in, out, slope;
    Guarded<uint16_t> length;
    ASSERT_TRUE(Get_Custlist_Parameters(&in.value, &out.value, &slope.value, &length.value));
    // The descriptor table: asked for 1,000 bytes, exactly 220 come.
    struct Table {
        uint8_t bytes[220];
    };
    Guarded<Table> table;
    EXPECT_EQ(DLL_Status_Query(239, 0, reinterpret_cast<intptr_t>(table.value.bytes),
                               reinterpret_cast<int32_t*>(1000), nullptr),
              1);
    EXPECT_FALSE(table.ValueUntouched());
    Guarded<int32_t> serial;
    EXPECT_EQ(DLL_Status_Query(233, 1, 0, &serial.value, nullptr), 1);
    EXPECT_EQ(serial.value, 3);
    for (bool intact :
         {gx.GuardsIntact(), gy.GuardsIntact(), mode.GuardsIntact(), port.GuardsIntact(),
          in.GuardsIntact(), out.GuardsIntact(), slope.GuardsIntact(), length.GuardsIntact(),
          table.GuardsIntact(), serial.GuardsIntact()}) {
        EXPECT_TRUE(intact);
    }
}

}  // namespace
}  // namespace txorb
