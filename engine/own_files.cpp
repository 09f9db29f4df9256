#include "own_files.h"

#include <cstring>

namespace {

OwnFile* nextSlot(OwnFiles& own, const char* path) {
    if (own.count >= OwnFiles::capacity) return nullptr;
    OwnFile& file = own.files[own.count];
    appendCut(file.path, 0, path, pathLimit);
    const char* slash = std::strrchr(path, '\\');
    appendCut(file.name, 0, slash != nullptr ? slash + 1 : path, pathLimit);
    return &file;
}

}  // namespace

int addOwnFile(OwnFiles& own, const char* path, const char* listedName) {
    OwnFile* file = nextSlot(own, path);
    if (file == nullptr || identifyFile(path, &file->identity) != 0) return 1;
    // The folder lists it under its own name, which may differ in letter case from the one typed.
    appendCut(file->name, 0, listedName, pathLimit);
    ++own.count;
    return 0;
}

int addOwnOpenFile(OwnFiles& own, const char* path, HANDLE open) {
    OwnFile* file = nextSlot(own, path);
    if (file == nullptr || identifyOpenFile(open, &file->identity) != 0) return 1;
    ++own.count;
    return 0;
}

bool isOwnFile(const OwnFiles* own, const char* folder, int folderLength, const char* name) {
    if (own == nullptr) return false;
    for (int i = 0; i < own->count; ++i) {
        const OwnFile& file = own->files[i];
        if (std::strcmp(file.name, name) != 0 || !fitsBehind(folderLength, name)) continue;
        char path[pathRoom];
        std::memcpy(path, folder, static_cast<std::size_t>(folderLength));
        appendCut(path, folderLength, name, pathLimit);
        FileIdentity identity;
        if (identifyFile(path, &identity) == 0 && sameFile(identity, file.identity)) return true;
    }
    return false;
}
