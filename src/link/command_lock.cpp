#include "link/command_lock.h"

#include <atomic>
#include <mutex>

namespace txorb {
namespace {
// The mutex itself lives for the whole process: "deleting" the lock at unload only marks it,
// so that a thread still inside an export during unload never touches a destroyed object.
std::recursive_mutex& Mutex() {
    static std::recursive_mutex* m = new std::recursive_mutex;  // never destroyed, by design
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
void ReleaseCommandLock() { Mutex().unlock(); }

}  // namespace txorb
