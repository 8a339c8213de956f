#pragma once
// What a program started by a test printed when a sanitizer (the sanitizer
// builds of the test command) or the C library's heap checks found a fault.
#include <string>

namespace testing_support {

// The first such report in a program's output, with a little of what came
// before it; empty when there is none.
std::string faultReport(const std::string& output);

}  // namespace testing_support
