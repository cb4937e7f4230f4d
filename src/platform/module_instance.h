// The module handle of the library's own image: the string table and the version resource are
// read from it. Windows hands it to the entry point at process attach; other systems have no use
// for it and never set it.
#pragma once

namespace txorb::platform {

void SetModuleInstance(void* instance);
// The handle given at attach; before that (or in a program that links the library statically)
// the module whose image holds this code.
void* ModuleInstance();

}  // namespace txorb::platform
