// The one list of error codes (names, numbers, texts, the string table made from it), the
// message lookup, and how a failure is shown.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "api/messages.h"
#include "api/report.h"
#include "common/process_state.h"
#include "platform/message_sink.h"
#include "platform/string_table.h"
#include "support/card_fixture.h"
#include "txorb/txorb.h"

namespace txorb {
namespace {

constexpr const char* kUnknown = "Unknown Error";

// A few codes from each region of the list, and codes outside it (no name, the unknown text).
TEST(ErrorList, NamesNumbersTextsAndStringsAgree) {
    const struct {
        int32_t code;
        const char* name;  // null: not in the list
        const char* text;
    } cases[] = {
        {TXORB_ERR_OK, "OK", "No error"},
        {1, "NOT_ENOUGH_MEMORY", "Not enought memory available"},
        {19, "INVALID_POINTER", "Invalid pointer"},
        {TXORB_ERR_NO_CARD_ACTIVE, "NO_CARD_ACTIVE", "No card active"},
        {29, "UNKNOWN_ERROR", kUnknown},
        {34, "INVALID_SERIAL_PORT_NUMBER", "Invalid serial port number in Registry"},
        {38, "COULD_NOT_SEND_TO_RTB", "Could not send command to RTB (communications failure)."},
        {39, "COULD_NOT_RECEIVE_FROM_RTB",
         "Could not recieve a response from the RTB (communications failure)."},
        {TXORB_ERR_RESPONSE_TIMEOUT, "RESPONSE_TIMEOUT",
         "Timed out waiting for response from RTB (communications error)."},
        {46, "PORT_BUSY_READING_FILE",
         "Warning: cannot receive from Port because File is being read."},
        {50, "PIXEL_NOT_READY", "Pixel not ready for output."},
        {TXORB_ERR_GUARD, "GUARD", "Guard value - move when new messages are added."},
        {TXORB_ERR_GUARD + 1, nullptr, kUnknown},
        {-1, nullptr, kUnknown},
        {INT_MIN, nullptr, kUnknown},
        {INT_MAX, nullptr, kUnknown},
    };
    // Looked up twice in opposite orders: cached entries must not bleed into each other.
    for (int pass = 0; pass < 2; ++pass) {
        for (size_t i = 0; i < std::size(cases); ++i) {
            const auto& c = cases[pass == 0 ? i : std::size(cases) - 1 - i];
            const uint32_t code = static_cast<uint32_t>(c.code);
            // The guard has a text in the string table, but no message: it is no error.
            EXPECT_STREQ(Get_Error_Message(c.code), code == TXORB_ERR_GUARD ? kUnknown : c.text);
            EXPECT_STREQ(txorb_error_name(code), c.name) << c.code;
            char text[256] = "untouched";
            const int copied =
                platform::LoadStringResource(platform::kErrorTextIdBase + code, text, sizeof text);
            EXPECT_STREQ(text, c.name ? c.text : "") << c.code;
            EXPECT_EQ(copied, c.name ? static_cast<int>(std::strlen(c.text)) : 0) << c.code;
        }
    }
    for (int32_t code = 0; code < TXORB_ERR_GUARD; ++code) {
        char text[256];
        platform::LoadStringResource(platform::kErrorTextIdBase + code, text, sizeof text);
        EXPECT_STREQ(api::ErrorMessage(code), text) << code;
    }
}

// The contracts in the header name codes in prose, where the compiler cannot check them: a
// misspelt name would send a reader looking for a code that does not exist.
TEST(ErrorList, EveryCodeNamedInTheHeaderExists) {
    std::set<std::string> known;
#define TXORB_KNOWN_NAME_(code, name, text) known.insert("TXORB_ERR_" #name);
    TXORB_ERROR_LIST(TXORB_KNOWN_NAME_)
#undef TXORB_KNOWN_NAME_
    const std::string s = test::PublicHeaderText();
    const std::regex mention(R"(TXORB_ERR_([A-Z0-9_]+))");
    size_t mentions = 0;
    for (auto it = std::sregex_iterator(s.begin(), s.end(), mention); it != std::sregex_iterator();
         ++it, ++mentions) {
        EXPECT_EQ(known.count(it->str()), 1u) << it->str();
    }
    // The contracts name their codes; a header that lost them would pass the loop above.
    EXPECT_GT(mentions, 50u);
}

TEST(ErrorList, StringTableCutsToTheBufferAndAlwaysTerminates) {
    const unsigned noCardActive = platform::kErrorTextIdBase + TXORB_ERR_NO_CARD_ACTIVE;
    const struct {
        int size;
        int copied;
        const char* text;  // null: the buffer is not written at all
    } cases[] = {
        {256, 14, "No card active"},
        {15, 14, "No card active"},  // the text and its terminator
        {14, 13, "No card activ"},
        {1, 0, ""},
        {0, 0, nullptr},
        {-1, 0, nullptr},
    };
    for (const auto& c : cases) {
        char buffer[257];  // one byte more than the largest size, to see it stay untouched
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(platform::LoadStringResource(noCardActive, buffer, c.size), c.copied) << c.size;
        if (c.text != nullptr) {
            EXPECT_STREQ(buffer, c.text) << c.size;
        }
        EXPECT_EQ(buffer[c.text ? c.size : 0], 'x') << "wrote past the buffer of " << c.size;
    }
    EXPECT_EQ(platform::LoadStringResource(noCardActive, nullptr, 16), 0);
}

TEST(ErrorMessages, PointersStayValidAndTheFixedTextWithoutAModuleHandle) {
    const char* first = Get_Error_Message(42);
    EXPECT_EQ(first, Get_Error_Message(42));
    StoreLastErrorCode(26);
    EXPECT_STREQ(Get_Last_Error_Message(), "No card active");
    SetModuleHandleStored(false);
    EXPECT_STREQ(Get_Error_Message(3), "Invalid module instance handle for error messages!");
    SetModuleHandleStored(true);
    EXPECT_STREQ(Get_Error_Message(3), "Card already initialised");
}

class MessageBox : public test::CardTest {
protected:
    void DisplayErrors(const std::string& value) {
        registry.Write(
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zazave\\TX-ORB]\n\"DisplayErrors\"=" + value + "\n");
    }
};

std::string CaptureStandardError(void (*report)()) {
    test::TempDir dir;
    const std::string path = dir.File("stderr.txt");
    const int saved = ::dup(2);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, 2);
    report();
    ::dup2(saved, 2);
    ::close(fd);
    ::close(saved);
    return test::ReadFile(path);
}

