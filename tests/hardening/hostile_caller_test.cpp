// Hostile callers: null pointers, empty and 10,000-character texts. Each call must give its
// documented refusal, write nothing outside its outputs, leave nothing half-sent, and the card
// must take the next command as if nothing had happened.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "api/report.h"
#include "common/process_state.h"
#include "guarded.h"
#include "support/card_fixture.h"
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
    int opcode = -1;  // the one packet the call sends with a card, -1 for none
    size_t payload = 0;
};

// Rows whose refusals the export tests do not already show, with and without a card: which
// check comes first is part of each contract.
std::vector<Row> Rows() {
    static int16_t y;
    const char* longText = kLongText.c_str();
    return {
        {"Get_XY_Pos x null",
         [] { return Get_XY_Pos(nullptr, &y); },
         {0, "19 Get_XY_Pos", 19},
         {0, "19 Get_XY_Pos", 19}},
        {"Get_XY_Manual null", [] { return Get_XY_Manual(nullptr, &y); }, {0, "", 19}, {0, "", 19}},
        {"Read_Port null",
         [] { return Read_Port(5, nullptr); },
         {0, "19 Read_Port", 0},
         {0, "19 Read_Port", 0}},
        {"Test_Read_Port null", [] { return Test_Read_Port(5, nullptr); }, {0, "", 0}, {0, "", 0}},
        {"Read_DSR_State null",
         [] { return Read_DSR_State(nullptr); },
         {0, "19 Read_DSR_State", 0},
         {0, "26 Read_DSR_State", 26}},
        {"Put_Bitmapline_List null array",
         [] { return Put_Bitmapline_List(0, 0, 9, 9, nullptr, 4); },
         {0, "10 Put_Bitmapline_List", 0},
         {0, "26 Put_Bitmapline_List", 26}},
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
         [longText] { return Load_Cor(longText); },
         {0, "20 Load_Cor", 0},
         {0, "26 Load_Cor", 26}},
        {"Load_Corr_File_From_Target_Disk long",
         [longText] { return Load_Corr_File_From_Target_Disk(longText); },
         {1, "", 0},
         {0, "26 Load_Corr_File_From_Target_Disk", 26},
         149,
         10001},
        {"Copy_File_To_Target_Disk long",
         [longText] { return Copy_File_To_Target_Disk(longText); },
         {0, "", 0},
         {0, "", 26}},
        {"Delete_File_On_Target_Disk long",
         [longText] { return Delete_File_On_Target_Disk(longText); },
         {1, "", 0},
         {0, "", 26},
         158,
         10001},
        {"Make_Boot_Program long",
         [longText] { return Make_Boot_Program(longText); },
         {1, "", 0},
         {0, "", 26},
         137,
         12},
        {"Output_To_File long",
         [longText] { return Output_To_File(longText); },
         {0, "", 0},
         {0, "", 26}},
    };
}

class HostileCaller : public test::CardTest {};

TEST_F(HostileCaller, EveryPointerAndTextExportRefusesWithItsCodeAndTheCardCarriesOn) {
    for (const Row& row : Rows()) {
        test::ClearShownReports();
        StoreLastErrorCode(0);
        EXPECT_EQ(row.call(), row.withoutCard.result) << row.name;
        EXPECT_EQ(Joined(ShownReports()), row.withoutCard.shown) << row.name;
        EXPECT_EQ(Get_Last_Error_Code(), row.withoutCard.lastError) << row.name;
    }
    EXPECT_TRUE(rtb.Packets().empty());
    Install();
    for (const Row& row : Rows()) {
        rtb.Clear();
        test::ClearShownReports();
        StoreLastErrorCode(0);
        EXPECT_EQ(row.call(), row.withCard.result) << row.name;
        EXPECT_EQ(Joined(ShownReports()), row.withCard.shown) << row.name;
        EXPECT_EQ(Get_Last_Error_Code(), row.withCard.lastError) << row.name;
        // The next command must be the next packet, whole.
        const size_t sent = row.opcode < 0 ? 0 : 1;
        ASSERT_TRUE(Set_Jump_Delay(0x1234)) << row.name;
        ASSERT_TRUE(rtb.WaitForPackets(sent + 1, 3000)) << row.name;
        const auto packets = rtb.Packets();
        ASSERT_EQ(packets.size(), sent + 1) << row.name;
        EXPECT_EQ(test::Hex(packets.back().raw), "37 02 00 34 12") << row.name;
        if (sent == 1) {
            EXPECT_EQ(packets.front().opcode, row.opcode) << row.name;
            EXPECT_EQ(packets.front().payload.size(), row.payload) << row.name;
        }
    }
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
