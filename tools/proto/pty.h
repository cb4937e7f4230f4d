// A pseudo-terminal pair for a peer that plays the card: the master side is ours, the slave
// path is what the library opens as its COM port.
#pragma once

#include <string>

namespace txorb::proto {

class PtyPair {
public:
    PtyPair();  // check Ok()
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Ok() const { return master_ >= 0; }
    int MasterFd() const { return master_; }
    const std::string& SlavePath() const { return slavePath_; }
    // Closes the master: the library sees its line hang up.
    void HangUp();

private:
    int master_ = -1;
    int slaveKeeper_ = -1;  // keeps the line alive between the library's opens
    std::string slavePath_;
};

}  // namespace txorb::proto
