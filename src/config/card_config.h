// The per-card configuration readers that card initialisation asks how a card is connected.
// Each returns TXORB_ERR_OK on success or the code named below, and never throws. Card numbers
// are 1..10.
#pragma once

#include <cstdint>

#include "common/error_codes.h"

namespace txorb::config {

inline constexpr uint32_t kDumpFileNameBytes = 260;

// com := 0, then "serial_port" as a signed decimal. Gives TXORB_ERR_SERIAL_PORT_KEY_NOT_FOUND
// when the value is absent.
ErrorCode ReadSerialPort(int card, int32_t* com);
// com := 0, then the COM number the serial driver's device map names for this card
// ("Oxser" or "\Device\Oxser" followed by 2*card-2). TXORB_ERR_SERIAL_PORT_KEY_NOT_FOUND when
// neither is there.
ErrorCode ResolveSerialPortByDriver(int card, int32_t* com);
// base := 0xFFFF, then "parallel_port"; fifoBase := "fifo_port". TXORB_ERR_OK only when
// "fifo_port" is present and "parallel_port" exists at all (of whatever type); else
// TXORB_ERR_PARALLEL_PORT_KEY_NOT_FOUND.
ErrorCode ReadParallelPorts(int card, uint32_t* base, uint32_t* fifoBase);
// Both := 0xFFFF, then the bases from the parallel driver's resource lists.
// TXORB_ERR_PARALLEL_PORT_KEY_NOT_FOUND when none is found.
ErrorCode FindParallelResources(int card, uint32_t* base, uint32_t* fifoBase);
// ms := 0, then "comm_timeout" as a signed decimal. TXORB_ERR_SERIAL_PORT_KEY_NOT_FOUND when
// the value is absent.
ErrorCode ReadCommTimeout(int card, int32_t* ms);
// buffer (kDumpFileNameBytes) := "", then "CMD_dump_file". TXORB_ERR_FUNCTION_CALL_FAILED
// when it is absent or empty.
ErrorCode ReadDumpFileName(int card, char* buffer);
// "ping_allowed" is "yes" in any letter case.
bool IsPingAllowed();

// What a "serial_port" value asks for.
enum class SerialPortUse : uint8_t {
    kComAndParallel,  // 1..19: that COM port, and the parallel link when one is configured
    kComOnly,         // 41..59: COM value - 40, and no parallel link
    kDriverMap,       // 0, 25: the COM port the serial driver's device map names
    kInvalid,         // anything else: TXORB_ERR_INVALID_SERIAL_PORT_NUMBER
};
// com := the COM number for kComAndParallel and kComOnly, else 0.
SerialPortUse ClassifySerialPort(int32_t value, uint32_t* com);
// The parallel link of a card whose COM port comes from the driver map: the configured bases
// when ReadParallelPorts succeeds with a non-zero base, else FindParallelResources.
ErrorCode ReadOrFindParallelPorts(int card, uint32_t* base, uint32_t* fifoBase);

}  // namespace txorb::config
