// List execution control and the laser enable.
#include "api/report.h"
#include "commands/execution.h"
#include "txorb/txorb.h"

using namespace txorb;
namespace op = txorb::commands::opcode;

namespace {
constexpr uint16_t kList1 = 0;
constexpr uint16_t kList2 = 1;
}  // namespace

extern "C" {

bool Execute_List_1(void) { return api::Frame(commands::ExecuteList(kList1), "Execute_List_1"); }
bool Execute_List_2(void) { return api::Frame(commands::ExecuteList(kList2), "Execute_List_2"); }
bool Restart_List_1(void) { return api::Frame(commands::ExecuteList(kList1), "Restart_List_1"); }
bool Restart_List_2(void) { return api::Frame(commands::ExecuteList(kList2), "Restart_List_2"); }

bool Set_Start_List_1(void) {
    return api::Frame(commands::SetStartList(kList1), "Set_Start_List_1");
}
bool Set_Start_List_2(void) {
    return api::Frame(commands::SetStartList(kList2), "Set_Start_List_2");
}

bool Start_Loop(void) { return api::Frame(commands::SimpleCommand(op::kStartLoop), "Start_Loop"); }
bool Quit_Loop(void) { return commands::SimpleCommand(op::kQuitLoop) == err::kOk; }

// A stop is what an operator reaches for when something is wrong, so it honours a message-box
// switch changed since the library was loaded.
bool Stop_Execution(void) {
    const ErrorCode code = commands::StopExecution(false);
    api::ReportErrorRereading(code, "Stop_Execution");
    return code == err::kOk;
}
bool Stop_Execution_NoClear(void) {
    return api::Frame(commands::StopExecution(true), "Stop_Execution_NoClear");
}

bool Aut_Change(void) { return api::Frame(commands::SimpleCommand(op::kAutChange), "Aut_Change"); }
bool Enable_Laser(void) {
    return api::Frame(commands::SimpleCommand(op::kEnableLaser), "Enable_Laser");
}
bool Disable_Laser(void) {
    return api::Frame(commands::SimpleCommand(op::kDisableLaser), "Disable_Laser");
}

}  // extern "C"
