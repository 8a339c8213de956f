// The image button without a display: its picture (character colours,
// gradients, looks, states, the disabled pattern, the face picture), its
// picture file (the ".all" fallback, bounds on oversized files, the random
// pattern of a missing one) and its clicks (values and commands to the
// owner, toggles, releases that began elsewhere).
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "framework/app/datafiles.h"
#include "framework/image/image.h"
#include "services/ads/imagebuttoncore.h"
#include "services/ads/tests/owner_support.h"

using namespace ads_testing;
using Colour = ImageButtonCore::Colour;

// Colours in failure messages.
std::ostream& operator<<(std::ostream& os, const Colour& c) {
    return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

namespace {

std::string lines(const std::vector<std::string>& rows) {
    std::string out;
    for (const std::string& r : rows) out += r + "\n";
    return out;
}

struct ButtonFixture : ::testing::Test {
    AdsEnvironment env;
    std::unique_ptr<OwnerCore> ownerCore = std::make_unique<OwnerCore>();
    OwnerCore* owner = ownerCore.get();
    std::vector<std::unique_ptr<ImageButtonCore>> buttons;

    int grey() const { return owner->canvas()->platformCanvas()->background().r; }
    Colour face() const { return {grey(), grey(), grey()}; }

    ImageButtonCore* make(int w, int h) {
        buttons.push_back(std::make_unique<ImageButtonCore>(owner, 5, 5, w, h));
        return buttons.back().get();
    }
    // A button configured from a picture file written at `path`.
    ImageButtonCore* withPicture(int w, int h, const std::string& content, const char* kind = "button", int states = 1,
                                 const std::string& path = "system/icons/test.asc") {
        env.folder.write(path, content);
        ImageButtonCore* b = make(w, h);
        b->loadIcon(kind, "test", path.c_str(), states);
        return b;
    }
    static void click(ImageButtonCore* b, int x = 1, int y = 1) {
        b->onMouse(x, y, 1, 1);
        b->onMouse(x, y, 1, -1);
    }
};

// ---------------------------------------------------------------- colours

TEST_F(ButtonFixture, CharactersTakeTheirColoursAndGradients) {
    ImageButtonCore* b = withPicture(16, 3,
                                     lines({"256fOKk{VWFGQ]}^",     // y 2 from the bottom
                                            "~$Z2z22222222222",     // y 1
                                            "1?Zz222222222222"}));  // y 0
    const Colour g = face();
    struct Case {
        int x, yTop;
        Colour colour;
    };
    const Case cases[] = {
        {0, 0, g},
        {1, 0, {250, 250, 250}},
        {2, 0, {150, 150, 150}},
        {3, 0, {0, 0, 0}},
        {4, 0, {0, 0, 0}},
        {5, 0, {55, 55, 55}},
        {6, 0, {155, 155, 155}},
        {7, 0, {255, 255, 255}},
        {8, 0, {255, 0, 0}},
        {9, 0, {0, 255, 0}},
        {10, 0, {0, 0, 255}},
        {11, 0, {0, 255, 255}},
        {12, 0, {255, 0, 255}},
        {13, 0, {255, 255, 0}},
        {14, 0, {255, 255, 125}},
        {15, 0, {0, 0, 160}},
        {0, 1, {105, 105, 120}},
        {1, 1, g},
        // 'Z' adds (2(x + y), 2x, 2y) and 'z' (x + y, x, y), y from the bottom,
        // to black.
        {2, 1, {6, 4, 2}},
        {4, 1, {5, 4, 1}},
        {2, 2, {4, 4, 0}},
        {3, 2, {3, 3, 0}},
        // Characters outside the table, '1' among them, are black.
        {0, 2, {0, 0, 0}},
        {1, 2, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "x " << c.x << " row " << c.yTop);
        EXPECT_EQ(b->pictureColour(c.x, c.yTop), c.colour);
    }

    // The picture buffer: bottom row first, blue-green-red, rows padded to
    // 16 pixels.
    const std::vector<uint8_t> buffer = b->buildPicture();
    ASSERT_EQ(b->pictureStride(), 32);
    ASSERT_EQ(buffer.size(), 32u * 3u * 3u);
    const uint8_t* topRowVee = &buffer[(2 * 32 + 8) * 3];
    EXPECT_EQ(topRowVee[0], 0);
    EXPECT_EQ(topRowVee[2], 255);
    const uint8_t* bottomRowZed = &buffer[(0 * 32 + 2) * 3];
    EXPECT_EQ(bottomRowZed[0], 0);
    EXPECT_EQ(bottomRowZed[1], 4);
    EXPECT_EQ(bottomRowZed[2], 4);
}

TEST_F(ButtonFixture, GradientsWrapAt256) {
    ImageButtonCore* b = withPicture(130, 2, lines({std::string(129, '2') + "Z", std::string(129, '2') + "z"}));
    EXPECT_EQ(b->pictureColour(129, 0), (Colour{(2 * 130) & 255, (2 * 129) & 255, 2}));
    EXPECT_EQ(b->pictureColour(129, 1), (Colour{129, 129, 0}));
}

TEST_F(ButtonFixture, TheLookFollowsPressPointerAndToggle) {
    const std::string art = lines({"256", "222"});
    ImageButtonCore* plain = withPicture(3, 2, art);
    ImageButtonCore* toggle = withPicture(3, 2, art, "toggle");
    const Colour g = face(), light{250, 250, 250}, shade{150, 150, 150};

    struct Case {
        const char* look;
        ImageButtonCore* button;
        std::vector<std::pair<int, int>> moves;  // press at the first, then moves
        Colour two, five, six;
    };
    const Case cases[] = {
        {"idle", plain, {}, g, light, shade},
        {"pressed inside: sunk", plain, {{1, 1}}, g, shade, light},
        {"pressed, pointer gone out: raised", plain, {{1, 1}, {9, 9}}, g, light, shade},
        {"pressed, pointer back in: sunk", plain, {{1, 1}, {9, 9}, {2, 0}}, g, shade, light},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.look);
        if (!c.moves.empty()) {
            c.button->onMouse(c.moves[0].first, c.moves[0].second, 1, 1);
            for (std::size_t i = 1; i < c.moves.size(); ++i) c.button->onMouseMove(c.moves[i].first, c.moves[i].second);
        }
        EXPECT_EQ(c.button->pictureColour(0, 0), c.two);
        EXPECT_EQ(c.button->pictureColour(1, 0), c.five);
        EXPECT_EQ(c.button->pictureColour(2, 0), c.six);
        if (!c.moves.empty()) c.button->onMouse(50, 50, 1, -1);
    }

    // A toggle that is on shows sunk, and raised while pressed again; its
    // face stays the grey (its on colours take the normal and off grey).
    click(toggle);
    ASSERT_TRUE(toggle->toggled());
    EXPECT_EQ(toggle->faceColours()[2], g);
    EXPECT_EQ(toggle->faceColours()[3], g);
    EXPECT_EQ(toggle->pictureColour(0, 0), g);
    EXPECT_EQ(toggle->pictureColour(1, 0), shade);
    toggle->onMouse(1, 1, 1, 1);
    EXPECT_EQ(toggle->pictureColour(1, 0), light);
    EXPECT_EQ(toggle->pictureColour(2, 0), shade);
}

TEST_F(ButtonFixture, FaceColoursComeFromTheOwnersBackground) {
    ImageButtonCore* b = make(10, 10);
    const Colour on{170, 150, 200};
    EXPECT_EQ(b->faceColours()[0], face());
    EXPECT_EQ(b->faceColours()[1], face());
    EXPECT_EQ(b->faceColours()[2], on);
    EXPECT_EQ(b->faceColours()[3], on);
    // Without an owner canvas: 195.
    ImageButtonCore alone(nullptr, 0, 0, 10, 10);
    EXPECT_EQ(alone.faceColours()[0], (Colour{195, 195, 195}));
    EXPECT_EQ(alone.faceColours()[2], on);
    EXPECT_EQ(alone.getCoreClassName(), std::string("ImageButtonCore"));
    EXPECT_EQ(b->canvas()->parentClass(), "ICanvas");
    EXPECT_EQ(owner->canvas()->embeddedCores().size(), 1u);
}

TEST_F(ButtonFixture, ADisabledButtonShowsAGreyCheckerboardAndSendsNothing) {
    ImageButtonCore* b = withPicture(4, 3, lines({"VVVV", "VVVV", "VVVV"}) + "Command: go\n");
    b->disable();
    for (int yTop = 0; yTop < 3; ++yTop)
        for (int x = 0; x < 4; ++x) {
            const int yBottom = 2 - yTop;
            const Colour expected = (x + yBottom) % 2 ? Colour{195, 195, 195} : Colour{255, 0, 0};
            EXPECT_EQ(b->pictureColour(x, yTop), expected) << x << "," << yTop;
        }
    click(b);
    EXPECT_TRUE(owner->got.empty());
    EXPECT_FALSE(b->pressed());
    b->setEnabled(1);
    EXPECT_EQ(b->pictureColour(1, 2), (Colour{255, 0, 0}));
    click(b);
    EXPECT_EQ(owner->got.size(), 2u);
}

// ---------------------------------------------------------------- states and clicks

TEST_F(ButtonFixture, TwoStatesShowTheirBlocksInTurn) {
    ImageButtonCore* b = withPicture(3, 2, lines({"VVV", "VVV", "FFF", "FFF"}), "button", 2);
    const Colour red{255, 0, 0}, blue{0, 0, 255};
    struct Step {
        Colour shown;
        Values got;
    };
    const Step steps[] = {
        {red, {}},
        {blue, {{"test", 1}}},  // the value is the new state
        {red, {{"test", 1}, {"test", 0}}},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(i);
        if (i > 0) click(b);
        EXPECT_EQ(b->state(), static_cast<int>(i % 2));
        EXPECT_EQ(b->pictureColour(0, 0), steps[i].shown);
        EXPECT_EQ(b->pictureColour(2, 1), steps[i].shown);
        EXPECT_EQ(owner->got, steps[i].got);
    }
    // The owner may set the state; a state outside the count shows the first.
    b->setIntValue("index", 1);
    EXPECT_EQ(b->pictureColour(0, 0), blue);
    b->setIntValue("other", 0);
    EXPECT_EQ(b->state(), 1);
    b->setIntValue("index", 7);
    EXPECT_EQ(b->state(), 0);
}

TEST_F(ButtonFixture, APushButtonSendsItsValueThenItsCommand) {
    ImageButtonCore* b = withPicture(4, 1, lines({"2222", "Command: internal-browser", "HTTP-Help: index.html"}));
    click(b, 3, 0);
    // The command comes with the button as its sender; the base core hands
    // it on as setIntValue(command, 1).
    const Values expected = {{"test", 1}, {"internal-browser", 1}};
    EXPECT_EQ(owner->got, expected);
    ASSERT_EQ(owner->commands.size(), 1u);
    EXPECT_EQ(owner->commands[0].first, "internal-browser");
    EXPECT_EQ(owner->commands[0].second, b);
    EXPECT_EQ(env.logCount("Command internal-browser\n"), 1);
    // A release outside sends nothing for a push button.
    owner->got.clear();
    b->onMouse(1, 0, 1, 1);
    b->onMouse(4, 0, 1, -1);
    EXPECT_TRUE(owner->got.empty());
    EXPECT_EQ(owner->commands.size(), 1u);
}

TEST_F(ButtonFixture, AToggleSendsOneThenZeroAndNothingOutsideWhileOff) {
    ImageButtonCore* b = withPicture(4, 4, lines({"2222", "2222", "2222", "2222", "Command: flip"}), "toggle");
    struct Step {
        const char* what;
        int pressX, releaseX;  // the button is 4 wide
        Values got;
        bool toggledAfter;
    };
    const Step steps[] = {
        {"release outside while off", 1, 9, {}, false},
        {"first click inside", 1, 2, {{"test", 1}, {"flip", 1}}, true},
        {"release outside while on", 1, -1, {{"test", 1}}, true},
        {"second click inside", 1, 2, {{"test", 0}}, false},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        owner->got.clear();
        b->onMouse(s.pressX, 1, 1, 1);
        b->onMouse(s.releaseX, 1, 1, -1);
        EXPECT_EQ(owner->got, s.got);
        EXPECT_EQ(b->toggled(), s.toggledAfter);
    }
}

TEST_F(ButtonFixture, AReleaseWithoutAPressSendsNothing) {
    ImageButtonCore* b = withPicture(4, 4, lines({"2222", "2222", "2222", "2222", "Command: go"}));
    b->onMouse(2, 2, 1, -1);
    EXPECT_TRUE(owner->got.empty());
    EXPECT_EQ(b->state(), 0);
    // Other buttons and actions are not the button's.
    EXPECT_EQ(b->onMouse(2, 2, 2, 1), 0);
    EXPECT_EQ(b->onMouse(2, 2, 1, 0), 0);
    EXPECT_EQ(b->onMouseMove(2, 2), 0);
    EXPECT_FALSE(b->pressed());
}

TEST_F(ButtonFixture, AnOwnerMayDeleteTheButtonWhileItIsTold) {
    ImageButtonCore* b = withPicture(4, 4, lines({"2222", "2222", "2222", "2222", "Command: go"}));
    owner->onValue = [&](const std::string& name, int) {
        if (name == "test") buttons.clear();
    };
    click(b);
    EXPECT_EQ(owner->got, (Values{{"test", 1}}));  // the command is not read from a gone button
    EXPECT_TRUE(owner->commands.empty());
}

// ---------------------------------------------------------------- picture files

TEST_F(ButtonFixture, AMissingPictureShowsARandomPatternOfOnesAndTwos) {
    ImageButtonCore* b = make(38, 38);
    b->loadIcon("button", "nothing.gif", nullptr, 1);
    EXPECT_EQ(b->picturePath(), "system/icons/nothing.all");
    std::set<std::pair<int, int>> seen;  // (red, green) of each pixel
    for (int y = 0; y < 38; ++y)
        for (int x = 0; x < 38; ++x) {
            const char c = b->cell(y, x);
            EXPECT_TRUE(c == '1' || c == '2') << x << "," << y;
            const Colour colour = b->pictureColour(x, y);
            seen.insert({colour.r, colour.g});
        }
    EXPECT_EQ(seen, (std::set<std::pair<int, int>>{{0, 0}, {grey(), grey()}}));
}

TEST_F(ButtonFixture, TheAllFallbackReplacesTheFilesExtensionOnly) {
    struct Case {
        const char* what;
        const char* given;  // null: from the name "logo.x"
        const char* present;
        const char* read;
    };
    const Case cases[] = {
        {"the .asc itself", "system/my.icons/button.asc", "system/my.icons/button.asc", "system/my.icons/button.asc"},
        {"a dotted folder", "system/my.icons/button.asc", "system/my.icons/button.all", "system/my.icons/button.all"},
        {"no extension", "system/my.icons/button", "system/my.icons/button.all", "system/my.icons/button.all"},
        {"by name", nullptr, "system/icons/logo.all", "system/icons/logo.all"},
        {"backslashes", "system\\v1.2\\b.gkv", "system/v1.2/b.all", "system/v1.2/b.all"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        env.folder.write(c.present, lines({"VV", "VV"}));
        ImageButtonCore* b = make(2, 2);
        b->loadIcon("button", "logo.x", c.given, 1);
        EXPECT_EQ(b->picturePath(), c.read);
        EXPECT_EQ(b->pictureColour(1, 1), (Colour{255, 0, 0}));
        std::remove((env.folder.path() + "/" + c.present).c_str());
    }
}

TEST_F(ButtonFixture, OversizedPicturesAreReadWithinTheGrid) {
    // A line longer than the button (and than any line reader) is cut; the
    // next line is still read from its start.
    ImageButtonCore* wide = withPicture(4, 2, std::string(3000, 'V') + "\nFFFF\n");
    EXPECT_EQ(wide->pictureColour(3, 0), (Colour{255, 0, 0}));
    EXPECT_EQ(wide->pictureColour(0, 1), (Colour{0, 0, 255}));
    EXPECT_EQ(wide->cell(0, 4), '\n');

    // The largest art the grid holds (160 lines of 158 + 2 cells), in a
    // file with many more lines: the lines past the grid are cut.
    std::vector<std::string> tall(400, std::string(158, 'W'));
    ImageButtonCore* full = withPicture(158, 160, lines(tall));
    EXPECT_EQ(full->pictureColour(157, 159), (Colour{0, 255, 0}));
    EXPECT_EQ(env.logCount("ERROR"), 0);

    // A button whose art needs more cells than the grid has is refused.
    ImageButtonCore* huge = withPicture(200, 200, lines(tall));
    EXPECT_EQ(env.logCount("ERROR: picture system/icons/test.asc of 200 by 200 pixels in 1 states does not fit"), 1);
    EXPECT_EQ(huge->pictureColour(199, 199), (Colour{0, 0, 0}));  // beyond the grid: black
    EXPECT_EQ(huge->buildPicture().size(), static_cast<std::size_t>(huge->pictureStride()) * 200 * 3);
    // Two states of a size that fits once do not fit twice.
    ImageButtonCore* twice = withPicture(158, 160, lines(tall), "button", 2);
    EXPECT_EQ(env.logCount("does not fit the button's grid"), 2);
    (void)twice;
}

TEST_F(ButtonFixture, TheLogoShowsItsFaceWithTheArtsGradients) {
    // A face of 8 by 3 pixels for a 12 by 4 button: where the face has no
    // pixel the art shows. Odd values: the gradient keeps their lowest bit.
    Image face;
    face.iWidth = 8;
    face.iHeight = 3;
    face.iDepth = 24;
    for (int i = 0; i < 8 * 3; ++i) face.iPixels24.insert(face.iPixels24.end(), {41, 81, 121});
    face.iPixels24[(1 * 8 + 2) * 3] = 201;  // one reddish pixel at (2, 1)
    env.folder.copyFromSource("data/system/mformats", "system/mformats");
    env.folder.write("system/icons/.keep", "");
    ASSERT_EQ(face.save((env.folder.path() + "/system/icons/vurn.gif").c_str(), "GIF"), 1);
    env.folder.write("system/icons/vurn.asc", lines({"VVVVVVVVVVVV", "VVZVVVVVVVVV", "VVVVVVVVVVVV", "VVVVVVVVVVVV"}));
    ImageButtonCore* b = make(12, 4);
    b->loadIcon("button", "vurn.gif", nullptr, 1);
    ASSERT_NE(b->faceImage(), nullptr);
    EXPECT_EQ(b->picturePath(), "system/icons/vurn.asc");
    EXPECT_EQ(b->pictureColour(0, 0), (Colour{41, 81, 121}));
    // 'Z' at column 2, row 1 from the top (y 2 from the bottom): + (8, 4, 4).
    EXPECT_EQ(b->pictureColour(2, 1), (Colour{209, 85, 125}));
    EXPECT_EQ(b->pictureColour(8, 0), (Colour{255, 0, 0}));  // right of the face
    EXPECT_EQ(b->pictureColour(0, 3), (Colour{255, 0, 0}));  // below the face

    // Without its face file the logo shows its art.
    std::remove((env.folder.path() + "/system/icons/vurn.gif").c_str());
    ImageButtonCore* bare = make(12, 4);
    bare->loadIcon("button", "vurn.gif", nullptr, 1);
    EXPECT_EQ(bare->faceImage(), nullptr);
    EXPECT_EQ(bare->pictureColour(0, 0), (Colour{255, 0, 0}));
    EXPECT_EQ(env.logCount("ERROR: button face system/icons/vurn.gif could not be read"), 1);
}

TEST_F(ButtonFixture, TheShippedPicturesFitTheirButtons) {
    env.folder.copyFromSource("data/system/icons", "system/icons");
    env.folder.copyFromSource("data/system/sactions", "system/sactions");
    env.folder.copyFromSource("data/system/mformats", "system/mformats");
    ImageButtonCore* logo = make(38, 38);
    logo->loadIcon("button", "vurn.gif", nullptr, 1);
    ASSERT_NE(logo->faceImage(), nullptr);
    EXPECT_GE(logo->faceImage()->iWidth, 40);
    EXPECT_GE(logo->faceImage()->iHeight, 38);
    EXPECT_STREQ(readKeyedLine(logo->picturePath().c_str(), "Command"), "internal-browser");
    EXPECT_STREQ(readKeyedLine(logo->picturePath().c_str(), "HTTP-Help"), "index.html");

    ImageButtonCore* upgrade = make(29, 29);
    upgrade->loadIcon("button", "mainWindow", "system/sactions/upgrade.gkv", 1);
    EXPECT_STREQ(readKeyedLine(upgrade->picturePath().c_str(), "Command"), "internal-upgrade");
    // Every art cell is one of the characters the button knows, and the
    // frame is black.
    const std::string known = "1256fOKk{VWFGQ]}^~$Zz";
    for (ImageButtonCore* b : {logo, upgrade})
        for (int y = 0; y < b->buttonHeight(); ++y)
            for (int x = 0; x < b->buttonWidth(); ++x)
                ASSERT_NE(known.find(b->cell(y, x)), std::string::npos) << x << "," << y;
    EXPECT_EQ(upgrade->pictureColour(0, 0), (Colour{0, 0, 0}));
    EXPECT_EQ(upgrade->pictureColour(14, 10), (Colour{0, 255, 0}));  // the arrow
    upgrade->onMouse(3, 3, 1, 1);
    upgrade->onMouse(3, 3, 1, -1);
    EXPECT_EQ(owner->got, (Values{{"mainWindow", 1}, {"internal-upgrade", 1}}));
}

// ---------------------------------------------------------------- visibility

TEST_F(ButtonFixture, HideMovesTheButtonAwayOnceAndSetVisibleBringsItBack) {
    ImageButtonCore* b = withPicture(4, 4, lines({"2222", "2222", "2222", "2222"}));
    const int x = b->canvas()->x();
    b->hide();
    b->hide();
    EXPECT_EQ(b->canvas()->x(), x - 2000);
    EXPECT_TRUE(b->hidden());
    EXPECT_EQ(b->paint(0, 0, 9999, 9999), 0);
    b->setVisible(1);
    b->setVisible(1);
    EXPECT_EQ(b->canvas()->x(), x);
    EXPECT_EQ(b->paint(0, 0, 9999, 9999), 1);
    EXPECT_EQ(env.logCount("w0h0 4,4\n"), 1);
    b->setVisible(0);
    EXPECT_TRUE(b->hidden());
}

TEST_F(ButtonFixture, AnUnconfiguredButtonPaintsAsBlank) {
    ImageButtonCore* b = make(6, 6);
    EXPECT_FALSE(b->configured());
    EXPECT_EQ(b->paint(0, 0, 9999, 9999), 1);
    EXPECT_TRUE(b->configured());
    EXPECT_STREQ(b->getName(), "blank");
    EXPECT_EQ(b->kind(), "blank");
    EXPECT_EQ(b->picturePath(), "system/icons/blank.all");
}

}  // namespace
