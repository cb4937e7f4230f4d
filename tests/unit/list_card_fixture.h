// A card on a scripted RTB for the list, execution, manual and status tests: the registry maps
// COM1 to the RTB's pty, error messages are recorded instead of shown, and the serial port can
// be made to fail its writes or count its input purges.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "api/report.h"
#include "common/process_state.h"
#include "link/card.h"
#include "list/list_buffer.h"
#include "platform/message_sink.h"
#include "platform/serial_port.h"
#include "support/fake_rtb.h"
#include "support/test_env.h"

namespace txorb::test {

struct RecordedMessage {
    std::string caption;
    std::string body;
};

inline std::vector<RecordedMessage>& RecordedMessages() {
    static std::vector<RecordedMessage> messages;
    return messages;
}

inline void RecordMessage(const char* caption, const char* body) {
    RecordedMessages().push_back({caption, body});
}

// The serial seam underneath the card: native, but writes can be refused and input purges
// are counted.
inline std::atomic<bool>& FailSerialWrites() {
    static std::atomic<bool> fail{false};
    return fail;
}
inline std::atomic<int>& InputPurges() {
    static std::atomic<int> count{0};
    return count;
}
inline const platform::SerialPortMethods& SpySerialPort() {
    static const platform::SerialPortMethods methods = [] {
        platform::SerialPortMethods m = platform::NativeSerialPort();
        m.write = [](platform::SerialHandle h, const uint8_t* data, size_t count,
                     uint32_t timeoutMs) {
            if (FailSerialWrites()) return false;
            return platform::NativeSerialPort().write(h, data, count, timeoutMs);
        };
        m.purgeInput = [](platform::SerialHandle h) {
            ++InputPurges();
            return platform::NativeSerialPort().purgeInput(h);
        };
        return m;
    }();
    return methods;
}

struct StatusCommand {
    const char* name;
    std::function<bool()> call;
    const char* packet;
    bool reports;  // a refusal is reported as 40 under the export's name
};

class ListCardTest : public ::testing::Test {
protected:
    static constexpr uint32_t kTimeoutMs = 150;

    void SetUp() override {
        RecordedMessages().clear();
        api::ResetMessageBoxSwitch();
        StoreLastErrorCode(err::kOk);
        platform::SetSerialPortMethods(&SpySerialPort());
        platform::SetMessageSink(RecordMessage);
        WriteRegistry(false);
        card = InstallCard(1, 1, kTimeoutMs);
    }
    void TearDown() override {
        RemoveInstalledCard(1);
        platform::SetMessageSink(nullptr);
        platform::SetSerialPortMethods(nullptr);
        list::ClearListBuffer();
    }

    void WriteRegistry(bool showErrors) {
        std::string text = TempRegistry::ComPort(1, rtb.Path());
        if (showErrors) {
            text +=
                "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zazave\\TX-ORB]\n\"DisplayErrors\"=dword:"
                "00000001\n";
        }
        registry.Write(text);
    }

    // Makes reports visible; the switch is read at the first report after this.
    void ShowErrors() { WriteRegistry(true); }

    // The codes of the messages shown so far, as "26 Jump_Abs" lines.
    static std::vector<std::string> Shown() {
        std::vector<std::string> out;
        for (const auto& m : RecordedMessages()) {
            const std::string code = m.caption.substr(m.caption.rfind(' ') + 1);
            const size_t api = m.body.find("API call: ");
            out.push_back(code + " " + (api == std::string::npos ? "" : m.body.substr(api + 10)));
        }
        return out;
    }

    // Runs each command with the card answering 1, then 0: the exact packet, the result and
    // the report.
    void CheckStatusCommands(const std::vector<StatusCommand>& commands) {
        ShowErrors();
        for (const auto& c : commands) {
            for (uint8_t status : {1, 0}) {
                rtb.Clear();
                RecordedMessages().clear();
                rtb.SetResponder(
                    [status](const proto::Packet&) { return FakeRtb::Status(status); });
                EXPECT_EQ(c.call(), status != 0) << c.name;
                ASSERT_TRUE(rtb.WaitForPackets(1, 1000)) << c.name;
                EXPECT_EQ(Hex(Raw(0)), c.packet) << c.name;
                std::vector<std::string> expected;
                if (status == 0 && c.reports) expected.push_back(std::string("40 ") + c.name);
                EXPECT_EQ(Shown(), expected) << c.name << " status " << int(status);
            }
        }
    }

    std::vector<uint8_t> Raw(size_t index) const {
        const auto packets = rtb.Packets();
        return index < packets.size() ? packets[index].raw : std::vector<uint8_t>{};
    }

    FakeRtb rtb;
    TempRegistry registry;
    link::Card* card = nullptr;
};

// One record as the card receives it.
inline std::vector<uint8_t> Record(uint8_t opcode, uint16_t p1, uint16_t p2) {
    return {opcode, static_cast<uint8_t>(p1), static_cast<uint8_t>(p1 >> 8),
            static_cast<uint8_t>(p2), static_cast<uint8_t>(p2 >> 8)};
}

}  // namespace txorb::test
