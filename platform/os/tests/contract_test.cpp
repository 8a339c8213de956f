// The contract check itself, switched on in this file whatever the build
// type: a broken contract stops the process and names where it broke.
#define VURN_ASSERTIONS 1
#include "platform/os/contract.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>

namespace {

// The report a broken contract at `line` of this file gives.
std::string reportAt(int line, const char* condition) {
    return "contract_test\\.cpp:" + std::to_string(line) + ": contract broken: " + condition;
}

TEST(ContractDeathTest, BrokenContractStopsWithFileLineAndCondition) {
    // The child runs this binary afresh: other tests of it start threads.
    const std::string style = GTEST_FLAG_GET(death_test_style);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const int row = 7, rows = 7;
    EXPECT_EXIT(VURN_ASSERT(row < rows), testing::KilledBySignal(SIGABRT), reportAt(__LINE__, "row < rows"));
    GTEST_FLAG_SET(death_test_style, style);
}

TEST(Contract, KeptContractGoesOnAndEvaluatesItsConditionOnce) {
    int evaluated = 0;
    VURN_ASSERT(++evaluated == 1);
    EXPECT_EQ(evaluated, 1);
}

}  // namespace
