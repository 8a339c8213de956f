#pragma once
// Makes a folder read-only for the calling thread while it lives, even when
// the tests run as root: the folder loses its write bits, and the thread's
// effective capabilities that override file permissions are set aside.
// Both come back on destruction.
#include <string>

namespace testing_support {

class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(std::string path);
    ~ReadOnlyFolder();
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    // False when the folder could not be made read-only for this thread.
    bool active() const { return active_; }

private:
    std::string path_;
    unsigned oldMode_ = 0;
    unsigned savedEffective_ = 0;
    bool capabilitiesLowered_ = false;
    bool active_ = false;
};

}  // namespace testing_support
