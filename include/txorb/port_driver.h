/*
 * port_driver.h - the ABI of a txorb port-driver module.
 *
 * libtxorb never touches I/O ports or PCI configuration space itself. It loads a driver module
 * (a shared object named by the environment variable TXORB_PORT_DRIVER, or its built-in Linux
 * driver when that is unset) and calls it through this table. A module exports exactly one
 * function, txorb_port_driver, which returns a table whose abi_version is 1; a module that cannot
 * be loaded, lacks the export or has another version counts as a driver that did not start.
 */
#ifndef TXORB_PORT_DRIVER_H
#define TXORB_PORT_DRIVER_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define TXORB_PORT_DRIVER_ABI_VERSION 1u

/* width_flag values of enable_io_range */
#define TXORB_IO_WIDTH_8 0x10000u
#define TXORB_IO_WIDTH_16 0x20000u
#define TXORB_IO_WIDTH_32 0x40000u

struct txorb_port_driver {
    uint32_t abi_version;              /* 1 */
    int32_t (*open)(int32_t zero);     /* result ignored */
    int32_t (*start)(const char* key); /* 0 = ready */
    int32_t (*stop)(void);             /* 0 = stopped */
    int32_t (*enable_io_range)(uint32_t port, uint32_t count, uint32_t width_flag); /* 0 = ok */
    uint32_t (*read_port_byte)(uint32_t port);
    uint32_t (*write_port_byte)(uint32_t port, uint32_t value);
    /* Fills scratch512 with the 256-byte configuration header of (bus, slot) where
       slot = device + 32 * function; mode is always 5. 0 = ok. */
    int32_t (*read_pci_config)(void* scratch512, int32_t bus, int32_t slot, int32_t mode);
};

typedef const struct txorb_port_driver* (*txorb_port_driver_entry)(void);

/* The module's one export. */
const struct txorb_port_driver* txorb_port_driver(void);

#ifdef __cplusplus
}
#endif

#endif /* TXORB_PORT_DRIVER_H */
