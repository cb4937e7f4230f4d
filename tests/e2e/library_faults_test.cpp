// Every kind of fault the simulator can commit, and the code the library gives for it; after
// each one the library must still work with the same simulator.
#include <gtest/gtest.h>

#include <unistd.h>

#include "e2e_support.h"

namespace txorb::e2e {
namespace {

enum class Call { kInit, kGetXYPos, kGetModeMask };

uint32_t Perform(Call call) {
    switch (call) {
        case Call::kInit:
            TX(Remove_Scan_Card_Ex)(1);
            return TX(Init_Scan_Card_Ex)(1);
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
    return 999;
}

class LibraryFaults : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim_.Started());
        ASSERT_NE(LibraryHandle(), nullptr) << dlerror();
        ::setenv("TXORB_SIM_SOCKET", sim_.Socket().c_str(), 1);
        WriteRegistry(sim_.Dir(), ComPortText(3, sim_.Link()) +
                                      CardKeyText(1, "\"serial_port\"=\"3\"\n"
                                                     "\"comm_timeout\"=\"300\"\n"));
        ASSERT_EQ(TX(Init_Scan_Card_Ex)(1), 0u);
    }
    void TearDown() override { TX(Remove_Scan_Card_Ex)(1); }

    SimUnderTest sim_;
};

TEST_F(LibraryFaults, EachFaultGivesItsCodeAndTheLibraryCarriesOn) {
    struct Row {
        const char* rule;
        Call call;
        uint32_t code;
    };
    const Row rows[] = {
        {"status0@115#1", Call::kInit, 40},
        {"length=2@115#1", Call::kInit, 44},
        {"garbage@115#1", Call::kInit, 44},
        {"silent@115#1", Call::kInit, 45},
        {"length=0@120#1", Call::kGetXYPos, 44},
        {"length=3@120#1", Call::kGetXYPos, 44},
        {"garbage=8@120#1", Call::kGetXYPos, 44},
        {"garbage=1@120#1", Call::kGetXYPos, 45},
        {"silent@129#1", Call::kGetXYPos, 45},
        {"delay=600@120#1", Call::kGetXYPos, 45},
        {"delay=100@120#1", Call::kGetXYPos, 0},
        {"trickle=500@120#1", Call::kGetXYPos, 45},
        {"trickle=30@120,129#2", Call::kGetXYPos, 0},
        {"status0@176#1", Call::kGetModeMask, 0},  // a query has no status byte to judge
        {"length=4@176#1", Call::kGetModeMask, 44},
        {"silent@*#1", Call::kGetModeMask, 45},
        {"silent@34#1", Call::kGetModeMask, 0},  // the rule waits for a status poll
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        ASSERT_EQ(sim_.Control(std::string("fault ") + row.rule), "ok");
        EXPECT_EQ(Perform(row.call), row.code);
        // Let late bytes arrive; the next request discards them.
        ::usleep(1200 * 1000);
        EXPECT_EQ(sim_.Control("faults clear"), "ok none");
        EXPECT_EQ(Perform(row.call == Call::kInit ? Call::kInit : Call::kGetXYPos), 0u);
        EXPECT_EQ(Perform(Call::kGetXYPos), 0u);
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
    EXPECT_EQ(Perform(Call::kGetModeMask), 0u);   // answered
    EXPECT_EQ(Perform(Call::kGetModeMask), 45u);  // the line drops when this one arrives
    EXPECT_NE(sim_.Control("path"), before);
    EXPECT_EQ(Perform(Call::kGetModeMask), 42u);  // nobody at the other end any more
    EXPECT_EQ(Perform(Call::kInit), 0u);
    EXPECT_EQ(Perform(Call::kGetXYPos), 0u);
}

}  // namespace
}  // namespace txorb::e2e
