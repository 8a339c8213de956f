// The core register: order after removal, growth, lookup by class name and
// deleting every core.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/app/debuglog.h"
#include "framework/core/supercore.h"
#include "testing/program_folder.h"
#include "testing/test_cores.h"

using testing_support::FakeCore;
using testing_support::ProgramFolder;

namespace {

// The register of the process, as Exec::init makes it.
struct RegisterFixture : ::testing::Test {
    RegisterFixture() { coreLibrary = new library(); }
    ~RegisterFixture() override {
        delete coreLibrary;
        for (FakeCore* c : owned) delete c;
    }
    FakeCore* make(const char* className) {
        owned.push_back(new FakeCore(className));
        return owned.back();
    }
    std::vector<SuperCore*> contents() const {
        std::vector<SuperCore*> v;
        for (int i = 0; i < coreLibrary->count(); ++i) v.push_back(coreLibrary->at(i));
        return v;
    }
    std::vector<FakeCore*> owned;
};

TEST_F(RegisterFixture, RemovalFillsTheHoleWithTheLastEntry) {
    struct Case {
        const char* what;
        int remove;  // index into the three cores; -1 removes one never added
        std::vector<int> left;
    };
    const Case cases[] = {
        {"middle of three", 1, {0, 2}},
        {"first of three", 0, {2, 1}},
        {"last of three", 2, {0, 1}},
        {"an absent core", -1, {0, 1, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        while (coreLibrary->count()) coreLibrary->removeSuperCore(coreLibrary->at(0));
        FakeCore* cores[3] = {make("A"), make("B"), make("C")};
        for (FakeCore* core : cores) coreLibrary->addSuperCore(core);
        coreLibrary->removeSuperCore(c.remove < 0 ? make("Absent") : cores[c.remove]);
        std::vector<SuperCore*> expected;
        for (int i : c.left) expected.push_back(cores[i]);
        EXPECT_EQ(contents(), expected);
    }
}

TEST_F(RegisterFixture, GrowsBy64) {
    for (int i = 0; i < 64; ++i) coreLibrary->addSuperCore(make("Many"));
    EXPECT_EQ(coreLibrary->capacity(), 64);
    coreLibrary->addSuperCore(make("Many"));
    EXPECT_EQ(coreLibrary->capacity(), 128);
    EXPECT_EQ(coreLibrary->count(), 65);
    EXPECT_EQ(coreLibrary->at(64), owned.back());
}

TEST_F(RegisterFixture, FindsTheFirstCoreOfAClassInRegisterOrder) {
    EXPECT_EQ(coreLibrary->findCoreByClassName("AboutCore"), nullptr);
    FakeCore* other = make("OrvexMainCore");
    FakeCore* first = make("AboutCore");
    FakeCore* second = make("AboutCore");
    for (FakeCore* c : {other, first, second}) coreLibrary->addSuperCore(c);
    EXPECT_EQ(coreLibrary->findCoreByClassName("AboutCore"), first);
    EXPECT_EQ(coreLibrary->findCoreByClassName("aboutcore"), nullptr);  // case counts
    coreLibrary->removeSuperCore(first);                                // the last entry moves into its place
    EXPECT_EQ(coreLibrary->findCoreByClassName("AboutCore"), second);
}

TEST_F(RegisterFixture, DeleteSuperCoresDeletesEachCoreOnce) {
    bool deleted[3] = {};
    for (bool& d : deleted) coreLibrary->addSuperCore(new FakeCore("Doomed", &d));
    coreLibrary->deleteSuperCores();
    EXPECT_EQ(coreLibrary->count(), 0);
    for (bool d : deleted) EXPECT_TRUE(d);
}

// A core whose destructor does not reach the register that holds it (here:
// a register that is not the process-wide one) still leaves it, so the
// deletion ends.
TEST(Register, DeleteSuperCoresEndsWhenDestructorsDoNotUnregister) {
    ASSERT_EQ(coreLibrary, nullptr);
    library reg;
    bool deleted[2] = {};
    for (bool& d : deleted) reg.addSuperCore(new FakeCore("Stubborn", &d));
    reg.deleteSuperCores();
    EXPECT_EQ(reg.count(), 0);
    EXPECT_TRUE(deleted[0] && deleted[1]);
}

TEST(Register, LogsOfAnEmptyDeleteAndOfARegisterDeletedWhileHoldingCores) {
    ProgramFolder folder;
    folder.write("test.env", "");
    debugLogResetForTests();
    coreLibrary = new library();
    FakeCore leftOver("LeftOver");
    coreLibrary->deleteSuperCores();
    coreLibrary->addSuperCore(&leftOver);
    delete coreLibrary;
    // The process-wide pointer goes with the register.
    EXPECT_EQ(coreLibrary, nullptr);
    debugLogResetForTests();
    EXPECT_EQ(folder.read("note.txt"),
              "deleteSuperCores():1\ndeleteSuperCores():2\n" + std::string("addSuperCore(") +
                  std::to_string(static_cast<int>(reinterpret_cast<std::uintptr_t>(&leftOver))) +
                  ")\n~library():1\nERROR: library contained SuperCores at unconstruct.\n~library():2\n");
    EXPECT_EQ(folder.read("error.txt"), "ERROR: library contained SuperCores at unconstruct.\n");
}

}  // namespace
