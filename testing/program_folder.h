#pragma once
// A throw-away program folder for tests: a fresh temporary directory with
// "system/", "user/", "user/nls/" and "boards/", made the working directory
// for the test's lifetime, since the program finds all its files relative to
// the working directory. The previous working directory comes back and the
// folder is removed on destruction.
#include <string>

namespace testing_support {

class ProgramFolder {
public:
    // withUser=false leaves out "user/" (and "user/nls/"), for the cases
    // where the program must read "system/" and write nothing.
    explicit ProgramFolder(bool withUser = true);
    ~ProgramFolder();
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    const std::string& path() const { return dir_; }

    // Writes a file relative to the folder (creating parent folders).
    void write(const std::string& rel, const std::string& content) const;
    // Reads a file relative to the folder; empty when missing.
    std::string read(const std::string& rel) const;
    bool exists(const std::string& rel) const;
    // Copies a file or folder of the source tree (relative to its top) into
    // the program folder at rel.
    void copyFromSource(const std::string& srcRel, const std::string& rel) const;

private:
    std::string dir_;
    std::string oldCwd_;
};

// The top of the source tree, for test data kept beside the code.
std::string sourceDir();

}  // namespace testing_support
