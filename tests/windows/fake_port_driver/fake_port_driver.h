/* The call log of the stand-in port driver (tests/windows/fake_port_driver). */
#ifndef FAKE_PORT_DRIVER_H
#define FAKE_PORT_DRIVER_H

#include <stdint.h>

#define FAKE_PORT_DRIVER_MAX_CALLS 64
#define FAKE_PORT_DRIVER_PORT_VALUE 0xA5u /* what every port read gives */
#define FAKE_PORT_DRIVER_PCI_PATTERN 0x5A /* scratch byte i is i ^ this */

struct fake_port_driver_call {
    uint32_t ordinal;
    uintptr_t args[4];
};

struct fake_port_driver_log {
    uint32_t count;
    struct fake_port_driver_call calls[FAKE_PORT_DRIVER_MAX_CALLS];
    char start_key[64];
};

typedef struct fake_port_driver_log* (*fake_port_driver_log_fn)(void);

#endif
