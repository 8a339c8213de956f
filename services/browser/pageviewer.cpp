#include "services/browser/pageviewer.h"

#include <cstdio>

#include "framework/app/datafiles.h"
#include "framework/app/pageopeners.h"
#include "framework/core/supercore.h"
#include "services/ads/imagebuttoncore.h"
#include "services/browser/aboutcore.h"
#include "services/browser/webbrowsercore.h"

std::string buttonPictureFile(const char* buttonName) {
    const std::string path = ImageButtonCore::defaultPicturePath(buttonName);
    if (FILE* f = openDataFile(path.c_str(), "r")) {
        std::fclose(f);
        return path;
    }
    return IconPicture::fallbackPath(path);
}

WebBrowserCore* openButtonHelpPage(SuperCore* imageButton) {
    if (!imageButton) return nullptr;
    // An image button knows the picture file it was drawn from; any other
    // sender is looked up by its name.
    if (auto* button = dynamic_cast<ImageButtonCore*>(imageButton); button && !button->picturePath().empty())
        return openHelpViewer(button->picturePath().c_str());
    return openHelpViewer(buttonPictureFile(imageButton->getName()).c_str());
}

void installPageViewer() {
    setPageOpeners([](const char* productId, const char* productName,
                      const char* version) { AboutCore::open(productId, productName, version); },
                   [](SuperCore* imageButton) { openButtonHelpPage(imageButton); });
}
