#include <gtest/gtest.h>

// Under LeakSanitizer: the font and X libraries and Mesa's software
// renderer keep caches for the life of the process, which the leak check
// would report at every window test.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libXft.so\n"
           "leak:libX11.so\n"
           "leak:swrast_dri.so\n";
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
