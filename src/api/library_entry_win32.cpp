// The library's entry point on Windows: the loader calls DllMain when a process attaches and
// detaches the DLL.
//
// Attach runs under the loader lock, so nothing here may load another DLL or wait for a thread:
// the port driver's DLL is bound on its first use, not now (see port_driver_module_win32.cpp).
// At detach the C++ objects of the library still exist; they are destroyed after DllMain
// returns, so the cards are stopped before the list objects go.
#include <windows.h>

#include "link/library_lifecycle.h"
#include "platform/module_instance.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            txorb::platform::SetModuleInstance(instance);
            txorb::link::AttachLibrary();
            break;
        case DLL_PROCESS_DETACH:
            // A non-null reserved means the whole process is ending (its other threads are
            // gone already), not a FreeLibrary: nobody is left to wait for.
            txorb::link::DetachLibrary(reserved != nullptr);
            break;
        default: break;
    }
    return TRUE;
}
