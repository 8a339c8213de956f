// Applies the downloaded upgrades of a program folder (see apply_upgrades.h):
//   vurnorvexi-apply-upgrades <program folder>
// Prints each applied file and each unfinished file of an ended run that it
// removed; each problem goes to the error output. Exit
// status 0 when every listed upgrade was applied, 1 when one was not.
#include <cstdio>

#include "tools/start/apply_upgrades.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vurnorvexi-apply-upgrades <program folder>\n");
        return 2;
    }
    const UpgradeReport report = applyUpgrades(argv[1]);
    for (const std::string& name : report.removed)
        std::printf("removed the unfinished file of an ended run: %s\n", name.c_str());
    for (const std::string& name : report.applied) std::printf("upgrade applied: %s\n", name.c_str());
    for (const std::string& problem : report.problems)
        std::fprintf(stderr, "upgrade not applied: %s\n", problem.c_str());
    return report.problems.empty() ? 0 : 1;
}
