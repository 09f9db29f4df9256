// Files a run makes itself (qdlcheck's log, the temporary files beside it and the log they replace),
// which may lie inside the trees it compares: they are never compared or reported, only counted.
// They are known by identity, and looked for by name first, so that other entries cost nothing.
#pragma once

#include "file_identity.h"
#include "path_text.h"

struct OwnFile {
    char path[pathRoom];  // as the run names it, for a process that identifies it itself
    char name[pathRoom];  // its own name, without its folder
    FileIdentity identity;
};

struct OwnFiles {
    static constexpr int capacity = 3;
    int count;
    OwnFile files[capacity];
};

// Adds the file at path, listed under name in its folder: 0, or 1 when it cannot be identified (or
// there is no room).
[[nodiscard]] int addOwnFile(OwnFiles& own, const char* path, const char* listedName);
// The same for a file the caller holds open.
[[nodiscard]] int addOwnOpenFile(OwnFiles& own, const char* path, HANDLE file);

// Whether name, in the folder whose text is the first folderLength characters of folder (ending in
// a backslash), is one of the run's own files.
bool isOwnFile(const OwnFiles* own, const char* folder, int folderLength, const char* name);
