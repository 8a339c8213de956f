#include "testing/read_only_folder.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <utility>

namespace testing_support {

namespace {

// The capabilities that let a process write where the mode bits say no.
constexpr unsigned kOverrides = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);

bool readCapabilities(__user_cap_data_struct data[2]) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(SYS_capget, &header, data) == 0;
}

bool writeCapabilities(__user_cap_data_struct data[2]) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(SYS_capset, &header, data) == 0;
}

// True when the folder really refuses a new file.
bool refusesWrites(const std::string& path) {
    std::string probe = path + "/.write-probe";
    int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0) return true;
    ::close(fd);
    ::unlink(probe.c_str());
    return false;
}

}  // namespace

ReadOnlyFolder::ReadOnlyFolder(std::string path) : path_(std::move(path)) {
    struct stat st;
    if (::stat(path_.c_str(), &st) != 0) return;
    oldMode_ = st.st_mode & 07777;
    ::chmod(path_.c_str(), oldMode_ & ~0222u);
    __user_cap_data_struct caps[2] = {};
    if (readCapabilities(caps) && (caps[0].effective & kOverrides)) {
        savedEffective_ = caps[0].effective;
        caps[0].effective &= ~kOverrides;
        capabilitiesLowered_ = writeCapabilities(caps);
    }
    active_ = refusesWrites(path_);
}

ReadOnlyFolder::~ReadOnlyFolder() {
    if (capabilitiesLowered_) {
        __user_cap_data_struct caps[2] = {};
        if (readCapabilities(caps)) {
            caps[0].effective = savedEffective_;
            writeCapabilities(caps);
        }
    }
    ::chmod(path_.c_str(), oldMode_);
}

}  // namespace testing_support
