// Copies of view buffers into a canvas on a display: read back pixel for
// pixel, with and without a clip; calls outside the paint or off the GUI
// thread paint nothing; a line of text in every face of the shipped font.
#include <gtest/gtest.h>
#include <memory>

#include <cstdlib>
#include <string>
#include <thread>

#include "framework/draw/font.h"
#include "framework/draw/render.h"
#include "framework/draw/view.h"
#include "framework/image/image.h"
#include "framework/image/png.h"
#include "platform/ui/fltk_detail.h"
#include "platform/ui/pixels.h"
#include "platform/ui/ui.h"
#include "platform/ui/window.h"
#include "testing/program_folder.h"

using namespace platform::ui;

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int kCanvasW = 200, kCanvasH = 120;

// A canvas whose paint copies one view buffer.
struct Painter : CanvasListener {
    Canvas* canvas = nullptr;
    Bytes buffer;
    int stride = 0, x = 0, y = 0, w = 0, h = 0;
    int clipX = -1, clipY = 0, clipW = 0, clipH = 0;
    int paints = 0;
    void onCanvasPaint(int, int, int, int) override {
        ++paints;
        if (!buffer.empty()) renderToDC(canvas, buffer, stride, x, y, w, h, clipX, clipY, clipW, clipH);
    }
};

struct Scene {
    Frame frame{40, 40, kCanvasW, kCanvasH + Frame::kMenuBarHeight, "render"};
    Canvas* canvas;
    Painter painter;
    Scene() {
        Rect client = frame.clientRect();
        canvas = new Canvas(&frame, {0, 0, client.w, client.h});
        frame.setClient(canvas);
        painter.canvas = canvas;
        canvas->setListener(&painter);
        frame.show();
        EXPECT_TRUE(processEventsUntil([&] { return painter.paints > 0; }, 30));
    }
    ~Scene() {
        canvas->setListener(nullptr);
        delete canvas;
    }
    // Waits for the repaint itself, not for a time.
    void repaintAndSettle() {
        const int before = painter.paints;
        canvas->repaint();
        EXPECT_TRUE(processEventsUntil([&] { return painter.paints > before; }, 30));
    }
    // RGB of canvas pixel (x, y).
    Bytes at(const Bytes& shot, int x, int y) const {
        const uint8_t* p = &shot[(std::size_t(y) * canvas->width() + x) * 3];
        return {p[0], p[1], p[2]};
    }
    Bytes shot() const { return readWindowPixels(canvas, 0, 0, canvas->width(), canvas->height()); }
};

// Pixel (x, y) = (x * 6, y * 9, 255 - x - y): distinct over the picture.
Image pattern(int w, int h) {
    Image i;
    i.iWidth = w, i.iHeight = h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            i.iPixels24.insert(i.iPixels24.end(), {uint8_t(x * 6), uint8_t(y * 9), uint8_t(255 - x - y)});
    return i;
}

}  // namespace

TEST(RenderToDC, KnownBufferReadsBackExactly) {
    ASSERT_TRUE(displayAvailable());
    Scene s;
    Image img = pattern(37, 23);
    const int stride = 48;
    s.painter.buffer = fastView(0, 0, 1.0, 37, stride, 23, 1, img);
    struct Case {
        const char* name;
        int clipX, clipY, clipW, clipH;
    } cases[] = {{"no clip", -1, 0, 0, 0}, {"clip inside", 20, 30, 10, 5}, {"clip over an edge", 40, 35, 100, 100}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Painter& p = s.painter;
        p.stride = stride, p.x = 10, p.y = 20, p.w = 37, p.h = 23;
        p.clipX = c.clipX, p.clipY = c.clipY, p.clipW = c.clipW, p.clipH = c.clipH;
        s.repaintAndSettle();
        Bytes shot = s.shot();
        ASSERT_EQ(shot.size(), std::size_t(s.canvas->width()) * s.canvas->height() * 3);
        const Bytes background = s.at(shot, kCanvasW - 1, 0);
        for (int y = 0; y < s.canvas->height(); ++y)
            for (int x = 0; x < s.canvas->width(); ++x) {
                bool inImage = x >= 10 && x < 47 && y >= 20 && y < 43;
                bool inClip =
                    c.clipX == -1 || (x >= c.clipX && x < c.clipX + c.clipW && y >= c.clipY && y < c.clipY + c.clipH);
                Bytes expected = background;
                if (inImage && inClip) {
                    int ix = x - 10, iy = y - 20;
                    expected = {uint8_t(ix * 6), uint8_t(iy * 9), uint8_t(255 - ix - iy)};
                }
                ASSERT_EQ(s.at(shot, x, y), expected) << "at " << x << "," << y;
            }
    }
}

