#include "link/command_lock.h"

#include <atomic>
#include <mutex>
#include <new>

namespace txorb::link {
namespace {
// The mutex itself lives for the whole process: "deleting" the lock at unload only marks it,
// so that a thread still inside an export during unload never touches a destroyed object.
// Built in static storage rather than on the heap: it goes away with the library's image at
// unload, so repeated load and unload cycles leak nothing.
std::recursive_mutex& Mutex() {
    alignas(std::recursive_mutex) static unsigned char storage[sizeof(std::recursive_mutex)];
    static std::recursive_mutex* m = new (storage) std::recursive_mutex;  // never destroyed
    return *m;
}
std::atomic<bool> g_created{false};
}  // namespace

void CreateCommandLock() {
    Mutex();
    g_created.store(true, std::memory_order_release);
}
void DeleteCommandLock() { g_created.store(false, std::memory_order_release); }
bool CommandLockCreated() { return g_created.load(std::memory_order_acquire); }
void AcquireCommandLock() { Mutex().lock(); }
bool TryAcquireCommandLock() { return Mutex().try_lock(); }
void ReleaseCommandLock() { Mutex().unlock(); }

}  // namespace txorb::link
