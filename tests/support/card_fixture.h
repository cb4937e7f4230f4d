// A card in slot 1 on a scripted RTB, for the tests of the exports: the registry maps COM3 to
// the RTB's pty and switches shown errors on, shown errors are recorded as "<code> <export>"
// lines, and the serial port can be made to refuse its writes or count its input purges.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "link/card.h"
#include "support/fake_rtb.h"
#include "support/test_env.h"

namespace txorb::test {

using Strings = std::vector<std::string>;

// The errors shown so far, "<code> <export>" each, in order (recorded from any thread).
Strings ShownReports();
void ClearShownReports();
void RecordReport(const char* caption, const char* body);

// The serial seam under every card of the fixture: native, but writes fail while this is set,
// and input purges are counted.
std::atomic<bool>& FailSerialWrites();
std::atomic<int>& InputPurges();

class CardTest : public ::testing::Test {
protected:
    static constexpr uint32_t kComPort = 3;

    void SetUp() override;
    void TearDown() override;
    // COM3 -> the RTB; "DisplayErrors" on unless told otherwise; extra values under its key.
    void WriteRegistry(const std::string& extraSettings = "", bool showErrors = true);
    link::Card* Install(uint32_t timeoutMs = 200, const char* capture = nullptr);
    // Every byte the RTB received, once this many packets are in.
    std::string Wire(size_t packets = 1);
    // Packet `index` as the RTB received it, "" when there is none.
    std::string Raw(size_t index) const;

    FakeRtb rtb;
    TempRegistry registry;
    TempDir dir;
};

// One list record as the card receives it.
std::vector<uint8_t> Record(uint8_t opcode, uint16_t p1, uint16_t p2);

}  // namespace txorb::test
