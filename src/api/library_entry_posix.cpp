// The library's load and unload hooks on POSIX systems.
//
// The two process-wide list objects are statics of an earlier initialisation priority, so they
// exist before the load hook runs. Their destructors are exit handlers registered as they are
// built; the unload hook is registered the same way from the load hook, i.e. after them, and
// exit handlers run last-registered first, on dlclose and at process exit alike. So the cards
// are stopped first and the list objects go last. (A plain destructor function would run only
// after every exit handler of the library, i.e. after the list objects are gone.) The
// destructor function stays as a fallback for when the handler cannot be registered.
//
// A program that exits without removing its cards still leaves each one stopped. The unload
// path touches the card table, the cards and the CommandLock (never destroyed), none of the
// list objects.
#include <atomic>
#include <cstdlib>

#include "link/library_lifecycle.h"

namespace txorb::api {
namespace {

std::atomic<bool> g_detached{false};

// Both hooks may run; only the first one detaches. Neither can tell a dlclose from the end of
// the process, so both keep the settling waits.
void DetachOnce() {
    if (g_detached.exchange(true)) return;
    link::DetachLibrary(false);
}

__attribute__((constructor(200))) void OnLibraryLoad() {
    link::AttachLibrary();
    std::atexit(DetachOnce);  // tied to this shared object: runs at dlclose too
}

__attribute__((destructor(200))) void OnLibraryUnloadFallback() { DetachOnce(); }

}  // namespace
}  // namespace txorb::api
