#pragma once
// How the main window opens the about window and the help-page viewer.
// Both live in the service cores, above the game, so the main core reaches
// them through two openers that the program installs at start-up; until
// then each call does nothing.
class SuperCore;

using AboutWindowOpener = void (*)(const char* productId, const char* productName, const char* version);
// Opens the page named by the "HTTP-Help" line of the pressed image
// button's picture file.
using HelpPageOpener = void (*)(SuperCore* imageButton);

void setPageOpeners(AboutWindowOpener about, HelpPageOpener help);
void openAboutWindow(const char* productId, const char* productName, const char* version);
void openHelpPage(SuperCore* imageButton);
