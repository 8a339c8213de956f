// The contract check as the build type sets it: on in the Debug builds
// (the sanitizer builds of the test command), compiled away where NDEBUG
// is set.
#include "platform/os/contract.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>

namespace {

TEST(ContractBuildDeathTest, ChecksRunExactlyInBuildsWithoutNdebug) {
    int evaluated = 0;
#ifdef NDEBUG
    EXPECT_EQ(VURN_ASSERTIONS, 0);
    VURN_ASSERT(++evaluated < 0);  // neither evaluated nor stopping
    EXPECT_EQ(evaluated, 0);
#else
    EXPECT_EQ(VURN_ASSERTIONS, 1);
    const std::string style = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(VURN_ASSERT(++evaluated < 0), testing::KilledBySignal(SIGABRT),
                "contract_build_test\\.cpp:[0-9]+: contract broken: \\+\\+evaluated < 0");
    GTEST_FLAG_SET(death_test_style, style);
#endif
}

}  // namespace
