#include "platform/ui/text.h"

#include <FL/fl_draw.H>

#include <algorithm>
#include <vector>

#include "platform/ui/fltk_detail.h"
#include "platform/ui/pixels.h"

namespace platform::ui {

namespace {

constexpr const char* kEllipsis = "...";

int widthOf(const std::string& s, const Font& font) { return textMeasurer().textWidth(s.c_str(), font); }

}  // namespace

std::string fitWithEllipsis(const char* text, int width, const Font& font) {
    // One line only: a text that carries a line end (chat lines do) shows
    // what comes before it, as a one-line box would.
    std::string whole = text ? text : "";
    whole.erase(std::min(whole.find_first_of("\r\n"), whole.size()));
    if (whole.empty() || widthOf(whole, font) <= width) return whole;
    // The longest start that still fits with the ellipsis: a binary search
    // over the character boundaries (widths grow with the length).
    std::vector<std::size_t> cuts;
    for (std::size_t i = 1; i < whole.size(); ++i)
        if ((static_cast<unsigned char>(whole[i]) & 0xC0) != 0x80) cuts.push_back(i);
    std::size_t lo = 0, hi = cuts.size();  // cuts[0, lo) fit; cuts[hi, end) do not
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (widthOf(whole.substr(0, cuts[mid]) + kEllipsis, font) <= width)
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo > 0) return whole.substr(0, cuts[lo - 1]) + kEllipsis;
    std::string dots = kEllipsis;
    while (!dots.empty() && widthOf(dots, font) > width) dots.pop_back();
    return dots;
}

bool drawTextInBox(const Window* window, const char* text, const Rect& box, TextPlacement placement, const Font& font,
                   const Rgb& colour) {
    if (!paintingNow(window) || box.w <= 0 || box.h <= 0) return false;
    const std::string shown = fitWithEllipsis(text, box.w, font);
    if (shown.empty()) return true;
    fl_font(toolkitFace(font), font.pixelSize());
    fl_color(fl_rgb_color(static_cast<uchar>(std::clamp(colour.r, 0, 255)),
                          static_cast<uchar>(std::clamp(colour.g, 0, 255)),
                          static_cast<uchar>(std::clamp(colour.b, 0, 255))));
    const int width = static_cast<int>(fl_width(shown.c_str(), static_cast<int>(shown.size())) + 0.5);
    const int left = placement == TextPlacement::Centre ? box.x + (box.w - width) / 2 : box.x;
    const int baseline = box.y + (box.h - fl_height()) / 2 + fl_height() - fl_descent();
    fl_push_clip(box.x, box.y, box.w, box.h);
    fl_draw(shown.c_str(), static_cast<int>(shown.size()), left, baseline);
    fl_pop_clip();
    return true;
}

}  // namespace platform::ui
