#include "game/match/tests/maincore_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "framework/app/debuglog.h"
#include "framework/app/messagebox.h"
#include "framework/app/options.h"
#include "framework/canvas/supercanvas.h"
#include "framework/core/supercore.h"
#include "framework/window/superwindow.h"
#include "game/match/advancedlistcore.h"
#include "game/match/orvexmaincore.h"
#include "game/match/selectplayercore.h"
#include "game/protocol/catalogue.h"
#include "game/protocol/codec.h"
#include "game/protocol/gamesocket.h"
#include "platform/ui/controls.h"
#include "platform/ui/pixels.h"
#include "platform/ui/ui.h"
#include "testing/window_support.h"

namespace match_testing {

MainWindowFixture::MainWindowFixture(bool withMarker) {
    folder.copyFromSource("data/system", "system");
    folder.copyFromSource("data/boards", "boards");
    if (withMarker) folder.write("test.env", "");
    orvexGameStarted = 0;  // once a run in the program, once a test here
    debugLogResetForTests();
    debugLog("test start\n");  // settles the test mode now
    setMessageBoxHandler([](const char*, const char*, MessageBoxKind) {});
    options = new Options();
    options->load("options_vurn.gkv");
    coreLibrary = new library();
}

MainWindowFixture::~MainWindowFixture() {
    close();
    if (coreLibrary) {
        coreLibrary->deleteSuperCores();
        delete coreLibrary;
    }
    pump(0.1);
    platform::ui::runPending();
    delete options;
    options = nullptr;
    setMessageBoxHandler(nullptr);
    orvexGameStarted = 0;
    debugLogResetForTests();
}

OrvexMainCore* MainWindowFixture::open(bool toServer) {
    if (!coreLibrary) coreLibrary = new library();  // the last main core took it along
    core = new OrvexMainCore();
    if (!toServer) core->setOutbox(&sent);
    pump();
    return core;
}

void MainWindowFixture::close() {
    if (!core) return;
    core->setOutbox(nullptr);
    delete core;
    core = nullptr;
    pump();
}

void MainWindowFixture::receive(const MessageBytes& message) {
    ASSERT_TRUE(dispatchMessage(message.data(), static_cast<int>(message.size()), core->messageHandler()))
        << codeOf(message);
}

std::vector<std::string> MainWindowFixture::takeSent() {
    std::vector<std::string> codes;
    for (const MessageBytes& m : sent.take()) codes.push_back(codeOf(m));
    return codes;
}

std::string MainWindowFixture::text(const char* widget) {
    platform::ui::Control* c = core->canvas()->getControl(widget);
    EXPECT_NE(c, nullptr) << widget;
    return c ? c->text() : "";
}

std::vector<std::string> MainWindowFixture::column(int column) {
    std::vector<std::string> out;
    AdvancedListCore* list = core->listCore();
    for (int i = 0; i < list->rowCount(); ++i) {
        const char* t = list->cellText(i, column);
        out.push_back(t ? t : "(null)");
    }
    return out;
}

void MainWindowFixture::pump(double seconds) { platform::ui::processEvents(seconds); }

void MainWindowFixture::moveSelectionAside() {
    SuperCore* selection = coreLibrary ? coreLibrary->findCoreByClassName("SelectPlayerCore") : nullptr;
    ASSERT_NE(selection, nullptr);
    placeWindow(selection->frame(), 700, 700, selection->frame()->width(), selection->frame()->height());
    pump(0.2);
}

std::string codeOf(const MessageBytes& message) {
    OrvexSplitResult r = splitMessage(message.data(), static_cast<int>(message.size()), kBothWays);
    return r.code ? r.code->letters : "?";
}

PeerClient::PeerClient(int port, const char* name)
    : iConnection([port] { return std::make_unique<OrvexTcpSocket>("127.0.0.1", port); },
                  [this](const uint8_t* m, int n) { dispatchMessage(m, n, *this); }) {
    iConnection.connect();
    send(loginMessage(name));
}

void PeerClient::send(const MessageBytes& message) {
    iConnection.queueMessage(message.data(), static_cast<int>(message.size()));
}

const PeerClient::Row* PeerClient::row(const std::string& name) const {
    for (const Row& r : rows)
        if (r.name == name) return &r;
    return nullptr;
}

void PeerClient::addNewPlayer(uint32_t id1, uint32_t id2, const char* text, const char*) {
    rows.push_back({id1, id2, text});
}

void PeerClient::removeListRow(uint32_t id1, uint32_t id2) {
    rows.erase(std::remove_if(rows.begin(), rows.end(), [&](const Row& r) { return r.id1 == id1 && r.id2 == id2; }),
               rows.end());
}

void screenshot(const char* name) {
    if (!testing_support::screenshot(name)) ADD_FAILURE() << "screenshot " << name << " failed";
}

std::string windowByTitle(const std::string& title) {
    std::string cmd = "xdotool search --name '^" + title + "$' 2>/dev/null";
    std::string id;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char line[64];
        if (std::fgets(line, sizeof line, p)) id = line;
        pclose(p);
    }
    while (!id.empty() && (id.back() == '\n' || id.back() == '\r')) id.pop_back();
    return id;
}

void xdotool(const std::string& args) {
    const std::string cmd = "xdotool " + args;
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
}

void clickAt(const std::string& window, int x, int y) {
    xdotool("mousemove --window " + window + " " + std::to_string(x) + " " + std::to_string(y) + " click 1");
}

void clickControl(SuperCore* core, const char* widget) {
    const std::string window = windowByTitle(core->frame()->title());
    ASSERT_FALSE(window.empty()) << core->frame()->title();
    platform::ui::Control* c = core->canvas()->getControl(widget);
    ASSERT_NE(c, nullptr) << widget;
    const platform::ui::Rect r = c->rect();
    clickAt(window, core->canvas()->x() + r.x + r.w / 2, core->canvas()->y() + r.y + r.h / 2);
}

std::vector<uint8_t> shownPixels(SuperCore* core, const char* widget) {
    platform::ui::Control* c = core->canvas()->getControl(widget);
    if (!c) return {};
    const platform::ui::Rect r = c->rect();
    return platform::ui::readWindowPixels(core->canvas()->platformCanvas(), r.x, r.y, r.w, r.h);
}

}  // namespace match_testing
