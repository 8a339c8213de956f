#include "platform/os/library.h"

#include <dlfcn.h>
#include <strings.h>

#include "platform/os/files.h"

namespace platform {

std::string libraryFileName(const char* name) {
    std::string file = nativePath(name);
    const std::size_t n = file.size();
    if (n >= 4 && ::strcasecmp(file.c_str() + n - 4, ".dll") == 0) file.replace(n - 3, 3, "so");
    if (!file.empty() && file.find('/') == std::string::npos) file = "./" + file;
    return file;
}

void* openLibrary(const char* name, std::string* error) {
    if (error) error->clear();
    const std::string file = libraryFileName(name);
    if (file.empty()) {
        if (error) *error = "no library name";
        return nullptr;
    }
    dlerror();
    void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle && error) {
        const char* why = dlerror();
        *error = why ? why : "cannot load " + file;
    }
    return handle;
}

void closeLibrary(void* library) {
    if (library) ::dlclose(library);
}

void* librarySymbol(void* library, const char* symbol) {
    if (!library || !symbol) return nullptr;
    return ::dlsym(library, symbol);
}

}  // namespace platform
