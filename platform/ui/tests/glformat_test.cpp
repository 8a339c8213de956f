// The OpenGL pixel format as the toolkit's attribute list.
#include <gtest/gtest.h>

#include <GL/glx.h>

#include "platform/ui/glformat.h"

using namespace platform::ui;

TEST(GlPixelFormat, AttributeList) {
    GlPixelFormat f;
    EXPECT_EQ(glAttributes(f), std::vector<int>{0});  // nothing asked: the terminator only
    f.rgb = f.doubleBuffer = true;
    f.depthBits = 24;
    EXPECT_EQ(glAttributes(f), (std::vector<int>{GLX_RGBA, GLX_RED_SIZE, 1, GLX_GREEN_SIZE, 1, GLX_BLUE_SIZE, 1,
                                                 GLX_DOUBLEBUFFER, GLX_DEPTH_SIZE, 24, None}));
}
