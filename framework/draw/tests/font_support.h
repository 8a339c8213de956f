#pragma once
// The font is loaded once a process: a test that loads it starts from no
// font and leaves none behind, so the tests of a binary pass in any order.
#include <gtest/gtest.h>

#include "framework/draw/font.h"

namespace draw_testing {

struct FreshFont : ::testing::Test {
    FreshFont() { fontResetForTests(); }
    ~FreshFont() override { fontResetForTests(); }
};

}  // namespace draw_testing
