// The library against the simulator: a whole session over the serial line, the parallel
// route configured in the registry, the card search through the simulator's driver module,
// and the target disk.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "e2e_support.h"

namespace txorb::e2e {
namespace {

// DLL_Status_Query ids: a slot's parallel I/O bases, and its COM port number.
constexpr int32_t kQueryParallelBases = 232;
constexpr int32_t kQueryComPort = 233;

class LibraryOnSim : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim_.Started()) << "txorb-sim did not start";
        ASSERT_NE(LibraryHandle(), nullptr) << dlerror();
        ::setenv("TXORB_SIM_SOCKET", sim_.Socket().c_str(), 1);
    }
    void SerialCard(const std::string& extra = "") {
        registry_.Write(test::TempRegistry::ComPort(3, sim_.Link()) +
                        test::TempRegistry::Card(1, 3, 400, extra));
    }
    std::vector<std::string> PacketsWithoutPolls() const {
        std::vector<std::string> out;
        for (auto& p : LoggedPackets(sim_.ReadLog())) {
            if (p.rfind("34:", 0) != 0) out.push_back(p);
        }
        return out;
    }

    SimUnderTest sim_;
    test::TempRegistry registry_;
};
const std::string kPingAllowed =
    "[HKEY_LOCAL_MACHINE\\Software\\Zazave]\n\"ping_allowed\"=\"YES\"\n";

TEST_F(LibraryOnSim, MarksAListOverTheSerialLineAndEndsWhereTheListEnds) {
    SerialCard();
    ASSERT_TRUE(TX(Init_Scan_Card)());
    EXPECT_TRUE(TX(Set_Speed)(2000.0, 10.0));
    EXPECT_EQ(TX(Get_Jump_Speed)(), 2000.0);
    EXPECT_EQ(TX(Get_Mark_Speed)(), 10.0);
    EXPECT_TRUE(TX(Jump_Abs)(-1000, -1000));
    EXPECT_TRUE(TX(Write_Port_List)(kPowerPort, 32768));  // half power
    EXPECT_TRUE(TX(Mark_Abs)(1000, -1000));
    EXPECT_TRUE(TX(Mark_Abs)(1000, 1000));
    EXPECT_TRUE(TX(Set_End_Of_List)());
    EXPECT_TRUE(TX(Execute_List_1)());
    // 4000 bits at 10 bits/ms: busy for 400 ms of simulated (= real) time.
    EXPECT_EQ(TX(Read_Status)() & kStatusBusy, kStatusBusy);
    ASSERT_TRUE(WaitIdle(3000));
    int16_t x = 0, y = 0;
    EXPECT_TRUE(TX(Get_XY_Pos)(&x, &y));
    EXPECT_EQ(x, 1000);
    EXPECT_EQ(y, 1000);
    EXPECT_EQ(TX(Get_Counts)(), 1);
    EXPECT_TRUE(TX(Remove_Scan_Card)());
    ASSERT_EQ(sim_.Stop(), 0);

    // As the card's log shows them: opcode, link, payload.
    const std::vector<std::string> expected = {
        "177:serial:",  // start-up handshake
        "115:serial:",
        "35:serial:0000000000409f400000000000002440",                     // Set_Speed 2000, 10
        "118:serial:",                                                    // Get_Jump_Speed
        "119:serial:",                                                    // Get_Mark_Speed
        "156:serial:0918fc18fc87280000800ae80318fc0ae803e8031000000000",  // the list
        "65:serial:0000",                                                 // Execute_List_1
        "120:serial:",                                                    // Get_XY_Pos
        "129:serial:",
        "42:serial:",  // Get_Counts
        "36:serial:",  // removal: stop, T3 0, release
        "62:serial:0000",
        "175:serial:",
    };
    EXPECT_EQ(PacketsWithoutPolls(), expected);
    const std::string log = sim_.ReadLog();
    EXPECT_NE(log.find("\"kind\":\"mark\",\"from\":[1000.000,-1000.000],\"to\":[1000.000,1000.000],"
                       "\"power\":0.500008"),
              std::string::npos);
    EXPECT_EQ(test::ReadFile(sim_.Pictures() + ".png").substr(0, 4), "\x89PNG");
    EXPECT_NE(test::ReadFile(sim_.Pictures() + ".svg").find("<svg"), std::string::npos);
}