TEST_F(MessageBox, TheNativeSinkWritesCaptionTextExportAndContextToStandardError) {
    platform::SetMessageSink(nullptr);
    EXPECT_EQ(CaptureStandardError([] {
                  api::ReportErrorWithContext(34, "Init_Scan_Card_Ex", 3);
                  api::ReportError(40, "Set_Mark_Speed");
                  api::ShowError(45, nullptr, nullptr, false);
              }),
              "TX-ORB ErrorCode 34\nInvalid serial port number in Registry\n\nAPI call: "
              "Init_Scan_Card_Ex\n\nContext : 3\n"
              "TX-ORB ErrorCode 40\nThe RTB did not execute the command successfully.\n\nAPI "
              "call: Set_Mark_Speed\n"
              "TX-ORB ErrorCode 45\nTimed out waiting for response from RTB (communications "
              "error).\n");
}

TEST_F(MessageBox, OnlyTheValueOneSwitchesItOn) {
    for (const char* v : {"dword:00000000", "dword:00000002", "\"1\"", "hex:01"}) {
        api::ResetMessageBoxSwitch();
        DisplayErrors(v);
        api::ReportError(40, "Set_Mark_Speed");
    }
    registry.Write("");
    api::ResetMessageBoxSwitch();
    api::ReportError(40, "Set_Mark_Speed");
    EXPECT_TRUE(test::ShownReports().empty());
}

TEST_F(MessageBox, SwitchIsReadAtTheFirstReportEvenASuccessAndOnlyStopRereadsIt) {
    api::ReportError(0, "Set_Mark_Speed");  // reads the switch: on
    DisplayErrors("dword:00000000");
    api::ReportError(40, "Set_Mark_Speed");           // still on: the switch is kept
    api::ReportErrorRereading(40, "Stop_Execution");  // reads again: off
    api::ReportError(40, "Set_Mark_Speed");
    EXPECT_EQ(test::ShownReports(), test::Strings{"40 Set_Mark_Speed"});
}

}  // namespace
}  // namespace txorb
