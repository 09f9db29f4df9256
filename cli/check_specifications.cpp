#include "check_specifications.h"

#include "check_output.h"
#include "engine/find_record.h"

#include <cstdio>
#include <cstring>

namespace {

// The platform's own separator becomes the engine's backslash.
void engineSeparators(char* text) {
    for (; *text != '\0'; ++text)
        if (*text == QUENDLE_PATH_SEPARATOR) *text = '\\';
}

int cannot(const char* typed, const char* why) {
    char after[64];
    std::snprintf(after, sizeof after, ": %s", why);
    printMessage("", typed, after);
    return 1;
}

int appendWhole(char (&path)[pathRoom], const char* more) {
    const int length = static_cast<int>(std::strlen(path));
    if (!fitsBehind(length, more)) return 1;
    appendCut(path, length, more, pathLimit);
    return 0;
}

bool endsWithBackslash(const char* path) {
    return path[std::strlen(path) - 1] == '\\';
}

const char* pathEnd(const char* path) {
    return endsWithBackslash(path) ? "" : "\\";
}

int folderSpecifications(const CheckOptions& options, bool destinationPattern,
                         CheckSpecifications* out) {
    const char* pattern = options.topOnly ? "*.*" : "*\\*";
    if (appendWhole(out->source, pathEnd(out->source)) != 0 ||
        appendWhole(out->source, pattern) != 0)
        return cannot(options.source, "the path is too long");
    if (destinationPattern) return 0;
    if (appendWhole(out->destination, pathEnd(out->destination)) != 0 ||
        appendWhole(out->destination, pattern) != 0)
        return cannot(options.destination, "the path is too long");
    return 0;
}

// 0 with what the text names: a folder (a drive's root included) or a file.
int examine(const char* typed, char (&path)[pathRoom], FindRecord* record, bool* folder) {
    dropTrailingBackslash(path);
    if (std::strlen(path) == 3) {  // "C:\" finds nothing by itself, yet it is a folder
        *folder = true;
        return 0;
    }
    switch (lookUp(path, record)) {
    case Presence::Missing: return cannot(typed, "no such file or folder");
    case Presence::Unreachable: return cannot(typed, "cannot be reached");
    case Presence::Found: break;
    }
    *folder = isDirectory(*record);
    return 0;
}

// A pattern's folder (before its first wildcard) must exist, or it would pass for a pattern that
// matched nothing, or for a copy that lacks every file.
int patternFolderExists(const char* typed, const char* pattern) {
    char folder[pathRoom];
    appendCut(folder, 0, pattern, lastBackslashBeforeWildcard(pattern, pathRoom) + 1);
    dropTrailingBackslash(folder);
    FindRecord record;
    if (std::strlen(folder) <= 3) return 0;  // a drive's root
    if (lookUp(folder, &record) != Presence::Found || !isDirectory(record))
        return cannot(typed, "its folder does not exist");
    return 0;
}

// The folder a missing file would be in must exist: a disk not mounted is no missing file.
int parentFolderExists(const char* typed, const char* path) {
    char folder[pathRoom];
    appendCut(folder, 0, path, pathLimit);
    *std::strrchr(folder, '\\') = '\0';
    if (std::strlen(folder) <= 2) return 0;  // a drive's root
    FindRecord record;
    if (lookUp(folder, &record) != Presence::Found || !isDirectory(record))
        return cannot(typed, "its folder does not exist");
    return 0;
}

}  // namespace

int fullEnginePath(const char* typed, char (&path)[pathRoom]) {
    char native[pathRoom];
    // A relative POSIX name such as "c:tmp" holds no drive: it is taken from the current folder.
    const char* relative = QUENDLE_PATH_SEPARATOR == '/' && typed[0] != '/' ? ".\\" : "";
    if (std::strlen(relative) + std::strlen(typed) >= sizeof native) return 1;
    std::strcpy(native, relative);
    std::strcat(native, typed);
    engineSeparators(native);
    const DWORD length = GetFullPathNameA(native, pathRoom, path, nullptr);
    return length == 0 || length >= pathRoom ? 1 : 0;
}

int buildSpecifications(const CheckOptions& options, CheckSpecifications* out) {
    const bool sourcePattern = hasWildcard(options.source);
    out->sourcePattern = sourcePattern;
    const bool destinationPattern = hasWildcard(options.destination);
    // Patterns too are relative to the current folder; their wildcards are taken as the main
    // dialog takes them.
    if (fullEnginePath(options.source, out->source) != 0)
        return cannot(options.source, "the path is too long");
    if (fullEnginePath(options.destination, out->destination) != 0)
        return cannot(options.destination, "the path is too long");
    if (sourcePattern && patternFolderExists(options.source, out->source) != 0) return 1;
    if (destinationPattern && patternFolderExists(options.destination, out->destination) != 0) return 1;

    // A trailing separator names a folder, whether or not it exists.
    const bool namesFolder = !destinationPattern && endsWithBackslash(out->destination);
    if (!destinationPattern) dropTrailingBackslash(out->destination);
    FindRecord destination;
    const Presence destinationPresence =
        destinationPattern ? Presence::Missing : lookUp(out->destination, &destination);
    if (destinationPresence == Presence::Unreachable)
        return cannot(options.destination, "cannot be reached");
    const bool destinationFolder =
        std::strlen(out->destination) == 3 ||  // a drive's root
        (destinationPresence == Presence::Found && isDirectory(destination));
    FindRecord source;
    bool sourceFolder = false;
    if (!sourcePattern && examine(options.source, out->source, &source, &sourceFolder) != 0) return 1;
    // A folder or a pattern is compared with a folder, which must be there: a copy that is missing
    // as a whole (a disk not mounted, a typing slip) is one message, not a missing entry for each
    // file.
    if (!destinationPattern && (sourceFolder || sourcePattern || namesFolder) && !destinationFolder)
        return cannot(options.destination, destinationPresence == Presence::Missing
                                               ? "no such folder"
                                               : "not a folder");
    if (!destinationPattern && destinationPresence == Presence::Missing &&
        parentFolderExists(options.destination, out->destination) != 0)
        return 1;
    if (sourceFolder) return folderSpecifications(options, destinationPattern, out);
    // A folder as DESTINATION of a pattern or a file: names are put behind it.
    if (destinationFolder &&
        (appendWhole(out->destination, pathEnd(out->destination)) != 0 ||
         (!sourcePattern && appendWhole(out->destination, source.name) != 0)))
        return cannot(options.destination, "the path is too long");
    return 0;
}