TEST_F(LibraryOnSim, ParallelPortFromTheRegistryCarriesRequestsAndRepliesComeOnTheLine) {
    SerialCard("\"parallel_port\"=\"D000\"\n\"fifo_port\"=\"D010\"\n");
    ASSERT_TRUE(TX(Init_Scan_Card)());
    EXPECT_TRUE(TX(Set_Jump_Speed)(250.0));
    EXPECT_EQ(TX(Get_Jump_Speed)(), 250.0);
    EXPECT_TRUE(TX(Remove_Scan_Card)());
    const std::vector<std::string> expected = {
        "177:serial:",   "115:serial:",  "92:parallel:0000000000406f40",
        "118:parallel:", "36:parallel:", "62:parallel:0000",
        "175:parallel:",
    };
    EXPECT_EQ(PacketsWithoutPolls(), expected);
}

TEST_F(LibraryOnSim, CardSearchFindsTheSimulatorOnThePciBusAndItsComPort) {
    registry_.Write(test::TempRegistry::ComPort(1, sim_.Dir() + "/no-such-tty") + "\"COM2\"=\"" +
                    sim_.Link() + "\"\n" + kPingAllowed);
    ASSERT_EQ(TX(Init_Scan_Card_Ex)(1), 0u);
    int32_t com = 0, parallel = 0, fifo = 0;
    EXPECT_EQ(TX(DLL_Status_Query)(kQueryComPort, 1, 0, &com, nullptr), 1);
    EXPECT_EQ(TX(DLL_Status_Query)(kQueryParallelBases, 1, 0, &parallel, &fifo), 1);
    EXPECT_EQ(com, 2);
    EXPECT_EQ(parallel, 0xD000);  // the simulator's default BARs
    EXPECT_EQ(fifo, 0xD010);
    EXPECT_TRUE(TX(Set_Mark_Speed)(100.0));
    EXPECT_TRUE(TX(Remove_Scan_Card)());
    const auto packets = LoggedPackets(sim_.ReadLog());
    EXPECT_NE(std::find(packets.begin(), packets.end(), "34:parallel:"), packets.end());
    // Set_Mark_Speed 100 over the parallel link.
    EXPECT_NE(std::find(packets.begin(), packets.end(), "93:parallel:0000000000005940"),
              packets.end());
}

TEST_F(LibraryOnSim, CardSearchWithoutTheCardOnTheBusCannotPingAndSendsNothing) {
    SimUnderTest noCard({"--pci-device", "-1"});
    ASSERT_TRUE(noCard.Started());
    ::setenv("TXORB_SIM_SOCKET", noCard.Socket().c_str(), 1);
    registry_.Write(test::TempRegistry::ComPort(1, noCard.Link()) + kPingAllowed);
    EXPECT_EQ(TX(Init_Scan_Card_Ex)(1), uint32_t{TXORB_ERR_COULD_NOT_PING_SERIAL_PORT});
    EXPECT_EQ(LoggedPackets(noCard.ReadLog()).size(), 0u);
}

TEST_F(LibraryOnSim, TargetDiskIsADirectoryAndCorrectionTablesAreStored) {
    SerialCard();
    ASSERT_TRUE(TX(Init_Scan_Card)());
    // Target-disk names are the text behind the last backslash, so a POSIX path would reach
    // the card whole: work beside the file.
    ASSERT_EQ(::chdir(sim_.Dir().c_str()), 0);
    const std::string host = "x.cor";
    std::string table(kCorrectionTableBytes, '\0');
    for (size_t i = 0; i < table.size(); ++i) table[i] = static_cast<char>(i * 7);
    test::WriteFile(host, table);

    EXPECT_TRUE(TX(Copy_File_To_Target_Disk)(host.c_str()));
    EXPECT_TRUE(test::ReadFile(sim_.Disk() + "/x.cor") == table);
    EXPECT_TRUE(TX(Load_Corr_File_From_Target_Disk)("x.cor"));
    EXPECT_TRUE(TX(Make_Boot_Program)("x.cor"));
    EXPECT_TRUE(TX(Delete_File_On_Target_Disk)("x.cor"));
    EXPECT_FALSE(std::filesystem::exists(sim_.Disk() + "/x.cor"));
    EXPECT_FALSE(TX(Delete_File_On_Target_Disk)("x.cor"));
    EXPECT_FALSE(TX(Load_Corr_File_From_Target_Disk)("x.cor"));
    EXPECT_TRUE(TX(Load_Corr_N)(host.c_str(), 3));
    const std::string state = sim_.Control("state");
    // Tables 1 (from the disk) and 3 (from the host) are loaded.
    EXPECT_NE(state.find("\"corrections\":[25350,0,25350,0]"), std::string::npos) << state;
    EXPECT_NE(state.find("\"boot_program\":\"x.cor\""), std::string::npos) << state;
    EXPECT_TRUE(TX(Remove_Scan_Card)());
}

}  // namespace
}  // namespace txorb::e2e
