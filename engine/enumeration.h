// Listing the source side of folder-pattern and tree comparisons into the job's pair list.
#pragma once

class QdlCore;

// Every file matching the source pattern, each looked up in the destination folder.
void enumerateFolder(QdlCore& job);

// One folder and, depth first, every folder below it whose destination exists; each listed folder
// ends with a directory exit marker.
void enumerateTree(QdlCore& job, const char* sourceFolder, const char* destinationFolder,
                   const char* pattern);

// The destination folder of folder-pattern mode followed by name, in one buffer each call reuses.
const char* buildDestinationPath(const QdlCore& job, const char* name);
