/*
 * A fake port-driver module for the tests: parallel peripherals that answer the byte handshake
 * (or fail it on purpose), a table of PCI configuration headers, and a log of every call the
 * library makes. All of it is one plain state the module exports; the tests reach it through
 * dlsym on the same module the library loaded, so both see one state.
 */
#ifndef TXORB_FAKE_DRIVER_H
#define TXORB_FAKE_DRIVER_H

#include <stddef.h>
#include <stdint.h>

enum fake_driver_op {
    FAKE_OPEN = 1,
    FAKE_START = 2,
    FAKE_STOP = 3,
    FAKE_ENABLE = 4, /* a = port, b = count, c = width flag */
    FAKE_READ = 5,   /* a = port, b = value returned */
    FAKE_WRITE = 6,  /* a = port, b = value */
    FAKE_PCI = 7     /* a = bus, b = slot, c = mode */
};

struct fake_driver_call {
    int32_t op;
    uint32_t a, b, c;
};

/* A peripheral on base..base+2. After a data write, the set_after-th status read shows bit 7
   set; after the strobe (control = 1) the clear_after-th read shows it clear. 0 means never.
   The byte is taken at the strobe, kept in received and handed to the sink. */
struct fake_driver_peripheral {
    uint32_t base, set_after, clear_after;
    int state; /* 0 idle, 1 latched, 2 strobed */
    uint32_t reads;
    uint8_t latch;
    size_t received_count;
    uint8_t received[4096];
};

typedef void (*fake_driver_byte_sink)(uint32_t data_base, uint8_t byte, void* context);

/* Zeroed, it is a driver whose every call succeeds, with no peripheral and no PCI device. */
struct fake_driver_state {
    uint32_t abi; /* 0: TXORB_PORT_DRIVER_ABI_VERSION; read when the table is fetched */
    int32_t start_result, stop_result, enable_result;
    char start_key[64]; /* what the last start() was given */
    fake_driver_byte_sink sink;
    void* sink_context;
    size_t peripheral_count;
    struct fake_driver_peripheral peripherals[4];
    size_t pci_count;
    struct {
        int32_t bus, slot;
        uint8_t header[256]; /* the scratch buffer beyond it is filled with 0xEE */
    } pci[4];
    size_t call_count;
    struct fake_driver_call calls[32768];
};

#endif /* TXORB_FAKE_DRIVER_H */
