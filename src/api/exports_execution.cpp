// List execution control and the laser enable.
#include "api/report.h"
#include "commands/execution.h"
#include "txorb/txorb.h"

using namespace txorb;

namespace {
constexpr uint16_t kList1 = 0;
constexpr uint16_t kList2 = 1;
}  // namespace

extern "C" {

TXORB_EXPORT(bool) Execute_List_1(void) {
    return api::Frame(commands::ExecuteList(kList1), __func__);
}
TXORB_EXPORT(bool) Execute_List_2(void) {
    return api::Frame(commands::ExecuteList(kList2), __func__);
}
TXORB_EXPORT(bool) Restart_List_1(void) {
    return api::Frame(commands::ExecuteList(kList1), __func__);
}
TXORB_EXPORT(bool) Restart_List_2(void) {
    return api::Frame(commands::ExecuteList(kList2), __func__);
}

TXORB_EXPORT(bool) Set_Start_List_1(void) {
    return api::Frame(commands::SetStartList(kList1), __func__);
}
TXORB_EXPORT(bool) Set_Start_List_2(void) {
    return api::Frame(commands::SetStartList(kList2), __func__);
}

TXORB_EXPORT(bool) Start_Loop(void) {
    return api::Frame(commands::SimpleCommand(opcode::kStartLoop), __func__);
}
TXORB_EXPORT(bool) Quit_Loop(void) {
    return api::Quiet(commands::SimpleCommand(opcode::kQuitLoop));
}

// A stop is what an operator reaches for when something is wrong, so it honours a message-box
// switch changed since the library was loaded.
TXORB_EXPORT(bool) Stop_Execution(void) {
    const ErrorCode code = commands::StopExecution(false);
    api::ReportErrorRereading(code, __func__);
    return code == err::kOk;
}
TXORB_EXPORT(bool) Stop_Execution_NoClear(void) {
    return api::Frame(commands::StopExecution(true), __func__);
}

TXORB_EXPORT(bool) Aut_Change(void) {
    return api::Frame(commands::SimpleCommand(opcode::kAutChange), __func__);
}
TXORB_EXPORT(bool) Enable_Laser(void) {
    return api::Frame(commands::SimpleCommand(opcode::kEnableLaser), __func__);
}
TXORB_EXPORT(bool) Disable_Laser(void) {
    return api::Frame(commands::SimpleCommand(opcode::kDisableLaser), __func__);
}

}  // extern "C"
