// Listing the source side of folder-pattern and tree comparisons into the job's pair list.
#pragma once

class QdlCore;

// Every file matching the source pattern, each looked up in the destination folder. An entry that
// cannot be named, or whose path would not fit, is recorded with planning's verdict instead.
void enumerateFolder(QdlCore& job);

// A tree is planned a folder at a time, depth first: each folder is listed in full (its entries
// looked up on the destination side) before anything of it is recorded, so that a folder that
// cannot be listed to its end is recorded once with its verdict and nothing inside it. Each listed
// folder ends with a directory exit marker. Only the folders on the way down to the one being
// planned are held, so the memory follows the depth and the widest folder, not the tree.
//
// Lists the starting folder; planTreeMore records its entries and those below it.
void startTree(QdlCore& job, const char* sourceFolder, const char* destinationFolder,
               const char* pattern);
// Records the next entry of the tree (a folder entered is listed first, or given its verdict),
// or the marker of a folder that ends: 0, or 1 once the tree is planned to its end.
int planTreeMore(QdlCore& job);
// Whether planning so far holds no source entry, only markers and extras. Right after the start
// of a plan it tells for the whole run: every entry planned later lies inside a folder entry
// planned before it.
bool recordsNoSourceEntry(const QdlCore& job);
// Drops the folders still being planned.
void endTree(QdlCore& job);

// The destination folder of folder-pattern mode followed by name, in one buffer each call reuses;
// none when it would not fit.
const char* buildDestinationPath(const QdlCore& job, const char* name);
