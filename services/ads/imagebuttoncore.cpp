#include "services/ads/imagebuttoncore.h"

#include <algorithm>
#include <cstring>

#include "framework/app/datafiles.h"
#include "framework/app/debuglog.h"
#include "framework/canvas/supercanvas.h"
#include "framework/draw/render.h"
#include "framework/image/image.h"
#include "framework/util/bounded.h"
#include "framework/window/superwindow.h"

namespace {

using Colour = ImageButtonCore::Colour;

// The grey of a button whose owner has no canvas.
constexpr int kDefaultGrey = 195;
constexpr Colour kOnColour{170, 150, 200};
constexpr Colour kDisabledColour{195, 195, 195};
// Where hide moves the canvas (off the window) and setVisible brings it back.
constexpr int kHideShift = 2000;
// The fixed colours of the art characters; '2', '$', '5' and '6' depend on
// the look and are handled by the caller.
bool fixedColour(char c, Colour& out) {
    static const struct {
        char c;
        Colour colour;
    } table[] = {
        {'f', {0, 0, 0}},       {'O', {0, 0, 0}},       {'K', {55, 55, 55}},  {'k', {155, 155, 155}},
        {'{', {255, 255, 255}}, {'V', {255, 0, 0}},     {'W', {0, 255, 0}},   {'F', {0, 0, 255}},
        {'G', {0, 255, 255}},   {'Q', {255, 0, 255}},   {']', {255, 255, 0}}, {'}', {255, 255, 125}},
        {'^', {0, 0, 160}},     {'~', {105, 105, 120}},
    };
    for (const auto& e : table)
        if (e.c == c) {
            out = e.colour;
            return true;
        }
    return false;
}

}  // namespace

namespace {
SuperCore* makeImageButton(SuperCore* owner, int x, int y, int width, int height, const char* kind, const char* name,
                           const char* picturePath, int states) {
    auto* button = new ImageButtonCore(owner, x, y, width, height);
    button->loadIcon(kind, name, picturePath, states);
    return button;
}
}  // namespace

void installImageButtonFactory() { imageButtonFactory = makeImageButton; }

ImageButtonCore::ImageButtonCore(SuperCore* owner, int x, int y, int w, int h)
    : iOwner(owner), iX(x), iY(y), iW(std::max(w, 0)), iH(std::max(h, 0)), iPicture(iW, iH),
      iFaceImage(nullptr, deleteImage) {
    SuperCanvas* ownerCanvas = owner ? owner->canvas() : nullptr;
    createCanvas(ownerCanvas, x, y, iW, iH);
    if (ownerCanvas) ownerCanvas->addEmbeddedCore(this);
    int grey = kDefaultGrey;
    if (ownerCanvas) grey = ownerCanvas->platformCanvas()->background().r;
    iFace = {Colour{grey, grey, grey}, Colour{grey, grey, grey}, kOnColour, kOnColour};
    createVisual();
}

ImageButtonCore::~ImageButtonCore() {
    *iAlive = false;
    if (iPressed && iCanvas) iCanvas->platformCanvas()->releaseMouse();
    // A canvas inside the owner's goes with the owner's window; one without
    // a parent window has nobody else to destroy it.
    if (iCanvas && !iCanvas->parentCanvas() && !iCanvas->parentFrame()) delete iCanvas;
}

const char* ImageButtonCore::getCoreClassName() { return "ImageButtonCore"; }

void ImageButtonCore::createVisual() {
    if (iCanvas) iCanvas->setParentClass("ICanvas");
}

const char* ImageButtonCore::getName() { return iButtonName.c_str(); }

void ImageButtonCore::setValue(const char*, const char*) {}

void ImageButtonCore::setIntValue(const char* name, int value) {
    if (!name || std::strcmp(name, "index") != 0) return;
    // Kept within the states, so the picture never reads past its lines.
    iState = (value >= 0 && value < iStates) ? value : 0;
    repaint();
}

void ImageButtonCore::setVisible(int flag) {
    if (flag == 0) {
        hide();
        return;
    }
    if (!iHidden) return;
    if (iCanvas) placeWindow(iCanvas, iCanvas->x() + kHideShift, iCanvas->y(), iCanvas->width(), iCanvas->height());
    iHidden = false;
}

