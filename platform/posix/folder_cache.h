// Calls on a name relative to its folder, the folders used last kept open: a run over a tree walks
// each folder's path once, not once for every file in it.
#pragma once

struct FolderRelative {
    int folder;        // a descriptor of the folder, or AT_FDCWD
    const char* name;  // the rest of the path, relative to folder
};

// The folder of posixPath, opened or taken from the cache, and the name in it; the whole path
// against AT_FDCWD when it has no folder part or the folder cannot be opened (the call on the whole
// path then fails as it would have).
FolderRelative relativeToFolder(const char* posixPath);

// releaseFolderCache (in the subset) closes them, so that none stays busy: the engine calls it
// when a job ends, or a drive compared last could not be unmounted.
