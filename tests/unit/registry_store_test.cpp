// The registry store file: parsing, lookups and atomic replacement.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <string>
#include <vector>

#include "config/registry.h"
#include "platform/registry_text.h"
#include "support/test_env.h"

namespace txorb {
namespace {

using platform::RegRoot;

std::vector<uint8_t> Bytes(std::initializer_list<int> v) {
    std::vector<uint8_t> out;
    for (int b : v) out.push_back(static_cast<uint8_t>(b));
    return out;
}
std::vector<uint8_t> Sz(const std::string& s) {
    std::vector<uint8_t> out(s.begin(), s.end());
    out.push_back(0);
    return out;
}

TEST(RegistryText, ValueFormsAndMalformedLines) {
    const std::string text =
        "Windows Registry Editor Version 5.00\r\n"
        "; a comment\r\n"
        "\"orphan\"=\"before any key\"\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Zazave\\TX-ORB_Card1]\r\n"
        "\"serial_port\"=\"3\"\r\n"
        "\"quoted\"=\"a \\\"b\\\" c\\\\d\"\r\n"
        "\"timeout\"=dword:0000000a\r\n"
        "\"res\"=hex:01,02,\\\r\n"
        "  03,ff\r\n"
        "\"multi\"=hex(7):41,00,00\r\n"
        "@=\"default\"\r\n"
        "\"bad dword\"=dword:xyz\r\n"
        "\"too long\"=dword:123456789\r\n"
        "\"bad hex\"=hex:1g\r\n"
        "\"unterminated\"=\"abc\r\n"
        "garbage line\r\n"
        "[HKEY_NOWHERE\\x]\r\n"
        "\"lost\"=\"in unknown root\"\r\n"
        "[hkcu\\Other]\r\n"
        "\"user\"=\"yes\"\r\n";
    const platform::RegDocument doc = platform::ParseRegistryText(text);
    const auto* card = doc.FindKey(RegRoot::kLocalMachine, "software\\zazave\\tx-orb_card1");
    ASSERT_NE(card, nullptr);
    const struct {
        const char* name;
        uint32_t type;
        std::vector<uint8_t> data;
    } expected[] = {
        {"serial_port", 1, Sz("3")},          {"quoted", 1, Sz("a \"b\" c\\d")},
        {"timeout", 4, Bytes({10, 0, 0, 0})}, {"res", 3, Bytes({1, 2, 3, 0xff})},
        {"multi", 7, Bytes({0x41, 0, 0})},    {"", 1, Sz("default")},
    };
    ASSERT_EQ(card->values.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(card->values[i].name, expected[i].name);
        EXPECT_EQ(card->values[i].type, expected[i].type) << expected[i].name;
        EXPECT_EQ(card->values[i].data, expected[i].data) << expected[i].name;
    }
    ASSERT_NE(doc.FindKey(RegRoot::kCurrentUser, "other"), nullptr);
    EXPECT_EQ(doc.keys.size(), 2u);
}

TEST(RegistryText, SerialisedDocumentParsesBackToTheSameValues) {
    const std::string text =
        "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A\\B]\n\"s\"=\"x\\\\y \\\"q\\\"\"\n\"d\"=dword:ffffffff\n"
        "\"b\"=hex:00,10\n\"e\"=hex(2):41,00\n@=\"root\"\n";
    const auto once = platform::ParseRegistryText(text);
    const auto twice = platform::ParseRegistryText(platform::SerializeRegistry(once));
    ASSERT_EQ(twice.keys.size(), 1u);
    ASSERT_EQ(twice.keys[0].values.size(), once.keys[0].values.size());
    for (size_t i = 0; i < once.keys[0].values.size(); ++i) {
        EXPECT_EQ(twice.keys[0].values[i].type, once.keys[0].values[i].type);
        EXPECT_EQ(twice.keys[0].values[i].data, once.keys[0].values[i].data);
    }
}

TEST(RegistryText, Utf16FileAsRegeditWritesIt) {
    const std::string ascii =
        "Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"v\"=\"1\"\r\n";
    std::string utf16 = "\xFF\xFE";
    for (char c : ascii) {
        utf16.push_back(c);
        utf16.push_back('\0');
    }
    const auto doc = platform::ParseRegistryText(utf16);
    const auto* key = doc.FindKey(RegRoot::kLocalMachine, "K");
    ASSERT_NE(key, nullptr);
    ASSERT_EQ(key->values.size(), 1u);
    EXPECT_EQ(key->values[0].data, Sz("1"));
}

TEST(RegistryAccessor, RootPrefixesAreExactAndCaseSensitive) {
    const struct {
        const char* path;
        bool matches;
        RegRoot root;
        const char* rest;
    } cases[] = {
        {"HKEY_LOCAL_MACHINE\\A", true, RegRoot::kLocalMachine, "A"},
        {"HKCU\\A", true, RegRoot::kCurrentUser, "A"},
        {"HKEY_CURRENT_USER\\", true, RegRoot::kCurrentUser, ""},
        {"hklm\\A", false, RegRoot::kLocalMachine, "hklm\\A"},
        {"HKLM", false, RegRoot::kLocalMachine, "HKLM"},
    };
    for (const auto& c : cases) {
        std::string path = c.path;
        const auto root = config::ParseRootKey(path);
        EXPECT_EQ(root.has_value(), c.matches) << c.path;
        if (root) {
            EXPECT_EQ(*root, c.root) << c.path;
        }
        EXPECT_EQ(path, c.rest) << c.path;
    }
}

TEST(RegistryAccessor, OperationSuccessRules) {
    test::TempRegistry reg;  // no file yet: an empty registry, and each read sees the file now
    uint32_t dword = 0;
    EXPECT_FALSE(config::ReadRegistryDword("HKLM\\SOFTWARE\\Zazave\\TX-ORB", "text", &dword));
    reg.Write(
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Zazave\\TX-ORB]\n\"DisplayErrors\"=dword:00000001\n"
        "\"text\"=\"hello\"\n\"empty\"=\"\"\n\"blob\"=hex:01,02,03\n");
    const char* key = "HKLM\\SOFTWARE\\Zazave\\TX-ORB";
    char text[16];
    uint8_t blob[8];
    EXPECT_TRUE(config::ReadRegistryDword(key, "displayerrors", &dword));
    EXPECT_EQ(dword, 1u);
    EXPECT_TRUE(config::ReadRegistryString(key, "text", text, sizeof text));
    EXPECT_STREQ(text, "hello");
    EXPECT_FALSE(config::ReadRegistryString(key, "text", text, 3));  // does not fit
    EXPECT_FALSE(config::ReadRegistryDword(key, "text", &dword));    // wrong type
    EXPECT_TRUE(config::ReadRegistryBinary(key, "blob", blob, sizeof blob));
    EXPECT_FALSE(config::ReadRegistryString(key, "", text, sizeof text));  // no value name
    EXPECT_FALSE(config::ReadRegistryString("SOFTWARE\\Zazave\\TX-ORB", "text", text, 16));
    EXPECT_FALSE(config::ReadRegistryString("HKLM\\Missing", "text", text, sizeof text));

