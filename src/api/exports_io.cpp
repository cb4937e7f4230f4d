#include "api/report.h"
#include "commands/io_ports.h"
#include "txorb/txorb.h"

using namespace txorb;

namespace {

// A null output has nowhere to put the value: the port is not read at all, because a read
// can consume data on the card.
ErrorCode ReadPortInto(uint8_t opcode, uint16_t addressOffset, uint16_t* pValue) {
    if (pValue == nullptr) return err::kInvalidPointer;
    return commands::ReadPort(opcode, addressOffset, pValue);
}

}  // namespace

extern "C" {

TXORB_EXPORT(bool) Read_Port(uint16_t usAddressOffset, uint16_t* pValue) {
    const ErrorCode code = ReadPortInto(opcode::kReadPort, usAddressOffset, pValue);
    api::Trace("AddressOffset=%d Value=%d", usAddressOffset, pValue != nullptr ? *pValue : 0);
    return api::Frame(code, __func__);
}

TXORB_EXPORT(bool) Test_Read_Port(uint16_t usAddressOffset, uint16_t* pValue) {
    const ErrorCode code = ReadPortInto(opcode::kTestReadPort, usAddressOffset, pValue);
    api::Trace("AddressOffset=%d Value=%d", usAddressOffset, pValue != nullptr ? *pValue : 0);
    return api::Quiet(code);
}

TXORB_EXPORT(bool) Write_Port(uint16_t usAddressOffset, uint16_t usValue) {
    api::Trace("AddressOffset=%d Value=%d", usAddressOffset, usValue);
    return api::Frame(commands::WritePort(opcode::kWritePort, usAddressOffset, usValue), __func__);
}

TXORB_EXPORT(bool) Test_Write_Port(uint16_t usAddressOffset, uint16_t usValue) {
    api::Trace("AddressOffset=%d Value=%d", usAddressOffset, usValue);
    return api::Quiet(commands::WritePort(opcode::kTestWritePort, usAddressOffset, usValue));
}

TXORB_EXPORT(bool) Set_DTR_Mirror_Selector(uint16_t usSelector) {
    api::Trace("usSelector=%d", usSelector);
    return api::Frame(commands::SetMirrorSelector(opcode::kSetDtrMirrorSelector, usSelector),
                      __func__);
}

TXORB_EXPORT(bool) Set_DSR_Mirror_Selector(uint16_t usSelector) {
    api::Trace("usSelector=%d", usSelector);
    return api::Frame(commands::SetMirrorSelector(opcode::kSetDsrMirrorSelector, usSelector),
                      __func__);
}

TXORB_EXPORT(bool) Read_DSR_State(uint16_t* state) {
    uint16_t value = 0;
    ErrorCode code = commands::ReadDsrState(&value);
    if (code == err::kOk) {
        if (state != nullptr) {
            *state = value;
        } else {
            code = err::kInvalidPointer;
        }
    }
    api::Trace("*pusState=%d", value);
    return api::Frame(code, __func__);
}

TXORB_EXPORT(bool) Set_DTR_State(uint16_t usState) {
    api::Trace("usState=%d", usState);
    return api::Frame(commands::SetDtrState(usState), __func__);
}

}  // extern "C"
