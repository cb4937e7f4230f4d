/*
 * A fake port-driver module for the tests: parallel peripherals that answer the byte handshake
 * (or fail it on purpose), a table of PCI configuration headers, and a log of every call the
 * library makes. Tests reach these control functions through dlsym on the same module the
 * library loaded, so both see one state.
 */
#ifndef TXORB_FAKE_DRIVER_H
#define TXORB_FAKE_DRIVER_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

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
    uint32_t a;
    uint32_t b;
    uint32_t c;
};

typedef void (*fake_driver_byte_sink)(uint32_t data_base, uint8_t byte, void* context);

/* Forgets peripherals, PCI headers, the log and the sink; every result back to 0, abi to 1. */
void fake_driver_reset(void);
void fake_driver_set_results(int32_t start, int32_t stop, int32_t enable);
/* Takes effect for the next load of the module's table. */
void fake_driver_set_abi(uint32_t abi);
/* A peripheral on data_base..data_base+2. After a data write, the set_after-th status read
   shows bit 7 set; after the strobe (control = 1) the clear_after-th read shows it clear.
   0 means never. The byte is taken at the strobe and handed to the sink. */
void fake_driver_add_peripheral(uint32_t data_base, uint32_t set_after, uint32_t clear_after);
void fake_driver_set_byte_sink(fake_driver_byte_sink sink, void* context);
/* header is 256 bytes; the scratch buffer beyond it is filled with 0xEE. */
void fake_driver_add_pci(int32_t bus, int32_t slot, const uint8_t* header);
size_t fake_driver_call_count(void);
int fake_driver_call_at(size_t index, struct fake_driver_call* out);
/* The bytes a peripheral has taken; returns their count (copies at most capacity). */
size_t fake_driver_received(uint32_t data_base, uint8_t* out, size_t capacity);
/* The key the last start() was given ("" before any). */
const char* fake_driver_start_key(void);

#ifdef __cplusplus
}
#endif

#endif /* TXORB_FAKE_DRIVER_H */
