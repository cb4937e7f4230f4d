// The error texts are string resources of the library's own module.
#include <windows.h>

#include "platform/module_instance.h"
#include "platform/string_table.h"

namespace txorb::platform {

int LoadStringResource(unsigned id, char* buffer, int size) {
    if (buffer == nullptr || size < 1) return 0;
    buffer[0] = '\0';
    const auto module = static_cast<HINSTANCE>(ModuleInstance());
    const int copied = LoadStringA(module, id, buffer, size);
    if (copied <= 0) {
        buffer[0] = '\0';
        return 0;
    }
    return copied;
}

}  // namespace txorb::platform
