#pragma once
// Support of the main window's tests: a program folder with the shipped
// data and the debug log on, the options and the core register, and a
// main game core whose messages go to a list instead of a server. Server
// messages are fed through the protocol's own catalogue.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/board/outbox.h"
#include "testing/program_folder.h"

class OrvexMainCore;

namespace match_testing {

class MainWindowFixture : public ::testing::Test {
public:
    // withMarker: the "test.env" marker (debug log and test mode).
    explicit MainWindowFixture(bool withMarker = true);
    ~MainWindowFixture() override;

    // Builds the main game core (with its selection window); its messages
    // go to `sent`.
    OrvexMainCore* open();
    // Deletes the main core as the shut-down road does.
    void close();

    // One server message through the catalogue to the core's handler.
    void receive(const MessageBytes& message);
    // The code letters of every message sent so far; empties the list.
    std::vector<std::string> takeSent();
    // The caption of a label (or the text of any control) of the main window.
    std::string text(const char* widget);
    // Column `column` of every row of the side list.
    std::vector<std::string> column(int column);
    // Pumps the toolkit's events for a while.
    static void pump(double seconds = 0.05);

    testing_support::ProgramFolder folder;
    OrvexMessageList sent;
    OrvexMainCore* core = nullptr;
};

// The code letters of a message ("LL", "PT", ...).
std::string codeOf(const MessageBytes& message);

}  // namespace match_testing
