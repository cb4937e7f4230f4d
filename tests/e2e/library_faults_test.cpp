// Every kind of fault the simulator can commit, and the code the library gives for it; after
// each one the library must still work with the same simulator.
#include <gtest/gtest.h>

#include <unistd.h>

#include "e2e_support.h"

namespace txorb::e2e {
namespace {

enum class Call { kInit, kGetXYPos, kGetModeMask };
constexpr uint32_t kNoSuchCall = 999;  // not a code the library has

// The rules name the packets by opcode: 115 the start-up status request of initialisation,
// 120 and 129 the two position queries of Get_XY_Pos, 176 Get_Mode_Mask's query, 34 the
// status poll.
constexpr uint32_t kOk = TXORB_ERR_OK;
constexpr uint32_t kNotExecuted = TXORB_ERR_RTB_DID_NOT_EXECUTE;
constexpr uint32_t kWrongLength = TXORB_ERR_WRONG_RESPONSE_LENGTH;
constexpr uint32_t kTimeout = TXORB_ERR_RESPONSE_TIMEOUT;

uint32_t Perform(Call call) {
    switch (call) {
        case Call::kInit: TX(Remove_Scan_Card_Ex)(1); return TX(Init_Scan_Card_Ex)(1);
        case Call::kGetXYPos: {
            int16_t x = 0, y = 0;
            TX(Get_XY_Pos)(&x, &y);
            return TX(Get_Last_Error_Code)();
        }
        case Call::kGetModeMask: {
            uint16_t mask = 0;
            return TX(Get_Mode_Mask)(&mask);
        }
    }
    return kNoSuchCall;
}

class LibraryFaults : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim_.Started());
        ASSERT_NE(LibraryHandle(), nullptr) << dlerror();
        ::setenv("TXORB_SIM_SOCKET", sim_.Socket().c_str(), 1);
        registry_.Write(test::TempRegistry::ComPort(3, sim_.Link()) +
                        test::TempRegistry::Card(1, 3, 300));
        ASSERT_EQ(TX(Init_Scan_Card_Ex)(1), kOk);
    }
    void TearDown() override { TX(Remove_Scan_Card_Ex)(1); }

    SimUnderTest sim_;
    test::TempRegistry registry_;
};

TEST_F(LibraryFaults, EachFaultGivesItsCodeAndTheLibraryCarriesOn) {
    struct Row {
        const char* rule;
        Call call;
        uint32_t code;
    };
    const Row rows[] = {
        {"status0@115#1", Call::kInit, kNotExecuted},
        {"length=2@115#1", Call::kInit, kWrongLength},
        {"garbage@115#1", Call::kInit, kWrongLength},
        {"silent@115#1", Call::kInit, kTimeout},
        {"length=0@120#1", Call::kGetXYPos, kWrongLength},
        {"length=3@120#1", Call::kGetXYPos, kWrongLength},
        {"garbage=8@120#1", Call::kGetXYPos, kWrongLength},
        {"garbage=1@120#1", Call::kGetXYPos, kTimeout},  // too short to be a length
        {"silent@129#1", Call::kGetXYPos, kTimeout},
        {"delay=600@120#1", Call::kGetXYPos, kTimeout},  // the comm timeout is 300 ms
        {"delay=100@120#1", Call::kGetXYPos, kOk},
        {"trickle=500@120#1", Call::kGetXYPos, kTimeout},
        {"trickle=30@120,129#2", Call::kGetXYPos, kOk},
        {"status0@176#1", Call::kGetModeMask, kOk},  // a query has no status byte to judge
        {"length=4@176#1", Call::kGetModeMask, kWrongLength},
        {"silent@*#1", Call::kGetModeMask, kTimeout},
        {"silent@34#1", Call::kGetModeMask, kOk},  // the rule waits for a status poll
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        ASSERT_EQ(sim_.Control(std::string("fault ") + row.rule), "ok");
        EXPECT_EQ(Perform(row.call), row.code);
        // Let late bytes arrive; the next request discards them.
        ::usleep(1200 * 1000);
        EXPECT_EQ(sim_.Control("faults clear"), "ok none");
        EXPECT_EQ(Perform(row.call == Call::kInit ? Call::kInit : Call::kGetXYPos), kOk);
        EXPECT_EQ(Perform(Call::kGetXYPos), kOk);
    }
}

TEST_F(LibraryFaults, StatusZeroToAListStartIsNotExecutedAndTheNextStartIs) {
    EXPECT_TRUE(TX(Mark_Abs)(100, 0));
    EXPECT_TRUE(TX(Set_End_Of_List)());
    ASSERT_EQ(sim_.Control("fault status0@65#1"), "ok");
    EXPECT_FALSE(TX(Execute_List_1)());
    EXPECT_EQ(TX(Get_Counts)(), 0);
    EXPECT_TRUE(TX(Execute_List_1)());
    ASSERT_TRUE(WaitIdle(2000));
    EXPECT_EQ(TX(Get_Counts)(), 1);
}

TEST_F(LibraryFaults, HangUpBreaksTheLineAndANewInitialisationFindsTheNewOne) {
    ASSERT_EQ(sim_.Control("fault hangup=1"), "ok");
    const std::string before = sim_.Control("path");
    EXPECT_EQ(Perform(Call::kGetModeMask), kOk);       // answered
    EXPECT_EQ(Perform(Call::kGetModeMask), kTimeout);  // the line drops when this one arrives
    EXPECT_NE(sim_.Control("path"), before);
    // Nobody at the other end any more.
    EXPECT_EQ(Perform(Call::kGetModeMask), TXORB_ERR_SERIAL_SEND_FAILED);
    EXPECT_EQ(Perform(Call::kInit), kOk);
    EXPECT_EQ(Perform(Call::kGetXYPos), kOk);
}

}  // namespace
}  // namespace txorb::e2e
