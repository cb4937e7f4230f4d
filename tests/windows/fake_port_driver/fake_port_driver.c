/*
 * A stand-in for krt_dd.dll that records how it is called: the ordinals the library binds,
 * their arguments, and a PCI header and port values of its own. Built as krt_dd.dll into a
 * directory of its own, so that only a test that asks for it finds it.
 */
#include <windows.h>

#include <stdint.h>
#include <string.h>

#include "fake_port_driver.h"

static struct fake_port_driver_log g_log;

static void Record(uint32_t ordinal, uintptr_t a, uintptr_t b, uintptr_t c, uintptr_t d) {
    if (g_log.count >= FAKE_PORT_DRIVER_MAX_CALLS) return;
    struct fake_port_driver_call* call = &g_log.calls[g_log.count++];
    call->ordinal = ordinal;
    call->args[0] = a;
    call->args[1] = b;
    call->args[2] = c;
    call->args[3] = d;
}

int32_t WINAPI FakeOpen(int32_t zero) {
    Record(12, (uintptr_t)zero, 0, 0, 0);
    return 0;
}

int32_t WINAPI FakeStart(const char* key) {
    Record(13, 0, 0, 0, 0);
    strncpy(g_log.start_key, key != NULL ? key : "", sizeof g_log.start_key - 1);
    return 0;
}

int32_t WINAPI FakeStop(void) {
    Record(14, 0, 0, 0, 0);
    return 0;
}

int32_t WINAPI FakeEnableIoRange(uint32_t port, uint32_t count, uint32_t width) {
    Record(60, port, count, width, 0);
    return 0;
}

uint32_t WINAPI FakeReadPortByte(uint32_t port) {
    Record(63, port, 0, 0, 0);
    return FAKE_PORT_DRIVER_PORT_VALUE;
}

uint32_t WINAPI FakeWritePortByte(uint32_t port, uint32_t value) {
    Record(66, port, value, 0, 0);
    return 1;
}

int32_t WINAPI FakeReadPciConfig(void* scratch, int32_t bus, int32_t slot, int32_t mode) {
    Record(70, (uintptr_t)bus, (uintptr_t)slot, (uintptr_t)mode, 0);
    unsigned char* bytes = (unsigned char*)scratch;
    for (int i = 0; i < 512; ++i) bytes[i] = (unsigned char)(i ^ FAKE_PORT_DRIVER_PCI_PATTERN);
    return 0;
}

struct fake_port_driver_log* fake_port_driver_log(void) {
    return &g_log;
}