void ImageButtonCore::hide() {
    if (iHidden) return;
    if (iCanvas) placeWindow(iCanvas, iCanvas->x() - kHideShift, iCanvas->y(), iCanvas->width(), iCanvas->height());
    iHidden = true;
}

void ImageButtonCore::setEnabled(int flag) {
    iEnabled = flag != 0;
    repaint();
}

void ImageButtonCore::disable() { setEnabled(0); }

void ImageButtonCore::repaint() {
    if (iCanvas) iCanvas->platformCanvas()->repaint();
}

// ---------------------------------------------------------------- configuring

std::string ImageButtonCore::defaultPicturePath(const char* name) {
    const std::string base = name ? std::string(name, std::strcspn(name, ".")) : std::string();
    return "system/icons/" + base + ".asc";
}

void ImageButtonCore::loadIcon(const char* kind, const char* name, const char* picturePath, int states) {
    iConfigured = true;
    iStates = states < 1 ? 1 : states;
    iState = 0;
    iButtonName = boundedText(name, kMaxName);
    iKind = boundedText(kind, kMaxKind);
    if (!iKind.empty() && iKind[0] == 't') {
        iFace[2] = iFace[0];  // pressed-on becomes the normal colour
        iFace[3] = iFace[1];  // lit-on becomes the off colour
    }

    const std::string path = picturePath ? std::string(picturePath) : defaultPicturePath(name);
    iPicturePath = boundedText(windowsPath(path.c_str()), kMaxPicturePath);
    if (iCanvas) resizeTo(iCanvas, iW, iH);

    // A picture that cannot be read leaves random art, which shows as the
    // picture (and an unfitting one is logged).
    (void)iPicture.load(iPicturePath, kMaxPicturePath, iStates);

    iFaceImage.reset();
    if (name && std::strcmp(name, "vurn.gif") == 0) {
        const std::string facePath = std::string("system/icons/") + name;
        std::unique_ptr<Image, void (*)(Image*)> face(initImage(), deleteImage);
        // A face that cannot be read is left out (the art shows) rather
        // than showing a corner of the loader's placeholder.
        if (face->loadFile(facePath.c_str())) {
            face->toRGB24();
            if (!face->iPixels24.empty()) iFaceImage = std::move(face);
        } else {
            debugPrintfS("ERROR: button face %s could not be read\n", facePath.c_str());
        }
    }
    repaint();
}

// ---------------------------------------------------------------- painting

char ImageButtonCore::cell(int line, int column) const { return iPicture.cell(line, column); }

bool ImageButtonCore::sunk() const { return (iPressed && iInside) != isOn(); }

Colour ImageButtonCore::characterColour(char c) const {
    static constexpr Colour kLight{250, 250, 250};
    static constexpr Colour kShade{150, 150, 150};
    switch (c) {
    case '2':
    case '$':
        if (!isOn()) return iFace[1];
        return iPressed ? iFace[2] : iFace[3];
    case '5': return sunk() ? kShade : kLight;
    case '6': return sunk() ? kLight : kShade;
    default: break;
    }
    Colour colour;  // any other character (the line ends among them): black
    fixedColour(c, colour);
    return colour;
}

Colour ImageButtonCore::pixelColour(int x, int yFromBottom) const {
    const int line = iState * iH + iH - 1 - yFromBottom;
    const char c = cell(line, x);
    Colour colour;
    const int yFromTop = iH - 1 - yFromBottom;
    const Image* face = iFaceImage.get();
    // The face's pixel at the same place, where the face has one.
    if (face && x < face->iWidth && yFromTop < face->iHeight) {
        const std::size_t i = (static_cast<std::size_t>(yFromTop) * static_cast<std::size_t>(face->iWidth) +
                               static_cast<std::size_t>(x)) *
                              3;
        colour = {face->iPixels24[i], face->iPixels24[i + 1], face->iPixels24[i + 2]};
    } else {
        colour = characterColour(c);
    }
    if (c == 'Z') {
        colour.r = (colour.r + 2 * (x + yFromBottom)) & 255;
        colour.g = (colour.g + 2 * x) & 255;
        colour.b = (colour.b + 2 * yFromBottom) & 255;
    } else if (c == 'z') {
        colour.r = (colour.r + x + yFromBottom) & 255;
        colour.g = (colour.g + x) & 255;
        colour.b = (colour.b + yFromBottom) & 255;
    }
    if (!iEnabled && ((x + yFromBottom) & 1) != 0) colour = kDisabledColour;
    return colour;
}

