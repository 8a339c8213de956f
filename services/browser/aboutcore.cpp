#include "services/browser/aboutcore.h"

#include "framework/app/config.h"
#include "framework/app/datafiles.h"
#include "framework/app/debuglog.h"
#include "framework/canvas/supercanvas.h"
#include "framework/window/superwindow.h"
#include "services/browser/webbrowsercore.h"

AboutCore::AboutCore(const char* productId, const char* productName, const char* version)
    : SuperCore(joinStrings2(productId ? productId : "", "AboutWindow"), 0, 0, 0),
      iProductId(productId ? productId : ""), iProductName(productName ? productName : ""),
      iVersion(version ? version : ""), iClassName(iProductId + "AboutCore") {
    debugPrintfS("ABOUT %s\n", getName());
    createVisual();
}

AboutCore* AboutCore::open(const char* productId, const char* productName, const char* version) {
    const std::string className = std::string(productId ? productId : "") + "AboutCore";
    if (coreLibrary)
        if (SuperCore* open = coreLibrary->findCoreByClassName(className.c_str()))
            return dynamic_cast<AboutCore*>(open);
    return new AboutCore(productId, productName, version);
}

AboutCore::~AboutCore() {
    // The viewer leaves its place in this core's canvas before the frame goes.
    delete iViewer;
    iViewer = nullptr;
}

std::string AboutCore::composePage(const std::string& productName, const std::string& version) {
    std::string page = "<html><head><title>Blank</title></head><body bgcolor=\"#C0C0C0\">";
    page += "<b>" + productName + " - version " + version + "</b><p>";
    page += productName + " copyright 2000 Quillmark, all rights reserved.<br>";
    page += "Adapted for play on the network by Tarvelon.<br>";
    page += "TW Libraries copyright 1992-2000 TW Libraries.<br>";
    page += std::string("Windows") + " TW Libraries version " + "1.418" + ".<br>";
    page += "User interface class library copyright 1998.<br>";
    page += "This is the ad-supported edition, distributed by Tarvelon.<br>";
    // Where the Help menu's "Quillmark Home Page" leads.
    const std::string home = config::developerHomePageUrl();
    page += "<br>Visit KZ+V Orvex Chess home at <a href=\"" + home + "\">" + home + "</a>";
    page += "</body></html>";
    return page;
}

void AboutCore::createVisual() {
    if (!iCanvas) return;
    if (iFrame) iFrame->setTitle("About");
    const int w = iCanvas->width(), h = iCanvas->height();
    iCanvas->realize();
    iViewer = new WebBrowserCore(this, "grey", 2, 2, w - 4, h - 4, 1, 1);
    iViewer->setHtml(composePage(iProductName, iVersion).c_str());
    iCanvas->rememberCore(iViewer, "WWH");
}

int AboutCore::onResize(int, int) {
    saveWindowMetrics();
    return 1;
}
