#include "api/error_table.h"

namespace txorb::api {
namespace {
// The spelling is the system's own and applications compare against it: do not correct it.
constexpr const char* kTexts[kErrorTextCount] = {
    "No error",
    "Not enought memory available",
    "Invalid base address",
    "Card already initialised",
    "Scan card not initialised",
    "End-of-list command missing",
    "No scan in progress",
    "Action not possible (scan in progress)",
    "Scan already in progress",
    "No vectors available",
    "Invalid vector list",
    "Set Gain in progress",
    "Invalid list index",
    "List incomplete",
    "Could not add list command",
    "Command not allowed now",
    "Parameter out of bounds",
    "COM-Port already open",
    "Could not open COM-Port",
    "Invalid pointer",
    "File not found",
    "Invalid file format",
    "Command ignored",
    "COM-Port not open",
    "Serial command buffer full",
    "Invalid command ID",
    "No card active",
    "Out of field during MOTF",
    "Card not configured for function",
    "Unknown Error",
    "Invalid card number",
    "Could not ping a serial port",
    "Serial port key not found in Registry",
    "Parallel port key not found in Registry",
    "Invalid serial port number in Registry",
    "Card connection ctor failed",
    "Card initialisation command sequence failed",
    "Function call failed",
    "Could not send command to RTB (communications failure).",
    "Could not recieve a response from the RTB (communications failure).",
    "The RTB did not execute the command successfully.",
    "Failed to send on Parallel port (communications error).",
    "Failed to send on Serial port (communication error).",
    "Failed to send to File (communication error).",
    "Wrong response length from RTB (communications error).",
    "Timed out waiting for response from RTB (communications error).",
    "Warning: cannot receive from Port because File is being read.",
    "cannot be used simultaneously PCD and AutoSegmentation",
    "Scan interrupt not detected.",
    "No more pixels available.",
    "Pixel not ready for output.",
    "Guard value - move when new messages are added.",
};
}  // namespace

const char* LoadErrorText(int code) {
    if (code < 0 || code >= kErrorTextCount) return nullptr;
    return kTexts[code];
}

}  // namespace txorb::api
