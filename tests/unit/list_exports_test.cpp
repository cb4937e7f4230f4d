// Every list export: the exact record bytes it appends, what it refuses, and what it returns
// and reports when the transfer it triggers fails.
#include <gtest/gtest.h>

#include <functional>

#include "link/card_table.h"
#include "list_card_fixture.h"
#include "txorb/txorb.h"

namespace txorb {
namespace {

using ListExports = test::ListCardTest;

TEST_F(ListExports, EachExportAppendsItsExactRecords) {
    const struct {
        const char* name;
        std::function<bool()> call;
        const char* records;
    } cases[] = {
        {"Set_Delays_1_2", [] { return Set_Delays_1_2(0x0102, 0x0304); }, "1A 02 01 04 03"},
        {"Set_Delays_3_4", [] { return Set_Delays_3_4(5, 6); }, "20 05 00 06 00"},
        {"Set_Delays_5_6", [] { return Set_Delays_5_6(7, 8); }, "1B 07 00 08 00"},
        {"Set_Delays_7_8", [] { return Set_Delays_7_8(9, 10); }, "30 09 00 0A 00"},
        {"Set_Delays_9_10", [] { return Set_Delays_9_10(11, 12); }, "1C 0B 00 0C 00"},
        {"Set_Delays", [] { return Set_Delays(1, 2, 3, 4, 5, 6, 7, 8, 9); },
         "1A 01 00 02 00 20 03 00 04 00 1B 05 00 06 00 30 07 00 08 00 1C 09 00 00 00"},
        {"Set_JobControl_List", [] { return Set_JobControl_List(0xABCD); }, "B4 CD AB 00 00"},
        {"Set_Head_Mask", [] { return Set_Head_Mask(15); }, "96 0F 00 00 00"},
        {"Skip_Var_List", [] { return Skip_Var_List(-2, 0x00FF); }, "B6 FE FF FF 00"},
        {"Skip_Var_List_Back", [] { return Skip_Var_List_Back(3, 4); }, "70 03 00 04 00"},
        {"Skip_Counter_List", [] { return Skip_Counter_List(-1, 2); }, "B7 FF FF 02 00"},
        {"Set_Counter_List", [] { return Set_Counter_List(9); }, "BA 09 00 00 00"},
        {"JobControl_To_Var_List", [] { return JobControl_To_Var_List(); }, "B9 00 00 00 00"},
        {"Read_Port_To_Var_List", [] { return Read_Port_To_Var_List(0x20); }, "B8 20 00 00 00"},
        {"Laser_On", [] { return Laser_On(100); }, "0B 64 00 00 00"},
        {"Laser_Off", [] { return Laser_Off(200); }, "0C C8 00 00 00"},
        {"Long_Delay", [] { return Long_Delay(0x1000); }, "0E 00 10 00 00"},
        {"Jump_Abs", [] { return Jump_Abs(-1, 2); }, "09 FF FF 02 00"},
        {"Jump_Rel", [] { return Jump_Rel(3, -4); }, "07 03 00 FC FF"},
        {"Mark_Abs", [] { return Mark_Abs(-32768, 32767); }, "0A 00 80 FF 7F"},
        {"Mark_Rel", [] { return Mark_Rel(1, -1); }, "08 01 00 FF FF"},
        {"PolA_Abs", [] { return PolA_Abs(1, 2); }, "02 01 00 02 00"},
        {"PolB_Abs", [] { return PolB_Abs(1, 2); }, "01 01 00 02 00"},
        {"PolC_Abs", [] { return PolC_Abs(1, 2); }, "03 01 00 02 00"},
        {"PolA_Rel", [] { return PolA_Rel(1, 2); }, "04 01 00 02 00"},
        {"PolB_Rel", [] { return PolB_Rel(1, 2); }, "05 01 00 02 00"},
        {"PolC_Rel", [] { return PolC_Rel(1, 2); }, "06 01 00 02 00"},
        {"Reset_Jump_List", [] { return Reset_Jump_List(-3, 4); }, "1E FD FF 04 00"},
        {"Reset_Jump_List_Rel", [] { return Reset_Jump_List_Rel(5, -6); }, "33 05 00 FA FF"},
        {"Set_Wobble_List", [] { return Set_Wobble_List(10, 20); }, "13 0A 00 14 00"},
        {"Write_DA_List", [] { return Write_DA_List(0x1234); }, "0F 00 34 00 00"},
        {"Loop_To_Start_List", [] { return Loop_To_Start_List(1); }, "97 00 00 00 00"},
        {"Jump_To_Start_List", [] { return Jump_To_Start_List(3); }, "B5 02 00 00 00"},
        {"Set_Mark_Parameters_List", [] { return Set_Mark_Parameters_List(10, 20); },
         "74 0A 00 14 00"},
        {"Set_Jump_Parameters_List", [] { return Set_Jump_Parameters_List(30, 0x0400); },
         "91 1E 00 00 04"},
        {"Set_Dot_Parameters_List", [] { return Set_Dot_Parameters_List(5, 6); }, "C0 05 00 06 00"},
        {"Set_Dot_Params_List", [] { return Set_Dot_Params_List(7, 8); }, "C0 07 00 08 00"},
        {"Write_Port_List", [] { return Write_Port_List(40, 0x8000); }, "87 28 00 00 80"},
        {"Wait_For_External_Start", [] { return Wait_For_External_Start(); }, "99 00 00 00 00"},
        {"Mark_Immediately", [] { return Mark_Immediately(); }, "8D 00 00 00 00"},
        {"Wait_For_Counter_Value", [] { return Wait_For_Counter_Value(-5); }, "8E FB FF 00 00"},
        {"Wait_For_Counter_Value_Ex", [] { return Wait_For_Counter_Value_Ex(0x12345678); },
         "8B 78 56 34 12"},
        {"Set_Auto_Jump_Delay_List", [] { return Set_Auto_Jump_Delay_List(7, 8); },
         "A3 07 00 08 00"},
        {"Mark_Abs_Dot", [] { return Mark_Abs_Dot(1, -2); }, "C4 01 00 FE FF"},
        {"PolA_Abs_Dot", [] { return PolA_Abs_Dot(1, -2); }, "C1 01 00 FE FF"},
        {"PolB_Abs_Dot", [] { return PolB_Abs_Dot(1, -2); }, "C2 01 00 FE FF"},
        {"PolC_Abs_Dot", [] { return PolC_Abs_Dot(1, -2); }, "C3 01 00 FE FF"},
        {"Jump_Abs_3D", [] { return Jump_Abs_3D(1, 2, 3, -4); }, "D0 01 00 02 00 D1 03 00 FC FF"},
        {"Mark_Abs_3D", [] { return Mark_Abs_3D(1, 2, 3, -4); }, "D2 01 00 02 00 D3 03 00 FC FF"},
        {"PolA_Abs_3D", [] { return PolA_Abs_3D(1, 2, 3, -4); }, "D4 01 00 02 00 D5 03 00 FC FF"},
        {"PolB_Abs_3D", [] { return PolB_Abs_3D(1, 2, 3, -4); }, "D6 01 00 02 00 D7 03 00 FC FF"},
        {"PolC_Abs_3D", [] { return PolC_Abs_3D(1, 2, 3, -4); }, "D8 01 00 02 00 D9 03 00 FC FF"},
        {"Set_End_Of_List", [] { return Set_End_Of_List(); }, "10 00 00 00 00"},
    };
    for (const auto& c : cases) {
        rtb.Clear();
        ASSERT_TRUE(c.call()) << c.name;
        ASSERT_EQ(list::FlushListBuffer(), err::kOk) << c.name;
        ASSERT_TRUE(rtb.WaitForPackets(1, 1000)) << c.name;
        const auto packets = rtb.Packets();
        ASSERT_EQ(packets.size(), 1u) << c.name;
        EXPECT_EQ(packets[0].opcode, 0x9C) << c.name;
        EXPECT_EQ(test::Hex(packets[0].payload), c.records) << c.name;
    }
}

TEST_F(ListExports, OutOfRangeHeadsAndListsAreRefusedSilently) {
    ShowErrors();
    const struct {
        const char* name;
        std::function<bool()> call;
        bool result;
    } cases[] = {
        {"Set_Head_Mask(0)", [] { return Set_Head_Mask(0); }, false},
        {"Set_Head_Mask(16)", [] { return Set_Head_Mask(16); }, false},
        {"Set_Head_Mask(1)", [] { return Set_Head_Mask(1); }, true},
        {"Loop_To_Start_List(0)", [] { return Loop_To_Start_List(0); }, false},
        {"Loop_To_Start_List(4)", [] { return Loop_To_Start_List(4); }, false},
        {"Loop_To_Start_List(-1)", [] { return Loop_To_Start_List(-1); }, false},
        {"Loop_To_Start_List(3)", [] { return Loop_To_Start_List(3); }, true},
        {"Jump_To_Start_List(0)", [] { return Jump_To_Start_List(0); }, false},
        {"Jump_To_Start_List(4)", [] { return Jump_To_Start_List(4); }, false},
        {"Jump_To_Start_List(1)", [] { return Jump_To_Start_List(1); }, true},
    };
    for (const auto& c : cases) {
        list::ClearListBuffer();
        EXPECT_EQ(c.call(), c.result) << c.name;
        EXPECT_EQ(list::TheListBuffer().HighWater(), c.result ? 5u : 0u) << c.name;
    }
    EXPECT_TRUE(test::RecordedMessages().empty());
    EXPECT_FALSE(rtb.WaitForPackets(1, 50));
}

// With no card active, the export whose record completes the list fails with 26; what it
// hands to the reporter is its own rule.
TEST_F(ListExports, AFailedTransferIsReportedAsEachExportSays) {
    ShowErrors();
    link::SetActiveCardIndex(0);
    const struct {
        const char* name;
        std::function<bool()> call;
        int pending;  // records already waiting
        const char* shown;
    } cases[] = {
        {"Mark_Abs", [] { return Mark_Abs(1, 1); }, 499, "26 Mark_Abs"},
        {"PolB_Abs_Dot", [] { return PolB_Abs_Dot(1, 1); }, 499, "26 PolB_Abs_Dot"},
        {"Jump_Abs", [] { return Jump_Abs(1, 1); }, 499, "37 Jump_Abs"},
        {"Jump_Rel", [] { return Jump_Rel(1, 1); }, 499, "37 Jump_Rel"},
        {"Jump_Abs_3D", [] { return Jump_Abs_3D(1, 1, 1, 1); }, 498, "37 Jump_Abs_3D"},
        {"Mark_Abs_3D", [] { return Mark_Abs_3D(1, 1, 1, 1); }, 498, "26 Mark_Abs_3D"},
        {"Laser_On", [] { return Laser_On(1); }, 499, "26 Laser_On"},
        {"Write_DA_List", [] { return Write_DA_List(1); }, 499, "26 Write_DA_List"},
        {"Set_Dot_Params_List", [] { return Set_Dot_Params_List(1, 1); }, 499,
         "26 Set_Dot_Parameters_List"},
        {"Set_Delays", [] { return Set_Delays(1, 2, 3, 4, 5, 6, 7, 8, 9); }, 497, "26 Set_Delays"},
        {"PolA_Rel", [] { return PolA_Rel(1, 1); }, 499, nullptr},
        {"Reset_Jump_List", [] { return Reset_Jump_List(1, 1); }, 499, nullptr},
        {"Set_Delays_1_2", [] { return Set_Delays_1_2(1, 1); }, 499, nullptr},
        {"Set_Head_Mask", [] { return Set_Head_Mask(1); }, 499, nullptr},
        {"Loop_To_Start_List", [] { return Loop_To_Start_List(1); }, 499, nullptr},
        {"Set_End_Of_List", [] { return Set_End_Of_List(); }, 0, nullptr},
    };
    for (const auto& c : cases) {
        test::RecordedMessages().clear();
        list::ClearListBuffer();
        for (int i = 0; i < c.pending; ++i) ASSERT_EQ(list::AppendListRecord(0x0A, 0, 0), err::kOk);
        EXPECT_FALSE(c.call()) << c.name;
        // Set_Delays stops at its third record: the two after it are never appended.
        EXPECT_EQ(list::TheListBuffer().HighWater(), 0u) << c.name;
        const auto shown = Shown();
        if (c.shown == nullptr) {
            EXPECT_TRUE(shown.empty()) << c.name;
        } else {
            EXPECT_EQ(shown, std::vector<std::string>{c.shown}) << c.name;
        }
    }
}

}  // namespace
}  // namespace txorb
