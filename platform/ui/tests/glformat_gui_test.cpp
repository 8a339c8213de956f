// The OpenGL window's pixel format on a display: RGB, double buffered, with
// a depth buffer of at least 24 bits where offered, and a window made with
// it really has them.
#include <gtest/gtest.h>

#include <FL/Fl_Gl_Window.H>
#include <FL/gl.h>

#include "platform/ui/glformat.h"
#include "platform/ui/ui.h"

using namespace platform::ui;

namespace {

struct Probe : Fl_Gl_Window {
    Probe() : Fl_Gl_Window(10, 10, 64, 48, "gl") {}
    void draw() override {
        glGetIntegerv(GL_DEPTH_BITS, &depth);
        GLboolean d = 0;
        glGetBooleanv(GL_DOUBLEBUFFER, &d);
        doubleBuffer = d;
        glGetIntegerv(GL_RED_BITS, &red);
        drawn = true;
    }
    GLint depth = 0, red = 0;
    bool doubleBuffer = false, drawn = false;
};

}  // namespace

TEST(GlPixelFormat, ChosenFormatIsWhatTheWindowGets) {
    ASSERT_TRUE(displayAvailable());
    GlPixelFormat f = chooseGlPixelFormat();
    ASSERT_TRUE(f.available);
    EXPECT_TRUE(f.rgb);
    EXPECT_TRUE(f.doubleBuffer);
    EXPECT_GE(f.depthBits, 24);  // Mesa offers 24 bits at least

    Probe probe;
    std::vector<int> attributes = glAttributes(f);
    ASSERT_TRUE(probe.mode(attributes.data()));
    probe.end();
    probe.show();
    ASSERT_TRUE(processEventsUntil([&] { return probe.drawn; }, 30));
    EXPECT_GE(probe.depth, 24);
    EXPECT_TRUE(probe.doubleBuffer);
    EXPECT_GE(probe.red, 8);
}
