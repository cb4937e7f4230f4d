// Where the port-driver table comes from: the module named by TXORB_PORT_DRIVER, or the
// built-in Linux driver when the variable is unset. A null table is a driver that cannot start.
#pragma once

#include "txorb/port_driver.h"

namespace txorb::platform {

// The module's export shares the struct's name, so the type needs its tag spelled out.
using PortDriver = struct ::txorb_port_driver;

// The table in use. The first call loads it (the library's load hook makes that call).
const PortDriver* PortDriverTable();

// dlopen()s the module and asks it for its table; null when the module is missing, lacks the
// export, has another abi_version or leaves an operation empty. The module is never unloaded.
const PortDriver* LoadPortDriverModule(const char* path);
// TXORB_PORT_DRIVER's module when the variable is set (even to something unusable), else the
// built-in driver.
const PortDriver* LoadPortDriverFromEnvironment();
// I/O ports through ioperm/inb/outb, PCI configuration space from sysfs.
const PortDriver* BuiltinPortDriver();

// Tests only: installs a table (null = no driver), or forgets it so that the next
// PortDriverTable() loads from the environment again.
void SetPortDriverTable(const PortDriver* table);
void ResetPortDriverTable();

}  // namespace txorb::platform
