// What the library does when a process attaches it and when it goes away; the OS entry of the
// library calls these two, once each.
#pragma once

namespace txorb::link {

// Starts the port driver, which also creates the CommandLock, and marks the module handle as
// stored for the message lookup. A driver that does not start is no error.
void AttachLibrary();

// Removes cards 1..10 in order, each with its stop sequence (a failure of one does not keep the
// others running), then stops the port driver. processTerminating skips the settling wait of
// each removal.
void DetachLibrary(bool processTerminating);

}  // namespace txorb::link
