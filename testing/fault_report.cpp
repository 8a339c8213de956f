#include "testing/fault_report.h"

#include <algorithm>

namespace testing_support {

std::string faultReport(const std::string& output) {
    static const char* const kMarks[] = {
        "ERROR: AddressSanitizer",
        "ERROR: LeakSanitizer",
        "runtime error:",
        "WARNING: ThreadSanitizer",
        "free(): ",
        "corrupted ",
        "double free",
        "malloc(): ",
    };
    std::size_t first = std::string::npos;
    for (const char* mark : kMarks) first = std::min(first, output.find(mark));
    if (first == std::string::npos) return "";
    const std::size_t from = first > 200 ? first - 200 : 0;
    return output.substr(from, 4000);
}

}  // namespace testing_support
