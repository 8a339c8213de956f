#pragma once
// File access for the whole program. Internal paths may be written with '/'
// or '\'; every access goes through nativePath, which gives the path the
// file system understands. A drive path such as "C:\note.txt" means the file
// of that name in the program folder (the working directory).
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
bool isDirectory(const char* path);
bool makeDirectory(const char* path);

}  // namespace platform
