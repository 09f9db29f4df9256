// Calls on a name relative to its folder, the folders used last kept open and shared by every
// thread: a run over a tree opens each folder once, where it is listed, and its pairs are opened
// from there by whichever worker takes them.
#pragma once

struct FolderRelative {
    int folder;        // a descriptor of the folder, or AT_FDCWD
    const char* name;  // the rest of the path, relative to folder
};

// The folder of posixPath, opened or taken from the cache, and the name in it; the whole path
// against AT_FDCWD when it has no folder part or the folder cannot be opened (the call on the whole
// path then fails as it would have). The folder stays open for this thread until it has asked for
// four others.
FolderRelative relativeToFolder(const char* posixPath);

// A folder held open to be listed, its descriptor shared with the threads that open files in it.
struct HeldFolder {
    int descriptor;  // -1 when none is held
    int slot;        // the shared slot, or -1 when the descriptor is the holder's own
};

// Holds the folder at posixPath, with a descriptor no other listing reads from: true, or false with
// errno set.
bool holdFolderToList(const char* posixPath, HeldFolder* held);
void letGoOfFolder(HeldFolder* held);

// releaseFolderCache (in the subset) closes every folder no thread holds, so that none stays busy:
// the engine calls it when a job ends, or a drive compared last could not be unmounted, and when
// the descriptors run out. releaseThreadFolders lets this thread's go, open for the others.
