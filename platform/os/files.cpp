#include "platform/os/files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>

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

bool isDirectory(const char* path) {
    if (!path) return false;
    struct stat st;
    return ::stat(nativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool makeDirectory(const char* path) {
    if (!path) return false;
    return ::mkdir(nativePath(path).c_str(), 0777) == 0 || isDirectory(path);
}

}  // namespace platform
