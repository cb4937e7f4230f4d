// Communications-API implementation of the serial-port seam: the COM device opened for
// overlapped I/O. Every wait blocks on the port's event with what is left of the caller's
// time-out; nothing polls.
#include <windows.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <new>

#include "platform/serial_port.h"

namespace txorb::platform {
namespace {

constexpr DWORD kQueueBytes = 8192;  // driver queue, each way
constexpr DWORD kBaudRate = 115200;
constexpr WORD kXonLimit = 4096;
constexpr WORD kXoffLimit = 8176;
constexpr char kXonChar = 0x11;
constexpr char kXoffChar = 0x13;
constexpr DWORD kWriteMsPerByte = 2;
constexpr DWORD kWriteMsConstant = 100;

// One open port: the device and the manual-reset event of its overlapped requests. The link
// using a port is under the library-wide lock, so one request at a time shares the event.
struct Port {
    HANDLE device;
    HANDLE event;
    char path[32];  // as opened, while this handle holds it
};

Port* AsPort(SerialHandle h) { return reinterpret_cast<Port*>(h); }

// The ports this process holds. A COM port's driver refuses a second opener by itself; a device
// that merely stands in for one (Wine maps COM n to any tty) does not, so the refusal is also
// made here, for the opens of this process.
constexpr size_t kMaxHeldPorts = 64;
std::mutex g_heldMutex;
Port* g_held[kMaxHeldPorts] = {};

bool Hold(Port* port) {
    std::lock_guard<std::mutex> lock(g_heldMutex);
    Port** free = nullptr;
    for (Port*& slot : g_held) {
        if (slot != nullptr && lstrcmpiA(slot->path, port->path) == 0) return false;
        if (slot == nullptr && free == nullptr) free = &slot;
    }
    if (free == nullptr) return false;
    *free = port;
    return true;
}

void Release(Port* port) {
    std::lock_guard<std::mutex> lock(g_heldMutex);
    for (Port*& slot : g_held) {
        if (slot == port) slot = nullptr;
    }
}

SerialHandle Win32Open(const char* path) {
    if (path == nullptr || *path == '\0' || std::strlen(path) >= sizeof Port::path) {
        return kInvalidSerialHandle;
    }
    auto* port = new (std::nothrow) Port{INVALID_HANDLE_VALUE, nullptr, {}};
    if (port == nullptr) return kInvalidSerialHandle;
    std::strcpy(port->path, path);
    if (!Hold(port)) {
        delete port;
        return kInvalidSerialHandle;
    }
    port->event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (port->event != nullptr) {
        port->device = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_OVERLAPPED, nullptr);
    }
    if (port->device == INVALID_HANDLE_VALUE) {
        if (port->event != nullptr) CloseHandle(port->event);
        Release(port);
        delete port;
        return kInvalidSerialHandle;
    }
    return reinterpret_cast<SerialHandle>(port);
}

void Win32Close(SerialHandle h) {
    if (h == kInvalidSerialHandle) return;
    Port* port = AsPort(h);
    CloseHandle(port->device);
    CloseHandle(port->event);
    Release(port);
    delete port;
}

DCB LineSettings() {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = kBaudRate;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = 1;
    dcb.fOutxCtsFlow = 1;
    dcb.fOutxDsrFlow = 0;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fDsrSensitivity = 0;
    dcb.fTXContinueOnXoff = 0;
    dcb.fOutX = 0;
    dcb.fInX = 0;
    dcb.fErrorChar = 0;
    dcb.fNull = 0;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = 0;
    dcb.XonLim = kXonLimit;
    dcb.XoffLim = kXoffLimit;
    dcb.XonChar = kXonChar;
    dcb.XoffChar = kXoffChar;
    return dcb;
}

bool Win32Configure(SerialHandle h) {
    HANDLE device = AsPort(h)->device;
    DCB dcb = LineSettings();
    // No read time-outs: a read waits for its bytes, and the wait on the event bounds it.
    COMMTIMEOUTS timeouts{};
    timeouts.WriteTotalTimeoutMultiplier = kWriteMsPerByte;
    timeouts.WriteTotalTimeoutConstant = kWriteMsConstant;
    return SetupComm(device, kQueueBytes, kQueueBytes) && SetCommState(device, &dcb) &&
           SetCommTimeouts(device, &timeouts) &&
           PurgeComm(device, PURGE_RXCLEAR | PURGE_RXABORT | PURGE_TXABORT);
}

// The line settings already hold DTR low and RTS high; this says them again for a driver that
// kept other lines from an earlier owner. Drivers without modem lines refuse both.
bool Win32SetInitialLines(SerialHandle h) {
    HANDLE device = AsPort(h)->device;
    const bool dtr = EscapeCommFunction(device, CLRDTR) != 0;
    const bool rts = EscapeCommFunction(device, SETRTS) != 0;
    return dtr && rts;
}

bool Win32PurgeInput(SerialHandle h) { return PurgeComm(AsPort(h)->device, PURGE_RXCLEAR) != 0; }

// A request counts as sent once its write has completed: the driver then holds none of it, so
// a transmit purge could only drop bytes that a pseudo-terminal peer has not read yet (Wine
// turns it into a flush of the tty). What a timed-out write leaves is cancelled by the write.
bool Win32PurgeOutput(SerialHandle) { return true; }

// Waits for the request on ov to finish within timeoutMs. On time-out the request is
// cancelled and its outcome collected, so that bytes it moved meanwhile are not lost.
bool FinishRequest(Port* port, OVERLAPPED* ov, DWORD timeoutMs, DWORD* transferred) {
    if (WaitForSingleObject(port->event, timeoutMs) == WAIT_OBJECT_0) {
        return GetOverlappedResult(port->device, ov, transferred, FALSE) != 0;
    }
    CancelIoEx(port->device, ov);
    return GetOverlappedResult(port->device, ov, transferred, TRUE) != 0;
}

// Starts a read or write on ov; true with *transferred set when it is complete.
bool Issue(Port* port, bool isWrite, void* data, DWORD count, OVERLAPPED* ov, DWORD timeoutMs,
           DWORD* transferred) {
    *ov = OVERLAPPED{};
    ov->hEvent = port->event;
    *transferred = 0;
    const BOOL done = isWrite ? WriteFile(port->device, data, count, transferred, ov)
                              : ReadFile(port->device, data, count, transferred, ov);
    if (done) return true;
    if (GetLastError() != ERROR_IO_PENDING) return false;
    return FinishRequest(port, ov, timeoutMs, transferred);
}

// A write that the driver ends early has met its time-out: the request failed.
bool Win32Write(SerialHandle h, const uint8_t* data, size_t count, uint32_t timeoutMs) {
    if (count > MAXDWORD) return false;
    OVERLAPPED ov;
    DWORD written = 0;
    const auto request = static_cast<DWORD>(count);
    return Issue(AsPort(h), true, const_cast<uint8_t*>(data), request, &ov, timeoutMs, &written) &&
           written == request;
}

// Bytes the driver holds for us, or 0 when it cannot say.
DWORD Waiting(HANDLE device) {
    DWORD errors = 0;
    COMSTAT status{};
    return ClearCommError(device, &errors, &status) ? status.cbInQue : 0;
}

SerialReadResult Win32Read(SerialHandle h, uint8_t* buffer, size_t capacity, uint32_t timeoutMs,
                           size_t* got) {
    *got = 0;
    if (capacity == 0) return SerialReadResult::kTimeout;
    Port* port = AsPort(h);
    const DWORD waiting = Waiting(port->device);
    // What is there is taken at once; otherwise one byte is awaited, which ends the wait as
    // soon as the card starts to answer.
    DWORD request = 1;
    if (waiting > 0) {
        request = waiting < capacity ? waiting : static_cast<DWORD>(capacity);
    } else if (timeoutMs == 0) {
        return SerialReadResult::kTimeout;
    }
    OVERLAPPED ov;
    DWORD transferred = 0;
    if (!Issue(port, false, buffer, request, &ov, timeoutMs, &transferred)) {
        const DWORD error = GetLastError();
        return error == ERROR_OPERATION_ABORTED ? SerialReadResult::kTimeout
                                                : SerialReadResult::kError;
    }
    if (transferred == 0) return SerialReadResult::kTimeout;
    *got = transferred;
    return SerialReadResult::kData;
}

bool Win32GetDsr(SerialHandle h, bool* on) {
    DWORD status = 0;
    if (!GetCommModemStatus(AsPort(h)->device, &status)) return false;
    *on = (status & MS_DSR_ON) != 0;
    return true;
}

bool Win32SetDtr(SerialHandle h, bool on) {
    return EscapeCommFunction(AsPort(h)->device, on ? SETDTR : CLRDTR) != 0;
}

const SerialPortMethods kWin32Serial = {
    Win32Open,        Win32Close, Win32Configure, Win32SetInitialLines, Win32PurgeInput,
    Win32PurgeOutput, Win32Write, Win32Read,      Win32GetDsr,          Win32SetDtr,
};

std::atomic<const SerialPortMethods*> g_active{&kWin32Serial};

}  // namespace

const SerialPortMethods& SerialPort() { return *g_active.load(std::memory_order_acquire); }
const SerialPortMethods& NativeSerialPort() { return kWin32Serial; }
void SetSerialPortMethods(const SerialPortMethods* methods) {
    g_active.store(methods != nullptr ? methods : &kWin32Serial, std::memory_order_release);
}

}  // namespace txorb::platform
