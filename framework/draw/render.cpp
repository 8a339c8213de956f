#include "framework/draw/render.h"

#include <algorithm>

#include "framework/app/debuglog.h"
#include "framework/canvas/supercanvas.h"
#include "platform/ui/pixels.h"

WindowCopy prepareWindowCopy(const std::vector<uint8_t>& buffer, int bitmapWidth, int x, int y, int width, int height,
                             int clipX, int clipY, int clipWidth, int clipHeight) {
    WindowCopy copy;
    if (bitmapWidth <= 0 || width <= 0 || height <= 0) return copy;
    const std::size_t rowBytes = static_cast<std::size_t>(bitmapWidth) * 3;
    // The bitmap is `height` rows tall, stored bottom-up: a shorter buffer
    // lacks the top rows.
    const int rows =
        static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(height), buffer.size() / rowBytes));
    int left = x, top = y + (height - rows);
    int right = x + std::min(width, bitmapWidth);
    int bottom = y + height;
    if (clipX != -1) {
        left = std::max(left, clipX);
        top = std::max(top, clipY);
        right = std::min(right, clipX + clipWidth);
        bottom = std::min(bottom, clipY + clipHeight);
    }
    if (right <= left || bottom <= top) return copy;

    copy.x = left, copy.y = top, copy.width = right - left, copy.height = bottom - top;
    copy.rgb.resize(static_cast<std::size_t>(copy.width) * copy.height * 3);
    uint8_t* out = copy.rgb.data();
    for (int wy = top; wy < bottom; ++wy) {
        // Window row wy shows bitmap row (wy - y) from the top, stored bottom-up.
        const int fromTop = wy - y;
        const uint8_t* in = buffer.data() + static_cast<std::size_t>(height - 1 - fromTop) * rowBytes +
                            static_cast<std::size_t>(left - x) * 3;
        for (int wx = left; wx < right; ++wx, in += 3, out += 3) out[0] = in[2], out[1] = in[1], out[2] = in[0];
    }
    return copy;
}

void renderToDC(platform::ui::Window* dc, const std::vector<uint8_t>& buffer, int bitmapWidth, int x, int y, int width,
                int height, int clipX, int clipY, int clipWidth, int clipHeight) {
    debugLog("WINVC Render");
    if (!dc) return;
    if (!platform::ui::onGuiThread()) {
        debugLog("ERROR: WINVC Render off the GUI thread: a repaint is asked for\n");
        platform::ui::repaintAllSoon();
        return;
    }
    if (!platform::ui::paintingNow(dc)) {
        dc->repaint();  // the paint that follows renders again
        return;
    }
    WindowCopy copy = prepareWindowCopy(buffer, bitmapWidth, x, y, width, height, clipX, clipY, clipWidth, clipHeight);
    if (!copy.empty()) platform::ui::drawRgbPixels(dc, copy.x, copy.y, copy.width, copy.height, copy.rgb.data());
    debugLog("WINVC Render done");
}

void renderToWindow(SuperCanvas* window, const std::vector<uint8_t>& buffer, int bitmapWidth, int x, int y, int width,
                    int height, const platform::ui::Rect& clip) {
    if (!window) return;
    renderToDC(window->platformCanvas(), buffer, bitmapWidth, x, y, width, height, clip.x, clip.y, clip.w, clip.h);
}

platform::ui::GlPixelFormat setupPixelFormat() {
    platform::ui::GlPixelFormat format = platform::ui::chooseGlPixelFormat();
    debugPrintfII("pixel format depth=%d available=%d\n", format.depthBits, format.available ? 1 : 0);
    if (!format.available) debugLog("ERROR: no OpenGL pixel format with RGB and double buffering\n");
    return format;
}
