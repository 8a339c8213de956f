// The start-up check's result on the main tick: handled once, its reply
// read as the upgrade list, the upgrade buttons offered to the main window.
// Against the stand-in upgrade service on free ports, with no display.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/app/exec.h"
#include "framework/app/messagebox.h"
#include "framework/core/supercore.h"
#include "framework/net/communicator.h"
#include "framework/util/vector.h"
#include "services/upgrade/tests/upgrade_support.h"
#include "services/upgrade/upgradelist.h"
#include "testing/program_folder.h"
#include "testing/test_cores.h"

using testing_support::ProgramFolder;
using upgrade_testing::OfferedUpgrade;
using upgrade_testing::waitFor;

namespace {

// An embedded core standing in for the main window in the register.
class NamedCore : public testing_support::FakeCore {
public:
    explicit NamedCore(const char* name) : iName(name) {}
    const char* getName() override { return iName.c_str(); }

private:
    std::string iName;
};

struct Offered {
    SuperCore* core;
    std::string version;  // the new version when the buttons were offered
};
std::vector<Offered> offered;
int processed = 0;
std::vector<Vector*> opened;  // the download lists the window was opened on

void recordButtons(SuperCore* core) { offered.push_back({core, upgradeNewVersion ? upgradeNewVersion : "(none)"}); }
void recordOpen(Vector* downloadList) { opened.push_back(downloadList); }

struct CheckFixture : ::testing::Test {
    CheckFixture() {
        offered.clear();
        opened.clear();
        processed = 0;
        setMessageBoxHandler([](const char*, const char*, MessageBoxKind) {});
        Exec::setUpgradeHandlers(processUpgradeList, recordButtons, recordOpen);
    }
    ~CheckFixture() override {
        if (exec) {
            for (SuperCore* c : registered) coreLibrary->removeSuperCore(c);
            exec->uninit();
            delete exec;
        }
        for (SuperCore* c : registered) delete c;
        Exec::setUpgradeHandlers(nullptr, nullptr, nullptr);
        setMessageBoxHandler(nullptr);
    }
    // Starts up against the service and waits for the check to be done.
    void startUp() {
        exec = new Exec();
        for (const char* name : {"lobbyWindow", "mainWindow"}) {
            registered.push_back(new NamedCore(name));
            coreLibrary->addSuperCore(registered.back());
        }
        ASSERT_NE(exec->checkRequest(), nullptr);
        ASSERT_TRUE(waitFor([this] { return exec->checkRequest()->isDone() != 0; }, false));
    }
    std::vector<std::string> downloads() const {
        std::vector<std::string> out;
        Vector* v = exec->upgradeListHolder() ? exec->upgradeListHolder()->downloadList() : nullptr;
        for (int i = 0; v && i < v->size(); ++i) out.emplace_back(static_cast<const char*>(v->elementAt(i)));
        return out;
    }

    ProgramFolder folder;
    Exec* exec = nullptr;
    std::vector<SuperCore*> registered;
};

TEST_F(CheckFixture, ADifferingFileIsOfferedOnce) {
    folder.write("offer/system/same.txt", "same");
    folder.write("offer/system/docs/new.html", "<p>new</p>");
    folder.write("system/same.txt", "same");
    OfferedUpgrade service(folder.path() + "/offer");
    ASSERT_TRUE(service.started());
    startUp();

    exec->checkUpgradeResult();
    EXPECT_EQ(exec->checkRequest(), nullptr);
    ASSERT_NE(upgradeNewVersion, nullptr);
    EXPECT_STREQ(upgradeNewVersion, "1.02");
    EXPECT_EQ(downloads(), std::vector<std::string>{"system/docs/new.html"});
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_EQ(offered[0].core, registered[1]);
    EXPECT_EQ(offered[0].version, "1.02");

    exec->checkUpgradeResult();  // handled once a run
    EXPECT_EQ(offered.size(), 1u);

    exec->openUpgradeWindow();  // the button's command
    EXPECT_EQ(opened, std::vector<Vector*>{exec->upgradeListHolder()->downloadList()});
}

TEST_F(CheckFixture, MatchingFilesOfferNothing) {
    folder.write("offer/system/same.txt", "same");
    folder.write("system/same.txt", "same");
    OfferedUpgrade service(folder.path() + "/offer");
    ASSERT_TRUE(service.started());
    startUp();
    exec->checkUpgradeResult();
    EXPECT_EQ(upgradeNewVersion, nullptr);
    EXPECT_TRUE(downloads().empty());
    ASSERT_EQ(offered.size(), 1u);  // asked, and it shows nothing without a version
    EXPECT_EQ(offered[0].version, "(none)");
    exec->openUpgradeWindow();
    EXPECT_TRUE(opened.empty());
}

TEST_F(CheckFixture, ACheckWithoutAReplyIsStillDeleted) {
    OfferedUpgrade service(folder.path(), standin::UpgradeFault::Refused);
    ASSERT_TRUE(service.started());
    startUp();
    EXPECT_EQ(exec->checkRequest()->getResult(), nullptr);
    exec->checkUpgradeResult();
    EXPECT_EQ(exec->checkRequest(), nullptr);
    EXPECT_EQ(exec->upgradeListHolder(), nullptr);
    EXPECT_EQ(upgradeNewVersion, nullptr);
    EXPECT_EQ(offered.size(), 1u);
}

TEST_F(CheckFixture, ATickDuringTheProcessingFindsNothingToHandle) {
    // A modal box shown while the list is read runs the loop, whose ticks
    // reach checkUpgradeResult again.
    Exec::setUpgradeHandlers(
        [](Communicator* holder, const char* text) {
            ++processed;
            currentExec->checkUpgradeResult();
            return processUpgradeList(holder, text);
        },
        recordButtons, nullptr);
    folder.write("offer/system/new.txt", "new");
    OfferedUpgrade service(folder.path() + "/offer");
    ASSERT_TRUE(service.started());
    startUp();
    exec->checkUpgradeResult();
    EXPECT_EQ(processed, 1);
    EXPECT_EQ(offered.size(), 1u);
    EXPECT_EQ(downloads(), std::vector<std::string>{"system/new.txt"});
}

}  // namespace
