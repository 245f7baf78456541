// One context held for the whole test program: Mesa unloads its driver when
// the last context's display closes, and allocations of an unloaded driver
// can no longer be told apart from the program's own leaks in sanitizer runs.
#include <gtest/gtest.h>

#include "support/gl_context.h"

// Outside any namespace and never freed: a global the leak checker sees.
TestGLContext* sceneTestsHeldContext = nullptr;

namespace {

class HoldGLDriver : public ::testing::Environment {
public:
    void SetUp() override { sceneTestsHeldContext = new TestGLContext(1, 1); }
};

[[maybe_unused]] ::testing::Environment* const holder = ::testing::AddGlobalTestEnvironment(new HoldGLDriver);

}  // namespace
