// A core that paints its window from a view buffer through the canvas's
// paint: what reaches the screen is the picture, inside and outside a clip.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "framework/canvas/supercanvas.h"
#include "framework/draw/render.h"
#include "framework/draw/view.h"
#include "framework/image/image.h"
#include "platform/ui/pixels.h"
#include "platform/ui/ui.h"
#include "testing/test_cores.h"

using namespace testing_support;

namespace {

constexpr int kW = 120, kH = 90;

// Pixel (x, y) = (2x, 2y, 200), distinct over the picture.
Image pattern() {
    Image i;
    i.iWidth = kW;
    i.iHeight = kH;
    i.iPixels24.resize(std::size_t(kW) * kH * 3);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            uint8_t* p = &i.iPixels24[(std::size_t(y) * kW + x) * 3];
            p[0] = static_cast<uint8_t>(2 * x), p[1] = static_cast<uint8_t>(2 * y), p[2] = 200;
        }
    return i;
}

class PictureCore : public RecordingCore {
public:
    PictureCore() : RecordingCore("pictureWindow", kW + 40, kH + 40, "PictureCore") {
        picture = pattern();
        stride = (kW + 3) / 4 * 4;
        buffer = fastView(0, 0, 1.0, kW, stride, kH, 1, picture);
    }
    int paint(int, int, int, int) override {
        ++paints;
        renderToWindow(iCanvas, buffer, stride, 10, 10, kW, kH, clip);
        return 1;
    }
    Image picture;
    int stride = 0;
    std::vector<uint8_t> buffer;
    platform::ui::Rect clip{-1, 0, 0, 0};
    int paints = 0;
};

std::vector<uint8_t> at(const std::vector<uint8_t>& shot, int w, int x, int y) {
    const uint8_t* p = &shot[(std::size_t(y) * w + x) * 3];
    return {p[0], p[1], p[2]};
}

TEST(RenderToWindow, ACorePaintsItsPictureThroughTheCanvas) {
    ASSERT_TRUE(platform::ui::displayAvailable());
    CoreEnvironment env;
    auto* core = new PictureCore();
    core->canvas()->realize();
    ASSERT_TRUE(platform::ui::processEventsUntil([&] { return core->paints > 0; }, 30));

    platform::ui::Canvas* win = core->canvas()->platformCanvas();
    const int w = win->width(), h = win->height();
    std::vector<uint8_t> shot = platform::ui::readWindowPixels(win, 0, 0, w, h);
    ASSERT_EQ(shot.size(), std::size_t(w) * h * 3);
    for (int y = 0; y < kH; y += 7)
        for (int x = 0; x < kW; x += 5) {
            std::vector<uint8_t> want = {static_cast<uint8_t>(2 * x), static_cast<uint8_t>(2 * y), 200};
            ASSERT_EQ(at(shot, w, x + 10, y + 10), want) << x << "," << y;
        }

    // With a clip, the copy paints only inside it; the rest of the window
    // keeps the canvas's own background.
    const std::vector<uint8_t> background = at(shot, w, w - 3, h - 3);
    core->clip = {40, 40, 20, 20};
    core->picture.iPixels24.assign(core->picture.iPixels24.size(), 0);
    core->buffer = fastView(0, 0, 1.0, kW, core->stride, kH, 1, core->picture);
    const int painted = core->paints;
    core->canvas()->platformCanvas()->repaint();
    ASSERT_TRUE(platform::ui::processEventsUntil([&] { return core->paints > painted; }, 30));
    shot = platform::ui::readWindowPixels(win, 0, 0, w, h);
    EXPECT_EQ(at(shot, w, 45, 45), (std::vector<uint8_t>{0, 0, 0}));
    EXPECT_EQ(at(shot, w, 59, 59), (std::vector<uint8_t>{0, 0, 0}));
    EXPECT_EQ(at(shot, w, 30, 30), background);
    EXPECT_EQ(at(shot, w, 61, 45), background);
    EXPECT_EQ(at(shot, w, 45, 39), background);
}

}  // namespace
