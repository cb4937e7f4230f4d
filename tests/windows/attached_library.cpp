// This test program links the library's objects, and an executable gets no DllMain calls: the
// attach and detach that the DLL's entry makes are made around the tests instead.
#include <gtest/gtest.h>

#include "link/library_lifecycle.h"

namespace txorb {
namespace {

class AttachedLibrary : public ::testing::Environment {
public:
    void SetUp() override { link::AttachLibrary(); }
    void TearDown() override { link::DetachLibrary(false); }
};

[[maybe_unused]] ::testing::Environment* const g_attached =
    ::testing::AddGlobalTestEnvironment(new AttachedLibrary);

}  // namespace
}  // namespace txorb
