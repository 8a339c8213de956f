#pragma once
// Installs the page viewer and the about window as the main window's
// openers (see framework/app/pageopeners.h).
#include <string>

class SuperCore;

void installPageViewer();

// The page of an image button: a viewer window on the page its picture
// file's "HTTP-Help" line names; null when there is none.
class WebBrowserCore;
WebBrowserCore* openButtonHelpPage(SuperCore* imageButton);

// The picture file of an image button, found from its name as the button
// finds it: "system/icons/" + the name up to its first '.' + ".asc", or
// ".all" in place of ".asc" when only that exists.
std::string buttonPictureFile(const char* buttonName);