    // Deleting what is not there counts as done; without a prefix nothing works.
    EXPECT_TRUE(config::DeleteRegistryValue("HKLM\\Missing\\Key", "v"));
    EXPECT_TRUE(config::DeleteRegistryKey("HKLM\\Missing\\Key"));
    EXPECT_FALSE(config::DeleteRegistryValue("Missing\\Key", "v"));
    EXPECT_FALSE(config::WriteRegistryValue("Software\\New", "v", "x", 2, 1));

    // Writing creates the key; a zero-length write is reported as failed.
    const uint32_t seven = 7;
    EXPECT_TRUE(config::WriteRegistryValue("HKCU\\Software\\New\\Deep", "n", &seven, 4, 4));
    EXPECT_TRUE(config::ReadRegistryDword("HKCU\\Software\\New\\Deep", "N", &dword));
    EXPECT_EQ(dword, 7u);
    EXPECT_FALSE(config::WriteRegistryValue("HKCU\\Software\\New\\Deep", "z", "", 0, 1));
    EXPECT_FALSE(config::DeleteRegistryKey("HKCU\\Software\\New"));  // has a subkey
    EXPECT_TRUE(config::DeleteRegistryValue("HKCU\\Software\\New\\Deep", "n"));
    EXPECT_FALSE(config::ReadRegistryDword("HKCU\\Software\\New\\Deep", "n", &dword));
    EXPECT_TRUE(config::DeleteRegistryKey("HKCU\\Software\\New\\Deep"));
    EXPECT_TRUE(config::ReadRegistryDword(key, "DisplayErrors", &dword));  // untouched
}

TEST(RegistryStore, FailedWriteLeavesTheOldFileWhole) {
    test::TempRegistry reg;
    const std::string original = "[HKEY_LOCAL_MACHINE\\K]\n\"v\"=\"original\"\n";
    reg.Write(original);
    const std::string before = test::ReadFile(reg.Path());

    // A file-size limit makes the temporary file's write fail halfway.
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 200;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const std::string big(4000, 'x');
    const bool wrote = config::WriteRegistryValue("HKLM\\K", "big", big.c_str(),
                                                  static_cast<uint32_t>(big.size() + 1), 1);
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_FALSE(wrote);

    EXPECT_EQ(test::ReadFile(reg.Path()), before);
    char text[32];
    EXPECT_TRUE(config::ReadRegistryString("HKLM\\K", "v", text, sizeof text));
    EXPECT_STREQ(text, "original");
}

}  // namespace
}  // namespace txorb
