// txorb.dll as a marking program sees it: loaded by name, its exports found by name, its texts
// and version read from its own resources, a long list marked on the card on
// TXORB_TEST_COM_PORT (scripts/test-windows then checks the bytes the card received).
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/registry_store.h"
#include "txorb/txorb.h"

namespace txorb {
namespace {

// The number Get_DLL_Version gives for the file version 11, 2, 49, 0: (11 * 10 + 2) * 100 + 49.
constexpr uint16_t kDllVersionNumber = 11249;

class LoadedDll : public ::testing::Test {
protected:
    static void SetUpTestSuite() { dll_ = LoadLibraryA("txorb.dll"); }
    static void TearDownTestSuite() {
        if (dll_ != nullptr) FreeLibrary(dll_);
        dll_ = nullptr;
    }
    void SetUp() override { ASSERT_NE(dll_, nullptr) << "txorb.dll beside the test program"; }

    // The export with the header's type, found by name as a marking program finds it.
    template <typename Fn>
    static Fn Export(Fn, const char* name) {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(dll_, name)));
    }
#define TXORB_DLL_EXPORT(name) Export(&::name, #name)

    static HMODULE dll_;
};
HMODULE LoadedDll::dll_ = nullptr;

TEST_F(LoadedDll, VersionComesFromTheVersionResource) {
    auto getDllVersion = TXORB_DLL_EXPORT(Get_DLL_Version);
    ASSERT_NE(getDllVersion, nullptr);
    EXPECT_EQ(getDllVersion(), kDllVersionNumber);
}

TEST_F(LoadedDll, ErrorMessagesComeFromTheStringTable) {
    auto getErrorMessage = TXORB_DLL_EXPORT(Get_Error_Message);
    ASSERT_NE(getErrorMessage, nullptr);
    struct Entry {
        int32_t code;
        const char* text;
    };
    const Entry entries[] = {
#define TXORB_TEST_ENTRY_(code, name, text) {code, text},
        TXORB_ERROR_LIST(TXORB_TEST_ENTRY_)
#undef TXORB_TEST_ENTRY_
    };
    const char* unknown = nullptr;
    for (const Entry& e : entries) {
        if (e.code == TXORB_ERR_UNKNOWN_ERROR) unknown = e.text;
        if (e.code == TXORB_ERR_GUARD) continue;  // the guard has no message of its own
        EXPECT_STREQ(getErrorMessage(e.code), e.text) << e.code;
    }
    for (int32_t outside : {static_cast<int32_t>(TXORB_ERR_GUARD), -1, 1000}) {
        EXPECT_STREQ(getErrorMessage(outside), unknown) << outside;
    }
}

TEST_F(LoadedDll, ExportsOutsideAnyCardReportNoActiveCard) {
    auto setMarkSpeed = TXORB_DLL_EXPORT(Set_Mark_Speed);
    auto lastFailure = TXORB_DLL_EXPORT(txorb_thread_last_failure);
    auto getActiveCard = TXORB_DLL_EXPORT(Get_Active_Card);
    ASSERT_NE(setMarkSpeed, nullptr);
    ASSERT_NE(lastFailure, nullptr);
    ASSERT_NE(getActiveCard, nullptr);
    EXPECT_EQ(getActiveCard(), 0);
    EXPECT_FALSE(setMarkSpeed(100.0));
    EXPECT_EQ(lastFailure(), static_cast<uint32_t>(TXORB_ERR_NO_CARD_ACTIVE));
}

// 600 records: a jump and 599 marks in a zigzag, so that the list leaves in two packets.
TEST_F(LoadedDll, LongListIsMarkedOnTheCard) {
    const char* comText = std::getenv("TXORB_TEST_COM_PORT");
    if (comText == nullptr) GTEST_SKIP() << "TXORB_TEST_COM_PORT names no COM port with a card";
    const std::string com(comText);
    ASSERT_EQ(platform::Registry().setValue(
                  platform::RegRoot::kLocalMachine, "Software\\Zazave\\TX-ORB_Card1", "serial_port",
                  platform::kRegSz, reinterpret_cast<const uint8_t*>(com.c_str()),
                  static_cast<uint32_t>(com.size() + 1)),
              platform::RegStatus::kOk);

    auto init = TXORB_DLL_EXPORT(Init_Scan_Card);
    auto setSpeed = TXORB_DLL_EXPORT(Set_Speed);
    auto jumpAbs = TXORB_DLL_EXPORT(Jump_Abs);
    auto markAbs = TXORB_DLL_EXPORT(Mark_Abs);
    auto endOfList = TXORB_DLL_EXPORT(Set_End_Of_List);
    auto execute = TXORB_DLL_EXPORT(Execute_List_1);
    auto readStatus = TXORB_DLL_EXPORT(Read_Status);
    auto getCounts = TXORB_DLL_EXPORT(Get_Counts);
    auto removeCard = TXORB_DLL_EXPORT(Remove_Scan_Card);
    auto lastFailure = TXORB_DLL_EXPORT(txorb_thread_last_failure);

    ASSERT_TRUE(init()) << lastFailure();
    EXPECT_TRUE(setSpeed(4000.0, 1000.0));
    EXPECT_TRUE(jumpAbs(-20000, 0));
    for (int i = 1; i < 600; ++i) {
        const auto x = static_cast<int16_t>(-20000 + 64 * i);
        ASSERT_TRUE(markAbs(x, i % 2 != 0 ? 500 : -500)) << i;
    }
    EXPECT_TRUE(endOfList());
    EXPECT_TRUE(execute());
    constexpr uint16_t kBusy = 0x0001;  // status word: a list is executing
    constexpr int kPollMs = 20;
    constexpr int kMaxPolls = 500;
    int polls = 0;
    while ((readStatus() & kBusy) != 0 && polls < kMaxPolls) {
        Sleep(kPollMs);
        ++polls;
    }
    EXPECT_LT(polls, kMaxPolls) << "the card is still busy";
    EXPECT_EQ(getCounts(), 1);
    EXPECT_TRUE(removeCard());
}

// Unloading the DLL while a card is initialised stops the card, as a program that exits without
// removing it expects. Runs after the suite above has let go of the DLL.
TEST(UnloadedDll, StopsTheCardsItStillHolds) {
    if (std::getenv("TXORB_TEST_COM_PORT") == nullptr) {
        GTEST_SKIP() << "TXORB_TEST_COM_PORT names no COM port with a card";
    }
    HMODULE dll = LoadLibraryA("txorb.dll");
    ASSERT_NE(dll, nullptr);
    auto init = reinterpret_cast<decltype(&Init_Scan_Card)>(
        reinterpret_cast<void*>(GetProcAddress(dll, "Init_Scan_Card")));
    ASSERT_NE(init, nullptr);
    EXPECT_TRUE(init());
    EXPECT_TRUE(FreeLibrary(dll));  // the card's stop sequence goes out now
    EXPECT_EQ(GetModuleHandleA("txorb.dll"), nullptr);
}

}  // namespace
}  // namespace txorb
