// Window placements from the options file: the welcome window derived in
// 64 bits, and saved frames brought back onto the desktop, whatever values
// the file holds.
#include <gtest/gtest.h>

#include <climits>

#include "framework/app/placement.h"

namespace {

void expectPlacement(const WindowPlacement& got, const WindowPlacement& want) {
    EXPECT_EQ(got.x, want.x);
    EXPECT_EQ(got.y, want.y);
    EXPECT_EQ(got.w, want.w);
    EXPECT_EQ(got.h, want.h);
}

TEST(Placement, TheWelcomeWindowIsCentredWithoutOverflow) {
    struct Case {
        const char* what;
        WindowPlacement main;
        WindowPlacement welcome;
    } cases[] = {
        {"an ordinary window", {100, 50, 601, 301}, {200, 120, 400, 160}},
        {"halves truncate toward zero", {-10, 0, -3, 0}, {-211, -80, 400, 160}},
        {"the least x", {INT32_MIN, 0, 0, 0}, {INT32_MIN, -80, 400, 160}},
        {"the greatest y and height", {0, INT32_MAX, 0, INT32_MAX}, {-200, INT32_MAX, 400, 160}},
        {"the least of everything", {INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN}, {INT32_MIN, INT32_MIN, 400, 160}},
        {"the greatest width", {INT32_MAX, 0, INT32_MAX, 0}, {INT32_MAX, -80, 400, 160}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        expectPlacement(welcomePlacementFor(c.main), c.welcome);
    }
}

TEST(Placement, SavedFramesComeBackOntoTheDesktop) {
    const WindowPlacement fallback{30, 30, 512, 384};
    struct Case {
        const char* what;
        int64_t x, y, w, h;
        WindowPlacement placed;
    } cases[] = {
        {"on the desktop", 100, 120, 600, 450, {100, 120, 600, 450}},
        {"no size saved", 100, 120, 0, -5, {100, 120, 512, 384}},
        {"x too far right", 1900, 120, 600, 450, {30, 120, 600, 450}},
        {"x just inside", 1880, 120, 600, 450, {1880, 120, 600, 450}},
        {"y too far down", 100, 1050, 600, 450, {100, 30, 600, 450}},
        {"far off to the left", -5000, 120, 600, 450, {30, 120, 600, 450}},
        {"partly off to the left", -500, 120, 600, 450, {-500, 120, 600, 450}},
        {"far above", 100, -100000, 600, 450, {100, 30, 600, 450}},
        {"larger than the desktop", 0, 0, 5000, 4000, {0, 0, 1920, 1080}},
        {"the least of everything", INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, {30, 30, 512, 384}},
        {"the greatest of everything", INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, {30, 30, 1920, 1080}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        expectPlacement(keepOnDesktop(c.x, c.y, c.w, c.h, 1920, 1080, fallback), c.placed);
    }
}

}  // namespace
