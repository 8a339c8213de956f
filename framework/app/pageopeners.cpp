#include "framework/app/pageopeners.h"

namespace {
AboutWindowOpener aboutOpener = nullptr;
HelpPageOpener helpOpener = nullptr;
}  // namespace

void setPageOpeners(AboutWindowOpener about, HelpPageOpener help) {
    aboutOpener = about;
    helpOpener = help;
}

void openAboutWindow(const char* productId, const char* productName, const char* version) {
    if (aboutOpener) aboutOpener(productId, productName, version);
}

void openHelpPage(SuperCore* imageButton) {
    if (helpOpener) helpOpener(imageButton);
}