TEST(RenderToDC, OutsideThePaintBecomesARepaint) {
    ASSERT_TRUE(displayAvailable());
    Scene s;
    Image img = pattern(20, 10);
    Bytes buffer = fastView(0, 0, 1.0, 20, 32, 10, 1, img);
    Bytes before = s.shot();
    int paints = s.painter.paints;
    renderToDC(s.canvas, buffer, 32, 0, 0, 20, 10, -1, 0, 0, 0);                     // not inside a paint
    EXPECT_EQ(s.shot(), before);                                                     // nothing was drawn
    EXPECT_TRUE(processEventsUntil([&] { return s.painter.paints > paints; }, 30));  // but a repaint came

    // From another thread nothing is drawn either.
    std::thread worker([&] { renderToDC(s.canvas, buffer, 32, 0, 0, 20, 10, -1, 0, 0, 0); });
    worker.join();
    processEvents(0.3);
    EXPECT_EQ(s.shot(), before);
}

TEST(RenderToDC, TextInEveryFace) {
    ASSERT_TRUE(displayAvailable());
    testing_support::ProgramFolder folder;
    folder.copyFromSource("data/system/mformats", "system/mformats");
    folder.copyFromSource("data/system/fonts", "system/fonts");
    loadFont();

    const int w = 480, lineHeight = 16, h = lineHeight * kFontCount + 8;
    Image page;
    page.iWidth = w, page.iHeight = h;
    page.iPixels24.assign(std::size_t(w) * h * 3, 255);
    const char* names[kFontCount] = {"big bold",        "small bold",        "big",        "small",
                                     "big bold italic", "small bold italic", "big italic", "small italic"};
    for (int f = 0; f < kFontCount; ++f) {
        TextPen pen;
        pen.iTarget = &page, pen.iFont = f, pen.iX = 6, pen.iY = 4 + f * lineHeight;
        pen.iInk[2] = f * 30;  // from black to blue
        pen.iUnderline = f == 3;
        std::string line = std::string(names[f]) + ": The quick brown fox jumps over the lazy dog. 0123456789 {}[]|@#";
        for (char c : line) drawGlyph(&pen, static_cast<unsigned char>(c));
    }

    Frame frame(30, 30, w, h + Frame::kMenuBarHeight, "text");
    std::unique_ptr<Canvas> owned(new Canvas(&frame, {0, 0, w, h}));
    Canvas* canvas = owned.get();
    frame.setClient(canvas);
    Painter painter;
    painter.canvas = canvas;
    painter.stride = (w + 15) / 16 * 16;
    painter.buffer = fastView(0, 0, 1.0, w, painter.stride, h, 1, page);
    painter.w = w, painter.h = h;
    canvas->setListener(&painter);
    frame.show();
    ASSERT_TRUE(processEventsUntil([&] { return painter.paints > 0; }, 30));
    const int painted = painter.paints;
    canvas->repaint();
    ASSERT_TRUE(processEventsUntil([&] { return painter.paints > painted; }, 30));

    Bytes shot = readWindowPixels(canvas, 0, 0, w, h);
    ASSERT_EQ(shot.size(), std::size_t(w) * h * 3);
    // What the canvas shows is the page, pixel for pixel.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int k = 0; k < 3; ++k)
                ASSERT_EQ(shot[(std::size_t(y) * w + x) * 3 + k], page.iPixels24[(std::size_t(y) * w + x) * 3 + k])
                    << x << "," << y;
    // Every line holds ink.
    for (int f = 0; f < kFontCount; ++f) {
        int dark = 0;
        for (int y = 4 + f * lineHeight; y < 4 + (f + 1) * lineHeight - 2; ++y)
            for (int x = 0; x < w; ++x) dark += shot[(std::size_t(y) * w + x) * 3 + 1] < 100;
        EXPECT_GT(dark, 200) << "face " << f;
    }
    if (const char* dir = std::getenv("VURN_SHOT_DIR")) {
        Image s;
        s.iWidth = w, s.iHeight = h, s.iPixels24 = shot;
        EXPECT_EQ(savePNG((std::string(dir) + "/text_faces.png").c_str(), s.saveRecord(), 0), "");
    }
    canvas->setListener(nullptr);
}

TEST(SetupPixelFormat, RgbDoubleBufferedDeepDepth) {
    ASSERT_TRUE(displayAvailable());
    GlPixelFormat f = setupPixelFormat();
    EXPECT_TRUE(f.available);
    EXPECT_TRUE(f.rgb && f.doubleBuffer);
    EXPECT_GE(f.depthBits, 24);
}
