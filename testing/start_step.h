#pragma once
// Runs the run command's start step (tools/start.sh) on a program folder,
// with the programs of this build, as the run command runs it.
#include <string>
#include <vector>

namespace testing_support {

// `env` entries ("NAME=value") are added to the environment; `program`,
// when not empty, is a shell command the step runs in the folder at its
// end. Both output streams go to *output. The exit status of the step.
int runStartStep(const std::string& folder, const std::vector<std::string>& env, const std::string& program,
                 std::string* output);

}  // namespace testing_support
