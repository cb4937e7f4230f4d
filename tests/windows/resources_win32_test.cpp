// The string table, read the way the library reads it: from the module that holds the library's
// code (this test program links the library and its resources). Every text of the table is read
// through the DLL in dll_session_test.cpp, and the version resource's numbers are checked there
// (Get_DLL_Version) and in the DLL file itself (check_dll.py).
#include <gtest/gtest.h>

#include <cstring>

#include "platform/string_table.h"
#include "txorb/txorb.h"

namespace txorb {
namespace {

TEST(StringTableResource, ShortBuffersAndUnknownIdsGiveWhatTheSeamPromises) {
    struct Case {
        unsigned id;
        int size;
        int copied;
        const char* text;
    };
    const Case cases[] = {
        {platform::kErrorTextIdBase + TXORB_ERR_NO_CARD_ACTIVE, 5, 4, "No c"},  // cut, terminated
        {platform::kErrorTextIdBase + TXORB_ERR_NO_CARD_ACTIVE, 1, 0, ""},
        {platform::kErrorTextIdBase + TXORB_ERR_GUARD + 1, 64, 0, ""},  // past the list
        {platform::kErrorTextIdBase - 1, 64, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        char buffer[64];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(platform::LoadStringResource(c.id, buffer, c.size), c.copied);
        EXPECT_STREQ(buffer, c.text);
    }
}

}  // namespace
}  // namespace txorb
