#pragma once
// AboutCore: the about window. Its canvas holds one embedded page viewer
// without scroll bars that shows a page composed here: the product name and
// version, the notice lines, the edition line and a link to the game's home
// page. The viewer follows the window's size. The main core opens at most
// one at a time, found by its class name ("<product id>AboutCore"). The
// link leads where the Help menu's "Quillmark Home Page" does.
#include <string>

#include "framework/core/supercore.h"

class WebBrowserCore;

class AboutCore : public SuperCore {
public:
    // A frame named "<product id>AboutWindow", titled "About".
    AboutCore(const char* productId, const char* productName, const char* version);
    ~AboutCore() override;

    const char* getCoreClassName() override { return iClassName.c_str(); }
    void createVisual() override;
    int onResize(int w, int h) override;
    void setValue(const char* name, const char* text) override {}
    void setIntValue(const char* name, int value) override {}

    // The about window of the product: the one already open (found by its
    // class name), else a new one.
    static AboutCore* open(const char* productId, const char* productName, const char* version);

    WebBrowserCore* viewer() const { return iViewer; }
    // The page the viewer shows.
    static std::string composePage(const std::string& productName, const std::string& version);

private:
    std::string iProductId;
    std::string iProductName;
    std::string iVersion;
    std::string iClassName;
    WebBrowserCore* iViewer = nullptr;  // embedded; owned
};
