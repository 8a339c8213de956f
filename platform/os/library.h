#pragma once
// Dynamic loading of shared objects, in place of the system's library
// loader. A module named the system's way ("name.dll") is the shared object
// "name.so"; a bare file name is looked for in the program folder (the
// working directory), never along the library search path, so only the
// program's own modules load.
#include <string>

namespace platform {

// The file that openLibrary loads for `name`: a ".dll" ending (any case)
// becomes ".so", and a name without a '/' or '\' is taken relative to the
// program folder ("./name.so").
std::string libraryFileName(const char* name);

// Loads the shared object for `name` (resolving every symbol now); null on
// failure, with the loader's reason in `error` when given. Opening a loaded
// library again gives the same library; it stays loaded until it has been
// closed as often as it was opened.
void* openLibrary(const char* name, std::string* error = nullptr);

// Closes what openLibrary opened: the last close unloads the library, which
// runs its destructors (a module ends its own threads there).
void closeLibrary(void* library);

// The address of an exported symbol of a loaded library, or null.
void* librarySymbol(void* library, const char* symbol);

}  // namespace platform
