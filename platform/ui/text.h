#pragma once
// Texts drawn straight into a window while it paints: one line in a box,
// clipped to the box, cut with an end ellipsis ("...") when it does not
// fit. Texts are drawn literally ('@' and '&' have no meaning) on a
// transparent background.
#include <string>

#include "platform/ui/controls.h"
#include "platform/ui/window.h"

namespace platform::ui {

enum class TextPlacement { Left, Centre };

// The text's first line (up to a CR or LF) as it fits `width` pixels in
// the font: the whole line when it
// fits, else its longest start (whole characters) followed by "..." that
// fits, else as much of "..." as fits. Measured through textMeasurer().
std::string fitWithEllipsis(const char* text, int width, const Font& font);

// Draws the fitted text in `box` (window coordinates), vertically centred,
// flush left or centred, in the colour. False, and nothing drawn, when the
// window is not inside its paint or the box is empty.
bool drawTextInBox(const Window* window, const char* text, const Rect& box, TextPlacement placement, const Font& font,
                   const Rgb& colour);

}  // namespace platform::ui