int ImageButtonCore::pictureStride() const { return (iW + 2 + 15) / 16 * 16; }

Colour ImageButtonCore::pictureColour(int x, int yFromTop) const {
    if (x < 0 || x >= iW + 2 || yFromTop < 0 || yFromTop >= iH) return {};
    return pixelColour(x, iH - 1 - yFromTop);
}

std::vector<uint8_t> ImageButtonCore::buildPicture() const {
    const int stride = pictureStride();
    std::vector<uint8_t> buffer(static_cast<std::size_t>(stride) * static_cast<std::size_t>(iH) * 3, 0);
    for (int y = 0; y < iH; ++y) {
        uint8_t* row = buffer.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride) * 3;
        for (int x = 0; x < iW + 2; ++x) {
            const Colour c = pixelColour(x, y);
            row[3 * x] = static_cast<uint8_t>(c.b);
            row[3 * x + 1] = static_cast<uint8_t>(c.g);
            row[3 * x + 2] = static_cast<uint8_t>(c.r);
        }
    }
    return buffer;
}

int ImageButtonCore::paint(int, int, int, int) {
    if (iHidden) return 0;
    if (!iConfigured) loadIcon("blank", "blank", nullptr, 1);
    if (!iCanvas) return 0;
    const std::vector<uint8_t> picture = buildPicture();
    renderToDC(iCanvas->platformCanvas(), picture, pictureStride(), 0, 0, iW + 2, iH, -1, 0, 0, 0);
    debugPrintfII("w0h0 %d,%d\n", iW, iH);
    return 1;
}

// ---------------------------------------------------------------- the mouse

int ImageButtonCore::onMouseMove(int x, int y) {
    if (!iPressed) return 0;
    const bool now = x >= 0 && x < iW && y >= 0 && y < iH;
    if (now != iInside) {
        iInside = now;
        repaint();
    }
    return 1;
}

int ImageButtonCore::onMouse(int x, int y, int button, int action) {
    debugPrintfIIII("click %d, %d, %d, %d ", x, y, button, action);
    if (button != 1) return 0;
    if (action == 1 && iEnabled) {
        iPressed = true;
        iInside = true;
        if (iCanvas) iCanvas->platformCanvas()->captureMouse();
        repaint();
        return 1;
    }
    if (action != -1) return 0;

    const bool wasPressed = iPressed;
    iPressed = false;
    if (iCanvas) iCanvas->platformCanvas()->releaseMouse();
    // A disabled button, and a release whose press began elsewhere, stop here.
    if (!iEnabled || !wasPressed) return 1;
    iInside = false;
    repaint();
    iState = (iState + 1) % iStates;

    const bool wasOn = iToggled;
    const bool within = x >= 0 && x < iW && y >= 0 && y < iH;
    int value = within ? (wasOn ? 0 : 1) : (wasOn ? 1 : 0);
    if (iStates > 1) value = iState;
    const bool tell = value != 0 || wasOn || iStates > 1;

    // The owner may delete the button while it is told; texts are copied
    // first for the same reason.
    const std::shared_ptr<bool> alive = iAlive;
    SuperCore* owner = iOwner;
    const std::string name = iButtonName;
    const std::string path = iPicturePath;
    const bool toggleKind = !iKind.empty() && iKind[0] == 't';
    if (tell && owner) {
        owner->setIntValue(name.c_str(), value);
        if (!*alive) return 1;
    }
    if (!within) return 1;
    if (value != 0 || wasOn) {
        const char* line = readKeyedLine(path.c_str(), "Command");
        if (line && value != 0 && owner) {
            const std::string command = line;
            debugPrintfS("Command %s\n", command.c_str());
            owner->setCommandCore(command.c_str(), this);
            if (!*alive) return 1;
        }
    }
    if (toggleKind) {
        iToggled = !iToggled;
        debugLog("toggle\n");
        repaint();
    }
    return 1;
}
