#include "support/card_fixture.h"

#include <mutex>

#include "api/report.h"
#include "common/process_state.h"
#include "link/card.h"
#include "link/card_table.h"
#include "list/list_buffer.h"
#include "platform/message_sink.h"
#include "platform/serial_port.h"

namespace txorb::test {
namespace {

std::mutex g_reportsMutex;
Strings g_reports;

const platform::SerialPortMethods& SpySerialPort() {
    static const platform::SerialPortMethods methods = [] {
        platform::SerialPortMethods m = platform::NativeSerialPort();
        m.write = [](platform::SerialHandle h, const uint8_t* data, size_t count,
                     uint32_t timeoutMs) {
            return !FailSerialWrites() &&
                   platform::NativeSerialPort().write(h, data, count, timeoutMs);
        };
        m.purgeInput = [](platform::SerialHandle h) {
            ++InputPurges();
            return platform::NativeSerialPort().purgeInput(h);
        };
        return m;
    }();
    return methods;
}

}  // namespace

Strings ShownReports() {
    std::lock_guard<std::mutex> hold(g_reportsMutex);
    return g_reports;
}

void ClearShownReports() {
    std::lock_guard<std::mutex> hold(g_reportsMutex);
    g_reports.clear();
}

// Caption "TX-ORB ErrorCode 26", body "...API call: Jump_Abs": "26 Jump_Abs".
void RecordReport(const char* caption, const char* body) {
    const std::string c = caption, b = body;
    const size_t api = b.find("API call: ");
    std::lock_guard<std::mutex> hold(g_reportsMutex);
    g_reports.push_back(c.substr(c.rfind(' ') + 1) + " " +
                        (api == std::string::npos ? "?" : b.substr(api + 10)));
}

std::atomic<bool>& FailSerialWrites() {
    static std::atomic<bool> fail{false};
    return fail;
}

std::atomic<int>& InputPurges() {
    static std::atomic<int> count{0};
    return count;
}

void CardTest::SetUp() {
    WriteRegistry();
    ClearShownReports();
    StoreLastErrorCode(err::kOk);
    platform::SetSerialPortMethods(&SpySerialPort());
    platform::SetMessageSink(RecordReport);
    api::ResetMessageBoxSwitch();
}

void CardTest::TearDown() {
    for (int slot = link::kFirstSlot; slot <= link::kLastSlot; ++slot) RemoveInstalledCard(slot);
    platform::SetMessageSink(nullptr);
    platform::SetSerialPortMethods(nullptr);
    list::ClearListBuffer();
    FailSerialWrites() = false;
}

void CardTest::WriteRegistry(const std::string& extraSettings, bool showErrors) {
    registry.Write("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zazave\\TX-ORB]\n\"DisplayErrors\"=dword:" +
                   std::string(showErrors ? "00000001" : "00000000") + "\n" + extraSettings + "\n" +
                   TempRegistry::ComPort(kComPort, rtb.Path()));
}

link::Card* CardTest::Install(uint32_t timeoutMs, const char* capture) {
    RemoveInstalledCard(1);  // a card holds its port: the new one could not open it
    return InstallCard(1, kComPort, timeoutMs, capture);
}

std::string CardTest::Wire(size_t packets) {
    EXPECT_TRUE(rtb.WaitForPackets(packets, 3000));
    return Hex(rtb.RawReceived());
}

std::string CardTest::Raw(size_t index) const {
    const auto packets = rtb.Packets();
    return index < packets.size() ? Hex(packets[index].raw) : "";
}

link::Card* InstallCard(int slot, uint32_t portNumber, uint32_t timeoutMs,
                        const char* captureFile) {
    link::LinkDescriptor d = link::MakeDescriptor(0xFFFF, 0xFFFF, 0, portNumber, 1, 1);
    auto* card = new link::Card(d, timeoutMs, captureFile);
    delete link::ExchangeCardInSlot(slot, card);
    link::StoreDescriptor(slot, d);
    link::SetActiveCardIndex(static_cast<int16_t>(slot));
    return card;
}

void RemoveInstalledCard(int slot) {
    delete link::ExchangeCardInSlot(slot, nullptr);
    link::ResetDescriptor(slot);
    if (link::ActiveCardIndex() == slot) link::SetActiveCardIndex(0);
}

std::vector<uint8_t> Record(uint8_t opcode, uint16_t p1, uint16_t p2) {
    return {opcode, static_cast<uint8_t>(p1), static_cast<uint8_t>(p1 >> 8),
            static_cast<uint8_t>(p2), static_cast<uint8_t>(p2 >> 8)};
}

}  // namespace txorb::test
