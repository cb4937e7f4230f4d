// The outcome every export leaves for txorb_thread_last_failure on its own thread.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "api/outcome.h"
#include "common/process_state.h"
#include "list/list_buffer.h"
#include "support/command_fixture.h"
#include "txorb/txorb.h"

namespace txorb {
namespace {

using test::FakeRtb;

// No export ever records the guard code, so finding it after a call means the call recorded
// nothing and left the previous outcome in place.
constexpr uint32_t kNothingRecorded = TXORB_ERR_GUARD;

// Primes the thread's outcome, runs the call and gives what it recorded.
uint32_t OutcomeOf(const std::function<void()>& call) {
    api::RecordOutcome(kNothingRecorded);
    call();
    return txorb_thread_last_failure();
}

struct Row {
    const char* name;
    std::function<void()> call;
    uint32_t outcome;
};

int16_t g_x = 0, g_y = 0;
uint16_t g_word = 0;
double g_d = 0.0;
int32_t g_i = 0;
uint16_t g_delays[2] = {1, 2};

// Every catalogue export with no card active: the exchanges give TXORB_ERR_NO_CARD_ACTIVE;
// list records are only queued (0) until the end of the list sends them; exports that need no
// card succeed.
const Row kNoCardRows[] = {
    {"Get_Last_Error_Code", [] { Get_Last_Error_Code(); }, TXORB_ERR_OK},
    {"Get_Error_Message", [] { Get_Error_Message(3); }, TXORB_ERR_OK},
    {"Get_Last_Error_Message", [] { Get_Last_Error_Message(); }, TXORB_ERR_OK},
    {"Get_DLL_Version", [] { Get_DLL_Version(); }, TXORB_ERR_OK},
    {"Get_System_Status", [] { Get_System_Status(); }, TXORB_ERR_OK},
    {"DLL_Status_Query", [] { DLL_Status_Query(0, 0, 0, nullptr, nullptr); }, TXORB_ERR_OK},
    {"Set_Delays_11_12", [] { Set_Delays_11_12(1, 2); }, TXORB_ERR_OK},
    {"Field_Jump", [] { Field_Jump(1, 2); }, TXORB_ERR_OK},
    {"Home_Jump", [] { Home_Jump(1, 2); }, TXORB_ERR_OK},
    // The test registry names no serial port for card 1.
    {"Init_Scan_Card", [] { Init_Scan_Card(); }, TXORB_ERR_SERIAL_PORT_KEY_NOT_FOUND},
    {"Init_Scan_Card_Ex", [] { Init_Scan_Card_Ex(11); }, TXORB_ERR_INVALID_CARD_NUMBER},
    {"Remove_Scan_Card", [] { Remove_Scan_Card(); }, TXORB_ERR_OK},
    {"Remove_Scan_Card_Ex", [] { Remove_Scan_Card_Ex(2); }, TXORB_ERR_OK},
    {"Set_Active_Card", [] { Set_Active_Card(4); }, TXORB_ERR_FUNCTION_CALL_FAILED},
    {"Get_Active_Card", [] { Get_Active_Card(); }, TXORB_ERR_OK},
    {"Output_To_File", [] { Output_To_File("capture.bin"); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Set_Auto_Delay", [] { Set_Auto_Delay(1); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Set_Jump_Delay", [] { Set_Jump_Delay(1); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Set_Mark_Delay", [] { Set_Mark_Delay(1); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Set_Poly_Delay", [] { Set_Poly_Delay(1); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Set_Laser_Off_Delay", [] { Set_Laser_Off_Delay(1); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Set_Laser_On_Delay", [] { Set_Laser_On_Delay(1); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Set_T1", [] { Set_T1(1); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Set_T2", [] { Set_T2(1); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Set_T3", [] { Set_T3(1); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Set_Manual_Delay", [] { Set_Manual_Delay(1); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Set_Gain_X", [] { Set_Gain_X(1.0); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Set_Gain_Y", [] { Set_Gain_Y(1.0); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Set_Offset_X", [] { Set_Offset_X(1); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Set_Offset_Y", [] { Set_Offset_Y(1); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Set_Gain", [] { Set_Gain(1.0, 1.0, 0, 0); }, TXORB_ERR_FUNCTION_CALL_FAILED},
    {"Set_Jump_Speed", [] { Set_Jump_Speed(1.0); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Set_Mark_Speed", [] { Set_Mark_Speed(1.0); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Set_Speed", [] { Set_Speed(1.0, 1.0); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Get_Jump_Speed", [] { Get_Jump_Speed(); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Get_Mark_Speed", [] { Get_Mark_Speed(); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Set_Max_Counts", [] { Set_Max_Counts(1); }, TXORB_ERR_NO_CARD_ACTIVE},
    // Mode 0 keeps the vector capture off for the list rows below.
    {"Set_Mode", [] { Set_Mode(0); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Set_Dig_Gain", [] { Set_Dig_Gain(1); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Set_Dig_Gain_Ex", [] { Set_Dig_Gain_Ex(1.0); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Set_Mark_Shift", [] { Set_Mark_Shift(1); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Set_Rot_Grad", [] { Set_Rot_Grad(1.0); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Set_YAG_Parameter", [] { Set_YAG_Parameter(1); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Write_DA", [] { Write_DA(1); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Execute_List_1", [] { Execute_List_1(); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Execute_List_2", [] { Execute_List_2(); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Restart_List_1", [] { Restart_List_1(); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Restart_List_2", [] { Restart_List_2(); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Set_Start_List_1", [] { Set_Start_List_1(); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Set_Start_List_2", [] { Set_Start_List_2(); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Stop_Execution", [] { Stop_Execution(); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Stop_Execution_NoClear", [] { Stop_Execution_NoClear(); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Start_Loop", [] { Start_Loop(); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Quit_Loop", [] { Quit_Loop(); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Aut_Change", [] { Aut_Change(); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Enable_Laser", [] { Enable_Laser(); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Disable_Laser", [] { Disable_Laser(); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Start_Manual_Operation", [] { Start_Manual_Operation(); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Stop_Manual_Operation", [] { Stop_Manual_Operation(); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Start_Laser_Manually", [] { Start_Laser_Manually(); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Stop_Laser_Manually", [] { Stop_Laser_Manually(); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Start_Manual_Move", [] { Start_Manual_Move(); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Stop_Manual_Move", [] { Stop_Manual_Move(); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Get_Manual_Move", [] { Get_Manual_Move(); }, TXORB_ERR_NO_CARD_ACTIVE},
    // Both reads fail; the call still succeeds with zeros, and the outcome says why.
    {"Get_XY_Manual", [] { Get_XY_Manual(&g_x, &g_y); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Get_DXDY_Manual", [] { Get_DXDY_Manual(nullptr, &g_y); }, TXORB_ERR_INVALID_POINTER},
    {"Set_DXDY_Manual", [] { Set_DXDY_Manual(1, 1); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Goto_XY", [] { Goto_XY(1, 1); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Goto_XY_Ex", [] { Goto_XY_Ex(1, 1); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Get_XY_Pos", [] { Get_XY_Pos(&g_x, &g_y); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Read_Status", [] { Read_Status(); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Get_Counts", [] { Get_Counts(); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Get_Head_Mask", [] { Get_Head_Mask(); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Get_Version", [] { Get_Version(); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Get_KRT1_Version", [] { Get_KRT1_Version(); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Get_Ident_Ex", [] { Get_Ident_Ex(); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Get_CPU_Type", [] { Get_CPU_Type(); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Get_Mode_Mask", [] { Get_Mode_Mask(&g_word); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Set_3DMode", [] { Set_3DMode(); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Reset_3DMode", [] { Reset_3DMode(); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Get_KRT1_Mode", [] { Get_KRT1_Mode(); }, TXORB_ERR_OK},
    {"Set_Control_Mode", [] { Set_Control_Mode(1); }, TXORB_ERR_OK},
    {"Read_Int_Start_Attempts", [] { Read_Int_Start_Attempts(); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Load_Cor", [] { Load_Cor(nullptr); }, TXORB_ERR_FILE_NOT_FOUND},
    {"Load_Corr_N", [] { Load_Corr_N("table.ctb", 5); }, TXORB_ERR_INVALID_CARD_NUMBER},
    {"Corr_File_Name", [] { Corr_File_Name(); }, TXORB_ERR_OK},
    {"Load_Corr_File_From_Target_Disk", [] { Load_Corr_File_From_Target_Disk("a.ctb"); },
     TXORB_ERR_NO_CARD_ACTIVE},
    {"Copy_File_To_Target_Disk", [] { Copy_File_To_Target_Disk("a.ctb"); },
     TXORB_ERR_NO_CARD_ACTIVE},
    {"Delete_File_On_Target_Disk", [] { Delete_File_On_Target_Disk("a.ctb"); },
     TXORB_ERR_NO_CARD_ACTIVE},
    {"Make_Boot_Program", [] { Make_Boot_Program("boot.bin"); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Set_3D_Parameters", [] { Set_3D_Parameters(1, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1); },
     TXORB_ERR_NO_CARD_ACTIVE},
    {"Get_3D_Parameters",
     [] { Get_3D_Parameters(&g_i, &g_d, &g_d, &g_d, &g_d, &g_d, &g_d, &g_d, 1); },
     TXORB_ERR_NO_CARD_ACTIVE},
    {"Put_Bitmapline_List", [] { Put_Bitmapline_List(0, 0, 1, 1, g_delays, 2); },
     TXORB_ERR_NO_CARD_ACTIVE},
    {"Put_Bitmapline_List_Ex", [] { Put_Bitmapline_List_Ex(0, 0, 1, 1, g_delays, 2, 1); },
     TXORB_ERR_NO_CARD_ACTIVE},
    {"Read_Port", [] { Read_Port(1, nullptr); }, TXORB_ERR_INVALID_POINTER},
    {"Write_Port", [] { Write_Port(1, 1); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Test_Read_Port", [] { Test_Read_Port(1, &g_word); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Test_Write_Port", [] { Test_Write_Port(1, 1); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Set_DTR_Mirror_Selector", [] { Set_DTR_Mirror_Selector(1); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Set_DSR_Mirror_Selector", [] { Set_DSR_Mirror_Selector(1); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Read_DSR_State", [] { Read_DSR_State(&g_word); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Set_DTR_State", [] { Set_DTR_State(1); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Mark_Abs", [] { Mark_Abs(1, 1); }, TXORB_ERR_OK},
    {"Mark_Rel", [] { Mark_Rel(1, 1); }, TXORB_ERR_OK},
    {"PolA_Abs", [] { PolA_Abs(1, 1); }, TXORB_ERR_OK},
    {"PolB_Abs", [] { PolB_Abs(1, 1); }, TXORB_ERR_OK},
    {"PolC_Abs", [] { PolC_Abs(1, 1); }, TXORB_ERR_OK},
    {"Mark_Abs_Dot", [] { Mark_Abs_Dot(1, 1); }, TXORB_ERR_OK},
    {"PolA_Abs_Dot", [] { PolA_Abs_Dot(1, 1); }, TXORB_ERR_OK},
    {"PolB_Abs_Dot", [] { PolB_Abs_Dot(1, 1); }, TXORB_ERR_OK},
    {"PolC_Abs_Dot", [] { PolC_Abs_Dot(1, 1); }, TXORB_ERR_OK},
    {"Jump_Abs", [] { Jump_Abs(1, 1); }, TXORB_ERR_OK},
    {"Jump_Rel", [] { Jump_Rel(1, 1); }, TXORB_ERR_OK},
    {"PolA_Rel", [] { PolA_Rel(1, 1); }, TXORB_ERR_OK},
    {"PolB_Rel", [] { PolB_Rel(1, 1); }, TXORB_ERR_OK},
    {"PolC_Rel", [] { PolC_Rel(1, 1); }, TXORB_ERR_OK},
    {"Reset_Jump_List", [] { Reset_Jump_List(1, 1); }, TXORB_ERR_OK},
    {"Reset_Jump_List_Rel", [] { Reset_Jump_List_Rel(1, 1); }, TXORB_ERR_OK},
    {"Jump_Abs_3D", [] { Jump_Abs_3D(1, 1, 1, 1); }, TXORB_ERR_OK},
    {"Mark_Abs_3D", [] { Mark_Abs_3D(1, 1, 1, 1); }, TXORB_ERR_OK},
    {"PolA_Abs_3D", [] { PolA_Abs_3D(1, 1, 1, 1); }, TXORB_ERR_OK},
    {"PolB_Abs_3D", [] { PolB_Abs_3D(1, 1, 1, 1); }, TXORB_ERR_OK},
    {"PolC_Abs_3D", [] { PolC_Abs_3D(1, 1, 1, 1); }, TXORB_ERR_OK},
    {"Laser_On", [] { Laser_On(1); }, TXORB_ERR_OK},
    {"Laser_Off", [] { Laser_Off(1); }, TXORB_ERR_OK},
    {"Long_Delay", [] { Long_Delay(1); }, TXORB_ERR_OK},
    {"Set_Wobble_List", [] { Set_Wobble_List(1, 1); }, TXORB_ERR_OK},
    {"Write_DA_List", [] { Write_DA_List(1); }, TXORB_ERR_OK},
    {"Loop_To_Start_List", [] { Loop_To_Start_List(0); }, TXORB_ERR_INVALID_LIST_INDEX},
    {"Jump_To_Start_List", [] { Jump_To_Start_List(4); }, TXORB_ERR_INVALID_LIST_INDEX},
    {"Set_Mark_Parameters_List", [] { Set_Mark_Parameters_List(1, 1); }, TXORB_ERR_OK},
    {"Set_Jump_Parameters_List", [] { Set_Jump_Parameters_List(1, 1); }, TXORB_ERR_OK},
    {"Set_Dot_Parameters_List", [] { Set_Dot_Parameters_List(1, 1); }, TXORB_ERR_OK},
    {"Set_Dot_Params_List", [] { Set_Dot_Params_List(1, 1); }, TXORB_ERR_OK},
    {"Write_Port_List", [] { Write_Port_List(1, 1); }, TXORB_ERR_OK},
    {"Wait_For_External_Start", [] { Wait_For_External_Start(); }, TXORB_ERR_OK},
    {"Mark_Immediately", [] { Mark_Immediately(); }, TXORB_ERR_OK},
    {"Wait_For_Counter_Value", [] { Wait_For_Counter_Value(1); }, TXORB_ERR_OK},
    {"Wait_For_Counter_Value_Ex", [] { Wait_For_Counter_Value_Ex(1); }, TXORB_ERR_OK},
    {"Set_Auto_Jump_Delay_List", [] { Set_Auto_Jump_Delay_List(1, 1); }, TXORB_ERR_OK},
    {"Set_Delays_1_2", [] { Set_Delays_1_2(1, 1); }, TXORB_ERR_OK},
    {"Set_Delays_3_4", [] { Set_Delays_3_4(1, 1); }, TXORB_ERR_OK},
    {"Set_Delays_5_6", [] { Set_Delays_5_6(1, 1); }, TXORB_ERR_OK},
    {"Set_Delays_7_8", [] { Set_Delays_7_8(1, 1); }, TXORB_ERR_OK},
    {"Set_Delays_9_10", [] { Set_Delays_9_10(1, 1); }, TXORB_ERR_OK},
    {"Set_Delays", [] { Set_Delays(1, 1, 1, 1, 1, 1, 1, 1, 1); }, TXORB_ERR_OK},
    {"Set_JobControl_List", [] { Set_JobControl_List(1); }, TXORB_ERR_OK},
    {"Set_Head_Mask", [] { Set_Head_Mask(16); }, TXORB_ERR_PARAMETER_OUT_OF_BOUNDS},
    {"Skip_Var_List", [] { Skip_Var_List(1, 1); }, TXORB_ERR_OK},
    {"Skip_Var_List_Back", [] { Skip_Var_List_Back(1, 1); }, TXORB_ERR_OK},
    {"Skip_Counter_List", [] { Skip_Counter_List(1, 1); }, TXORB_ERR_OK},
    {"Set_Counter_List", [] { Set_Counter_List(1); }, TXORB_ERR_OK},
    {"JobControl_To_Var_List", [] { JobControl_To_Var_List(); }, TXORB_ERR_OK},
    {"Read_Port_To_Var_List", [] { Read_Port_To_Var_List(1); }, TXORB_ERR_OK},
    // The queued records go nowhere.
    {"Set_End_Of_List", [] { Set_End_Of_List(); }, TXORB_ERR_NO_CARD_ACTIVE},
    {"Set_Custlist_Parameters", [] { Set_Custlist_Parameters(1.0, 1.0, 1.0, 1); }, TXORB_ERR_OK},
    {"Get_Custlist_Parameters", [] { Get_Custlist_Parameters(&g_d, &g_d, nullptr, &g_word); },
     TXORB_ERR_INVALID_POINTER},
};

// The public header of the source tree this test was compiled from. A compiler launcher may
// have made __FILE__ relative to the directory the build ran in.
std::filesystem::path PublicHeaderPath() {
    const std::filesystem::path self(__FILE__);
    const std::filesystem::path build(TXORB_BUILD_DIR);
    const std::filesystem::path bases[] = {"", build, build / "tests"};
    for (const auto& base : bases) {
        const std::filesystem::path candidate = base / self;
        if (std::filesystem::exists(candidate)) {
            return candidate.parent_path().parent_path().parent_path() / "include/txorb/txorb.h";
        }
    }
    return {};
}

// The catalogue as the public header declares it: every name of TXORB_EXPORT(...) Name( that
// is not one of the library's own txorb_ extensions.
std::set<std::string> CatalogueNames() {
    std::ifstream header(PublicHeaderPath());
    std::stringstream text;
    text << header.rdbuf();
    const std::string s = text.str();
    const std::regex exportLine(R"(TXORB_EXPORT\([^)]*\)\s*([A-Za-z0-9_]+)\s*\()");
    std::set<std::string> names;
    for (auto it = std::sregex_iterator(s.begin(), s.end(), exportLine);
         it != std::sregex_iterator(); ++it) {
        const std::string name = (*it)[1];
        if (name.rfind("txorb_", 0) != 0) names.insert(name);
    }
    return names;
}

class ThreadOutcome : public ::testing::Test {
protected:
    void SetUp() override { registry.Write(""); }
    void TearDown() override { test::RemoveInstalledCard(1); }

    test::TempRegistry registry;
};

TEST_F(ThreadOutcome, EveryExportRecordsItsOutcomeWithNoCardActive) {
    std::set<std::string> covered;
    for (const Row& row : kNoCardRows) {
        EXPECT_EQ(OutcomeOf(row.call), row.outcome) << row.name;
        covered.insert(row.name);
    }
    // A new export without a row here fails this test until it records its outcome.
    const std::set<std::string> catalogue = CatalogueNames();
    ASSERT_GT(catalogue.size(), 100u);
    for (const std::string& name : catalogue) EXPECT_TRUE(covered.count(name)) << name;
}

TEST_F(ThreadOutcome, SuccessRecordsZeroForReportedQuietAndValueExports) {
    FakeRtb rtb;
    registry.Write(test::TempRegistry::ComPort(3, rtb.Path()));
    ASSERT_NE(test::InstallCard(1, 3), nullptr);
    rtb.ReplyTo(34, FakeRtb::Data({0x34, 0x12}));  // the status poll's word
    const Row rows[] = {
        {"Set_Mark_Speed", [] { Set_Mark_Speed(1.0); }, TXORB_ERR_OK},
        {"Set_Manual_Delay", [] { Set_Manual_Delay(1); }, TXORB_ERR_OK},
        {"Read_Status", [] { EXPECT_EQ(Read_Status(), 0x1234); }, TXORB_ERR_OK},
        {"Output_To_File", [] { Output_To_File(""); }, TXORB_ERR_OK},
        {"Set_Active_Card", [] { Set_Active_Card(1); }, TXORB_ERR_OK},
    };
    for (const Row& row : rows) EXPECT_EQ(OutcomeOf(row.call), row.outcome) << row.name;
}

TEST_F(ThreadOutcome, RefusedListNumbersAndHeadMasksLeaveTheLastErrorStoreAlone) {
    StoreLastErrorCode(TXORB_ERR_RTB_DID_NOT_EXECUTE);
    const Row rows[] = {
        {"Loop_To_Start_List", [] { EXPECT_FALSE(Loop_To_Start_List(-1)); },
         TXORB_ERR_INVALID_LIST_INDEX},
        {"Jump_To_Start_List", [] { EXPECT_TRUE(Jump_To_Start_List(3)); }, TXORB_ERR_OK},
        {"Set_Head_Mask", [] { EXPECT_FALSE(Set_Head_Mask(0)); },
         TXORB_ERR_PARAMETER_OUT_OF_BOUNDS},
        {"Set_Head_Mask", [] { EXPECT_TRUE(Set_Head_Mask(15)); }, TXORB_ERR_OK},
    };
    for (const Row& row : rows) EXPECT_EQ(OutcomeOf(row.call), row.outcome) << row.name;
    EXPECT_EQ(Get_Last_Error_Code(), TXORB_ERR_RTB_DID_NOT_EXECUTE);
}

// A vector that completes a packet with no card to take it: the jumps hide the cause behind
// TXORB_ERR_FUNCTION_CALL_FAILED, the marks give it as it is.
TEST_F(ThreadOutcome, VectorsThatCompleteAPacketWithoutACardRecordTheirReportedCode) {
    // One record short of the 2,500 bytes that send the pending list: 499 records of 5 bytes.
    constexpr int kRecordsBeforeTheTransfer = 499;
    const Row rows[] = {
        {"Jump_Abs", [] { EXPECT_FALSE(Jump_Abs(1, 1)); }, TXORB_ERR_FUNCTION_CALL_FAILED},
        {"Jump_Rel", [] { EXPECT_FALSE(Jump_Rel(1, 1)); }, TXORB_ERR_FUNCTION_CALL_FAILED},
        {"Jump_Abs_3D", [] { EXPECT_FALSE(Jump_Abs_3D(1, 1, 1, 1)); },
         TXORB_ERR_FUNCTION_CALL_FAILED},
        {"Mark_Abs", [] { EXPECT_FALSE(Mark_Abs(1, 1)); }, TXORB_ERR_NO_CARD_ACTIVE},
    };
    for (const Row& row : rows) {
        list::ClearListBuffer();
        for (int i = 0; i < kRecordsBeforeTheTransfer; ++i) ASSERT_TRUE(Long_Delay(1));
        EXPECT_EQ(OutcomeOf(row.call), row.outcome) << row.name;
    }
}

TEST_F(ThreadOutcome, EachThreadKeepsItsOwnOutcome) {
    EXPECT_EQ(OutcomeOf([] { Read_Status(); }), TXORB_ERR_NO_CARD_ACTIVE);
    uint32_t other = kNothingRecorded;
    std::thread([&other] { other = OutcomeOf([] { Get_KRT1_Mode(); }); }).join();
    EXPECT_EQ(other, TXORB_ERR_OK);
    EXPECT_EQ(txorb_thread_last_failure(), TXORB_ERR_NO_CARD_ACTIVE);
}

}  // namespace
}  // namespace txorb
