#include "platform/os/files.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace platform {

std::string nativePath(const char* path) {
    if (!path) return {};
    std::string p(path);
    // "C:\NAME" or "C:NAME": a file in the program folder.
    if (p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':') {
        p.erase(0, 2);
        while (!p.empty() && (p[0] == '\\' || p[0] == '/')) p.erase(0, 1);
    }
    for (char& c : p)
        if (c == '\\') c = '/';
    return p;
}

FILE* openFile(const char* path, const char* mode) {
    if (!path || !mode) return nullptr;
    std::string p = nativePath(path);
    if (p.empty()) return nullptr;
    return std::fopen(p.c_str(), mode);
}

bool removeFile(const char* path) {
    if (!path) return false;
    return std::remove(nativePath(path).c_str()) == 0;
}

bool renameFile(const char* from, const char* to) {
    if (!from || !to) return false;
    return std::rename(nativePath(from).c_str(), nativePath(to).c_str()) == 0;
}

bool fileExists(const char* path) {
    if (!path) return false;
    struct stat st;
    return ::stat(nativePath(path).c_str(), &st) == 0;
}

bool readWholeFile(const std::string& path, std::string* bytes) {
    const std::string p = nativePath(path.c_str());
    struct stat st;
    if (p.empty() || ::stat(p.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    FILE* f = std::fopen(p.c_str(), "rb");
    if (!f) return false;
    std::string all;
    char piece[65536];
    std::size_t n;
    while ((n = std::fread(piece, 1, sizeof piece, f)) > 0) all.append(piece, n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    if (ok) *bytes = std::move(all);
    return ok;
}

bool isDirectory(const char* path) {
    if (!path) return false;
    struct stat st;
    return ::stat(nativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool makeDirectory(const char* path) {
    if (!path) return false;
    return ::mkdir(nativePath(path).c_str(), 0777) == 0 || isDirectory(path);
}

namespace {

std::atomic<unsigned> temporaryCounter{0};
std::mutex redirectMutex;
std::string redirectDevice;

std::string reason(const char* step, int err) { return std::string(step) + ": " + std::strerror(err); }

[[nodiscard]] bool writeAll(int fd, const void* data, std::size_t size, int* err) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::write(fd, p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            *err = errno;
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// The bytes into the open temporary file (or the test device), flushed to
// the disk and closed; false with the reason on the first failure.
bool fillTemporary(int fd, const void* data, std::size_t size, std::string* why) {
    std::string device;
    {
        std::lock_guard<std::mutex> lock(redirectMutex);
        device = redirectDevice;
    }
    int err = 0;
    bool ok = true;
    if (!device.empty()) {
        int dev = ::open(device.c_str(), O_WRONLY | O_CLOEXEC);
        if (dev < 0 || !writeAll(dev, data, size, &err) || ::fsync(dev) != 0) {
            if (!err) err = errno;
            *why = reason("write", err);
            ok = false;
        }
        if (dev >= 0) ::close(dev);
    } else if (!writeAll(fd, data, size, &err)) {
        *why = reason("write", err);
        ok = false;
    } else if (::fdatasync(fd) != 0) {
        *why = reason("flush", errno);
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        *why = reason("close", errno);
        ok = false;
    }
    return ok;
}

}  // namespace

long raiseOpenFileLimit() {
    rlimit lim;
    if (::getrlimit(RLIMIT_NOFILE, &lim) != 0) return -1;
    if (lim.rlim_cur < lim.rlim_max) {
        lim.rlim_cur = lim.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &lim);
        ::getrlimit(RLIMIT_NOFILE, &lim);
    }
    return lim.rlim_cur == RLIM_INFINITY ? -1 : static_cast<long>(lim.rlim_cur);
}

bool replaceFile(const char* path, const void* data, std::size_t size, std::string* error, bool* opened) {
    std::string why;
    if (opened) *opened = false;
    std::string target = nativePath(path);
    if (target.empty() || (size > 0 && !data)) {
        if (error) *error = "no file name";
        return false;
    }
    struct stat st;
    if (::lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        // Keep the link: replace the file it names.
        if (char* real = ::realpath(target.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
    }
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) {
        // A device or a pipe takes the bytes as they come; it is never
        // replaced by a file of ours. The open does not wait: a pipe that
        // nobody reads fails (ENXIO) instead of holding the program.
        int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) {
            if (error) *error = reason("open", errno);
            return false;
        }
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
        if (opened) *opened = true;
        int err = 0;
        bool ok = writeAll(fd, data, size, &err);
        if (!ok) why = reason("write", err);
        if (::close(fd) != 0 && ok) {
            why = reason("close", errno);
            ok = false;
        }
        if (!ok && error) *error = why;
        return ok;
    }
    // In the same folder, so the rename never crosses file systems.
    std::string temporary = target + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(++temporaryCounter);
    int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (error) *error = reason("create", errno);
        return false;
    }
    if (opened) *opened = true;
    // The new file keeps the permissions of the one it replaces.
    if (exists && S_ISREG(st.st_mode)) ::fchmod(fd, st.st_mode & 07777);
    bool ok = fillTemporary(fd, data, size, &why);
    if (ok && ::rename(temporary.c_str(), target.c_str()) != 0) {
        why = reason("rename", errno);
        ok = false;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        if (error) *error = why;
    }
    return ok;
}

void redirectReplaceWritesForTests(const char* devicePath) {
    std::lock_guard<std::mutex> lock(redirectMutex);
    redirectDevice = devicePath ? devicePath : "";
}

}  // namespace platform
