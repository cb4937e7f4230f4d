// Error texts, the message lookup and the message box.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "api/messages.h"
#include "api/report.h"
#include "common/process_state.h"
#include "platform/message_sink.h"
#include "support/test_env.h"
#include "txorb/txorb.h"

namespace txorb {
namespace {

TEST(ErrorMessages, TextsAreExactAndOutOfRangeCodesReadAsUnknown) {
    const struct {
        int32_t code;
        const char* text;
    } cases[] = {
        {0, "No error"},
        {1, "Not enought memory available"},
        {19, "Invalid pointer"},
        {26, "No card active"},
        {29, "Unknown Error"},
        {34, "Invalid serial port number in Registry"},
        {38, "Could not send command to RTB (communications failure)."},
        {39, "Could not recieve a response from the RTB (communications failure)."},
        {45, "Timed out waiting for response from RTB (communications error)."},
        {46, "Warning: cannot receive from Port because File is being read."},
        {50, "Pixel not ready for output."},
        {51, "Unknown Error"},
        {-1, "Unknown Error"},
        {1000, "Unknown Error"},
    };
    // Looked up twice in opposite orders: cached entries must not bleed into each other.
    for (int pass = 0; pass < 2; ++pass) {
        for (size_t i = 0; i < std::size(cases); ++i) {
            const auto& c = cases[pass == 0 ? i : std::size(cases) - 1 - i];
            EXPECT_STREQ(Get_Error_Message(c.code), c.text) << "code " << c.code;
        }
    }
}

TEST(ErrorMessages, PointerStaysValidAndLastErrorMessageFollowsTheStore) {
    const char* first = Get_Error_Message(42);
    EXPECT_EQ(first, Get_Error_Message(42));
    StoreLastErrorCode(26);
    EXPECT_EQ(Get_Last_Error_Code(), TXORB_ERR_NO_CARD_ACTIVE);
    EXPECT_STREQ(Get_Last_Error_Message(), "No card active");
}

TEST(ErrorMessages, WithoutModuleHandleTheFixedTextComesBack) {
    SetModuleHandleStored(false);
    EXPECT_STREQ(Get_Error_Message(3), "Invalid module instance handle for error messages!");
    SetModuleHandleStored(true);
    EXPECT_STREQ(Get_Error_Message(3), "Card already initialised");
}

struct Shown {
    std::string caption, body;
};
std::vector<Shown>& ShownMessages() {
    static std::vector<Shown> shown;
    return shown;
}
void RecordingSink(const char* caption, const char* body) {
    ShownMessages().push_back({caption, body});
}

class MessageBox : public ::testing::Test {
protected:
    void SetUp() override {
        ShownMessages().clear();
        platform::SetMessageSink(RecordingSink);
        api::ResetMessageBoxSwitch();
    }
    void TearDown() override { platform::SetMessageSink(nullptr); }
    void DisplayErrors(const std::string& value) {
        registry.Write(
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zazave\\TX-ORB]\n\"DisplayErrors\"=" + value + "\n");
    }
    test::TempRegistry registry;
};

TEST_F(MessageBox, CaptionBodyApiNameAndContext) {
    DisplayErrors("dword:00000001");
    api::ReportErrorWithContext(34, "Init_Scan_Card_Ex", 3);
    api::ReportError(40, "Set_Mark_Speed");
    api::ShowError(45, nullptr, nullptr, false);
    ASSERT_EQ(ShownMessages().size(), 3u);
    EXPECT_EQ(ShownMessages()[0].caption, "TX-ORB ErrorCode 34");
    EXPECT_EQ(
        ShownMessages()[0].body,
        "Invalid serial port number in Registry\n\nAPI call: Init_Scan_Card_Ex\n\nContext : 3");
    EXPECT_EQ(ShownMessages()[1].body,
              "The RTB did not execute the command successfully.\n\nAPI call: Set_Mark_Speed");
    EXPECT_EQ(ShownMessages()[2].body,
              "Timed out waiting for response from RTB (communications error).");
}

TEST_F(MessageBox, OnlyTheValueOneSwitchesItOn) {
    const char* values[] = {"dword:00000000", "dword:00000002", "\"1\"", "hex:01"};
    for (const char* v : values) {
        api::ResetMessageBoxSwitch();
        DisplayErrors(v);
        api::ReportError(40, "Set_Mark_Speed");
    }
    registry.Write("");
    api::ResetMessageBoxSwitch();
    api::ReportError(40, "Set_Mark_Speed");
    EXPECT_TRUE(ShownMessages().empty());
}

TEST_F(MessageBox, SwitchIsReadAtTheFirstReportEvenASuccessAndOnlyStopRereadsIt) {
    DisplayErrors("dword:00000001");
    api::ReportError(0, "Set_Mark_Speed");  // reads the switch: on
    DisplayErrors("dword:00000000");
    api::ReportError(40, "Set_Mark_Speed");  // still on: the switch is kept
    ASSERT_EQ(ShownMessages().size(), 1u);
    api::ReportErrorRereading(40, "Stop_Execution");  // reads again: off
    api::ReportError(40, "Set_Mark_Speed");
    EXPECT_EQ(ShownMessages().size(), 1u);
}

TEST_F(MessageBox, NativeSinkWritesCaptionThenBodyToStandardError) {
    platform::SetMessageSink(nullptr);
    DisplayErrors("dword:00000001");
    test::TempDir dir;
    const std::string path = dir.File("stderr.txt");
    const int saved = ::dup(2);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    ::dup2(fd, 2);
    api::ReportErrorWithContext(34, "Init_Scan_Card_Ex", 3);
    ::dup2(saved, 2);
    ::close(fd);
    ::close(saved);
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(),
              "TX-ORB ErrorCode 34\nInvalid serial port number in Registry\n\nAPI call: "
              "Init_Scan_Card_Ex\n\nContext : 3\n");
}

TEST(NoOpExports, ReturnTrueWithoutAnyCard) {
    EXPECT_TRUE(Set_Delays_11_12(1, 2));
    EXPECT_TRUE(Field_Jump(-5, 7));
    EXPECT_TRUE(Home_Jump(0, 0));
    EXPECT_EQ(Get_Last_Error_Code(), TXORB_ERR_OK);
}

}  // namespace
}  // namespace txorb
