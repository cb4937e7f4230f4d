// The one list of error codes: the public names and numbers, the string table made from it and
// the name lookup agree, and the string table copies the way the Windows one does.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "api/messages.h"
#include "platform/string_table.h"
#include "txorb/txorb.h"

namespace txorb {
namespace {

// A few codes from each region of the list: success, the active-card lookup's code, the text
// every unknown code reads as, the last link code, and the guard entry at the end.
TEST(ErrorList, NamesNumbersTextsAndIdsAgree) {
    const struct {
        uint32_t code;
        uint32_t enumerator;
        const char* name;
        const char* text;
    } cases[] = {
        {0, TXORB_ERR_OK, "OK", "No error"},
        {26, TXORB_ERR_NO_CARD_ACTIVE, "NO_CARD_ACTIVE", "No card active"},
        {29, TXORB_ERR_UNKNOWN_ERROR, "UNKNOWN_ERROR", "Unknown Error"},
        {45, TXORB_ERR_RESPONSE_TIMEOUT, "RESPONSE_TIMEOUT",
         "Timed out waiting for response from RTB (communications error)."},
        {51, TXORB_ERR_GUARD, "GUARD", "Guard value - move when new messages are added."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.enumerator, c.code) << c.name;
        ASSERT_NE(txorb_error_name(c.code), nullptr) << c.code;
        EXPECT_STREQ(txorb_error_name(c.code), c.name) << c.code;
        char text[256];
        const int copied =
            platform::LoadStringResource(platform::kErrorTextIdBase + c.code, text, sizeof text);
        EXPECT_STREQ(text, c.text) << c.code;
        EXPECT_EQ(copied, static_cast<int>(std::strlen(c.text))) << c.code;
    }
}

TEST(ErrorList, CodesOutsideTheListHaveNoNameAndNoString) {
    EXPECT_EQ(txorb_error_name(TXORB_ERR_GUARD + 1), nullptr);
    EXPECT_EQ(txorb_error_name(UINT32_MAX), nullptr);
    const unsigned ids[] = {platform::kErrorTextIdBase - 1, platform::kErrorTextIdBase + 52, 0,
                            UINT32_MAX};
    for (unsigned id : ids) {
        char text[16] = "untouched";
        EXPECT_EQ(platform::LoadStringResource(id, text, sizeof text), 0) << id;
        EXPECT_STREQ(text, "") << id;
    }
}

// Every message the cache hands out is the string table's text, for each code with a message.
TEST(ErrorList, MessagesAreTheStringTableTexts) {
    for (int32_t code = 0; code < TXORB_ERR_GUARD; ++code) {
        char text[256];
        ASSERT_GT(
            platform::LoadStringResource(platform::kErrorTextIdBase + code, text, sizeof text), 0)
            << code;
        EXPECT_STREQ(api::ErrorMessage(code), text) << code;
    }
}

// The public header of the source tree this test was compiled from. A compiler launcher may
// have made __FILE__ relative to the directory the build ran in.
std::filesystem::path PublicHeaderPath() {
    const std::filesystem::path self(__FILE__);
    const std::filesystem::path build(TXORB_BUILD_DIR);
    for (const auto& base : {std::filesystem::path(), build, build / "tests"}) {
        if (std::filesystem::exists(base / self)) {
            return (base / self).parent_path().parent_path().parent_path() /
                   "include/txorb/txorb.h";
        }
    }
    return {};
}

// The contracts in the header name codes in prose, where the compiler cannot check them: a
// misspelt name would send a reader looking for a code that does not exist.
TEST(ErrorList, EveryCodeNamedInTheHeaderExists) {
    std::set<std::string> known;
#define TXORB_KNOWN_NAME_(code, name, text) known.insert("TXORB_ERR_" #name);
    TXORB_ERROR_LIST(TXORB_KNOWN_NAME_)
#undef TXORB_KNOWN_NAME_
    std::ifstream header(PublicHeaderPath());
    ASSERT_TRUE(header.good()) << PublicHeaderPath();
    std::stringstream text;
    text << header.rdbuf();
    const std::string s = text.str();
    // TXORB_ERR_ followed by a name; the enum's own TXORB_ERR_##name is not a name.
    const std::regex mention(R"(TXORB_ERR_([A-Z0-9_]+))");
    size_t mentions = 0;
    for (auto it = std::sregex_iterator(s.begin(), s.end(), mention); it != std::sregex_iterator();
         ++it, ++mentions) {
        EXPECT_EQ(known.count(it->str()), 1u) << it->str();
    }
    // The contracts name their codes; a header that lost them would pass the loop above.
    EXPECT_GT(mentions, 50u);
}

TEST(StringTable, CutsToTheBufferAndAlwaysTerminates) {
    const unsigned noCardActive = platform::kErrorTextIdBase + TXORB_ERR_NO_CARD_ACTIVE;
    const struct {
        int size;
        int copied;
        const char* text;
    } cases[] = {
        {256, 14, "No card active"},
        {15, 14, "No card active"},  // exactly the text and its terminator
        {14, 13, "No card activ"},
        {5, 4, "No c"},
        {1, 0, ""},
    };
    for (const auto& c : cases) {
        char buffer[257];  // one byte more than the largest size, to see it stay untouched
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(platform::LoadStringResource(noCardActive, buffer, c.size), c.copied) << c.size;
        EXPECT_STREQ(buffer, c.text) << c.size;
        EXPECT_EQ(buffer[c.size], 'x') << "wrote past the buffer of " << c.size;
    }
}

TEST(StringTable, NoBufferGetsNothing) {
    const unsigned noError = platform::kErrorTextIdBase + TXORB_ERR_OK;
    char buffer[4] = "abc";
    EXPECT_EQ(platform::LoadStringResource(noError, buffer, 0), 0);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(platform::LoadStringResource(noError, buffer, -1), 0);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_EQ(platform::LoadStringResource(noError, nullptr, 16), 0);
}

}  // namespace
}  // namespace txorb
