// A Unix stream socket that speaks in lines: control clients and the port-driver module both
// talk to the simulator through it. A client that hangs up, sends junk or floods is dropped;
// it never takes the server down.
#pragma once

#include <poll.h>

#include <functional>
#include <string>
#include <vector>

namespace txorb::sim {

class LineServer {
public:
    // Handles one line; returns true and fills reply to answer with one line.
    using Handler = std::function<bool(const std::string& line, std::string* reply)>;

    LineServer() = default;
    ~LineServer();
    LineServer(const LineServer&) = delete;
    LineServer& operator=(const LineServer&) = delete;

    bool Listen(const std::string& path, std::string* error);
    const std::string& Path() const { return path_; }
    // Adds the listening socket and every client to fds.
    void AddPollFds(std::vector<pollfd>* fds) const;
    // Serves whatever poll reported for the fds this server added.
    void Serve(const std::vector<pollfd>& fds, const Handler& handler);

private:
    struct Client {
        int fd;
        std::string pending;
    };
    void Accept();
    bool ReadClient(Client* client, const Handler& handler);

    int listenFd_ = -1;
    std::string path_;
    std::vector<Client> clients_;
};

}  // namespace txorb::sim
