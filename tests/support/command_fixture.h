// A card in slot 1 talking to a scripted RTB, with message boxes switched on and recorded, for
// the tests of the immediate commands.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "api/report.h"
#include "platform/message_sink.h"
#include "support/fake_rtb.h"
#include "support/test_env.h"

namespace txorb::test {

// Each shown report as "<code> <api name>", in order.
inline std::vector<std::string>& ShownReports() {
    static std::vector<std::string> shown;
    return shown;
}

inline std::mutex& ShownReportsMutex() {
    static std::mutex m;
    return m;
}

// Reports may come from several threads at once.
inline void RecordReport(const char* caption, const char* body) {
    std::lock_guard<std::mutex> hold(ShownReportsMutex());
    const std::string c = caption, b = body;
    const std::string prefix = "TX-ORB ErrorCode ";
    const size_t api = b.find("API call: ");
    ShownReports().push_back(c.substr(c.rfind(prefix, 0) == 0 ? prefix.size() : 0) + " " +
                             (api == std::string::npos ? "?" : b.substr(api + 10)));
}

class CommandTest : public ::testing::Test {
protected:
    static constexpr uint32_t kComPort = 3;

    void SetUp() override {
        WriteRegistry("");
        ShownReports().clear();
        platform::SetMessageSink(RecordReport);
        api::ResetMessageBoxSwitch();
    }
    void TearDown() override {
        RemoveInstalledCard(1);
        platform::SetMessageSink(nullptr);
    }
    // DisplayErrors is always on; extra values go under the same key.
    void WriteRegistry(const std::string& extraSettings) {
        registry.Write(
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zazave\\TX-ORB]\n\"DisplayErrors\"=dword:00000001\n" +
            extraSettings + "\n" + TempRegistry::ComPort(kComPort, rtb.Path()));
    }
    link::Card* Install(uint32_t timeoutMs = 200, const char* capture = nullptr) {
        return InstallCard(1, kComPort, timeoutMs, capture);
    }
    // Every byte the RTB received, once the expected number of packets is in.
    std::string Wire(size_t packets = 1) {
        EXPECT_TRUE(rtb.WaitForPackets(packets, 3000));
        return Hex(rtb.RawReceived());
    }

    FakeRtb rtb;
    TempRegistry registry;
    TempDir dir;
};

}  // namespace txorb::test
