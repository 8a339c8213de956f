#include "testing/program_folder.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace fs = std::filesystem;

namespace testing_support {

std::string sourceDir() { return VURN_SOURCE_DIR; }

ProgramFolder::ProgramFolder(bool withUser) {
    std::string base = fs::temp_directory_path().string() + "/vurn-test-XXXXXX";
    std::vector<char> buf(base.begin(), base.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
    dir_ = buf.data();
    oldCwd_ = fs::current_path().string();
    fs::create_directories(dir_ + "/system");
    fs::create_directories(dir_ + "/boards");
    if (withUser) fs::create_directories(dir_ + "/user/nls");
    fs::current_path(dir_);
}

ProgramFolder::~ProgramFolder() {
    std::error_code ec;
    fs::current_path(oldCwd_, ec);
    if (!std::getenv("VURN_KEEP_TEST_FOLDERS")) fs::remove_all(dir_, ec);
}

void ProgramFolder::write(const std::string& rel, const std::string& content) const {
    fs::path p = fs::path(dir_) / rel;
    if (p.has_parent_path()) fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << content;
}

std::string ProgramFolder::read(const std::string& rel) const {
    std::ifstream in(fs::path(dir_) / rel, std::ios::binary);
    if (!in) return {};
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool ProgramFolder::exists(const std::string& rel) const { return fs::exists(fs::path(dir_) / rel); }

void ProgramFolder::copyFromSource(const std::string& srcRel, const std::string& rel) const {
    fs::path to = fs::path(dir_) / rel;
    if (to.has_parent_path()) fs::create_directories(to.parent_path());
    fs::copy(fs::path(sourceDir()) / srcRel, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

}  // namespace testing_support
