// Whole runs of build/txorb in a folder of their own, as a user runs it from a shell there. No
// registry store names a port, so the tool takes the virtual card by itself.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "proto/list_records.h"
#include "proto/packet.h"

namespace txorb::cli {

inline const std::string kTool = TXORB_BUILD_DIR "/txorb";
inline const std::string kDemo = TXORB_SOURCE_DIR "/examples/demo.svg";

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The packets of a command capture, and the list records its list packets (156) hold.
inline std::vector<proto::Packet> CapturePackets(const std::string& capture) {
    proto::PacketParser parser;
    std::vector<proto::Packet> packets;
    parser.Feed(reinterpret_cast<const uint8_t*>(capture.data()), capture.size(), &packets);
    return packets;
}

inline std::vector<proto::ListRecord> ListRecords(const std::string& capture) {
    std::vector<proto::ListRecord> records;
    for (const proto::Packet& p : CapturePackets(capture)) {
        if (p.opcode == 156) proto::DecodeListRecords(p.payload.data(), p.payload.size(), &records);
    }
    return records;
}

class ToolRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        char templ[] = "/tmp/txorb-tool-run-XXXXXX";
        ASSERT_NE(::mkdtemp(templ), nullptr);
        dir_ = templ;
        ::setenv("TXORB_REGISTRY", (dir_ + "/none.reg").c_str(), 1);
        std::filesystem::copy_file(kDemo, dir_ + "/demo.svg");
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(dir_ + "/" + name, std::ios::binary) << text;
    }
    std::string Read(const std::string& name) const { return ReadText(dir_ + "/" + name); }

    // Runs the tool in the folder: its exit status, 128 + the signal that ended it; out_ and
    // err_ hold what it wrote. whileRunning gets its pid.
    int Run(const std::vector<std::string>& args,
            const std::function<void(pid_t)>& whileRunning = nullptr) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (::chdir(dir_.c_str()) != 0) ::_exit(126);
            ::dup2(::open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
            ::dup2(::open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
            std::vector<char*> argv{const_cast<char*>(kTool.c_str())};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        if (whileRunning) whileRunning(pid);
        int status = 0;
        ::waitpid(pid, &status, 0);
        out_ = Read("stdout.txt");
        err_ = Read("stderr.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    std::string dir_, out_, err_;
};

}  // namespace txorb::cli
