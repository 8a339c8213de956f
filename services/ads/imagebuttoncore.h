#pragma once
// ImageButtonCore: a small embedded core that draws a push or toggle button
// from an ASCII-art picture (one character a pixel, one block of lines per
// state), optionally with a GIF picture as its face, and tells its owner
// core of clicks: as a value under the button's name (setIntValue) and as
// the command named by the "Command" line of its picture file, with the
// button itself as its sender (setCommandCore). The main window's logo
// button and the upgrade button are such cores.
//
// The button's canvas lives inside the owner's canvas; the owner's canvas
// routes the button's mouse and paint events to it and the owner deletes
// it. Everything here runs on the GUI thread.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/supercore.h"
#include "services/ads/iconpicture.h"

struct Image;

class ImageButtonCore : public SuperCore {
public:
    // Limits of the button's texts and of its picture grid.
    static constexpr std::size_t kMaxKind = 31;
    static constexpr std::size_t kMaxName = 31;
    static constexpr std::size_t kMaxPicturePath = 129;
    static constexpr std::size_t kGridCells = IconPicture::kGridCells;
    static constexpr std::size_t kRandomCells = IconPicture::kRandomCells;

    // One colour of the button's palette.
    struct Colour {
        int r = 0, g = 0, b = 0;
        bool operator==(const Colour& o) const { return r == o.r && g == o.g && b == o.b; }
    };

    // A button in the owner's canvas at (x, y), w by h pixels. The normal
    // and off face colours are the grey of the owner canvas's background
    // (195 without a canvas); the on colours are (170, 150, 200).
    ImageButtonCore(SuperCore* owner, int x, int y, int w, int h);
    ~ImageButtonCore() override;

    const char* getCoreClassName() override;
    // Marks the canvas's parent class "ICanvas".
    void createVisual() override;
    // While pressed: follows whether the pointer is inside.
    int onMouseMove(int x, int y) override;
    // Button 1 press and release drive the button (1 press, -1 release).
    int onMouse(int x, int y, int button, int action) override;
    // Draws the button; 0 when hidden.
    int paint(int x0, int y0, int x1, int y1) override;
    void setValue(const char* name, const char* text) override;  // does nothing
    // "index": sets the current state; other names are ignored.
    void setIntValue(const char* name, int value) override;
    const char* getName() override;  // the button's item name
    // 0 hides; 1 brings a hidden button back.
    void setVisible(int flag) override;
    // Moves the canvas off the window (2,000 pixels to the left) once.
    void hide() override;
    void setEnabled(int flag) override;
    void disable() override;

    // Configures the button: its kind (a first character 't' makes a
    // toggle), its item name, its picture file (null: "system/icons/" +
    // the name up to its first '.' + ".asc", then the same with ".all")
    // and its number of states. The name "vurn.gif" also loads the face
    // picture "system/icons/vurn.gif".
    void loadIcon(const char* kind, const char* name, const char* picturePath, int states);

    // The picture file of a button configured without one: "system/icons/"
    // + the name up to its first '.' + ".asc" ("vurn.gif" gives
    // system/icons/vurn.asc).
    static std::string defaultPicturePath(const char* name);

    // The picture file the button read (its "Command" and any other keyed
    // line, such as "HTTP-Help", are read from it); empty before loadIcon.
    const std::string& picturePath() const { return iPicturePath; }

    // ---- State, for the owner and for tests.
    const std::string& kind() const { return iKind; }
    int stateCount() const { return iStates; }
    int state() const { return iState; }
    bool configured() const { return iConfigured; }
    bool enabled() const { return iEnabled; }
    bool toggled() const { return iToggled; }
    bool pressed() const { return iPressed; }
    bool inside() const { return iInside; }
    bool hidden() const { return iHidden; }
    int buttonWidth() const { return iW; }
    int buttonHeight() const { return iH; }
    // The face colours: normal, off, pressed-on, lit-on.
    const std::array<Colour, 4>& faceColours() const { return iFace; }
    const Image* faceImage() const { return iFaceImage.get(); }
    // The grid cell of picture line `line`, column `column` (0 outside).
    char cell(int line, int column) const;

    // The picture as painted: w + 2 by h pixels, rows padded to a multiple
    // of 16 pixels (pictureStride), bottom row first, blue-green-red.
    std::vector<uint8_t> buildPicture() const;
    int pictureStride() const;
    // The colour of the picture at column x and row y counted from the top,
    // as buildPicture makes it.
    Colour pictureColour(int x, int yFromTop) const;

private:
    // The colour of one grid character with the current look (without a
    // face picture and without gradients).
    Colour characterColour(char c) const;
    bool isOn() const { return iToggled; }
    bool sunk() const;
    Colour pixelColour(int x, int yFromBottom) const;
    void repaint();

    SuperCore* iOwner = nullptr;
    int iX = 0, iY = 0, iW = 0, iH = 0;
    std::string iKind;
    std::string iButtonName;
    std::string iPicturePath;
    IconPicture iPicture;  // the art read from the picture file
    int iStates = 1;
    int iState = 0;
    std::unique_ptr<Image, void (*)(Image*)> iFaceImage;
    std::array<Colour, 4> iFace{};
    bool iConfigured = false;
    bool iEnabled = true;
    bool iToggled = false;
    bool iPressed = false;
    bool iInside = false;
    bool iHidden = false;
    // Cleared when the button is deleted: an owner may delete it while it
    // is being told of a click.
    std::shared_ptr<bool> iAlive = std::make_shared<bool>(true);
};

// Makes the canvas's image-button factory create ImageButtonCores.
void installImageButtonFactory();
