// The file seam and the program's directory on Windows.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file.h"
#include "platform/program_path.h"

namespace txorb {
namespace {

// A directory of this test's own in the temporary directory, removed with its files.
class ScratchDirectory : public ::testing::Test {
protected:
    void SetUp() override {
        char base[MAX_PATH];
        ASSERT_GT(GetTempPathA(sizeof base, base), 0u);
        dir_ = std::string(base) + "txorb-files-" + std::to_string(GetCurrentProcessId());
        ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr));
    }
    void TearDown() override {
        for (const std::string& f : created_) {
            SetFileAttributesA(f.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(f.c_str());
        }
        RemoveDirectoryA(dir_.c_str());
    }
    std::string File(const char* name) {
        created_.push_back(dir_ + "\\" + name);
        return created_.back();
    }
    std::string dir_;
    std::vector<std::string> created_;
};

std::vector<uint8_t> ReadWhole(const std::string& path) {
    const auto& files = platform::Files();
    const platform::FileHandle f = files.openForRead(path.c_str());
    if (f == platform::kInvalidFile) return {};
    std::vector<uint8_t> bytes(static_cast<size_t>(files.size(f)));
    const long long got = files.read(f, bytes.data(), bytes.size());
    files.close(f, false);
    bytes.resize(got < 0 ? 0 : static_cast<size_t>(got));
    return bytes;
}

// A packet with a zero and a 0x1A (end of file to a text-mode reader), then a shorter one
// into the same file, left read-only in between: a rewrite truncates, and a capture file left
// read-only is still rewritten.
TEST_F(ScratchDirectory, WrittenBytesReadBackAndARewriteTruncatesEvenAReadOnlyFile) {
    const auto& files = platform::Files();
    const std::string path = File("capture.bin");
    const std::vector<uint8_t> writes[] = {{0x5D, 0x08, 0x00, 0x1A, 0x0D, 0x0A, 0x00, 0xFF},
                                           {0x22, 0x00}};
    for (const std::vector<uint8_t>& bytes : writes) {
        const platform::FileHandle f = files.createForWrite(path.c_str());
        ASSERT_NE(f, platform::kInvalidFile);
        EXPECT_TRUE(files.writeAll(f, bytes.data(), bytes.size()));
        files.close(f, true);
        EXPECT_EQ(ReadWhole(path), bytes);
        ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    }
    EXPECT_EQ(files.openForRead(dir_.c_str()), platform::kInvalidFile);
    EXPECT_EQ(files.openForRead((dir_ + "\\absent.bin").c_str()), platform::kInvalidFile);
    EXPECT_EQ(files.createForWrite(""), platform::kInvalidFile);
}

TEST(ProgramDirectory, IsTheDirectoryOfTheRunningProgramWithItsSeparator) {
    const std::string dir = platform::ProgramDirectoryPath();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '\\');
    char self[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, self, sizeof self), 0u);
    EXPECT_EQ(std::string(self).rfind(dir, 0), 0u) << self;
    EXPECT_EQ(std::string(self).find('\\', dir.size()), std::string::npos);
}

}  // namespace
}  // namespace txorb
