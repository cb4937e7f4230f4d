// The library-wide lock: every exchange with a card, from the first byte sent to the last byte
// of the reply, runs under it. Re-entrant, because a command that holds it may flush the list
// buffer, which takes it again.
#pragma once

namespace txorb::link {

void CreateCommandLock();
void DeleteCommandLock();
bool CommandLockCreated();
void AcquireCommandLock();
// Takes the lock only when no other thread holds it.
bool TryAcquireCommandLock();
void ReleaseCommandLock();

// Holds the lock for a scope.
class CommandLockHold {
public:
    CommandLockHold() { AcquireCommandLock(); }
    ~CommandLockHold() { ReleaseCommandLock(); }
    CommandLockHold(const CommandLockHold&) = delete;
    CommandLockHold& operator=(const CommandLockHold&) = delete;
};

}  // namespace txorb::link
