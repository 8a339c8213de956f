#pragma once
// File access for the whole program. Internal paths may be written with '/'
// or '\'; every access goes through nativePath, which gives the path the
// file system understands. A drive path such as "C:\note.txt" means the file
// of that name in the program folder (the working directory).
#include <cstddef>
#include <cstdio>
#include <string>

namespace platform {

std::string nativePath(const char* path);

// fopen of nativePath(path); null for a null path.
FILE* openFile(const char* path, const char* mode);
bool removeFile(const char* path);
// Replaces `to` by `from` in one step (rename(2)).
bool renameFile(const char* from, const char* to);
bool fileExists(const char* path);
// The whole of a regular file; false when it is not one or can't be read.
bool readWholeFile(const std::string& path, std::string* bytes);
bool isDirectory(const char* path);
bool makeDirectory(const char* path);

// Raises the process's limit of open descriptors as far as the system lets
// it (a server with a thousand connections needs more than the usual 1024);
// the limit now in force.
long raiseOpenFileLimit();

// Replaces the file at `path` with `size` bytes in one step: they are
// written to a new temporary file in the same folder, flushed to the disk,
// and the temporary file is then renamed over the old one. On any failure
// the temporary file is removed, the old file is left as it was, and false
// is returned with the reason in *error (when given); *opened (when given)
// tells whether a file could be created at all. A symbolic link is
// followed (the file it names is replaced, the link stays), and the new
// file keeps the old one's permissions. A path that names a device or a
// pipe is written directly, as there is no old file to keep whole; a pipe
// without a reader fails at once rather than waiting for one.
[[nodiscard]] bool replaceFile(const char* path, const void* data, std::size_t size, std::string* error,
                               bool* opened = nullptr);

// Tests: while set, the bytes of every replaceFile are written to this
// device instead of its temporary file ("/dev/full" shows a full disk);
// null restores normal writing.
void redirectReplaceWritesForTests(const char* devicePath);

}  // namespace platform
