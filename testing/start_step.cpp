#include "testing/start_step.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "testing/program_folder.h"

namespace testing_support {

namespace {
// One word for the shell.
std::string shellWord(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}
}  // namespace

int runStartStep(const std::string& folder, const std::vector<std::string>& env, const std::string& program,
                 std::string* output) {
    char tmpl[] = "/tmp/vurn-start-out-XXXXXX";
    const int fd = mkstemp(tmpl);
    if (fd >= 0) close(fd);
    std::string cmd = "env VURNORVEXI_BUILD_DIR=" + shellWord(VURN_BUILD_DIR);
    for (const std::string& e : env) cmd += " " + shellWord(e);
    cmd += " bash " + shellWord(sourceDir() + "/tools/start.sh") + " " + shellWord(folder);
    if (!program.empty()) cmd += " sh -c " + shellWord(program);
    cmd += " >" + shellWord(tmpl) + " 2>&1 </dev/null";
    const int status = std::system(cmd.c_str());
    std::ifstream in(tmpl, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    if (output) *output = all.str();
    std::remove(tmpl);
    return status;
}

}  // namespace testing_support
