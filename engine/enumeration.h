// Listing the source side of folder-pattern and tree comparisons into the job's pair list.
#pragma once

class QdlCore;

// Every file matching the source pattern, each looked up in the destination folder. An entry that
// cannot be named, or whose path would not fit, is recorded with planning's verdict instead.
void enumerateFolder(QdlCore& job);

// One folder and, depth first, every folder below it whose destination exists; each listed folder
// ends with a directory exit marker. A folder that cannot be listed, whose texts would not fit, or
// that is a folder above it again (a link) is recorded with a verdict, and nothing inside it.
void enumerateTree(QdlCore& job, const char* sourceFolder, const char* destinationFolder,
                   const char* pattern);

// The destination folder of folder-pattern mode followed by name, in one buffer each call reuses;
// none when it would not fit.
const char* buildDestinationPath(const QdlCore& job, const char* name);
