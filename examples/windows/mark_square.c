/*
 * mark_square.c - a marking program in miniature: loads txorb.dll by name as Windows marking
 * programs do, initialises card 1, sets the speeds, marks a square with its diagonal, executes
 * the list, waits until the card has finished it, and removes the card.
 *
 * Card 1 is configured in the registry: HKLM\Software\Zazave\TX-ORB_Card1, "serial_port" =
 * "1" for COM1. Exit status 0 when the card marked the list once, 1 otherwise.
 *
 * Build: x86_64-w64-mingw32-gcc -O2 -o mark_square.exe mark_square.c
 *        (i686-w64-mingw32-gcc for the 32-bit DLL; txorb.dll goes beside the program)
 */
#include <windows.h>

#include <stdbool.h>
#include <stdint.h>
#include <stdio.h>

typedef bool(WINAPI* VoidCall)(void);
typedef bool(WINAPI* SpeedCall)(double jumpSpeed, double markSpeed);
typedef bool(WINAPI* PointCall)(int16_t x, int16_t y);
typedef uint16_t(WINAPI* StatusCall)(void);
typedef int32_t(WINAPI* CountsCall)(void);
typedef uint32_t(WINAPI* CodeCall)(void);
typedef const char*(WINAPI* MessageCall)(void);

static HMODULE g_library;

static FARPROC Find(const char* name) {
    FARPROC function = GetProcAddress(g_library, name);
    if (function == NULL) fprintf(stderr, "txorb.dll has no export %s\n", name);
    return function;
}

struct Exports {
    VoidCall init, removeCard, endOfList, execute;
    SpeedCall setSpeed;
    PointCall jumpAbs, markAbs;
    StatusCall readStatus, dllVersion;
    CountsCall getCounts;
    CodeCall lastErrorCode;
    MessageCall lastErrorMessage;
};

static bool FindExports(struct Exports* e) {
    e->init = (VoidCall)(void*)Find("Init_Scan_Card");
    e->removeCard = (VoidCall)(void*)Find("Remove_Scan_Card");
    e->endOfList = (VoidCall)(void*)Find("Set_End_Of_List");
    e->execute = (VoidCall)(void*)Find("Execute_List_1");
    e->setSpeed = (SpeedCall)(void*)Find("Set_Speed");
    e->jumpAbs = (PointCall)(void*)Find("Jump_Abs");
    e->markAbs = (PointCall)(void*)Find("Mark_Abs");
    e->readStatus = (StatusCall)(void*)Find("Read_Status");
    e->dllVersion = (StatusCall)(void*)Find("Get_DLL_Version");
    e->getCounts = (CountsCall)(void*)Find("Get_Counts");
    e->lastErrorCode = (CodeCall)(void*)Find("txorb_thread_last_failure");
    e->lastErrorMessage = (MessageCall)(void*)Find("Get_Last_Error_Message");
    return e->init && e->removeCard && e->endOfList && e->execute && e->setSpeed && e->jumpAbs &&
           e->markAbs && e->readStatus && e->dllVersion && e->getCounts && e->lastErrorCode &&
           e->lastErrorMessage;
}

static bool Check(const struct Exports* e, bool ok, const char* what) {
    if (!ok) fprintf(stderr, "%s failed: code %u\n", what, (unsigned)e->lastErrorCode());
    return ok;
}

/* A 20,000-bit square around the field's centre and its diagonal: five marks after one jump. */
static bool BuildList(const struct Exports* e) {
    static const int16_t corners[][2] = {
        {10000, -10000}, {10000, 10000}, {-10000, 10000}, {-10000, -10000}, {10000, 10000}};
    if (!Check(e, e->jumpAbs(-10000, -10000), "Jump_Abs")) return false;
    for (size_t i = 0; i < sizeof corners / sizeof corners[0]; ++i) {
        if (!Check(e, e->markAbs(corners[i][0], corners[i][1]), "Mark_Abs")) return false;
    }
    return Check(e, e->endOfList(), "Set_End_Of_List");
}

enum { kBusy = 0x0001, kPollMs = 20, kMaxPolls = 500 }; /* busy bit of the status word */

/* Waits until the card is no longer busy, at most kMaxPolls * kPollMs (10 s). */
static bool WaitUntilIdle(const struct Exports* e) {
    for (int poll = 0; poll < kMaxPolls; ++poll) {
        if ((e->readStatus() & kBusy) == 0) return e->lastErrorCode() == 0;
        Sleep(kPollMs);
    }
    fprintf(stderr, "the card is still busy after %d ms\n", kMaxPolls * kPollMs);
    return false;
}

static int Run(const struct Exports* e) {
    printf("txorb.dll version %u\n", (unsigned)e->dllVersion());
    if (!Check(e, e->init(), "Init_Scan_Card")) {
        fprintf(stderr, "%s\n", e->lastErrorMessage());
        return 1;
    }
    bool ok = Check(e, e->setSpeed(2000.0, 500.0), "Set_Speed") && BuildList(e) &&
              Check(e, e->execute(), "Execute_List_1") && WaitUntilIdle(e);
    const int32_t passes = ok ? e->getCounts() : 0;
    printf("list passes: %d\n", (int)passes);
    ok = ok && passes == 1;
    if (!Check(e, e->removeCard(), "Remove_Scan_Card")) ok = false;
    return ok ? 0 : 1;
}

int main(void) {
    g_library = LoadLibraryA("txorb.dll");
    if (g_library == NULL) {
        fprintf(stderr, "cannot load txorb.dll (error %lu)\n", (unsigned long)GetLastError());
        return 1;
    }
    struct Exports exports;
    const int status = FindExports(&exports) ? Run(&exports) : 1;
    FreeLibrary(g_library);
    return status;
}
