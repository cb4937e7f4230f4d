// The outcome every export leaves for txorb_thread_last_failure on its own thread.
#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <set>
#include <string>
#include <thread>

#include "api/outcome.h"
#include "common/process_state.h"
#include "list/list_buffer.h"
#include "support/fake_rtb.h"
#include "support/test_env.h"
#include "txorb/txorb.h"

namespace txorb {
namespace {

using test::FakeRtb;

// No export ever records the guard code, so finding it after a call means the call recorded
// nothing and left the previous outcome in place.
constexpr uint32_t kNothingRecorded = TXORB_ERR_GUARD;
constexpr uint32_t kOk = TXORB_ERR_OK;
constexpr uint32_t kNoCard = TXORB_ERR_NO_CARD_ACTIVE;

// Primes the thread's outcome, runs the call and gives what it recorded.
uint32_t OutcomeOf(const std::function<void()>& call) {
    api::RecordOutcome(kNothingRecorded);
    call();
    return txorb_thread_last_failure();
}

struct Row {
    std::string call;
    std::function<void()> run;
    uint32_t outcome;
    std::string Name() const { return call.substr(0, call.find('(')); }
};
#define OUTCOME(call, outcome) \
    { \
#call, [] { call; }, outcome \
    }
#define NO_CARD(call) OUTCOME(call, kNoCard)
#define OK(call) OUTCOME(call, kOk)

int16_t g_x = 0, g_y = 0;
uint16_t g_word = 0;
double g_d = 0.0;
int32_t g_i = 0;
uint16_t g_delays[2] = {1, 2};

// Every export with no card active: the exchanges give TXORB_ERR_NO_CARD_ACTIVE, exports that
// need no card succeed.
const Row kNoCardRows[] = {
    OK(Get_Last_Error_Code()), OK(Get_Error_Message(3)), OK(Get_Last_Error_Message()),
    OK(Get_DLL_Version()), OK(Get_System_Status()), OK(DLL_Status_Query(0, 0, 0, nullptr, nullptr)),
    OK(Set_Delays_11_12(1, 2)), OK(Field_Jump(1, 2)), OK(Home_Jump(1, 2)),
    // The test registry names no serial port for card 1.
    OUTCOME(Init_Scan_Card(), TXORB_ERR_SERIAL_PORT_KEY_NOT_FOUND),
    OUTCOME(Init_Scan_Card_Ex(11), TXORB_ERR_INVALID_CARD_NUMBER), OK(Remove_Scan_Card()),
    OK(Remove_Scan_Card_Ex(2)), OUTCOME(Set_Active_Card(4), TXORB_ERR_FUNCTION_CALL_FAILED),
    OK(Get_Active_Card()), NO_CARD(Output_To_File("capture.bin")), NO_CARD(Set_Auto_Delay(1)),
    NO_CARD(Set_Jump_Delay(1)), NO_CARD(Set_Mark_Delay(1)), NO_CARD(Set_Poly_Delay(1)),
    NO_CARD(Set_Laser_Off_Delay(1)), NO_CARD(Set_Laser_On_Delay(1)), NO_CARD(Set_T1(1)),
    NO_CARD(Set_T2(1)), NO_CARD(Set_T3(1)), NO_CARD(Set_Manual_Delay(1)), NO_CARD(Set_Gain_X(1.0)),
    NO_CARD(Set_Gain_Y(1.0)), NO_CARD(Set_Offset_X(1)), NO_CARD(Set_Offset_Y(1)),
    OUTCOME(Set_Gain(1.0, 1.0, 0, 0), TXORB_ERR_FUNCTION_CALL_FAILED), NO_CARD(Set_Jump_Speed(1.0)),
    NO_CARD(Set_Mark_Speed(1.0)), NO_CARD(Set_Speed(1.0, 1.0)), NO_CARD(Get_Jump_Speed()),
    NO_CARD(Get_Mark_Speed()), NO_CARD(Set_Max_Counts(1)),
    // Mode 0 keeps the vector capture off for the list rows below.
    NO_CARD(Set_Mode(0)), NO_CARD(Set_Dig_Gain(1)), NO_CARD(Set_Dig_Gain_Ex(1.0)),
    NO_CARD(Set_Mark_Shift(1)), NO_CARD(Set_Rot_Grad(1.0)), NO_CARD(Set_YAG_Parameter(1)),
    NO_CARD(Write_DA(1)), NO_CARD(Execute_List_1()), NO_CARD(Execute_List_2()),
    NO_CARD(Restart_List_1()), NO_CARD(Restart_List_2()), NO_CARD(Set_Start_List_1()),
    NO_CARD(Set_Start_List_2()), NO_CARD(Stop_Execution()), NO_CARD(Stop_Execution_NoClear()),
    NO_CARD(Start_Loop()), NO_CARD(Quit_Loop()), NO_CARD(Aut_Change()), NO_CARD(Enable_Laser()),
    NO_CARD(Disable_Laser()), NO_CARD(Start_Manual_Operation()), NO_CARD(Stop_Manual_Operation()),
    NO_CARD(Start_Laser_Manually()), NO_CARD(Stop_Laser_Manually()), NO_CARD(Start_Manual_Move()),
    NO_CARD(Stop_Manual_Move()), NO_CARD(Get_Manual_Move()),
    // Both reads fail; the call still succeeds with zeros, and the outcome says why.
    NO_CARD(Get_XY_Manual(&g_x, &g_y)),
    OUTCOME(Get_DXDY_Manual(nullptr, &g_y), TXORB_ERR_INVALID_POINTER),
    NO_CARD(Set_DXDY_Manual(1, 1)), NO_CARD(Goto_XY(1, 1)), NO_CARD(Goto_XY_Ex(1, 1)),
    NO_CARD(Get_XY_Pos(&g_x, &g_y)), NO_CARD(Read_Status()), NO_CARD(Get_Counts()),
    NO_CARD(Get_Head_Mask()), NO_CARD(Get_Version()), NO_CARD(Get_KRT1_Version()),
    NO_CARD(Get_Ident_Ex()), NO_CARD(Get_CPU_Type()), NO_CARD(Get_Mode_Mask(&g_word)),
    NO_CARD(Set_3DMode()), NO_CARD(Reset_3DMode()), OK(Get_KRT1_Mode()), OK(Set_Control_Mode(1)),
    NO_CARD(Read_Int_Start_Attempts()), OUTCOME(Load_Cor(nullptr), TXORB_ERR_FILE_NOT_FOUND),
    OUTCOME(Load_Corr_N("table.ctb", 5), TXORB_ERR_INVALID_CARD_NUMBER), OK(Corr_File_Name()),
    NO_CARD(Load_Corr_File_From_Target_Disk("a.ctb")), NO_CARD(Copy_File_To_Target_Disk("a.ctb")),
    NO_CARD(Delete_File_On_Target_Disk("a.ctb")), NO_CARD(Make_Boot_Program("boot.bin")),
    NO_CARD(Set_3D_Parameters(1, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1)),
    NO_CARD(Get_3D_Parameters(&g_i, &g_d, &g_d, &g_d, &g_d, &g_d, &g_d, &g_d, 1)),
    NO_CARD(Put_Bitmapline_List(0, 0, 1, 1, g_delays, 2)),
    NO_CARD(Put_Bitmapline_List_Ex(0, 0, 1, 1, g_delays, 2, 1)),
    OUTCOME(Read_Port(1, nullptr), TXORB_ERR_INVALID_POINTER), NO_CARD(Write_Port(1, 1)),
    NO_CARD(Test_Read_Port(1, &g_word)), NO_CARD(Test_Write_Port(1, 1)),
    NO_CARD(Set_DTR_Mirror_Selector(1)), NO_CARD(Set_DSR_Mirror_Selector(1)),
    NO_CARD(Read_DSR_State(&g_word)), NO_CARD(Set_DTR_State(1)),
    // List records are only queued until the end of the list sends them.
    OK(Mark_Abs(1, 1)), OK(Mark_Rel(1, 1)), OK(PolA_Abs(1, 1)), OK(PolB_Abs(1, 1)),
    OK(PolC_Abs(1, 1)), OK(Mark_Abs_Dot(1, 1)), OK(PolA_Abs_Dot(1, 1)), OK(PolB_Abs_Dot(1, 1)),
    OK(PolC_Abs_Dot(1, 1)), OK(Jump_Abs(1, 1)), OK(Jump_Rel(1, 1)), OK(PolA_Rel(1, 1)),
    OK(PolB_Rel(1, 1)), OK(PolC_Rel(1, 1)), OK(Reset_Jump_List(1, 1)),
    OK(Reset_Jump_List_Rel(1, 1)), OK(Jump_Abs_3D(1, 1, 1, 1)), OK(Mark_Abs_3D(1, 1, 1, 1)),
    OK(PolA_Abs_3D(1, 1, 1, 1)), OK(PolB_Abs_3D(1, 1, 1, 1)), OK(PolC_Abs_3D(1, 1, 1, 1)),
    OK(Laser_On(1)), OK(Laser_Off(1)), OK(Long_Delay(1)), OK(Set_Wobble_List(1, 1)),
    OK(Write_DA_List(1)), OUTCOME(Loop_To_Start_List(0), TXORB_ERR_INVALID_LIST_INDEX),
    OUTCOME(Jump_To_Start_List(4), TXORB_ERR_INVALID_LIST_INDEX),
    OK(Set_Mark_Parameters_List(1, 1)), OK(Set_Jump_Parameters_List(1, 1)),
    OK(Set_Dot_Parameters_List(1, 1)), OK(Set_Dot_Params_List(1, 1)), OK(Write_Port_List(1, 1)),
    OK(Wait_For_External_Start()), OK(Mark_Immediately()), OK(Wait_For_Counter_Value(1)),
    OK(Wait_For_Counter_Value_Ex(1)), OK(Set_Auto_Jump_Delay_List(1, 1)), OK(Set_Delays_1_2(1, 1)),
    OK(Set_Delays_3_4(1, 1)), OK(Set_Delays_5_6(1, 1)), OK(Set_Delays_7_8(1, 1)),
    OK(Set_Delays_9_10(1, 1)), OK(Set_Delays(1, 1, 1, 1, 1, 1, 1, 1, 1)),
    OK(Set_JobControl_List(1)), OUTCOME(Set_Head_Mask(16), TXORB_ERR_PARAMETER_OUT_OF_BOUNDS),
    OK(Skip_Var_List(1, 1)), OK(Skip_Var_List_Back(1, 1)), OK(Skip_Counter_List(1, 1)),
    OK(Set_Counter_List(1)), OK(JobControl_To_Var_List()), OK(Read_Port_To_Var_List(1)),
    // The queued records go nowhere.
    NO_CARD(Set_End_Of_List()), OK(Set_Custlist_Parameters(1.0, 1.0, 1.0, 1)),
    OUTCOME(Get_Custlist_Parameters(&g_d, &g_d, nullptr, &g_word), TXORB_ERR_INVALID_POINTER)};

// The exports as the public header declares them: every name of TXORB_EXPORT(...) Name( that
// is not one of the library's own txorb_ extensions.
std::set<std::string> CatalogueNames() {
    const std::string s = test::PublicHeaderText();
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
        EXPECT_EQ(OutcomeOf(row.run), row.outcome) << row.call;
        covered.insert(row.Name());
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
    const Row rows[] = {OUTCOME(Set_Mark_Speed(1.0), kOk), OUTCOME(Set_Manual_Delay(1), kOk),
                        OUTCOME(EXPECT_EQ(Read_Status(), 0x1234), kOk),
                        OUTCOME(Output_To_File(""), kOk), OUTCOME(Set_Active_Card(1), kOk)};
    for (const Row& row : rows) EXPECT_EQ(OutcomeOf(row.run), row.outcome) << row.call;
}

TEST_F(ThreadOutcome, EachThreadKeepsItsOwnOutcome) {
    EXPECT_EQ(OutcomeOf([] { Read_Status(); }), kNoCard);
    uint32_t other = kNothingRecorded;
    std::thread([&other] { other = OutcomeOf([] { Get_KRT1_Mode(); }); }).join();
    EXPECT_EQ(other, kOk);
    EXPECT_EQ(txorb_thread_last_failure(), kNoCard);
}

}  // namespace
}  // namespace txorb
