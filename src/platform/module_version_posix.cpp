// A shared object carries no version resource: the build's own file version stands in for it.
#include "platform/module_version.h"

#include "txorb_build_version.h"

namespace txorb::platform {

bool ReadModuleFileVersion(std::string* text) {
    try {
        *text = TXORB_FILE_VERSION_TEXT;
    } catch (...) {
        return false;
    }
    return true;
}

}  // namespace txorb::platform
